// The pass on a real context: a grey wall behind a cube (not drawn) lit from the front takes the cube's shadow.

#include "platform/Window.h"
#include "shadows/VolumeShadows.h"
#include "support/ModelFixtures.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

using namespace qor;

// Counts operator new calls while `counting` is set; not under AddressSanitizer, which pairs news and deletes.
static int counting = 0, allocations = 0;
#if !defined(__SANITIZE_ADDRESS__)
// These replace the global operators, so malloc and free do pair up; GCC,
// seeing a new and a free once both are inlined, warns all the same.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  allocations += counting;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

TEST(ShadowPass, DarkensTheShadowOnlyWithAStencilBufferAndAllocatesNothingOnceSetUp) {
  const auto cube = kelvo::test::parseModel(kelvo::test::kCubeObj);
  const float cubeAt[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -3, 1}, light[4] = {0, 0.5f, -1, 1};
  const ShadowCaster items[] = {{cubeAt, cube.get(), cubeAt, true}};
  for (const int stencilBits : {8, 0}) {
    platform::PixelFormat format;
    format.stencilBits = stencilBits;
    std::string error;
    auto window = platform::Window::create("shadow test", 0, 0, 64, 64, false, format, error);
    platform::GLContext context = window ? window->createContext(error) : nullptr;
    ASSERT_TRUE(context) << error;
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 1.0, 0.01, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    VolumeShadows shadows;
    for (const int second : {0, 1}) {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glColor3ub(200, 200, 200);
      glTranslatef(0.0f, 0.0f, -5.0f);
      glRectf(-10.0f, -10.0f, 10.0f, 10.0f);
      glLoadIdentity();
      counting = second;  // the second frame finds every record made
      shadows.CastShadows(light, items);
      counting = 0;
    }
    std::vector<GLubyte> red(64 * 64);
    glReadPixels(0, 0, 64, 64, GL_RED, GL_UNSIGNED_BYTE, red.data());
    const auto shadowed = std::count_if(red.begin(), red.end(), [](int v) { return v >= 119 && v <= 121; });
    EXPECT_EQ(std::count(red.begin(), red.end(), 200) + shadowed, 64 * 64);  // the wall's grey, or 60 % of it
    EXPECT_TRUE(stencilBits ? shadowed > 200 : shadowed == 0) << shadowed << " shadowed, stencil bits " << stencilBits;
    window->makeCurrent(nullptr);
    platform::Window::deleteContext(context);
  }
  EXPECT_EQ(allocations, 0);
}
