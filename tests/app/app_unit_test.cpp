// The shell without a window: the screen-settings reader, the window
// procedure fed with messages, and the main loop driven through the queue.

#include "support/TempDir.h"

#include "app/App.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "app/WindowProc.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"
#include "scene/Renderer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace qor;
using namespace qor::platform;

TEST(ScreenSettingsTest, FieldsAndWhatFallsBackToTheDefaults) {
  kelvo::test::TempDir dir;
  // -1: not checked. A missing or bad field keeps its default (640 x 480,
  // full screen); only a small t is full screen; the blank before %c skips
  // line ends too.
  const struct {
    const char* text;  // null: no file
    int width, height, fullscreen;
  } cases[] = {
      {"800 600 f\n", 800, 600, 0}, {"1024 768 t", 1024, 768, 1}, {"1024 768 T", 1024, 768, 0},
      {"  320\n240\n\n  t", 320, 240, 1}, {"800 600 f\r\n", 800, 600, 0}, {"800\r\n600\r\nt\r\n", 800, 600, 1},
      {"800 600", -1, -1, 1}, {"800 600\r\n", -1, -1, 1}, {"", 640, 480, 1}, {nullptr, 640, 480, 1},
      {"wide 600 f", 640, -1, -1}, {"800 x f", -1, 480, -1}, {"0 600 f", 640, -1, -1},
      {"800 -600 f", -1, 480, -1}, {"99999999999 600 f", 640, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "no file");
    const ScreenSettings s = readScreenSettings(c.text ? dir.write("screen.txt", c.text) : dir.file("none.txt"));
    EXPECT_EQ(c.width < 0 ? -1 : s.width, c.width);
    EXPECT_EQ(c.height < 0 ? -1 : s.height, c.height);
    EXPECT_EQ(c.fullscreen < 0 ? -1 : int{s.fullscreen}, c.fullscreen);
    EXPECT_TRUE(s.running);
  }
}

// Counts frames, to see when the loop draws.
struct CountingRenderer : IRenderer {
  std::size_t size() const override { return sizeof(*this); }
  void render() override { ++frames; }
  void resize(int32_t, int32_t) override {}
  int frames = 0;
};

MSG msg(UINT message, WPARAM wParam = 0, int32_t x = 0, int32_t y = 0) {
  return MSG{nullptr, message, wParam, MAKELPARAM(static_cast<uint32_t>(x), static_cast<uint32_t>(y))};
}

class ShellTest : public ::testing::Test {
protected:
  void SetUp() override {
    inputState = InputState{};
    screenSettings = ScreenSettings{};
    stage = 1;
    facing = 3;
    threadQueue().clear();
    setDefWindowProc(&countingDefProc);
    defaultCalls.clear();
  }
  void TearDown() override {
    setDefWindowProc(nullptr);
    threadQueue().clear();
    unregisterMainWindowClass();
    renderer = nullptr;
    stage = 1;
  }
  static LRESULT send(const MSG& m) { return windowProc(nullptr, m.message, m.wParam, m.lParam); }
  // Posts `messages` and runs the loop with a frame counter as the renderer.
  LoopEnd runLoop(std::initializer_list<MSG> messages) {
    registerMainWindowClass();
    for (const MSG& m : messages) threadQueue().post(m);
    renderer = counter = makeShared<CountingRenderer>();
    return mainLoop();
  }
  static LRESULT countingDefProc(Window*, UINT message, WPARAM, LPARAM) {
    defaultCalls.push_back(message);
    return 0;
  }
  static inline std::vector<UINT> defaultCalls;
  SmartPointer<CountingRenderer> counter;
};

