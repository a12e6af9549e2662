#pragma once
// The shadow pass: called once per enabled light, with lighting off, between
// the opaque and the translucent pass, when the scene settings ask for
// shadows. This base class casts no shadows; the stencil shadow volumes
// derive from it and fill CastShadows in.
//
// The pass sits beside the scene, not above it: it knows no scene nodes.
// Whoever calls it (the shell, through the renderer's hook) describes each
// render item as a ShadowCaster.

#include "base/memory/SmartPointer.h"
#include "model/IModel.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace qor {

// What the shadow pass reads of one render item of this frame.
struct ShadowCaster {
  const void* item = nullptr;        // the render item: the key of what the pass keeps for it
  IModel* model = nullptr;           // what it shows; null: nothing to cast
  const float* modelView = nullptr;  // its model-view matrix, 16 floats, GL column-major
  bool castShadow = false;           // whether it casts a shadow
};

class Shadows : public IMMObject {
public:
  std::size_t size() const override { return sizeof(*this); }

  // Darkens what the light at `light` (homogeneous, eye space: x, y, z, w)
  // cannot reach among `items` (this frame's render queue). Nothing here.
  virtual void CastShadows(const float light[4], std::span<const ShadowCaster> items);

  // How many shadow volumes the last CastShadows drew (one per casting item
  // it drew a volume for), for a tool's frame statistics.
  uint32_t volumesDrawn() const { return volumesDrawn_; }

protected:
  uint32_t volumesDrawn_ = 0;
};

// The shadow pass of the loaded scene: created by loadScene, released on a
// scene reset and at shut-down.
extern SmartPointer<Shadows> shadowPass;

}  // namespace qor
