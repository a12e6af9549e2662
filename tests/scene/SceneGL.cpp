#include "SceneGL.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace scene_test {

namespace {

class GLEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      ADD_FAILURE() << "SDL_Init: " << SDL_GetError();
      return;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 1);
    window_ = SDL_CreateWindow("scene test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 64, 64,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window_) {
      ADD_FAILURE() << "SDL_CreateWindow: " << SDL_GetError();
      return;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
      ADD_FAILURE() << "SDL_GL_CreateContext: " << SDL_GetError();
      return;
    }
    SDL_GL_MakeCurrent(window_, context_);
    ready = true;
  }

  // The window and context stay until the process ends: destroying the
  // last GL window unloads the driver, and the leak checker could then no
  // longer tell the driver's own allocations (which it suppresses) from ours.
  void TearDown() override { ready = false; }

  static bool ready;

private:
  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
};

bool GLEnvironment::ready = false;

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new GLEnvironment);

}  // namespace

bool glReady() { return GLEnvironment::ready; }

}  // namespace scene_test
