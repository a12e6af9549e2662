#include "model/IModel.h"

#include "util/Path.h"

#include <GL/gl.h>

namespace qor {

static_assert(sizeof(std::array<float, 3>) == 3 * sizeof(float), "vertices are read as float[3]");

ModelGroup::operator TriangleMesh() const {
  TriangleMesh m;
  m.vertices = reinterpret_cast<const float(*)[3]>(vertices.data());
  m.vertexCount = vertices.size();
  m.firstCorners = faces.empty() ? nullptr : reinterpret_cast<const unsigned char*>(&faces[0].vertex[0]);
  m.faceStride = sizeof(ModelFace);
  m.triangleCount = faces.size();
  return m;
}

IModel::~IModel() = default;

std::string cacheName(const IModel& model) {
  const bool keepExtension = model.readFileWide || path::extension(model.fileName) != "obj";
  return keepExtension ? path::fileName(model.fileName) : path::baseName(model.fileName);
}

void buildTrees(IModel& model) {
  model.trees.resize(model.groups.size());
  for (std::size_t i = 0; i < model.groups.size(); ++i) model.trees[i] = buildTree(model.groups[i]);
}

bool loadTrees(IModel& model, const std::string& path) {
  AABBTrees trees;
  if (!loadTrees(trees, path) || trees.size() != model.groups.size()) return false;
  for (std::size_t i = 0; i < trees.size(); ++i)
    if (!treeFitsMesh(*trees[i], model.groups[i])) return false;
  model.trees = std::move(trees);
  return true;
}

void IModel::deleteDisplayLists() {
  for (ModelGroup& group : groups) {
    for (uint32_t list : group.displayLists) glDeleteLists(list, 1);
    group.displayLists.clear();
  }
}

}  // namespace qor
