// The Win32 stand-in without a display: the SDL → virtual-key table, SDL
// events translated into messages, and the message queue.

#include "platform/EventTranslator.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace qor::platform;

uint8_t vk(SDL_Keycode sym, SDL_Scancode sc) { return virtualKeyFromSdl(sym, sc); }

TEST(VirtualKeyTable, LettersDigitsAndFunctionKeys) {
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(vk(SDLK_a + i, static_cast<SDL_Scancode>(SDL_SCANCODE_A + i)), 'A' + i);
  }
  EXPECT_EQ(vk(SDLK_0, SDL_SCANCODE_0), '0');
  for (int i = 0; i < 9; ++i) EXPECT_EQ(vk(SDLK_1 + i, static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i)), '1' + i);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(vk(SDLK_F1 + i, static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i)), 0x70 + i);
  }
  EXPECT_EQ(vk(SDLK_F24, SDL_SCANCODE_F24), 0x87);
}

TEST(VirtualKeyTable, EditingModifiersAndArrows) {
  struct Case { SDL_Keycode sym; SDL_Scancode sc; int code; };
  const Case cases[] = {
      {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0x1B}, {SDLK_RETURN, SDL_SCANCODE_RETURN, 0x0D},
      {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0x08}, {SDLK_TAB, SDL_SCANCODE_TAB, 0x09},
      {SDLK_SPACE, SDL_SCANCODE_SPACE, 0x20}, {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 0x21},
      {SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN, 0x22}, {SDLK_END, SDL_SCANCODE_END, 0x23},
      {SDLK_HOME, SDL_SCANCODE_HOME, 0x24}, {SDLK_LEFT, SDL_SCANCODE_LEFT, 0x25},
      {SDLK_UP, SDL_SCANCODE_UP, 0x26}, {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 0x27},
      {SDLK_DOWN, SDL_SCANCODE_DOWN, 0x28}, {SDLK_INSERT, SDL_SCANCODE_INSERT, 0x2D},
      {SDLK_DELETE, SDL_SCANCODE_DELETE, 0x2E}, {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0x10},
      {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0x10}, {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 0x11},
      {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0x11}, {SDLK_LALT, SDL_SCANCODE_LALT, 0x12},
      {SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK, 0x14}, {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0x0D},
  };
  for (const Case& c : cases) EXPECT_EQ(vk(c.sym, c.sc), c.code) << SDL_GetScancodeName(c.sc);
}

TEST(VirtualKeyTable, OemKeysAndKeypad) {
  struct Case { SDL_Keycode sym; SDL_Scancode sc; int code; };
  const Case cases[] = {
      {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0xBA}, {SDLK_EQUALS, SDL_SCANCODE_EQUALS, 0xBB},
      {SDLK_COMMA, SDL_SCANCODE_COMMA, 0xBC}, {SDLK_MINUS, SDL_SCANCODE_MINUS, 0xBD},
      {SDLK_PERIOD, SDL_SCANCODE_PERIOD, 0xBE}, {SDLK_SLASH, SDL_SCANCODE_SLASH, 0xBF},
      {SDLK_BACKQUOTE, SDL_SCANCODE_GRAVE, 0xC0}, {SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, 0xDB},
      {SDLK_BACKSLASH, SDL_SCANCODE_BACKSLASH, 0xDC}, {SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET, 0xDD},
      {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 0xDE}, {SDLK_LESS, SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
      {SDLK_KP_0, SDL_SCANCODE_KP_0, 0x60}, {SDLK_KP_5, SDL_SCANCODE_KP_5, 0x65},
      {SDLK_KP_9, SDL_SCANCODE_KP_9, 0x69}, {SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, 0x6A},
      {SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, 0x6B}, {SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, 0x6D},
      {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, 0x6E}, {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 0x6F},
  };
  for (const Case& c : cases) EXPECT_EQ(vk(c.sym, c.sc), c.code) << SDL_GetScancodeName(c.sc);
}

TEST(VirtualKeyTable, LayoutDecidesLettersAndPunctuation) {
  // AZERTY: the key in the US "Q" place types "a" and is VK 'A'; the one in
  // the US "M" place types "," and is VK_OEM_COMMA.
  EXPECT_EQ(vk(SDLK_a, SDL_SCANCODE_Q), 'A');
  EXPECT_EQ(vk(SDLK_COMMA, SDL_SCANCODE_M), 0xBC);
  // The digits row gives digits whatever it types unshifted.
  EXPECT_EQ(vk(SDLK_AMPERSAND, SDL_SCANCODE_1), '1');
  EXPECT_EQ(vk(SDLK_MINUS, SDL_SCANCODE_6), '6');
  // A non-Latin letter falls back to the key's place.
  EXPECT_EQ(vk(0x0444, SDL_SCANCODE_A), 'A');
  // Keys without a code.
  EXPECT_EQ(vk(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(vk(SDLK_MUTE, SDL_SCANCODE_MUTE), 0);
}

// ---- event translation ------------------------------------------------------

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, SDL_Scancode sc, Uint8 repeat = 0, Uint16 mod = KMOD_NONE) {
  SDL_Event e{};
  e.type = type;
  e.key.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat;
  e.key.keysym.sym = sym;
  e.key.keysym.scancode = sc;
  e.key.keysym.mod = mod;
  return e;
}

SDL_Event windowEvent(Uint8 which, Sint32 data1 = 0, Sint32 data2 = 0) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = which;
  e.window.data1 = data1;
  e.window.data2 = data2;
  return e;
}

SDL_Event buttonEvent(Uint32 type, Uint8 button, Sint32 x, Sint32 y) {
  SDL_Event e{};
  e.type = type;
  e.button.button = button;
  e.button.x = x;
  e.button.y = y;
  return e;
}

class TranslateTest : public ::testing::Test {
protected:
  std::vector<MSG> translate(const SDL_Event& e) {
    translator.translate(e, nullptr, queue);
    std::vector<MSG> out;
    MSG msg;
    while (queue.peek(msg, PM_REMOVE)) out.push_back(msg);
    return out;
  }
  EventTranslator translator;
  MessageQueue queue;
};

TEST_F(TranslateTest, KeysRepeatAsKeyDown) {
  auto m = translate(keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_KEYDOWN);
  EXPECT_EQ(m[0].wParam, 'W');
  EXPECT_EQ(m[0].lParam & 0xFFFF, 1);         // repeat count
  EXPECT_EQ((m[0].lParam >> 30) & 1, 0);      // was up before

  m = translate(keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, 1));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_KEYDOWN);
  EXPECT_EQ((m[0].lParam >> 30) & 1, 1);      // was down: a repeat

  m = translate(keyEvent(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_KEYUP);
  EXPECT_EQ(m[0].wParam, 'W');
  EXPECT_EQ((m[0].lParam >> 31) & 1, 1);

  m = translate(keyEvent(SDL_KEYDOWN, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].wParam, VK_SHIFT);
  EXPECT_TRUE(translate(keyEvent(SDL_KEYDOWN, SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN)).empty());
}

