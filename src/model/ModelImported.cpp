#include "model/ModelImported.h"

#include "material/TextureManager.h"
#include "model/AssimpImporter.h"
#include "platform/Sandbox.h"
#include "util/MappedFile.h"
#include "util/Path.h"
#include "util/ReadRecord.h"
#include "util/Warnings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qor {

using platform::SandboxOutcome;
using platform::SharedMemory;

namespace {

std::string lowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// What a sandbox outcome other than Finished means for an import.
std::string outcomeText(SandboxOutcome outcome, const SharedMemory& block) {
  switch (outcome) {
    case SandboxOutcome::Crashed: return "the importer crashed on it";
    case SandboxOutcome::TimedOut:
      return "the importer took longer than " + std::to_string(kImportTimeoutMs / 1000) + " s";
    case SandboxOutcome::NotStarted: return "no process could be started to import it";
    default: break;
  }
  const std::string message = readImportFailure({reinterpret_cast<const char*>(block.data()), block.size()});
  return message.empty() ? "the importer cannot read it" : message;
}

// The extensions, asked of the importer in a child (which opens the library).
struct FormatList {
  std::vector<std::string> extensions;
  std::string problem;
  FormatList() {
    SharedMemory block(1 << 20);
    const SandboxOutcome outcome = block ? runInDecodingProcess(listFormatsWork, block, kImportTimeoutMs)
                                         : SandboxOutcome::NotStarted;
    const std::string_view bytes(reinterpret_cast<const char*>(block.data()), block.size());
    uint32_t length = 0;
    if (outcome != SandboxOutcome::Finished || bytes.substr(0, kFormatListTag.size()) != kFormatListTag) {
      problem = outcomeText(outcome, block);
      return;
    }
    std::memcpy(&length, bytes.data() + kFormatListTag.size(), sizeof length);
    const std::size_t start = kFormatListTag.size() + sizeof length;
    if (length > bytes.size() - start) {
      problem = "the importer's list of formats is malformed";
      return;
    }
    // One "extension importer" line each; an extension is a short word of
    // letters, digits, "_" or "-" (anything else is not taken).
    std::string_view text = bytes.substr(start, length);
    while (!text.empty()) {
      const std::size_t end = std::min(text.find('\n'), text.size());
      const std::string_view line = text.substr(0, end);
      text.remove_prefix(std::min(end + 1, text.size()));
      const std::string extension = lowerCase(line.substr(0, line.find(' ')));
      const bool word = !extension.empty() && extension.size() <= 16 &&
                        std::all_of(extension.begin(), extension.end(), [](char c) {
                          return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
                        });
      if (word && extension != "obj" &&
          std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
        extensions.push_back(extension);
    }
    std::sort(extensions.begin(), extensions.end());
  }
};

const FormatList& formatList() {
  static const FormatList list;
  return list;
}

// A digest of an image's bytes (FNV-1a), so that an image that changed in
// its model file is never taken from the cache.
uint64_t digest(std::string_view bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ull;
  return h;
}

SmartPointer<Material> makeMaterial(const ModelObj& model, const ImportedScene& scene, const ImportedMaterial& in,
                                    const TextureSource& textures) {
  SmartPointer<Material> m = makeShared<Material>();
  m->name = in.name;
  const float alpha = std::clamp(in.opacity, 0.0f, 1.0f);
  auto set = [alpha](float out[4], const float rgb[3]) {
    std::copy(rgb, rgb + 3, out);
    out[3] = alpha;
  };
  set(m->diffuse, in.diffuse);
  set(m->ambient, in.ambient);
  set(m->specular, in.specular);
  set(m->emission, in.emission);
  m->alpha = alpha;
  m->shininess = std::clamp(in.shininess, 0.0f, 128.0f);
  if (in.embedded >= 0) {
    const ImportedTexture& t = scene.textures[static_cast<std::size_t>(in.embedded)];
    char key[64];
    std::snprintf(key, sizeof key, "#%d:%016llx", in.embedded, static_cast<unsigned long long>(digest(t.bytes)));
    m->textureName = model.fileName + key;
    m->textureId = textures.bytes(m->textureName, t.bytes, "image." + (t.format.empty() ? "png" : t.format));
  } else if (!in.texturePath.empty()) {
    m->textureName = in.texturePath;
    m->textureId = textures.file(path::join(model.fileName, in.texturePath));
  }
  return m;
}

// Normals for a mesh that has none: each vertex the sum of the normals of
// the triangles that use it, weighted by their area.
std::vector<std::array<float, 3>> vertexNormals(const ImportedMesh& mesh) {
  std::vector<std::array<float, 3>> normals(mesh.positions.size(), {0.0f, 0.0f, 0.0f});
  for (const auto& t : mesh.triangles) {
    const auto &a = mesh.positions[t[0]], &b = mesh.positions[t[1]], &c = mesh.positions[t[2]];
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    for (uint32_t corner : t)
      for (int k = 0; k < 3; ++k) normals[corner][k] += n[k];
  }
  for (auto& n : normals) {
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0f && std::isfinite(length)) n = {n[0] / length, n[1] / length, n[2] / length};
  }
  return normals;
}

}  // namespace

