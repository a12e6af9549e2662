// Face records, silhouettes, the ".vshadow" cache and the per-item records,
// without GL.

#include "shadows/PairwiseNeighbours.h"
#include "shadows/VolumeShadows.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>


namespace {

using namespace qor;
using namespace kelvo::test;

ModelFace face(int32_t a, int32_t b, int32_t c) { return ModelFace{{a, b, c}, {0, 0, 0}, {0, 0, 0}}; }

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// How many silhouette edges `model` shows to `light` (in the model's frame).
int silhouetteEdges(const IModel& model, const float light[4]) {
  const ShadowMesh mesh = computeShadowMesh(model);
  std::vector<uint8_t> visible(mesh.faces.size());
  markFacing(mesh, light, visible.data());
  int vertices = 0;
  extrudeSilhouettes(model, mesh, visible.data(), light, [&](float, float, float) { ++vertices; });
  return vertices / 6;
}

TEST(ShadowFaces, PlanesFollowTheWindingAndUnreadableTrianglesHaveNone) {
  ModelGroup group;
  group.vertices = {{0, 0, 1}, {2, 0, 1}, {0, 2, 1}, {0, 0, 0}};
  group.faces = {face(0, 1, 2), face(0, 2, 1), face(0, 1, 3), face(0, 0, 1), face(0, 1, 4), face(-1, 1, 2)};
  const float planes[][4] = {{0, 0, 1, -1}, {0, 0, -1, 1}, {0, 1, 0, 0}, {}, {}, {}};
  std::vector<ShadowFace> out(group.faces.size());
  computePlanes(group, out.data());
  for (std::size_t t = 0; t < out.size(); ++t)
    for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(out[t].plane[k], planes[t][k]) << "face " << t;
}

TEST(ShadowFaces, LinearNeighbourSearchEqualsThePairwiseOne) {
  // Few distinct indices (some negative) make edges shared by three or more
  // triangles, and triangles that repeat a corner.
  std::mt19937 random(7);
  std::vector<EdgeSlot> table;
  for (auto [triangles, indices] : {std::pair{0, 3}, {1, 2}, {2, 3}, {60, 5}, {300, 12}, {500, 40}, {400, 900}}) {
    for (int round = 0; round < 4; ++round) {
      std::uniform_int_distribution<int32_t> index(-2, indices - 3);
      std::vector<ModelFace> faces;
      for (int t = 0; t < triangles; ++t) faces.push_back(face(index(random), index(random), index(random)));
      std::vector<ShadowFace> out(faces.size());
      findNeighbours(faces, out.data(), table);
      const std::vector<int32_t> expected = pairwiseNeighbours(faces);
      for (std::size_t e = 0; e < expected.size(); ++e)
        ASSERT_EQ(out[e / 3].neighbour[e % 3], expected[e]) << triangles << " triangles, edge " << e;
    }
  }
}

TEST(ShadowVolume, SilhouetteEdgesLieWhereLitTrianglesMeetUnlitOnes) {
  const auto cube = parseModel(kCubeObj);  // shares its corners: every edge has a neighbour
  const std::string quad = "v -1 0 -1\nv 1 0 -1\nv 1 0 1\nv -1 0 1\nv -1 0 -1\nv 1 0 1\nvn 0 1 0\nf 1//1 4//1 3//1\n";
  const auto shared = parseModel(quad + "f 1//1 3//1 2//1\n");
  const auto split = parseModel(quad + "f 5//1 6//1 2//1\n");  // duplicated corners: no neighbours
  const struct {
    const IModel& model;
    float light[4];
    int edges;
  } cases[] = {{*cube, {0, 5, 0, 1}, 4},     // the top face's rim
               {*cube, {5, 5, 5, 1}, 6},     // three faces lit: a hexagon
               {*cube, {0, 0, 0, 1}, 0},     // inside, no face faces the light
               {*cube, {0, 1, 0, 0}, 4},     // a direction
               {*cube, {0, 0.5f, 3, 1}, 4},  // in the top face's plane: only the front is lit
               {*shared, {0, 3, 0, 1}, 4},   // the diagonal joins two lit triangles
               {*split, {0, 3, 0, 1}, 6}};
  for (const auto& c : cases) EXPECT_EQ(silhouetteEdges(c.model, c.light), c.edges) << c.light[0] << c.light[1];
  for (const ShadowFace& f : computeShadowMesh(*split).faces)
    EXPECT_EQ(f.neighbour[0] | f.neighbour[1] | f.neighbour[2], 0);

  for (float alpha : {0.99f, 1.0f}) {
    cube->groups[0].materials[0] = makeShared<Material>();
    cube->groups[0].materials[0]->alpha = alpha;
    EXPECT_EQ(silhouetteEdges(*cube, cases[0].light), alpha < 1.0f ? 0 : 4) << alpha;
  }
}

TEST(ShadowRecords, LightIsTakenIntoTheItemsFrameAndFollowsItsModel) {
  VolumeShadows shadows;
  auto node = makeShared<GeometryNode>(parseModel(kCubeObj), true, true);
  const float moved[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1};  // translate(1, 2, 3) · scale(2)
  std::copy(moved, moved + 16, node->modelView);
  const float light[4] = {3, 2, 13, 1}, local[4] = {1, 0, 5, 1};
  ASSERT_TRUE(shadows.prepare(*node, light)->lightKnown);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(shadows.prepare(*node, light)->localLight[i], local[i]);
  node->modelView[0] = 0;  // flattened: no inverse, nothing to cast
  EXPECT_FALSE(shadows.prepare(*node, light)->lightKnown);
  node->model = parseModel("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n");
  EXPECT_EQ(shadows.prepare(*node, light)->visible.size(), 1u);
}

// A cube model file in a scratch folder; its cache goes to tmp/ beside it.
class ShadowCache : public ::testing::Test {
protected:
  TempDir dir;
  SmartPointer<ModelObj> model = parseModel(kCubeObj, dir.file("cube.obj"));
  const std::string cache = dir.file("tmp/cube.vshadow");

