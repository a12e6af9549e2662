// The GUI without GL: presses, stacking, dragging and closing; the layout and metrics readers; the
// diagnostic windows' texts.

#include "app/StageFlow.h"
#include "collision/AABBNode.h"
#include "gui/GuiManager.h"
#include "scene/GeometryNode.h"
#include "scene/Renderer.h"
#include "script/SceneBuiltins.h"
#include "support/ModelFixtures.h"
#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace {

using namespace qor::gui;

struct Counter : GuiCallback {
  void invoke() override { ++calls; }
  int calls = 0;
};

class GuiTest : public ::testing::Test {
protected:
  // A press at window-message coordinates (origin top left, y down; the GUI's height is 480).
  bool press(int32_t x, int32_t y) {
    gui.mouseX = x;
    gui.mouseY = y;
    return gui.mouseDown();
  }
  // A press lx right of a window's left edge and ly below its top edge.
  bool pressAt(const Window& w, int32_t lx, int32_t ly) { return press(w.x + lx, 480 - (w.y - ly)); }
  static Window window(int32_t x, int32_t y, int32_t width, int32_t height, const char* title = "w") {
    Window w(width, title);
    w.x = x;
    w.y = y;
    w.height = height;
    return w;
  }
  GuiManager gui;
};

TEST_F(GuiTest, PressesGoStrictlyInsideTheTopmostWindowWhichComesToTheTop) {
  // Left edge x = 100, right 300, top (GUI y) 300, bottom 200; window-message y is 480 - GUI y.
  const struct {
    int32_t x, y;
    bool taken;
  } cases[] = {
      {101, 181, true},  {299, 279, true},   // just inside two corners
      {100, 200, false}, {300, 200, false},  // on the left and right edges
      {200, 180, false}, {200, 280, false},  // on the top and bottom edges
      {200, 230, true},                      // the body, on no control: still taken
      {50, 230, false},  {200, 400, false},  // outside
  };
  gui.addWindow(window(100, 300, 200, 100));
  for (const auto& c : cases) EXPECT_EQ(press(c.x, c.y), c.taken) << c.x << "," << c.y;
  gui.windows[0].visible = false;
  EXPECT_FALSE(press(200, 230));

  // Three windows overlapping at (150, GUI 250), C on top; A sticks out on the left.
  gui.windows.clear();
  for (const char* title : {"A", "B", "C"}) gui.addWindow(window(100, 300, 200, 100, title));
  gui.windows[0].x = 0;
  gui.windows[0].addCheckBox(CheckBox(20, 40));
  gui.windows[2].addCheckBox(CheckBox(70, 40));
  // The shared area goes to C: its box toggles, and nothing moves.
  ASSERT_TRUE(pressAt(gui.windows[2], 78, 48));
  EXPECT_TRUE(gui.windows[2].checkBoxes[0].checked && gui.windows[2].title == "C");
  // A press on A's free part brings A up; the others keep their order and the ids stay.
  ASSERT_TRUE(pressAt(gui.windows[0], 28, 48));
  ASSERT_EQ(gui.windows.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(gui.windows[i].title, std::string(1, "BCA"[i]));
    EXPECT_FLOAT_EQ(gui.windows[i].z, static_cast<float>(i));
  }
  EXPECT_TRUE(gui.windows[2].checkBoxes[0].checked);
  EXPECT_EQ(gui.findWindow(0)->title, "A");
}

TEST_F(GuiTest, TitleBarDragsAndCloseBoxCloses) {
  gui.addWindow(window(100, 300, 200, 100));
  // Grabbed 50 right of the left edge, 10 below the top: the grab point follows the mouse.
  ASSERT_TRUE(pressAt(gui.windows[0], 50, 10));
  gui.mouseMove(400, 100);
  EXPECT_EQ(gui.windows[0].x, 350);
  EXPECT_EQ(gui.windows[0].y, 390);  // 10 above GUI y 380
  gui.mouseUp();
  gui.mouseMove(10, 10);
  EXPECT_EQ(gui.windows[0].x, 350);

  // The close box lies strictly between 22 and 6 units left of the right edge, in the top 25 units.
  const struct {
    int32_t lx, ly;
    bool closes, drags;
  } cases[] = {
      {179, 10, true, false},  {193, 25, true, false}, {178, 10, false, true},  // one unit to its left
      {194, 10, false, true},  {179, 26, false, false},
  };
  for (const auto& c : cases) {
    gui.windows[0].visible = true;
    ASSERT_TRUE(pressAt(gui.windows[0], c.lx, c.ly));
    EXPECT_EQ(!gui.windows[0].visible, c.closes) << c.lx << "," << c.ly;
    EXPECT_EQ(gui.dragging, c.drags) << c.lx << "," << c.ly;
    gui.mouseUp();
  }
}

