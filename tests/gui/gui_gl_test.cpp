// The GUI on the viewer's own window (Xvfb in the test scripts): frames with and without the installation's
// skin, read back pixel by pixel (the diagnostic windows and the console), the font's lists, the clipboard.

#include "authoring/Overlay.h"
#include "app/App.h"
#include "app/Hooks.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "gui/GuiManager.h"
#include "material/TextureManager.h"
#include "platform/Clipboard.h"
#include "platform/VirtualKeys.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/OpenGLRenderer.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"
#include "support/TempDir.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

namespace {

using namespace qor;
using gui::guiManager;
namespace fs = std::filesystem;

using Pixel = std::array<int, 3>;  // red, green, blue
bool near(const Pixel& p, int r, int g, int b, int tolerance = 12) {
  return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}
bool isBlack(const Pixel& p) { return p[0] < 30 && p[1] < 30 && p[2] < 30; }
bool isGreen(const Pixel& p) { return near(p, 0, 255, 0, 30); }
bool isBlue(const Pixel& p) { return near(p, 0, 0, 255, 30); }

// The finished back buffer of the last frame, read before the swap.
struct Frame {
  std::vector<unsigned char> rgb;
  // (x, y) from the top left, as the window is seen.
  Pixel at(int x, int y) const {
    const std::size_t i = 3 * (static_cast<std::size_t>(screenSettings.height - 1 - y) * screenSettings.width + x);
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  int count(int x0, int y0, int x1, int y1, bool (*test)(const Pixel&)) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += test(at(x, y)) ? 1 : 0;
    return n;
  }
  static void readBack(void* data) {
    std::vector<unsigned char>& rgb = static_cast<Frame*>(data)->rgb;
    rgb.resize(static_cast<std::size_t>(3 * screenSettings.width * screenSettings.height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, screenSettings.width, screenSettings.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  }
};

// One 640 × 480 viewer window for the whole binary, run in the installation's folder.
class GuiFrameTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    screenSettings = ScreenSettings{};
    screenSettings.fullscreen = false;
    created = createMainWindow(creationError);
    connectGui();
  }
  static void TearDownTestSuite() {
    guiManager.shutdownGui();
    textureManager.releaseTextures();
    renderHooks = RenderHooks{};
    renderer = nullptr;
    collectGarbage();
    unregisterMainWindowClass();
  }
  void SetUp() override {
    ASSERT_TRUE(created) << creationError;
    previous = fs::current_path();
    fs::current_path(KELVO_SOURCE_DIR "/game");
    renderHooks.beforeSwap = &Frame::readBack;
    renderHooks.beforeSwapData = &frame;
  }
  void TearDown() override {
    fs::current_path(previous);
    guiManager.shutdownGui();
    textureManager.releaseTextures();
    inputState = InputState{};
    scene.root = nullptr;
    collectGarbage();
  }
  kelvo::test::TempDir dir;
  fs::path previous;
  Frame frame;
  static inline bool created = false;
  static inline std::string creationError;
};

TEST_F(GuiFrameTest, DiagnosticWindowsAndConsoleWithAndWithoutTheSkin) {
  createDiagnosticWindows();
  ASSERT_TRUE(guiManager.loadGuiConfig());
  // One item before the camera, one far to its side.
  scene.root = makeShared<GroupNode>(std::vector<SceneNodePtr>{
      makeShared<TranslateNode>(0.0f, 0.0f, -5.0f), makeShared<GeometryNode>(nullptr, true, true),
      makeShared<TranslateNode>(100.0f, 0.0f, 0.0f), makeShared<GeometryNode>(nullptr, true, true)});
  gui::Console& console = guiManager.console;
  console.lines = {"||||", "||", ""};
  console.isOutput = {false, true, false};
  console.blinkCounter = 40;  // the cursor shows
  inputState.consoleVisible = true;
  renderer->render();
  EXPECT_EQ(guiManager.findWindow(0)->texts[1].text, "1");

  // Both windows hang from GUI y 80, the collision window over the frustum window: their title bars cover
  // rows 400 … 426 from the top. The skin shows through a window's alpha of 0.8 over the black frame, or
  // 0.96 where the two windows lie on each other; the frustum window's close box is red.
  EXPECT_TRUE(near(frame.at(30, 413), 175, 191, 221)) << ::testing::PrintToString(frame.at(30, 413));
  EXPECT_TRUE(near(frame.at(240, 413), 146, 159, 184)) << ::testing::PrintToString(frame.at(240, 413));
  EXPECT_TRUE(near(frame.at(100, 470), 225, 225, 221) && isBlack(frame.at(100, 390)));
  auto isRed = [](const Pixel& p) { return p[0] > 120 && p[1] < 90 && p[2] < 90; };
  EXPECT_TRUE(frame.count(258, 405, 274, 421, isRed) > 80 && frame.count(200, 405, 256, 421, isRed) == 0);
  // Black glyphs: the title's "C" from x 45 (its top row ".###."), the text's "N" from x 3, 12 units down.
  EXPECT_TRUE(!isBlack(frame.at(45, 410)) && isBlack(frame.at(46, 410)) && isBlack(frame.at(48, 410)));
  EXPECT_EQ(frame.count(3, 415, 4, 422, isBlack), 7);

  // The console's text starts 16 units in, its first display line's glyphs 17 rows down, the next 11
  // further. ">" is inked in its second column on its top row, "|" in its middle column; typed lines are
  // green, output lines blue; the cursor is an underscore after the edit line's prompt.
  constexpr int kLeft = 16, kTop = 17;
  EXPECT_TRUE(isGreen(frame.at(kLeft + 1, kTop)));
  for (int i = 4; i < 8; ++i)  // the four bars after the prompt
    EXPECT_TRUE(isGreen(frame.at(kLeft + 7 * i + 2, kTop + 3)) && !isGreen(frame.at(kLeft + 7 * i + 5, kTop + 3)));
  EXPECT_TRUE(isBlue(frame.at(kLeft + 2, kTop + 14)) && isBlue(frame.at(kLeft + 9, kTop + 14)));
  EXPECT_TRUE(isGreen(frame.at(kLeft + 7 * 4 + 2, kTop + 22 + 7)));

  // The font's 256 display lists go at shutdown. Without a skin then there are no frames, only the
  // (black) text, and presses still work; with the console closed the whole frame is black.
  const GLuint base = guiManager.fontBase;
  EXPECT_TRUE(glIsList(base) && glIsList(base + 255));
  guiManager.shutdownGui();
  EXPECT_FALSE(glIsList(base));
  EXPECT_FALSE(guiManager.loadGuiConfig(dir.file("nothing.txt")));
  createDiagnosticWindows();
  ASSERT_TRUE(guiManager.loadGuiConfig(dir.write("l", "none.png\nData/GUI/font.png\nData/GUI/font.metrics")));
  EXPECT_EQ(guiManager.skinTexture, 0u);
  inputState.consoleVisible = false;
  renderer->render();
  EXPECT_EQ(frame.count(0, 0, 640, 480, isBlack), 640 * 480);
  inputState.clickX = 100;
  inputState.clickY = 450;
  EXPECT_TRUE(guiMouseDown());
  guiMouseUp();
}

// With its opaque bands on, every kind of console line is legible, whatever the skin's panel and the scene
// behind it (without them the installation's grey panel gives 3.3:1 for the typed lines, 1.9:1 for the
// output lines): in each line's area the two colours seen most, the band and the glyphs, stand at least
// 4.5:1 apart, and the glyphs keep their colour.
TEST_F(GuiFrameTest, ConsoleLinesStandOutFromTheirBands) {
  ASSERT_TRUE(guiManager.loadGuiConfig());
  gui::Console& console = guiManager.console;
  console.opaqueBacking = true;
  console.lines = {"MMMMMMMM", "MMMMMMMM", "MMMM"};
  console.isOutput = {false, true, false};
  console.selStart = 0;
  console.selEnd = console.cursor = 4;
  inputState.consoleVisible = true;
  renderer->render();
  console.opaqueBacking = false;

  // Display line r's glyphs start 17 + 11 r rows down and 16 units in, 7 units a character.
  constexpr int kLeft = 16, kTop = 17;
  const struct {
    const char* name;
    int row, firstColumn, columns;
    bool (*inkTest)(const Pixel&);
  } areas[] = {{"typed line", 0, 4, 8, isGreen}, {"output line", 1, 0, 8, isBlue}, {"selection", 2, 4, 4, isGreen}};
  for (const auto& a : areas) {
    std::map<Pixel, int> seen;
    const int x0 = kLeft + 7 * a.firstColumn, y0 = kTop + 11 * a.row;
    for (int y = y0; y < y0 + 7; ++y)
      for (int x = x0; x < x0 + 7 * a.columns; ++x) ++seen[frame.at(x, y)];
    ASSERT_GE(seen.size(), 2u) << a.name;
    std::vector<std::pair<int, Pixel>> byCount;
    for (const auto& [pixel, n] : seen) byCount.emplace_back(n, pixel);
    std::sort(byCount.rbegin(), byCount.rend());
    const Pixel band = byCount[0].second, ink = byCount[1].second;
    EXPECT_TRUE(a.inkTest(ink)) << a.name << ": " << ::testing::PrintToString(ink);
    auto colour = [](const Pixel& p) {
      return kelvo::authoring::Colour{static_cast<unsigned char>(p[0]), static_cast<unsigned char>(p[1]),
                                      static_cast<unsigned char>(p[2])};
    };
    EXPECT_GE(kelvo::authoring::contrastRatio(colour(band), colour(ink)), 4.5)
        << a.name << ": " << ::testing::PrintToString(band) << " behind " << ::testing::PrintToString(ink);
  }
}

// However many windows there are, each one shows, also after a click has brought the bottom one to the top
// (the top of the stack is where windows fell out of the projection's depth range).
TEST_F(GuiFrameTest, EveryWindowOfADozenShowsWhateverTheOrder) {
  ASSERT_TRUE(guiManager.loadGuiConfig());
  constexpr int kCount = 12;
  // Side by side, four to a row: window k's body is lit at `probe(k)` (from the top left) or not at all.
  for (int k = 0; k < kCount; ++k) {
    gui::Window w(140, "W");
    w.x = 10 + 160 * (k % 4);
    w.y = 470 - 150 * (k / 4);
    guiManager.addWindow(w);
  }
  auto probe = [](int k) { return std::pair(10 + 160 * (k % 4) + 70, 10 + 150 * (k / 4) + 50); };
  auto shown = [&] {
    std::vector<int> dark;
    for (int k = 0; k < kCount; ++k)
      if (isBlack(frame.at(probe(k).first, probe(k).second))) dark.push_back(k);
    return dark;
  };
  renderer->render();
  EXPECT_EQ(shown(), std::vector<int>{});
  std::tie(inputState.clickX, inputState.clickY) = probe(0);
  ASSERT_TRUE(guiMouseDown());
  guiMouseUp();
  ASSERT_EQ(guiManager.windows.back().id, 0);
  renderer->render();
  EXPECT_EQ(shown(), std::vector<int>{});
}

// Text from elsewhere comes in at the cursor, as 8-bit text with bare line feeds; "a·b" selected goes out.
TEST_F(GuiFrameTest, ClipboardCopyAndPaste) {
  gui::Console& console = guiManager.console;
  inputState.keys[platform::VK_CONTROL] = 1;
  ASSERT_TRUE(platform::setClipboardText("pa\xC2\xB7ste\r\nx"));
  console.editLine() = "[]";
  console.cursor = console.selStart = console.selEnd = 1;
  console.keyPressed('V');
  EXPECT_TRUE(console.editLine() == "[pa\xB7ste\nx]" && console.cursor == 9) << console.editLine();
  console.editLine() = "a\xB7" "bc";
  console.selStart = 0;
  console.selEnd = console.cursor = 3;
  console.keyPressed('C');
  EXPECT_TRUE(platform::getClipboardText() == "a\xC2\xB7" "b" && console.editLine() == "a\xB7" "bc");
}

}  // namespace
