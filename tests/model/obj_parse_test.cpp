// Reading OBJ text into groups, faces and material ranges, and placing the
// model in the unit box. No GL: the models here are parsed and normalised
// only.
#include "material/MaterialLibrary.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"
#include "util/TextFile.h"

#include <gtest/gtest.h>

#include <cmath>

using kelvo::test::kCubeObj;
using kelvo::test::parseModel;
using kelvo::test::TempDir;

namespace {

class ObjParseTest : public ::testing::Test {
protected:
  void SetUp() override { qor::materialLibrary.CreateDefaultMaterial(); }
  void TearDown() override {
    qor::materialLibrary.clear();
    qor::collectGarbage();
  }
};

std::vector<int32_t> corners(const qor::ModelFace& f) { return {f.vertex[0], f.vertex[1], f.vertex[2]}; }

}  // namespace

TEST_F(ObjParseTest, TriangleAndQuadrilateralFaces) {
  auto m = parseModel(
      "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
      "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
      "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n"
      "f 1/1/1 2/2/2 3/3/3\n"
      "f 1/1/1 2/2/2 3/3/3 4/4/4\n");
  ASSERT_EQ(m->groups.size(), 1u);  // no "g" line: one group holds it all
  const auto& g = m->groups[0];
  ASSERT_EQ(g.faces.size(), 3u);
  EXPECT_EQ(corners(g.faces[0]), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(corners(g.faces[1]), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(corners(g.faces[2]), (std::vector<int32_t>{0, 2, 3}));
  EXPECT_EQ(g.faces[2].texCoord[2], 3);
  EXPECT_EQ(g.faces[2].normal[1], 2);
}

TEST_F(ObjParseTest, VertexNormalFormLeavesTextureIndicesZero) {
  auto m = parseModel("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nf 1//1 2//2 3//3\n");
  const auto& g = m->groups[0];
  ASSERT_EQ(g.faces.size(), 1u);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(g.faces[0].vertex[c], c);
    EXPECT_EQ(g.faces[0].normal[c], c);
    EXPECT_EQ(g.faces[0].texCoord[c], 0);
  }
}

TEST_F(ObjParseTest, GroupOffsetsMakeIndicesGroupLocal) {
  auto m = parseModel(
      "g one\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n"
      "g empty\n"
      "g two\nv 0 0 1\nv 2 0 1\nv 0 2 1\nv 2 2 1\nvn 0 0 1\nf 4//2 5//2 7//2\n");
  ASSERT_EQ(m->groups.size(), 2u);  // the group without vertices is dropped
  const auto& second = m->groups[1];
  ASSERT_EQ(second.faces.size(), 1u);
  // Vertex 4 is the first vertex of the second group.
  EXPECT_EQ(corners(second.faces[0]), (std::vector<int32_t>{0, 1, 3}));
  EXPECT_EQ(second.faces[0].normal[0], 0);
}

TEST_F(ObjParseTest, DefaultMaterialBeforeAnyUsemtl) {
  TempDir dir;
  dir.write("two.mtl", "newmtl red\nKd 1 0 0\nnewmtl glass\nd 0.5\n");
  const std::string obj = dir.write("m.obj",
                                    "mtllib two.mtl\n"
                                    "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n"
                                    "f 1//1 2//1 3//1\n"
                                    "usemtl red\nf 1//1 2//1 3//1\nf 1//1 2//1 3//1\n"
                                    "usemtl glass\nf 1//1 2//1 3//1\n"
                                    "usemtl nosuch\n");
  auto m = parseModel(*qor::readTextFile(obj), obj);
  const auto& g = m->groups[0];
  ASSERT_EQ(g.materials.size(), 4u);
  EXPECT_EQ(g.materials[0]->name, qor::kDefaultMaterialName);  // the face before the first usemtl
  EXPECT_EQ(g.materials[1]->name, "red");
  EXPECT_EQ(g.materials[2]->name, "glass");
  EXPECT_EQ(g.materials[3]->name, qor::kDefaultMaterialName);  // unknown name
  EXPECT_EQ(g.faceStarts, (std::vector<int32_t>{0, 1, 3, 4}));

  auto plain = parseModel(kCubeObj);
  ASSERT_EQ(plain->groups[0].materials.size(), 1u);
  EXPECT_EQ(plain->groups[0].materials[0]->name, qor::kDefaultMaterialName);
  EXPECT_EQ(plain->groups[0].faceStarts, std::vector<int32_t>{0});
}

TEST_F(ObjParseTest, NormalisationExample) {
  auto m = parseModel("v 0 0 0\nv 4 1 2\nv 2 0.5 1\n");
  const float expectMin[3] = {-0.5f, -0.125f, -0.25f};
  const float expectMax[3] = {0.5f, 0.125f, 0.25f};
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(m->boxMin[k], expectMin[k]);
    EXPECT_FLOAT_EQ(m->boxMax[k], expectMax[k]);
  }
  EXPECT_FLOAT_EQ(m->groups[0].vertices[1][0], 0.5f);
  EXPECT_FLOAT_EQ(m->groups[0].vertices[2][1], 0.0f);
}

