// The look-at camera: moves along the view, strafes, turns about the up
// axis and about its own sideways axis.

#include "scene/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kTol = 1e-5f;

void expectVec(const float* v, float x, float y, float z, float tol = kTol) {
  EXPECT_NEAR(v[0], x, tol);
  EXPECT_NEAR(v[1], y, tol);
  EXPECT_NEAR(v[2], z, tol);
}

float distance(const float* a, const float* b) {
  const float dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

TEST(CameraTest, MoveAlongViewShiftsEyeAndTargetTogether) {
  qor::Camera cam;
  cam.step = 1.0f;
  cam.moveAlongView(1.0f);
  expectVec(cam.position, 0, 0, 1, 0);
  expectVec(cam.view, 0, 0, -1, 0);

  // Backwards by 0.25 along a tilted direction keeps the direction.
  cam.view[0] = 3.0f;
  cam.view[1] = 4.0f;
  cam.view[2] = 1.0f;  // direction (3, 4, 0), length 5
  cam.step = 0.25f;
  cam.moveAlongView(-1.0f);
  expectVec(cam.position, -0.15f, -0.2f, 1.0f);
  expectVec(cam.view, 2.85f, 3.8f, 1.0f);
  expectVec(cam.up, 0, 1, 0, 0);
}

TEST(CameraTest, TurnAroundUpNinetyTurnsLeft) {
  qor::Camera cam;
  cam.turnAroundUp(90.0f);
  expectVec(cam.view, -2.0f, 0.0f, 2.0f);
  expectVec(cam.position, 0, 0, 2, 0);

  // A full turn in four steps comes back; the distance never changes.
  for (int i = 0; i < 3; ++i) {
    cam.turnAroundUp(90.0f);
    EXPECT_NEAR(distance(cam.position, cam.view), 2.0f, kTol);
  }
  expectVec(cam.view, 0, 0, 0, 1e-5f);
}

TEST(CameraTest, TurnAroundSideNinetyLooksUpAndThenCannotStrafe) {
  qor::Camera cam;
  cam.turnAroundSide(90.0f);
  expectVec(cam.view, 0.0f, 2.0f, 2.0f);
  expectVec(cam.position, 0, 0, 2, 0);
  expectVec(cam.up, 0, 1, 0, 0);

  // Looking along `up`: the sideways vector is (nearly) zero, so a strafe
  // leaves both points where they are.
  cam.step = 1.0f;
  cam.strafeSideways(1.0f);
  expectVec(cam.strafe, 0, 0, 0, 1e-6f);
  expectVec(cam.position, 0, 0, 2, 1e-6f);
  expectVec(cam.view, 0, 2, 2, 1e-5f);
}

TEST(CameraTest, StrafeLeftAndRight) {
  qor::Camera cam;
  cam.step = 0.5f;
  cam.strafeSideways(-1.0f);
  expectVec(cam.strafe, 1, 0, 0, 0);
  expectVec(cam.position, -0.5f, 0, 2, 0);
  expectVec(cam.view, -0.5f, 0, 0, 0);

  cam.step = 2.0f;
  cam.strafeSideways(1.0f);
  expectVec(cam.position, 1.5f, 0, 2, 0);
  expectVec(cam.view, 1.5f, 0, 0, 0);
}

TEST(CameraTest, StrafeVectorIsNotRenormalised) {
  // Direction 45 degrees above the horizon: |d x up| = sin 45.
  qor::Camera cam;
  cam.view[1] = 2.0f;  // direction (0, 2, -2)
  cam.step = 1.0f;
  cam.strafeSideways(1.0f);
  const float s = std::sqrt(0.5f);
  expectVec(cam.strafe, s, 0, 0);
  expectVec(cam.position, s, 0, 2);
}

TEST(CameraTest, RotateViewFollowsTheRightHandRuleAndIgnoresAxisLength) {
  qor::Camera a;
  qor::Camera b;
  a.rotateView(90.0f, 1.0f, 0.0f, 0.0f);   // about +x: -z turns into +y
  b.rotateView(90.0f, 10.0f, 0.0f, 0.0f);  // same axis, not unit length
  expectVec(a.view, 0, 2, 2);
  expectVec(b.view, a.view[0], a.view[1], a.view[2]);

  qor::Camera c;
  c.rotateView(-90.0f, 0.0f, 1.0f, 0.0f);
  expectVec(c.view, 2, 0, 2);

  // Around an oblique axis the eye distance is kept.
  qor::Camera d;
  d.rotateView(33.0f, 1.0f, 2.0f, 3.0f);
  EXPECT_NEAR(distance(d.position, d.view), 2.0f, kTol);
}

}  // namespace
