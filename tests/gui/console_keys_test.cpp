// The console's keyboard as the window system feeds it: SDL key and text events go through the event
// translator and the window procedure, as in the program. In the typed layout characters come from the text
// (the user's keyboard layout), each once, and the editing keys still edit; in the fixed layout the text is
// ignored and the console's own table types.

#include "app/Hooks.h"
#include "app/InputState.h"
#include "app/StageFlow.h"
#include "app/WindowProc.h"
#include "gui/GuiManager.h"
#include "platform/EventTranslator.h"
#include "platform/VirtualKeys.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qor;
using gui::Console;

// One key as a US keyboard sends it: its symbol and place, the modifiers held, and the text it types
// (none for editing keys and for Ctrl combinations, as SDL gives none).
struct Key {
  SDL_Keycode sym;
  SDL_Scancode place;
  std::string text;
  Uint16 mod = KMOD_NONE;
};
Key key(SDL_Keycode sym, SDL_Scancode place, Uint16 mod = KMOD_NONE) { return {sym, place, "", mod}; }

// The keys that type `text` on a US keyboard.
std::vector<Key> typing(const std::string& text) {
  constexpr Uint16 kShift = KMOD_LSHIFT;
  static const std::vector<std::pair<char, Key>> others = {
      {' ', key(SDLK_SPACE, SDL_SCANCODE_SPACE)},         {'=', key(SDLK_EQUALS, SDL_SCANCODE_EQUALS)},
      {';', key(SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON)}, {'<', key(SDLK_COMMA, SDL_SCANCODE_COMMA, kShift)},
      {'_', key(SDLK_MINUS, SDL_SCANCODE_MINUS, kShift)}, {'*', key(SDLK_8, SDL_SCANCODE_8, kShift)},
      {'(', key(SDLK_9, SDL_SCANCODE_9, kShift)},         {'X', key(SDLK_x, SDL_SCANCODE_X, kShift)}};
  std::vector<Key> keys;
  for (char c : text) {
    Key k = key(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN);
    if (c >= 'a' && c <= 'z') k = key(c, static_cast<SDL_Scancode>(SDL_SCANCODE_A + (c - 'a')));
    else if (c >= '1' && c <= '9') k = key(c, static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (c - '1')));
    else
      for (const auto& [typed, other] : others)
        if (typed == c) k = other;
    EXPECT_NE(k.sym, SDLK_UNKNOWN) << "no key for " << c;
    k.text = std::string(1, c);
    keys.push_back(k);
  }
  return keys;
}
const Key kLeft = key(SDLK_LEFT, SDL_SCANCODE_LEFT), kRight = key(SDLK_RIGHT, SDL_SCANCODE_RIGHT),
          kHome = key(SDLK_HOME, SDL_SCANCODE_HOME), kEnd = key(SDLK_END, SDL_SCANCODE_END),
          kBack = key(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE), kDelete = key(SDLK_DELETE, SDL_SCANCODE_DELETE),
          kShiftEnter = key(SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LSHIFT),
          kShiftLeft = key(SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_LSHIFT),
          kCtrlLeft = key(SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_LCTRL), kCtrlQ = key(SDLK_q, SDL_SCANCODE_Q, KMOD_LCTRL),
          kF5 = key(SDLK_F5, SDL_SCANCODE_F5), kUp = key(SDLK_UP, SDL_SCANCODE_UP),
          kDown = key(SDLK_DOWN, SDL_SCANCODE_DOWN);

class ConsoleKeysTest : public ::testing::Test {
protected:
  void SetUp() override {
    stage = 0;
    inputState = InputState{};
    inputState.consoleVisible = true;
    connectGui();
    gui::guiManager.console.clear();
  }
  void TearDown() override {
    gui::guiManager.console.layout = Console::Layout::Fixed;
    gui::guiManager.console.clear();
    inputState = InputState{};
  }
  void send(SDL_EventType type, const Key& k) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym = SDL_Keysym{k.place, k.sym, k.mod, 0};
    translator.translate(e, nullptr, queue);
  }
  // Presses and releases each key, with Shift or Ctrl held from the first key that needs it to the last one
  // of a run; a key's text comes between its press and release, as SDL sends it. Every message goes
  // through the window procedure.
  void type(const std::vector<Key>& keys) {
    const Key modifiers[] = {key(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT),
                             key(SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LCTRL)};
    Uint16 held = KMOD_NONE;
    auto hold = [&](Uint16 wanted) {
      for (const Key& m : modifiers) {
        if ((wanted & m.mod) && !(held & m.mod)) send(SDL_KEYDOWN, m);
        if (!(wanted & m.mod) && (held & m.mod)) send(SDL_KEYUP, key(m.sym, m.place));
      }
      held = wanted;
    };
    for (const Key& k : keys) {
      hold(k.mod);
      send(SDL_KEYDOWN, k);
      if (!k.text.empty()) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        SDL_strlcpy(e.text.text, k.text.c_str(), sizeof e.text.text);
        translator.translate(e, nullptr, queue);
      }
      send(SDL_KEYUP, k);
      deliver();
    }
    hold(KMOD_NONE);
    deliver();
  }
  void deliver() {
    for (platform::MSG m{}; queue.peek(m, platform::PM_REMOVE);) windowProc(nullptr, m.message, m.wParam, m.lParam);
  }
  Console& console = gui::guiManager.console;
  platform::EventTranslator translator;
  platform::MessageQueue queue;
};

