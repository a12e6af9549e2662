// The GUI without GL: presses, stacking, dragging, closing and the controls; the layout and metrics
// readers; the diagnostic windows' texts; the console's own keyboard layout, display lines, and commands
// run through the script language (editing keys and history: console_keys_test).

#include "app/StageFlow.h"
#include "gui/GuiManager.h"
#include "platform/VirtualKeys.h"
#include "scene/GeometryNode.h"
#include "scene/Renderer.h"
#include "script/Diagnostics.h"
#include "script/SceneBuiltins.h"
#include "support/ModelFixtures.h"
#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace qor::gui;
using namespace qor::platform;

class GuiTest : public ::testing::Test {
protected:
  // A press lx right of a window's left edge and ly below its top edge, in window-message coordinates
  // (origin top left, y down; the GUI is 480 high).
  bool pressAt(const Window& w, int32_t lx, int32_t ly) {
    gui.mouseX = w.x + lx;
    gui.mouseY = 480 - (w.y - ly);
    return gui.mouseDown();
  }
  // A window 200 wide with its top left corner at (x, GUI y).
  static Window window(int32_t x, int32_t y, int32_t height, const char* title = "w") {
    Window w(200, title);
    w.x = x;
    w.y = y;
    w.height = height;
    return w;
  }
  GuiManager gui;
};

TEST_F(GuiTest, PressesGoStrictlyInsideTheTopmostWindowWhichComesToTheTop) {
  // Points relative to the window's top left corner: just inside two corners; on the left, right, top and
  // bottom edges; the body, on no control (still taken); outside.
  const struct {
    int32_t lx, ly;
    bool taken;
  } cases[] = {{1, 1, true},     {199, 99, true},   {0, 20, false},  {200, 20, false}, {100, 0, false},
               {100, 100, false}, {100, 50, true},   {-50, 50, false}, {100, 220, false}};
  gui.addWindow(window(100, 300, 100));
  for (const auto& c : cases) EXPECT_EQ(pressAt(gui.windows[0], c.lx, c.ly), c.taken) << c.lx << "," << c.ly;
  gui.windows[0].visible = false;
  EXPECT_FALSE(pressAt(gui.windows[0], 100, 50));

  // Three windows overlapping, C on top; A sticks out on the left. The shared area goes to C (its box
  // toggles, nothing moves); a press on A's free part brings A up, the others keep their order, ids stay.
  gui.windows.clear();
  for (const char* title : {"A", "B", "C"}) gui.addWindow(window(100, 300, 100, title));
  gui.windows[0].x = 0;
  gui.windows[0].addCheckBox(CheckBox(20, 40));
  gui.windows[2].addCheckBox(CheckBox(70, 40));
  ASSERT_TRUE(pressAt(gui.windows[2], 78, 48));
  EXPECT_TRUE(gui.windows[2].checkBoxes[0].checked && gui.windows[2].title == "C");
  ASSERT_TRUE(pressAt(gui.windows[0], 28, 48));
  std::string stack;
  for (const Window& w : gui.windows) stack += w.title + std::to_string(static_cast<int>(w.z)) + " ";
  EXPECT_EQ(stack, "B0 C1 A2 ");
  EXPECT_TRUE(gui.windows[2].checkBoxes[0].checked && gui.findWindow(0)->title == "A");
}

TEST_F(GuiTest, TitleBarDragsAndCloseBoxCloses) {
  gui.addWindow(window(100, 300, 100));
  // Grabbed 50 right of the left edge, 10 below the top: the grab point follows the mouse.
  ASSERT_TRUE(pressAt(gui.windows[0], 50, 10));
  gui.mouseMove(400, 100);
  EXPECT_TRUE(gui.windows[0].x == 350 && gui.windows[0].y == 390);  // 10 above GUI y 380
  gui.mouseUp();
  gui.mouseMove(10, 10);
  EXPECT_EQ(gui.windows[0].x, 350);

  // The close box lies strictly between 22 and 6 units left of the right edge, in the top 25 units.
  const struct {
    int32_t lx, ly;
    bool closes, drags;
  } cases[] = {{179, 10, true, false}, {193, 25, true, false},  {178, 10, false, true},  // one unit to its left
               {194, 10, false, true}, {179, 26, false, false}};
  for (const auto& c : cases) {
    gui.windows[0].visible = true;
    ASSERT_TRUE(pressAt(gui.windows[0], c.lx, c.ly));
    EXPECT_TRUE(gui.windows[0].visible != c.closes && gui.dragging == c.drags) << c.lx << "," << c.ly;
    gui.mouseUp();
  }
}

