#include "GLContext.h"

#include <SDL.h>

#include <cstdio>

namespace kelvo::test {

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
bool tried = false;

// Tears the window down after the last test, while the program is still
// whole (static destructors run too late for SDL). SDL_Quit is left out on
// purpose: it closes the display and unloads the GL driver, after which the
// leak checker can no longer name the driver's own allocations (and so can
// no longer tell them apart from ours).
class GLEnvironment : public ::testing::Environment {
public:
  void TearDown() override {
    if (context) SDL_GL_DeleteContext(context);
    if (window) SDL_DestroyWindow(window);
    context = nullptr;
    window = nullptr;
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new GLEnvironment);

}  // namespace

bool ensureGLContext() {
  if (context) return true;
  if (tried) return false;
  tried = true;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  window = SDL_CreateWindow("kelvo test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 64, 64,
                            SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  if (!window) {
    std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
    return false;
  }
  context = SDL_GL_CreateContext(window);
  if (!context) {
    std::fprintf(stderr, "SDL_GL_CreateContext: %s\n", SDL_GetError());
    return false;
  }
  SDL_GL_MakeCurrent(window, context);
  return true;
}

}  // namespace kelvo::test