std::vector<Key> operator+(std::vector<Key> a, const std::vector<Key>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(ConsoleKeysTest, EachLayoutTypesEachCharacterOnceAndTheEditingKeysEdit) {
  const struct {
    const char* name;
    Console::Layout layout;
    std::vector<Key> keys;
    const char* line;
    int32_t cursor;
  } cases[] = {
      {"plain keys", Console::Layout::Typed, typing("x = 1 < 2;"), "x = 1 < 2;", 10},
      {"shifted keys", Console::Layout::Typed, typing("X_*(a"), "X_*(a", 5},
      {"cursor keys", Console::Layout::Typed, typing("abc") + std::vector{kLeft, kLeft} + typing("z"), "azbc", 2},
      {"Home and Delete", Console::Layout::Typed, typing("abc") + std::vector{kHome, kDelete, kRight}, "bc", 1},
      {"End and Backspace", Console::Layout::Typed, typing("abc") + std::vector{kHome, kEnd, kBack}, "ab", 2},
      {"Delete at the end", Console::Layout::Typed, typing("ab") + std::vector{kDelete}, "ab", 2},
      {"Delete a selection", Console::Layout::Typed, typing("abcd") + std::vector{kShiftLeft, kShiftLeft, kDelete},
       "ab", 2},
      {"Backspace a selection", Console::Layout::Typed, typing("abcd") + std::vector{kShiftLeft, kBack}, "abc", 3},
      {"Backspace at the start", Console::Layout::Typed, typing("ab") + std::vector{kHome, kLeft, kBack}, "ab", 0},
      {"word left", Console::Layout::Typed, typing("ab cd") + std::vector{kCtrlLeft} + typing("x"), "ab xcd", 4},
      {"Shift+Enter", Console::Layout::Typed, typing("a") + std::vector{kShiftEnter}, "a\n", 2},
      {"Ctrl with a letter", Console::Layout::Typed, typing("a") + std::vector{kCtrlQ, kF5}, "a", 1},
      // The console's own table: the same keys give its characters, and the text is not typed as well.
      {"fixed table", Console::Layout::Fixed, typing("x = 1 < 2;"), "x + 1 , 2:", 10},
      {"fixed shifted", Console::Layout::Fixed, typing("X_*("), "X-()", 4},
      {"fixed Delete", Console::Layout::Fixed, typing("ab") + std::vector{kLeft, kDelete}, "ab", 1},
  };
  for (const auto& c : cases) {
    console.clear();
    console.layout = c.layout;
    type(c.keys);
    EXPECT_EQ(console.editLine(), c.line) << c.name;
    EXPECT_EQ(console.cursor, c.cursor) << c.name;
    EXPECT_EQ(console.lines.size(), 1u) << c.name;
  }
}

// Characters straight from the window procedure: those of ISO 8859-1 go in as its bytes, others beyond it
// as "?", control characters not at all; with the console closed, none.
TEST_F(ConsoleKeysTest, CharactersTheConsoleCannotHoldAreMarkedAndControlsDropped) {
  console.layout = Console::Layout::Typed;
  for (platform::WPARAM code : {0xE9u, 0xB7u, 0x20ACu, 0x1F600u, 0x0Du, 0x08u, 0x7Fu, 0x9Bu, 0xFFFDu, 0x110000u})
    windowProc(nullptr, platform::WM_CHAR, code, 1);
  EXPECT_EQ(console.editLine(), "\xE9\xB7???");
  inputState.consoleVisible = false;
  windowProc(nullptr, platform::WM_CHAR, 'a', 1);
  EXPECT_EQ(console.editLine(), "\xE9\xB7???");
}

// Up steps over output lines to earlier typed lines, Down back to the draft, the cursor at the line's end;
// output arriving while the user steps through the history (a warning of a timer, say) leaves the step
// where it is.
TEST_F(ConsoleKeysTest, HistoryStepsOverOutputLinesAndOutputArrivingKeepsTheStep) {
  console.lines = {"one", "out", "two", "dr"};
  console.isOutput = {false, true, false, false};
  console.historyIndex = 3;
  std::string seen;
  for (const Key& k : {kUp, kUp, kUp, kDown, kDown, kDown}) {
    type({k});
    if (seen.empty()) console.addOutput("scene.ks:3.1: warning: something\nsecond line");
    seen += console.editLine() + (console.cursor == static_cast<int32_t>(console.editLine().size()) ? " " : "? ");
  }
  EXPECT_EQ(seen, "two one one two dr dr ");
  ASSERT_EQ(console.lines.size(), 6u);
  EXPECT_TRUE(console.lines[0] == "one" && console.lines[2] == "two" && console.lines[4] == "second line");
  EXPECT_TRUE(console.isOutput[3] && console.isOutput[4] && !console.isOutput[5]);
}

}  // namespace
