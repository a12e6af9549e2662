// Face records, silhouettes, the per-item records and the ".vshadow" cache, without GL.

#include "shadows/PairwiseNeighbours.h"
#include "shadows/VolumeShadows.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"
#include "util/MappedFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <tuple>

using namespace qor;
using namespace kelvo::test;

static ModelFace face(int32_t a, int32_t b, int32_t c) { return ModelFace{{a, b, c}, {0, 0, 0}, {0, 0, 0}}; }

static int silhouetteEdges(const IModel& model, const float light[4]) {  // as seen from `light`, in the model's frame
  const ShadowMesh mesh = computeShadowMesh(model);
  std::vector<uint8_t> visible(mesh.faces.size());
  markFacing(mesh, light, visible.data());
  int vertices = 0;
  extrudeSilhouettes(model, mesh, visible.data(), light, [&](float, float, float) { ++vertices; });
  return vertices / 6;
}

TEST(ShadowFaces, PlanesNeighboursAndSilhouettes) {
  ModelGroup group;  // a degenerate triangle and ones with corners outside the group have no plane
  group.vertices = {{0, 0, 1}, {2, 0, 1}, {0, 2, 1}, {0, 0, 0}};
  group.faces = {face(0, 1, 2), face(0, 2, 1), face(0, 1, 3), face(0, 0, 1), face(0, 1, 4), face(-1, 1, 2)};
  const float planes[][4] = {{0, 0, 1, -1}, {0, 0, -1, 1}, {0, 1, 0, 0}, {}, {}, {}};
  std::vector<ShadowFace> out(group.faces.size());
  computePlanes(group, out.data());
  for (std::size_t t = 0; t < out.size(); ++t)
    for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(out[t].plane[k], planes[t][k]) << "face " << t;
  // Corners so far out that the normal or the offset overflows, or that are not numbers, give no plane either
  // (a plane that is not finite would make the cache file be refused and computed again on every run).
  const float nan = std::numeric_limits<float>::quiet_NaN();
  group.vertices = {{1e30f, 0, 0}, {0, 1e30f, 0}, {0, 0, 1e30f}, {3e38f, 3e38f, 3e38f}, {3e38f, 3e38f, 3e38f + 1e32f},
                    {3e38f, 3e38f + 1e32f, 3e38f}, {nan, 0, 0}};
  group.faces = {face(0, 1, 2), face(3, 4, 5), face(0, 1, 6)};
  computePlanes(group, out.data());
  for (std::size_t t = 0; t < group.faces.size(); ++t)
    for (int k = 0; k < 4; ++k) EXPECT_EQ(out[t].plane[k], 0.0f) << "far face " << t;

  // Neighbours as the pairwise search finds them: few indices (some negative) share edges 3+ ways, repeat corners.
  std::mt19937 random(7);
  std::vector<EdgeSlot> table;
  for (auto [triangles, indices] : {std::pair{0, 3}, {1, 2}, {2, 3}, {60, 5}, {300, 12}, {500, 40}, {400, 900}}) {
    std::uniform_int_distribution<int32_t> index(-2, indices - 3);
    std::vector<ModelFace> faces;
    for (int t = 0; t < triangles; ++t) faces.push_back(face(index(random), index(random), index(random)));
    std::vector<ShadowFace> found(faces.size());
    findNeighbours(faces, found.data(), table);
    const std::vector<int32_t> expected = pairwiseNeighbours(faces);
    for (std::size_t e = 0; e < expected.size(); ++e)
      ASSERT_EQ(found[e / 3].neighbour[e % 3], expected[e]) << triangles << " triangles, edge " << e;
  }

  // Silhouette edges lie where lit triangles meet unlit ones. The cube shares its corners: all edges have neighbours.
  const auto cube = parseModel(kCubeObj);
  const std::string quad = "v -1 0 -1\nv 1 0 -1\nv 1 0 1\nv -1 0 1\nv -1 0 -1\nv 1 0 1\nvn 0 1 0\nf 1//1 4//1 3//1\n";
  const auto shared = parseModel(quad + "f 1//1 3//1 2//1\n");
  const auto split = parseModel(quad + "f 5//1 6//1 2//1\n");  // duplicated corners: no neighbours
  const std::tuple<const IModel&, std::array<float, 4>, int> cases[] = {
      {*cube, {0, 5, 0, 1}, 4},     // the top face's rim
      {*cube, {0, 0.5f, 3, 1}, 4},  // in the top face's plane (edge-on): only the front is lit
      {*shared, {0, 3, 0, 1}, 4},   // the diagonal joins two lit triangles
      {*split, {0, 3, 0, 1}, 6}};   // the diagonal is a silhouette on both sides
  for (const auto& [model, light, edges] : cases) EXPECT_EQ(silhouetteEdges(model, light.data()), edges) << light[2];
  for (float alpha : {0.99f, 1.0f}) {  // only opaque materials cast
    cube->groups[0].materials[0]->alpha = alpha;
    EXPECT_EQ(silhouetteEdges(*cube, std::get<1>(cases[0]).data()), alpha < 1.0f ? 0 : 4) << alpha;
  }
}

