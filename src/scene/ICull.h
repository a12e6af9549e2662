#pragma once
// Visibility tests against a view volume. The renderer asks, per render
// item, whether the item's bounding cube can be seen before drawing it.

namespace qor {

class ICull {
public:
  virtual ~ICull() = default;
  virtual bool PointInFrustum(float x, float y, float z) const = 0;
  virtual bool CubeInFrustum(float x, float y, float z, float halfSize) const = 0;
  virtual bool SphereInFrustum(float x, float y, float z, float radius) const = 0;
};

}  // namespace qor
