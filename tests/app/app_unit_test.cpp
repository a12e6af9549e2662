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

namespace {

using namespace qor;
using namespace qor::platform;

TEST(ScreenSettingsTest, FieldsAndWhatFallsBackToTheDefaults) {
  // -1: not checked. A missing or bad field keeps its default (640 x 480,
  // full screen); only a small t is full screen; line ends are blanks.
  const struct {
    const char* text;  // null: no file
    int width, height, fullscreen;
  } cases[] = {
      {"800 600 f\n", 800, 600, 0}, {"1024 768 t", 1024, 768, 1}, {"1024 768 T", 1024, 768, 0},
      {"  320\n240\n\n  t", 320, 240, 1}, {"800 600 f\r\n", 800, 600, 0}, {"800\r\n600\r\nt\r\n", 800, 600, 1},
      {"800 600", -1, -1, 1}, {"800 600\r\n", -1, -1, 1}, {"", 640, 480, 1}, {nullptr, 640, 480, 1},
      {"wide 600 f", 640, -1, -1}, {"800 x f", -1, 480, -1}, {"0 600 f", 640, -1, -1},
      {"800 -600 f", -1, 480, -1}, {"99999999999 600 f", 640, -1, -1}};
  kelvo::test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "no file");
    const ScreenSettings s = readScreenSettings(c.text ? dir.write("screen.txt", c.text) : dir.file("none.txt"));
    EXPECT_EQ(c.width < 0 ? -1 : s.width, c.width);
    EXPECT_EQ(c.height < 0 ? -1 : s.height, c.height);
    EXPECT_EQ(c.fullscreen < 0 ? -1 : int{s.fullscreen}, c.fullscreen);
  }
}

MSG msg(UINT message, WPARAM wParam = 0, int32_t x = 0, int32_t y = 0) {
  return MSG{nullptr, message, wParam, MAKELPARAM(static_cast<uint32_t>(x), static_cast<uint32_t>(y))};
}
LRESULT send(const MSG& m) { return windowProc(nullptr, m.message, m.wParam, m.lParam); }

std::vector<UINT> defaultCalls;
LRESULT countingDefProc(Window*, UINT message, WPARAM, LPARAM) {
  defaultCalls.push_back(message);
  return 0;
}

struct CountingRenderer : IRenderer {
  std::size_t size() const override { return sizeof(*this); }
  void render() override { ++frames; }
  void resize(int32_t, int32_t) override {}
  int frames = 0;
};

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
    unregisterMainWindowClass();
    renderer = nullptr;
  }
};

TEST_F(ShellTest, KeysGameKeysAndTheConsole) {
  // In order; `held` is keys[key & 0xFF] after. Caps Lock stays held; a code beyond the table is dropped, not
  // written out of bounds. In the game stage (5) only, F2 opens the console, which takes every key until F2
  // closes it (that press is recorded), and the arrows turn the player.
  const struct {
    int stage;
    UINT message;
    WPARAM key;
    int held, console, facing;
  } steps[] = {
      {1, WM_KEYDOWN, 'W', 1, 0, 3}, {1, WM_KEYDOWN, 'W', 1, 0, 3}, {1, WM_KEYUP, 'W', 0, 0, 3},
      {1, WM_KEYDOWN, VK_CAPITAL, 1, 0, 3}, {1, WM_KEYUP, VK_CAPITAL, 1, 0, 3}, {1, WM_KEYDOWN, 0x1FF, 0, 0, 3},
      {1, WM_KEYUP, 0x1FF, 0, 0, 3}, {1, WM_KEYDOWN, VK_F2, 1, 0, 3}, {1, WM_KEYUP, VK_F2, 0, 0, 3},
      {1, WM_KEYDOWN, VK_LEFT, 1, 0, 3}, {1, WM_KEYUP, VK_LEFT, 0, 0, 3}, {5, WM_KEYDOWN, VK_F2, 0, 1, 3},
      {5, WM_KEYDOWN, VK_ESCAPE, 0, 1, 3}, {5, WM_KEYDOWN, 'A', 0, 1, 3}, {5, WM_KEYDOWN, VK_F2, 1, 0, 3},
      {5, WM_KEYDOWN, VK_LEFT, 1, 0, 0}, {5, WM_KEYDOWN, VK_RIGHT, 1, 0, 3}, {5, WM_KEYDOWN, VK_DOWN, 1, 0, 1},
      {5, WM_KEYDOWN, VK_RIGHT, 1, 0, 0}, {5, WM_KEYDOWN, VK_RIGHT, 1, 0, 3},
      // A key let go while Alt is held comes as a system key-up: released all the same.
      {1, WM_KEYDOWN, 'S', 1, 0, 3}, {1, WM_SYSKEYUP, 'S', 0, 0, 3}};
  for (const auto& s : steps) {
    SCOPED_TRACE(::testing::Message() << "stage " << s.stage << " message " << s.message << " key " << s.key);
    stage = s.stage;
    send(msg(s.message, s.key));
    EXPECT_EQ(inputState.keys[s.key & 0xFF], s.held);
    EXPECT_EQ(inputState.consoleVisible, s.console == 1);
    EXPECT_EQ(facing, s.facing);
  }
}

