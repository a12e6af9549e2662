// Reading OBJ text into groups, faces and material ranges, and placing the
// model in the unit box. No GL: the models are parsed and normalised only.
#include "support/EngineFixtures.h"
#include "support/ModelFixtures.h"
#include "util/TextFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using kelvo::test::parseModel;

namespace {

using ObjParseTest = kelvo::test::EngineTest;
using Ints = std::vector<int32_t>;
using Vertex = std::array<float, 3>;

// A face's corners as vertex, normal and texture numbers.
Ints numbers(const qor::ModelFace& f) {
  return {f.vertex[0], f.vertex[1], f.vertex[2], f.normal[0], f.normal[1], f.normal[2],
          f.texCoord[0], f.texCoord[1], f.texCoord[2]};
}
std::string materialNames(const qor::ModelGroup& g) {
  std::string names;
  for (const auto& m : g.materials) names += (m->name == qor::kDefaultMaterialName ? "default" : m->name) + " ";
  return names;
}

TEST_F(ObjParseTest, FacesGroupsAndMaterialRanges) {
  dir.write("two.mtl", "newmtl red\nKd 1 0 0\nnewmtl glass\nd 0.5\n");
  auto m = parseModel("mtllib two.mtl\n"
                      "g one\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                      "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n"
                      "f 1/1/1 2/2/2 3/3/3\n"                    // before any usemtl: the default material
                      "usemtl red\nf 1/2/3 2/3/4 3/4/1 4/1/2\n"  // a quadrilateral gives two triangles
                      "usemtl glass\nf 1//1 2//2 3//3\n"         // the v//n form has no texture numbers
                      "usemtl nosuch\n"                          // an unknown name: the default material
                      "g empty\n"
                      "g two\nv 0 0 1\nv 2 0 1\nv 0 2 1\nv 2 2 1\nvn 0 0 1\nf 5//5 6//5 8//5\n",
                      dir.file("m.obj"));
  ASSERT_EQ(m->groups.size(), 2u);  // the group without vertices is dropped
  const auto& g = m->groups[0];
  ASSERT_EQ(g.faces.size(), 4u);
  EXPECT_EQ(numbers(g.faces[1]), (Ints{0, 1, 2, 2, 3, 0, 1, 2, 3}));
  EXPECT_EQ(numbers(g.faces[2]), (Ints{0, 2, 3, 2, 0, 1, 1, 3, 0}));
  EXPECT_EQ(numbers(g.faces[3]), (Ints{0, 1, 2, 0, 1, 2, 0, 0, 0}));
  EXPECT_EQ(materialNames(g), "default red glass default ");
  EXPECT_EQ(g.faceStarts, (Ints{0, 1, 3, 4}));
  // Numbers count from the group's own first vertex and normal; without
  // "usemtl" one range holds every face.
  ASSERT_EQ(m->groups[1].faces.size(), 1u);
  EXPECT_EQ(numbers(m->groups[1].faces[0]), (Ints{0, 1, 3, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(materialNames(m->groups[1]), "default ");
}

TEST_F(ObjParseTest, NormalisationIntoTheUnitBox) {
  auto m = parseModel("v 0 0 0\nv 4 1 2\nv 2 0.5 1\n");
  EXPECT_EQ(m->groups[0].vertices[1], (Vertex{0.5f, 0.125f, 0.25f}));
  EXPECT_EQ((Vertex{m->boxMin[0], m->boxMin[1], m->boxMin[2]}), (Vertex{-0.5f, -0.125f, -0.25f}));
  // Nothing is scaled without an extent or without a vertex; the last group
  // is kept even empty.
  EXPECT_EQ(parseModel("v 3 3 3\nv 3 3 3\n")->groups[0].vertices[1], (Vertex{3, 3, 3}));
  EXPECT_EQ(parseModel("# nothing\n")->groups.size(), 1u);
  // A non-finite coordinate, even in the first vertex, leaves the model as
  // read and stays out of the box.
  for (const char* text : {"v nan 0 0\nv 4 1 2\nv 2 0.5 1\n", "v 0 0 0\nv 4 inf 2\nv 2 0.5 1\n"}) {
    SCOPED_TRACE(text);
    auto odd = parseModel(text);
    EXPECT_EQ(odd->groups[0].vertices[2], (Vertex{2, 0.5f, 1}));
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(odd->boxMin[k]) && std::isfinite(odd->boxMax[k]));
    EXPECT_EQ(odd->boxMax[0], 4.0f);
  }
}

TEST_F(ObjParseTest, OddTextIsReadSafely) {
  auto odd = qor::makeShared<qor::ModelObj>("/nonexistent/odd.obj");  // parsed, not normalised
  odd->parse("v 1e1 -2.5E-1 +3\r\nvt 0x1p-1 .5\nvn inf nan 1\nv 1 2 3" + std::string(300, ' ') +
           "4\nv\nf\nf //\nf 1/\ns off\no x\nusemtl\nmtllib\nvt\n" + std::string(1000, 'x'));
  // The bad faces fit no numbering: read file-wide, where "o" starts a group.
  ASSERT_EQ(odd->groups.size(), 2u);
  const auto& o = odd->groups[0];
  // A long line is read whole: the "4" after the spaces adds no vertex.
  ASSERT_EQ(o.vertices.size(), 3u);
  EXPECT_EQ(o.vertices[0], (Vertex{10.0f, -0.25f, 3.0f}));
  EXPECT_EQ(o.vertices[2], (Vertex{0, 0, 0}));  // bare "v": missing numbers are 0
  ASSERT_EQ(o.texCoords.size(), 1u);
  EXPECT_EQ(o.texCoords[0], (std::array<float, 2>{0.5f, 0.5f}));
  EXPECT_TRUE(std::isinf(o.normals[0][0]));
  EXPECT_TRUE(o.faces.empty());
  EXPECT_EQ(materialNames(o), "default ");
  // The bare "usemtl" names no material of the library: the default one.
  EXPECT_EQ(odd->groups[1].texCoords.size(), 1u);
  EXPECT_EQ(materialNames(odd->groups[1]), "default ");
}

TEST_F(ObjParseTest, AFileReadInBlocksGivesWhatItsTextGives) {
  // Files of over a megabyte, read in blocks: CR LF ends falling anywhere
  // across the blocks, a line longer than the read buffer, and faces of each
  // reading (the file-wide one reads the file again from where the other
  // stopped).
  for (const char* face : {"f %d/%d/%d %d/%d/%d %d/%d/%d", "f %d %d %d"}) {
    SCOPED_TRACE(face);
    std::string text;
    char line[96];
    for (int i = 0; i < 30000; ++i) {
      std::snprintf(line, sizeof line, "v %d.5 %d 0.25\r\nvt 0.%d 1\r\nvn 0 0 1\r\n", i, i % 7, i % 10);
      text += line;
    }
    for (int i = 1; i + 2 <= 30000; i += 3) {
      std::snprintf(line, sizeof line, face, i, i, i, i + 1, i + 1, i + 1, i + 2, i + 2, i + 2);
      text += std::string(line) + "\r\n";
    }
    std::snprintf(line, sizeof line, face, 1, 1, 1, 2, 2, 2, 3, 3, 3);
    text += "# " + std::string(600000, 'x') + "\r\n" + line;  // the last line has no line end
    auto fromFile = qor::makeShared<qor::ModelObj>("/nonexistent/model.obj");
    ASSERT_TRUE(fromFile->loadGeometry(dir.write("blocks.obj", text)));
    qor::normalizeLineEnds(text);
    auto fromText = parseModel(text);
    EXPECT_EQ(fromFile->readFileWide, face[4] == ' ');  // faces without normals fit only that reading
    EXPECT_EQ(fromFile->triangleCount(), 10001u);
    EXPECT_EQ(kelvo::test::triangleText(*fromFile), kelvo::test::triangleText(*fromText));
    EXPECT_EQ(kelvo::test::triangleText(*fromFile, 't'), kelvo::test::triangleText(*fromText, 't'));
  }
}

TEST_F(ObjParseTest, ScrambledFilesGiveOnlyValidFaces) {
  // Random lines built from OBJ pieces: whatever the reader keeps must index
  // inside its group, so drawing and tree building never read stray memory.
  const char* pieces[] = {"v ", "vn ", "vt ", "f ", "g x\n", "usemtl m\n", "1", "2", "3", "-1", "/", "//", " ",
                          "\n", "0.5", "99", "\r\n", "#", "e", "+", "\t"};
  uint32_t seed = 12345;
  auto inside = [](int32_t i, std::size_t size) { return i >= 0 && static_cast<std::size_t>(i) < size; };
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (auto i = 20 + kelvo::test::nextRandom(seed) % 400; i > 0; --i) {
      text += pieces[kelvo::test::nextRandom(seed) % std::size(pieces)];
    }
    auto m = parseModel(text);
    for (const auto& g : m->groups) {
      ASSERT_EQ(g.materials.size(), g.faceStarts.size());
      ASSERT_TRUE(std::is_sorted(g.faceStarts.begin(), g.faceStarts.end()));
      ASSERT_TRUE(g.faceStarts.at(0) == 0 && inside(g.faceStarts.back(), g.faces.size() + 1));
      for (const auto& f : g.faces) {
        for (int c = 0; c < 3; ++c) {
          ASSERT_TRUE(inside(f.vertex[c], g.vertices.size()) && inside(f.normal[c], g.normals.size())) << text;
        }
      }
    }
    qor::buildTrees(*m);
    m = nullptr;
    qor::collectGarbage();
  }
}

}  // namespace
