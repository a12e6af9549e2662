// The pass on a real context: a grey wall behind a cube (not drawn itself),
// lit from between the cube and the eye, so the cube's shadow falls on the
// wall below it.

#include "support/ModelFixtures.h"

#include "platform/Window.h"
#include "shadows/VolumeShadows.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using namespace qor;

// How many pixels of a 64 × 64 window whose pixel format asks for
// `stencilBits` keep the wall's grey 200 after the pass, and how many are
// darkened to 60 % of it.
std::pair<int, int> litAndShadowedPixels(int stencilBits) {
  platform::PixelFormat format;
  format.stencilBits = stencilBits;
  std::string error;
  auto window = platform::Window::create("shadow test", 0, 0, 64, 64, false, format, error);
  platform::GLContext context = window ? window->createContext(error) : nullptr;
  if (!context) {
    ADD_FAILURE() << error;
    return {};
  }
  glMatrixMode(GL_PROJECTION);
  gluPerspective(45.0, 1.0, 0.01, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColor3ub(200, 200, 200);
  glTranslatef(0.0f, 0.0f, -5.0f);
  glRectf(-10.0f, -10.0f, 10.0f, 10.0f);
  glLoadIdentity();
  auto node = makeShared<GeometryNode>(kelvo::test::parseModel(kelvo::test::kCubeObj), true, true);
  node->modelView[0] = node->modelView[5] = node->modelView[10] = node->modelView[15] = 1.0f;
  node->modelView[14] = -3.0f;
  auto light = makeShared<LightNode>();
  light->position[1] = 0.5f;
  light->position[2] = -1.0f;
  light->position[3] = 1.0f;
  VolumeShadows().CastShadows(light, {node});
  std::vector<GLubyte> red(64 * 64);
  glReadPixels(0, 0, 64, 64, GL_RED, GL_UNSIGNED_BYTE, red.data());
  window->makeCurrent(nullptr);
  platform::Window::deleteContext(context);
  return {std::count(red.begin(), red.end(), 200), std::count_if(red.begin(), red.end(), [](int v) {
            return v >= 119 && v <= 121;
          })};
}

TEST(ShadowPass, DarkensTheShadowOnlyWhenTheFramebufferHasAStencilBuffer) {
  const auto [lit, shadowed] = litAndShadowedPixels(8);
  EXPECT_GT(shadowed, 200);
  EXPECT_EQ(lit + shadowed, 64 * 64);
  EXPECT_EQ(litAndShadowedPixels(0), std::pair(64 * 64, 0));
}

}  // namespace
