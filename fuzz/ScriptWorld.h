#pragma once
// What the script fuzz targets share: the files a fuzzed script may name
// beside itself ("lib.txt" and "more.txt" to include, the model "cube.obj"
// with its material file "cube.mtl" and its image "tiny.bmp"), written once
// into the scratch folder; and what follows a script's run in the viewer:
// its timers ticking and timing out, and every key binding fired. A fixed
// evaluation budget and a small memory budget bound each input, so that a
// runaway script stops after the same amount of work every time.

#include "FuzzInput.h"
#include "base/memory/IMMObject.h"
#include "material/MaterialLibrary.h"
#include "platform/Clock.h"
#include "scene/ModelManager.h"
#include "scene/Scene.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/TimerManager.h"
#include "shadows/Shadows.h"

#include <cstdint>
#include <string>

namespace kelvo::fuzz {

constexpr uint64_t kScriptSteps = 5000;
constexpr std::size_t kScriptMemory = std::size_t{1} << 20;

// A 2 x 2 bitmap of 24-bit pixels.
inline std::string tinyBitmap() {
  std::string b = "BM";
  auto put = [&b](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
  };
  put(70, 4), put(0, 4), put(54, 4), put(40, 4), put(2, 4), put(2, 4), put(1, 2), put(24, 2);
  put(0, 4), put(16, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
  return b + std::string("\xff\x00\x00\x00\xff\x00\x00\x00\x00\x00\xff\x00\xff\xff\xff\x00", 16);
}

// The scratch folder with the files scripts may name; made once.
inline const std::string& scriptFolder() {
  static const std::string& dir = [] () -> const std::string& {
    const std::string& d = scratchFolder();
    writeFile(d + "/lib.txt", "def twice(x) { return x * 2; } libLoads = 1; include(\"more.txt\");\n");
    writeFile(d + "/more.txt", "def pair(a, b) { return (a, b); } libModel = Model(\"cube.obj\");\n");
    writeFile(d + "/cube.obj",
              "mtllib cube.mtl\nv -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\n"
              "v -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\nvt 0 0\nvt 1 1\n"
              "usemtl red\nf 1/1 4/2 3/1 2/2\nf 5/1 6/2 7/1 8/2\nf 1/1 2/2 6/1 5/2\n"
              "usemtl glass\nf 4/1 8/2 7/1 3/2\nf 1/1 5/2 8/1 4/2\nf 2/1 3/2 7/1 6/2\n");
    writeFile(d + "/cube.mtl", "newmtl red\nKd 1 0 0\nmap_Kd tiny.bmp\nnewmtl glass\nd 0.5\nmap_Ka missing.png\n");
    writeFile(d + "/tiny.bmp", tinyBitmap());
    return d;
  }();
  return dir;
}

inline int32_t fuzzClockNow = 0;
inline int32_t fuzzClock() { return fuzzClockNow; }

// Sets the budgets for one input; call before the script runs.
inline void startScriptRun() {
  qor::script::setEvaluationBudget(kScriptSteps);
  qor::script::setMemoryLimit(kScriptMemory);
  qor::platform::setClockSource(&fuzzClock);
  fuzzClockNow = 0;
}

// The viewer's main loop after the script: two passes of the timers, each a
// long while after the last, then every key held once. Then everything the
// script made is released.
inline void finishScriptRun() {
  for (int pass = 0; pass < 2; ++pass) {
    fuzzClockNow += 1000000;
    qor::timerManager.update();
  }
  unsigned char keys[256];
  for (unsigned char& k : keys) k = 1;
  qor::script::dispatchKeyBindings(keys);

  qor::timerManager.clear();
  qor::script::clearKeyBindings();
  qor::script::sceneValue() = nullptr;
  qor::scene.root = nullptr;
  qor::scene.camera = nullptr;
  qor::shadowPass = nullptr;
  qor::modelManager.Clear();
  qor::materialLibrary.clear();
  qor::script::resetInterpreter();
  qor::script::setEvaluationBudget(qor::script::kUnlimitedSteps);
  qor::platform::setClockSource(nullptr);
  qor::collectGarbage();
}

}  // namespace kelvo::fuzz
