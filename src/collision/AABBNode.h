#pragma once
// Axis-aligned bounding-box trees over the triangles of one mesh group, and
// their binary cache file (".aabb").
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

struct ModelGroup;
class IModel;

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
  // All triangles of the group, boxed by all of its vertices.
  explicit AABBNode(const ModelGroup& group);
  // The listed triangles, boxed by their corners.
  AABBNode(const ModelGroup& group, const std::vector<int32_t>& triangleList);

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

// How many corners of triangle `t` of `group` lie inside `box` (bounds inclusive).
int countVerticesInside(const AABB& box, const ModelGroup& group, int32_t t);

// Splits `node` recursively (see AABBNode.cpp for the partition rule).
void buildNode(const ModelGroup& group, AABBNode& node, int depth);

// One tree per group of the model, built from its triangles.
void buildTrees(IModel& model);

// The cache file. loadTrees fails (false) on a missing, foreign, short or
// truncated file; the caller then builds and saves again.
bool loadTrees(IModel& model, const std::string& path);
bool saveTrees(const IModel& model, const std::string& path);

}  // namespace qor
