#pragma once
// What the benchmarks share: a count of heap allocations (each benchmark is
// one source file, so the replaced operators below are defined once per
// executable) and a window with the viewer's renderer on it.

#include "app/ScreenSettings.h"
#include "platform/Window.h"
#include "scene/OpenGLRenderer.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace kelvo::bench {
inline std::atomic<long> allocations{0};
}  // namespace kelvo::bench

void* operator new(std::size_t size) {
  kelvo::bench::allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace kelvo::bench {

// A width × height window with the renderer on it, set as the program's
// renderer; null (after a line on standard error) when there is none.
inline qor::SmartPointer<qor::OpenGLRenderer> openRenderer(const char* name, int width, int height) {
  using namespace qor;
  screenSettings.width = width;
  screenSettings.height = height;
  screenSettings.fullscreen = false;
  renderHooks.width = &screenSettings.width;
  renderHooks.height = &screenSettings.height;
  std::string error;
  std::unique_ptr<platform::Window> window =
      platform::Window::create(name, 0, 0, width, height, false, OpenGLRenderer::kPixelFormat, error);
  if (!window) {
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    return nullptr;
  }
  SmartPointer<OpenGLRenderer> gl = makeShared<OpenGLRenderer>(std::move(window), false);
  if (!gl->hasContext()) {
    std::fprintf(stderr, "%s: %s\n", name, gl->error().c_str());
    return nullptr;
  }
  renderer = gl;
  renderer->resize(width, height);
  return gl;
}

}  // namespace kelvo::bench
