// An OBJ file loaded from disk through the model manager, with its ".aabb"
// cache beside it: the cache is read and checked against the model, or the
// trees are built and the cache rewritten. The input is the OBJ text, then,
// from the first "AABBTREE" on, the cache file (no cache without one).
// A rebuilt cache must then be one the check accepts, unless the model has
// vertices that are not finite (their boxes never are).

#include "FuzzInput.h"
#include "base/memory/IMMObject.h"
#include "material/MaterialLibrary.h"
#include "scene/ModelManager.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

bool finiteVertices(const qor::IModel& model) {
  for (const qor::ModelGroup& group : model.groups)
    for (const auto& v : group.vertices)
      if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& dir = kelvo::fuzz::scratchFolder();
  // The cache of a file read group by group, and of one read file-wide.
  const std::string model = dir + "/model_fuzz.obj", cache = dir + "/tmp/model_fuzz.aabb",
                    fileWideCache = dir + "/tmp/model_fuzz.obj.aabb";
  std::filesystem::create_directories(dir + "/tmp");
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find("AABBTREE");
  kelvo::fuzz::writeFile(model, input.substr(0, cut));
  std::error_code ignored;
  for (const std::string& path : {cache, fileWideCache}) {
    if (cut == std::string_view::npos)
      std::filesystem::remove(path, ignored);
    else
      kelvo::fuzz::writeFile(path, input.substr(cut));
  }
  {
    const std::size_t builds = qor::modelManager.treeBuildCount();
    qor::SmartPointer<qor::IModel> loaded = qor::modelManager.GetModel(model);
    if (!loaded || loaded->trees.size() != loaded->groups.size()) __builtin_trap();
    if (qor::modelManager.treeBuildCount() != builds && finiteVertices(*loaded) &&
        !qor::loadTrees(*loaded, loaded->readFileWide ? fileWideCache : cache))
      __builtin_trap();
  }
  qor::modelManager.Clear();
  qor::materialLibrary.clear();
  qor::collectGarbage();
  return 0;
}
