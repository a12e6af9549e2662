#include "scene/ModelManager.h"

#include "collision/AABBNode.h"
#include "model/ModelObj.h"
#include "util/MappedFile.h"
#include "util/Path.h"
#include "util/Warnings.h"

namespace qor {

ModelManager modelManager;

SmartPointer<IModel> ModelManager::GetModel(const std::string& fileName) {
  if (auto it = cache_.find(fileName); it != cache_.end()) return it->second;
  // Only OBJ files are models; the extension is compared exactly ("OBJ" is not one).
  if (path::extension(fileName) != "obj") {
    if (warningsWanted()) warn("cannot open model \"" + fileName + "\": only \".obj\" files are models, so the node has none");
    return nullptr;
  }

  SmartPointer<IModel> model = makeShared<ModelObj>(fileName);
  // "tmp/x.aabb" beside x.obj; a file read with file-wide numbering keeps its
  // trees in "tmp/x.obj.aabb" instead, as no earlier reading of it did.
  const std::string cacheName = model->readFileWide ? path::fileName(fileName) : path::baseName(fileName);
  const std::string cachePath = path::join(fileName, "tmp/" + cacheName + ".aabb");
  // A cache older than its model was made from an earlier version of it.
  if (!cacheIsCurrent(cachePath, fileName) || !loadTrees(*model, cachePath)) {
    buildTrees(*model);
    ++treeBuilds_;
    // The "tmp" folder is made when missing; when it cannot be, the trees
    // are built again next time.
    if (makeFolderFor(cachePath)) saveTrees(*model, cachePath);
  }
  cache_.emplace(fileName, model);
  return model;
}

void ModelManager::Clear() {
  for (auto& entry : cache_) {
    if (entry.second) entry.second->deleteDisplayLists();
  }
  cache_.clear();
}

}  // namespace qor
