// The Win32 stand-in without a display: virtual keys, SDL events as
// messages, the message queue and the window class.

#include "platform/EventTranslator.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <tuple>
#include <vector>

namespace {

using namespace qor::platform;

uint8_t vk(SDL_Keycode sym, int scancode) { return virtualKeyFromSdl(sym, static_cast<SDL_Scancode>(scancode)); }

#define PLACE(name) SDL_SCANCODE_##name

TEST(VirtualKeyTable, ByPlaceBySymbolAndByLayout) {
  for (int i = 0; i < 26; ++i) EXPECT_EQ(vk(SDLK_a + i, SDL_SCANCODE_A + i), 'A' + i);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(vk(SDLK_UNKNOWN, SDL_SCANCODE_1 + i), '1' + i);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(vk(SDLK_UNKNOWN, SDL_SCANCODE_F1 + i), 0x70 + i);
  // The key's place alone, as for keys that type no Latin letter.
  const std::pair<SDL_Scancode, int> byPlace[] = {
      {PLACE(0), '0'}, {PLACE(F24), 0x87}, {PLACE(ESCAPE), 0x1B}, {PLACE(RETURN), 0x0D}, {PLACE(BACKSPACE), 0x08},
      {PLACE(TAB), 0x09}, {PLACE(SPACE), 0x20}, {PLACE(PAGEUP), 0x21}, {PLACE(PAGEDOWN), 0x22}, {PLACE(END), 0x23},
      {PLACE(HOME), 0x24}, {PLACE(LEFT), 0x25}, {PLACE(UP), 0x26}, {PLACE(RIGHT), 0x27}, {PLACE(DOWN), 0x28},
      {PLACE(INSERT), 0x2D}, {PLACE(DELETE), 0x2E}, {PLACE(LSHIFT), 0x10}, {PLACE(RSHIFT), 0x10},
      {PLACE(LCTRL), 0x11}, {PLACE(RCTRL), 0x11}, {PLACE(LALT), 0x12}, {PLACE(RALT), 0x12}, {PLACE(CAPSLOCK), 0x14},
      {PLACE(KP_ENTER), 0x0D}, {PLACE(NONUSBACKSLASH), 0xE2}, {PLACE(KP_0), 0x60}, {PLACE(KP_5), 0x65},
      {PLACE(KP_9), 0x69}, {PLACE(KP_MULTIPLY), 0x6A}, {PLACE(KP_PLUS), 0x6B}, {PLACE(KP_MINUS), 0x6D},
      {PLACE(KP_PERIOD), 0x6E}, {PLACE(KP_DIVIDE), 0x6F}, {PLACE(MUTE), 0}, {PLACE(UNKNOWN), 0}};
  for (auto [place, code] : byPlace) EXPECT_EQ(vk(SDLK_UNKNOWN, place), code) << SDL_GetScancodeName(place);
  // The punctuation keys follow the symbol they type, wherever they are.
  const std::pair<SDL_Keycode, int> bySymbol[] = {
      {SDLK_SEMICOLON, 0xBA}, {SDLK_EQUALS, 0xBB}, {SDLK_COMMA, 0xBC}, {SDLK_MINUS, 0xBD}, {SDLK_PERIOD, 0xBE},
      {SDLK_SLASH, 0xBF}, {SDLK_BACKQUOTE, 0xC0}, {SDLK_LEFTBRACKET, 0xDB}, {SDLK_BACKSLASH, 0xDC},
      {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE}};
  for (auto [symbol, code] : bySymbol) EXPECT_EQ(vk(symbol, SDL_SCANCODE_MUTE), code) << SDL_GetKeyName(symbol);
  // AZERTY "a" and "," in the US "Q" and "M" places; the digits row and the
  // keypad keep their codes; a non-Latin letter gives the key's place.
  using Key = std::tuple<SDL_Keycode, SDL_Scancode, int>;
  for (auto [sym, place, code] : {Key{SDLK_a, PLACE(Q), 'A'}, {SDLK_COMMA, PLACE(M), 0xBC}, {SDLK_MINUS, PLACE(6), '6'},
                                  {SDLK_AMPERSAND, PLACE(1), '1'}, {SDLK_SLASH, PLACE(KP_DIVIDE), 0x6F},
                                  {0x0444, PLACE(A), 'A'}})
    EXPECT_EQ(vk(sym, place), code) << SDL_GetScancodeName(place);
}

// An SDL event. Keys: a symbol, b place, c modifiers, d repeat. Mouse: a x,
// b y, c button. Wheel: a notches, b x, c y, d flipped. Window: a the event,
// b and c its data.
SDL_Event event(Uint32 type, int a = 0, int b = 0, int c = 0, int d = 0) {
  SDL_Event e{};
  e.type = type;
  if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
    e.key.keysym = SDL_Keysym{static_cast<SDL_Scancode>(b), a, static_cast<Uint16>(c), 0};
    e.key.repeat = static_cast<Uint8>(d);
  } else if (type == SDL_MOUSEMOTION) {
    e.motion.x = a;
    e.motion.y = b;
  } else if (type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEBUTTONUP) {
    e.button.x = a;
    e.button.y = b;
    e.button.button = static_cast<Uint8>(c);
  } else if (type == SDL_MOUSEWHEEL) {
    e.wheel.y = a;
    e.wheel.mouseX = b;
    e.wheel.mouseY = c;
    e.wheel.direction = d ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
  } else {
    e.window.event = static_cast<Uint8>(a);
    e.window.data1 = b;
    e.window.data2 = c;
  }
  return e;
}

