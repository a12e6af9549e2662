// The pass on a real context: a grey wall behind a cube (not drawn itself),
// lit from between the cube and the eye, so the cube's shadow falls on the
// wall below it.

#include "platform/Window.h"
#include "shadows/VolumeShadows.h"
#include "support/ModelFixtures.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

// Counts the program's operator new calls while `counting` is set; not
// under AddressSanitizer, whose allocator must pair every new and delete.
static bool counting = false;
static int allocations = 0;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCountsAllocations = false;
#else
constexpr bool kCountsAllocations = true;
void* operator new(std::size_t size) {
  allocations += counting;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

using namespace qor;

// How many of the 64 × 64 pixels keep the wall's grey 200 after two frames,
// and how many are darkened to 60 % of it, when the pixel format asks for
// `stencilBits`.
std::pair<int, int> litAndShadowedPixels(int stencilBits) {
  platform::PixelFormat format;
  format.stencilBits = stencilBits;
  std::string error;
  auto window = platform::Window::create("shadow test", 0, 0, 64, 64, false, format, error);
  platform::GLContext context = window ? window->createContext(error) : nullptr;
  if (!context) return {-1, -1};
  glMatrixMode(GL_PROJECTION);
  gluPerspective(45.0, 1.0, 0.01, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  auto node = makeShared<GeometryNode>(kelvo::test::parseModel(kelvo::test::kCubeObj), true, true);
  const float at[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -3, 1};
  std::copy(at, at + 16, node->modelView);
  auto light = makeShared<LightNode>();
  std::copy(at + 12, at + 16, light->position);
  light->position[1] = 0.5f;
  light->position[2] = -1.0f;
  const std::vector<SmartPointer<GeometryNode>> items{node};
  VolumeShadows shadows;
  for (const bool second : {false, true}) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3ub(200, 200, 200);
    glTranslatef(0.0f, 0.0f, -5.0f);
    glRectf(-10.0f, -10.0f, 10.0f, 10.0f);
    glLoadIdentity();
    counting = second;  // the second frame finds every record made
    shadows.CastShadows(light, items);
    counting = false;
  }
  std::vector<GLubyte> red(64 * 64);
  glReadPixels(0, 0, 64, 64, GL_RED, GL_UNSIGNED_BYTE, red.data());
  window->makeCurrent(nullptr);
  platform::Window::deleteContext(context);
  return {std::count(red.begin(), red.end(), 200), std::count_if(red.begin(), red.end(), [](int v) {
            return v >= 119 && v <= 121;
          })};
}

TEST(ShadowPass, DarkensTheShadowOnlyWithAStencilBufferAndAllocatesNothingOnceSetUp) {
  const auto [lit, shadowed] = litAndShadowedPixels(8);
  EXPECT_GT(shadowed, 200);
  EXPECT_EQ(lit + shadowed, 64 * 64);
  EXPECT_EQ(litAndShadowedPixels(0), std::pair(64 * 64, 0));
  EXPECT_EQ(kCountsAllocations ? allocations : 0, 0);
}

}  // namespace
