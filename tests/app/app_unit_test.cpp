// The shell without a window: the screen-settings reader, the window
// procedure fed with messages, the main loop driven through the queue, and
// the stage flow in a folder without models (each model loads empty).

#include "support/SteppedClock.h"
#include "support/TempDir.h"
#include "ai/Actors.h"
#include "app/App.h"
#include "app/Hooks.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "app/WindowProc.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"
#include "scene/GroupNode.h"
#include "scene/Renderer.h"
#include "scene/Scene.h"

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

// The model file of the slide on show; empty for any other scene.
std::string slideShown() {
  const auto* root = dynamic_cast<const GroupNode*>(scene.root.get());
  const auto* slide = root && root->childCount() == 3 ? dynamic_cast<const GeometryNode*>(root->get(2).get()) : nullptr;
  return slide ? slide->model->fileName : "";
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
    setClockSource(nullptr);
    releaseStageNodes();
    scene.root = nullptr;
    ai::board.clear();
    ai::game = ai::GameRecord{};
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
  // F12 asks for a screenshot, and goes on as any other key: recorded, or
  // to the open console.
  EXPECT_FALSE(screenshotRequested());
  for (bool console : {false, true}) {
    inputState = InputState{};
    inputState.consoleVisible = console;
    send(msg(WM_KEYDOWN, VK_F12));
    EXPECT_TRUE(screenshotRequested());
    EXPECT_EQ(inputState.keys[VK_F12], console ? 0 : 1);
  }
}

TEST_F(ShellTest, KeysTypedIntoTheOpenConsoleNeverMoveRosa) {
  // Every key code but F2, pressed (and repeated) in the open console of the
  // game stage, leaves Rosa's cell, facing, heading and height as they
  // were; once F2 has closed the console, Up walks again.
  stage = 5;
  buildGameScene();
  roomGrid = RoomGrid{0.0f, 0.0f, 1.0f, 1.0f};
  std::tie(playerColumn, playerRow, facing) = std::tuple(120, 33, 3);
  TranslateNode& at = *stageNodes.playerPosition;
  const auto rosa = [&] { return std::tuple(playerColumn, playerRow, facing, stageNodes.playerHeading->angle, at.y, at.z); };
  const auto before = rosa();
  send(msg(WM_KEYDOWN, VK_F2));
  ASSERT_TRUE(inputState.consoleVisible);
  for (WPARAM key = 0; key < 256; ++key) {
    if (key == VK_F2 || key == VK_ESCAPE) continue;
    for (int repeat = 0; repeat < 2; ++repeat) send(msg(WM_KEYDOWN, key));
    EXPECT_EQ(rosa(), before) << "key " << key;
    send(msg(WM_KEYUP, key));
  }
  send(msg(WM_KEYDOWN, VK_F2));
  ASSERT_FALSE(inputState.consoleVisible);
  send(msg(WM_KEYDOWN, VK_UP));
  EXPECT_EQ(playerRow, 34);
}