const std::vector<std::string>& importedFormats() { return formatList().extensions; }
const std::string& importedFormatsProblem() { return formatList().problem; }

bool isImportedFormat(std::string_view extension) {
  const std::string lower = lowerCase(extension);
  const std::vector<std::string>& formats = importedFormats();
  return std::binary_search(formats.begin(), formats.end(), lower);
}

bool importModelFile(const std::string& path, ImportedScene& scene, std::string& why) {
  SharedMemory block(kMaxImportBytes);
  if (!block || path.size() > block.size() - 4) {
    why = "no memory could be had to import it";
    return false;
  }
  const uint32_t length = static_cast<uint32_t>(path.size());
  std::memcpy(block.data(), &length, sizeof length);
  std::memcpy(block.data() + sizeof length, path.data(), path.size());
  const SandboxOutcome outcome = runInDecodingProcess(importWork, block, kImportTimeoutMs);
  if (outcome != SandboxOutcome::Finished) {
    why = outcomeText(outcome, block);
    return false;
  }
  std::string problem;
  if (!readImported({reinterpret_cast<const char*>(block.data()), block.size()}, scene, problem)) {
    why = "the importer's answer does not check out: " + problem;
    return false;
  }
  return true;
}

TextureSource textureManagerSource() {
  return {[](const std::string& path) { return textureManager.LoadTexture(path); },
          [](const std::string& key, std::string_view bytes, const std::string& fileName) {
            return textureManager.LoadTextureBytes(key, bytes, fileName);
          }};
}

void fillGroups(ModelObj& model, const ImportedScene& scene, const TextureSource& textures) {
  model.groups.clear();
  std::vector<SmartPointer<Material>> materials(scene.materials.size());
  for (const ImportedMesh& mesh : scene.meshes) {
    if (mesh.triangles.empty() || mesh.positions.empty()) continue;
    SmartPointer<Material>& material = materials[mesh.material];
    if (!material) material = makeMaterial(model, scene, scene.materials[mesh.material], textures);
    ModelGroup group;
    group.materials.push_back(material);
    group.faceStarts.push_back(0);
    group.vertices = mesh.positions;
    group.normals = mesh.normals.empty() ? vertexNormals(mesh) : mesh.normals;
    group.texCoords = mesh.texCoords;
    group.faces.reserve(mesh.triangles.size());
    for (const auto& t : mesh.triangles) {
      ModelFace face;
      for (int c = 0; c < 3; ++c) face.vertex[c] = face.normal[c] = face.texCoord[c] = static_cast<int32_t>(t[c]);
      group.faces.push_back(face);
    }
    model.groups.push_back(std::move(group));
  }
}

ModelImported::ModelImported(const std::string& name) {
  fileName = name;
  load(name);
}

void ModelImported::load(const std::string& name) {
  noteFileRead(name);
  // Only regular files are models: the importer never waits on a FIFO.
  if (!canReadRegularFile(name)) {
    if (warningsWanted()) warn("cannot open model \"" + name + "\": " + describeUnreadableFile(name));
    return;
  }
  ImportedScene scene;
  std::string why;
  if (!importModelFile(name, scene, why)) {
    if (warningsWanted()) warn("cannot load model \"" + name + "\": " + why + "; the node shows nothing");
    return;
  }
  fillGroups(*this, scene, textureManagerSource());
  if (warningsWanted() && groups.empty()) warn("model \"" + name + "\" has no triangle to draw: the node shows nothing");
  normalise();
  compile();
}

}  // namespace qor