// A check box toggles; a radio button clears only its group in its own window; a button calls back on
// its press and again on its release (once), and its label is centred.
TEST_F(GuiTest, ControlsAnswerPresses) {
  Counter counter;
  Window w = window(0, 400, 300, 200);
  w.addCheckBox(CheckBox(20, 40));
  w.addRadioButton(RadioButton(20, 80, 1, true));
  w.addRadioButton(RadioButton(60, 80, 1));
  w.addRadioButton(RadioButton(100, 80, 2, true));
  w.addButton(Button(20, 120, 60, 24, "Press", &counter));
  gui.addWindow(w);
  Window other = window(0, 150, 300, 100);
  other.addRadioButton(RadioButton(20, 40, 1, true));
  gui.addWindow(other);
  // Presses move the windows in the list; their ids stay.
  auto first = [this]() -> Window& { return *gui.findWindow(0); };

  const std::pair<int32_t, bool> boxPresses[] = {{28, true}, {28, false}, {36, false}};  // 36: its right edge
  for (const auto& [lx, checked] : boxPresses) {
    pressAt(first(), lx, 48);
    EXPECT_EQ(first().checkBoxes[0].checked, checked) << lx;
  }
  pressAt(first(), 68, 88);
  const std::vector<RadioButton>& radios = first().radioButtons;
  EXPECT_TRUE(!radios[0].checked && radios[1].checked && radios[2].checked);
  EXPECT_TRUE(gui.findWindow(1)->radioButtons[0].checked);

  pressAt(first(), 10, 130);  // beside the button
  gui.mouseUp();
  EXPECT_EQ(counter.calls, 0);
  pressAt(first(), 50, 130);
  EXPECT_TRUE(counter.calls == 1 && first().buttons[0].pressed);
  gui.mouseUp();
  EXPECT_TRUE(counter.calls == 2 && !first().buttons[0].pressed);
  gui.mouseUp();
  EXPECT_EQ(counter.calls, 2);

  // A 5-character label (30 units) on a 60-unit button starts 16 in; a wider one overhangs both sides.
  EXPECT_EQ(first().buttons[0].labelX(), 36);
  EXPECT_EQ(Button(0, 0, 61, 24, "Press").labelX(), 16);
  EXPECT_EQ(Button(100, 0, 20, 24, "Press").labelX(), 96);
}

// ---- the readers -------------------------------------------------------------------

TEST(GuiReaders, KeepTheFirstWordOfThreeLinesAndUpTo256MetricsBytes) {
  static const char kWithNul[] = "ski\0n.png\nfont.png\nm\n";
  kelvo::test::TempDir dir;
  const struct {
    const char* name;
    std::string text;
    GuiConfigFiles expected;
  } cases[] = {
      {"plain", "skin.png\nfont.png\nfont.dat\n", {"skin.png", "font.png", "font.dat"}},
      {"words and CR LF", "  skin.png  old\r\n\tfont.png\r\nfont.dat", {"skin.png", "font.png", "font.dat"}},
      {"blank line", "skin.png\n\nfont.dat\n", {"skin.png", "", "font.dat"}},
      {"two lines", "skin.png\nfont.png", {"skin.png", "font.png", ""}},
      // A line past 255 characters goes on as the next line.
      {"long line", std::string(255, 'a') + "bcd\nfont.png\n", {std::string(255, 'a'), "bcd", "font.png"}},
      {"NUL ends a line", std::string(kWithNul, sizeof kWithNul - 1), {"ski", "font.png", "m"}},
  };
  for (const auto& c : cases) {
    GuiConfigFiles files;
    ASSERT_TRUE(readGuiConfig(dir.write(c.name, c.text), files)) << c.name;
    EXPECT_EQ(files.skin + "|" + files.font + "|" + files.metrics,
              c.expected.skin + "|" + c.expected.font + "|" + c.expected.metrics)
        << c.name;
  }
  GuiConfigFiles files;
  EXPECT_FALSE(readGuiConfig(dir.file("missing.txt"), files));
  EXPECT_FALSE(readGuiConfig(dir.path(), files));  // a folder

  FontMetrics metrics;
  metrics.fill(9);
  ASSERT_TRUE(readFontMetrics(dir.write("short", std::string("\x06\r\n\x05", 4)), metrics));
  EXPECT_EQ(metrics, (FontMetrics{6, '\n', 5}));  // text mode: CR LF reads as LF; the rest is zero
  EXPECT_FALSE(readFontMetrics(dir.file("missing"), metrics));
}

// ---- the diagnostic windows -------------------------------------------------------------

class DiagnosticWindowsTest : public objectstest::ObjectsTest {
protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    guiManager.shutdownGui();
    qor::createDiagnosticWindows();
  }
  void TearDown() override {
    guiManager.shutdownGui();
    qor::renderHooks.opaqueItemsDrawn = nullptr;
    qor::script::collisionAnswerHook = nullptr;
    ObjectsTest::TearDown();
  }
  static const std::string& text(int32_t window, std::size_t index) {
    return guiManager.findWindow(window)->texts.at(index).text;
  }
  // A global holding a geometry node with a cube whose trees are built, placed at x.
  void placeCube(const std::string& name, float x) {
    auto model = kelvo::test::parseModel(kelvo::test::kCubeObj);
    qor::buildTrees(*model);
    auto node = qor::makeShared<qor::GeometryNode>(model, true, true);
    const float placed[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, 0, 0, 1};
    std::copy(std::begin(placed), std::end(placed), node->modelView);
    run(name + " = 0;");
    *global(name) = qor::makeSceneNode(node);
  }
};

TEST_F(DiagnosticWindowsTest, ShowTheFrustumCountAndTheCollisionAnswer) {
  qor::renderHooks.opaqueItemsDrawn(4294967295u);  // the largest count is written whole
  EXPECT_EQ(text(0, 1), "4294967295");
  placeCube("a", 0.0f);
  placeCube("b", 0.9f);
  placeCube("c", 5.0f);
  run("collisionDetection(a, b);");
  EXPECT_EQ(text(1, 0), "Collision detected!");
  run("collisionDetection(a, c);");
  EXPECT_EQ(text(1, 0), "No collision detected!");
}

}  // namespace
