#pragma once
// Stencil shadow volumes, counted with the depth-pass method.
//
// Per model (shared by every item that shows it) the face records of
// ShadowMesh.h, read from or written to the model's ".vshadow" file. Per
// render item the light position in the item's own frame, re-derived only
// when the item's matrix or the light moved, and which triangles face that
// light. Per light, the silhouette edges of the triangles that face it are
// extruded away from it into the stencil buffer (front faces count up, back
// faces down); wherever the count is not zero, the frame is darkened by 40 %.
// Once every item has its record, a pass allocates nothing.

#include "shadows/ShadowMesh.h"
#include "shadows/Shadows.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace qor {

// The light position `light` (homogeneous, eye space) in the frame of the
// model-view matrix `modelView` (GL column-major): modelView⁻¹ · light.
// False when the matrix cannot be inverted (a zero scale, say).
bool lightInItemFrame(const float modelView[16], const float light[4], float out[4]);

// visible[f] = whether face f faces the homogeneous point `light`:
// a·x + b·y + c·z + d·w > 0 (a face exactly edge-on does not).
void markFacing(const ShadowMesh& mesh, const float light[4], uint8_t* visible);

// The shadow volume of one item as triangles, three emit(x, y, z) calls
// each. For every visible triangle of an opaque material range (alpha 1 or
// more; translucent ranges cast nothing), every edge that has no neighbour
// or whose neighbour is not visible is a silhouette edge A→B; it gives A, A′,
// B and B, A′, B′, with P′ = P + (P − L)·100. `light` is the local light
// position (x, y, z).
template <class Emit>
void extrudeSilhouettes(const IModel& model, const ShadowMesh& mesh, const uint8_t* visible, const float light[3],
                        Emit&& emit);

class VolumeShadows : public Shadows {
public:
  // What the pass keeps per render item.
  struct ItemRecord {
    SmartPointer<IModel> model;    // the model `mesh` belongs to
    const ShadowMesh* mesh = nullptr;
    std::vector<uint8_t> visible;  // per face of `mesh`: faces the light
    float modelView[16] = {};      // the item's matrix last used
    float light[4] = {};           // the eye-space light last used
    float localLight[4] = {};      // the light in the item's frame
    bool dirty = true;             // matrix or light moved: localLight is stale
    bool facingStale = true;       // `visible` does not match localLight yet
    bool lightKnown = false;       // false while the matrix has no inverse
  };

  std::size_t size() const override { return sizeof(*this); }

  // The whole per-light pass, on the current GL context. Does nothing when
  // the framebuffer has no stencil buffer.
  void CastShadows(const float light[4], std::span<const ShadowCaster> items) override;

  // Brings `item`'s record up to date for `light` (eye space), creating it
  // and its model's face records on first sight. The first step of
  // CastShadows; public for tests. Null when the item has no model.
  ItemRecord* prepare(const ShadowCaster& item, const float light[4]);

  // How many models had their face records computed rather than read.
  std::size_t computeCount() const { return computed_; }

private:
  struct ModelShadow {
    SmartPointer<IModel> model;  // keeps the key's model, and its address, alive
    ShadowMesh mesh;
  };
  const ShadowMesh& meshOf(const SmartPointer<IModel>& model);
  void drawVolume(const ItemRecord& record) const;

  std::unordered_map<const IModel*, ModelShadow> models_;
  std::unordered_map<const void*, ItemRecord> items_;
  std::size_t computed_ = 0;
};

// --- template definitions ---------------------------------------------------

template <class Emit>
void extrudeSilhouettes(const IModel& model, const ShadowMesh& mesh, const uint8_t* visible, const float light[3],
                        Emit&& emit) {
  const float lx = light[0], ly = light[1], lz = light[2];
  const std::size_t groups = std::min(model.groups.size(), mesh.groupCount());
  for (std::size_t g = 0; g < groups; ++g) {
    const ModelGroup& group = model.groups[g];
    const std::span<const ShadowFace> faces = mesh.group(g);
    const uint8_t* seen = visible + mesh.groupStart[g];
    const int64_t count = static_cast<int64_t>(std::min(faces.size(), group.faces.size()));
    for (std::size_t range = 0; range < group.materials.size() && range < group.faceStarts.size(); ++range) {
      const Material* material = group.materials[range].get();
      if (!material || !(material->alpha >= 1.0f)) continue;
      // Before compilation the closing element is missing: the last range
      // then runs to the end of the group.
      const int64_t end = range + 1 < group.faceStarts.size() ? group.faceStarts[range + 1] : count;
      for (int64_t t = std::max<int64_t>(group.faceStarts[range], 0); t < std::min(end, count); ++t) {
        if (!seen[t]) continue;
        const int32_t* corner = group.faces[static_cast<std::size_t>(t)].vertex;
        const int32_t* neighbour = faces[static_cast<std::size_t>(t)].neighbour;
        for (int k = 0; k < 3; ++k) {
          if (neighbour[k] != 0 && seen[neighbour[k] - 1]) continue;
          // Visible faces have readable corners (see ShadowFace).
          const std::array<float, 3>& a = group.vertices[static_cast<std::size_t>(corner[k])];
          const std::array<float, 3>& b = group.vertices[static_cast<std::size_t>(corner[k == 2 ? 0 : k + 1])];
          const float ax = a[0] + (a[0] - lx) * 100.0f, ay = a[1] + (a[1] - ly) * 100.0f,
                      az = a[2] + (a[2] - lz) * 100.0f;
          const float bx = b[0] + (b[0] - lx) * 100.0f, by = b[1] + (b[1] - ly) * 100.0f,
                      bz = b[2] + (b[2] - lz) * 100.0f;
          emit(a[0], a[1], a[2]);
          emit(ax, ay, az);
          emit(b[0], b[1], b[2]);
          emit(b[0], b[1], b[2]);
          emit(ax, ay, az);
          emit(bx, by, bz);
        }
      }
    }
  }
}

}  // namespace qor