// Key lParam: repeat count 1, extended key, Alt, previously down, released.
LPARAM keyBits(uint32_t bits) { return static_cast<LPARAM>(static_cast<int32_t>(1 | bits)); }
constexpr uint32_t kExtended = 1u << 24, kAlt = 1u << 29, kWasDown = 1u << 30, kUp = 3u << 30;

TEST(EventTranslatorTest, OneMessagePerEventInOrder) {
  // In order on one translator, which remembers the buttons held and
  // whether the window is minimised; message 0: none.
  const struct {
    const char* name;
    SDL_Event event;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  } steps[] = {
      {"W", event(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W), WM_KEYDOWN, 'W', keyBits(0)},
      {"W repeat", event(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, 0, 1), WM_KEYDOWN, 'W', keyBits(kWasDown)},
      {"W up", event(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W), WM_KEYUP, 'W', keyBits(kUp)},
      {"arrow", event(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT), WM_KEYDOWN, VK_LEFT, keyBits(kExtended)},
      {"unknown key", event(SDL_KEYDOWN, SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0, 0, 0},
      {"Alt", event(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT), WM_SYSKEYDOWN, VK_MENU, keyBits(kAlt)},
      {"Alt+F4", event(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT), WM_SYSKEYDOWN, VK_F4, keyBits(kAlt)},
      // AltGr (Control + Alt) types characters: ordinary key messages.
      {"AltGr+Q", event(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, KMOD_RALT | KMOD_LCTRL), WM_KEYDOWN, 'Q', keyBits(kAlt)},
      {"F10", event(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10), WM_SYSKEYDOWN, VK_F10, keyBits(0)},
      {"move", event(SDL_MOUSEMOTION, 321, 123), WM_MOUSEMOVE, 0, MAKELPARAM(321, 123)},
      {"left", event(SDL_MOUSEBUTTONDOWN, 10, 20, SDL_BUTTON_LEFT), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)},
      // Dragged out to the left of the window while held.
      {"drag", event(SDL_MOUSEMOTION, -15, 4), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<uint32_t>(-15), 4)},
      {"left up", event(SDL_MOUSEBUTTONUP, 10, 20, SDL_BUTTON_LEFT), WM_LBUTTONUP, 0, MAKELPARAM(10, 20)},
      {"right", event(SDL_MOUSEBUTTONDOWN, 1, 2, SDL_BUTTON_RIGHT), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 2)},
      {"right up", event(SDL_MOUSEBUTTONUP, 1, 2, SDL_BUTTON_RIGHT), WM_RBUTTONUP, 0, MAKELPARAM(1, 2)},
      {"middle", event(SDL_MOUSEBUTTONDOWN, 1, 2, SDL_BUTTON_MIDDLE), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 2)},
      // The wheel's turn in the high word, signed, the buttons held in the low one.
      {"wheel away", event(SDL_MOUSEWHEEL, 1, 30, 40), WM_MOUSEWHEEL, MAKEWPARAM(MK_MBUTTON, 120), MAKELPARAM(30, 40)},
      {"wheel towards", event(SDL_MOUSEWHEEL, -2, 30, 40), WM_MOUSEWHEEL, MAKEWPARAM(MK_MBUTTON, 0x10000 - 240),
       MAKELPARAM(30, 40)},
      {"wheel flipped", event(SDL_MOUSEWHEEL, -3, 0, 0, 1), WM_MOUSEWHEEL, MAKEWPARAM(MK_MBUTTON, 360), 0},
      {"wheel burst", event(SDL_MOUSEWHEEL, 1000, 0, 0), WM_MOUSEWHEEL, MAKEWPARAM(MK_MBUTTON, 273 * 120), 0},
      {"wheel sideways", event(SDL_MOUSEWHEEL, 0, 0, 0), 0, 0, 0},
      {"middle up", event(SDL_MOUSEBUTTONUP, 1, 2, SDL_BUTTON_MIDDLE), WM_MBUTTONUP, 0, MAKELPARAM(1, 2)},
      {"X1", event(SDL_MOUSEBUTTONDOWN, 1, 2, SDL_BUTTON_X1), 0, 0, 0},
      {"minimised", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_MINIMIZED), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0},
      // Focus changes while minimised keep the minimised flag.
      {"focus", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0},
      {"restored", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_RESTORED), WM_ACTIVATE, WA_ACTIVE, 0},
      {"restored again", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_RESTORED), 0, 0, 0},
      {"focus lost", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST), WM_ACTIVATE, WA_INACTIVE, 0},
      {"size", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700), WM_SIZE, 0, MAKELPARAM(1024, 700)},
      {"close", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE), WM_CLOSE, 0, 0},
      {"exposed", event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_EXPOSED), 0, 0, 0},
      {"quit", event(SDL_QUIT), WM_CLOSE, 0, 0}, {"text", event(SDL_TEXTINPUT), 0, 0, 0}};
  EventTranslator translator;
  MessageQueue queue;
  for (const auto& s : steps) {
    translator.translate(s.event, nullptr, queue);
    MSG msg{};
    queue.peek(msg, PM_REMOVE);
    EXPECT_EQ(std::tuple(msg.message, msg.wParam, msg.lParam), std::tuple(s.message, s.wParam, s.lParam)) << s.name;
    EXPECT_FALSE(queue.peek(msg, PM_REMOVE)) << s.name << ": one message per event";
  }
}

