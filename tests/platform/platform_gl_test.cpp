// The real window under a display (Xvfb in the test scripts): one window at
// a time, the framebuffer asked for, the cursor counter, the clipboard and
// text input.

#include "platform/Clipboard.h"
#include "platform/Window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace qor::platform;

std::unique_ptr<Window> openTestWindow(std::string& error, int width = 320) {
  return Window::create("Kelvo Platform Test", 0, 0, width, 240, true, PixelFormat{}, error);
}

TEST(WindowTest, OneWindowWithTheFramebufferAskedFor) {
  std::string error;
  EXPECT_FALSE(openTestWindow(error, 0));
  EXPECT_NE(error.find("size"), std::string::npos) << error;
  auto window = openTestWindow(error);
  ASSERT_TRUE(window) << error;
  EXPECT_EQ(currentWindow(), window.get());
  EXPECT_EQ(window->title(), "Kelvo Platform Test");
  int w = 0, h = 0;
  window->clientSize(w, h);
  EXPECT_EQ(std::pair(w, h), std::pair(320, 240));
  std::string second;
  EXPECT_TRUE(!openTestWindow(second) && !second.empty()) << "a second window while one is open";
  GLContext context = window->createContext(error);
  ASSERT_NE(context, nullptr) << error;
  for (auto [attribute, least] : {std::pair{SDL_GL_DOUBLEBUFFER, 1}, {SDL_GL_DEPTH_SIZE, 16},
                                  {SDL_GL_STENCIL_SIZE, 1}, {SDL_GL_RED_SIZE, 8}}) {
    int value = 0;
    SDL_GL_GetAttribute(attribute, &value);
    EXPECT_GE(value, least) << "attribute " << attribute;
  }
  EXPECT_TRUE(window->makeCurrent(nullptr));
  Window::deleteContext(context);

  // The pointer shows while the count is 0 or more.
  for (auto [show, count] : {std::pair{false, -1}, {false, -2}, {true, -1}, {true, 0}}) {
    EXPECT_EQ(showCursor(show), count);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), count < 0 ? SDL_DISABLE : SDL_ENABLE) << "count " << count;
  }
  int32_t x = -1, y = -1;
  EXPECT_TRUE(getCursorPos(x, y));
  ASSERT_TRUE(setClipboardText("print(1 + 2);"));
  EXPECT_EQ(getClipboardText(), "print(1 + 2);");
  window.reset();
  EXPECT_EQ(currentWindow(), nullptr);
  EXPECT_FALSE(getCursorPos(x, y));
}

// Text input is off in a new window, so a program that reads keys gets no
// character messages from the window system; it is on where switched on,
// before or after the window opens, and the window system's text comes as
// WM_CHAR, one per code point. (A pushed event arrives either way: SDL
// filters only what its own keyboard code sends.)
TEST(WindowTest, TextInputOnlyWhereSwitchedOn) {
  auto typeText = [](const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(currentWindow()->sdlWindow());
    SDL_strlcpy(e.text.text, text, sizeof e.text.text);
    SDL_PushEvent(&e);
    MessageQueue queue;
    pumpWindowEvents(queue);
    std::vector<WPARAM> chars;
    for (MSG msg{}; queue.peek(msg, PM_REMOVE);)
      if (msg.message == WM_CHAR) chars.push_back(msg.wParam);
    return chars;
  };
  std::string error;
  for (bool early : {false, true}) {
    setTextInput(early);
    auto window = openTestWindow(error);
    ASSERT_TRUE(window) << error;
    EXPECT_EQ(SDL_IsTextInputActive() == SDL_TRUE, early) << "on before the window: " << early;
    setTextInput(!early);
    EXPECT_EQ(SDL_IsTextInputActive() == SDL_TRUE, !early) << "switched over to " << !early;
    EXPECT_EQ(typeText("x\xE2\x82\xAC"), (std::vector<WPARAM>{'x', 0x20AC}));
    setTextInput(false);
    EXPECT_EQ(textInputOn() || SDL_IsTextInputActive(), false);
  }
}

}  // namespace