TEST(ShadowRecords, FollowTheItemsFrameAndModelAndAreCachedOncePerModel) {
  VolumeShadows shadows;
  const auto cube = parseModel(kCubeObj), triangle = parseModel("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n");
  float moved[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1};  // translate(1, 2, 3) · scale(2)
  ShadowCaster node{moved, cube.get(), moved, true};
  const float light[4] = {3, 2, 13, 1}, local[4] = {1, 0, 5, 1};
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(shadows.prepare(node, light)->localLight[i], local[i]);
  moved[0] = 0;  // flattened: no inverse, nothing to cast
  EXPECT_FALSE(shadows.prepare(node, light)->lightKnown);
  node.model = triangle.get();
  EXPECT_EQ(shadows.prepare(node, light)->visible.size(), 1u);  // sized for the new model
  for (const ShadowCaster& nothing : {ShadowCaster{moved, nullptr, moved, true}, ShadowCaster{nullptr, cube.get(), moved, true},
                                      ShadowCaster{moved, cube.get(), nullptr, true}})
    EXPECT_EQ(shadows.prepare(nothing, light), nullptr);  // no model, no key or no matrix: no record

  TempDir dir;  // the cube model file; its cache goes to tmp/ beside it
  const auto model = parseModel(kCubeObj, dir.file("cube.obj"));
  const std::string cache = dir.file("tmp/cube.vshadow");
  // How many models a fresh shadow pass computes (not reads) for `items` items of the model.
  auto computedFor = [&](int items) {
    VolumeShadows fresh;
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const int keys[2] = {};
    for (int i = 0; i < items; ++i) fresh.prepare(ShadowCaster{&keys[i], model.get(), identity, true}, light);
    return fresh.computeCount();
  };
  dir.write("tmp", "a file where the folder goes");
  EXPECT_EQ(computedFor(1) + computedFor(1), 2u);  // no folder can be made: nothing written, computed each time
  std::filesystem::remove(dir.file("tmp"));
  EXPECT_EQ(computedFor(2), 1u);  // the missing folder is made and the records written
  EXPECT_EQ(computedFor(2), 0u);
  const ShadowMesh computed = computeShadowMesh(*model);
  ShadowMesh read;
  ASSERT_TRUE(readShadowFile(cache, *model, read));
  ASSERT_EQ(read.groupStart, computed.groupStart);
  EXPECT_EQ(std::memcmp(read.faces.data(), computed.faces.data(), computed.faces.size() * sizeof(ShadowFace)), 0);
  // Foreign, short and mismatched files are computed and written again: the first `keep` bytes of the good
  // file with `patch` at `at` (group count at 12, triangle count at 16, triangle t's plane at 20 + 28t and its
  // neighbours at 36 + 28t). A plane that is not a number, or infinite, would leave its triangle facing no light.
  const std::string good(MappedFile(cache).bytes());
  const std::string nan("\0\0\xc0\x7f", 4), infinity("\0\0\x80\x7f", 4), minusInfinity("\0\0\x80\xff", 4);
  const std::tuple<std::size_t, std::size_t, std::string> cases[] = {
      {356, 0, "VOLUMESHADOX"}, {0, 0, ""},     {355, 0, ""},        {356, 356, std::string(1, '\0')},
      {356, 12, "\2"},          {356, 16, "\x0b"}, {356, 36, "\x0d"}, {356, 36, "\xff\xff\xff\xff"},
      {356, 20, nan},           {356, 24 + 28 * 5, infinity},        {356, 32 + 28 * 11, minusInfinity},
      {356, 20, nan + nan + nan + nan}};
  for (const auto& [keep, at, patch] : cases) {
    dir.write("tmp/cube.vshadow", good.substr(0, keep).replace(std::min(at, keep), patch.size(), patch));
    EXPECT_EQ(computedFor(1), 1u) << keep << " " << at;
    EXPECT_EQ(MappedFile(cache).bytes(), good) << keep << " " << at;
  }
}

TEST(ShadowCacheName, AFileReadFileWideKeepsItsRecordsUnderItsOwnName) {
  const std::pair<std::string, std::string> cases[] = {
      {kelvo::test::kCubeObj, "/models/tmp/m.vshadow"},                    // group-local numbering
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "/models/tmp/m.obj.vshadow"},  // file-wide
  };
  for (const auto& [text, path] : cases) {
    auto model = kelvo::test::parseModel(text, "/models/m.obj");
    EXPECT_EQ(qor::shadowFilePath(*model), path);
  }
}
