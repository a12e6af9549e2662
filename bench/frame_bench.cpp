// Frame benchmark: renders many lit cubes in a hidden window and reports
// frames per second, first through the renderer (scene walk, depth sort,
// culling, two passes, motion blur, swap) and then as a bare GL loop that
// calls the same display lists with the same matrices, for comparison. It
// also counts heap allocations made while the frames are drawn (the
// renderer's lists keep their storage, so there should be none).
//
//   kelvo-bench-frame [--frames N] [--rounds N] [--cubes N] [--size WxH]
//
// Needs a display (xvfb-run -a works); with none, SDL's offscreen driver is
// asked for.

#include "BenchSupport.h"
#include "app/ScreenSettings.h"
#include "base/memory/IMMObject.h"
#include "material/MaterialLibrary.h"
#include "platform/Window.h"
#include "scene/Camera.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/ModelManager.h"
#include "scene/OpenGLRenderer.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include <time.h>

namespace {

const char kCubeObj[] =
    "mtllib cube.mtl\ng cube\nusemtl grey\n"
    "v -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\n"
    "v -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\n"
    "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
    "f 1//1 4//1 3//1 2//1\nf 5//2 6//2 7//2 8//2\nf 1//3 2//3 6//3 5//3\n"
    "f 4//4 8//4 7//4 3//4\nf 1//5 5//5 8//5 4//5\nf 2//6 3//6 7//6 6//6\n";
const char kCubeMtl[] = "newmtl grey\nKa 0.1 0.1 0.1\nKd 0.7 0.7 0.7\nKs 0 0 0\n";

// CPU time of the calling thread: the drawing thread's own share of a frame
// (the rasteriser's worker threads do the rest).
double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  long frames = 100;
  int rounds = 5;
  int cubes = 2000;
  int width = 640, height = 480;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--frames") == 0) frames = std::atol(argv[i + 1]);
    else if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--cubes") == 0) cubes = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--size") == 0) std::sscanf(argv[i + 1], "%dx%d", &width, &height);
  }
  if (frames <= 0 || rounds <= 0 || cubes <= 0 || width <= 0 || height <= 0) {
    std::fputs("usage: kelvo-bench-frame [--frames N] [--rounds N] [--cubes N] [--size WxH]\n", stderr);
    return 2;
  }
  const char* display = std::getenv("DISPLAY");
  if ((!display || !*display) && !std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);

  using namespace qor;
  SmartPointer<OpenGLRenderer> gl = kelvo::bench::openRenderer("kelvo-bench-frame", width, height);
  if (!gl) return 1;

  // The cube, written to a scratch folder and loaded once.
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelvo-frame-bench";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "cube.obj") << kCubeObj;
  std::ofstream(dir / "cube.mtl") << kCubeMtl;
  materialLibrary.CreateDefaultMaterial();
  SmartPointer<IModel> model = modelManager.GetModel((dir / "cube.obj").string());

  // A square grid of small cubes in front of the camera, each under its own
  // group and translation, plus two lights.
  const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(cubes))));
  std::vector<SceneNodePtr> children;
  children.push_back(makeShared<GroupNode>(std::vector<SceneNodePtr>{makeShared<TranslateNode>(0.0f, 5.0f, 5.0f),
                                                                     makeShared<LightNode>()}));
  children.push_back(makeShared<GroupNode>(std::vector<SceneNodePtr>{makeShared<TranslateNode>(-5.0f, 0.0f, 5.0f),
                                                                     makeShared<LightNode>()}));
  const float spacing = 8.0f / static_cast<float>(side);
  for (int k = 0; k < cubes; ++k) {
    const float x = (static_cast<float>(k % side) - side * 0.5f) * spacing;
    const float y = (static_cast<float>(k / side) - side * 0.5f) * spacing;
    children.push_back(makeShared<GroupNode>(std::vector<SceneNodePtr>{
        makeShared<TranslateNode>(x, y, -6.0f), makeShared<ScaleNode>(spacing * 0.6f, spacing * 0.6f, spacing * 0.6f),
        makeShared<GeometryNode>(model, true, false)}));
  }
  scene.root = makeShared<GroupNode>(children);
  scene.camera = makeShared<Camera>();

  // The bare loop draws the same picture: fixed matrices (the walk's, under
  // the camera the renderer looks through), the display lists called
  // directly.
  std::vector<std::vector<float>> matrices;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const Camera& camera = *scene.camera.get();
  gluLookAt(camera.position[0], camera.position[1], camera.position[2], camera.view[0], camera.view[1], camera.view[2],
            camera.up[0], camera.up[1], camera.up[2]);
  scene.root->traverse();
  glLoadIdentity();
  for (const auto& item : scene.renderQueue) matrices.emplace_back(item->modelView, item->modelView + 16);
  scene.clearFrameLists();
  const std::vector<uint32_t> lists = model ? model->groups.at(0).displayLists : std::vector<uint32_t>{};
  // A frame's picture, read from the back buffer before the swap.
  const auto readBack = [&](std::vector<uint8_t>& pixels) {
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  };
  const auto bareFrame = [&](std::vector<uint8_t>* pixels) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    for (const auto& m : matrices) {
      glLoadMatrixf(m.data());
      for (uint32_t list : lists) glCallList(list);
    }
    glDisable(GL_LIGHTING);
    if (pixels) readBack(*pixels);
    gl->window()->swapBuffers();
  };

  for (int i = 0; i < 10; ++i) renderer->render();  // warm-up

  // Both ways must draw the same picture, or the comparison means nothing:
  // one frame of each is read back before its swap and the two compared.
  std::vector<uint8_t> rendererPixels(static_cast<std::size_t>(width) * height * 4);
  std::vector<uint8_t> barePixels(rendererPixels.size());
  renderHooks.beforeSwapData = &rendererPixels;
  renderHooks.beforeSwap = [](void* data) {
    auto& pixels = *static_cast<std::vector<uint8_t>*>(data);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, static_cast<GLsizei>(*renderHooks.width), static_cast<GLsizei>(*renderHooks.height), GL_RGBA,
                 GL_UNSIGNED_BYTE, pixels.data());
  };
  renderer->render();
  renderHooks.beforeSwap = nullptr;
  bareFrame(&barePixels);
  long differentPixels = 0, litPixels = 0;
  for (std::size_t i = 0; i < rendererPixels.size(); i += 4) {
    differentPixels += std::memcmp(&rendererPixels[i], &barePixels[i], 3) != 0;
    litPixels += rendererPixels[i] != 0 || rendererPixels[i + 1] != 0 || rendererPixels[i + 2] != 0;
  }

  // Rounds of each in turn, the best round of each counted: the machine's
  // other work then weighs on both alike.
  double sceneBest = 1e300, rawBest = 1e300;
  double sceneThread = 1e300, rawThread = 1e300;
  long frameAllocations = 0;
  for (int round = 0; round < rounds; ++round) {
    const long allocationsBefore = kelvo::bench::allocations.load();
    auto start = std::chrono::steady_clock::now();
    double thread = threadSeconds();
    for (long i = 0; i < frames; ++i) renderer->render();
    glFinish();
    sceneBest = std::min(sceneBest, secondsSince(start));
    sceneThread = std::min(sceneThread, threadSeconds() - thread);
    frameAllocations += kelvo::bench::allocations.load() - allocationsBefore;

    start = std::chrono::steady_clock::now();
    thread = threadSeconds();
    for (long i = 0; i < frames; ++i) bareFrame(nullptr);
    glFinish();
    rawBest = std::min(rawBest, secondsSince(start));
    rawThread = std::min(rawThread, threadSeconds() - thread);
  }

  std::printf("cubes %d, frames %ld x %d rounds, %dx%d\n", cubes, frames, rounds, width, height);
  std::printf("renderer: %8.1f frames/s  (%.3f ms/frame), %ld heap allocations while drawing\n",
              frames / sceneBest, 1000.0 * sceneBest / frames, frameAllocations);
  std::printf("raw GL:   %8.1f frames/s  (%.3f ms/frame)\n", frames / rawBest, 1000.0 * rawBest / frames);
  std::printf("drawing thread's CPU: renderer %.3f ms/frame, raw GL %.3f ms/frame\n", 1000.0 * sceneThread / frames,
              1000.0 * rawThread / frames);
  std::printf("ratio:    %8.3f\n", sceneBest / rawBest);
  std::printf("pictures: %ld of %ld pixels differ (%ld lit)\n", differentPixels,
              static_cast<long>(width) * height, litPixels);

  // A ratio against another picture would mean nothing.
  const int status = differentPixels == 0 ? 0 : 1;
  if (status) std::fputs("kelvo-bench-frame: the two ways drew different pictures\n", stderr);

  scene.root = nullptr;
  scene.camera = nullptr;
  model = nullptr;
  modelManager.Clear();
  materialLibrary.clear();
  renderer = nullptr;
  gl = nullptr;
  collectRemainingObjects();
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return status;
}
