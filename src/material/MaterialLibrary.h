#pragma once
// All materials by name, read from MTL files, with the built-in default
// material "Tavrelin_Default__" for names that are not found.

#include "base/memory/SmartPointer.h"
#include "material/Material.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace qor {

// Name of the default material.
inline constexpr const char* kDefaultMaterialName = "Tavrelin_Default__";

class MaterialLibrary {
public:
  // The named material; the default material when the name is unknown; null
  // (after entering an empty slot under the default name) when even the
  // default is missing.
  SmartPointer<Material> GetMaterial(std::string_view name);

  // Adds the material under its name unless the name is taken (the first
  // material of a name wins).
  void StoreMaterial(const SmartPointer<Material>& material);

  // Adds a fresh default material unless one exists.
  void CreateDefaultMaterial();

  // Drops every material (scene reset, shut-down).
  void clear() { materials.clear(); }

  std::map<std::string, SmartPointer<Material>, std::less<>> materials;
};

// Reads an MTL file into `library`. Texture maps are loaded relative to the
// MTL file's folder. A file that cannot be opened changes nothing.
void LoadMaterialLibrary(MaterialLibrary& library, const std::string& path);

// The program's material library.
extern MaterialLibrary materialLibrary;

}  // namespace qor