TEST_F(ShellTest, MouseButtonsSlidesAndWindowManagerRequests) {
  // Left presses advance the slides up to the game stage (5), not beyond.
  for (int expected : {2, 3, 4, 5, 5}) {
    send(msg(WM_LBUTTONDOWN, MK_LBUTTON, 10, 20));
    EXPECT_EQ(stage, expected);
    EXPECT_EQ(slideShown(), expected < 5 ? kSlideFiles[expected - 1] : "");
  }
  const SceneNodePtr game = scene.root;
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
  EXPECT_EQ(scene.root, game);
  EXPECT_TRUE(inputState.rightDown);
  EXPECT_EQ(std::pair(inputState.clickX, inputState.clickY), std::pair(30, 20));
  send(msg(WM_RBUTTONUP));
  EXPECT_FALSE(inputState.rightDown);

  // The screen saver and monitor power-off are refused, other commands and
  // messages go to the default procedure (the wheel too, touching neither
  // the pointer position nor the view); close and destroy post a quit.
  for (WPARAM command : {SC_SCREENSAVE, SC_MONITORPOWER, SC_CLOSE}) send(msg(WM_SYSCOMMAND, command));
  send(msg(WM_SYSKEYDOWN, VK_MENU));
  stage = 5;
  send(msg(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 200, 100));
  stage = 7;
  EXPECT_EQ(std::pair(inputState.mouseX, inputState.mouseY), std::pair(-7, -3));
  EXPECT_EQ(defaultCalls, (std::vector<UINT>{WM_SYSCOMMAND, WM_SYSKEYDOWN, WM_MOUSEWHEEL}));
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

// A frame that takes `frameMs[i % size]` ms of the stepped clock; after
// `stopAt` ms the "exit" built-in's flag is cleared.
struct SteppedRenderer : IRenderer {
  std::size_t size() const override { return sizeof(*this); }
  void render() override {
    kelvo::test::SteppedClock::now += frameMs[static_cast<std::size_t>(frames++) % frameMs.size()];
    if (kelvo::test::SteppedClock::now >= stopAt) screenSettings.running = false;
  }
  void resize(int32_t, int32_t) override {}
  std::vector<int32_t> frameMs;
  int32_t stopAt = 0;
  int frames = 0;
};

TEST_F(ShellTest, WithoutVsyncTheLoopSleepsOutEachSixtiethOfASecond) {
  // No window here, so no swap waits for the display: over a simulated
  // second the loop makes 55 to 65 passes, light frames or heavy, in the
  // game stage too. It sleeps, and only in pieces of at most one pass.
  const struct {
    std::vector<int32_t> frameMs;
    int stage;
  } cases[] = {{{1}, 1}, {{6}, 5}, {{2, 2, 2, 2, 2, 2, 2, 2, 2, 35}, 5}, {{20, 10}, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
    SetUp();
    registerMainWindowClass();
    kelvo::test::SteppedClock::install(5000);
    stage = c.stage;
    if (stage == 5) buildGameScene();
    stageStart = lastWorkerUpdate = lastChildUpdate = 5000;
    SmartPointer<SteppedRenderer> frames = makeShared<SteppedRenderer>();
    frames->frameMs = c.frameMs;
    frames->stopAt = 6000;
    renderer = frames;
    EXPECT_EQ(mainLoop(), LoopEnd::Stopped);
    EXPECT_GE(frames->frames, 55);
    EXPECT_LE(frames->frames, 65);
    EXPECT_LE(kelvo::test::SteppedClock::slept, 1000);
    EXPECT_LE(kelvo::test::SteppedClock::slept, kelvo::test::SteppedClock::sleeps * 17);
    kelvo::test::SteppedClock::uninstall();
    TearDown();
  }
}

TEST_F(ShellTest, AHeldUpStopsWithinOneCellOfItsRelease) {
  // The keyboard repeats a held Up every 33 ms after half a second; it is
  // let go after 1.5 s. Whatever the frame time, slow or fast, Rosa walks
  // at most one more cell once the release is queued.
  for (const int32_t frameMs : {200, 66, 10}) {
    SCOPED_TRACE(frameMs);
    SetUp();
    registerMainWindowClass();
    kelvo::test::SteppedClock::install(0);
    stage = 5;
    buildGameScene();
    stageStart = lastWorkerUpdate = lastChildUpdate = 0;
    std::tie(playerColumn, playerRow, facing) = std::tuple(120, 33, 3);
    struct Keyboard : IRenderer {
      std::size_t size() const override { return sizeof(*this); }
      void resize(int32_t, int32_t) override {}
      void render() override {
        const int32_t before = kelvo::test::SteppedClock::now;
        const int32_t after = kelvo::test::SteppedClock::now += frameMs;
        // The key events the keyboard made while the frame was drawn.
        for (int32_t t = 500; t < 1500; t += 33)
          if (t > before && t <= after) postMessage(nullptr, WM_KEYDOWN, VK_UP, (1 << 30) | 1);
        if (before < 1500 && after >= 1500) {
          postMessage(nullptr, WM_KEYUP, VK_UP, 1);
          rowAtRelease = playerRow;
        }
        if (after > 1500 && threadQueue().size() == 0) screenSettings.running = false;
      }
      int32_t frameMs = 0, rowAtRelease = -1;
    };
    SmartPointer<Keyboard> keyboard = makeShared<Keyboard>();
    keyboard->frameMs = frameMs;
    renderer = keyboard;
    postMessage(nullptr, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(mainLoop(), LoopEnd::Stopped);
    EXPECT_GT(keyboard->rowAtRelease, 33) << "she walked while the key was held";
    EXPECT_LE(playerRow - keyboard->rowAtRelease, 1);
    EXPECT_EQ(inputState.keys[VK_UP], 0);
    kelvo::test::SteppedClock::uninstall();
    TearDown();
  }
}

int32_t testNow = 0;
int32_t testClock() { return testNow; }

TEST_F(ShellTest, GameStageStepEndsOnTimeOutCaptureOrHome) {
  // One step `now` ms after start-up, the record's flags set before it (no
  // actors, so the updates keep them). Of several ends the last tested wins:
  // home over caught over time-out. The arrow shows while the child does not
  // follow; the child is due after more than 50 ms. The console, open
  // before the step, closes with the game stage.
  const struct {
    int32_t now;
    bool caught, escaped, follows;
    int32_t stage;
  } cases[] = {{50, 0, 0, 0, 5}, {300000, 0, 0, 1, 5}, {300001, 0, 0, 0, 7}, {-5, 0, 0, 0, 5},
               {1000, 1, 0, 1, 7}, {1000, 0, 1, 0, 6}, {300001, 1, 1, 1, 6}};
  setClockSource(&testClock);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.now);
    stage = 5;
    buildGameScene();
    ai::game.caught = c.caught;
    ai::game.escaped = c.escaped;
    ai::game.child.engaged = c.follows;
    stageStart = lastWorkerUpdate = lastChildUpdate = 0;
    inputState.consoleVisible = true;
    testNow = c.now;
    gameStageStep();
    EXPECT_EQ(stage, c.stage);
    EXPECT_EQ(inputState.consoleVisible, c.stage == 5);
    EXPECT_EQ(slideShown(), c.stage == 5 ? "" : kEndSlideFile);
    EXPECT_EQ(stageNodes.arrowGeometry->visible, !c.follows);
    EXPECT_EQ(lastChildUpdate, c.now > 50 ? c.now : 0);
  }
}

TEST_F(ShellTest, StepsOnlyOntoFreeCellsTurnsAlwaysAndDragsTurnTheRoom) {
  // The player at (column, row) facing `facing` on her own cell's code
  // `here` (1 before her first step, 8 after, 2 when she starts in a wall's
  // margin), the cell ahead holding `ahead` (0: free). One cell is 1 x 1.
  const struct {
    int32_t column, row, facing, here, ahead;
    bool moves;
  } cases[] = {{120, 33, 3, 1, 0, true},  {120, 33, 0, 8, 0, true},  {120, 33, 1, 2, 0, true},
               {120, 33, 2, 8, 2, false}, {120, 33, 0, 8, 16, false}, {120, 33, 1, 8, 32, false},
               {120, 33, 3, 8, 4, false}, {511, 10, 0, 8, 0, false}, {0, 10, 2, 8, 0, false},
               {10, 0, 1, 8, 0, false},   {10, 395, 3, 8, 0, false}, {0, 395, 0, 8, 0, true}};
  static constexpr int32_t kAhead[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
  stage = 5;
  buildGameScene();
  roomGrid = RoomGrid{0.0f, 0.0f, 1.0f, 1.0f};
  TranslateNode& at = *stageNodes.playerPosition;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.column << "," << c.row << " facing " << c.facing);
    ai::board.clear();
    std::tie(playerColumn, playerRow, facing, at.x, at.z) = std::tuple(c.column, c.row, c.facing, 0.0f, 0.0f);
    const int32_t column = c.column + kAhead[c.facing][0], row = c.row + kAhead[c.facing][1];
    ai::board.write(c.column, c.row, c.here);
    if (c.ahead) ai::board.write(column, row, c.ahead);
    send(msg(WM_KEYDOWN, VK_UP));
    const int32_t dx = c.moves ? kAhead[c.facing][0] : 0, dz = c.moves ? kAhead[c.facing][1] : 0;
    EXPECT_EQ(std::tuple(playerColumn, playerRow, at.x, at.z), std::tuple(c.column + dx, c.row + dz, dx, dz));
    // She leaves only her own code behind as a free cell; the workers and the child see her on the new one.
    EXPECT_EQ(ai::board.read(c.column, c.row), c.moves && c.here == 8 ? 1 : c.here);
    EXPECT_EQ(ai::board.read(column, row), c.moves ? 8 : c.ahead ? c.ahead : 2);
    if (c.moves) { EXPECT_EQ(std::pair(ai::game.thief.column, ai::game.thief.row), std::pair(column, row)); }
  }
  // Walled in (left on the board's bottom edge) she still turns, and the figure with her.
  for (const auto& a : kAhead) ai::board.write(playerColumn + a[0], playerRow + a[1], 2);
  for (WPARAM key : {VK_LEFT, VK_DOWN, VK_RIGHT, VK_UP}) send(msg(WM_KEYDOWN, key));
  EXPECT_EQ(std::tuple(facing, stageNodes.playerHeading->angle, playerColumn), std::tuple(2, 180.0f, 1));

  // A left drag of dx pixels turns the room by dx degrees (39 at first);
  // moves without the button, or on an end slide, do not.
  for (auto [end, held, dx, angle] : {std::tuple{5, true, 90, 129.0f}, {5, true, -30, 99.0f}, {5, false, 90, 99.0f},
                                      {6, true, 90, 99.0f}}) {
    stage = end;
    send(msg(WM_MOUSEMOVE, 0, 100, 50));
    if (held) send(msg(WM_LBUTTONDOWN, MK_LBUTTON, 100, 50));
    send(msg(WM_MOUSEMOVE, held ? MK_LBUTTON : 0, 100 + dx, 60));
    send(msg(WM_LBUTTONUP));
    EXPECT_EQ(stageNodes.viewTurn->angle, angle) << dx;
  }
}

}  // namespace
