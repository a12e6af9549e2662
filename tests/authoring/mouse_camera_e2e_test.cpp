// kelvo-scene's mouse camera as an author meets it under the test display:
// a scene without a camera, a red cube off the centre, a drag sent with
// xdotool, the last frame read back. (The wheel, the other buttons and a
// model file shown in place of a script: mouse_camera_test.)

#include "support/SceneRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using namespace kelvo::test;

// A red cube 0.3 across, 0.4 right of the origin, lit from the front left.
const char* const kScene =
    "print(\"ready\");\n"
    "scene = Group(Group(translate(-3, 0, 3), Light()), translate(0.4, 0, 0), scale(0.3, 0.3, 0.3), "
    "Model(\"cube.obj\"));\n";

TEST(MouseCameraEndToEnd, ADragTurnsTheViewAboutThePoint) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  // Untouched, the default camera's view: the cube right of the centre.
  SceneRun still(kScene);
  ASSERT_EQ(still.run("--frames 3 --screenshot before.png scene.txt"), 0) << still.err();
  const ColourSpot before = findColour(still.dir.file("before.png"), litRed);
  ASSERT_GT(before.count, 1000);
  EXPECT_GT(before.x, 400);
  EXPECT_NEAR(before.y, 240, 5);

  // Once the scene has loaded (its line printed), a drag of 225 pixels to
  // the right turns the eye a quarter round the origin to its left: in the
  // last frame, drawn as Escape quits, the cube stands straight ahead.
  SceneRun dragged(kScene);
  dragged.run("--screenshot after.png scene.txt", true, false);
  const unsigned long window = dragged.findWindow();
  ASSERT_TRUE(window && dragged.waitForOutput("ready\n")) << dragged.err();
  const std::string w = " --window " + std::to_string(window);
  runCommand("xdotool mousemove" + w + " 200 240 mousedown 1 mousemove" + w + " 425 240 mouseup 1 2>/dev/null");
  EXPECT_EQ(dragged.pressKeys(window, "Escape"), 0) << dragged.err();
  const ColourSpot turned = findColour(dragged.dir.file("after.png"), litRed);
  ASSERT_GT(turned.count, 500);
  EXPECT_NEAR(turned.x, 320, 10);
  EXPECT_NEAR(turned.y, 240, 10);
}

}  // namespace
