// Bounding-box trees: how they split, their cache file, and the collision
// query between two placed models.

#include "collision/AABBNode.h"
#include "collision/AABBTreeCollision.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using kelvo::test::kCubeObj;
using kelvo::test::parseModel;
using kelvo::test::TempDir;
using qor::AABBNode;
using qor::ModelGroup;

namespace {

using Triangle = std::array<float, 9>;

class CollisionTest : public ::testing::Test {
protected:
  void TearDown() override { qor::collectGarbage(); }

  // A cube with its trees built.
  static qor::SmartPointer<qor::ModelObj> cube() {
    auto model = parseModel(kCubeObj);
    qor::buildTrees(*model);
    return model;
  }
  static bool collide(const qor::SmartPointer<qor::ModelObj>& a, const float* matrixB,
                      const qor::SmartPointer<qor::ModelObj>& b) {
    return qor::AABBTreeCollision(kIdentity, a, matrixB, b).collide();
  }
  static constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  TempDir dir;
};

// A group of triangles given by their corner coordinates (one vertex per corner).
ModelGroup groupOf(const std::vector<Triangle>& triangles) {
  ModelGroup g;
  for (const auto& t : triangles) {
    qor::ModelFace f{};
    for (int c = 0; c < 3; ++c) {
      f.vertex[c] = static_cast<int32_t>(g.vertices.size());
      g.vertices.push_back({t[3 * c], t[3 * c + 1], t[3 * c + 2]});
    }
    g.faces.push_back(f);
  }
  return g;
}

// Calls fn(node, depth) for every node of a tree.
template <class Fn>
void walk(const AABBNode& node, int depth, Fn&& fn) {
  fn(node, depth);
  if (node.left) walk(*node.left, depth + 1, fn);
  if (node.right) walk(*node.right, depth + 1, fn);
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::array<float, 16> translation(float x) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, 0, 0, 1}; }

TEST_F(CollisionTest, ConstructorsBoxTheirTriangles) {
  ModelGroup g = groupOf({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {5, 5, 5, 6, 5, 5, 5, 7, 5}});
  g.vertices.push_back({-3, 0, 0});  // unused by any triangle, but every vertex counts
  AABBNode all(g);
  EXPECT_EQ(all.triangles, (std::vector<int32_t>{0, 1}));
  EXPECT_FLOAT_EQ(all.box.min[0], -3.0f);
  EXPECT_FLOAT_EQ(all.box.max[1], 7.0f);
  AABBNode second(g, {1});
  EXPECT_EQ(second.triangleCount, 1);
  EXPECT_FLOAT_EQ(second.box.min[0], 5.0f);
  EXPECT_EQ(AABBNode(ModelGroup()).triangleCount, 0);
}

TEST_F(CollisionTest, SplitRule) {
  struct Case {
    const char* name;
    std::vector<Triangle> triangles;
    int axis;  // -1: stays a leaf
    float leftMax, rightMin;
  };
  const Case cases[] = {
      {"one triangle", {{0, 0, 0, 1, 0, 0, 0, 1, 0}}, -1, 0, 0},
      // Separable along every axis of a cube-shaped box: x is tried first.
      {"equal extents", {{0, 0, 0, 0.1f, 0, 0, 0, 0.1f, 0.1f}, {1, 1, 1, 0.9f, 1, 1, 1, 0.9f, 0.9f}}, 0, 0.1f, 0.9f},
      // Long in y, split at y = 5; the middle triangle has a corner on the
      // split and goes left (bounds inclusive).
      {"longest axis",
       {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 5, 0, 1, 6, 0, 0, 7, 0}, {0, 8, 0, 1, 9, 0, 0, 10, 0}}, 1, 7, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModelGroup g = groupOf(c.triangles);
    AABBNode root(g);
    qor::buildNode(g, root, 0);
    ASSERT_EQ(root.isLeaf(), c.axis < 0);
    if (c.axis >= 0) {
      EXPECT_FLOAT_EQ(root.left->box.max[c.axis], c.leftMax);
      EXPECT_FLOAT_EQ(root.right->box.min[c.axis], c.rightMin);
    }
    std::vector<int32_t> listed;  // each triangle in exactly one leaf
    walk(root, 0, [&](const AABBNode& n, int) { listed.insert(listed.end(), n.triangles.begin(), n.triangles.end()); });
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed.size(), c.triangles.size());
    EXPECT_TRUE(std::adjacent_find(listed.begin(), listed.end()) == listed.end());
  }
}

