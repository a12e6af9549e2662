// The GUI on the viewer's own window and renderer (Xvfb in the test scripts):
// whole frames with the installation's skin and font (the two diagnostic
// windows and the console, read back pixel by pixel), the font's display
// lists, pieces missing from the layout, and the clipboard.

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

#include <filesystem>
#include <ostream>
#include <vector>

namespace {

using namespace qor;
using gui::guiManager;
namespace fs = std::filesystem;

struct Pixel {
  int r = -1, g = -1, b = -1;
};
std::ostream& operator<<(std::ostream& out, const Pixel& p) {
  return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}
bool near(const Pixel& p, int r, int g, int b, int tolerance = 12) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}
bool isBlack(const Pixel& p) { return p.r < 30 && p.g < 30 && p.b < 30; }
bool isRed(const Pixel& p) { return p.r > 120 && p.g < 90 && p.b < 90; }

// The finished back buffer of the last frame, read before the swap.
struct Frame {
  std::vector<unsigned char> rgb;
  int width = 0, height = 0;
  // (x, y) from the top left, as the window is seen.
  Pixel at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {};
    const std::size_t i = 3 * (static_cast<std::size_t>(height - 1 - y) * width + x);
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  int count(int x0, int y0, int x1, int y1, bool (*test)(const Pixel&)) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += test(at(x, y)) ? 1 : 0;
    return n;
  }
};

void readBack(void* data) {
  Frame& frame = *static_cast<Frame*>(data);
  frame.width = screenSettings.width;
  frame.height = screenSettings.height;
  frame.rgb.resize(static_cast<std::size_t>(3 * frame.width * frame.height));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
}

// One 640 × 480 viewer window for the whole binary, run in a scratch copy of
// the installation's GUI files.
class GuiFrameTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    screenSettings = ScreenSettings{};
    screenSettings.fullscreen = false;
    std::string error;
    created = createMainWindow(error);
    creationError = error;
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
    const fs::path game = fs::path(KELVO_SOURCE_DIR) / "game";
    fs::copy_file(game / "GUIConfig.txt", dir.file("GUIConfig.txt"));
    fs::create_directories(dir.file("Data"));
    fs::copy(game / "Data/GUI", dir.file("Data/GUI"));
    previous = fs::current_path();
    fs::current_path(dir.path());
    renderHooks.width = &screenSettings.width;
    renderHooks.height = &screenSettings.height;
    renderHooks.beforeSwap = &readBack;
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

TEST_F(GuiFrameTest, DiagnosticWindowsWithSkinAndText) {
  createDiagnosticWindows();
  ASSERT_TRUE(guiManager.loadGuiConfig());
  ASSERT_NE(guiManager.skinTexture, 0u);
  ASSERT_NE(guiManager.fontBase, 0u);
  // One item before the camera, one far to its side.
  scene.root = makeShared<GroupNode>(std::vector<SceneNodePtr>{
      makeShared<TranslateNode>(0.0f, 0.0f, -5.0f), makeShared<GeometryNode>(nullptr, true, true),
      makeShared<TranslateNode>(100.0f, 0.0f, 0.0f), makeShared<GeometryNode>(nullptr, true, true)});
  renderer->render();
  EXPECT_EQ(guiManager.findWindow(0)->texts[1].text, "1");

  // Both windows hang from GUI y 80, the collision window over the frustum
  // window: their title bars cover rows 400 … 426 from the top. The skin's
  // colours show through a window's alpha of 0.8 over the black frame, or
  // 0.96 where the two windows lie on each other.
  const Pixel behind = frame.at(240, 413);  // the frustum window's right slice
  EXPECT_TRUE(near(behind, 146, 159, 184)) << behind;
  const Pixel leftSlice = frame.at(30, 413);
  EXPECT_TRUE(near(leftSlice, 175, 191, 221)) << leftSlice;
  const Pixel body = frame.at(100, 470);
  EXPECT_TRUE(near(body, 225, 225, 221)) << body;
  EXPECT_TRUE(isBlack(frame.at(100, 390))) << "above the windows";
  // The frustum window's close box: red behind its white cross.
  EXPECT_GT(frame.count(258, 405, 274, 421, isRed), 80);
  EXPECT_EQ(frame.count(200, 405, 256, 421, isRed), 0);

  // Glyphs in black where the layout puts them: the title's "C" from x 45
  // (its top row is ".###."), the text's "N" from x 3, 12 units down.
  EXPECT_FALSE(isBlack(frame.at(45, 410))) << frame.at(45, 410);
  EXPECT_TRUE(isBlack(frame.at(46, 410))) << frame.at(46, 410);
  EXPECT_TRUE(isBlack(frame.at(48, 410))) << frame.at(48, 410);
  for (int row = 415; row < 422; ++row) EXPECT_TRUE(isBlack(frame.at(3, row))) << row;
  EXPECT_FALSE(isBlack(frame.at(5, 415))) << frame.at(5, 415);
  EXPECT_TRUE(isBlack(frame.at(5, 418))) << frame.at(5, 418);
}

