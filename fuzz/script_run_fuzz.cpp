// Parses and runs arbitrary scripts the way the scene loader does. The
// interpreter bounds nesting and call depth, but not time: a loop can run for
// ever, so inputs with "while" or "for" are skipped. Built-ins that reach
// files, GL or the timer list ("include", "Model", "Material", "getMaterial",
// "Timer") are skipped too: they have targets or tests of their own.

#include "base/memory/IMMObject.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/SceneDriver.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool runnable(std::string_view text) {
  for (std::string_view word : {"while", "for", "include", "Model", "Material", "Timer"})
    if (text.find(word) != std::string_view::npos) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (!runnable(text)) return -1;  // not worth keeping in the corpus

  const std::size_t index = qor::script::addFile("fuzz.txt");
  qor::script::registerBuiltins();
  {
    qor::SceneDriver driver;
    driver.parseText("fuzz.txt", text);
  }
  qor::script::setRunningFile(index);
  qor::script::runRecord(index);
  qor::script::takeScene();

  qor::script::sceneValue() = nullptr;
  qor::script::resetInterpreter();
  qor::collectGarbage();
  return 0;
}
