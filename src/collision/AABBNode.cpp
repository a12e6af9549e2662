#include "collision/AABBNode.h"

#include "util/MappedFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

namespace qor {

namespace {

// The corners of triangle `t`, or null ones when the triangle or a vertex
// index lies outside the mesh (the model reader never produces such faces).
void cornersOf(const TriangleMesh& mesh, int32_t t, const float* out[3]) {
  out[0] = out[1] = out[2] = nullptr;
  if (t < 0 || static_cast<std::size_t>(t) >= mesh.triangleCount) return;
  int32_t v[3];
  mesh.corners(static_cast<std::size_t>(t), v);
  for (int c = 0; c < 3; ++c) {
    if (v[c] >= 0 && static_cast<std::size_t>(v[c]) < mesh.vertexCount) out[c] = mesh.vertices[v[c]];
  }
}

// Grows `box` to hold `v`; the first point seeds it.
void include(AABB& box, const float* v, bool& seeded) {
  for (int k = 0; k < 3; ++k) {
    if (!seeded || v[k] < box.min[k]) box.min[k] = v[k];
    if (!seeded || v[k] > box.max[k]) box.max[k] = v[k];
  }
  seeded = true;
}

}  // namespace

void TriangleMesh::corners(std::size_t t, int32_t out[3]) const {
  // memcpy: the records are the caller's own structs, read as bytes.
  std::memcpy(out, firstCorners + t * faceStride, 3 * sizeof(int32_t));
}

AABBNode::AABBNode(const TriangleMesh& mesh) : triangleCount(static_cast<int32_t>(mesh.triangleCount)) {
  triangles.resize(mesh.triangleCount);
  for (std::size_t i = 0; i < triangles.size(); ++i) triangles[i] = static_cast<int32_t>(i);
  bool seeded = false;
  for (std::size_t i = 0; i < mesh.vertexCount; ++i) include(box, mesh.vertices[i], seeded);
}

AABBNode::AABBNode(const TriangleMesh& mesh, const std::vector<int32_t>& triangleList)
    : triangleCount(static_cast<int32_t>(triangleList.size())), triangles(triangleList) {
  bool seeded = false;
  for (int32_t t : triangles) {
    const float* v[3];
    cornersOf(mesh, t, v);
    for (const float* corner : v) {
      if (corner) include(box, corner, seeded);
    }
  }
}

int countVerticesInside(const AABB& box, const TriangleMesh& mesh, int32_t t) {
  const float* v[3];
  cornersOf(mesh, t, v);
  int inside = 0;
  for (const float* corner : v) {
    if (!corner) continue;
    bool in = true;
    for (int k = 0; k < 3; ++k) in = in && box.min[k] <= corner[k] && corner[k] <= box.max[k];
    inside += in;
  }
  return inside;
}

// Tries the axes longest first and, on each, the split fractions in turn; the
// first split that leaves triangles on both sides wins. A triangle with any
// corner in the lower part (bounds included) goes left, so none is listed
// twice. Nodes that cannot be split, or sit at the deepest level, stay leaves.
// Splits `node`'s triangles into the two lists of its children; false when no
// split leaves triangles on both sides.
bool splitTriangles(const TriangleMesh& mesh, const AABBNode& node, std::vector<int32_t>& leftList,
                    std::vector<int32_t>& rightList) {
  int axes[3] = {0, 1, 2};
  float ext[3] = {node.box.extent(0), node.box.extent(1), node.box.extent(2)};
  for (int i = 0; i < 2; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (ext[j] > ext[i]) {
        std::swap(ext[i], ext[j]);
        std::swap(axes[i], axes[j]);
      }
    }
  }

  static const float kFractions[] = {0.5f, 0.25f, 0.75f, 0.1f, 0.9f};
  bool split = false;
  for (int a : axes) {
    for (float f : kFractions) {
      leftList.clear();
      rightList.clear();
      AABB leftBox = node.box;
      leftBox.max[a] = (node.box.max[a] - node.box.min[a]) * f + node.box.min[a];
      for (int32_t t : node.triangles) {
        (countVerticesInside(leftBox, mesh, t) == 0 ? rightList : leftList).push_back(t);
      }
      if (!leftList.empty() && !rightList.empty()) {
        split = true;
        break;
      }
    }
    if (split) break;
  }
  return split;
}

void buildNode(const TriangleMesh& mesh, AABBNode& node, int depth) {
  if (depth >= kMaxTreeDepth) return;
  std::vector<int32_t> leftList, rightList;
  if (!splitTriangles(mesh, node, leftList, rightList)) return;

  node.left = makeShared<AABBNode>(mesh, leftList);
  node.right = makeShared<AABBNode>(mesh, rightList);
  buildNode(mesh, *node.left, depth + 1);
  buildNode(mesh, *node.right, depth + 1);
  node.triangles.clear();
  node.triangles.shrink_to_fit();
  node.triangleCount = 0;
}

SmartPointer<AABBNode> buildTree(const TriangleMesh& mesh) {
  SmartPointer<AABBNode> root = makeShared<AABBNode>(mesh);
  buildNode(mesh, *root, 0);
  return root;
}

// --- the cache file ---------------------------------------------------------

