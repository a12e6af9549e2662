// GUI benchmark: draws the GUI pass alone in a hidden window, many times:
// the two diagnostic windows with the installation's skin and font, and the
// console open with a full screen of lines (long ones wrapped, a selection,
// the cursor). Reports the time per pass and counts the heap allocations
// made while drawing (the pass works on what it holds, so there should be
// none).
//
//   kelvo-bench-gui [--frames N] [--size WxH]
//
// Needs a display (xvfb-run -a works); with none, SDL's offscreen driver is
// asked for. Reads the images from the source tree's game/ folder.

#include "BenchSupport.h"
#include "app/Hooks.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "base/memory/IMMObject.h"
#include "gui/GuiManager.h"
#include "material/TextureManager.h"
#include "platform/Window.h"
#include "scene/OpenGLRenderer.h"

#include <GL/gl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

int main(int argc, char** argv) {
  long frames = 2000;
  int width = 640, height = 480;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--frames") == 0) frames = std::atol(argv[i + 1]);
    else if (std::strcmp(argv[i], "--size") == 0) std::sscanf(argv[i + 1], "%dx%d", &width, &height);
  }
  if (frames <= 0 || width <= 0 || height <= 0) {
    std::fputs("usage: kelvo-bench-gui [--frames N] [--size WxH]\n", stderr);
    return 2;
  }
  const char* display = std::getenv("DISPLAY");
  if ((!display || !*display) && !std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);

  using namespace qor;
  SmartPointer<OpenGLRenderer> gl = kelvo::bench::openRenderer("kelvo-bench-gui", width, height);
  if (!gl) return 1;

  std::filesystem::current_path(KELVO_GAME_DIR);
  connectGui();
  createDiagnosticWindows();
  if (!gui::guiManager.loadGuiConfig()) {
    std::fputs("kelvo-bench-gui: no GUIConfig.txt in " KELVO_GAME_DIR "\n", stderr);
    return 1;
  }
  // A console with more lines than it shows, some of them wrapped.
  gui::Console& console = gui::guiManager.console;
  for (int i = 0; i < 30; ++i) {
    console.lines.insert(console.lines.end() - 1, i % 3 == 0 ? std::string(150, 'x') : "print(" + std::to_string(i) + ");");
    console.isOutput.insert(console.isOutput.end() - 1, i % 2 == 1);
  }
  console.editLine() = "scene.setX(1.5);";
  console.selStart = 2;
  console.selEnd = console.cursor = 9;
  inputState.consoleVisible = true;

  auto pass = [&]() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderHooks.opaqueItemsDrawn(static_cast<uint32_t>(frames));
    gui::guiManager.drawGui();
    gl->window()->swapBuffers();
  };
  for (int i = 0; i < 10; ++i) pass();  // warm-up

  const long allocationsBefore = kelvo::bench::allocations.load();
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < frames; ++i) pass();
  glFinish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long passAllocations = kelvo::bench::allocations.load() - allocationsBefore;

  std::printf("GUI pass, frames %ld, %dx%d: %.3f ms/frame, %ld heap allocations while drawing\n", frames, width,
              height, 1000.0 * seconds / static_cast<double>(frames), passAllocations);

  gui::guiManager.shutdownGui();
  textureManager.releaseTextures();
  renderHooks = RenderHooks{};
  renderer = nullptr;
  gl = nullptr;
  collectRemainingObjects();
  return 0;
}
