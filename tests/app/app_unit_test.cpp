// The shell without a window: the screen-settings reader, the window
// procedure fed with messages, and the main loop driven through the queue.

#include "app/App.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "app/WindowProc.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"
#include "scene/Renderer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace qor;
using namespace qor::platform;

// ---- screen settings --------------------------------------------------------

class ScreenSettingsTest : public ::testing::Test {
protected:
  std::string write(const std::string& bytes) {
    std::ofstream out(path_, std::ios::binary);
    out << bytes;
    return path_.string();
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("kelvo_screen_" + std::to_string(::getpid()) + ".txt");
};

TEST_F(ScreenSettingsTest, ThreeFieldsAreTaken) {
  ScreenSettings s = readScreenSettings(write("800 600 f\n"));
  EXPECT_EQ(s.width, 800);
  EXPECT_EQ(s.height, 600);
  EXPECT_FALSE(s.fullscreen);
  EXPECT_TRUE(s.running);

  s = readScreenSettings(write("1024 768 t"));
  EXPECT_EQ(s.width, 1024);
  EXPECT_EQ(s.height, 768);
  EXPECT_TRUE(s.fullscreen);

  // Any character but "t" is windowed, also a capital T.
  EXPECT_FALSE(readScreenSettings(write("1024 768 T")).fullscreen);
  // The blank before %c skips any white space, line ends included.
  s = readScreenSettings(write("  320\n240\n\n  t"));
  EXPECT_EQ(s.width, 320);
  EXPECT_EQ(s.height, 240);
  EXPECT_TRUE(s.fullscreen);
}

TEST_F(ScreenSettingsTest, CrLfFileReadsLikeLf) {
  ScreenSettings s = readScreenSettings(write("800 600 f\r\n"));
  EXPECT_EQ(s.width, 800);
  EXPECT_EQ(s.height, 600);
  EXPECT_FALSE(s.fullscreen);
  s = readScreenSettings(write("800\r\n600\r\nt\r\n"));
  EXPECT_EQ(s.width, 800);
  EXPECT_TRUE(s.fullscreen);
}

TEST_F(ScreenSettingsTest, EachBadOrMissingFieldKeepsOnlyItsDefault) {
  // Defaults: 640 x 480, full screen. A bad number must not take the other
  // fields with it (a window asked for stays a window).
  const struct {
    const char* text;
    int32_t width, height;
    bool fullscreen;
  } cases[] = {
      {"0 600 f", 640, 600, false},          {"800 -600 f", 800, 480, false},
      {"wide 600 f", 640, 600, false},       {"800 x f", 800, 480, false},
      {"99999999999 600 f", 640, 600, false}, {"800 600", 800, 600, true},
      {"800 600\r\n", 800, 600, true},       {"", 640, 480, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ScreenSettings s = readScreenSettings(write(c.text));
    EXPECT_EQ(s.width, c.width);
    EXPECT_EQ(s.height, c.height);
    EXPECT_EQ(s.fullscreen, c.fullscreen);
    EXPECT_TRUE(s.running);
  }
  const ScreenSettings missing =
      readScreenSettings((std::filesystem::temp_directory_path() / "kelvo_no_such_file.txt").string());
  EXPECT_EQ(missing.width, 640);
  EXPECT_TRUE(missing.fullscreen);
}

// ---- window procedure -------------------------------------------------------

class ShellTest : public ::testing::Test {
protected:
  void SetUp() override {
    inputState = InputState{};
    screenSettings = ScreenSettings{};
    stage = 1;
    facing = 3;
    threadQueue().clear();
    setDefWindowProc(&countingDefProc);
    defaultCalls().clear();
  }
  void TearDown() override {
    setDefWindowProc(nullptr);
    threadQueue().clear();
    unregisterMainWindowClass();
    renderer = nullptr;
    stage = 1;
  }
  static LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return windowProc(nullptr, message, wParam, lParam);
  }
  static std::vector<UINT>& defaultCalls() {
    static std::vector<UINT> calls;
    return calls;
  }
  static LRESULT countingDefProc(Window*, UINT message, WPARAM, LPARAM) {
    defaultCalls().push_back(message);
    return 0;
  }
};

TEST_F(ShellTest, KeysAreRecordedWhileHeld) {
  send(WM_KEYDOWN, 'W');
  send(WM_KEYDOWN, VK_SHIFT);
  EXPECT_EQ(inputState.keys['W'], 1);
  EXPECT_EQ(inputState.keys[VK_SHIFT], 1);
  send(WM_KEYDOWN, 'W');  // key repeat
  EXPECT_EQ(inputState.keys['W'], 1);
  send(WM_KEYUP, 'W');
  EXPECT_EQ(inputState.keys['W'], 0);
  EXPECT_EQ(inputState.keys[VK_SHIFT], 1);
  // A code beyond the table is dropped, not written out of bounds.
  send(WM_KEYDOWN, 0x1FF);
  send(WM_KEYUP, 0x1FF);
  EXPECT_EQ(inputState.keys[0xFF], 0);
}

TEST_F(ShellTest, CapsLockStaysSetOnKeyUp) {
  send(WM_KEYDOWN, VK_CAPITAL);
  send(WM_KEYUP, VK_CAPITAL);
  EXPECT_EQ(inputState.keys[VK_CAPITAL], 1);
}

TEST_F(ShellTest, OpenConsoleTakesKeysInsteadOfRecordingThem) {
  inputState.consoleVisible = true;
  send(WM_KEYDOWN, VK_ESCAPE);
  send(WM_KEYDOWN, 'A');
  EXPECT_EQ(inputState.keys[VK_ESCAPE], 0);
  EXPECT_EQ(inputState.keys['A'], 0);
}

TEST_F(ShellTest, GameKeysOnlyInTheGameStage) {
  // F2 outside the game stage is just a key.
  send(WM_KEYDOWN, VK_F2);
  EXPECT_FALSE(inputState.consoleVisible);
  EXPECT_EQ(inputState.keys[VK_F2], 1);
  send(WM_KEYDOWN, VK_LEFT);
  EXPECT_EQ(facing, 3);
  inputState = InputState{};

  stage = 5;
  // Opening the console hands the F2 press itself to the console.
  send(WM_KEYDOWN, VK_F2);
  EXPECT_TRUE(inputState.consoleVisible);
  EXPECT_EQ(inputState.keys[VK_F2], 0);
  // Closing it records the press.
  send(WM_KEYDOWN, VK_F2);
  EXPECT_FALSE(inputState.consoleVisible);
  EXPECT_EQ(inputState.keys[VK_F2], 1);

  send(WM_KEYDOWN, VK_LEFT);
  EXPECT_EQ(facing, 0);
  send(WM_KEYDOWN, VK_RIGHT);
  EXPECT_EQ(facing, 3);
  send(WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(facing, 1);
  send(WM_KEYDOWN, VK_RIGHT);
  send(WM_KEYDOWN, VK_RIGHT);
  EXPECT_EQ(facing, 3);  // from 0 to 3
  EXPECT_EQ(inputState.keys[VK_LEFT], 1);  // game keys are recorded as well
}

TEST_F(ShellTest, MouseMovesAndButtons) {
  send(WM_MOUSEMOVE, 0, MAKELPARAM(120, 45));
  EXPECT_EQ(inputState.mouseX, 120);
  EXPECT_EQ(inputState.mouseY, 45);
  EXPECT_EQ(inputState.lastDragX, 120);
  EXPECT_EQ(inputState.lastDragY, 45);

  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  EXPECT_EQ(inputState.clickX, 10);
  EXPECT_EQ(inputState.clickY, 20);
  EXPECT_TRUE(inputState.leftDown);
  EXPECT_TRUE(inputState.dragging);
  send(WM_LBUTTONUP, 0, MAKELPARAM(10, 20));
  EXPECT_FALSE(inputState.leftDown);
  EXPECT_FALSE(inputState.dragging);

  send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 200));
  EXPECT_TRUE(inputState.rightDown);
  EXPECT_EQ(inputState.clickX, 300);
  EXPECT_EQ(inputState.clickY, 200);
  send(WM_RBUTTONUP, 0, MAKELPARAM(300, 200));
  EXPECT_FALSE(inputState.rightDown);

