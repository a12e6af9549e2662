#include "model/ImportedScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qor {

// The layout, all numbers in this machine's byte order (both ends are this
// program on this machine):
//   tag (8 bytes), total size (u64), mesh, material and texture counts (u32)
//   materials: name (u32 length, bytes), diffuse, ambient, specular and
//     emission (3 f32 each), shininess, opacity (f32), embedded (i32),
//     texture path (u32 length, bytes)
//   textures: format (u32 length, bytes), image (u32 length, bytes)
//   meshes: material (u32), vertex count (u32), what follows the positions
//     (u8: 1 normals, 2 texture coordinates), triangle count (u32), then
//     positions, normals, texture coordinates (f32) and corners (u32)

namespace {

constexpr std::size_t kHeaderBytes = 8 + 8 + 3 * 4;
constexpr std::size_t kMaterialNumbers = 4 * 3 + 2;
constexpr uint8_t kHasNormals = 1, kHasTexCoords = 2;

std::size_t sizeOf(const ImportedMaterial& m) {
  return 4 + m.name.size() + kMaterialNumbers * 4 + 4 + 4 + m.texturePath.size();
}

std::size_t sizeOf(const ImportedMesh& m) {
  return 4 + 4 + 1 + 4 + m.positions.size() * 12 + m.normals.size() * 12 + m.texCoords.size() * 8 +
         m.triangles.size() * 12;
}

struct Writer {
  unsigned char* p;
  void bytes(const void* data, std::size_t n) {
    if (n) std::memcpy(p, data, n);
    p += n;
  }
  template <typename T> void value(T v) { bytes(&v, sizeof v); }
  void text(std::string_view s) {
    value(static_cast<uint32_t>(s.size()));
    bytes(s.data(), s.size());
  }
  template <typename T> void array(const std::vector<T>& v) { bytes(v.data(), v.size() * sizeof(T)); }
};

// Reads within [p, end): every take checks the length first.
struct Reader {
  const unsigned char* p;
  const unsigned char* end;
  std::size_t left() const { return static_cast<std::size_t>(end - p); }
  bool bytes(void* out, std::size_t n) {
    if (n > left()) return false;
    if (n) std::memcpy(out, p, n);
    p += n;
    return true;
  }
  template <typename T> bool value(T& v) { return bytes(&v, sizeof v); }
  bool text(std::string& s) {
    uint32_t n = 0;
    if (!value(n) || n > left()) return false;
    s.assign(reinterpret_cast<const char*>(p), n);
    p += n;
    return true;
  }
  // `count` elements, refused before any allocation when the bytes are not there.
  template <typename T> bool array(std::vector<T>& v, uint64_t count) {
    if (count > left() / sizeof(T)) return false;
    v.resize(static_cast<std::size_t>(count));
    return bytes(v.data(), v.size() * sizeof(T));
  }
};

bool finite(const float* v, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

bool readMaterial(Reader& in, ImportedMaterial& m, uint32_t textureCount, std::string& why) {
  float numbers[kMaterialNumbers];
  if (!in.text(m.name) || !in.bytes(numbers, sizeof numbers) || !in.value(m.embedded) || !in.text(m.texturePath)) {
    why = "a material is cut short";
    return false;
  }
  if (!finite(numbers, kMaterialNumbers)) {
    why = "a material has a number that is not finite";
    return false;
  }
  std::memcpy(m.diffuse, numbers, 12);
  std::memcpy(m.ambient, numbers + 3, 12);
  std::memcpy(m.specular, numbers + 6, 12);
  std::memcpy(m.emission, numbers + 9, 12);
  m.shininess = numbers[12];
  m.opacity = numbers[13];
  if (m.embedded < -1 || (m.embedded >= 0 && static_cast<uint32_t>(m.embedded) >= textureCount)) {
    why = "a material names a texture that is not there";
    return false;
  }
  return true;
}

bool readMesh(Reader& in, ImportedMesh& m, uint32_t materialCount, std::string& why) {
  uint32_t vertices = 0, triangles = 0;
  uint8_t has = 0;
  if (!in.value(m.material) || !in.value(vertices) || !in.value(has) || !in.value(triangles) || has > 3 ||
      !in.array(m.positions, vertices) || !in.array(m.normals, (has & kHasNormals) ? vertices : 0) ||
      !in.array(m.texCoords, (has & kHasTexCoords) ? vertices : 0) || !in.array(m.triangles, triangles)) {
    why = "a mesh is cut short";
    return false;
  }
  if (m.material >= materialCount) {
    why = "a mesh names a material that is not there";
    return false;
  }
  for (const auto& t : m.triangles) {
    if (t[0] >= vertices || t[1] >= vertices || t[2] >= vertices) {
      why = "a triangle names a vertex that is not there";
      return false;
    }
  }
  return true;
}

}  // namespace

std::size_t importedSize(const ImportedScene& scene) {
  std::size_t size = kHeaderBytes;
  for (const ImportedMaterial& m : scene.materials) size += sizeOf(m);
  for (const ImportedTexture& t : scene.textures) size += 8 + t.format.size() + t.bytes.size();
  for (const ImportedMesh& m : scene.meshes) size += sizeOf(m);
  return size;
}

void writeImported(const ImportedScene& scene, unsigned char* out) {
  Writer w{out};
  w.bytes(kImportedTag.data(), kImportedTag.size());
  w.value(static_cast<uint64_t>(importedSize(scene)));
  w.value(static_cast<uint32_t>(scene.meshes.size()));
  w.value(static_cast<uint32_t>(scene.materials.size()));
  w.value(static_cast<uint32_t>(scene.textures.size()));
  for (const ImportedMaterial& m : scene.materials) {
    w.text(m.name);
    w.bytes(m.diffuse, 12);
    w.bytes(m.ambient, 12);
    w.bytes(m.specular, 12);
    w.bytes(m.emission, 12);
    w.value(m.shininess);
    w.value(m.opacity);
    w.value(m.embedded);
    w.text(m.texturePath);
  }
  for (const ImportedTexture& t : scene.textures) {
    w.text(t.format);
    w.text(t.bytes);
  }
  for (const ImportedMesh& m : scene.meshes) {
    w.value(m.material);
    w.value(static_cast<uint32_t>(m.positions.size()));
    w.value(static_cast<uint8_t>((m.normals.empty() ? 0 : kHasNormals) | (m.texCoords.empty() ? 0 : kHasTexCoords)));
    w.value(static_cast<uint32_t>(m.triangles.size()));
    w.array(m.positions);
    w.array(m.normals);
    w.array(m.texCoords);
    w.array(m.triangles);
  }
}

bool readImported(std::string_view bytes, ImportedScene& scene, std::string& why) {
  const auto* start = reinterpret_cast<const unsigned char*>(bytes.data());
  Reader in{start, start + bytes.size()};
  char tag[8];
  uint64_t total = 0;
  uint32_t meshes = 0, materials = 0, textures = 0;
  if (!in.bytes(tag, sizeof tag) || std::string_view(tag, sizeof tag) != kImportedTag || !in.value(total) ||
      total < kHeaderBytes || total > bytes.size() || !in.value(meshes) || !in.value(materials) ||
      !in.value(textures)) {
    why = "its header is not there";
    return false;
  }
  in.end = start + total;
  // Every record takes some bytes, so counts beyond the bytes left are a lie
  // (checked before the records are allocated).
  if (uint64_t{materials} * sizeOf(ImportedMaterial{}) + uint64_t{textures} * 8 + uint64_t{meshes} * sizeOf(ImportedMesh{}) >
      in.left()) {
    why = "it counts more records than it holds";
    return false;
  }
  scene = ImportedScene();
  scene.materials.resize(materials);
  for (ImportedMaterial& m : scene.materials)
    if (!readMaterial(in, m, textures, why)) return false;
  scene.textures.resize(textures);
  for (ImportedTexture& t : scene.textures) {
    if (!in.text(t.format) || !in.text(t.bytes)) {
      why = "a texture is cut short";
      return false;
    }
  }
  scene.meshes.resize(meshes);
  for (ImportedMesh& m : scene.meshes)
    if (!readMesh(in, m, materials, why)) return false;
  if (in.left() != 0) {
    why = "it holds more than its records";
    return false;
  }
  return true;
}

void writeImportFailure(std::string_view message, unsigned char* out, std::size_t size) {
  if (size < kImportFailed.size() + 4) return;
  const std::size_t n = std::min(message.size(), size - kImportFailed.size() - 4);
  Writer w{out};
  w.bytes(kImportFailed.data(), kImportFailed.size());
  w.text(message.substr(0, n));
}

std::string readImportFailure(std::string_view bytes) {
  if (bytes.substr(0, kImportFailed.size()) != kImportFailed) return {};
  const auto* start = reinterpret_cast<const unsigned char*>(bytes.data());
  Reader in{start + kImportFailed.size(), start + bytes.size()};
  std::string message;
  if (!in.text(message)) return {};
  // One line of printable text, whatever the child wrote.
  for (char& c : message)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return message;
}

}  // namespace qor
