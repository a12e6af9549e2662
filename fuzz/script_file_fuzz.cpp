// A scene script read from a file, the way the viewer loads
// "Data/Scenes/initial.txt" (loadScene: the file read in text mode, parsed,
// run, its scene and camera taken), in the folder of ScriptWorld.h; then its
// timers and key bindings run, within the same budgets as script_run_fuzz.

#include "ScriptWorld.h"
#include "script/SceneDriver.h"
#include "script/SceneLoader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = kelvo::fuzz::scriptFolder() + "/file.txt";
  kelvo::fuzz::writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  kelvo::fuzz::startScriptRun();
  qor::scene.scriptPath = path;
  {
    qor::SceneDriver driver;
    qor::loadScene(qor::scene, driver);
  }
  kelvo::fuzz::finishScriptRun();
  return 0;
}
