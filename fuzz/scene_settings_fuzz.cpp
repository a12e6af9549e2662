// The scene settings reader over an arbitrary file.

#include "FuzzInput.h"
#include "scene/Scene.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".txt");
  static qor::Scene* target = new qor::Scene;  // one, kept for the whole run
  qor::loadSceneSettings(*target, path);
  return 0;
}
