// The Win32 stand-in without a display: the SDL to virtual-key table, SDL
// events translated into messages, the message queue and the window class.

#include "platform/EventTranslator.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace qor::platform;

uint8_t vk(SDL_Keycode sym, int scancode) { return virtualKeyFromSdl(sym, static_cast<SDL_Scancode>(scancode)); }

TEST(VirtualKeyTable, ByPlaceBySymbolAndByLayout) {
  for (int i = 0; i < 26; ++i) EXPECT_EQ(vk(SDLK_a + i, SDL_SCANCODE_A + i), 'A' + i);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(vk(SDLK_UNKNOWN, SDL_SCANCODE_1 + i), '1' + i);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(vk(SDLK_UNKNOWN, SDL_SCANCODE_F1 + i), 0x70 + i);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(vk(SDLK_UNKNOWN, SDL_SCANCODE_KP_1 + i), 0x61 + i);
  // The key's place alone, as for keys that type no Latin letter.
  const std::pair<SDL_Scancode, int> byPlace[] = {
      {SDL_SCANCODE_0, '0'}, {SDL_SCANCODE_F24, 0x87}, {SDL_SCANCODE_ESCAPE, 0x1B}, {SDL_SCANCODE_RETURN, 0x0D},
      {SDL_SCANCODE_BACKSPACE, 0x08}, {SDL_SCANCODE_TAB, 0x09}, {SDL_SCANCODE_SPACE, 0x20},
      {SDL_SCANCODE_PAGEUP, 0x21}, {SDL_SCANCODE_PAGEDOWN, 0x22}, {SDL_SCANCODE_END, 0x23}, {SDL_SCANCODE_HOME, 0x24},
      {SDL_SCANCODE_LEFT, 0x25}, {SDL_SCANCODE_UP, 0x26}, {SDL_SCANCODE_RIGHT, 0x27}, {SDL_SCANCODE_DOWN, 0x28},
      {SDL_SCANCODE_INSERT, 0x2D}, {SDL_SCANCODE_DELETE, 0x2E}, {SDL_SCANCODE_LSHIFT, 0x10},
      {SDL_SCANCODE_RSHIFT, 0x10}, {SDL_SCANCODE_LCTRL, 0x11}, {SDL_SCANCODE_RCTRL, 0x11}, {SDL_SCANCODE_LALT, 0x12},
      {SDL_SCANCODE_RALT, 0x12}, {SDL_SCANCODE_CAPSLOCK, 0x14}, {SDL_SCANCODE_KP_ENTER, 0x0D},
      {SDL_SCANCODE_MINUS, 0xBD}, {SDL_SCANCODE_EQUALS, 0xBB}, {SDL_SCANCODE_LEFTBRACKET, 0xDB},
      {SDL_SCANCODE_RIGHTBRACKET, 0xDD}, {SDL_SCANCODE_BACKSLASH, 0xDC}, {SDL_SCANCODE_NONUSHASH, 0xDC},
      {SDL_SCANCODE_SEMICOLON, 0xBA}, {SDL_SCANCODE_APOSTROPHE, 0xDE}, {SDL_SCANCODE_GRAVE, 0xC0},
      {SDL_SCANCODE_COMMA, 0xBC}, {SDL_SCANCODE_PERIOD, 0xBE}, {SDL_SCANCODE_SLASH, 0xBF},
      {SDL_SCANCODE_NONUSBACKSLASH, 0xE2}, {SDL_SCANCODE_KP_0, 0x60}, {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
      {SDL_SCANCODE_KP_PLUS, 0x6B}, {SDL_SCANCODE_KP_MINUS, 0x6D}, {SDL_SCANCODE_KP_PERIOD, 0x6E},
      {SDL_SCANCODE_KP_DIVIDE, 0x6F}, {SDL_SCANCODE_MUTE, 0}, {SDL_SCANCODE_UNKNOWN, 0}};
  for (auto [place, code] : byPlace) EXPECT_EQ(vk(SDLK_UNKNOWN, place), code) << SDL_GetScancodeName(place);
  // The punctuation keys follow the symbol they type, wherever they are.
  const std::pair<SDL_Keycode, int> bySymbol[] = {
      {SDLK_SEMICOLON, 0xBA}, {SDLK_EQUALS, 0xBB}, {SDLK_COMMA, 0xBC}, {SDLK_MINUS, 0xBD}, {SDLK_PERIOD, 0xBE},
      {SDLK_SLASH, 0xBF}, {SDLK_BACKQUOTE, 0xC0}, {SDLK_LEFTBRACKET, 0xDB}, {SDLK_BACKSLASH, 0xDC},
      {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE}};
  for (auto [symbol, code] : bySymbol) EXPECT_EQ(vk(symbol, SDL_SCANCODE_MUTE), code) << SDL_GetKeyName(symbol);
  // AZERTY: the key in the US "Q" place types "a"; the one in the US "M"
  // place types ",". The digits row and the keypad give their codes whatever
  // they type; a non-Latin letter falls back to the key's place.
  EXPECT_EQ(vk(SDLK_a, SDL_SCANCODE_Q), 'A');
  EXPECT_EQ(vk(SDLK_COMMA, SDL_SCANCODE_M), 0xBC);
  EXPECT_EQ(vk(SDLK_AMPERSAND, SDL_SCANCODE_1), '1');
  EXPECT_EQ(vk(SDLK_MINUS, SDL_SCANCODE_6), '6');
  EXPECT_EQ(vk(SDLK_SLASH, SDL_SCANCODE_KP_DIVIDE), 0x6F);
  EXPECT_EQ(vk(0x0444, SDL_SCANCODE_A), 'A');
}

SDL_Event event(Uint32 type, Uint8 windowEvent = 0, Sint32 data1 = 0, Sint32 data2 = 0) {
  SDL_Event e{};
  e.type = type;
  e.window.event = windowEvent;
  e.window.data1 = data1;
  e.window.data2 = data2;
  return e;
}

SDL_Event key(Uint32 type, SDL_Keycode sym, SDL_Scancode sc, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
  SDL_Event e = event(type);
  e.key.repeat = repeat;
  e.key.keysym.sym = sym;
  e.key.keysym.scancode = sc;
  e.key.keysym.mod = mod;
  return e;
}

SDL_Event mouse(Uint32 type, Sint32 x, Sint32 y, Uint8 button = 0) {
  SDL_Event e = event(type);
  if (type == SDL_MOUSEMOTION) {
    e.motion.x = x;
    e.motion.y = y;
  } else {
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
  }
  return e;
}

// Key message lParam bits: repeat count 1, extended key (24), Alt (29),
// previously down (30), released (31).
LPARAM keyBits(uint32_t bits) { return static_cast<LPARAM>(static_cast<int32_t>(1 | bits)); }
constexpr uint32_t kExtended = 1u << 24, kAlt = 1u << 29, kWasDown = 1u << 30, kUp = 3u << 30;

TEST(EventTranslatorTest, OneMessagePerEventInOrder) {
  // In order on one translator, which remembers the buttons held and whether
  // the window is minimised; message 0: none.
  const struct {
    const char* name;
    SDL_Event event;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  } steps[] = {
      {"W", key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W), WM_KEYDOWN, 'W', keyBits(0)},
      {"W repeat", key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_NONE, 1), WM_KEYDOWN, 'W', keyBits(kWasDown)},
      {"W up", key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W), WM_KEYUP, 'W', keyBits(kUp)},
      {"right shift", key(SDL_KEYDOWN, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT), WM_KEYDOWN, VK_SHIFT, keyBits(0)},
      {"arrow", key(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT), WM_KEYDOWN, VK_LEFT, keyBits(kExtended)},
      {"unknown key", key(SDL_KEYDOWN, SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0, 0, 0},
      {"Alt", key(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT), WM_SYSKEYDOWN, VK_MENU, keyBits(kAlt)},
      {"Alt+F4", key(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT), WM_SYSKEYDOWN, VK_F4, keyBits(kAlt)},
      // AltGr (Control + Alt) types characters: ordinary key messages.
      {"AltGr+Q", key(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, KMOD_RALT | KMOD_LCTRL), WM_KEYDOWN, 'Q', keyBits(kAlt)},
      {"F10", key(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10), WM_SYSKEYDOWN, VK_F10, keyBits(0)},
      {"F10 up", key(SDL_KEYUP, SDLK_F10, SDL_SCANCODE_F10), WM_SYSKEYUP, VK_F10, keyBits(kUp)},
      {"move", mouse(SDL_MOUSEMOTION, 321, 123), WM_MOUSEMOVE, 0, MAKELPARAM(321, 123)},
      {"left", mouse(SDL_MOUSEBUTTONDOWN, 10, 20, SDL_BUTTON_LEFT), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)},
      // Dragged out to the left of the window while held.
      {"drag", mouse(SDL_MOUSEMOTION, -15, 4), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<uint32_t>(-15), 4)},
      {"left up", mouse(SDL_MOUSEBUTTONUP, 10, 20, SDL_BUTTON_LEFT), WM_LBUTTONUP, 0, MAKELPARAM(10, 20)},
      {"right", mouse(SDL_MOUSEBUTTONDOWN, 1, 2, SDL_BUTTON_RIGHT), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 2)},
      {"right up", mouse(SDL_MOUSEBUTTONUP, 1, 2, SDL_BUTTON_RIGHT), WM_RBUTTONUP, 0, MAKELPARAM(1, 2)},
      {"middle", mouse(SDL_MOUSEBUTTONDOWN, 1, 2, SDL_BUTTON_MIDDLE), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 2)},
      {"X1", mouse(SDL_MOUSEBUTTONDOWN, 1, 2, SDL_BUTTON_X1), 0, 0, 0},
      {"minimised", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_MINIMIZED), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0},
      // Focus changes while minimised keep the minimised flag.
      {"focus", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0},
      {"restored", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_RESTORED), WM_ACTIVATE, WA_ACTIVE, 0},
      {"restored again", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_RESTORED), 0, 0, 0},
      {"focus lost", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST), WM_ACTIVATE, WA_INACTIVE, 0},
      {"size", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700), WM_SIZE, 0, MAKELPARAM(1024, 700)},
      {"close", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE), WM_CLOSE, 0, 0},
      {"quit", event(SDL_QUIT), WM_CLOSE, 0, 0},
      {"exposed", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_EXPOSED), 0, 0, 0},
      {"text", event(SDL_TEXTINPUT), 0, 0, 0},
  };
  EventTranslator translator;
  MessageQueue queue;
  MSG msg;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    translator.translate(s.event, nullptr, queue);
    if (s.message != 0) {
      ASSERT_TRUE(queue.peek(msg, PM_REMOVE));
      EXPECT_EQ(msg.message, s.message);
      EXPECT_EQ(msg.wParam, s.wParam);
      EXPECT_EQ(msg.lParam, s.lParam);
    }
    EXPECT_FALSE(queue.peek(msg, PM_REMOVE));
  }
}

