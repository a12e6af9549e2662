#include "material/MaterialLibrary.h"

#include "material/TextureManager.h"
#include "util/Path.h"
#include "util/ReadRecord.h"
#include "util/TextFile.h"
#include "util/Warnings.h"

#include <cstdio>
#include <cstring>

namespace qor {

MaterialLibrary materialLibrary;

SmartPointer<Material> MaterialLibrary::GetMaterial(std::string_view name) {
  auto it = materials.find(name);
  if (it != materials.end()) return it->second;
  it = materials.find(std::string_view(kDefaultMaterialName));
  if (it != materials.end()) return it->second;
  // No default material yet: the slot stays empty, as a lookup with
  // operator[] would leave it.
  return materials[kDefaultMaterialName];
}

void MaterialLibrary::StoreMaterial(const SmartPointer<Material>& material) {
  if (!material) return;
  materials.try_emplace(material->name, material);
}

void MaterialLibrary::CreateDefaultMaterial() {
  auto it = materials.find(std::string_view(kDefaultMaterialName));
  if (it != materials.end() && it->second) return;
  SmartPointer<Material> material = makeShared<Material>();
  material->name = kDefaultMaterialName;
  materials[kDefaultMaterialName] = material;
}

namespace {

// Sets the alpha of the material and of all four of its colours.
void setAlpha(Material& m, float a) {
  m.alpha = a;
  m.ambient[3] = a;
  m.diffuse[3] = a;
  m.specular[3] = a;
  m.emission[3] = a;
}

}  // namespace

void LoadMaterialLibrary(MaterialLibrary& library, const std::string& path) {
  noteFileRead(path);
  const TextFilePtr stream = openTextFile(path);
  if (!stream) {
    if (warningsWanted()) warn("cannot open material library \"" + path + "\": " + describeUnreadableFile(path));
    return;
  }
  std::FILE* file = stream.get();

  SmartPointer<Material> current = makeShared<Material>();
  // Lines are read in pieces of at most 999 characters, so every token fits.
  char line[1000];
  char keyword[1000];
  char value[1000];
  while (std::fgets(line, sizeof line, file)) {
    // Blank lines carry no keyword and are skipped.
    if (std::sscanf(line, "%999s", keyword) != 1) continue;
    if (keyword[0] == '#') continue;
    Material& m = *current;
    if (std::strcmp(keyword, "newmtl") == 0) {
      if (!m.name.empty()) library.StoreMaterial(current);
      current = makeShared<Material>();
      // Without a readable name the new material stays unnamed and is never stored.
      if (std::sscanf(line, "%*s %999s", value) == 1) current->name = value;
    } else if (std::strcmp(keyword, "Ka") == 0) {
      std::sscanf(line, "%*s %f %f %f", &m.ambient[0], &m.ambient[1], &m.ambient[2]);
    } else if (std::strcmp(keyword, "Kd") == 0) {
      std::sscanf(line, "%*s %f %f %f", &m.diffuse[0], &m.diffuse[1], &m.diffuse[2]);
    } else if (std::strcmp(keyword, "Ks") == 0) {
      std::sscanf(line, "%*s %f %f %f", &m.specular[0], &m.specular[1], &m.specular[2]);
    } else if (std::strcmp(keyword, "Ns") == 0) {
      std::sscanf(line, "%*s %f", &m.shininess);
    } else if (std::strcmp(keyword, "d") == 0 || std::strcmp(keyword, "Tr") == 0) {
      // "Tr" is read exactly like "d": the value is the opacity.
      float a;
      if (std::sscanf(line, "%*s %f", &a) == 1) setAlpha(m, a);
    } else if (std::strcmp(keyword, "illum") == 0) {
      std::sscanf(line, "%*s %d", &m.illum);
    } else if (std::strcmp(keyword, "map_Ka") == 0 || std::strcmp(keyword, "map_Kd") == 0) {
      if (std::sscanf(line, "%*s %999s", value) != 1) continue;
      m.textureName = value;
      m.textureId = textureManager.LoadTexture(path::join(path, value));
    } else if (std::strcmp(keyword, "wrap_option") == 0) {
      std::sscanf(line, "%*s %d", &m.wrapOption);
    }
  }
  if (!current->name.empty()) library.StoreMaterial(current);
}

}  // namespace qor
