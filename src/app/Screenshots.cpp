// The viewer's F12 screenshots. The show stays as quiet as ever: a saved
// screenshot is the new file in its folder, and only a screenshot that
// cannot be written says so, on standard error.

#include "app/Hooks.h"

#include "material/Screenshot.h"
#include "scene/Renderer.h"

#include <cstdio>
#include <string>

namespace qor {

namespace {

bool requested = false;
// Sized at the first screenshot; later ones reuse the storage.
FrameCapture capture;

void saveRequestedScreenshot(void*) {
  if (!requested) return;
  requested = false;
  capture.wanted = true;
  const uint32_t before = capture.reads;
  captureBackBuffer(&capture);
  std::string name;
  if (capture.reads == before || !saveNumberedPng(capture, ".", name))
    std::fprintf(stderr, "kelvo-viewer: cannot write a screenshot in the working directory\n");
}

}  // namespace

void requestScreenshot() { requested = true; }

bool screenshotRequested() { return requested; }

void connectScreenshots() {
  renderHooks.beforeSwap = &saveRequestedScreenshot;
  renderHooks.beforeSwapData = nullptr;
}

}  // namespace qor
