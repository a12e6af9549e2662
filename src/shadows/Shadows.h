#pragma once
// The shadow pass: called by the renderer once per enabled light, with
// lighting off, between the opaque and the translucent pass, when the scene
// settings ask for shadows. This base class casts no shadows; the stencil
// shadow volumes derive from it and fill CastShadows in.

#include "base/memory/SmartPointer.h"
#include "scene/GeometryNode.h"
#include "scene/LightNode.h"

#include <cstddef>
#include <vector>

namespace qor {

class Shadows : public IMMObject {
public:
  std::size_t size() const override { return sizeof(*this); }

  // Darkens what `light` cannot reach among `items` (this frame's render
  // queue). Nothing here.
  virtual void CastShadows(const SmartPointer<LightNode>& light, const std::vector<SmartPointer<GeometryNode>>& items);
};

// The shadow pass of the loaded scene: created by loadScene, released on a
// scene reset and at shut-down.
extern SmartPointer<Shadows> shadowPass;

}  // namespace qor
