#include "scene/ModelManager.h"

#include "collision/AABBNode.h"
#include "model/ModelImported.h"
#include "model/ModelObj.h"
#include "util/MappedFile.h"
#include "util/Path.h"
#include "util/Warnings.h"

namespace qor {

ModelManager modelManager;

namespace {

// "OBJ", "Obj", ...: refused, as the OBJ reader takes "obj" alone, and never
// handed to the importer, which would read it.
bool isObjInOtherCase(const std::string& extension) {
  return extension.size() == 3 && (extension[0] | 0x20) == 'o' && (extension[1] | 0x20) == 'b' &&
         (extension[2] | 0x20) == 'j';
}

// Why the file is no model: its extension, or that its name has none (the
// extension then runs from a "." in a folder name, or is the whole path),
// and either where the formats are listed or why only OBJ is read.
std::string notAModel(const std::string& fileName, const std::string& extension) {
  const bool named = path::fileName(fileName).find('.') != std::string::npos;
  std::string why = named ? "\"." + extension + "\" is not a model format Kelvo reads ("
                          : "the file name has no extension to say its model format (";
  if (isObjInOtherCase(extension)) why += "OBJ files end in \".obj\", lower case; ";
  const std::string& problem = importedFormatsProblem();
  if (problem.empty()) return why + "see kelvo-scene --list-formats)";
  return why + "only \".obj\", as the importer of the other formats cannot be used: " + problem + ")";
}

}  // namespace

SmartPointer<IModel> ModelManager::GetModel(const std::string& fileName) {
  if (auto it = cache_.find(fileName); it != cache_.end()) return it->second;
  // OBJ files are ours, the extension compared exactly ("OBJ" is not one);
  // the formats the importer reads are its own, in any case.
  const std::string extension = path::extension(fileName);
  SmartPointer<IModel> model;
  if (extension == "obj") {
    model = makeShared<ModelObj>(fileName);
  } else if (!isObjInOtherCase(extension) && isImportedFormat(extension)) {
    model = makeShared<ModelImported>(fileName);
  } else {
    if (warningsWanted())
      warn("cannot open model \"" + fileName + "\": " + notAModel(fileName, extension) + ", so the node has none");
    return nullptr;
  }
  // "tmp/x.aabb" beside x.obj, "tmp/x.glb.aabb" beside x.glb (see cacheName).
  const std::string cachePath = path::join(fileName, "tmp/" + cacheName(*model) + ".aabb");
  // A cache older than its model was made from an earlier version of it.
  if (!cacheIsCurrent(cachePath, fileName) || !loadTrees(*model, cachePath)) {
    buildTrees(*model);
    ++treeBuilds_;
    // The "tmp" folder is made when missing; when it cannot be, the trees
    // are built again next time. A model whose file cannot be read leaves
    // nothing behind: no folder and no cache beside a file that is not there.
    if (canReadRegularFile(fileName) && makeFolderFor(cachePath)) saveTrees(*model, cachePath);
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