// Text input: one WM_CHAR per character, its code point in wParam (one message even past U+FFFF), in
// order; a broken sequence costs one U+FFFD per byte that cannot start a character.
TEST(EventTranslatorTest, TextInputGivesOneCharacterMessagePerCodePoint) {
  constexpr WPARAM kBad = 0xFFFD;
  const struct {
    const char* name;
    const char* text;
    std::vector<WPARAM> codes;
  } cases[] = {
      {"empty", "", {}},
      {"ASCII", "x=1<2;", {'x', '=', '1', '<', '2', ';'}},
      {"Latin-1", "\xC3\xA9", {0xE9}},
      {"euro", "\xE2\x82\xAC", {0x20AC}},
      {"beyond U+FFFF", "\xF0\x9F\x98\x80!", {0x1F600, '!'}},
      {"cut short", "\xC3(", {kBad, '('}},
      {"stray continuation", "\x80" "a", {kBad, 'a'}},
      {"overlong", "\xC0\xAF", {kBad, kBad}},
      {"surrogate", "\xED\xA0\x80", {kBad, kBad, kBad}},
      {"past U+10FFFF", "\xF4\x90\x80\x80", {kBad, kBad, kBad, kBad}},
      {"ends inside", "a\xE2\x82", {'a', kBad, kBad}},
  };
  EventTranslator translator;
  MessageQueue queue;
  for (const auto& c : cases) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::snprintf(e.text.text, sizeof e.text.text, "%s", c.text);
    EXPECT_EQ(translator.translate(e, nullptr, queue), static_cast<int>(c.codes.size())) << c.name;
    std::vector<WPARAM> seen;
    for (MSG msg{}; queue.peek(msg, PM_REMOVE);) {
      EXPECT_TRUE(msg.message == WM_CHAR && msg.lParam == 1) << c.name;
      seen.push_back(msg.wParam);
    }
    EXPECT_EQ(seen, c.codes) << c.name;
  }
  // The text fills SDL's buffer with no terminator left over: read to its end, never past it.
  SDL_Event full{};
  full.type = SDL_TEXTINPUT;
  std::memset(full.text.text, 'k', sizeof full.text.text);
  EXPECT_EQ(translator.translate(full, nullptr, queue), static_cast<int>(sizeof full.text.text));
}

