#include "scene/FrustumCulling.h"

#include <cmath>

namespace qor {

void FrustumCulling::CalculateFrustum(const float a[16], const float b[16]) {
  // Column j of C is A applied to column j of B.
  float c[16];
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) {
      c[col * 4 + row] = a[row] * b[col * 4] + a[4 + row] * b[col * 4 + 1] +
                         a[8 + row] * b[col * 4 + 2] + a[12 + row] * b[col * 4 + 3];
    }
  }

  // Row r of C is (c[r], c[r + 4], c[r + 8], c[r + 12]). Each plane is
  // row 3 plus or minus one of rows 0 (x), 1 (y) and 2 (z).
  struct Source {
    int row;
    float sign;
  };
  static constexpr Source kSources[kPlaneCount] = {
      {0, -1.0f},  // right
      {0, 1.0f},   // left
      {1, 1.0f},   // bottom
      {1, -1.0f},  // top
      {2, -1.0f},  // far
      {2, 1.0f},   // near
  };
  for (int k = 0; k < kPlaneCount; ++k) {
    float* p = planes_[k];
    const int r = kSources[k].row;
    const float s = kSources[k].sign;
    for (int i = 0; i < 4; ++i) p[i] = c[3 + 4 * i] + s * c[r + 4 * i];
    const float inv = 1.0f / std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    for (int i = 0; i < 4; ++i) p[i] *= inv;
  }
}

bool FrustumCulling::PointInFrustum(float x, float y, float z) const {
  for (int k = 0; k < kPlaneCount; ++k) {
    if (distance(k, x, y, z) < 0.0f) return false;
  }
  return true;
}

bool FrustumCulling::SphereInFrustum(float x, float y, float z, float radius) const {
  for (int k = 0; k < kPlaneCount; ++k) {
    if (distance(k, x, y, z) < -radius) return false;
  }
  return true;
}

bool FrustumCulling::CubeInFrustum(float x, float y, float z, float halfSize) const {
  const float x0 = x - halfSize, x1 = x + halfSize;
  const float y0 = y - halfSize, y1 = y + halfSize;
  const float z0 = z - halfSize, z1 = z + halfSize;
  for (int k = 0; k < kPlaneCount; ++k) {
    if (distance(k, x0, y0, z0) > 0.0f) continue;
    if (distance(k, x1, y0, z0) > 0.0f) continue;
    if (distance(k, x0, y1, z0) > 0.0f) continue;
    if (distance(k, x1, y1, z0) > 0.0f) continue;
    if (distance(k, x0, y0, z1) > 0.0f) continue;
    if (distance(k, x1, y0, z1) > 0.0f) continue;
    if (distance(k, x0, y1, z1) > 0.0f) continue;
    if (distance(k, x1, y1, z1) > 0.0f) continue;
    return false;
  }
  return true;
}

}  // namespace qor
