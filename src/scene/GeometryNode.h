#pragma once
// A node that shows one model. `traverse` captures the current model-view
// matrix and, when the node is visible, records it in the Scene's render
// queue with its depth, so the draw passes load the matrix directly
// instead of walking the tree again.

#include "base/memory/SmartPointer.h"
#include "material/Material.h"
#include "model/IModel.h"
#include "scene/ISceneNode.h"

#include <cstddef>
#include <cstdint>

namespace qor {

class GeometryNode : public ISceneNode {
public:
  GeometryNode(const SmartPointer<IModel>& model, bool visible, bool castShadow);
  ~GeometryNode() override;
  std::size_t size() const override { return sizeof(*this); }

  using ISceneNode::traverse;
  void traverse(TraversalState& walk) override;
  // Shares the model; an override material is copied, so later colour
  // changes on one node do not reach the other.
  SceneNodePtr clone() const override;

  // Draws the model with the draw flags `flags` (1 opaque parts, 2
  // translucent parts, 4 colours, 8 textures): with the override material
  // when `useDefaultMaterial` is false and `material` is set, otherwise with
  // the model's own materials. Does nothing without a model.
  void draw(uint8_t flags) const;
  // Whether draw(flags) would draw anything.
  bool drawsIn(uint8_t flags) const;

  SmartPointer<IModel> model;
  bool visible;
  bool castShadow;
  bool useDefaultMaterial = true;
  SmartPointer<Material> material;
  // Sort key of this frame: eye distance of the local origin less the
  // eye-space length of the local vector (1, 1, 1).
  float depth = 0.0f;
  // Model-view matrix of this frame, GL column-major.
  float modelView[16] = {};

  // What the renderer's culling last found for this node, and for which
  // model-view matrix and projection (a number the renderer gives each
  // projection it meets; 0 for none): a node that has not moved under an
  // unchanged projection is not culled again.
  struct CullMemo {
    float modelView[16] = {};
    uint32_t projection = 0;
    bool inside = false;
  } cullMemo;
};

}  // namespace qor
