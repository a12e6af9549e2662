#pragma once
// The six clipping planes of a projection x model-view product, and the
// point, cube and sphere tests against them.
//
// Planes are stored as (a, b, c, d) with a*x + b*y + c*z + d > 0 on the
// inner side, in the order right, left, bottom, top, far, near, each scaled
// so that (a, b, c) has unit length. Matrices are 16 floats in GL
// column-major order (m[column * 4 + row]), as glGetFloatv returns them.

#include "scene/ICull.h"

namespace qor {

class FrustumCulling final : public ICull {
public:
  enum Plane { kRight = 0, kLeft, kBottom, kTop, kFar, kNear, kPlaneCount };

  // The planes are undefined until the first CalculateFrustum.
  FrustumCulling() = default;

  // Extracts the planes of C = a x b. With a the projection and b an item's
  // model-view matrix, the planes come out in the item's local frame.
  void CalculateFrustum(const float a[16], const float b[16]);

  // A point exactly on a plane is inside; a NaN distance does not reject.
  bool PointInFrustum(float x, float y, float z) const override;
  // The cube [centre - halfSize, centre + halfSize] on every axis passes a
  // plane only when one corner lies strictly inside it; a NaN distance
  // never counts as inside, so a non-finite plane rejects every cube.
  bool CubeInFrustum(float x, float y, float z, float halfSize) const override;
  // Rejected only by a distance below -radius; a NaN distance does not reject.
  bool SphereInFrustum(float x, float y, float z, float radius) const override;

  const float* plane(int index) const { return planes_[index]; }

private:
  float distance(int k, float x, float y, float z) const {
    const float* p = planes_[k];
    return p[0] * x + p[1] * y + p[2] * z + p[3];
  }

  float planes_[kPlaneCount][4] = {};
};

}  // namespace qor
