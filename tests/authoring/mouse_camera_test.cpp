// kelvo-scene's mouse camera without a window: the orbit arithmetic, the
// messages it follows and when it shows the scene; and the script it writes
// to show a model file, read back by the real scanner and parser.

#include "authoring/ModelView.h"
#include "authoring/MouseCamera.h"

#include "platform/VirtualKeys.h"
#include "scene/Scene.h"
#include "script/SceneDriver.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

namespace {

using namespace kelvo::authoring;
using namespace qor::platform;

constexpr float kNear = 1e-4f;
// The height the view spans per pixel at distance 2 in a 480-pixel window.
const float kPanUnit = 2.0f * 2.0f * std::tan(22.5f * 3.14159265f / 180.0f) / 480.0f;

void expectNear3(const float* got, const float* want, const char* what) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], kNear) << what << " [" << i << "]";
}
void expectOrbit(const Orbit& got, const Orbit& want, const char* what) {
  expectNear3(got.target, want.target, what);
  EXPECT_NEAR(got.distance, want.distance, kNear) << what;
  EXPECT_NEAR(got.yaw, want.yaw, 1e-3f) << what;
  EXPECT_NEAR(got.pitch, want.pitch, 1e-3f) << what;
}

TEST(OrbitMath, EyesOfOrbitsAndOrbitsOfEyes) {
  // The eye of each orbit, which gives the orbit back; below the line, eyes
  // an orbit cannot reach exactly: straight above or below, on the point,
  // non-finite.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    Orbit orbit;
    float eye[3];
  } cases[] = {{kStartOrbit, {0, 0, 2}}, {{{0, 0, 0}, 2, 90, 0}, {2, 0, 0}}, {{{0, 0, 0}, 2, 0, 30}, {0, 1, std::sqrt(3.0f)}},
               {{{1, 2, 3}, 1, -90, 0}, {0, 2, 3}}, {{{0, 0, 0}, 5, 0, kMaxPitch}, {0, 5, 0}},
               {{{0, 0, 0}, 1, 0, -kMaxPitch}, {0, -1, 0}}, {{{1, 1, 1}, kMinDistance, 0, 0}, {1, 1, 1}},
               {kStartOrbit, {nan, 0, 0}}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Orbit& o = cases[i].orbit;
    float eye[3];
    orbitEye(o, eye);
    if (i < 4) expectNear3(eye, cases[i].eye, "eye");
    expectOrbit(orbitFromLookAt(cases[i].eye, o.target), o, "back");
  }
}

TEST(OrbitMath, TurnsDolliesAndPans) {
  enum Op { Turn, Dolly, Pan };
  const struct {
    const char* what;
    Orbit from;
    Op op;
    float a, b;  // turn and pan: pixels dx, dy; dolly: notches
    Orbit want;
  } cases[] = {
      // The scene follows the pointer: a drag to the right takes the eye left round the point.
      {"drag right", kStartOrbit, Turn, 225, 0, {{0, 0, 0}, 2, -90, 0}},
      {"drag down looks from above", kStartOrbit, Turn, 0, 50, {{0, 0, 0}, 2, 0, 20}},
      {"the pitch stops short of the top", kStartOrbit, Turn, 0, 1000, {{0, 0, 0}, 2, 0, kMaxPitch}},
      {"the yaw wraps", {{0, 0, 0}, 2, 170, 0}, Turn, -50, 0, {{0, 0, 0}, 2, -170, 0}},
      {"a notch away from the user comes nearer", kStartOrbit, Dolly, 1, 0, {{0, 0, 0}, 1.7f, 0, 0}},
      {"never onto the point", kStartOrbit, Dolly, 100, 0, {{0, 0, 0}, kMinDistance, 0, 0}},
      {"nor past the far limit", kStartOrbit, Dolly, -100, 0, {{0, 0, 0}, kMaxDistance, 0, 0}},
      {"an eye farther out is not pulled in by going back", {{0, 0, 0}, 80, 0, 0}, Dolly, -1, 0, {{0, 0, 0}, 80, 0, 0}},
      {"an eye nearer in is not pushed out by coming on", {{0, 0, 0}, 0.01f, 0, 0}, Dolly, 1, 0, {{0, 0, 0}, 0.01f, 0, 0}},
      {"pan right slides the point left", kStartOrbit, Pan, 100, 0, {{-100 * kPanUnit, 0, 0}, 2, 0, 0}},
      {"pan down slides it up", kStartOrbit, Pan, 0, 100, {{0, 100 * kPanUnit, 0}, 2, 0, 0}},
      {"across a turned view", {{0, 0, 0}, 2, 90, 0}, Pan, 100, 0, {{0, 0, 100 * kPanUnit}, 2, 90, 0}},
      {"up a view from above", {{0, 0, 0}, 2, 0, 90 - 1e-3f}, Pan, 0, 100, {{0, 0, -100 * kPanUnit}, 2, 0, 90 - 1e-3f}},
      {"farther off, farther per pixel", {{0, 0, 0}, 4, 0, 0}, Pan, 50, 0, {{-100 * kPanUnit, 0, 0}, 4, 0, 0}},
  };
  for (const auto& c : cases) {
    const int32_t dx = static_cast<int32_t>(c.a), dy = static_cast<int32_t>(c.b);
    const Orbit got = c.op == Turn ? orbited(c.from, dx, dy) : c.op == Dolly ? dollied(c.from, c.a) : panned(c.from, dx, dy, 480);
    expectOrbit(got, c.want, c.what);
  }
}

