#pragma once
// The script type "SceneNode": a value that refers to one node of the scene
// tree and shares it with the tree, so a method call changes the node that
// the next frame draws. Which methods exist depends on the node's kind:
// groups offer list operations, transforms their parameters, geometry nodes
// visibility, shadow flag and material, lights their colours.

#include "scene/ISceneNode.h"
#include "script/datatypes/IData.h"

namespace qor {

class DataSceneNode final : public IData {
public:
  explicit DataSceneNode(SceneNodePtr n) : IData(kTagSceneNode), node(std::move(n)) {}
  std::size_t size() const override { return sizeof(*this); }

  bool refersToObject() const override { return static_cast<bool>(node); }
  DataPtr callMethod(script::MethodCall& m) override;

  SceneNodePtr node;  // may be null
};

// A new SceneNode value referring to `node`.
DataPtr makeSceneNode(SceneNodePtr node);

// The node a value refers to: false for anything that is not a SceneNode
// value (a SceneNode value without a node converts, to null).
bool asSceneNode(const IData* v, SceneNodePtr& out);

}  // namespace qor
