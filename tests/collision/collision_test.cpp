// Bounding-box trees: how they split, their cache file, and the collision
// query between two placed models.

#include "collision/AABBNode.h"
#include "collision/AABBTreeCollision.h"
#include "support/EngineFixtures.h"
#include "support/ModelFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using kelvo::test::parseModel;
using qor::AABBNode;

namespace {

using Model = qor::SmartPointer<qor::ModelObj>;
using Triangle = std::array<float, 9>;

class CollisionTest : public kelvo::test::EngineTest {
protected:
  static Model withTrees(const std::string& obj) {
    auto model = parseModel(obj);
    qor::buildTrees(*model);
    return model;
  }
  // Does `b`, turned by (cos, sin) about z and moved along x, touch `a`?
  static bool collide(const Model& a, const Model& b, float x = 0, float cos = 1, float sin = 0) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float placed[16] = {cos, sin, 0, 0, -sin, cos, 0, 0, 0, 0, 1, 0, x, 0, 0, 1};
    return qor::AABBTreeCollision(identity, a, placed, b).collide();
  }
};

// A group of triangles given by their corner coordinates (one vertex per corner).
qor::ModelGroup groupOf(const std::vector<Triangle>& triangles) {
  qor::ModelGroup g;
  for (const auto& t : triangles) {
    qor::ModelFace& f = g.faces.emplace_back();
    for (int c = 0; c < 3; ++c) {
      f.vertex[c] = static_cast<int32_t>(g.vertices.size());
      g.vertices.push_back({t[3 * c], t[3 * c + 1], t[3 * c + 2]});
    }
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

TEST_F(CollisionTest, EachTriangleInOneLeafDownToTheDepthLimit) {
  qor::ModelGroup g = groupOf({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {5, 5, 5, 6, 5, 5, 5, 7, 5}});
  g.vertices.push_back({-3, 0, 0});  // unused by any triangle, but every vertex counts for the root
  EXPECT_FLOAT_EQ(AABBNode(g).box.min[0], -3.0f);
  std::vector<Triangle> row;  // 4000 small triangles along x: splits far beyond the depth limit
  for (float x = 0; x < 4000; ++x) row.push_back({x, 0, 0, x + 0.5f, 0, 0, x, 0.5f, 0});
  const std::pair<std::vector<Triangle>, int> cases[] = {  // triangles, and the depth of the deepest leaf
      {{{0, 0, 0, 1, 0, 0, 0, 1, 0}}, 0},
      // The middle triangle has a corner on the first split (at y = 5).
      {{{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 5, 0, 1, 6, 0, 0, 7, 0}, {0, 8, 0, 1, 9, 0, 0, 10, 0}}, 2},
      {row, qor::kMaxTreeDepth},
  };
  for (const auto& [triangles, depth] : cases) {
    const qor::ModelGroup group = groupOf(triangles);
    AABBNode root(group);
    qor::buildNode(group, root, 0);
    // Two children or none; only leaves list triangles.
    int deepest = 0;
    std::vector<int32_t> listed, all(triangles.size());
    walk(root, 0, [&](const AABBNode& n, int level) {
      deepest = std::max(deepest, level);
      EXPECT_EQ(bool(n.left), bool(n.right));
      EXPECT_EQ(n.triangleCount, static_cast<int32_t>(n.triangles.size()));
      EXPECT_TRUE(n.isLeaf() || n.triangles.empty());
      listed.insert(listed.end(), n.triangles.begin(), n.triangles.end());
    });
    EXPECT_EQ(deepest, depth);
    std::sort(listed.begin(), listed.end());
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(listed, all);
  }
}

TEST_F(CollisionTest, CacheFile) {
  auto cube = withTrees(kelvo::test::kCubeObj);
  auto model =
      withTrees(std::string(kelvo::test::kCubeObj) + "g two\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n");
  ASSERT_TRUE(qor::saveTrees(*model, dir.file("m.aabb")));
  const std::string good = kelvo::test::readFile(dir.file("m.aabb"));
  // Magic, count 2, then the first root's box.min.x (-0.5f), little-endian.
  EXPECT_EQ(good.substr(0, 16), std::string("AABBTREE\x02\x00\x00\x00\x00\x00\x00\xbf", 16));
  // Read back and written again byte for byte.
  auto loaded = parseModel("");
  ASSERT_TRUE(qor::loadTrees(loaded->trees, dir.file("m.aabb")));
  ASSERT_TRUE(qor::saveTrees(*loaded, dir.file("again.aabb")));
  EXPECT_EQ(kelvo::test::readFile(dir.file("again.aabb")), good);
  EXPECT_FALSE(qor::loadTrees(loaded->trees, dir.file("missing.aabb")));

  auto header = [](const char* count) { return "AABBTREE" + std::string(count, 4); };
  std::string box;  // (-1, -1, -1) to (1, 1, 1)
  for (float v : {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f}) box.append(reinterpret_cast<const char*>(&v), 4);
  // File contents, and how many trees load (-1: the file is refused).
  const std::pair<std::string, int> cases[] = {
      {"AABBTRE", -1}, {"AABBTREF" + good.substr(8), -1}, {good.substr(0, 10), -1},  // short or foreign
      {good.substr(0, 12), -1}, {good.substr(0, 37), -1}, {good.substr(0, good.size() - 1), -1},  // cut
      // More trees announced than the file holds, up to counts that would
      // otherwise ask for gigabytes.
      {header("\x03\x00\x00\x00") + good.substr(12), -1}, {header("\xff\xff\xff\x7f") + good.substr(12), -1},
      {header("\xff\xff\xff\xff") + good.substr(12), -1}, {header("\x00\x00\x00\x00"), 0},
      // A bad marker ends the tree, which keeps its box: a point inside the cube.
      {header("\x01\x00\x00\x00") + std::string(24, '\0') + "\x07", 1},
      // A root with only a right child: the query must not follow the null side.
      {header("\x01\x00\x00\x00") + box + std::string(1, '\0') + "\x01" + box + std::string(2, '\0'), 1},
  };
  for (const auto& [content, trees] : cases) {
    SCOPED_TRACE(&content - &cases[0].first);
    auto target = parseModel("");
    ASSERT_EQ(qor::loadTrees(target->trees, dir.write("bad.aabb", content)), trees >= 0);
    EXPECT_EQ(target->trees.size(), std::max(trees, 0));
    EXPECT_EQ(collide(target, cube), trees > 0);
    EXPECT_EQ(collide(cube, target), trees > 0);
  }
  // (Scrambled files: the aabb_fuzz corpus, replayed by kelvo_fuzz_replay_test.)
}

TEST_F(CollisionTest, ACacheFromAnotherReadingOfTheSameVerticesIsForeign) {
  // The same vertices read with fewer faces (none, as a reading that knows
  // fewer face forms gave, or some of them) build trees with the same root
  // box; the cache of such a reading must not stand for the faces read now.
  const std::string grid = "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nv 1 1 0\nv 2 1 0\nv 0 2 0\nv 2 2 1\n";
  const std::string now = grid + "f 1 2 5 4\nf 2 3 6 8 5\nf 4 5 8 7\n";
  auto current = parseModel(now);
  qor::buildTrees(*current);
  for (const std::string& before : {grid, grid + "f 1 2 5 4\n", grid + "f 4 5 8 7\n"}) {
    SCOPED_TRACE(before);
    auto old = parseModel(before);
    qor::buildTrees(*old);
    ASSERT_TRUE(qor::saveTrees(*old, dir.file("old.aabb")));
    auto reread = parseModel(now);
    EXPECT_FALSE(qor::loadTrees(*reread, dir.file("old.aabb")));
    EXPECT_TRUE(reread->trees.empty());
  }
  ASSERT_TRUE(qor::saveTrees(*current, dir.file("now.aabb")));
  auto reread = parseModel(now);
  EXPECT_TRUE(qor::loadTrees(*reread, dir.file("now.aabb")));
}

TEST_F(CollisionTest, Queries) {
  // (Cubes near and far are checked through the script's collisionDetection.)
  auto a = withTrees(kelvo::test::kCubeObj), b = withTrees(kelvo::test::kCubeObj);
  EXPECT_FALSE(collide(a, nullptr));
  // Turned 45 degrees and placed 1.25 apart: the boxes' corners would
  // overlap as axis-aligned boxes, but the turned face does not reach.
  EXPECT_FALSE(collide(a, b, 1.25f, 0.70710678f, 0.70710678f));
  EXPECT_TRUE(collide(a, b, 1.2f, 0.70710678f, 0.70710678f));
  // Two small triangles at opposite ends of x (after normalisation near
  // x = -0.5 and x = +0.5). Moved by 0.25 the roots overlap, but one model's
  // triangles fall between the other's.
  auto p = withTrees("v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\nv 4 0 0\nv 4.1 0 0\nv 4 0.1 0\nvn 0 0 1\n"
                     "f 1//1 2//1 3//1\nf 4//1 5//1 6//1\n");
  ASSERT_FALSE(p->trees[0]->isLeaf());
  EXPECT_FALSE(collide(p, p, 0.25f));
  // Moved so that one left triangle lies on the other's right one: they
  // touch, although each leaf box sits far from its model's origin.
  EXPECT_TRUE(collide(p, p, p->trees[0]->right->box.min[0] - p->trees[0]->left->box.min[0]));
}

}  // namespace
