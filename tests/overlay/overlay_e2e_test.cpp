// kelvo-scene's panel and boxes in its screenshots under the test display:
// a broken script's messages over the scene, the help and statistics
// boxes with F1 and F11 typed, a reload that comes clean.

#include "support/SceneRun.h"

#include "authoring/MessagePanel.h"
#include "authoring/SceneOverlays.h"

#include <gtest/gtest.h>

namespace {

using namespace kelvo::test;
using kelvo::authoring::Colour;

// A lit red cube in the middle of the window.
const std::string kScene =
    "Material(\"cube.mtl\");\nscene = Group(Group(translate(0, 0, 3), Light()), Model(\"cube.obj\"));\n";
// The same with a warning (line 3) and a syntax error (line 4) after it.
const std::string kBroken = kScene + "m = Model(\"missing.obj\");\nx = (1;\n";

// The screenshot's colour at (x, y) from the top left, and how many pixels of
// exactly `c` lie in the rectangle [x0, x1) × [y0, y1).
struct Shot : Png {
  using Png::Png;
  Colour at(int x, int y) const {
    const RGBQUAD q = Png::at(x, y);
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
  }
  int count(Colour c, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const Colour p = at(x, y);
        n += p.r == c.r && p.g == c.g && p.b == c.b;
      }
    return n;
  }
  bool red(int x, int y) const { return at(x, y).r > 120 && at(x, y).g < 40 && at(x, y).b < 40; }
};

bool is(Colour a, Colour b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

using kelvo::authoring::kBoxBackground;
using kelvo::authoring::kErrorText;
using kelvo::authoring::kPanelBackground;
using kelvo::authoring::kWarningText;

TEST(OverlayToolTest, ABrokenScriptsMessagesLieOverTheSceneAlongTheBottom) {
  SceneRun tool(kBroken);
  ASSERT_EQ(tool.run("--frames 5 --screenshot shot.png scene.txt"), 1) << tool.err();
  // Standard error as before: each message once.
  EXPECT_EQ(tool.err(), "scene.txt:4.6: syntax error, unexpected ;, expecting )\n"
                        "scene.txt:3.4: warning: cannot open model \"missing.obj\": no such file\n");
  const Shot shot(tool.dir.file("shot.png"));
  ASSERT_TRUE(shot);
  // Both messages are longer than the 51 columns of a 640 pixel window, so
  // each wraps into two rows at twice the font size: 8 pixels from the edges,
  // 4 × 22 + 12 high, so from y 372 to 472, across the window.
  EXPECT_TRUE(is(shot.at(8, 372), kPanelBackground));
  EXPECT_TRUE(is(shot.at(631, 471), kPanelBackground));
  EXPECT_FALSE(is(shot.at(8, 371), kPanelBackground));
  EXPECT_GT(shot.count(kErrorText, 8, 372, 632, 422), 100);
  // The warning's rows start at y 422, below the error's descenders.
  EXPECT_GT(shot.count(kWarningText, 8, 422, 632, 472), 100);
  EXPECT_EQ(shot.count(kErrorText, 8, 422, 632, 472), 0);
  // The scene is drawn above it, as far as it was read.
  EXPECT_TRUE(shot.red(320, 240));
  EXPECT_TRUE(is(shot.at(2, 2), Colour{0, 0, 0}));
}

TEST(OverlayToolTest, TypedKeysShowTheBoxesAndAReloadThatComesCleanEmptiesThePanel) {
  SceneRun tool(kBroken + "setKeyFunc(\"M\", print(1));\n");
  tool.run("--screenshot shot.png scene.txt", true, false);
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();
  // Fixed before F5: the reload finds a clean script. The keys arrive in
  // order, each taken by one pass of the loop, so the frames after the last
  // of them show the help, the statistics and no panel.
  tool.dir.write("scene.txt", kScene + "setKeyFunc(\"M\", print(1));\n");
  // The run's status counts the first load's error, as a screenshot run does.
  ASSERT_EQ(tool.pressKeys(window, "F1 F11 F5 Escape"), 1) << tool.err();
  const Shot shot(tool.dir.file("shot.png"));
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot.count(kPanelBackground, 0, 0, 640, 480), 0);
  EXPECT_TRUE(is(shot.at(8, 8), kBoxBackground));
  EXPECT_TRUE(is(shot.at(631, 8), kBoxBackground));
  // The help reaches further down than the statistics: its lines and the
  // script's binding.
  EXPECT_TRUE(is(shot.at(8, 200), kBoxBackground));
  EXPECT_GT(shot.count(kelvo::authoring::kHeadingText, 0, 0, 320, 240), 100);
  // The errors of the first load only, on standard error.
  EXPECT_EQ(tool.err().find("syntax error"), tool.err().rfind("syntax error")) << tool.err();
}

}  // namespace