// A message as the window procedure gets it; `onScene` false: a GUI window
// took the left press.
struct Step {
  UINT message;
  WPARAM wParam = 0;
  int32_t x = 0, y = 0;
  bool onScene = true;
};
Step wheel(int notches) { return {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<uint16_t>(notches * WHEEL_DELTA))}; }
// A key press; a repeat has lParam bit 30 set.
Step key(WPARAM vk, bool repeat = false) { return {WM_KEYDOWN, vk, 0, repeat ? 0x4000 : 0}; }

class MouseCameraTest : public ::testing::Test {
protected:
  // Each step goes through the main loop's calls: the keys first, then the
  // message, then a frame.
  void run(std::initializer_list<Step> steps) {
    for (const Step& s : steps) {
      MSG msg{nullptr, s.message, s.wParam, MAKELPARAM(static_cast<uint32_t>(s.x), static_cast<uint32_t>(s.y))};
      if (!camera.takeKey(msg, scene)) camera.observe(msg, s.onScene, 480);
      camera.beforeFrame(scene, hooks);
    }
  }
  // A load with the script's camera at `eye` looking at `target`, or the default one.
  void load(bool scriptCamera, std::initializer_list<float> eye = {0, 0, 2}, std::initializer_list<float> target = {0, 0, 0}) {
    scene.camera = qor::makeShared<qor::Camera>();
    std::copy(eye.begin(), eye.end(), scene.camera->position);
    std::copy(target.begin(), target.end(), scene.camera->view);
    camera.sceneLoaded(scene, !scriptCamera);
    camera.beforeFrame(scene, hooks);
  }
  // The orbit, and the renderer looking through it.
  void expectShown(const Orbit& want, const char* what) {
    expectOrbit(camera.orbit(), want, what);
    ASSERT_EQ(hooks.view, &camera.view()) << what;
    float eye[3];
    orbitEye(want, eye);
    expectNear3(hooks.view->eye, eye, what);
  }
  void TearDown() override { scene.camera = nullptr; }

  qor::Scene scene;
  qor::RenderHooks hooks;
  MouseCamera camera;
};

TEST_F(MouseCameraTest, DragsAndTheWheelMoveTheViewOfAScriptWithoutCamera) {
  load(false);
  const struct {
    const char* what;
    std::initializer_list<Step> steps;
    Orbit want;
  } cases[] = {
      {"a left drag turns", {{WM_LBUTTONDOWN, MK_LBUTTON, 100, 100}, {WM_MOUSEMOVE, MK_LBUTTON, 325, 150}, {WM_LBUTTONUP}},
       {{0, 0, 0}, 2, -90, 20}},
      {"moves without a button do nothing", {{WM_MOUSEMOVE, 0, 10, 10}, {WM_MOUSEMOVE, 0, 300, 300}}, {{0, 0, 0}, 2, -90, 20}},
      {"Home goes back to the start", {key(VK_HOME)}, kStartOrbit},
      {"a press a GUI window took drags nothing",
       {{WM_LBUTTONDOWN, MK_LBUTTON, 100, 100, false}, {WM_MOUSEMOVE, MK_LBUTTON, 325, 100}, {WM_LBUTTONUP}}, kStartOrbit},
      {"a release never seen ends the drag at the next move",
       {{WM_LBUTTONDOWN, MK_LBUTTON, 0, 0}, {WM_MOUSEMOVE, MK_LBUTTON, 25, 0}, {WM_MOUSEMOVE, 0, 250, 0},
        {WM_MOUSEMOVE, MK_LBUTTON, 500, 0}},
       {{0, 0, 0}, 2, -10, 0}},
      {"the wheel comes nearer and goes back", {key(VK_HOME), wheel(2), wheel(-1)}, {{0, 0, 0}, 1.7f, 0, 0}},
      {"right and middle drags pan, while either is held",
       {key(VK_HOME), {WM_RBUTTONDOWN, MK_RBUTTON, 0, 0}, {WM_MBUTTONDOWN, MK_RBUTTON | MK_MBUTTON, 0, 0},
        {WM_MOUSEMOVE, MK_RBUTTON | MK_MBUTTON, 100, 0}, {WM_RBUTTONUP, MK_MBUTTON}, {WM_MOUSEMOVE, MK_MBUTTON, 100, 100},
        {WM_MBUTTONUP}, {WM_MOUSEMOVE, 0, 500, 500}},
       {{-100 * kPanUnit, 100 * kPanUnit, 0}, 2, 0, 0}},
  };
  for (const auto& c : cases) {
    run(c.steps);
    expectShown(c.want, c.what);
  }
  // A new load keeps the view where it is.
  load(false);
  expectShown({{-100 * kPanUnit, 100 * kPanUnit, 0}, 2, 0, 0}, "after a load");
  EXPECT_FALSE(camera.lent());
}

