#pragma once
// Axis-aligned bounding-box trees over the triangles of one mesh, and their
// binary cache file (".aabb"). The trees know meshes only through
// TriangleMesh; the model layer holds one tree per mesh group.
//
// File layout (little-endian, IEEE-754 single floats, no padding):
//   "AABBTREE" (8 bytes), tree count (int32), then each root's node record.
//   Node record, pre-order: min xyz, max xyz (6 floats), left marker (0x01 =
//   a left record follows, 0x00 = none), [left record], right marker,
//   [right record].

#include "base/memory/IMMObject.h"
#include "base/memory/SmartPointer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qor {

// What a tree reads of a mesh: its vertices (x, y, z each) and, per
// triangle, the indices of its three corners. The corners are read from
// records of `faceStride` bytes, so a model's own face records serve
// without a copy.
struct TriangleMesh {
  const float (*vertices)[3] = nullptr;
  std::size_t vertexCount = 0;
  const unsigned char* firstCorners = nullptr;  // the three int32 corners of triangle 0
  std::size_t faceStride = 3 * sizeof(int32_t);
  std::size_t triangleCount = 0;

  // The corner indices of triangle `t` (t < triangleCount).
  void corners(std::size_t t, int32_t out[3]) const;
};

struct AABB {
  float min[3] = {0.0f, 0.0f, 0.0f};
  float max[3] = {0.0f, 0.0f, 0.0f};
  // Full size per axis (not the half size).
  float extent(int axis) const { return max[axis] - min[axis]; }
};

class AABBNode : public IMMObject {
public:
  // Empty node with a zero box (the cache reader fills it).
  AABBNode() = default;
  // All triangles of the mesh, boxed by all of its vertices.
  explicit AABBNode(const TriangleMesh& mesh);
  // The listed triangles, boxed by their corners.
  AABBNode(const TriangleMesh& mesh, const std::vector<int32_t>& triangleList);

  std::size_t size() const override { return sizeof(*this); }

  bool isLeaf() const { return !left && !right; }

  int32_t triangleCount = 0;
  std::vector<int32_t> triangles;
  AABB box;
  SmartPointer<AABBNode> left;
  SmartPointer<AABBNode> right;
};

// Deepest level a node may be split at (the root is level 0).
constexpr int kMaxTreeDepth = 10;

// The roots of a model's trees, one per mesh group, in group order.
using AABBTrees = std::vector<SmartPointer<AABBNode>>;

// How many corners of triangle `t` of `mesh` lie inside `box` (bounds inclusive).
int countVerticesInside(const AABB& box, const TriangleMesh& mesh, int32_t t);

// Splits `node` recursively (see AABBNode.cpp for the partition rule).
void buildNode(const TriangleMesh& mesh, AABBNode& node, int depth);

// The whole tree of one mesh: a root over all of it, split recursively.
SmartPointer<AABBNode> buildTree(const TriangleMesh& mesh);

// The cache file. loadTrees fails (false) on a missing, foreign, short or
// truncated file, and on anything but a regular file, and then leaves `trees`
// as it was; the caller builds and saves again.
bool loadTrees(AABBTrees& trees, const std::string& path);
bool saveTrees(const AABBTrees& trees, const std::string& path);

// Whether a tree read from a cache can stand for `mesh`: its root has the box
// a tree built from the mesh has (the bounds of all its vertices), every box
// is finite, every listed triangle lies inside the mesh, and the root's two
// children have the boxes of the mesh's first split (a linear pass over the
// triangles, far less than a build).
bool treeFitsMesh(const AABBNode& root, const TriangleMesh& mesh);

}  // namespace qor
