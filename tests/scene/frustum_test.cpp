// Frustum planes from a projection x model-view product and the point,
// cube and sphere tests against them.

#include "scene/FrustumCulling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using qor::FrustumCulling;

// Column-major matrices, as GL stores them.
struct Mat {
  float m[16];
};

Mat identity() {
  return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

// glOrtho(l, r, b, t, n, f).
Mat ortho(float l, float r, float b, float t, float n, float f) {
  Mat o = identity();
  o.m[0] = 2.0f / (r - l);
  o.m[5] = 2.0f / (t - b);
  o.m[10] = -2.0f / (f - n);
  o.m[12] = -(r + l) / (r - l);
  o.m[13] = -(t + b) / (t - b);
  o.m[14] = -(f + n) / (f - n);
  return o;
}

Mat translate(float x, float y, float z) {
  Mat t = identity();
  t.m[12] = x;
  t.m[13] = y;
  t.m[14] = z;
  return t;
}

// gluPerspective(fovy, aspect, near, far).
Mat perspective(double fovy, double aspect, double n, double f) {
  const double cot = 1.0 / std::tan(fovy * 3.14159265358979 / 360.0);
  Mat p{};
  p.m[0] = static_cast<float>(cot / aspect);
  p.m[5] = static_cast<float>(cot);
  p.m[10] = static_cast<float>(-(f + n) / (f - n));
  p.m[11] = -1.0f;
  p.m[14] = static_cast<float>(-2.0 * f * n / (f - n));
  return p;
}

FrustumCulling unitOrtho() {
  FrustumCulling cull;
  const Mat a = ortho(-1, 1, -1, 1, -1, 1);
  const Mat b = identity();
  cull.CalculateFrustum(a.m, b.m);
  return cull;
}

TEST(FrustumTest, PointOnAPlaneIsInsideAndJustBeyondIsOutside) {
  const FrustumCulling cull = unitOrtho();
  EXPECT_TRUE(cull.PointInFrustum(0, 0, 0));
  EXPECT_TRUE(cull.PointInFrustum(1, 0, 0));
  EXPECT_FALSE(cull.PointInFrustum(1.0001f, 0, 0));
  // Every face of the box, both sides.
  EXPECT_TRUE(cull.PointInFrustum(-1, 1, -1));
  EXPECT_FALSE(cull.PointInFrustum(-1.0001f, 0, 0));
  EXPECT_FALSE(cull.PointInFrustum(0, 1.0001f, 0));
  EXPECT_FALSE(cull.PointInFrustum(0, -1.0001f, 0));
  EXPECT_FALSE(cull.PointInFrustum(0, 0, 1.0001f));
  EXPECT_FALSE(cull.PointInFrustum(0, 0, -1.0001f));
}

TEST(FrustumTest, TouchingCubeIsCulledButTouchingSphereIsNot) {
  const FrustumCulling cull = unitOrtho();
  EXPECT_FALSE(cull.CubeInFrustum(1.5f, 0, 0, 0.5f));
  EXPECT_TRUE(cull.SphereInFrustum(1.5f, 0, 0, 0.5f));
  EXPECT_FALSE(cull.SphereInFrustum(1.5001f, 0, 0, 0.5f));
  // A cube poking in by a little passes; one fully inside passes.
  EXPECT_TRUE(cull.CubeInFrustum(1.49f, 0, 0, 0.5f));
  EXPECT_TRUE(cull.CubeInFrustum(0, 0, 0, 0.5f));
  // A cube larger than the whole box still has corners on the inner side.
  EXPECT_TRUE(cull.CubeInFrustum(0, 0, 0, 10.0f));
  EXPECT_FALSE(cull.CubeInFrustum(0, -3, 0, 0.5f));
  EXPECT_FALSE(cull.CubeInFrustum(0, 0, 3, 0.5f));
}

TEST(FrustumTest, PlanesAreStoredInOrderAndNormalised) {
  FrustumCulling cull;
  const Mat a = ortho(-2, 2, -4, 4, 1, 3);
  const Mat b = identity();
  cull.CalculateFrustum(a.m, b.m);
  // right, left, bottom, top, far, near; distances in world units.
  const float expected[6][4] = {
      {-1, 0, 0, 2}, {1, 0, 0, 2}, {0, 1, 0, 4}, {0, -1, 0, 4}, {0, 0, 1, 3}, {0, 0, -1, -1},
  };
  for (int k = 0; k < 6; ++k) {
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(cull.plane(k)[i], expected[k][i], 1e-6f) << "plane " << k << " component " << i;
    }
  }
}

TEST(FrustumTest, ProductIsProjectionTimesModelView) {
  // A halves x, B moves by 3: A x B maps local -1 to 1 (on the plane),
  // B x A would map it to 2.5 (outside).
  FrustumCulling cull;
  const Mat a = ortho(-2, 2, -2, 2, -2, 2);
  const Mat b = translate(3, 0, 0);
  cull.CalculateFrustum(a.m, b.m);
  EXPECT_TRUE(cull.PointInFrustum(-1, 0, 0));
  EXPECT_TRUE(cull.PointInFrustum(-5, 0, 0));
  EXPECT_FALSE(cull.PointInFrustum(0, 0, 0));
}

TEST(FrustumTest, PerspectiveSeesAheadOnly) {
  FrustumCulling cull;
  const Mat p = perspective(45.0, 4.0 / 3.0, 0.01f, 100.0);
  const Mat camera = translate(0, 0, -2);  // eye at +2 looking down -z
  cull.CalculateFrustum(p.m, camera.m);
  EXPECT_TRUE(cull.CubeInFrustum(0, 0, 0, 0.5f));
  EXPECT_FALSE(cull.CubeInFrustum(0, 0, 5, 0.5f));     // behind the eye
  EXPECT_FALSE(cull.CubeInFrustum(0, 0, -200, 0.5f));  // beyond far
  EXPECT_FALSE(cull.CubeInFrustum(10, 0, 0, 0.5f));    // off to the right
  EXPECT_TRUE(cull.SphereInFrustum(0, 0, -50, 1.0f));
  EXPECT_FALSE(cull.PointInFrustum(0, 0, 1.995f));     // closer than near
}

TEST(FrustumTest, NonFinitePlanePassesPointAndSphereButRejectsCube) {
  // Row 0 of the product is zero: the right and left planes become
  // (0, 0, 0, 1) / 0, whose distances are not numbers.
  FrustumCulling cull;
  Mat a = identity();
  a.m[0] = 0.0f;
  const Mat b = identity();
  cull.CalculateFrustum(a.m, b.m);
  EXPECT_FALSE(std::isfinite(cull.plane(FrustumCulling::kRight)[0]));
  EXPECT_TRUE(cull.PointInFrustum(0, 0, 0));
  EXPECT_TRUE(cull.PointInFrustum(1000, 0, 0));
  EXPECT_TRUE(cull.SphereInFrustum(0, 0, 0, 0.5f));
  EXPECT_FALSE(cull.CubeInFrustum(0, 0, 0, 0.5f));
  // Finite planes still reject.
  EXPECT_FALSE(cull.PointInFrustum(0, 2, 0));

  // A NaN point behaves the same way.
  const FrustumCulling unit = unitOrtho();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(unit.PointInFrustum(nan, 0, 0));
  EXPECT_FALSE(unit.CubeInFrustum(nan, 0, 0, 0.5f));
}

}  // namespace