TEST_F(MouseCameraTest, F6LendsItToAScriptCameraWhichOtherwiseShowsTheScene) {
  load(true, {3, 0, 0}, {1, 0, 0});
  // The script's camera shows the scene, and the mouse leaves it alone.
  run({{WM_LBUTTONDOWN, MK_LBUTTON, 0, 0}, {WM_MOUSEMOVE, MK_LBUTTON, 100, 0}, {WM_LBUTTONUP}, wheel(3), key(VK_HOME)});
  EXPECT_EQ(hooks.view, nullptr);
  // Lent, it starts where the script's camera stands (a held F6 does not
  // flip back), turns without moving that camera, and Home goes back there.
  run({key(VK_F6), key(VK_F6, true), {WM_LBUTTONDOWN, MK_LBUTTON, 0, 0}, {WM_MOUSEMOVE, MK_LBUTTON, 225, 0}});
  expectShown({{1, 0, 0}, 2, 0, 0}, "lent and turned");
  EXPECT_EQ(scene.camera->position[0], 3.0f);
  run({key(VK_HOME), wheel(1)});
  // A load keeps it lent and where it is; F6 gives the view back.
  load(true);
  expectShown({{1, 0, 0}, 1.7f, 90, 0}, "after a load");
  run({key(VK_F6)});
  EXPECT_EQ(hooks.view, nullptr);
  // A load without a script camera gives the view to the mouse again;
  // a camera the script makes active later takes it back.
  load(false);
  expectShown({{1, 0, 0}, 1.7f, 90, 0}, "no script camera");
  scene.camera = qor::makeShared<qor::Camera>();
  run({{WM_MOUSEMOVE}, wheel(1)});
  EXPECT_EQ(hooks.view, nullptr);
  EXPECT_NEAR(camera.orbit().distance, 1.7f, kNear);
  EXPECT_FALSE(camera.takeKey(MSG{nullptr, WM_KEYDOWN, 'A', 0}, scene));
}

TEST(ModelViewTest, ModelsByTheirExtensionNamesQuotedAsTheScannerReadsThem) {
  for (auto [path, model] : {std::pair{"cube.obj", true}, {"dir/CUBE.OBJ", true}, {"a.b/Cube.Obj", true},
                             {"scene.ks", false}, {"obj", false}, {"dir.obj/scene", false}, {"cube.obj.txt", false}})
    EXPECT_EQ(isModelFile(path), model) << path;
  // What the scanner makes of the literal is the name itself, backslashes
  // and the other quote included; names it cannot hold are refused.
  for (const char* name : {"cube.obj", "it's.obj", "say \"hi\".obj", "back\\slash.obj", "a\\\"b.obj", "two\nlines.obj"}) {
    const std::optional<std::string> literal = quoteScriptString(name);
    ASSERT_TRUE(literal) << name;
    qor::SceneDriver driver;
    const std::vector<qor::ScannedToken> tokens = driver.scanText("t.ks", *literal + ";");
    ASSERT_EQ(tokens.size(), 2u) << *literal;
    EXPECT_EQ(tokens[0].name, "string");
    EXPECT_EQ(tokens[0].text, name);
  }
  for (const char* name : {"both'\".obj", "ends in\\"}) EXPECT_FALSE(quoteScriptString(name)) << name;
}

TEST(ModelViewTest, TheScriptParsesAndNamesTheModelBesideItself) {
  kelvo::test::TempDir dir;
  std::string script, error;
  const std::string both = dir.write("it's a \"model\".obj", "v 0 0 0\n");
  EXPECT_FALSE(modelViewScript(both, script, error));
  EXPECT_EQ(error.rfind("cannot show the model " + both + ": ", 0), 0u) << error;
  const std::string path = dir.write("sub/it's.obj", "v 0 0 0\n");
  ASSERT_TRUE(modelViewScript(path, script, error)) << error;
  qor::SceneDriver driver;
  EXPECT_TRUE(driver.parseText(path, script));
  EXPECT_NE(script.find("Model(\"it's.obj\")"), std::string::npos) << script;
}

}  // namespace