// A check box toggles; a radio button clears only its group in its own window; a button calls back on
// its press and again on its release (once), and its label is centred.
TEST_F(GuiTest, ControlsAnswerPresses) {
  struct Counter : GuiCallback {
    void invoke() override { ++calls; }
    int calls = 0;
  } counter;
  Window w = window(0, 400, 200);
  w.addCheckBox(CheckBox(20, 40));
  w.addRadioButton(RadioButton(20, 80, 1, true));
  w.addRadioButton(RadioButton(60, 80, 1));
  w.addRadioButton(RadioButton(100, 80, 2, true));
  w.addButton(Button(20, 120, 60, 24, "Press", &counter));
  gui.addWindow(w);
  Window other = window(0, 150, 100);
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
  const std::vector<RadioButton>& r = first().radioButtons;
  EXPECT_TRUE(!r[0].checked && r[1].checked && r[2].checked && gui.findWindow(1)->radioButtons[0].checked);

  pressAt(first(), 10, 130);  // beside the button
  gui.mouseUp();
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

// The layout file: the first word of three lines (a line past 255 characters goes on as the next line);
// the metrics file: its first 256 bytes, read in text mode, the rest zero.
TEST(GuiReaders, ReadTheLayoutAndTheMetrics) {
  static const char kWithNul[] = "ski\0n.png\nfont.png\nm\n";
  kelvo::test::TempDir dir;
  const std::pair<std::string, std::string> cases[] = {
      {"skin.png\nfont.png\nfont.dat\n", "skin.png|font.png|font.dat"},
      {"  skin.png  old\r\n\tfont.png\r\nfont.dat", "skin.png|font.png|font.dat"},
      {"skin.png\n\nfont.dat\n", "skin.png||font.dat"},
      {"skin.png\nfont.png", "skin.png|font.png|"},
      {std::string(255, 'a') + "bcd\nfont.png\n", std::string(255, 'a') + "|bcd|font.png"},
      {std::string(kWithNul, sizeof kWithNul - 1), "ski|font.png|m"},
  };
  for (const auto& [text, expected] : cases) {
    GuiConfigFiles files;
    ASSERT_TRUE(readGuiConfig(dir.write("layout", text), files)) << expected;
    EXPECT_EQ(files.skin + "|" + files.font + "|" + files.metrics, expected);
  }
  GuiConfigFiles files;
  EXPECT_FALSE(readGuiConfig(dir.file("missing.txt"), files));
  EXPECT_FALSE(readGuiConfig(dir.path(), files));  // a folder

  FontMetrics metrics;
  metrics.fill(9);
  ASSERT_TRUE(readFontMetrics(dir.write("short", std::string("\x06\r\n\x05", 4)), metrics));
  EXPECT_EQ(metrics, (FontMetrics{6, '\n', 5}));
  EXPECT_FALSE(readFontMetrics(dir.file("missing"), metrics));
}

// ---- the diagnostic windows and the console -----------------------------------------------

enum Held : uint8_t { kNone = 0, kShift = 1, kCtrl = 2, kCaps = 4 };
constexpr uint8_t kF5 = 0x74;

// The diagnostic windows and the console on a clean interpreter with the built-ins registered.
class ScriptedGuiTest : public objectstest::ObjectsTest {
protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    guiManager.shutdownGui();
    qor::createDiagnosticWindows();
    console.keys = keys;
    console.commandFile = dir.file("stdin");
  }
  void TearDown() override {
    guiManager.shutdownGui();
    qor::renderHooks.opaqueItemsDrawn = nullptr;
    qor::script::collisionAnswerHook = nullptr;
    ObjectsTest::TearDown();
  }
  // A global holding a geometry node with a cube whose trees are built, placed at x.
  void placeCube(const std::string& name, float x) {
    auto model = kelvo::test::parseModel(kelvo::test::kCubeObj);
    qor::buildTrees(*model);
    auto node = qor::makeShared<qor::GeometryNode>(model, true, true);
    for (int i : {0, 5, 10, 15}) node->modelView[i] = 1.0f;
    node->modelView[12] = x;
    run(name + " = 0;");
    *global(name) = qor::makeSceneNode(node);
  }
  void hold(uint8_t held) {
    keys[VK_SHIFT] = held & kShift ? 1 : 0;
    keys[VK_CONTROL] = held & kCtrl ? 1 : 0;
    keys[VK_CAPITAL] = held & kCaps ? 1 : 0;
  }
  void press(std::initializer_list<uint8_t> codes) {
    for (uint8_t vk : codes) console.keyPressed(vk);
  }
  // Puts text in the edit line with the cursor at its end.
  void setLine(const std::string& text) {
    console.editLine() = text;
    console.cursor = console.selStart = console.selEnd = static_cast<int32_t>(text.size());
  }
  // The console's lines, "> " before each typed one.
  std::vector<std::string> transcript() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < console.lines.size(); ++i)
      lines.push_back((console.isOutput[i] ? "" : "> ") + console.lines[i]);
    return lines;
  }
  void enter(const std::string& command) {
    setLine(command);
    hold(kNone);
    press({VK_RETURN});
  }

  kelvo::test::TempDir dir;
  uint8_t keys[256] = {};
  Console console;
};

