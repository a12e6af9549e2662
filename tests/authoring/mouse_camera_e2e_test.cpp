// kelvo-scene's mouse camera as an author meets it under the test display:
// a scene without a camera, a red cube off the centre, a drag and the wheel
// sent with xdotool, the last frame read back; and a model file shown in
// place of a script.

#include "support/SceneRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

namespace {

using namespace kelvo::test;

// A red cube 0.3 across, 0.4 right of the origin, lit from the front left.
const char* const kScene =
    "print(\"ready\");\n"
    "scene = Group(Group(translate(-3, 0, 3), Light()), translate(0.4, 0, 0), scale(0.3, 0.3, 0.3), "
    "Model(\"cube.obj\"));\n";

struct MouseRun : SceneRun {
  MouseRun() : SceneRun(kScene) {}
  // Sends the xdotool `actions` to the window once the scene has loaded (its
  // line printed), then Escape until it quits; the last frame drawn is saved.
  ColourSpot drive(const std::string& actions, const char* shot) {
    run(std::string("--screenshot ") + shot + " scene.txt", true, false);
    const unsigned long window = findWindow();
    EXPECT_TRUE(window && waitForOutput("ready\n")) << err();
    if (!window) return {};
    const std::string w = std::to_string(window);
    runCommand("xdotool " + std::regex_replace(actions, std::regex("WINDOW"), w) + " 2>/dev/null");
    EXPECT_EQ(pressKeys(window, "Escape"), 0) << err();
    return findColour(dir.file(shot), litRed);
  }
};

TEST(MouseCameraEndToEnd, ADragTurnsTheViewAboutThePointAndTheWheelComesNearer) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  // Untouched, the default camera's view: the cube right of the centre.
  MouseRun still;
  ASSERT_EQ(still.run("--frames 3 --screenshot before.png scene.txt"), 0) << still.err();
  const ColourSpot before = findColour(still.dir.file("before.png"), litRed);
  ASSERT_GT(before.count, 1000);
  EXPECT_GT(before.x, 400);
  EXPECT_NEAR(before.y, 240, 5);

  // A drag of 225 pixels to the right turns the eye a quarter round the
  // origin to its left: the cube now stands straight ahead.
  MouseRun dragged;
  const ColourSpot turned = dragged.drive(
      "mousemove --window WINDOW 200 240 mousedown 1 mousemove --window WINDOW 425 240 mouseup 1", "after.png");
  ASSERT_GT(turned.count, 500);
  EXPECT_NEAR(turned.x, 320, 10);
  EXPECT_NEAR(turned.y, 240, 10);

  // Two notches of the wheel away from the user (button 4) bring the eye
  // nearer: the cube is drawn larger, and farther from the centre.
  MouseRun wheeled;
  const ColourSpot nearer = wheeled.drive("mousemove --window WINDOW 320 240 click 4 click 4", "after.png");
  EXPECT_GT(nearer.count, before.count * 3 / 2);
  EXPECT_GT(nearer.x, before.x);
}

TEST(MouseCameraEndToEnd, AModelFileIsShownInPlaceOfAScript) {
  // Its red material, lit, in the middle of the view; a model that cannot be
  // read is refused by name.
  for (auto [file, status] : {std::pair{"cube.obj", 0}, {"missing.obj", 1}}) {
    MouseRun tool;
    ASSERT_EQ(tool.run("--frames 5 --screenshot shot.png " + std::string(file), false), status) << file << tool.err();
    if (status != 0) {
      EXPECT_EQ(tool.err().rfind("kelvo-scene: cannot open the model missing.obj: ", 0), 0u) << tool.err();
      continue;
    }
    EXPECT_EQ(tool.err(), "");
    const ColourSpot cube = findColour(tool.dir.file("shot.png"), litRed);
    EXPECT_GT(cube.count, 20000);
    EXPECT_NEAR(cube.x, 320, 20);
    EXPECT_NEAR(cube.y, 240, 20);
  }
}

}  // namespace