TEST_F(ShellTest, KeysGameKeysAndTheConsole) {
  // In order; `held` is keys[key & 0xFF] afterwards.
  const struct {
    int stage;
    UINT message;
    WPARAM key;
    int held, console, facing;
  } steps[] = {
      {1, WM_KEYDOWN, 'W', 1, 0, 3}, {1, WM_KEYDOWN, 'W', 1, 0, 3}, {1, WM_KEYUP, 'W', 0, 0, 3},
      // Caps Lock is a toggle: it stays recorded.
      {1, WM_KEYDOWN, VK_CAPITAL, 1, 0, 3}, {1, WM_KEYUP, VK_CAPITAL, 1, 0, 3},
      // A code beyond the table is dropped, not written out of bounds.
      {1, WM_KEYDOWN, 0x1FF, 0, 0, 3}, {1, WM_KEYUP, 0x1FF, 0, 0, 3},
      // Outside the game stage F2 and the arrows are just keys.
      {1, WM_KEYDOWN, VK_F2, 1, 0, 3}, {1, WM_KEYUP, VK_F2, 0, 0, 3}, {1, WM_KEYDOWN, VK_LEFT, 1, 0, 3},
      {1, WM_KEYUP, VK_LEFT, 0, 0, 3},
      // F2 opens the console, which takes that press and every key until F2
      // closes it; that press is recorded.
      {5, WM_KEYDOWN, VK_F2, 0, 1, 3}, {5, WM_KEYDOWN, VK_ESCAPE, 0, 1, 3}, {5, WM_KEYDOWN, 'A', 0, 1, 3},
      {5, WM_KEYDOWN, VK_F2, 1, 0, 3},
      // The arrows turn the player, and are recorded as well.
      {5, WM_KEYDOWN, VK_LEFT, 1, 0, 0}, {5, WM_KEYDOWN, VK_RIGHT, 1, 0, 3}, {5, WM_KEYDOWN, VK_DOWN, 1, 0, 1},
      {5, WM_KEYDOWN, VK_RIGHT, 1, 0, 0}, {5, WM_KEYDOWN, VK_RIGHT, 1, 0, 3},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(::testing::Message() << "stage " << s.stage << " message " << s.message << " key " << s.key);
    stage = s.stage;
    send(msg(s.message, s.key));
    EXPECT_EQ(inputState.keys[s.key & 0xFF], s.held);
    EXPECT_EQ(inputState.consoleVisible, s.console == 1);
    EXPECT_EQ(facing, s.facing);
  }
}

TEST_F(ShellTest, MouseMovesButtonsAndSlides) {
  const auto at = [](int32_t x, int32_t y) { return std::pair(x, y); };
  send(msg(WM_MOUSEMOVE, 0, 120, 45));
  EXPECT_EQ(at(inputState.mouseX, inputState.mouseY), at(120, 45));
  EXPECT_EQ(at(inputState.lastDragX, inputState.lastDragY), at(120, 45));
  // Left presses advance the slides up to the game stage (5), not beyond.
  for (int expected : {2, 3, 4, 5, 5}) {
    send(msg(WM_LBUTTONDOWN, MK_LBUTTON, 10, 20));
    EXPECT_EQ(stage, expected);
  }
  EXPECT_EQ(at(inputState.clickX, inputState.clickY), at(10, 20));
  EXPECT_TRUE(inputState.leftDown && inputState.dragging);
  // While a button is held the pointer may leave the window to the left or
  // above: those coordinates are negative, not 65535-something.
  send(msg(WM_MOUSEMOVE, MK_LBUTTON, -7, -3));
  EXPECT_EQ(at(inputState.mouseX, inputState.mouseY), at(-7, -3));
  send(msg(WM_LBUTTONUP));
  EXPECT_FALSE(inputState.leftDown || inputState.dragging);

  stage = 1;
  send(msg(WM_RBUTTONDOWN, MK_RBUTTON, 30, 20));
  EXPECT_TRUE(inputState.rightDown);
  EXPECT_EQ(at(inputState.clickX, inputState.clickY), at(30, 20));
  EXPECT_EQ(stage, 1);
  send(msg(WM_RBUTTONUP));
  EXPECT_FALSE(inputState.rightDown);
  stage = 7;  // an end slide
  send(msg(WM_LBUTTONDOWN, MK_LBUTTON));
  EXPECT_EQ(stage, 7);
}

