#include "collision/AABBNode.h"
#include "collision/AABBTreeCollision.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using kelvo::test::kCubeObj;
using kelvo::test::parseModel;
using kelvo::test::TempDir;
using qor::AABB;
using qor::AABBNode;
using qor::ModelGroup;

namespace {

class CollisionTest : public ::testing::Test {
protected:
  void TearDown() override { qor::collectGarbage(); }
};

// A group of triangles given by their corner coordinates (one vertex per corner).
ModelGroup groupOf(const std::vector<std::array<float, 9>>& triangles) {
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

// Walks a tree, calling fn(node, depth) for every node.
template <class Fn>
void walk(const AABBNode& node, int depth, Fn&& fn) {
  fn(node, depth);
  if (node.left) walk(*node.left, depth + 1, fn);
  if (node.right) walk(*node.right, depth + 1, fn);
}

bool sameTree(const AABBNode& a, const AABBNode& b) {
  if (std::memcmp(&a.box, &b.box, sizeof(AABB)) != 0) return false;
  if (bool(a.left) != bool(b.left) || bool(a.right) != bool(b.right)) return false;
  if (a.left && !sameTree(*a.left, *b.left)) return false;
  return !a.right || sameTree(*a.right, *b.right);
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

std::array<float, 16> translation(float x, float y, float z) {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
}

}  // namespace

TEST_F(CollisionTest, ConstructorsBoxTheirTriangles) {
  ModelGroup g = groupOf({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {5, 5, 5, 6, 5, 5, 5, 7, 5}});
  g.vertices.push_back({-3, 0, 0});  // unused by any triangle
  AABBNode all(g);
  EXPECT_EQ(all.triangleCount, 2);
  EXPECT_EQ(all.triangles, (std::vector<int32_t>{0, 1}));
  EXPECT_FLOAT_EQ(all.box.min[0], -3.0f);  // every vertex counts
  EXPECT_FLOAT_EQ(all.box.max[1], 7.0f);

  AABBNode second(g, {1});
  EXPECT_EQ(second.triangleCount, 1);
  EXPECT_FLOAT_EQ(second.box.min[0], 5.0f);
  EXPECT_FLOAT_EQ(second.box.max[1], 7.0f);

  ModelGroup empty;
  AABBNode none(empty);
  EXPECT_EQ(none.triangleCount, 0);
  EXPECT_FLOAT_EQ(none.box.max[0], 0.0f);
}

TEST_F(CollisionTest, OneTriangleStaysALeaf) {
  ModelGroup g = groupOf({{0, 0, 0, 1, 0, 0, 0, 1, 0}});
  AABBNode root(g);
  qor::buildNode(g, root, 0);
  EXPECT_TRUE(root.isLeaf());
  EXPECT_EQ(root.triangleCount, 1);
  EXPECT_EQ(root.triangles, std::vector<int32_t>{0});
}

TEST_F(CollisionTest, EqualExtentsSplitAlongXFirst) {
  // Two triangles in a cube-shaped box, separable along every axis.
  ModelGroup g = groupOf({{0, 0, 0, 0.1f, 0, 0, 0, 0.1f, 0.1f}, {1, 1, 1, 0.9f, 1, 1, 1, 0.9f, 0.9f}});
  AABBNode root(g);
  qor::buildNode(g, root, 0);
  ASSERT_FALSE(root.isLeaf());
  // Split on x at 0.5: the left child spans only the low x.
  EXPECT_FLOAT_EQ(root.left->box.max[0], 0.1f);
  EXPECT_FLOAT_EQ(root.right->box.min[0], 0.9f);
}

TEST_F(CollisionTest, LongestAxisIsTriedFirstAndStraddlersGoLeft) {
  // Long in y. Triangle 0 lies low, triangle 1 straddles y = 5 with one
  // corner exactly on the split, triangle 2 lies high.
  ModelGroup g = groupOf({{0, 0, 0, 1, 0, 0, 0, 1, 0},
                          {0, 5, 0, 1, 6, 0, 0, 7, 0},
                          {0, 8, 0, 1, 9, 0, 0, 10, 0}});
  AABBNode root(g);
  qor::buildNode(g, root, 0);
  ASSERT_FALSE(root.isLeaf());
  // Left of y = 5 holds triangles 0 and 1 (bounds inclusive).
  EXPECT_FLOAT_EQ(root.left->box.max[1], 7.0f);
  EXPECT_FLOAT_EQ(root.right->box.min[1], 8.0f);
  std::vector<int32_t> leaves;
  walk(root, 0, [&](const AABBNode& n, int) {
    if (n.isLeaf()) leaves.insert(leaves.end(), n.triangles.begin(), n.triangles.end());
  });
  std::sort(leaves.begin(), leaves.end());
  EXPECT_EQ(leaves, (std::vector<int32_t>{0, 1, 2}));  // each triangle listed once
}

TEST_F(CollisionTest, DepthIsLimitedAndOnlyLeavesListTriangles) {
  // 4000 small triangles along x: enough to split far beyond depth 10.
  std::vector<std::array<float, 9>> tris;
  for (int i = 0; i < 4000; ++i) {
    float x = static_cast<float>(i);
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
    if (n.isLeaf()) {
      EXPECT_EQ(n.triangleCount, static_cast<int32_t>(n.triangles.size()));
      listed += n.triangles.size();
    } else {
      EXPECT_EQ(n.triangleCount, 0);
      EXPECT_TRUE(n.triangles.empty());
    }
  });
  EXPECT_EQ(deepest, qor::kMaxTreeDepth);
  EXPECT_EQ(listed, tris.size());
}

TEST_F(CollisionTest, CacheFileRoundTripsByteForByte) {
  TempDir dir;
  auto model = parseModel(std::string(kCubeObj) + "g second\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n");
  qor::buildTrees(*model);
  ASSERT_EQ(model->trees.size(), 2u);
  const std::string path = dir.file("m.aabb");
  ASSERT_TRUE(qor::saveTrees(*model, path));

  const std::string bytes = readAll(path);
  ASSERT_GE(bytes.size(), 12u + 26u);
  EXPECT_EQ(bytes.substr(0, 8), "AABBTREE");
  EXPECT_EQ(bytes.substr(8, 4), std::string("\x02\x00\x00\x00", 4));
  // The first root's box.min.x is -0.5f, little-endian.
  EXPECT_EQ(bytes.substr(12, 4), std::string("\x00\x00\x00\xbf", 4));

  auto loaded = parseModel("");
  ASSERT_TRUE(qor::loadTrees(*loaded, path));
  ASSERT_EQ(loaded->trees.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_TRUE(sameTree(*model->trees[i], *loaded->trees[i]));
    walk(*loaded->trees[i], 0, [](const AABBNode& n, int) { EXPECT_EQ(n.triangleCount, 0); });
  }
  // Writing what was read gives the same file.
  const std::string again = dir.file("again.aabb");
  ASSERT_TRUE(qor::saveTrees(*loaded, again));
  EXPECT_EQ(readAll(again), bytes);
}

TEST_F(CollisionTest, BrokenCacheFilesAreRejected) {
  TempDir dir;
  auto model = parseModel(kCubeObj);
  qor::buildTrees(*model);
  const std::string good = dir.file("good.aabb");
  ASSERT_TRUE(qor::saveTrees(*model, good));
  const std::string bytes = readAll(good);

  auto rejects = [&](const std::string& content) {
    auto target = parseModel("");
    return !qor::loadTrees(*target, dir.write("bad.aabb", content)) && target->trees.empty();
  };
  EXPECT_FALSE(qor::loadTrees(*parseModel(""), dir.file("missing.aabb")));
  EXPECT_TRUE(rejects(""));
  EXPECT_TRUE(rejects("AABBTRE"));
  EXPECT_TRUE(rejects("AABBTREF" + bytes.substr(8)));  // foreign magic
  EXPECT_TRUE(rejects(bytes.substr(0, 10)));           // short header
  for (std::size_t cut : {12u, 20u, 36u, 37u}) {        // truncated inside the records
    EXPECT_TRUE(rejects(bytes.substr(0, cut))) << cut;
  }
  EXPECT_TRUE(rejects(bytes.substr(0, bytes.size() - 1)));
  // More trees announced than the file holds, up to a count that would
  // otherwise ask for gigabytes.
  for (const char* count : {"\x02\x00\x00\x00", "\xff\xff\xff\x7f", "\xff\xff\xff\xff"}) {
    EXPECT_TRUE(rejects(bytes.substr(0, 8) + std::string(count, 4) + bytes.substr(12))) << count;
  }
}

TEST_F(CollisionTest, BadMarkerEndsOneTreeOnly) {
  // Count 1, a root whose left marker is 0x07: the tree keeps its box.
  std::string content = "AABBTREE" + std::string("\x01\x00\x00\x00", 4) + std::string(24, '\0') + "\x07";
  TempDir dir;
  auto model = parseModel("");
  ASSERT_TRUE(qor::loadTrees(*model, dir.write("m.aabb", content)));
  ASSERT_EQ(model->trees.size(), 1u);
  EXPECT_TRUE(model->trees[0]->isLeaf());

  // Zero trees: loads, and never collides.
  auto none = parseModel("");
  ASSERT_TRUE(qor::loadTrees(*none, dir.write("z.aabb", "AABBTREE" + std::string(4, '\0'))));
  EXPECT_TRUE(none->trees.empty());
  auto cube = parseModel(kCubeObj);
  qor::buildTrees(*cube);
  qor::AABBTreeCollision query(kIdentity, none, kIdentity, cube);
  EXPECT_FALSE(query.collide());
}

TEST_F(CollisionTest, TwoCubes) {
  auto a = parseModel(kCubeObj);
  auto b = parseModel(kCubeObj);
  qor::buildTrees(*a);
  qor::buildTrees(*b);
  auto far = translation(10, 0, 0);
  auto near = translation(0.9f, 0, 0);
  EXPECT_FALSE(qor::AABBTreeCollision(kIdentity, a, far.data(), b).collide());
  EXPECT_TRUE(qor::AABBTreeCollision(kIdentity, a, near.data(), b).collide());
  EXPECT_FALSE(qor::AABBTreeCollision(kIdentity, a, near.data(), nullptr).collide());
  // Rotated 45 degrees about z and placed 1.1 apart: the boxes' corners would
  // overlap as axis-aligned boxes, but the rotated face does not reach.
  const float c = 0.70710678f;
  const float rotated[16] = {c, c, 0, 0, -c, c, 0, 0, 0, 0, 1, 0, 1.25f, 0, 0, 1};
  EXPECT_FALSE(qor::AABBTreeCollision(kIdentity, a, rotated, b).collide());
}

TEST_F(CollisionTest, OnlyTouchingPartsCollide) {
  // Each model: two small triangles at opposite ends of x (after
  // normalisation near x = -0.5 and x = +0.5).
  const char* obj = "v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\nv 4 0 0\nv 4.1 0 0\nv 4 0.1 0\nvn 0 0 1\n"
                    "f 1//1 2//1 3//1\nf 4//1 5//1 6//1\n";
  auto a = parseModel(obj);
  auto b = parseModel(obj);
  qor::buildTrees(*a);
  qor::buildTrees(*b);
  ASSERT_FALSE(a->trees[0]->isLeaf());

  // Shifted by 0.25: the roots overlap, but b's triangles fall between a's.
  auto between = translation(0.25f, 0, 0);
  qor::AABBTreeCollision query(kIdentity, a, between.data(), b);
  EXPECT_TRUE(query.overlap(a->trees[0]->box, b->trees[0]->box));
  EXPECT_FALSE(query.collide());

  // Shifted so that b's left triangle lies on a's right one: they touch,
  // although each leaf box sits far from its model's origin.
  const float shift = a->trees[0]->right->box.min[0] - b->trees[0]->left->box.min[0];
  auto touching = translation(shift, 0, 0);
  EXPECT_TRUE(qor::AABBTreeCollision(kIdentity, a, touching.data(), b).collide());
}

TEST_F(CollisionTest, NodesWithOneChildFromAForeignFileAreSafe) {
  // Root with only a right child, both boxes large.
  std::string box;
  for (float v : {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f}) box.append(reinterpret_cast<const char*>(&v), 4);
  std::string content = "AABBTREE" + std::string("\x01\x00\x00\x00", 4) + box + std::string(1, '\0') + "\x01" +
                        box + std::string(2, '\0');
  TempDir dir;
  auto a = parseModel("");
  ASSERT_TRUE(qor::loadTrees(*a, dir.write("one.aabb", content)));
  auto b = parseModel(kCubeObj);
  qor::buildTrees(*b);
  EXPECT_TRUE(qor::AABBTreeCollision(kIdentity, a, kIdentity, b).collide());
  EXPECT_TRUE(qor::AABBTreeCollision(kIdentity, b, kIdentity, a).collide());
}

TEST_F(CollisionTest, ScrambledCacheFilesNeverCrash) {
  TempDir dir;
  auto cube = parseModel(kCubeObj);
  qor::buildTrees(*cube);
  const std::string path = dir.file("c.aabb");
  ASSERT_TRUE(qor::saveTrees(*cube, path));
  const std::string good = readAll(path);
  uint32_t seed = 7;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fff;
  };
  for (int round = 0; round < 500; ++round) {
    std::string bad = good;
    // Flip a few bytes after the magic (markers, counts, floats), sometimes cut.
    for (int k = 0; k < 3; ++k) bad[8 + next() % (bad.size() - 8)] = static_cast<char>(next() & 0xff);
    if (next() % 2) bad.resize(8 + next() % (bad.size() - 8));
    auto target = parseModel("");
    if (qor::loadTrees(*target, dir.write("bad.aabb", bad))) {
      qor::AABBTreeCollision(kIdentity, target, kIdentity, cube).collide();
    }
    target = nullptr;
    qor::collectGarbage();
  }
}
