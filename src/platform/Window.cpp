#include "platform/Window.h"

#include "platform/EventTranslator.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace qor::platform {

namespace {

Window* openWindow = nullptr;
int cursorCount = 0;
bool textInputWanted = false;
EventTranslator translator;

// True when SDL_VIDEODRIVER names `driver` (it may list several, separated
// by commas).
bool driverRequested(const char* driver) {
  const char* wanted = std::getenv("SDL_VIDEODRIVER");
  if (!wanted) return false;
  const std::size_t len = std::strlen(driver);
  for (const char* p = wanted; *p;) {
    const char* end = std::strchr(p, ',');
    const std::size_t n = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
    if (n == len && strncasecmp(p, driver, n) == 0) return true;
    if (!end) break;
    p = end + 1;
  }
  return false;
}

bool invisibleDriver(const char* driver) {
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
                    std::strcmp(driver, "evdev") == 0);
}

void applyCursor() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

// Brings up the video subsystem once; false (and the cause) when there is no
// display the user can see. It stays up until the process ends: shutting it
// down closes the display and unloads the GL driver, after which the leak
// checker can no longer name the driver's own allocations.
bool startVideo(std::string& error) {
  static bool started = false;
  if (started) return true;
  // Windows does not capture the pointer while a button is held unless the
  // program asks, so SDL's automatic capture stays off. (X11 still reports a
  // drag that leaves the window, with positions outside the client area; the
  // window procedure reads them signed.)
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  // Unless the user chose a driver, try only those that show a window.
  // Wayland needs XDG_RUNTIME_DIR; without it, trying only makes libwayland
  // print a complaint of its own.
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  if (!chosen || !*chosen) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, runtimeDir && *runtimeDir ? "x11,wayland,kmsdrm" : "x11,kmsdrm");
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    const char* display = std::getenv("DISPLAY");
    error = std::string("no display (") + (display && *display ? "DISPLAY cannot be opened" : "DISPLAY is not set") +
            "): " + SDL_GetError();
    return false;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (invisibleDriver(driver) && !driverRequested(driver)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    const char* display = std::getenv("DISPLAY");
    error = std::string("no display (") + (display && *display ? "DISPLAY cannot be used" : "DISPLAY is not set") +
            "; SDL offered only its invisible \"" + driver + "\" video driver)";
    return false;
  }
  // Hold one reference on the GL library, so that destroying a window never
  // unloads the driver (and the leak checker can still name its memory).
  // When it cannot be loaded, the window creation reports why.
  SDL_GL_LoadLibrary(nullptr);
  started = true;
  return true;
}

void setPixelFormat(const PixelFormat& format) {
  SDL_GL_ResetAttributes();
  const int channel = format.colorBits >= 24 ? 8 : format.colorBits / 3;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, format.alphaBits);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
  const int accum = format.accumBits / 4;
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);
  // Fixed-function drawing needs a legacy context.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
}

}  // namespace

std::unique_ptr<Window> Window::create(const char* title, int x, int y, int width, int height, bool popup,
                                       const PixelFormat& format, std::string& error) {
  if (openWindow) {
    error = "a window is already open";
    return nullptr;
  }
  if (width <= 0 || height <= 0) {
    error = "invalid window size " + std::to_string(width) + " x " + std::to_string(height);
    return nullptr;
  }
  if (!startVideo(error)) return nullptr;
  std::unique_ptr<Window> window(new Window);
  setPixelFormat(format);
  const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | (popup ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE);
  window->window_ = SDL_CreateWindow(title, x, y, width, height, flags);
  if (!window->window_) {
    error = std::string("cannot create the window: ") + SDL_GetError();
    return nullptr;
  }
  // Keys only, unless text input was asked for.
  if (textInputWanted) SDL_StartTextInput();
  else SDL_StopTextInput();
  translator = EventTranslator{};
  openWindow = window.get();
  applyCursor();
  return window;
}

Window::~Window() {
  if (openWindow == this) openWindow = nullptr;
  if (window_) SDL_DestroyWindow(window_);
}

void Window::show() { SDL_ShowWindow(window_); }

void Window::swapBuffers() { SDL_GL_SwapWindow(window_); }

std::string Window::title() const { return SDL_GetWindowTitle(window_); }

void Window::clientSize(int& width, int& height) const { SDL_GetWindowSize(window_, &width, &height); }

bool Window::changeDisplayMode(int width, int height, int bitsPerPixel) {
  SDL_DisplayMode wanted{bitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888, width, height, 0,
                         nullptr};
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(window_);
  if (display >= 0 && SDL_GetClosestDisplayMode(display, &wanted, &mode)) SDL_SetWindowDisplayMode(window_, &mode);
  return SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0;
}

void Window::restoreDisplayMode() { SDL_SetWindowFullscreen(window_, 0); }

GLContext Window::createContext(std::string& error) {
  SDL_GLContext context = SDL_GL_CreateContext(window_);
  if (!context) {
    error = std::string("cannot create an OpenGL context: ") + SDL_GetError();
    return nullptr;
  }
  if (SDL_GL_MakeCurrent(window_, context) != 0) {
    error = std::string("cannot make the OpenGL context current: ") + SDL_GetError();
    SDL_GL_DeleteContext(context);
    return nullptr;
  }
  // Ask for one refresh per swap; believe it only when the driver reports
  // it back (a refusing driver reports 0, and its swaps do not wait).
  vsync_ = SDL_GL_SetSwapInterval(1) == 0 && SDL_GL_GetSwapInterval() == 1;
  return context;
}

bool Window::makeCurrent(GLContext context) { return SDL_GL_MakeCurrent(window_, context) == 0; }

void Window::deleteContext(GLContext context) {
  if (context) SDL_GL_DeleteContext(context);
}

Window* currentWindow() { return openWindow; }

void pumpWindowEvents(MessageQueue& queue) {
  if (!openWindow) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) translator.translate(event, openWindow, queue);
}

void setTextInput(bool on) {
  textInputWanted = on;
  if (!openWindow) return;
  if (on) SDL_StartTextInput();
  else SDL_StopTextInput();
}

bool textInputOn() { return textInputWanted; }

int showCursor(bool show) {
  cursorCount += show ? 1 : -1;
  applyCursor();
  return cursorCount;
}

bool getCursorPos(int32_t& x, int32_t& y) {
  if (!openWindow) return false;
  int gx = 0, gy = 0;
  SDL_GetGlobalMouseState(&gx, &gy);
  x = gx;
  y = gy;
  return true;
}

}  // namespace qor::platform
