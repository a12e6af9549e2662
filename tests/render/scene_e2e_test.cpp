// kelvo-scene as an author meets it under the test display (Xvfb): scene
// scripts with a red cube, screenshots read back, keys sent with xdotool.

#include "support/SceneRun.h"

#include <gtest/gtest.h>

namespace {

using namespace kelvo::test;

// A light 3 units before the origin, towards the default camera at (0, 0, 2).
const std::string kLight = "Group(translate(0, 0, 3), Light())";

// The saved screenshot's size as "WxH", then a letter per point (x, y from
// the top left): R red, B blue, M half red and half blue, K black, ? other.
std::string letters(const SceneRun& tool, std::initializer_list<std::pair<int, int>> points) {
  const Png image = tool.shot();
  std::string seen = std::to_string(image.width()) + "x" + std::to_string(image.height()) + " ";
  for (auto [x, y] : points) {
    const RGBQUAD q = image.at(x, y);
    const int r = q.rgbRed, g = q.rgbGreen, b = q.rgbBlue;
    const bool red = r > 180 && b < 40, blue = r < 40 && b > 120, mixed = r > 80 && r < 180 && b > 80;
    seen += r < 16 && g < 16 && b < 16 ? 'K' : g >= 40 ? '?' : red ? 'R' : blue ? 'B' : mixed ? 'M' : '?';
  }
  return seen;
}

// The cube's folder holds a half transparent blue "glass" material beside its red one.
const std::string kGlass = "newmtl glass\nKa 0 0 0\nKd 0 0 1\nKs 0 0 0\nd 0.5\n";

// An opaque red cube behind a smaller glass one, partly overlapping.
const std::string kGlassScene =
    "print(\"ready\");\nMaterial(\"cube.mtl\");\nfront = Model(\"cube.obj\");\n"
    "front.setMaterial(getMaterial(\"glass\"));\nscene = Group(" + kLight + ", Group(translate(0, 0, -1), "
    "Model(\"cube.obj\")),\n  Group(translate(0.3, 0, 0.5), scale(0.5, 0.5, 0.5), front));\n";

TEST(SceneToolTest, TranslucentMaterialBlendsOverTheOpaqueOneOnlyWithSceneBlend) {
  // Without the setting the translucent pass paints over what is behind.
  // Left of the glass the lit red cube, whose top edge stays below y = 100 at
  // the default camera's distance; black corners.
  SceneRun plain(kGlassScene, kGlass);
  ASSERT_EQ(plain.run("--frames 5 --screenshot shot.png scene.txt"), 0) << plain.err();
  EXPECT_EQ(plain.out().rfind("ready\n", 0), 0u) << plain.out();
  EXPECT_EQ(letters(plain, {{250, 240}, {420, 240}, {320, 100}, {2, 2}, {637, 2}, {2, 477}, {637, 477}}),
            "640x480 RBKKKKK");
  // With it the overlap is half red, half blue. Words after a setting, and
  // lines after "end", are ignored.
  SceneRun blended(kGlassScene, kGlass);
  blended.dir.write("Data/Scenes/Settings.txt", "sceneBlend extra words\nsceneCastShadows\nend\nsceneDontBlend\n");
  ASSERT_EQ(blended.run("--frames 5 --screenshot shot.png scene.txt"), 0) << blended.err();
  EXPECT_EQ(letters(blended, {{250, 240}, {420, 240}}), "640x480 RM");
}

// A cube that starts on the left; `mover` holds the calls that move it right.
std::string movingScene(const std::string& mover) {
  return "t = translate(-1, 0, 0);\ndef moveRight() {\n  t.setX(1);\n}\n" + mover + "scene = Group(" + kLight +
         ", t, scale(0.5, 0.5, 0.5), Model(\"cube.obj\"));\n";
}

TEST(SceneToolTest, OffscreenWithoutADisplayAScriptCameraATimerAndLocatedErrors) {
  // The script's camera, 1 farther back than the default one, stays. The
  // time-out moves the cube and ends the run after that frame. The broken
  // last line is reported as FILE:LINE.COLUMN; what came before still runs,
  // and the run ends with status 1.
  SceneRun tool("c = Camera();\nc.moveFordward(-1);\nc.setActive();\n" +
                movingScene("def done() {\n  moveRight();\n  exit();\n}\ndef idle() {\n  1 + 2;\n}\n"
                            "Timer(10, 50, idle(), done());\n") + "x = (1;\n");
  ASSERT_EQ(tool.run("--size 320x240 --screenshot shot.png scene.txt", false), 1) << tool.err();
  EXPECT_NE(tool.err().find("scene.txt:17.6: "), std::string::npos) << tool.err();
  EXPECT_EQ(letters(tool, {{60, 120}, {260, 120}}), "320x240 KR");
}

TEST(SceneToolTest, KeyPressReachesItsBindingAndEscapeQuits) {
  SceneRun tool(movingScene("setKeyFunc(\"M\", moveRight());\nsetKeyFunc(\"R\", reset());\n"));
  tool.run("--screenshot shot.png scene.txt", true, false);
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();
  // The reset loads the script again, bindings too.
  ASSERT_EQ(tool.pressKeys(window, "r m Escape"), 0) << tool.err();
  EXPECT_EQ(letters(tool, {{40, 240}, {600, 240}}), "640x480 KR");
}

TEST(SceneToolTest, BadOptionsAreUsageErrorsAMissingScriptIsNot) {
  // Usage text on standard error for status 2; a missing script shows a
  // scene, and a batch run then ends with status 1.
  for (auto [args, status, text] : {std::tuple{"--size 0x10 scene.txt", 2, "usage: kelvo-scene"},
                                    {"--frames 2", 2, "no FILE given"}, {"--help", 0, "--screenshot"},
                                    {"--memory-limit 0 scene.txt", 2, "--memory-limit wants"},
                                    {"--frames 1 missing.txt", 1, "missing.txt: cannot open missing.txt"}}) {
    SceneRun tool("");
    ASSERT_EQ(tool.run(args, false), status) << args;
    EXPECT_NE((status == 0 ? tool.out() : tool.err()).find(text), std::string::npos) << args;
  }
}

}  // namespace
