// Scanner and parser over arbitrary text, held in memory as the console
// hands it over. Nothing runs; the parsed records are dropped after each input.

#include "base/memory/IMMObject.h"
#include "script/Interpreter.h"
#include "script/SceneDriver.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  qor::script::addFile("fuzz.txt");
  {
    qor::SceneDriver driver;
    driver.parseText("fuzz.txt", text);
  }
  {
    // The scanner alone as well: its token list is what tests and tools read.
    qor::SceneDriver driver;
    driver.scanText("fuzz.txt", text);
  }
  qor::script::resetInterpreter();
  qor::collectGarbage();
  return 0;
}
