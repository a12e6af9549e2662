// The shell's window and renderer on a real display (Xvfb in the test
// scripts): created from the screen settings, resized, sized by WM_SIZE.

#include "app/App.h"
#include "app/ScreenSettings.h"
#include "app/WindowProc.h"
#include "scene/OpenGLRenderer.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

namespace {

using namespace qor;

std::vector<GLint> viewport() {
  std::vector<GLint> box(4);
  glGetIntegerv(GL_VIEWPORT, box.data());
  return box;
}

TEST(RendererTest, WindowFromTheSettingsFollowsItsSizeAndWithoutAWindowNothingIsDrawn) {
  screenSettings = ScreenSettings{};
  screenSettings.width = 400;
  screenSettings.height = 300;
  screenSettings.fullscreen = false;
  std::string error;
  ASSERT_TRUE(createMainWindow(error)) << error;
  platform::Window* window = static_cast<OpenGLRenderer*>(renderer.get())->window();
  EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow()) & (SDL_WINDOW_SHOWN | SDL_WINDOW_BORDERLESS), SDL_WINDOW_SHOWN);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);  // windowed: the pointer stays
  // A 45 degree perspective for the aspect; height 0 is taken as 1.
  for (auto [width, height, aspect] : {std::tuple{200, 100, 2.0f}, {300, 0, 300.0f}}) {
    renderer->resize(width, height);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, width, std::max(height, 1)}));
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[5], 2.41421f, 1e-4);
    EXPECT_NEAR(m[5] / m[0], aspect, aspect * 1e-5);
  }
  // A size change arrives as WM_SIZE; the next frame follows it.
  windowProc(nullptr, platform::WM_SIZE, platform::SIZE_RESTORED, platform::MAKELPARAM(320, 240));
  renderer->render();
  EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 320, 240}));
  renderer = nullptr;
  collectGarbage();
  unregisterMainWindowClass();

  // Without a window the renderer draws nothing, and says why.
  SmartPointer<OpenGLRenderer> r = makeShared<OpenGLRenderer>(nullptr, false);
  EXPECT_FALSE(r->hasContext());
  EXPECT_FALSE(r->error().empty());
  r->resize(10, 0);
  r->render();
}

}  // namespace
