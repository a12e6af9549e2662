#include "scene/GroupNode.h"

#include <cstring>

#include <unordered_set>
#include <utility>

namespace qor {

GroupNode::GroupNode(std::vector<SceneNodePtr> children)
    : ISceneNode(kGroup), children_(std::move(children)) {
  std::erase_if(children_, [](const SceneNodePtr& child) { return !child; });
}

GroupNode::~GroupNode() = default;

// The push and pop of the walk's matrix: the saved copy lives in this
// call's frame, so trees of any depth are placed correctly.
void GroupNode::traverse(TraversalState& walk) {
  float saved[16];
  std::memcpy(saved, walk.matrix, sizeof saved);
  // The children lie wherever they were allocated. A wide group of small
  // subtrees (a room full of objects, each under its own transforms) would
  // wait on memory at every child: ask for the next two while this one's
  // subtree is walked.
  const SceneNodePtr* child = children_.data();
  const std::size_t count = children_.size();
  if (count > 1) __builtin_prefetch(child[1].get());
  for (std::size_t i = 0; i < count; ++i) {
    if (i + 2 < count) __builtin_prefetch(child[i + 2].get());
    child[i]->traverse(walk);
  }
  std::memcpy(walk.matrix, saved, sizeof saved);
}

SceneNodePtr GroupNode::clone() const {
  std::vector<SceneNodePtr> copies;
  copies.reserve(children_.size());
  for (const SceneNodePtr& child : children_) copies.push_back(child->clone());
  return SceneNodePtr(new GroupNode(std::move(copies)));
}

bool GroupNode::add(const SceneNodePtr& node) {
  if (!node) return false;
  if (node.get() == this) return false;
  if (node->kind == kGroup && static_cast<const GroupNode*>(node.get())->subtreeContains(this)) {
    return false;
  }
  children_.push_back(node);
  return true;
}

std::size_t GroupNode::wrapIndex(int32_t index) const {
  const int64_t n = static_cast<int64_t>(children_.size());
  const int64_t i = index;
  return static_cast<std::size_t>(i >= 0 ? i % n : ((i % n) + n) % n);
}

SceneNodePtr GroupNode::get(int32_t index) const {
  if (children_.empty()) return nullptr;
  return children_[wrapIndex(index)];
}

bool GroupNode::remove(int32_t index) {
  if (children_.empty()) return false;
  children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(wrapIndex(index)));
  return true;
}

bool GroupNode::subtreeContains(const ISceneNode* target) const {
  if (target == this) return true;
  // Nodes may be shared between groups, so remember the groups already
  // searched; a diamond-shaped graph is then searched in linear time.
  std::unordered_set<const GroupNode*> seen;
  std::vector<const GroupNode*> pending{this};
  seen.insert(this);
  while (!pending.empty()) {
    const GroupNode* group = pending.back();
    pending.pop_back();
    for (const SceneNodePtr& child : group->children_) {
      if (child.get() == target) return true;
      if (child->kind != kGroup) continue;
      const auto* sub = static_cast<const GroupNode*>(child.get());
      if (seen.insert(sub).second) pending.push_back(sub);
    }
  }
  return false;
}

}  // namespace qor
