#pragma once
// The three transform nodes. Each multiplies the current GL model-view
// matrix during `traverse`, which places the siblings that follow it in the
// same group.

#include "scene/ISceneNode.h"

#include <cstddef>

namespace qor {

class ITransformationNode : public ISceneNode {
protected:
  using ISceneNode::ISceneNode;
};

class TranslateNode : public ITransformationNode {
public:
  TranslateNode(float x, float y, float z) : ITransformationNode(kTranslate), x(x), y(y), z(z) {}
  std::size_t size() const override { return sizeof(*this); }

  using ISceneNode::traverse;
  void traverse(TraversalState& walk) override;
  SceneNodePtr clone() const override;

  float x, y, z;
};

class ScaleNode : public ITransformationNode {
public:
  ScaleNode(float x, float y, float z) : ITransformationNode(kScale), x(x), y(y), z(z) {}
  std::size_t size() const override { return sizeof(*this); }

  using ISceneNode::traverse;
  void traverse(TraversalState& walk) override;
  SceneNodePtr clone() const override;

  float x, y, z;
};

// Rotation by `angle` degrees about the axis (x, y, z), with the effect of
// glRotatef. A zero axis gives a non-finite matrix; callers must not set one.
class RotateNode : public ITransformationNode {
public:
  RotateNode(float angle, float x, float y, float z)
      : ITransformationNode(kRotate), x(x), y(y), z(z), angle(angle) {}
  std::size_t size() const override { return sizeof(*this); }

  using ISceneNode::traverse;
  void traverse(TraversalState& walk) override;
  SceneNodePtr clone() const override;

  // The column-major GL matrix of the rotation, as handed to glMultMatrixf.
  void matrix(float out[16]) const;

  float x, y, z;
  float angle;
};

}  // namespace qor