TEST_F(ShellTest, WindowManagerRequests) {
  // The screen saver and monitor power-off are refused; other commands and
  // messages without a case go to the default procedure.
  EXPECT_EQ(send(msg(WM_SYSCOMMAND, SC_SCREENSAVE)), 0);
  EXPECT_EQ(send(msg(WM_SYSCOMMAND, SC_MONITORPOWER)), 0);
  for (const MSG& m : {msg(WM_SYSCOMMAND, SC_CLOSE), msg(WM_SYSKEYDOWN, VK_MENU), msg(WM_MBUTTONDOWN)}) send(m);
  EXPECT_EQ(defaultCalls, (std::vector<UINT>{WM_SYSCOMMAND, WM_SYSKEYDOWN, WM_MBUTTONDOWN}));
  EXPECT_EQ(inputState.keys[VK_MENU], 0);
  // Close and destroy each post one quit.
  for (UINT message : {WM_CLOSE, WM_DESTROY}) {
    send(msg(message));
    MSG posted;
    ASSERT_TRUE(threadQueue().peek(posted, PM_REMOVE));
    EXPECT_EQ(posted.message, WM_QUIT);
    EXPECT_FALSE(threadQueue().peek(posted, PM_REMOVE));
  }
}

TEST_F(ShellTest, LoopTakesOneMessageAndDrawsOneFramePerPassUntilEscape) {
  EXPECT_EQ(runLoop({msg(WM_MOUSEMOVE, 0, 5, 6), msg(WM_KEYDOWN, 'A'), msg(WM_KEYDOWN, VK_ESCAPE),
                     msg(WM_KEYDOWN, 'B')}),
            LoopEnd::Escape);
  EXPECT_EQ(inputState.mouseX, 5);
  EXPECT_EQ(inputState.keys['A'], 1);
  EXPECT_EQ(inputState.keys['B'], 0);
  EXPECT_EQ(threadQueue().size(), 1u);
  EXPECT_EQ(counter->frames, 2);
}

TEST_F(ShellTest, LoopEndsOnQuitOnlyAfterQueuedMessagesAndNotOnEscapeInTheConsole) {
  EXPECT_EQ(runLoop({msg(WM_CLOSE), msg(WM_KEYDOWN, 'Q')}), LoopEnd::Quit);  // the close posts the quit
  EXPECT_EQ(inputState.keys['Q'], 1);
  EXPECT_FALSE(threadQueue().size() > 0 || threadQueue().quitPending());
  inputState.consoleVisible = true;
  postQuitMessage(0);
  EXPECT_EQ(runLoop({msg(WM_KEYDOWN, VK_ESCAPE)}), LoopEnd::Quit);
}

TEST_F(ShellTest, LoopServesAReloadOnceAndStopsWhenRunningIsCleared) {
  inputState.reloadRequested = true;
  screenSettings.running = false;  // tested at the end of the pass
  EXPECT_EQ(runLoop({}), LoopEnd::Stopped);
  EXPECT_FALSE(inputState.reloadRequested);
  EXPECT_EQ(counter->frames, 1);
}

TEST_F(ShellTest, LoopPumpsMessagesButDrawsNothingWhileMinimised) {
  // Losing the focus without being minimised keeps the window active.
  EXPECT_EQ(runLoop({msg(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)), msg(WM_KEYDOWN, 'M'),
                     msg(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0)), msg(WM_KEYDOWN, VK_ESCAPE)}),
            LoopEnd::Escape);
  EXPECT_EQ(inputState.keys['M'], 1);
  EXPECT_EQ(counter->frames, 1);  // only the pass after the focus change
}

}  // namespace