TEST_F(ShellTest, MouseButtonsSlidesAndWindowManagerRequests) {
  // Left presses advance the slides up to the game stage (5), not beyond.
  for (int expected : {2, 3, 4, 5, 5}) {
    send(msg(WM_LBUTTONDOWN, MK_LBUTTON, 10, 20));
    EXPECT_EQ(stage, expected);
  }
  EXPECT_EQ(std::pair(inputState.clickX, inputState.clickY), std::pair(10, 20));
  EXPECT_TRUE(inputState.leftDown && inputState.dragging);
  // While a button is held the pointer may leave the window to the left or
  // above: those coordinates are negative, not 65535-something.
  send(msg(WM_MOUSEMOVE, MK_LBUTTON, -7, -3));
  EXPECT_EQ(std::pair(inputState.mouseX, inputState.mouseY), std::pair(-7, -3));
  send(msg(WM_LBUTTONUP));
  EXPECT_FALSE(inputState.leftDown || inputState.dragging);
  stage = 7;  // an end slide; the right button never advances
  send(msg(WM_LBUTTONDOWN, MK_LBUTTON));
  send(msg(WM_RBUTTONDOWN, MK_RBUTTON, 30, 20));
  EXPECT_EQ(stage, 7);
  EXPECT_TRUE(inputState.rightDown);
  EXPECT_EQ(std::pair(inputState.clickX, inputState.clickY), std::pair(30, 20));
  send(msg(WM_RBUTTONUP));
  EXPECT_FALSE(inputState.rightDown);

  // The screen saver and monitor power-off are refused, other commands and
  // messages go to the default procedure; close and destroy post a quit.
  for (WPARAM command : {SC_SCREENSAVE, SC_MONITORPOWER, SC_CLOSE}) send(msg(WM_SYSCOMMAND, command));
  send(msg(WM_SYSKEYDOWN, VK_MENU));
  EXPECT_EQ(defaultCalls, (std::vector<UINT>{WM_SYSCOMMAND, WM_SYSKEYDOWN}));
  MSG posted;
  for (UINT message : {WM_CLOSE, WM_DESTROY}) {
    send(msg(message));
    EXPECT_TRUE(threadQueue().peek(posted, PM_REMOVE) && posted.message == WM_QUIT) << message;
  }
}

TEST_F(ShellTest, MainLoopPasses) {
  // Each pass takes at most one message and, unless minimised, draws one
  // frame; it never waits for a message. A reload is served once.
  const MSG minimised = msg(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)), focusLost = msg(WM_ACTIVATE, WA_INACTIVE);
  const MSG escape = msg(WM_KEYDOWN, VK_ESCAPE);
  std::vector<MSG> motion(4000, msg(WM_MOUSEMOVE, 0, 5, 5));
  motion.push_back(escape);
  const struct {
    std::vector<MSG> messages;
    bool console, quit, stopped;  // before the loop
    LoopEnd end;
    int frames, left;  // frames drawn, messages still queued
    WPARAM held;
  } cases[] = {
      {{msg(WM_MOUSEMOVE), msg(WM_KEYDOWN, 'A'), escape, msg(WM_KEYDOWN, 'B')}, 0, 0, 0, LoopEnd::Escape, 2, 1, 'A'},
      {{msg(WM_CLOSE), msg(WM_KEYDOWN, 'Q')}, 0, 0, 0, LoopEnd::Quit, 2, 0, 'Q'},  // the quit after the queue
      {motion, 0, 0, 0, LoopEnd::Escape, 1, 0, 0},  // thousands of moves merge: Escape is the next pass
      {{escape}, true, true, false, LoopEnd::Quit, 1, 0, 0},  // escape in the console is no escape
      {{}, false, false, true, LoopEnd::Stopped, 1, 0, 0},    // running is tested at the end of the pass
      // Losing the focus is no minimising: the frames come back.
      {{minimised, msg(WM_KEYDOWN, 'M'), focusLost, escape}, 0, 0, 0, LoopEnd::Escape, 1, 0, 'M'}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
    SetUp();
    registerMainWindowClass();
    for (const MSG& m : c.messages) threadQueue().post(m);
    if (c.quit) postQuitMessage(0);
    inputState.consoleVisible = c.console;
    inputState.reloadRequested = true;
    screenSettings.running = !c.stopped;
    SmartPointer<CountingRenderer> counter = makeShared<CountingRenderer>();
    renderer = counter;
    EXPECT_EQ(mainLoop(), c.end);
    EXPECT_EQ(counter->frames, c.frames);
    EXPECT_EQ(static_cast<int>(threadQueue().size()), c.left);
    EXPECT_FALSE(threadQueue().quitPending() || inputState.reloadRequested || inputState.keys['B']);
    EXPECT_EQ(inputState.keys[c.held], c.held ? 1 : 0);
    TearDown();
  }
}

}  // namespace