TEST_F(ObjParseTest, DegenerateModelsAreNotScaled) {
  auto empty = parseModel("# nothing\n");
  ASSERT_EQ(empty->groups.size(), 1u);  // the last group is kept even empty
  EXPECT_FLOAT_EQ(empty->boxMax[0], 0.0f);

  auto point = parseModel("v 3 3 3\nv 3 3 3\n");
  for (float c : point->groups[0].vertices[0]) EXPECT_FLOAT_EQ(c, 3.0f);
  EXPECT_FLOAT_EQ(point->boxMin[1], 3.0f);
}

TEST_F(ObjParseTest, FacesPointingOutsideTheirGroupAreDropped) {
  auto m = parseModel(
      "usemtl a\n"
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n"
      "f 1//1 2//1 9//1\n"      // vertex 9 does not exist
      "f 1//1 2//1 3//1\n"      // good
      "f 1//1 2//1 3//5\n"      // normal 5 does not exist
      "f 1 2 3\n"               // no normals at all: indices read as 0, then -1
      "usemtl b\n"
      "f 0//1 2//1 3//1\n"      // 0 becomes -1
      "f 1/7/1 2/-4/1 3/1/1\n"  // texture numbers out of range are kept (clamped when drawn)
      "f 1//1 2//1 3//1 99//1\n");  // the quad's second half is bad
  const auto& g = m->groups[0];
  ASSERT_EQ(g.faces.size(), 3u);
  EXPECT_EQ(g.faceStarts, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(g.faces[1].texCoord[0], 6);
  EXPECT_EQ(g.faces[1].texCoord[1], -5);
  EXPECT_EQ(corners(g.faces[2]), (std::vector<int32_t>{0, 1, 2}));
}

TEST_F(ObjParseTest, OddTextIsReadSafely) {
  std::string longLine = "v 1 2 3" + std::string(300, ' ') + "4\n";
  auto m = qor::makeShared<qor::ModelObj>("/nonexistent/odd.obj");
  m->parse("v 1e1 -2.5E-1 +3\r\nvt 0x1p-1 .5\nvn inf nan 1\n" + longLine +
           "v\nf\nf //\nf 1/\ns off\no x\nusemtl\nmtllib\nvt\n" + std::string(1000, 'x'));
  const auto& g = m->groups[0];
  // A line longer than the 200-byte buffer continues as the next line: the
  // "4" after the spaces is a word of its own and adds no vertex.
  ASSERT_EQ(g.vertices.size(), 3u);
  EXPECT_FLOAT_EQ(g.vertices[0][0], 10.0f);
  EXPECT_FLOAT_EQ(g.vertices[0][1], -0.25f);
  EXPECT_FLOAT_EQ(g.vertices[0][2], 3.0f);
  EXPECT_FLOAT_EQ(g.vertices[1][2], 3.0f);
  EXPECT_FLOAT_EQ(g.vertices[2][0], 0.0f);  // bare "v": missing numbers are 0
  ASSERT_EQ(g.texCoords.size(), 2u);
  EXPECT_FLOAT_EQ(g.texCoords[0][0], 0.5f);
  EXPECT_FLOAT_EQ(g.texCoords[0][1], 0.5f);
  EXPECT_TRUE(std::isinf(g.normals[0][0]));
  EXPECT_TRUE(g.faces.empty());
  // The bad faces before the bare "usemtl" got the default range; the bare
  // name is unknown and gives the default material too.
  ASSERT_EQ(g.materials.size(), 2u);
  EXPECT_EQ(g.materials[1]->name, qor::kDefaultMaterialName);
}

TEST_F(ObjParseTest, ScrambledFilesGiveOnlyValidFaces) {
  // Random lines built from OBJ pieces: whatever the reader keeps must index
  // inside its group, so drawing and tree building never read stray memory.
  const char* pieces[] = {"v ", "vn ", "vt ", "f ", "g x\n", "usemtl m\n", "1", "2", "3", "-1", "/", "//", " ",
                          "\n", "0.5", "99", "\r\n", "#", "e", "+", "\t"};
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fff;
  };
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int count = 20 + static_cast<int>(next() % 400);
    for (int i = 0; i < count; ++i) text += pieces[next() % std::size(pieces)];
    auto m = parseModel(text);
    for (const auto& g : m->groups) {
      ASSERT_FALSE(g.materials.empty());
      ASSERT_EQ(g.materials.size(), g.faceStarts.size());
      for (std::size_t i = 0; i < g.faceStarts.size(); ++i) {
        ASSERT_GE(g.faceStarts[i], 0);
        ASSERT_LE(static_cast<std::size_t>(g.faceStarts[i]), g.faces.size());
        if (i > 0) {
          ASSERT_LE(g.faceStarts[i - 1], g.faceStarts[i]);
        }
      }
      for (const auto& f : g.faces) {
        for (int c = 0; c < 3; ++c) {
          ASSERT_GE(f.vertex[c], 0);
          ASSERT_LT(static_cast<std::size_t>(f.vertex[c]), g.vertices.size());
          ASSERT_GE(f.normal[c], 0);
          ASSERT_LT(static_cast<std::size_t>(f.normal[c]), g.normals.size());
        }
      }
    }
    qor::buildTrees(*m);
    ASSERT_EQ(m->trees.size(), m->groups.size());
    m = nullptr;
    qor::collectGarbage();
  }
}