TEST_F(CollisionTest, DepthIsLimitedAndOnlyLeavesListTriangles) {
  // 4000 small triangles along x: enough to split far beyond depth 10.
  std::vector<Triangle> tris;
  for (int i = 0; i < 4000; ++i) {
    const float x = static_cast<float>(i);
    tris.push_back({x, 0, 0, x + 0.5f, 0, 0, x, 0.5f, 0});
  }
  ModelGroup g = groupOf(tris);
  AABBNode root(g);
  qor::buildNode(g, root, 0);
  int deepest = 0;
  std::size_t listed = 0;
  walk(root, 0, [&](const AABBNode& n, int depth) {
    deepest = std::max(deepest, depth);
    EXPECT_EQ(bool(n.left), bool(n.right));
    EXPECT_EQ(n.triangleCount, static_cast<int32_t>(n.triangles.size()));
    EXPECT_TRUE(n.isLeaf() || n.triangles.empty());
    listed += n.triangles.size();
  });
  EXPECT_EQ(deepest, qor::kMaxTreeDepth);
  EXPECT_EQ(listed, tris.size());
}

TEST_F(CollisionTest, CacheFileRoundTripsByteForByte) {
  auto model = parseModel(std::string(kCubeObj) + "g second\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n");
  qor::buildTrees(*model);
  ASSERT_EQ(model->trees.size(), 2u);
  ASSERT_TRUE(qor::saveTrees(*model, dir.file("m.aabb")));
  const std::string bytes = readAll(dir.file("m.aabb"));
  // Magic, count 2, then the first root's box.min.x (-0.5f), little-endian.
  EXPECT_EQ(bytes.substr(0, 16), std::string("AABBTREE\x02\x00\x00\x00\x00\x00\x00\xbf", 16));

  auto loaded = parseModel("");
  ASSERT_TRUE(qor::loadTrees(*loaded, dir.file("m.aabb")));
  ASSERT_EQ(loaded->trees.size(), 2u);
  for (const auto& tree : loaded->trees) walk(*tree, 0, [](const AABBNode& n, int) { EXPECT_EQ(n.triangleCount, 0); });
  // Writing what was read gives the same file: same boxes, same shape.
  ASSERT_TRUE(qor::saveTrees(*loaded, dir.file("again.aabb")));
  EXPECT_EQ(readAll(dir.file("again.aabb")), bytes);
}

