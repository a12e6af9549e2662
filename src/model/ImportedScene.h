#pragma once
// A model file as an importer in another process hands it back: plain arrays
// and records in one flat byte layout, with no pointer in it. The importer
// (see AssimpImporter.h) writes it; this process reads it back and checks
// every count, length and index against the bytes that are there before it
// uses one, since the process that wrote it ran a library on a hostile file.
//
// Positions are where the file's nodes put them (its rest pose): one mesh of
// the file placed by two nodes is two meshes here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The fixed-function look of one material of the file, with the defaults of
// a Material where the file says nothing.
struct ImportedMaterial {
  std::string name;
  float diffuse[3] = {0.8f, 0.8f, 0.8f};  // base colour, or the diffuse colour
  float ambient[3] = {0.1f, 0.1f, 0.1f};
  float specular[3] = {0.7f, 0.7f, 0.7f};
  float emission[3] = {0.0f, 0.0f, 0.0f};
  float shininess = 8.0f;  // 0 to 128
  float opacity = 1.0f;    // 0 to 1: the alpha of every colour
  // The first colour texture: textures[embedded] when that is not -1, else
  // the file named by `texturePath` relative to the model ("" for none).
  int32_t embedded = -1;
  std::string texturePath;
};

// One triangle mesh: normals and texture coordinates are empty or hold one
// entry per position; every corner of `triangles` indexes them all.
struct ImportedMesh {
  uint32_t material = 0;  // index into ImportedScene::materials
  std::vector<std::array<float, 3>> positions;
  std::vector<std::array<float, 3>> normals;
  std::vector<std::array<float, 2>> texCoords;
  std::vector<std::array<uint32_t, 3>> triangles;
};

// An image the model file holds, as the bytes of an image file.
struct ImportedTexture {
  std::string format;  // the file type the bytes are in, as a file extension ("png"); may be empty
  std::string bytes;
};

struct ImportedScene {
  std::vector<ImportedMesh> meshes;
  std::vector<ImportedMaterial> materials;
  std::vector<ImportedTexture> textures;
};

// The layout's size for `scene` in bytes.
std::size_t importedSize(const ImportedScene& scene);
// Writes the layout of `scene` to `out`, which holds importedSize(scene) bytes.
void writeImported(const ImportedScene& scene, unsigned char* out);
// Reads a layout from the start of `bytes` (what follows it is ignored).
// False, with `why` saying what did not fit and `scene` in an unspecified
// state, unless every length lies within the bytes, every material and
// texture index names one that is there, every corner names a vertex, every
// normal and texture-coordinate array matches its positions and every
// material number is finite.
bool readImported(std::string_view bytes, ImportedScene& scene, std::string& why);

// The tag a layout starts with; an importer that failed writes kImportFailed
// and a message (see writeImportFailure) instead.
inline constexpr std::string_view kImportedTag = "KELVOSCN";
inline constexpr std::string_view kImportFailed = "KELVOERR";
// Writes kImportFailed, the message's length and the message, cut to fit `size`.
void writeImportFailure(std::string_view message, unsigned char* out, std::size_t size);
// The message of such a failure; empty when `bytes` holds none.
std::string readImportFailure(std::string_view bytes);

}  // namespace qor
