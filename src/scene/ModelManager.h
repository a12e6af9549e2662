#pragma once
// The one place models are loaded. Each file name (exactly as spelled) is
// read, compiled and given its collision trees once; the trees are cached in
// a "tmp" folder beside the model file ("Data/Models/tmp/nurse.aabb" for
// "Data/Models/nurse.obj", "Data/Models/tmp/nurse.glb.aabb" for
// "Data/Models/nurse.glb") so later runs skip the build.

#include "base/memory/SmartPointer.h"
#include "model/IModel.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>

namespace qor {

class ModelManager {
public:
  // The cached model, loading it on the first request; null unless the
  // name's extension is exactly "obj" or one of the importer's formats (in
  // any case, but no "OBJ"; see ModelImported.h).
  SmartPointer<IModel> GetModel(const std::string& fileName);

  // Deletes every display list of every cached model and empties the cache
  // (needs the GL context current).
  void Clear();

  std::size_t cachedCount() const { return cache_.size(); }
  // How many collision-tree sets were built (not read from a cache file).
  std::size_t treeBuildCount() const { return treeBuilds_; }

private:
  std::map<std::string, SmartPointer<IModel>, std::less<>> cache_;
  std::size_t treeBuilds_ = 0;
};

// The program's model manager.
extern ModelManager modelManager;

}  // namespace qor
