#pragma once
// A node holding an ordered list of children. One push/pop of the walk's
// model-view matrix encloses all children together, so a transform child
// acts on the siblings that follow it and the group ends its scope.
//
// A node may sit in several groups at once. `add` keeps the graph acyclic:
// it refuses a node whose subtree holds this group, so `traverse` and
// `clone` always end.

#include "scene/ISceneNode.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qor {

class GroupNode : public ISceneNode {
public:
  // Null entries are left out.
  explicit GroupNode(std::vector<SceneNodePtr> children = {});
  ~GroupNode() override;
  std::size_t size() const override { return sizeof(*this); }

  using ISceneNode::traverse;
  void traverse(TraversalState& walk) override;
  SceneNodePtr clone() const override;

  const std::vector<SceneNodePtr>& children() const { return children_; }
  std::size_t childCount() const { return children_.size(); }

  // Appends `node`. Refuses (returns false, changes nothing) a null node and
  // a node whose subtree contains this group, which would make a cycle.
  bool add(const SceneNodePtr& node);

  // Child at `index` by the wrapping rule: i >= 0 selects i mod n, i < 0
  // selects ((i mod n) + n) mod n, so -1 is the last child. Null when the
  // group is empty.
  SceneNodePtr get(int32_t index) const;

  // Removes the child at `index` (same rule as `get`); later children move
  // up by one. False, and nothing changes, when the group is empty.
  bool remove(int32_t index);

  // True when `target` is this node or lies anywhere below it.
  bool subtreeContains(const ISceneNode* target) const;

private:
  std::size_t wrapIndex(int32_t index) const;

  std::vector<SceneNodePtr> children_;
};

}  // namespace qor
