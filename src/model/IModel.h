#pragma once
// A model shown by geometry nodes: triangle groups split into material
// ranges, each range compiled into one display list, plus the bounding box and
// one collision tree per group.
//
// The geometry lives in this base so that everything holding a
// SmartPointer<IModel> (scene nodes, the shadow pass, collision queries, the
// board set-up) reads it without a downcast. ModelObj (OBJ files) is the one
// class that fills it.

#include "base/memory/IMMObject.h"
#include "base/memory/SmartPointer.h"
#include "collision/AABBNode.h"
#include "material/Material.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qor {

// One triangle: 0-based indices into its group's own arrays.
struct ModelFace {
  int32_t vertex[3];
  int32_t normal[3];
  int32_t texCoord[3];
};

struct ModelGroup {
  // The group as the collision trees read it (a group is a triangle mesh).
  operator TriangleMesh() const;

  std::vector<SmartPointer<Material>> materials;  // one per material range
  // faceStarts[i] is the first face of range i; after compilation a closing
  // element holds the face count, so range i is [faceStarts[i], faceStarts[i+1]).
  std::vector<int32_t> faceStarts;
  std::vector<std::array<float, 3>> vertices;
  std::vector<std::array<float, 3>> normals;
  std::vector<std::array<float, 2>> texCoords;
  std::vector<ModelFace> faces;
  std::vector<uint32_t> displayLists;  // one per material range; emptied by ModelManager::Clear
};

class IModel : public IMMObject {
public:
  std::size_t size() const override = 0;
  ~IModel() override;

  // Reads, normalises and compiles the file (needs a current GL context for
  // the display lists).
  virtual void load(const std::string& fileName) = 0;

  // Draws every material range with its own material. `flags` is the DrawFlag
  // mask: bit 1 opaque pass, 2 translucent pass, 4 colours, 8 texture.
  virtual void draw(uint8_t flags) const = 0;
  // Draws the whole model with one material (skipped as a whole by the pass
  // filter of bits 1 and 2).
  virtual void draw(uint8_t flags, const SmartPointer<Material>& material) const = 0;
  // Whether draw(flags) would draw anything; and draw(flags, material).
  // The renderer asks before it loads an item's matrix for a pass.
  virtual bool drawsIn(uint8_t flags) const = 0;
  virtual bool drawsIn(uint8_t flags, const SmartPointer<Material>& material) const = 0;

  // Deletes every display list of every group (the geometry stays).
  void deleteDisplayLists();

  // The triangles of every group (a sum over the groups, which are few).
  std::size_t triangleCount() const {
    std::size_t count = 0;
    for (const ModelGroup& group : groups) count += group.faces.size();
    return count;
  }

  std::string fileName;
  // Set when the faces were numbered file-wide rather than group by group
  // (see ModelObj::parse): such a reading keeps its collision cache under a
  // name of its own, so a cache another reading of the file left is never
  // taken for it.
  bool readFileWide = false;
  std::vector<ModelGroup> groups;
  // Bounding box of all vertices after normalisation.
  float boxMin[3] = {0.0f, 0.0f, 0.0f};
  float boxMax[3] = {0.0f, 0.0f, 0.0f};
  // One collision tree root per group, filled by the model manager.
  AABBTrees trees;
};

// The name the model's cache files take in the "tmp" folder beside it, before
// their own extension: the base name ("nurse" for nurse.obj), or the whole
// file name for a model of another format ("x.glb") and for an OBJ file read
// with file-wide numbering, so that x.obj and x.glb in one folder, or two
// readings of one file, never share a cache.
std::string cacheName(const IModel& model);

// One collision tree per group of the model, built from its triangles.
void buildTrees(IModel& model);
// The model's trees from and to their cache file (see collision/AABBNode.h).
// A cache that does not fit the model (another tree count than its group
// count, or a tree that does not fit its group, see treeFitsMesh) is foreign:
// loadTrees then fails and leaves the model's trees as they were.
bool loadTrees(IModel& model, const std::string& path);
inline bool saveTrees(const IModel& model, const std::string& path) { return saveTrees(model.trees, path); }

}  // namespace qor