  // How many models a fresh shadow pass computes (not reads) for `items` nodes.
  std::size_t computedFor(int items) {
    VolumeShadows shadows;
    const float light[4] = {0, 5, 0, 1};
    std::vector<SmartPointer<GeometryNode>> nodes;
    for (int i = 0; i < items; ++i) nodes.push_back(makeShared<GeometryNode>(model, true, true));
    for (auto& node : nodes) EXPECT_EQ(shadows.prepare(*node, light)->mesh, shadows.prepare(*nodes[0], light)->mesh);
    return shadows.computeCount();
  }
};

TEST_F(ShadowCache, ItemsOfOneModelShareOneFileAndBrokenFilesAreComputedAgain) {
  EXPECT_EQ(computedFor(1), 1u);  // no tmp folder: nothing written, computed again next time
  EXPECT_EQ(computedFor(1), 1u);
  std::filesystem::create_directory(dir.file("tmp"));
  EXPECT_EQ(computedFor(2), 1u);
  EXPECT_EQ(computedFor(2), 0u);
  const ShadowMesh computed = computeShadowMesh(*model);
  ShadowMesh read;
  ASSERT_TRUE(readShadowFile(cache, *model, read));
  ASSERT_EQ(read.groupStart, computed.groupStart);
  EXPECT_EQ(std::memcmp(read.faces.data(), computed.faces.data(), computed.faces.size() * sizeof(ShadowFace)), 0);

  const std::string good = readBytes(cache);
  // Group count at 12, triangle count at 16, triangle t at 20 + 28t with its
  // neighbours from byte 16 of the record. The bad file keeps the first
  // `keep` bytes of the good one and has `bytes` written at `at`.
  const struct {
    std::size_t keep, at;
    std::string bytes;
  } cases[] = {{356, 0, "VOLUMESHADOX"}, {0, 0, ""},     {355, 0, ""},        {356, 356, std::string(1, '\0')},
               {356, 12, "\2"},          {356, 16, "\x0b"}, {356, 36, "\x0d"}, {356, 36, "\xff\xff\xff\xff"}};
  for (const auto& c : cases) {
    dir.write("tmp/cube.vshadow", good.substr(0, c.keep).replace(std::min(c.at, c.keep), c.bytes.size(), c.bytes));
    EXPECT_EQ(computedFor(1), 1u) << c.keep << " " << c.at;
    EXPECT_EQ(readBytes(cache), good) << c.keep << " " << c.at;
  }
}

}  // namespace