TEST(MessageQueueTest, FirstInFirstOutPastItsRingThenTheQuitOnce) {
  // Posts and removals interleave so the ring wraps before it grows; the
  // quit, asked for midway, comes after every queued message, once.
  MessageQueue q;
  MSG msg;
  int next = 0, expected = 0;
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 50; ++i) q.post(nullptr, WM_KEYDOWN, static_cast<WPARAM>(next++), 0);
    if (round == 5) q.postQuit(3);
    ASSERT_TRUE(q.peek(msg, PM_NOREMOVE));
    for (int i = 0; i < (round == 9 ? 230 : 30); ++i) {
      ASSERT_TRUE(q.peek(msg, PM_REMOVE));
      ASSERT_EQ(msg.wParam, static_cast<WPARAM>(expected++));
    }
  }
  for (UINT removal : {PM_NOREMOVE, PM_REMOVE}) {
    EXPECT_TRUE(q.peek(msg, removal) && msg.message == WM_QUIT && msg.wParam == 3) << removal;
  }
  EXPECT_FALSE(q.peek(msg, PM_REMOVE));
}

TEST(MessageQueueTest, PointerMovesAtTheEndMergeIntoTheLatest) {
  // A burst of motion is one message with the last position and buttons, so
  // the key after it is next in line; a move after the key stays apart.
  MessageQueue q;
  for (int i = 1; i <= 4000; ++i) q.post(nullptr, WM_MOUSEMOVE, i % 2, MAKELPARAM(i, i + 1));
  q.post(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
  q.post(nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(7, 8));
  MSG m;
  const std::tuple<UINT, WPARAM, LPARAM> expected[] = {
      {WM_MOUSEMOVE, 0, MAKELPARAM(4000, 4001)}, {WM_KEYDOWN, VK_ESCAPE, 0}, {WM_MOUSEMOVE, 0, MAKELPARAM(7, 8)}};
  for (const auto& e : expected) {
    ASSERT_TRUE(q.peek(m, PM_REMOVE));
    EXPECT_EQ(std::tuple(m.message, m.wParam, m.lParam), e);
  }
  EXPECT_FALSE(q.peek(m, PM_REMOVE));
}

TEST(MessageQueueTest, AutoRepeatsMergeIntoTheWaitingKeyDownOfTheirKey) {
  // Posted in order: (message, key, repeat flag); then what the queue hands
  // out: (message, key, repeat count). A repeat joins the same key's down
  // message still waiting, across moves but not across another key's
  // message or its own release; a fresh press never merges; the count
  // stops at 0xFFFF.
  constexpr LPARAM kRepeat = 1 << 30;
  const struct {
    const char* what;
    std::vector<std::tuple<UINT, WPARAM, LPARAM>> posted;
    std::vector<std::tuple<UINT, WPARAM, int>> out;
  } cases[] = {
      {"held Up", {{WM_KEYDOWN, VK_UP, 1}, {WM_KEYDOWN, VK_UP, kRepeat | 1}, {WM_KEYDOWN, VK_UP, kRepeat | 1}},
       {{WM_KEYDOWN, VK_UP, 3}}},
      {"repeats, then the release", {{WM_KEYDOWN, VK_UP, kRepeat | 1}, {WM_KEYDOWN, VK_UP, kRepeat | 1}, {WM_KEYUP, VK_UP, 1}},
       {{WM_KEYDOWN, VK_UP, 2}, {WM_KEYUP, VK_UP, 1}}},
      {"across pointer moves", {{WM_KEYDOWN, VK_UP, kRepeat | 1}, {WM_MOUSEMOVE, 0, 0}, {WM_KEYDOWN, VK_UP, kRepeat | 1}},
       {{WM_KEYDOWN, VK_UP, 2}, {WM_MOUSEMOVE, 0, 0}}},
      {"not across another key", {{WM_KEYDOWN, VK_UP, kRepeat | 1}, {WM_KEYDOWN, VK_LEFT, 1}, {WM_KEYDOWN, VK_UP, kRepeat | 1}},
       {{WM_KEYDOWN, VK_UP, 1}, {WM_KEYDOWN, VK_LEFT, 1}, {WM_KEYDOWN, VK_UP, 1}}},
      {"not after a release", {{WM_KEYDOWN, VK_UP, 1}, {WM_KEYUP, VK_UP, 1}, {WM_KEYDOWN, VK_UP, kRepeat | 1}},
       {{WM_KEYDOWN, VK_UP, 1}, {WM_KEYUP, VK_UP, 1}, {WM_KEYDOWN, VK_UP, 1}}},
      {"fresh presses stay apart", {{WM_KEYDOWN, 'A', 1}, {WM_KEYUP, 'A', 1}, {WM_KEYDOWN, 'A', 1}, {WM_KEYDOWN, 'A', 1}},
       {{WM_KEYDOWN, 'A', 1}, {WM_KEYUP, 'A', 1}, {WM_KEYDOWN, 'A', 1}, {WM_KEYDOWN, 'A', 1}}},
      {"system keys alike", {{WM_SYSKEYDOWN, VK_F10, 1}, {WM_SYSKEYDOWN, VK_F10, kRepeat | 1}, {WM_KEYDOWN, VK_F10, kRepeat | 1}},
       {{WM_SYSKEYDOWN, VK_F10, 2}, {WM_KEYDOWN, VK_F10, 1}}},
      {"the count saturates", {{WM_KEYDOWN, VK_UP, 0xFFF0}, {WM_KEYDOWN, VK_UP, kRepeat | 0x20}}, {{WM_KEYDOWN, VK_UP, 0xFFFF}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MessageQueue q;
    for (auto [message, key, lParam] : c.posted) q.post(nullptr, message, key, lParam);
    MSG m;
    for (const auto& e : c.out) {
      ASSERT_TRUE(q.peek(m, PM_REMOVE));
      EXPECT_EQ(std::tuple(m.message, m.wParam, static_cast<int>(m.lParam & 0xFFFF)), e);
    }
    EXPECT_FALSE(q.peek(m, PM_REMOVE));
  }
}

TEST(WindowClassTest, DispatchGoesToTheOneRegisteredProcedure) {
  const WindowProc recordingProc = [](Window*, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
    return static_cast<LRESULT>(message * 1000 + wParam);
  };
  MSG msg{nullptr, WM_KEYDOWN, 7, 0};
  EXPECT_EQ(dispatchMessage(msg), 0);  // no class yet
  EXPECT_FALSE(registerWindowClass({"", recordingProc}) || registerWindowClass({"Test Class", nullptr}));
  ASSERT_TRUE(registerWindowClass({"Test Class", recordingProc}));
  EXPECT_FALSE(registerWindowClass({"Other Class", recordingProc}));
  EXPECT_EQ(dispatchMessage(msg), static_cast<LRESULT>(WM_KEYDOWN * 1000 + 7));
  msg.message = WM_QUIT;
  EXPECT_EQ(dispatchMessage(msg), 0);  // WM_QUIT is never dispatched
  EXPECT_FALSE(unregisterWindowClass("Other Class"));
  EXPECT_TRUE(unregisterWindowClass("Test Class") && windowClassProcedure() == nullptr);
}

}  // namespace