TEST_F(GuiFrameTest, ConsoleLinesInGreenAndBlueAtSevenUnitsAGlyph) {
  ASSERT_TRUE(guiManager.loadGuiConfig());
  gui::Console& console = guiManager.console;
  console.lines = {"||||", "||", ""};
  console.isOutput = {false, true, false};
  console.blinkCounter = 40;  // the cursor shows
  inputState.consoleVisible = true;
  renderer->render();

  // The console's top left corner is 8 units in and its text 8 more; the
  // first display line's glyphs start 9 rows below its top. "|" is inked
  // in its middle column, ">" in its second on its top row.
  constexpr int kLeft = 16;
  constexpr int kTop = 8 + 9;
  const Pixel prompt = frame.at(kLeft + 1, kTop);
  EXPECT_TRUE(near(prompt, 0, 255, 0, 30)) << prompt;
  for (int i = 0; i < 4; ++i) {
    const Pixel bar = frame.at(kLeft + 7 * (4 + i) + 2, kTop + 3);
    EXPECT_TRUE(near(bar, 0, 255, 0, 30)) << i << " " << bar;
    EXPECT_FALSE(near(frame.at(kLeft + 7 * (4 + i) + 5, kTop + 3), 0, 255, 0, 30)) << i;
  }
  // The output line below it, 11 units down, in blue and without a prompt.
  const Pixel out = frame.at(kLeft + 2, kTop + 11 + 3);
  EXPECT_TRUE(near(out, 0, 0, 255, 30)) << out;
  EXPECT_TRUE(near(frame.at(kLeft + 7 + 2, kTop + 11 + 3), 0, 0, 255, 30));
  // The cursor, an underscore after the edit line's prompt.
  EXPECT_TRUE(near(frame.at(kLeft + 7 * 4 + 2, kTop + 22 + 7), 0, 255, 0, 30));

  // Closed, it is not drawn.
  inputState.consoleVisible = false;
  renderer->render();
  EXPECT_FALSE(near(frame.at(kLeft + 1, kTop), 0, 255, 0, 30));

  // The font's 256 display lists go at shutdown.
  const GLuint base = guiManager.fontBase;
  EXPECT_TRUE(glIsList(base) && glIsList(base + 255));
  guiManager.shutdownGui();
  EXPECT_FALSE(glIsList(base));
}

TEST_F(GuiFrameTest, MissingPiecesAreLeftOutAndPressesStillWork) {
  EXPECT_FALSE(guiManager.loadGuiConfig("nothing.txt"));
  createDiagnosticWindows();
  // No skin: no frames, but the text and the presses.
  fs::remove(dir.file("Data/GUI/skin.png"));
  ASSERT_TRUE(guiManager.loadGuiConfig());
  EXPECT_EQ(guiManager.skinTexture, 0u);
  renderer->render();
  EXPECT_TRUE(isBlack(frame.at(30, 413))) << frame.at(30, 413);
  EXPECT_EQ(frame.count(0, 400, 280, 480, [](const Pixel& p) { return !isBlack(p); }), 0);
  inputState.clickX = 100;
  inputState.clickY = 450;
  EXPECT_TRUE(guiMouseDown());
  guiMouseUp();

}

TEST_F(GuiFrameTest, ClipboardCopyAndPaste) {
  gui::Console& console = guiManager.console;
  inputState.keys[platform::VK_CONTROL] = 1;

  // Text from elsewhere comes in at the cursor, as 8-bit text with bare line
  // feeds.
  ASSERT_TRUE(platform::setClipboardText("pa\xC2\xB7ste\r\nx"));
  console.editLine() = "[]";
  console.cursor = console.selStart = console.selEnd = 1;
  console.keyPressed('V');
  EXPECT_EQ(console.editLine(), "[pa\xB7ste\nx]");
  EXPECT_EQ(console.cursor, 9);

  // "a·b" selected and copied.
  console.editLine() = "a\xB7" "bc";
  console.selStart = 0;
  console.selEnd = console.cursor = 3;
  console.keyPressed('C');
  EXPECT_EQ(platform::getClipboardText(), "a\xC2\xB7" "b");
  EXPECT_EQ(console.editLine(), "a\xB7" "bc");
}

}  // namespace
