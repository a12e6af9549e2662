// The real window under a display (Xvfb in the test scripts): pixel format,
// legacy GL context, window-system events as messages, cursor, clipboard.

#include "platform/Clipboard.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"
#include "platform/Window.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using namespace qor::platform;

std::unique_ptr<Window> openTestWindow(std::string& error, bool popup = false) {
  return Window::create("Kelvo Platform Test", 0, 0, 320, 240, popup, PixelFormat{}, error);
}

TEST(WindowTest, PixelFormatAndLegacyContext) {
  std::string error;
  auto window = openTestWindow(error);
  ASSERT_TRUE(window) << error;
  EXPECT_EQ(currentWindow(), window.get());
  EXPECT_EQ(window->title(), "Kelvo Platform Test");
  int w = 0, h = 0;
  window->clientSize(w, h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);

  GLContext context = window->createContext(error);
  ASSERT_NE(context, nullptr) << error;
  int value = 0;
  SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &value);
  EXPECT_EQ(value, 1);
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &value);
  EXPECT_GE(value, 16);
  SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &value);
  EXPECT_GE(value, 1);
  SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &value);
  EXPECT_GE(value, 8);
  GLint stencilBits = 0;
  glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
  EXPECT_GE(stencilBits, 1);

  // Fixed-function calls work in the context: no errors, matrices apply.
  while (glGetError() != GL_NO_ERROR) {
  }
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glTranslatef(1.0f, 2.0f, 3.0f);
  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_FLOAT_EQ(m[12], 1.0f);
  glBegin(GL_TRIANGLES);
  glVertex3f(0, 0, 0);
  glVertex3f(1, 0, 0);
  glVertex3f(0, 1, 0);
  glEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // A second window is refused while one is open.
  std::string second;
  EXPECT_FALSE(openTestWindow(second));
  EXPECT_FALSE(second.empty());

  EXPECT_TRUE(window->makeCurrent(nullptr));
  Window::deleteContext(context);
  window.reset();
  EXPECT_EQ(currentWindow(), nullptr);
}

TEST(WindowTest, WindowSystemEventsBecomeMessagesForTheWindow) {
  std::string error;
  auto window = openTestWindow(error);
  ASSERT_TRUE(window) << error;
  MessageQueue queue;
  pumpWindowEvents(queue);  // whatever the window system sent on creation
  queue.clear();

  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  e.key.keysym.sym = SDLK_ESCAPE;
  e.key.windowID = SDL_GetWindowID(window->sdlWindow());
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  pumpWindowEvents(queue);
  MSG msg;
  bool found = false;
  while (queue.peek(msg, PM_REMOVE)) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      found = true;
      EXPECT_EQ(msg.hwnd, window.get());
    }
  }
  EXPECT_TRUE(found);
  window.reset();
  // Without a window nothing is pumped.
  pumpWindowEvents(queue);
  EXPECT_EQ(queue.size(), 0u);
}

TEST(WindowTest, CursorCounterAndClipboard) {
  std::string error;
  auto window = openTestWindow(error, true);
  ASSERT_TRUE(window) << error;
  EXPECT_EQ(showCursor(false), -1);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  EXPECT_EQ(showCursor(false), -2);
  EXPECT_EQ(showCursor(true), -1);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);  // still hidden: the count is below 0
  EXPECT_EQ(showCursor(true), 0);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);

  int32_t x = -1, y = -1;
  EXPECT_TRUE(getCursorPos(x, y));

  ASSERT_TRUE(setClipboardText("print(1 + 2);"));
  EXPECT_EQ(getClipboardText(), "print(1 + 2);");
  window.reset();
  EXPECT_FALSE(getCursorPos(x, y));
}

TEST(WindowTest, BadSizeIsRefusedWithACause) {
  std::string error;
  EXPECT_FALSE(Window::create("Kelvo Platform Test", 0, 0, 0, 240, false, PixelFormat{}, error));
  EXPECT_NE(error.find("size"), std::string::npos);
  EXPECT_EQ(currentWindow(), nullptr);
}

}  // namespace
