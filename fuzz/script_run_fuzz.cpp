// Parses and runs arbitrary scripts the way the scene loader does, as if the
// script stood in a folder beside a few files it may name ("include",
// "Model", "Material", "getMaterial" reach them; see ScriptWorld.h); then
// its timers and key bindings run. An evaluation budget ends runaway loops
// and recursions after a fixed number of steps, so every input takes a
// bounded, repeatable amount of work.

#include "ScriptWorld.h"
#include "script/SceneDriver.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = kelvo::fuzz::scriptFolder() + "/run.txt";
  const std::string text(reinterpret_cast<const char*>(data), size);
  kelvo::fuzz::startScriptRun();
  const std::size_t index = qor::script::addFile(path);
  qor::script::registerBuiltins();
  {
    qor::SceneDriver driver;
    driver.parseText(path, text);
  }
  qor::script::setRunningFile(index);
  qor::script::runRecord(index);
  qor::script::takeScene();
  kelvo::fuzz::finishScriptRun();
  return 0;
}