TEST_F(CollisionTest, CacheFileReader) {
  auto solid = cube();
  ASSERT_TRUE(qor::saveTrees(*solid, dir.file("good.aabb")));
  const std::string good = readAll(dir.file("good.aabb"));
  auto header = [](const char* count) { return "AABBTREE" + std::string(count, 4); };
  std::string box;  // (-1, -1, -1) to (1, 1, 1)
  for (float v : {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f}) box.append(reinterpret_cast<const char*>(&v), 4);

  struct Case {
    std::string name, content;
    bool loads;
    std::size_t trees;
    bool collides;
  };
  const Case cases[] = {
      {"empty", "", false, 0, false},
      {"short magic", "AABBTRE", false, 0, false},
      {"foreign magic", "AABBTREF" + good.substr(8), false, 0, false},
      {"short header", good.substr(0, 10), false, 0, false},
      {"cut at 12", good.substr(0, 12), false, 0, false},
      {"cut at 20", good.substr(0, 20), false, 0, false},
      {"cut at 36", good.substr(0, 36), false, 0, false},
      {"cut at 37", good.substr(0, 37), false, 0, false},
      {"last byte missing", good.substr(0, good.size() - 1), false, 0, false},
      // More trees announced than the file holds, up to counts that would
      // otherwise ask for gigabytes.
      {"count 2", header("\x02\x00\x00\x00") + good.substr(12), false, 0, false},
      {"count 2^31-1", header("\xff\xff\xff\x7f") + good.substr(12), false, 0, false},
      {"count -1", header("\xff\xff\xff\xff") + good.substr(12), false, 0, false},
      // A bad marker ends the tree, which keeps its box: a point inside the cube.
      {"bad marker", header("\x01\x00\x00\x00") + std::string(24, '\0') + "\x07", true, 1, true},
      {"no trees", header("\x00\x00\x00\x00"), true, 0, false},
      // A root with only a right child: the query must not follow the null side.
      {"one child", header("\x01\x00\x00\x00") + box + std::string(1, '\0') + "\x01" + box + std::string(2, '\0'),
       true, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto target = parseModel("");
    ASSERT_EQ(qor::loadTrees(*target, dir.write("bad.aabb", c.content)), c.loads);
    EXPECT_EQ(target->trees.size(), c.trees);
    if (!c.loads) continue;
    EXPECT_EQ(collide(target, kIdentity, solid), c.collides);
    EXPECT_EQ(collide(solid, kIdentity, target), c.collides);
  }
  EXPECT_FALSE(qor::loadTrees(*parseModel(""), dir.file("missing.aabb")));

  // Scrambled files (markers, counts and floats changed, sometimes cut)
  // either load or not, but never crash the reader or the query.
  uint32_t seed = 7;
  auto next = [&seed] { return ((seed = seed * 1103515245u + 12345u) >> 16) & 0x7fff; };
  for (int round = 0; round < 500; ++round) {
    std::string bad = good;
    for (int k = 0; k < 3; ++k) bad[8 + next() % (bad.size() - 8)] = static_cast<char>(next() & 0xff);
    if (next() % 2) bad.resize(8 + next() % (bad.size() - 8));
    auto target = parseModel("");
    if (qor::loadTrees(*target, dir.write("bad.aabb", bad))) collide(target, kIdentity, solid);
    target = nullptr;
    qor::collectGarbage();
  }
}

TEST_F(CollisionTest, Queries) {
  auto a = cube(), b = cube();
  const float c = 0.70710678f;
  // Rotated 45 degrees about z and placed 1.25 apart: the boxes' corners
  // would overlap as axis-aligned boxes, but the rotated face does not reach.
  const float rotated[16] = {c, c, 0, 0, -c, c, 0, 0, 0, 0, 1, 0, 1.25f, 0, 0, 1};
  EXPECT_FALSE(collide(a, translation(10).data(), b));
  EXPECT_TRUE(collide(a, translation(0.9f).data(), b));
  EXPECT_FALSE(collide(a, rotated, b));
  EXPECT_FALSE(collide(a, kIdentity, nullptr));

  // Each model: two small triangles at opposite ends of x (after
  // normalisation near x = -0.5 and x = +0.5).
  const char* obj = "v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\nv 4 0 0\nv 4.1 0 0\nv 4 0.1 0\nvn 0 0 1\n"
                    "f 1//1 2//1 3//1\nf 4//1 5//1 6//1\n";
  auto p = parseModel(obj), q = parseModel(obj);
  qor::buildTrees(*p);
  qor::buildTrees(*q);
  ASSERT_FALSE(p->trees[0]->isLeaf());
  // Shifted by 0.25: the roots overlap, but q's triangles fall between p's.
  const auto between = translation(0.25f);
  EXPECT_TRUE(qor::AABBTreeCollision(kIdentity, p, between.data(), q).overlap(p->trees[0]->box, q->trees[0]->box));
  EXPECT_FALSE(collide(p, between.data(), q));
  // Shifted so that q's left triangle lies on p's right one: they touch,
  // although each leaf box sits far from its model's origin.
  EXPECT_TRUE(collide(p, translation(p->trees[0]->right->box.min[0] - q->trees[0]->left->box.min[0]).data(), q));
}

}  // namespace
