#include "scene/Camera.h"

#include <cmath>

namespace qor {

namespace {

void normalise(float v[3]) {
  const float inv = 1.0f / std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  v[0] *= inv;
  v[1] *= inv;
  v[2] *= inv;
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// Quaternion (x, y, z, w), Hamilton product.
struct Quat {
  float x, y, z, w;
};

Quat mul(const Quat& a, const Quat& b) {
  return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
          a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

}  // namespace

void Camera::moveAlongView(float sign) {
  float d[3] = {view[0] - position[0], view[1] - position[1], view[2] - position[2]};
  normalise(d);
  const float amount = step * sign;
  for (int i = 0; i < 3; ++i) {
    const float offset = d[i] * amount;
    position[i] += offset;
    view[i] += offset;
  }
}

void Camera::strafeSideways(float sign) {
  float d[3] = {view[0] - position[0], view[1] - position[1], view[2] - position[2]};
  normalise(d);
  cross(d, up, strafe);
  const float amount = step * sign;
  for (int i = 0; i < 3; ++i) {
    const float offset = strafe[i] * amount;
    position[i] += offset;
    view[i] += offset;
  }
}

void Camera::rotateView(float angle, float x, float y, float z) {
  float axis[3] = {x, y, z};
  normalise(axis);
  const float h = angle / 180.0f * 3.141592654f * 0.5f;
  const float s = std::sin(h);
  const Quat q{axis[0] * s, axis[1] * s, axis[2] * s, std::cos(h)};
  const Quat conj{-q.x, -q.y, -q.z, q.w};
  const Quat v{view[0] - position[0], view[1] - position[1], view[2] - position[2], 0.0f};
  const Quat r = mul(mul(q, v), conj);
  view[0] = position[0] + r.x;
  view[1] = position[1] + r.y;
  view[2] = position[2] + r.z;
}

void Camera::turnAroundUp(float angle) { rotateView(angle, 0.0f, 1.0f, 0.0f); }

void Camera::turnAroundSide(float angle) {
  const float d[3] = {view[0] - position[0], view[1] - position[1], view[2] - position[2]};
  float axis[3];
  cross(d, up, axis);
  normalise(axis);
  rotateView(angle, axis[0], axis[1], axis[2]);
}

}  // namespace qor
