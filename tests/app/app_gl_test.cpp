// The shell's window and the renderer on a real display (Xvfb in the test
// scripts): window creation from the screen settings, the fixed GL state of
// the renderer, resize, and a frame.

#include "app/App.h"
#include "app/ScreenSettings.h"
#include "platform/Window.h"
#include "scene/OpenGLRenderer.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace qor;

class RendererTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    screenSettings = ScreenSettings{};
    screenSettings.width = 400;
    screenSettings.height = 300;
    screenSettings.fullscreen = false;
    std::string error;
    created = createMainWindow(error);
    creationError = error;
  }
  static void TearDownTestSuite() {
    renderer = nullptr;
    collectGarbage();
    unregisterMainWindowClass();
  }
  void SetUp() override { ASSERT_TRUE(created) << creationError; }
  static OpenGLRenderer* gl() { return static_cast<OpenGLRenderer*>(renderer.get()); }

  static inline bool created = false;
  static inline std::string creationError;
};

TEST_F(RendererTest, WindowFollowsTheScreenSettings) {
  platform::Window* window = gl()->window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->title(), "Kelvo Viewer");
  int w = 0, h = 0;
  window->clientSize(w, h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 300);
  EXPECT_TRUE(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_SHOWN);
  EXPECT_FALSE(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_BORDERLESS);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);  // windowed: the pointer stays
  // A second window class cannot be registered while the first is.
  EXPECT_FALSE(registerMainWindowClass());
}

TEST_F(RendererTest, FixedStateAfterConstruction) {
  // Checked before any frame changes the depth function.
  GLint shade = 0, depthFunc = 0, cullFace = 0, hint = 0, stencilClear = -1;
  glGetIntegerv(GL_SHADE_MODEL, &shade);
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
  glGetIntegerv(GL_STENCIL_CLEAR_VALUE, &stencilClear);
  EXPECT_EQ(shade, GL_SMOOTH);
  EXPECT_EQ(depthFunc, GL_LEQUAL);
  EXPECT_EQ(cullFace, GL_BACK);
  EXPECT_EQ(hint, GL_NICEST);
  EXPECT_EQ(stencilClear, 0);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLfloat clear[4] = {1, 1, 1, 0};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0], 0.0f);
  EXPECT_EQ(clear[1], 0.0f);
  EXPECT_EQ(clear[2], 0.0f);
  EXPECT_EQ(clear[3], 1.0f);
  GLfloat depthClear = 0;
  glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depthClear);
  EXPECT_EQ(depthClear, 1.0f);
}

// The projection gluPerspective(45, aspect, 0.01, 100) gives.
void expectPerspective(float aspect) {
  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
  EXPECT_NEAR(m[0], f / aspect, 1e-4);
  EXPECT_NEAR(m[5], f, 1e-4);
  const double n = 0.01f, fa = 100.0;
  EXPECT_NEAR(m[10], (fa + n) / (n - fa), 1e-5);
  EXPECT_NEAR(m[14], 2 * fa * n / (n - fa), 1e-6);
  EXPECT_EQ(m[11], -1.0f);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(RendererTest, ResizeSetsViewportAndProjection) {
  renderer->resize(200, 100);
  EXPECT_EQ(screenSettings.width, 200);
  EXPECT_EQ(screenSettings.height, 100);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 0);
  EXPECT_EQ(viewport[2], 200);
  EXPECT_EQ(viewport[3], 100);
  expectPerspective(2.0f);

  // Height 0 is taken as 1, and stored so.
  renderer->resize(300, 0);
  EXPECT_EQ(screenSettings.height, 1);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[3], 1);
  expectPerspective(300.0f);
  renderer->resize(400, 300);
}

TEST_F(RendererTest, FrameFollowsTheStoredWindowSizeAndClears) {
  // A size change arrives as WM_SIZE, which only stores the size; the next
  // frame rebuilds viewport and projection from it.
  screenSettings.width = 320;
  screenSettings.height = 240;
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  renderer->render();
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 320);
  EXPECT_EQ(viewport[3], 240);
  GLint depthFunc = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  EXPECT_EQ(depthFunc, GL_LESS);  // as the frame leaves it for the GUI

  // What render cleared is what was swapped to the front: black.
  glReadBuffer(GL_FRONT);
  unsigned char pixel[4] = {9, 9, 9, 9};
  glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 0);
  EXPECT_EQ(pixel[1], 0);
  EXPECT_EQ(pixel[2], 0);
  glReadBuffer(GL_BACK);
  screenSettings.width = 400;
  screenSettings.height = 300;
}

TEST(RendererWithoutWindowTest, DrawsNothingAndSaysWhy) {
  SmartPointer<OpenGLRenderer> r = makeShared<OpenGLRenderer>(nullptr, false);
  EXPECT_FALSE(r->hasContext());
  EXPECT_FALSE(r->error().empty());
  const ScreenSettings saved = screenSettings;
  r->resize(10, 0);
  r->render();
  EXPECT_EQ(screenSettings.height, 1);
  screenSettings = saved;
}

}  // namespace