  // While a button is held the pointer may leave the window to the left or
  // above: those coordinates are negative, not 65535-something.
  send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<uint32_t>(-7), static_cast<uint32_t>(-3)));
  EXPECT_EQ(inputState.mouseX, -7);
  EXPECT_EQ(inputState.mouseY, -3);
}

TEST_F(ShellTest, LeftPressesAdvanceTheSlides) {
  for (int expected = 2; expected <= 5; ++expected) {
    send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(stage, expected);
  }
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  EXPECT_EQ(stage, 5);
  stage = 7;
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  EXPECT_EQ(stage, 7);
  send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 1));
  stage = 1;
  send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 1));
  EXPECT_EQ(stage, 1);  // the right button does not advance
}

TEST_F(ShellTest, ActivateAndSize) {
  send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1));  // minimised
  EXPECT_FALSE(inputState.active);
  send(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0));
  EXPECT_TRUE(inputState.active);
  send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0));  // another window got the focus
  EXPECT_TRUE(inputState.active);

  send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(1024, 700));
  EXPECT_EQ(screenSettings.width, 1024);
  EXPECT_EQ(screenSettings.height, 700);
}

TEST_F(ShellTest, ScreenSaverAndMonitorPowerAreSwallowed) {
  EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
  EXPECT_EQ(send(WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
  EXPECT_TRUE(defaultCalls().empty());
  send(WM_SYSCOMMAND, SC_CLOSE);
  ASSERT_EQ(defaultCalls().size(), 1u);
  EXPECT_EQ(defaultCalls()[0], WM_SYSCOMMAND);
  // Messages without a case go to the default procedure too.
  send(WM_SYSKEYDOWN, VK_MENU);
  send(WM_MBUTTONDOWN);
  EXPECT_EQ(defaultCalls().size(), 3u);
  EXPECT_EQ(inputState.keys[VK_MENU], 0);
}

TEST_F(ShellTest, CloseAndDestroyPostQuit) {
  MSG msg;
  send(WM_CLOSE);
  ASSERT_TRUE(threadQueue().peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_FALSE(threadQueue().peek(msg, PM_REMOVE));
  send(WM_DESTROY);
  ASSERT_TRUE(threadQueue().peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_TRUE(defaultCalls().empty());
}

// ---- main loop --------------------------------------------------------------

// Counts frames, to see when the loop draws.
class CountingRenderer : public IRenderer {
public:
  std::size_t size() const override { return sizeof(*this); }
  void render() override { ++frames; }
  void resize(int32_t, int32_t) override {}
  int frames = 0;
};

TEST_F(ShellTest, LoopEndsOnEscapeAfterEarlierMessages) {
  ASSERT_TRUE(registerMainWindowClass());
  postMessage(nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
  postMessage(nullptr, WM_KEYDOWN, 'A', 0);
  postMessage(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
  postMessage(nullptr, WM_KEYDOWN, 'B', 0);
  SmartPointer<CountingRenderer> counter = makeShared<CountingRenderer>();
  renderer = counter;
  EXPECT_EQ(mainLoop(), LoopEnd::Escape);
  EXPECT_EQ(inputState.mouseX, 5);
  EXPECT_EQ(inputState.keys['A'], 1);
  EXPECT_EQ(inputState.keys['B'], 0);  // the loop left before fetching it
  EXPECT_EQ(threadQueue().size(), 1u);
  // One message per pass, one frame per pass until Escape.
  EXPECT_EQ(counter->frames, 2);
}

TEST_F(ShellTest, LoopEndsOnQuitOnlyAfterQueuedMessages) {
  ASSERT_TRUE(registerMainWindowClass());
  postMessage(nullptr, WM_CLOSE, 0, 0);  // posts the quit when dispatched
  postMessage(nullptr, WM_KEYDOWN, 'Q', 0);
  EXPECT_EQ(mainLoop(), LoopEnd::Quit);
  EXPECT_EQ(inputState.keys['Q'], 1);
  EXPECT_EQ(threadQueue().size(), 0u);
  EXPECT_FALSE(threadQueue().quitPending());
}

TEST_F(ShellTest, EscapeWhileTheConsoleIsOpenDoesNotEndTheLoop) {
  ASSERT_TRUE(registerMainWindowClass());
  inputState.consoleVisible = true;
  postMessage(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
  postQuitMessage(0);
  EXPECT_EQ(mainLoop(), LoopEnd::Quit);
}

TEST_F(ShellTest, LoopStopsWhenRunningIsCleared) {
  ASSERT_TRUE(registerMainWindowClass());
  SmartPointer<CountingRenderer> counter = makeShared<CountingRenderer>();
  renderer = counter;
  screenSettings.running = false;  // tested at the end of the pass
  EXPECT_EQ(mainLoop(), LoopEnd::Stopped);
  EXPECT_EQ(counter->frames, 1);
}

TEST_F(ShellTest, MinimisedWindowPumpsMessagesButDrawsNothing) {
  ASSERT_TRUE(registerMainWindowClass());
  SmartPointer<CountingRenderer> counter = makeShared<CountingRenderer>();
  renderer = counter;
  postMessage(nullptr, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
  postMessage(nullptr, WM_KEYDOWN, 'M', 0);
  postMessage(nullptr, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
  postMessage(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(mainLoop(), LoopEnd::Escape);
  EXPECT_EQ(inputState.keys['M'], 1);
  EXPECT_EQ(counter->frames, 1);  // only the pass of the restore
}

TEST_F(ShellTest, ReloadRequestIsServedOnce) {
  ASSERT_TRUE(registerMainWindowClass());
  inputState.reloadRequested = true;
  postMessage(nullptr, WM_MOUSEMOVE, 0, 0);
  postMessage(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(mainLoop(), LoopEnd::Escape);
  EXPECT_FALSE(inputState.reloadRequested);
}

}  // namespace
