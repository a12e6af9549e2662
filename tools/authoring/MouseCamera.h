#pragma once
// kelvo-scene's mouse camera: an orbit about the point looked at. A left drag
// turns the eye around that point, the wheel moves it nearer or farther
// (never onto or through the point), a right or middle drag slides eye and
// point together across the view, Home goes back to the start. It shows the
// scene when the script makes no camera active, starting where the default
// camera stands; F6 lends it to a script's own camera, from that camera's
// eye and point, and F6 again gives the view back to the script's camera.
//
// The state lives here, not in the scene, so that the view stays where it is
// when the scene is loaded again.

#include "platform/Win32.h"
#include "scene/Renderer.h"

#include <cstdint>

namespace qor {
struct Scene;
}

namespace kelvo::authoring {

// Where an orbit camera stands: the point it looks at, its distance from the
// point, and two angles in degrees. Yaw turns about the world's y axis (0
// puts the eye on the +z side of the point, looking along -z; positive moves
// it towards +x); pitch lifts the eye above the point's horizontal plane.
struct Orbit {
  float target[3] = {0.0f, 0.0f, 0.0f};
  float distance = 2.0f;
  float yaw = 0.0f;
  float pitch = 0.0f;
};

// The pitch stays short of straight up or down, where the world's up vector
// would no longer say which way is up.
constexpr float kMaxPitch = 89.0f;
// The wheel stops this near to the point, and this far (unless the eye
// started farther off); the far plane of the projection is at 100.
constexpr float kMinDistance = 0.05f;
constexpr float kMaxDistance = 50.0f;
// A left drag across 900 pixels turns the eye once around.
constexpr float kDegreesPerPixel = 0.4f;
// One wheel notch away from the user brings the eye this much nearer.
constexpr float kDollyPerNotch = 0.85f;
// The vertical field of view of the renderer's projection.
constexpr float kFieldOfViewDegrees = 45.0f;

// The start: the default camera's eye (0, 0, 2) looking at the origin.
constexpr Orbit kStartOrbit{};

// The eye of an orbit.
void orbitEye(const Orbit& orbit, float eye[3]);
// The orbit whose eye and point are these, the pitch clamped. An eye on the
// point keeps the point and stands kMinDistance in front of it.
Orbit orbitFromLookAt(const float eye[3], const float target[3]);
// A left drag of (dx, dy) pixels (y grows downwards): the scene turns with
// the pointer, so the eye goes the other way round.
Orbit orbited(Orbit orbit, int32_t dx, int32_t dy);
// `notches` wheel notches, positive away from the user: nearer.
Orbit dollied(Orbit orbit, float notches);
// A pan drag of (dx, dy) pixels in a view `viewHeight` pixels high: eye and
// point move across the view so that the point under the pointer, at the
// orbit's distance, follows it.
Orbit panned(Orbit orbit, int32_t dx, int32_t dy, int32_t viewHeight);
// The view of an orbit, with the world's up vector.
qor::LookAt lookAtOf(const Orbit& orbit);

class MouseCamera {
public:
  // After every load of the scene: `defaultCamera` tells whether the loader
  // made the default camera (the script made none active). The orbit stays
  // where it was; a view lent to a script camera stays lent.
  void sceneLoaded(const qor::Scene& scene, bool defaultCamera);

  // kelvo-scene's own keys, outside the console: F6 lends or gives back,
  // Home goes back to the start. True when the key was one of them.
  bool takeKey(const qor::platform::MSG& msg, const qor::Scene& scene);

  // A mouse message, after the window procedure had it: `pressOnScene` is
  // false for a left press a GUI window took, which then drags nothing;
  // `viewHeight` is the window's height in pixels.
  void observe(const qor::platform::MSG& msg, bool pressOnScene, int32_t viewHeight);

  // Before each frame: points the renderer at this view while it shows the
  // scene, and leaves the scene's camera to it otherwise.
  void beforeFrame(const qor::Scene& scene, qor::RenderHooks& hooks);

  // Whether this camera shows the scene: the script has no camera of its
  // own, or has lent it.
  bool showing() const { return lent_ || !scriptCamera_; }
  bool lent() const { return lent_; }
  const Orbit& orbit() const { return orbit_; }
  const qor::LookAt& view() const { return view_; }

private:
  enum class Drag : uint8_t { None, Turn, Pan };
  void set(const Orbit& orbit);

  Orbit orbit_ = kStartOrbit;
  // Where Home goes: the start, or where the script's camera stood when it
  // was lent.
  Orbit home_ = kStartOrbit;
  qor::LookAt view_ = lookAtOf(kStartOrbit);
  // The loader's default camera of the scene shown, compared only (never
  // followed): when the scene's camera is another one, the script has made
  // a camera of its own active.
  const void* defaultCamera_ = nullptr;
  bool scriptCamera_ = false;
  bool lent_ = false;
  Drag drag_ = Drag::None;
  int32_t lastX_ = 0;
  int32_t lastY_ = 0;
};

}  // namespace kelvo::authoring