TEST_F(ScriptedGuiTest, DiagnosticWindowsShowTheFrustumCountAndTheCollisionAnswer) {
  qor::renderHooks.opaqueItemsDrawn(4294967295u);  // the largest count is written whole
  EXPECT_EQ(guiManager.findWindow(0)->texts.at(1).text, "4294967295");
  placeCube("a", 0.0f);
  placeCube("b", 0.9f);
  placeCube("c", 5.0f);
  run("collisionDetection(a, b);");
  EXPECT_EQ(guiManager.findWindow(1)->texts.at(0).text, "Collision detected!");
  run("collisionDetection(a, c);");
  EXPECT_EQ(guiManager.findWindow(1)->texts.at(0).text, "No collision detected!");
}

TEST_F(ScriptedGuiTest, KeysTypeTheConsolesOwnLayout) {
  const struct {
    uint8_t held;
    uint8_t vk;
    const char* typed;
  } cases[] = {
      {kNone, 'A', "a"},   {kShift, 'A', "A"},  {kCaps, 'Z', "Z"},     {kCtrl, 'A', "a"},    {kCaps | kShift, 'Q', "Q"},
      {kCtrl, '7', "7"},   {kShift, '0', "="},  {kShift, '3', "\xB7"}, {kShift, '8', "("},   {kNone, 0x63, "3"},
      {kShift, 0x60, "0"}, {kNone, 0x6A, "*"},  {kNone, 0x6C, "-"},    {kNone, 0xBA, ":"},   {kCtrl, 0xBA, ";"},
      {kShift, 0xBA, ":"}, {kCtrl, 0xBE, ","},  {kCtrl, 0xC0, "`"},    {kNone, 0xDB, "{"},   {kCtrl, 0xDC, "\\"},
      {kNone, 0xE2, "<"},  {kShift, 0xE2, ">"}, {kNone, kF5, ""},      {kNone, VK_SPACE, " "}, {kNone, VK_ESCAPE, ""},
  };
  for (const auto& c : cases) {
    console.clear();
    hold(c.held);
    console.keyPressed(c.vk);
    EXPECT_EQ(console.editLine(), c.typed) << "key 0x" << std::hex << int(c.vk) << " held " << int(c.held);
  }
  // Keys that type nothing are recorded, except Escape, which would end the program.
  EXPECT_TRUE(keys[kF5] == 1 && keys[VK_ESCAPE] == 0);
  // Caps Lock toggles; Shift marks itself held.
  hold(kNone);
  press({VK_CAPITAL, 'B', VK_CAPITAL, 'B', VK_SHIFT});
  EXPECT_TRUE(console.editLine() == "Bb" && keys[VK_SHIFT] == 1);
}

TEST_F(ScriptedGuiTest, DisplayLinesWrapAt80AndOnlyTheLast20Show) {
  // A typed line of 100 characters: the prompt and 76, then 24; the empty edit line shows its prompt.
  console.lines = {std::string(100, 'x'), ""};
  console.isOutput = {false, false};
  Console::Piece pieces[Console::kRows];
  ASSERT_EQ(console.visiblePieces(pieces), 3u);
  EXPECT_TRUE(pieces[0].line == 0 && pieces[0].begin == 0 && pieces[0].end == 80);
  EXPECT_TRUE(pieces[1].line == 0 && pieces[1].begin == 80 && pieces[1].end == 104);
  EXPECT_TRUE(pieces[2].line == 1 && pieces[2].begin == 0 && pieces[2].end == 4);

  // 24 output lines and the edit line: lines 6 … 25 are shown.
  console.lines.assign(24, "out");
  console.isOutput.assign(24, true);
  console.lines.push_back("");
  console.isOutput.push_back(false);
  ASSERT_EQ(console.visiblePieces(pieces), 20u);
  EXPECT_TRUE(pieces[0].line == 5 && pieces[19].line == 24);
}

