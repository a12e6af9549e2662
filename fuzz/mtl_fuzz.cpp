// The MTL reader over an arbitrary file. Texture maps name files that do not
// exist, or exist without a GL context: either way the texture manager gives
// its fallback.

#include "FuzzInput.h"
#include "base/memory/IMMObject.h"
#include "material/MaterialLibrary.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".mtl");
  {
    qor::MaterialLibrary library;
    qor::LoadMaterialLibrary(library, path);
    library.GetMaterial("fuzz");
    library.CreateDefaultMaterial();
  }
  qor::collectGarbage();
  return 0;
}
