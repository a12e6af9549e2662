#include "model/AssimpImporter.h"

#include <assimp/cimport.h>
#include <assimp/importerdesc.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace qor {

namespace {

// The library's current interface (assimp 5).
constexpr const char* kLibraryName = "libassimp.so.5";

#define KELVO_ASSIMP_FUNCTIONS(X)                                                                          \
  X(aiImportFileExWithProperties) X(aiReleaseImport) X(aiGetErrorString) X(aiCreatePropertyStore)          \
  X(aiReleasePropertyStore) X(aiSetImportPropertyInteger) X(aiGetImportFormatCount)                        \
  X(aiGetImportFormatDescription) X(aiGetMaterialColor) X(aiGetMaterialFloatArray) X(aiGetMaterialString)

struct AssimpLibrary {
#define KELVO_ASSIMP_POINTER(name) decltype(&::name) name = nullptr;
  KELVO_ASSIMP_FUNCTIONS(KELVO_ASSIMP_POINTER)
#undef KELVO_ASSIMP_POINTER
};

const AssimpLibrary* openLibrary(std::string& why) {
  static AssimpLibrary library;
  static std::string failure;
  static const bool opened = [] {
    void* handle = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* error = ::dlerror();
      failure = std::string("the model importer cannot be opened: ") + (error ? error : kLibraryName);
      return false;
    }
#define KELVO_ASSIMP_RESOLVE(name)                                                    \
  if (void* f = ::dlsym(handle, #name)) library.name = reinterpret_cast<decltype(library.name)>(f); \
  else failure = std::string("the model importer ") + kLibraryName + " lacks " #name;
    KELVO_ASSIMP_FUNCTIONS(KELVO_ASSIMP_RESOLVE)
#undef KELVO_ASSIMP_RESOLVE
    return failure.empty();
  }();
  if (!opened) why = failure;
  return opened ? &library : nullptr;
}

// An affine transform as assimp stores it: rows a, b, c, d.
using Matrix = aiMatrix4x4;

Matrix times(const Matrix& l, const Matrix& r) {
  Matrix m;
  const float* a = &l.a1;
  const float* b = &r.a1;
  float* out = &m.a1;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a[i * 4 + k] * b[k * 4 + j];
      out[i * 4 + j] = sum;
    }
  return m;
}

// The transforms of the meshes, pairs of mesh index and the product of the
// node transforms above it, in the order of a depth-first walk of the
// nodes. An explicit stack and a cap on the nodes visited: a hostile file
// may nest deeply or link a node twice.
bool placeMeshes(const aiScene& scene, std::vector<std::pair<unsigned, Matrix>>& placed, std::string& why) {
  constexpr std::size_t kMaxNodes = 1u << 20;
  std::vector<std::pair<const aiNode*, Matrix>> stack;
  if (scene.mRootNode) stack.emplace_back(scene.mRootNode, Matrix());
  std::size_t visited = 0;
  while (!stack.empty()) {
    const auto [node, parent] = stack.back();
    stack.pop_back();
    if (++visited > kMaxNodes) {
      why = "the file has more nodes than a model may have";
      return false;
    }
    const Matrix here = times(parent, node->mTransformation);
    for (unsigned i = 0; i < node->mNumMeshes; ++i)
      if (node->mMeshes && node->mMeshes[i] < scene.mNumMeshes) placed.emplace_back(node->mMeshes[i], here);
    // Children pushed last first, so the first is walked first.
    for (unsigned i = node->mNumChildren; i-- > 0;)
      if (node->mChildren && node->mChildren[i]) stack.emplace_back(node->mChildren[i], here);
  }
  return true;
}

float determinant3(const Matrix& m) {
  return m.a1 * (m.b2 * m.c3 - m.b3 * m.c2) - m.a2 * (m.b1 * m.c3 - m.b3 * m.c1) + m.a3 * (m.b1 * m.c2 - m.b2 * m.c1);
}

// The mesh placed by `m`: positions by the whole transform, normals by the
// inverse transpose of its linear part (its cofactors, up to scale), the
// winding turned over when the transform mirrors.
ImportedMesh placedMesh(const aiMesh& mesh, const Matrix& m) {
  ImportedMesh out;
  out.material = mesh.mMaterialIndex;
  const unsigned n = mesh.mVertices ? mesh.mNumVertices : 0;
  out.positions.resize(n);
  for (unsigned i = 0; i < n; ++i) {
    const aiVector3D& v = mesh.mVertices[i];
    out.positions[i] = {m.a1 * v.x + m.a2 * v.y + m.a3 * v.z + m.a4, m.b1 * v.x + m.b2 * v.y + m.b3 * v.z + m.b4,
                        m.c1 * v.x + m.c2 * v.y + m.c3 * v.z + m.c4};
  }
  if (mesh.mNormals && n) {
    const float c[9] = {m.b2 * m.c3 - m.b3 * m.c2, m.b3 * m.c1 - m.b1 * m.c3, m.b1 * m.c2 - m.b2 * m.c1,
                        m.a3 * m.c2 - m.a2 * m.c3, m.a1 * m.c3 - m.a3 * m.c1, m.a2 * m.c1 - m.a1 * m.c2,
                        m.a2 * m.b3 - m.a3 * m.b2, m.a3 * m.b1 - m.a1 * m.b3, m.a1 * m.b2 - m.a2 * m.b1};
    out.normals.resize(n);
    for (unsigned i = 0; i < n; ++i) {
      const aiVector3D& v = mesh.mNormals[i];
      std::array<float, 3> w = {c[0] * v.x + c[3] * v.y + c[6] * v.z, c[1] * v.x + c[4] * v.y + c[7] * v.z,
                                c[2] * v.x + c[5] * v.y + c[8] * v.z};
      const float length = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
      if (length > 0.0f) w = {w[0] / length, w[1] / length, w[2] / length};
      out.normals[i] = w;
    }
  }
  if (mesh.mTextureCoords[0] && n) {
    out.texCoords.resize(n);
    for (unsigned i = 0; i < n; ++i) out.texCoords[i] = {mesh.mTextureCoords[0][i].x, mesh.mTextureCoords[0][i].y};
  }
  const bool mirrored = determinant3(m) < 0.0f;
  for (unsigned f = 0; mesh.mFaces && f < mesh.mNumFaces; ++f) {
    const aiFace& face = mesh.mFaces[f];
    if (face.mNumIndices != 3 || !face.mIndices) continue;  // points and lines are not drawn
    std::array<uint32_t, 3> t = {face.mIndices[0], face.mIndices[1], face.mIndices[2]};
    if (t[0] >= n || t[1] >= n || t[2] >= n) continue;
    if (mirrored) std::swap(t[1], t[2]);
    out.triangles.push_back(t);
  }
  return out;
}

bool color(const AssimpLibrary& ai, const aiMaterial* m, const char* key, float out[3]) {
  aiColor4D c;
  if (ai.aiGetMaterialColor(m, key, 0, 0, &c) != aiReturn_SUCCESS) return false;
  out[0] = c.r, out[1] = c.g, out[2] = c.b;
  return true;
}

bool number(const AssimpLibrary& ai, const aiMaterial* m, const char* key, float& out) {
  ai_real value = 0;
  unsigned one = 1;
  if (ai.aiGetMaterialFloatArray(m, key, 0, 0, &value, &one) != aiReturn_SUCCESS || one != 1) return false;
  out = static_cast<float>(value);
  return true;
}

// The texture a material names: "*N" is the file's N-th image, a name one of
// its images carries is that image, any other name a file beside the model.
void colourTexture(const AssimpLibrary& ai, const aiScene& scene, const aiMaterial* m, ImportedMaterial& out) {
  aiString path;
  if (ai.aiGetMaterialString(m, "$tex.file", aiTextureType_BASE_COLOR, 0, &path) != aiReturn_SUCCESS &&
      ai.aiGetMaterialString(m, "$tex.file", aiTextureType_DIFFUSE, 0, &path) != aiReturn_SUCCESS)
    return;
  const std::string name(path.data, std::min<std::size_t>(path.length, MAXLEN - 1));
  if (name.empty()) return;
  if (name[0] == '*') {
    char* end = nullptr;
    const long index = std::strtol(name.c_str() + 1, &end, 10);
    if (end && *end == '\0' && index >= 0 && static_cast<unsigned long>(index) < scene.mNumTextures)
      out.embedded = static_cast<int32_t>(index);
    return;
  }
  for (unsigned i = 0; scene.mTextures && i < scene.mNumTextures; ++i) {
    const aiTexture* t = scene.mTextures[i];
    if (t && t->mFilename.length > 0 && name == t->mFilename.C_Str()) {
      out.embedded = static_cast<int32_t>(i);
      return;
    }
  }
  out.texturePath = name;
}

ImportedMaterial material(const AssimpLibrary& ai, const aiScene& scene, const aiMaterial* m) {
  ImportedMaterial out;
  aiString name;
  if (ai.aiGetMaterialString(m, "?mat.name", 0, 0, &name) == aiReturn_SUCCESS)
    out.name.assign(name.data, std::min<std::size_t>(name.length, MAXLEN - 1));
  if (!color(ai, m, "$clr.base", out.diffuse)) color(ai, m, "$clr.diffuse", out.diffuse);
  color(ai, m, "$clr.ambient", out.ambient);
  const bool hasSpecular = color(ai, m, "$clr.specular", out.specular);
  color(ai, m, "$clr.emissive", out.emission);
  float roughness = 0.0f, shininess = 0.0f, opacity = 1.0f;
  if (number(ai, m, "$mat.roughnessFactor", roughness) && std::isfinite(roughness)) {
    // The Phong exponent that gives a highlight of about the same width; a
    // rough surface without a specular colour of its own shines less.
    roughness = std::clamp(roughness, 0.0f, 1.0f);
    out.shininess = roughness > 0.0f ? 2.0f / std::pow(roughness, 4.0f) - 2.0f : 128.0f;
    if (!hasSpecular)
      for (float& c : out.specular) c = 0.5f * (1.0f - roughness);
  } else if (number(ai, m, "$mat.shininess", shininess)) {
    out.shininess = shininess;
  }
  if (!std::isfinite(out.shininess)) out.shininess = 8.0f;
  out.shininess = std::clamp(out.shininess, 1.0f, 128.0f);
  if (number(ai, m, "$mat.opacity", opacity) && std::isfinite(opacity)) out.opacity = std::clamp(opacity, 0.0f, 1.0f);
  colourTexture(ai, scene, m, out);
  return out;
}

// An uncompressed image as a TGA file (32-bit, top row first), which the
// texture decoder reads as it reads files; nothing for one TGA cannot hold.
std::string tgaFile(const aiTexture& t) {
  if (!t.pcData || t.mWidth == 0 || t.mHeight == 0 || t.mWidth > 0xffff || t.mHeight > 0xffff) return {};
  const std::size_t pixels = std::size_t{t.mWidth} * t.mHeight;
  std::string file(18 + pixels * 4, '\0');
  auto* h = reinterpret_cast<unsigned char*>(file.data());
  h[2] = 2;  // true colour, uncompressed
  h[12] = t.mWidth & 0xff, h[13] = t.mWidth >> 8, h[14] = t.mHeight & 0xff, h[15] = t.mHeight >> 8;
  h[16] = 32, h[17] = 0x28;  // 8 bits of alpha, top row first
  // aiTexel is b, g, r, a: the order of TGA's pixels.
  static_assert(sizeof(aiTexel) == 4);
  std::memcpy(h + 18, t.pcData, pixels * 4);
  return file;
}

ImportedTexture texture(const aiTexture* t) {
  ImportedTexture out;
  if (!t || !t->pcData) return out;
  if (t->mHeight == 0) {  // the bytes of an image file, mWidth of them
    out.bytes.assign(reinterpret_cast<const char*>(t->pcData), t->mWidth);
    out.format.assign(t->achFormatHint, strnlen(t->achFormatHint, sizeof t->achFormatHint));
    std::transform(out.format.begin(), out.format.end(), out.format.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  } else {
    out.bytes = tgaFile(*t);
    out.format = "tga";
  }
  return out;
}

constexpr unsigned kSteps = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_GenSmoothNormals |
                            aiProcess_SortByPType | aiProcess_ValidateDataStructure;

bool convert(const AssimpLibrary& ai, const aiScene& in, ImportedScene& out, std::string& why,
             std::size_t maxBytes) {
  for (unsigned i = 0; in.mMaterials && i < in.mNumMaterials; ++i)
    out.materials.push_back(in.mMaterials[i] ? material(ai, in, in.mMaterials[i]) : ImportedMaterial());
  for (unsigned i = 0; in.mTextures && i < in.mNumTextures; ++i) out.textures.push_back(texture(in.mTextures[i]));
  std::vector<std::pair<unsigned, Matrix>> placed;
  if (!placeMeshes(in, placed, why)) return false;
  std::size_t bytes = importedSize(out);
  if (bytes > maxBytes) {
    why = "the model's images are larger than a model may hold";
    return false;
  }
  for (const auto& [index, transform] : placed) {
    const aiMesh* mesh = in.mMeshes ? in.mMeshes[index] : nullptr;
    if (!mesh) continue;
    ImportedMesh m = placedMesh(*mesh, transform);
    if (m.triangles.empty()) continue;
    // A mesh without a material of its own takes one made for it.
    if (m.material >= out.materials.size()) {
      m.material = static_cast<uint32_t>(out.materials.size());
      out.materials.emplace_back();
    }
    ImportedScene one;
    one.meshes.push_back(std::move(m));
    bytes += importedSize(one) - importedSize(ImportedScene());
    if (bytes > maxBytes) {
      why = "the model is larger than a model may be";
      return false;
    }
    out.meshes.push_back(std::move(one.meshes.back()));
  }
  return true;
}

}  // namespace

bool listAssimpFormats(std::vector<ImportFormat>& formats, std::string& why) {
  const AssimpLibrary* ai = openLibrary(why);
  if (!ai) return false;
  const std::size_t count = ai->aiGetImportFormatCount();
  for (std::size_t i = 0; i < count; ++i) {
    const aiImporterDesc* d = ai->aiGetImportFormatDescription(i);
    if (!d || !d->mFileExtensions) continue;
    const std::string importer = d->mName ? d->mName : "";
    std::string_view list = d->mFileExtensions;
    while (!list.empty()) {
      const std::size_t end = std::min(list.find(' '), list.size());
      std::string extension(list.substr(0, end));
      std::transform(extension.begin(), extension.end(), extension.begin(),
                     [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
      if (!extension.empty()) formats.push_back({extension, importer});
      list.remove_prefix(std::min(end + 1, list.size()));
    }
  }
  return true;
}

bool importWithAssimp(const std::string& path, ImportedScene& scene, std::string& why, std::size_t maxBytes) {
  const AssimpLibrary* ai = openLibrary(why);
  if (!ai) return false;
  aiPropertyStore* properties = ai->aiCreatePropertyStore();
  // Points and lines are dropped rather than kept as meshes of their own;
  // a file of bones alone gives no made-up mesh of them.
  ai->aiSetImportPropertyInteger(properties, AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
  ai->aiSetImportPropertyInteger(properties, AI_CONFIG_IMPORT_NO_SKELETON_MESHES, 1);
  const aiScene* imported = ai->aiImportFileExWithProperties(path.c_str(), kSteps, nullptr, properties);
  ai->aiReleasePropertyStore(properties);
  if (!imported) {
    const char* error = ai->aiGetErrorString();
    why = error && *error ? error : "the importer cannot read it";
    return false;
  }
  scene = ImportedScene();
  const bool converted = convert(*ai, *imported, scene, why, maxBytes);
  ai->aiReleaseImport(imported);
  return converted;
}

bool importWork(unsigned char* block, std::size_t size) {
  uint32_t length = 0;
  if (size < sizeof length) return false;
  std::memcpy(&length, block, sizeof length);
  if (length > size - sizeof length) return false;
  const std::string path(reinterpret_cast<const char*>(block + sizeof length), length);
  ImportedScene scene;
  std::string why;
  if (!importWithAssimp(path, scene, why, size)) {
    writeImportFailure(why, block, size);
    return false;
  }
  writeImported(scene, block);
  return true;
}

bool listFormatsWork(unsigned char* block, std::size_t size) {
  std::vector<ImportFormat> formats;
  std::string why;
  if (!listAssimpFormats(formats, why)) {
    writeImportFailure(why, block, size);
    return false;
  }
  std::string text;
  for (const ImportFormat& f : formats) text += f.extension + " " + f.importer + "\n";
  const uint32_t length = static_cast<uint32_t>(text.size());
  if (size < kFormatListTag.size() + sizeof length + text.size()) return false;
  std::memcpy(block, kFormatListTag.data(), kFormatListTag.size());
  std::memcpy(block + kFormatListTag.size(), &length, sizeof length);
  std::memcpy(block + kFormatListTag.size() + sizeof length, text.data(), text.size());
  return true;
}

}  // namespace qor