// Enter writes the command to the command file and runs it: what it prints comes below it, and so does a
// value its last statement leaves; the same text runs again, and variables stay for later commands.
// Errors, a runaway recursion and running out of memory too, are output lines; a command that cannot be written does not run.
TEST_F(ScriptedGuiTest, CommandsRunAndAnswerBelowThemselves) {
  enter("print(42);");
  EXPECT_EQ(kelvo::test::readFile(console.commandFile), "print(42);\n");
  EXPECT_TRUE(console.cursor == 0 && console.historyIndex == static_cast<int32_t>(console.editIndex()));
  enter("print(42);");
  enter("x = 6;");
  enter("print(x * 7);");
  enter("");
  EXPECT_EQ(kelvo::test::readFile(console.commandFile), "\n");
  enter("x = (1;");
  enter("def down(n) { return down(n + 1); }");
  enter("down(1); print(\"after\");");
  qor::script::setMemoryLimit(8 << 20);  // a statement past the budget stops; the next one runs
  enter("s = \"xx\"; while (true) s = s + s; print(\"after\");");
  qor::script::setMemoryLimit(qor::script::kDefaultMemoryLimit);
  console.commandFile = dir.file("missing/folder/stdin");
  enter("print(1);");

  EXPECT_EQ(transcript(), (std::vector<std::string>{
                            "> print(42);", "42", "> print(42);", "42", "> x = 6;", "6", "> print(x * 7);", "42", "> ",
                            "> x = (1;", "1.6: syntax error, unexpected ;, expecting )",
                            "> def down(n) { return down(n + 1); }", "> down(1); print(\"after\");",
                            "1.0: call depth limit (1000) reached", "after",
                            "> s = \"xx\"; while (true) s = s + s; print(\"after\");", "1.10: out of memory", "after",
                            "> print(1);", "> "}));
}

TEST_F(ScriptedGuiTest, ACommandsWarningsJoinItsTranscriptAndTheRunsOwnChannelGoesOn) {
  // The run's own listener (a tool's stderr, say) has seen one warning of the scene.
  std::vector<std::string> outer;
  qor::script::setDiagnosticSink(
      [&](const qor::script::Diagnostic& d) { outer.push_back(qor::script::formatDiagnostic(d)); });
  const std::string gone = dir.file("gone.obj"), lost = dir.file("gone.mtl");
  run("def get() { return Model(\"" + gone + "\"); }\nMaterial(\"" + lost + "\");");
  console.lines.clear();
  console.isOutput.clear();
  console.lines.emplace_back();
  console.isOutput.push_back(false);

  // A command's file names are joined to its own unit, "~tmpN", as the
  // warnings show.
  enter("include(\"missing.txt\");");
  enter("m = get(); print(TYPE(m));");  // placed in the scene's file, which it names
  enter("i = 0; while (i < 2) { Material(\"gone.mtl\"); i = i + 1; }");
  enter("x = (1;");
  const std::string noMtl = "cannot open material library \"~tmp3/gone.mtl\": no such file";
  EXPECT_EQ(transcript(), (std::vector<std::string>{
                            "> include(\"missing.txt\");",
                            "1.0: warning: cannot include \"~tmp1/missing.txt\": no such file",
                            "> m = get(); print(TYPE(m));",
                            "test.txt:1.19: warning: cannot open model \"~tmp2/" + gone + "\": no such file",
                            "SceneNode", "> i = 0; while (i < 2) { Material(\"gone.mtl\"); i = i + 1; }",
                            "1.23: warning: " + noMtl, "true", "1.23: note: this warning came 1 more time: " + noMtl,
                            "> x = (1;", "1.6: syntax error, unexpected ;, expecting )", "> "}));

  // The scene's listener is back with its counts and what it has seen: the
  // same warning from the same place again is a repeat, summed up at the end.
  EXPECT_TRUE(qor::script::warningsOn());
  EXPECT_EQ(qor::script::warningCount(), 1u);
  run("\nMaterial(\"" + lost + "\");");
  qor::script::finishDiagnostics();
  const std::string place = "test.txt:2.0: ", lostMtl = "cannot open material library \"" + lost + "\": no such file";
  EXPECT_EQ(outer, (std::vector<std::string>{place + "warning: " + lostMtl,
                                             place + "note: this warning came 1 more time: " + lostMtl}));
  qor::script::setDiagnosticSink({});
}

}  // namespace