namespace {

constexpr char kMagic[8] = {'A', 'A', 'B', 'B', 'T', 'R', 'E', 'E'};
// Fewest bytes a tree can take: one box and a marker (a bad marker ends it).
constexpr long kMinNodeRecord = 6 * 4 + 1;
// Built trees are at most kMaxTreeDepth + 1 levels deep; a file with far
// deeper trees is not ours and would only make the queries recurse deeply.
constexpr int kMaxReadDepth = 64;

void putU32(std::string& out, uint32_t v) {
  const char bytes[4] = {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
                         static_cast<char>((v >> 16) & 0xff), static_cast<char>((v >> 24) & 0xff)};
  out.append(bytes, 4);
}

void putFloat(std::string& out, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  putU32(out, bits);
}

void writeNode(std::string& out, const AABBNode& node) {
  for (float v : node.box.min) putFloat(out, v);
  for (float v : node.box.max) putFloat(out, v);
  out.push_back(node.left ? '\x01' : '\x00');
  if (node.left) writeNode(out, *node.left);
  out.push_back(node.right ? '\x01' : '\x00');
  if (node.right) writeNode(out, *node.right);
}

uint32_t getU32(const unsigned char* b) {
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

enum class ReadResult { Ok, BadMarker, Truncated };

// Reads node records from the bytes of a whole cache file.
struct NodeReader {
  const unsigned char* p;
  const unsigned char* end;

  ReadResult read(AABBNode& node, int depth) {
    if (depth > kMaxReadDepth) return ReadResult::Truncated;
    if (end - p < 24) return ReadResult::Truncated;
    for (int k = 0; k < 3; ++k) {
      const uint32_t lo = getU32(p + 4 * k), hi = getU32(p + 12 + 4 * k);
      std::memcpy(&node.box.min[k], &lo, 4);
      std::memcpy(&node.box.max[k], &hi, 4);
    }
    p += 24;
    for (SmartPointer<AABBNode>* child : {&node.left, &node.right}) {
      if (p == end) return ReadResult::Truncated;
      const unsigned char marker = *p++;
      if (marker == 0x00) {
        *child = nullptr;
      } else if (marker == 0x01) {
        *child = makeShared<AABBNode>();
        const ReadResult r = read(**child, depth + 1);
        if (r != ReadResult::Ok) return r;
      } else {
        return ReadResult::BadMarker;
      }
    }
    return ReadResult::Ok;
  }
};

}  // namespace

bool saveTrees(const AABBTrees& trees, const std::string& path) {
  std::string out(kMagic, sizeof kMagic);
  putU32(out, static_cast<uint32_t>(trees.size()));
  for (const auto& root : trees) {
    if (root) {
      writeNode(out, *root);
    } else {
      // A missing root is stored as an empty leaf so the count stays right.
      writeNode(out, AABBNode());
    }
  }
  return writeRegularFile(path, out);
}

bool loadTrees(AABBTrees& result, const std::string& path) {
  // Regular files only: a FIFO or a device named as a cache never blocks.
  const MappedFile file(path);
  const std::string_view bytes = file.bytes();
  if (bytes.size() < 12 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
  const auto* first = reinterpret_cast<const unsigned char*>(bytes.data());
  // The file size bounds how many trees it can hold, so a corrupt count can
  // neither allocate much nor be believed.
  const int32_t count = static_cast<int32_t>(getU32(first + 8));
  if (count < 0 || static_cast<std::size_t>(count) > (bytes.size() - 12) / kMinNodeRecord) return false;

  NodeReader reader{first + 12, first + bytes.size()};
  AABBTrees trees(static_cast<std::size_t>(count));
  for (auto& root : trees) {
    root = makeShared<AABBNode>();
    // A bad marker ends that tree where it stands; running out of bytes
    // means the file is not a whole cache.
    if (reader.read(*root, 0) == ReadResult::Truncated) return false;
  }
  result = std::move(trees);
  return true;
}

namespace {

bool isFinite(const AABB& box) {
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(box.min[k]) || !std::isfinite(box.max[k])) return false;
  return true;
}

// Every box finite and every listed triangle inside the mesh.
bool nodesFit(const AABBNode& node, const TriangleMesh& mesh, int depth) {
  if (depth > kMaxReadDepth || !isFinite(node.box)) return false;
  for (int32_t t : node.triangles)
    if (t < 0 || static_cast<std::size_t>(t) >= mesh.triangleCount) return false;
  return (!node.left || nodesFit(*node.left, mesh, depth + 1)) &&
         (!node.right || nodesFit(*node.right, mesh, depth + 1));
}

}  // namespace

bool treeFitsMesh(const AABBNode& root, const TriangleMesh& mesh) {
  // A built root is boxed by all of the mesh's vertices; a root with another
  // box was built from another mesh (or an older version of this one).
  AABB vertexBounds;
  bool seeded = false;
  for (std::size_t i = 0; i < mesh.vertexCount; ++i) include(vertexBounds, mesh.vertices[i], seeded);
  for (int k = 0; k < 3; ++k)
    if (root.box.min[k] != vertexBounds.min[k] || root.box.max[k] != vertexBounds.max[k]) return false;
  if (!nodesFit(root, mesh, 0)) return false;
  // The root's first split is the one the mesh's triangles give: a tree built
  // from other faces over the same vertices (the file read another way before)
  // splits elsewhere, or not at all.
  const AABBNode whole(mesh);
  std::vector<int32_t> leftList, rightList;
  if (kMaxTreeDepth <= 0 || !splitTriangles(mesh, whole, leftList, rightList)) return !root.left && !root.right;
  if (!root.left || !root.right) return false;
  const AABBNode left(mesh, leftList), right(mesh, rightList);
  for (int k = 0; k < 3; ++k) {
    if (root.left->box.min[k] != left.box.min[k] || root.left->box.max[k] != left.box.max[k] ||
        root.right->box.min[k] != right.box.min[k] || root.right->box.max[k] != right.box.max[k])
      return false;
  }
  return true;
}

}  // namespace qor
