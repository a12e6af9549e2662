#pragma once
// Models in the formats the model importer reads (glTF, STL, PLY, FBX, 3DS,
// Collada, ...; see AssimpImporter.h), made into the model an OBJ file
// becomes: each mesh a group with one material range, normalised into the
// unit box, compiled into display lists and drawn the same way.
//
// The import runs in a child of the process that decodes textures, within
// its memory limit and kImportTimeoutMs: a file that crashes the importer,
// loops or takes too much memory is a failed load, and the program goes on
// with an empty model. The child hands back the flat layout of
// ImportedScene.h, which is checked whole here before anything of it is
// used. OBJ files are never read this way.

#include "model/ImportedScene.h"
#include "model/ModelObj.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// How long one import may take.
constexpr unsigned kImportTimeoutMs = 30000;
// The most layout one import may hand back.
constexpr std::size_t kMaxImportBytes = std::size_t{256} << 20;

// The formats the importer reads, asked of it once per process (the list is
// empty when it cannot be opened; `why` of importedFormatsProblem says why).
// OBJ, which is ours, is not among them.
const std::vector<std::string>& importedFormats();
const std::string& importedFormatsProblem();
// Whether a file of this extension (in any case) is imported.
bool isImportedFormat(std::string_view extension);

// Imports the file at `path` in the sandbox. False with `why` when the
// importer fails, crashes, runs out of time or memory, or answers with a
// layout that does not check out.
bool importModelFile(const std::string& path, ImportedScene& scene, std::string& why);

// Loads the texture of a material: an image file (by its path) or the bytes
// of one the model holds (cached under `key`); returns the GL texture name.
struct TextureSource {
  uint32_t (*file)(const std::string& path);
  uint32_t (*bytes)(const std::string& key, std::string_view bytes, const std::string& fileName);
};
// The texture manager's.
TextureSource textureManagerSource();

// Fills model.groups from `scene`, one group per mesh with its own material
// (colours, opacity as the alpha of every colour, shininess, the first
// colour texture through `textures`); textures named relative to
// model.fileName. Neither normalises nor compiles.
void fillGroups(ModelObj& model, const ImportedScene& scene, const TextureSource& textures);

class ModelImported final : public ModelObj {
public:
  // Stores the name and loads the file (GL context required for the lists).
  explicit ModelImported(const std::string& fileName);
  std::size_t size() const override { return sizeof(*this); }
  // Imports, fills, normalises and compiles; an empty model on failure, told
  // through the warning hook.
  void load(const std::string& fileName) override;
};

}  // namespace qor