TEST_F(TranslateTest, AltKeysAreSystemKeys) {
  auto m = translate(keyEvent(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, 0, KMOD_LALT));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_SYSKEYDOWN);
  EXPECT_EQ(m[0].wParam, VK_MENU);
  m = translate(keyEvent(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, 0, KMOD_LALT));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_SYSKEYDOWN);
  EXPECT_EQ((m[0].lParam >> 29) & 1, 1);
  // AltGr (Control + Alt) types characters: ordinary key messages.
  m = translate(keyEvent(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, 0, KMOD_RALT | KMOD_LCTRL));
  EXPECT_EQ(m[0].message, WM_KEYDOWN);
  m = translate(keyEvent(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10));
  EXPECT_EQ(m[0].message, WM_SYSKEYDOWN);
  m = translate(keyEvent(SDL_KEYUP, SDLK_F10, SDL_SCANCODE_F10));
  EXPECT_EQ(m[0].message, WM_SYSKEYUP);
}

TEST_F(TranslateTest, MouseMessagesCarryPositionAndButtons) {
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.x = 321;
  motion.motion.y = 123;
  auto m = translate(motion);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_MOUSEMOVE);
  EXPECT_EQ(LOWORD(m[0].lParam), 321);
  EXPECT_EQ(HIWORD(m[0].lParam), 123);
  EXPECT_EQ(m[0].wParam & (MK_LBUTTON | MK_RBUTTON), 0u);

  m = translate(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_LBUTTONDOWN);
  EXPECT_EQ(m[0].wParam & MK_LBUTTON, MK_LBUTTON);
  EXPECT_EQ(GET_X_LPARAM(m[0].lParam), 10);
  EXPECT_EQ(GET_Y_LPARAM(m[0].lParam), 20);

  // Dragged out to the left of the window while held.
  motion.motion.x = -15;
  motion.motion.y = 4;
  m = translate(motion);
  EXPECT_EQ(m[0].wParam & MK_LBUTTON, MK_LBUTTON);
  EXPECT_EQ(GET_X_LPARAM(m[0].lParam), -15);

  m = translate(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 10, 20));
  EXPECT_EQ(m[0].message, WM_LBUTTONUP);
  EXPECT_EQ(m[0].wParam & MK_LBUTTON, 0u);
  EXPECT_EQ(translate(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 2))[0].message, WM_RBUTTONDOWN);
  EXPECT_EQ(translate(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1, 2))[0].message, WM_RBUTTONUP);
  EXPECT_EQ(translate(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 2))[0].message, WM_MBUTTONDOWN);
  EXPECT_TRUE(translate(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1, 1, 2)).empty());
}

