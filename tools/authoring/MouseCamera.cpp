#include "authoring/MouseCamera.h"

#include "platform/VirtualKeys.h"
#include "scene/Scene.h"

#include <algorithm>
#include <cmath>

namespace kelvo::authoring {

using namespace qor::platform;

namespace {

constexpr float kRadiansPerDegree = 3.14159265358979f / 180.0f;

float clampPitch(float pitch) { return std::clamp(pitch, -kMaxPitch, kMaxPitch); }

// Yaw kept within (-180, 180], so that long drags never lose precision.
float wrapYaw(float yaw) {
  yaw = std::fmod(yaw, 360.0f);
  if (yaw > 180.0f) yaw -= 360.0f;
  if (yaw <= -180.0f) yaw += 360.0f;
  return yaw;
}

bool finite3(const float v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

}  // namespace

void orbitEye(const Orbit& orbit, float eye[3]) {
  const float yaw = orbit.yaw * kRadiansPerDegree, pitch = orbit.pitch * kRadiansPerDegree;
  const float across = orbit.distance * std::cos(pitch);
  eye[0] = orbit.target[0] + across * std::sin(yaw);
  eye[1] = orbit.target[1] + orbit.distance * std::sin(pitch);
  eye[2] = orbit.target[2] + across * std::cos(yaw);
}

Orbit orbitFromLookAt(const float eye[3], const float target[3]) {
  // A camera gone non-finite (a script's turn about a zero axis) has no
  // place to take over from.
  if (!finite3(eye) || !finite3(target)) return kStartOrbit;
  Orbit orbit;
  std::copy(target, target + 3, orbit.target);
  const float v[3] = {eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
  const float distance = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (!(distance > 1e-6f)) {
    orbit.distance = kMinDistance;
    return orbit;
  }
  orbit.distance = distance;
  orbit.pitch = clampPitch(std::asin(std::clamp(v[1] / distance, -1.0f, 1.0f)) / kRadiansPerDegree);
  // Straight above or below the point the yaw is free: the eye's side is kept.
  orbit.yaw = (v[0] == 0.0f && v[2] == 0.0f) ? 0.0f : std::atan2(v[0], v[2]) / kRadiansPerDegree;
  return orbit;
}

Orbit orbited(Orbit orbit, int32_t dx, int32_t dy) {
  orbit.yaw = wrapYaw(orbit.yaw - static_cast<float>(dx) * kDegreesPerPixel);
  orbit.pitch = clampPitch(orbit.pitch + static_cast<float>(dy) * kDegreesPerPixel);
  return orbit;
}

Orbit dollied(Orbit orbit, float notches) {
  const float d = orbit.distance;
  const float moved = d * std::pow(kDollyPerNotch, notches);
  // Each limit holds only against moving past it: an eye that started
  // nearer or farther is not pulled across by a turn the other way.
  if (notches > 0.0f) orbit.distance = std::max(moved, std::min(d, kMinDistance));
  else if (notches < 0.0f) orbit.distance = std::min(moved, std::max(d, kMaxDistance));
  return orbit;
}

Orbit panned(Orbit orbit, int32_t dx, int32_t dy, int32_t viewHeight) {
  // The height the view spans at the point's distance, over its pixels.
  const float perPixel = 2.0f * orbit.distance * std::tan(kFieldOfViewDegrees * 0.5f * kRadiansPerDegree) /
                         static_cast<float>(std::max(viewHeight, 1));
  const float yaw = orbit.yaw * kRadiansPerDegree, pitch = orbit.pitch * kRadiansPerDegree;
  const float sy = std::sin(yaw), cy = std::cos(yaw), sp = std::sin(pitch), cp = std::cos(pitch);
  // The view's right and up directions.
  const float right[3] = {cy, 0.0f, -sy};
  const float up[3] = {-sy * sp, cp, -cy * sp};
  // The scene follows the pointer, so the camera goes the other way; screen
  // y grows downwards.
  const float across = -static_cast<float>(dx) * perPixel, upwards = static_cast<float>(dy) * perPixel;
  for (int i = 0; i < 3; ++i) orbit.target[i] += right[i] * across + up[i] * upwards;
  return orbit;
}

qor::LookAt lookAtOf(const Orbit& orbit) {
  qor::LookAt view{};
  orbitEye(orbit, view.eye);
  std::copy(orbit.target, orbit.target + 3, view.target);
  view.up[1] = 1.0f;
  return view;
}

void MouseCamera::set(const Orbit& orbit) {
  orbit_ = orbit;
  view_ = lookAtOf(orbit);
}

void MouseCamera::sceneLoaded(const qor::Scene& scene, bool defaultCamera) {
  defaultCamera_ = defaultCamera ? scene.camera.get() : nullptr;
  scriptCamera_ = !defaultCamera;
  // Nothing to lend any more: this camera shows the scene from where it is.
  if (!scriptCamera_ && lent_) {
    lent_ = false;
    home_ = kStartOrbit;
  }
  // A drag under way goes on: a reload on save may come in the middle of it.
}

bool MouseCamera::takeKey(const MSG& msg, const qor::Scene& scene) {
  if (msg.message != WM_KEYDOWN || (msg.wParam != VK_F6 && msg.wParam != VK_HOME)) return false;
  // A held key's repeats do nothing more (F6 would flip on every one).
  const bool repeat = (static_cast<uint32_t>(msg.lParam) & (1u << 30)) != 0;
  if (repeat) return true;
  if (msg.wParam == VK_HOME) {
    if (showing()) set(home_);
    return true;
  }
  if (!scriptCamera_ || !scene.camera) return true;
  lent_ = !lent_;
  drag_ = Drag::None;
  if (lent_) {
    home_ = orbitFromLookAt(scene.camera->position, scene.camera->view);
    set(home_);
  } else {
    home_ = kStartOrbit;
  }
  return true;
}

void MouseCamera::observe(const MSG& msg, bool pressOnScene, int32_t viewHeight) {
  const int32_t x = GET_X_LPARAM(msg.lParam), y = GET_Y_LPARAM(msg.lParam);
  switch (msg.message) {
    case WM_LBUTTONDOWN:
      if (!pressOnScene) return;
      drag_ = Drag::Turn;
      break;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      drag_ = Drag::Pan;
      break;
    case WM_LBUTTONUP:
      if (drag_ == Drag::Turn) drag_ = Drag::None;
      return;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      // The other pan button may still be held.
      if (drag_ == Drag::Pan && !(msg.wParam & (MK_RBUTTON | MK_MBUTTON))) drag_ = Drag::None;
      return;
    case WM_MOUSEMOVE: {
      // A release the window never saw (the pointer let go elsewhere) ends
      // the drag at the next move.
      const WPARAM held = drag_ == Drag::Turn ? MK_LBUTTON : MK_RBUTTON | MK_MBUTTON;
      if (drag_ == Drag::None) return;
      if (!(msg.wParam & held)) {
        drag_ = Drag::None;
        return;
      }
      if (showing()) {
        if (drag_ == Drag::Turn) set(orbited(orbit_, x - lastX_, y - lastY_));
        else set(panned(orbit_, x - lastX_, y - lastY_, viewHeight));
      }
      break;
    }
    case WM_MOUSEWHEEL:
      if (showing())
        set(dollied(orbit_, static_cast<float>(GET_WHEEL_DELTA_WPARAM(msg.wParam)) / static_cast<float>(WHEEL_DELTA)));
      return;
    default:
      return;
  }
  lastX_ = x;
  lastY_ = y;
}

void MouseCamera::beforeFrame(const qor::Scene& scene, qor::RenderHooks& hooks) {
  // The script made a camera of its own active after the load (from a key
  // binding, a timer): from now on that camera shows the scene.
  if (!scriptCamera_ && scene.camera.get() != defaultCamera_) scriptCamera_ = true;
  hooks.view = showing() ? &view_ : nullptr;
}

}  // namespace kelvo::authoring
