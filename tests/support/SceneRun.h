#pragma once
// kelvo-scene run by an end-to-end test in a scratch folder holding the
// tools' red cube (writeRedCube, with `moreMaterials`) and `script` as
// scene.txt; its screenshots are read with Png.

#include "support/ChildProcess.h"
#include "support/Images.h"
#include "support/ModelFixtures.h"

#include <string>

namespace kelvo::test {

struct SceneRun : ChildProcess {
  explicit SceneRun(const std::string& script, const std::string& moreMaterials = "") {
    writeRedCube(dir, moreMaterials);
    dir.write("scene.txt", script);
  }
  // Starts kelvo-scene with `args`; with `wait`, its exit status once it ends, else -1 at once.
  int run(const std::string& args, bool display = true, bool wait = true) {
    start("'" KELVO_BIN_DIR "/kelvo-scene' " + args, display);
    return wait ? waitExit() : -1;
  }
  Png shot(const std::string& name = "shot.png") const { return Png(dir.file(name)); }
};

}  // namespace kelvo::test
