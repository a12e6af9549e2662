// Model files of the importer's formats, and the layouts its process hands
// back. The first byte picks: even, the rest is a layout, read with every
// check and made into a model's groups; odd, the rest is a file of the
// format (byte / 2) % kFormats picks, imported in this process (assimp's
// own faults are not ours to find here, the sandbox keeps them out of the
// program), written as a layout that must then read back and be made into
// groups.
//
// In the program the import's child has its address space capped, so a
// file that claims gigabytes gets std::bad_alloc, which the library catches.
// Here the same cap is one allocation of more than kMaxImportBytes: this
// program's operator new (in place of the sanitizer's, on its malloc, which
// keeps the checks of every block) throws for it, where the sanitizer would
// end the run.

#include "FuzzInput.h"
#include "base/memory/IMMObject.h"
#include "model/AssimpImporter.h"
#include "model/ModelImported.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

// Only in the fuzzer itself: the seed replay of the test suite, which
// renames the entry point, links every target into one program and keeps
// the usual allocator.
#ifndef LLVMFuzzerTestOneInput
namespace {

void* allocate(std::size_t size) {
  if (size > qor::kMaxImportBytes) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return size > qor::kMaxImportBytes ? nullptr : std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return size > qor::kMaxImportBytes ? nullptr : std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#endif

namespace {

// OBJ last: the program reads OBJ files itself and never hands them to the
// importer, but its OBJ reader gives the layout polygons, lines and points
// in a few bytes.
constexpr const char* kFormats[] = {".gltf", ".glb", ".stl", ".ply", ".dae", ".3ds", ".fbx", ".obj"};

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
