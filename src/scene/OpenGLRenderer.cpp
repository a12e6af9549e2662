#include "scene/OpenGLRenderer.h"

#include "app/ScreenSettings.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace qor {

SmartPointer<IRenderer> renderer;

const platform::PixelFormat OpenGLRenderer::kPixelFormat{};

OpenGLRenderer::OpenGLRenderer(std::unique_ptr<platform::Window> window, bool fullscreen)
    : fullscreen_(fullscreen), window_(std::move(window)) {
  if (!window_) {
    error_ = "no window";
    return;
  }
  if (fullscreen_) {
    platform::showCursor(false);
    // As with ChangeDisplaySettings, a refused mode change is not an error:
    // the window then covers the desktop in its current mode.
    window_->changeDisplayMode(screenSettings.width, screenSettings.height, 32);
  }
  context_ = window_->createContext(error_);
  if (!context_) return;

  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClearDepth(1.0);
  glClearStencil(0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_NORMALIZE);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
}

OpenGLRenderer::~OpenGLRenderer() {
  if (window_ && fullscreen_) window_->restoreDisplayMode();
  platform::showCursor(true);
  if (context_) {
    window_->makeCurrent(nullptr);
    platform::Window::deleteContext(context_);
    context_ = nullptr;
  }
  window_.reset();
}

void OpenGLRenderer::resize(int32_t width, int32_t height) {
  screenSettings.width = width;
  screenSettings.height = height;
  setProjection();
}

void OpenGLRenderer::setProjection() {
  if (screenSettings.height == 0) screenSettings.height = 1;
  if (!context_) return;
  const int32_t width = screenSettings.width;
  const int32_t height = screenSettings.height;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const float aspect = static_cast<float>(width) / static_cast<float>(height);
  gluPerspective(45.0, aspect, 0.01f, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void OpenGLRenderer::render() {
  if (!context_) return;
  // The GUI's pointer position (GetCursorPos) is read here once the GUI
  // exists.
  setProjection();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDepthFunc(GL_LEQUAL);

  drawFrame();

  glDepthFunc(GL_LESS);
  // The GUI is drawn over the frame here.
  glFlush();
  window_->swapBuffers();
}

void OpenGLRenderer::drawFrame() {
  // Fog in the game stage, glDrawBuffer(GL_BACK) and the scene, then the
  // motion-blur blend through the accumulation buffer.
}

}  // namespace qor