TEST(MessageQueueTest, FirstInFirstOutPastItsRingThenTheQuitOnce) {
  MessageQueue q;
  MSG msg;
  EXPECT_FALSE(q.peek(msg, PM_REMOVE));
  // Interleave posts and removals so the ring wraps before it grows.
  int next = 0, expected = 0;
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 50; ++i) q.post(nullptr, WM_KEYDOWN, static_cast<WPARAM>(next++), 0);
    if (round == 5) q.postQuit(3);
    for (int i = 0; i < 30; ++i) {
      ASSERT_TRUE(q.peek(msg, PM_REMOVE));
      ASSERT_EQ(msg.wParam, static_cast<WPARAM>(expected++));
    }
  }
  // Peeking without removal leaves the message; the quit comes after every
  // queued one.
  ASSERT_TRUE(q.peek(msg, PM_NOREMOVE));
  EXPECT_EQ(q.size(), static_cast<std::size_t>(next - expected));
  while (q.size() > 0 && q.peek(msg, PM_REMOVE)) ASSERT_EQ(msg.wParam, static_cast<WPARAM>(expected++));
  EXPECT_EQ(expected, next);
  for (UINT removal : {PM_NOREMOVE, PM_REMOVE}) {
    ASSERT_TRUE(q.peek(msg, removal));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
  }
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

TEST(DefWindowProcTest, AltF4AndTheCloseCommandBecomeWmClose) {
  threadQueue().clear();
  MSG msg;
  defWindowProc(nullptr, WM_SYSKEYDOWN, VK_F4, 1 << 29);
  ASSERT_TRUE(threadQueue().peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_SYSCOMMAND);
  EXPECT_EQ(msg.wParam, SC_CLOSE);
  defWindowProc(nullptr, msg.message, msg.wParam, msg.lParam);
  ASSERT_TRUE(threadQueue().peek(msg, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_CLOSE);
  // F4 without Alt, and other commands, do nothing.
  defWindowProc(nullptr, WM_SYSKEYDOWN, VK_F4, 0);
  defWindowProc(nullptr, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  defWindowProc(nullptr, WM_KEYDOWN, VK_F4, 0);
  EXPECT_FALSE(threadQueue().peek(msg, PM_REMOVE));
}

}  // namespace
