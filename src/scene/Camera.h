#pragma once
// Look-at camera: an eye, the point it looks at and an up vector, handed to
// gluLookAt once per frame. It moves by shifting eye and look-at point
// together and turns by rotating the look-at point about the eye.
//
// All arithmetic is single precision. Nothing is checked: when `view`
// equals `position`, or a rotation axis is zero, the vectors become
// non-finite; callers keep the look-at point away from the eye.

#include "base/memory/IMMObject.h"

#include <cstddef>

namespace qor {

class Camera : public IMMObject {
public:
  Camera() = default;
  std::size_t size() const override { return sizeof(*this); }

  // Moves eye and look-at point by `step` along the viewing direction;
  // sign +1 goes forward, -1 backward.
  void moveAlongView(float sign);

  // Moves eye and look-at point by `step` along direction x up (stored in
  // `strafe`, not normalised again); sign +1 goes right, -1 left.
  void strafeSideways(float sign);

  // Rotates the look-at point about the eye by `angle` degrees about the
  // axis (x, y, z), right-hand rule. The eye-to-target distance stays.
  void rotateView(float angle, float x, float y, float z);

  // Turns about the world's y axis: positive turns left (seen from above,
  // counter-clockwise).
  void turnAroundUp(float angle);

  // Turns about the camera's own sideways axis: positive lifts the view.
  void turnAroundSide(float angle);

  float position[3] = {0.0f, 0.0f, 2.0f};
  float view[3] = {0.0f, 0.0f, 0.0f};
  float up[3] = {0.0f, 1.0f, 0.0f};
  float strafe[3] = {0.0f, 0.0f, 0.0f};
  // Distance of the move being made; set by the caller before each move.
  float step = 0.0f;
};

}  // namespace qor
