#pragma once
// A light at the origin of its local frame, placed by the transform nodes
// before it. `traverse` stores its eye-space position and, when enabled,
// records it in the Scene's light list for this frame.

#include "scene/ISceneNode.h"

#include <cstddef>

namespace qor {

class LightNode : public ISceneNode {
public:
  // Ambient (0, 0, 0, 1), diffuse and specular (1, 1, 1, 1), attenuation
  // 1, 0, 0, position zero.
  LightNode();
  LightNode(const float ambient[4], const float diffuse[4], const float specular[4]);
  std::size_t size() const override { return sizeof(*this); }

  using ISceneNode::traverse;
  void traverse(TraversalState& walk) override;
  // Same colours and attenuation; the copy is enabled and has position zero
  // until its first traverse.
  SceneNodePtr clone() const override;

  // Hands the light to GL light `light` (GL_LIGHT0 + i). The caller loads
  // the identity model-view matrix first, so the eye-space position is
  // taken unchanged.
  void apply(unsigned light) const;

  bool enabled = true;
  float ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  // Eye-space position, written by traverse.
  float position[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  float constantAttenuation = 1.0f;
  float linearAttenuation = 0.0f;
  float quadraticAttenuation = 0.0f;
};

}  // namespace qor
