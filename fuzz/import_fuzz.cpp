// Model files of the importer's formats, and the layouts its process hands
// back. The first byte picks: even, the rest is a layout, read with every
// check and made into a model's groups; odd, the rest is a file of the
// format (byte / 2) % kFormats picks, imported in this process (assimp's
// own faults are not ours to find here, the sandbox keeps them out of the
// program), written as a layout that must then read back and be made into
// groups.

#include "FuzzInput.h"
#include "base/memory/IMMObject.h"
#include "model/AssimpImporter.h"
#include "model/ModelImported.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr const char* kFormats[] = {".gltf", ".glb", ".stl", ".ply", ".dae", ".3ds", ".fbx"};

class Model : public qor::ModelObj {
public:
  Model() = default;
};

void makeModel(const qor::ImportedScene& scene) {
  const qor::TextureSource none{[](const std::string&) { return 1u; },
                                [](const std::string&, std::string_view, const std::string&) { return 1u; }};
  auto model = qor::makeShared<Model>();
  model->fileName = "fuzz.glb";
  qor::fillGroups(*model, scene, none);
  model->normalise();
  if (model->triangleCount() > 0 && model->groups.empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  qor::ImportedScene scene;
  std::string why;
  if (data[0] % 2 == 0) {
    if (qor::readImported(rest, scene, why)) makeModel(scene);
  } else {
    const char* suffix = kFormats[(data[0] / 2) % (sizeof kFormats / sizeof *kFormats)];
    const std::string path = kelvo::fuzz::scratchRoot() + "/kelvo-import-fuzz" + suffix;
    kelvo::fuzz::writeFile(path, rest);
    if (qor::importWithAssimp(path, scene, why, qor::kMaxImportBytes)) {
      std::string layout(qor::importedSize(scene), '\0');
      qor::writeImported(scene, reinterpret_cast<unsigned char*>(layout.data()));
      qor::ImportedScene read;
      if (!qor::readImported(layout, read, why)) __builtin_trap();  // our own layout must check out
      makeModel(read);
    }
  }
  qor::collectGarbage();
  return 0;
}
