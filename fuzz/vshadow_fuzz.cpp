// The ".vshadow" cache reader over an arbitrary file, for two models: a cube
// (one group, 12 triangles sharing corners) and a model of two groups (2 and
// 1 triangles). A file that loads is used as a frame uses it (facing test,
// silhouette extrusion) and must write back to the very same bytes.

#include "FuzzInput.h"
#include "base/memory/IMMObject.h"
#include "base/memory/SmartPointer.h"
#include "material/MaterialLibrary.h"
#include "model/ModelObj.h"
#include "shadows/ShadowMesh.h"
#include "shadows/VolumeShadows.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char* const kModels[] = {
    "v -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\n"
    "v -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\nvn 0 0 1\n"
    "f 1//1 4//1 3//1 2//1\nf 5//1 6//1 7//1 8//1\nf 1//1 2//1 6//1 5//1\n"
    "f 4//1 8//1 7//1 3//1\nf 1//1 5//1 8//1 4//1\nf 2//1 3//1 7//1 6//1\n",
    "g a\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1 4//1\n"
    "g b\nv 0 0 1\nv 1 0 1\nv 0 1 1\nvn 0 0 1\nf 5//2 6//2 7//2\n",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".vshadow");
  for (const char* text : kModels) {
    auto model = qor::makeShared<qor::ModelObj>("/nonexistent/fuzz.obj");
    model->parse(text);
    model->normalise();
    qor::ShadowMesh mesh;
    if (!qor::readShadowFile(path, *model, mesh)) continue;

    std::vector<uint8_t> visible(mesh.faces.size());
    const float light[4] = {0.3f, 2.0f, 1.0f, 1.0f};
    qor::markFacing(mesh, light, visible.data());
    std::size_t vertices = 0;
    qor::extrudeSilhouettes(*model, mesh, visible.data(), light, [&](float, float, float) { ++vertices; });
    if (vertices % 6 != 0) __builtin_trap();

    const std::string copy = path + ".out";
    if (!qor::writeShadowFile(copy, mesh)) continue;
    std::ifstream in(copy, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(copy.c_str());
    if (bytes.size() != size || std::memcmp(bytes.data(), data, size) != 0) __builtin_trap();
  }
  qor::materialLibrary.clear();
  qor::collectGarbage();
  return 0;
}
