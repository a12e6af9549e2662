#pragma once
// The program's window and its GL context, on SDL2.
//
// Creating the first window brings up SDL's video subsystem (for the rest of
// the process). A display the
// user cannot see counts as no display: with no DISPLAY, SDL quietly falls
// back to its "offscreen" (or "dummy") driver, and a viewer running there
// could never be seen or quit. Those drivers are accepted only when the
// SDL_VIDEODRIVER environment variable asked for them.

#include "platform/Messages.h"

#include <cstdint>
#include <memory>
#include <string>

struct SDL_Window;

namespace qor::platform {

// The framebuffer the GL context draws into; fixed when the window is made.
struct PixelFormat {
  bool doubleBuffer = true;
  int colorBits = 32;  // red, green and blue 8 bits each
  int alphaBits = 0;
  int depthBits = 16;
  int stencilBits = 8;  // the shadow volumes count overlaps in it
  int accumBits = 0;
};

using GLContext = void*;

class Window {
public:
  // Opens a hidden window of `width` × `height` client pixels at (x, y):
  // a borderless pop-up, or an ordinary resizable window. Null, with the
  // cause in `error`, when there is no display or SDL refuses.
  static std::unique_ptr<Window> create(const char* title, int x, int y, int width, int height, bool popup,
                                        const PixelFormat& format, std::string& error);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void show();
  void swapBuffers();
  std::string title() const;
  void clientSize(int& width, int& height) const;
  SDL_Window* sdlWindow() const { return window_; }

  // Switches the display to width × height (the window becomes full screen),
  // and back to the desktop mode. The results mirror ChangeDisplaySettings:
  // true when the switch was made.
  bool changeDisplayMode(int width, int height, int bitsPerPixel);
  void restoreDisplayMode();

  // A legacy (compatibility profile) context on this window, made current,
  // whose buffer swaps wait for the display's refresh where the driver
  // allows (see vsync). Null, with the cause in `error`, when none can be had.
  GLContext createContext(std::string& error);
  // The driver took the swap interval of 1: each swap waits for the next
  // refresh. Xvfb's and some other drivers refuse it, and swap at once.
  bool vsync() const { return vsync_; }
  bool makeCurrent(GLContext context);
  static void deleteContext(GLContext context);

private:
  Window() = default;
  SDL_Window* window_ = nullptr;
  bool vsync_ = false;
};

// The window currently open (there is at most one), or null.
Window* currentWindow();

// Turns the window system's pending events into messages on `queue`. Does
// nothing while no window is open.
void pumpWindowEvents(MessageQueue& queue);

// Text input: while it is on, each character typed (in the user's keyboard
// layout, dead keys and compose sequences included) also comes as WM_CHAR
// after its key's WM_KEYDOWN. It is off in every new window, so a program
// that reads only keys sees exactly the messages it always did. Switching
// it on before any window exists takes effect when the window opens.
void setTextInput(bool on);
bool textInputOn();

// ShowCursor: a display counter, the pointer is visible while it is >= 0.
// Returns the new count.
int showCursor(bool show);

// GetCursorPos: the pointer position in desktop coordinates. False while no
// window is open.
bool getCursorPos(int32_t& x, int32_t& y);

}  // namespace qor::platform