TEST_F(TranslateTest, WindowEvents) {
  auto m = translate(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_ACTIVATE);
  EXPECT_NE(HIWORD(m[0].wParam), 0);  // minimised
  // Focus changes while minimised keep the minimised flag.
  m = translate(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
  EXPECT_NE(HIWORD(m[0].wParam), 0);
  m = translate(windowEvent(SDL_WINDOWEVENT_RESTORED));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_ACTIVATE);
  EXPECT_EQ(HIWORD(m[0].wParam), 0);
  EXPECT_EQ(LOWORD(m[0].wParam), WA_ACTIVE);
  m = translate(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
  EXPECT_EQ(LOWORD(m[0].wParam), WA_INACTIVE);
  EXPECT_EQ(HIWORD(m[0].wParam), 0);

  m = translate(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_SIZE);
  EXPECT_EQ(LOWORD(m[0].lParam), 1024);
  EXPECT_EQ(HIWORD(m[0].lParam), 700);

  m = translate(windowEvent(SDL_WINDOWEVENT_CLOSE));
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_CLOSE);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  EXPECT_EQ(translate(quit)[0].message, WM_CLOSE);
  EXPECT_TRUE(translate(windowEvent(SDL_WINDOWEVENT_EXPOSED)).empty());
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  EXPECT_TRUE(translate(text).empty());
}

// ---- message queue ----------------------------------------------------------

TEST(MessageQueueTest, FirstInFirstOutAndGrowsPastItsRing) {
  MessageQueue q;
  MSG msg;
  EXPECT_FALSE(q.peek(msg, PM_REMOVE));
  // Interleave posts and removals so the ring wraps before it grows.
  int next = 0, expected = 0;
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 50; ++i) q.post(nullptr, WM_KEYDOWN, static_cast<WPARAM>(next++), 0);
    for (int i = 0; i < 30; ++i) {
      ASSERT_TRUE(q.peek(msg, PM_REMOVE));
      ASSERT_EQ(msg.wParam, static_cast<WPARAM>(expected++));
    }
  }
  while (q.peek(msg, PM_REMOVE)) ASSERT_EQ(msg.wParam, static_cast<WPARAM>(expected++));
  EXPECT_EQ(expected, next);
}

TEST(MessageQueueTest, PeekWithoutRemoveLeavesTheMessage) {
  MessageQueue q;
  MSG msg;
  q.post(nullptr, WM_CLOSE, 0, 0);
  ASSERT_TRUE(q.peek(msg, PM_NOREMOVE));
  EXPECT_EQ(q.size(), 1u);
  ASSERT_TRUE(q.peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_CLOSE);
  EXPECT_EQ(q.size(), 0u);
}

TEST(MessageQueueTest, QuitComesAfterEveryQueuedMessageOnce) {
  MessageQueue q;
  MSG msg;
  q.post(nullptr, WM_KEYDOWN, 'A', 0);
  q.postQuit(3);
  q.post(nullptr, WM_KEYDOWN, 'B', 0);
  ASSERT_TRUE(q.peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('A'));
  ASSERT_TRUE(q.peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('B'));
  ASSERT_TRUE(q.peek(msg, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  ASSERT_TRUE(q.peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(q.peek(msg, PM_REMOVE));
}

LRESULT recordingProc(Window*, UINT message, WPARAM wParam, LPARAM) {
  return static_cast<LRESULT>(message * 1000 + wParam);
}

TEST(WindowClassTest, DispatchGoesToTheRegisteredProcedure) {
  MSG msg{nullptr, WM_KEYDOWN, 7, 0};
  EXPECT_EQ(dispatchMessage(msg), 0);  // no class yet
  EXPECT_FALSE(registerWindowClass({"", &recordingProc}));
  EXPECT_FALSE(registerWindowClass({"Test Class", nullptr}));
  ASSERT_TRUE(registerWindowClass({"Test Class", &recordingProc}));
  EXPECT_FALSE(registerWindowClass({"Other Class", &recordingProc}));
  EXPECT_EQ(dispatchMessage(msg), static_cast<LRESULT>(WM_KEYDOWN * 1000 + 7));
  msg.message = WM_QUIT;
  EXPECT_EQ(dispatchMessage(msg), 0);  // WM_QUIT is never dispatched
  EXPECT_FALSE(unregisterWindowClass("Other Class"));
  EXPECT_TRUE(unregisterWindowClass("Test Class"));
  EXPECT_EQ(windowClassProcedure(), nullptr);
}

TEST(DefWindowProcTest, CloseCommandsBecomeWmClose) {
  threadQueue().clear();
  MSG msg;
  defWindowProc(nullptr, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(threadQueue().peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_CLOSE);
  // Alt+F4 goes through the close command.
  defWindowProc(nullptr, WM_SYSKEYDOWN, 0x73, 1 << 29);
  ASSERT_TRUE(threadQueue().peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_SYSCOMMAND);
  EXPECT_EQ(msg.wParam, SC_CLOSE);
  defWindowProc(nullptr, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  defWindowProc(nullptr, WM_KEYDOWN, 0x73, 0);
  EXPECT_FALSE(threadQueue().peek(msg, PM_REMOVE));
}

}  // namespace
