// OBJ files of every face form and layout, each against the triangles it
// must give (positions, and texture coordinates and normals where the case
// names them), before normalisation. Files whose faces all use their own
// group's vertices read with the numbering that restarts in every group;
// every other file reads with the file-wide numbering of OBJ files in general.
#include "support/EngineFixtures.h"
#include "support/ModelFixtures.h"
#include "util/Warnings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kelvo::test::triangleText;

namespace {

using ObjFacesTest = kelvo::test::EngineTest;

qor::SmartPointer<qor::ModelObj> parsed(const std::string& text) {
  auto model = qor::makeShared<qor::ModelObj>("/nonexistent/model.obj");
  model->parse(text);
  return model;
}

const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
const std::string kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const std::string kUvs = "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
const std::string kFlat = "(0 0 1, 0 0 1, 0 0 1)";
const std::string kTri = "(0 0 0, 1 0 0, 0 1 0)";
// The square as a fan from its first corner.
const std::string kSquareTris = "(0 0 0, 1 0 0, 1 1 0)(0 0 0, 1 1 0, 0 1 0)";

struct FaceCase {
  const char* what;
  std::string text;
  std::string positions;  // one line per group
  std::string texCoords;  // "" when the case does not check them
  std::string normals;
};

TEST_F(ObjFacesTest, EveryFaceFormAndLayoutGivesItsTriangles) {
  const FaceCase cases[] = {
      {"positions only", kTriangle + "f 1 2 3\n", kTri + "\n", "(0 0, 0 0, 0 0)\n", kFlat + "\n"},
      {"clockwise: the flat normal faces the other way", kTriangle + "f 1 3 2\n", "(0 0 0, 0 1 0, 1 0 0)\n", "",
       "(0 0 -1, 0 0 -1, 0 0 -1)\n"},
      {"v/vt", kTriangle + kUvs + "f 1/2 2/3 3/4\n", kTri + "\n", "(1 0, 1 1, 0 1)\n", kFlat + "\n"},
      {"v//vn, the group-local reading", kTriangle + "vn 1 0 0\nf 1//1 2//1 3//1\n", kTri + "\n",
       "(0 0, 0 0, 0 0)\n", "(1 0 0, 1 0 0, 1 0 0)\n"},
      {"v/vt/vn", kTriangle + kUvs + "vn 0 1 0\nf 3/1/1 2/2/1 1/3/1\n", "(0 1 0, 1 0 0, 0 0 0)\n",
       "(0 0, 1 0, 1 1)\n", "(0 1 0, 0 1 0, 0 1 0)\n"},
      {"the group-local quadrilateral", kSquare + kUvs + "vn 0 0 1\nf 1/1/1 2/2/1 3/3/1 4/4/1\n",
       kSquareTris + "\n", "(0 0, 1 0, 1 1)(0 0, 1 1, 0 1)\n", kFlat + kFlat + "\n"},
      {"a quadrilateral of positions", kSquare + "f 1 2 3 4\n", kSquareTris + "\n", "", kFlat + kFlat + "\n"},
      {"negative numbers count back from the last declared", kSquare + kUvs + "f -4/-4 -3/-3 -2/-2\n",
       "(0 0 0, 1 0 0, 1 1 0)\n", "(0 0, 1 0, 1 1)\n", ""},
      {"negative numbers as they stand at the face",
       kTriangle + "f -3 -2 -1\nv 5 5 5\nf -1 -3 -2\n", kTri + "(5 5 5, 1 0 0, 0 1 0)\n", "", ""},
      {"pentagon: a fan", "v 0 0 0\nv 2 0 0\nv 3 1 0\nv 1 2 0\nv -1 1 0\nf 1 2 3 4 5\n",
       "(0 0 0, 2 0 0, 3 1 0)(0 0 0, 3 1 0, 1 2 0)(0 0 0, 1 2 0, -1 1 0)\n", "", kFlat + kFlat + kFlat + "\n"},
      {"hexagon of v//vn corners",
       "v 0 0 0\nv 1 0 0\nv 2 1 0\nv 1 2 0\nv 0 2 0\nv -1 1 0\nvn 0 0 1\nf 1//1 2//1 3//1 4//1 5//1 6//1\n",
       "(0 0 0, 1 0 0, 2 1 0)(0 0 0, 2 1 0, 1 2 0)(0 0 0, 1 2 0, 0 2 0)(0 0 0, 0 2 0, -1 1 0)\n", "", ""},
      {"groups using vertices declared before their g line",
       kSquare + "g a\nf 1 2 3\ng b\nf 1 3 4\n", "\n(0 0 0, 1 0 0, 1 1 0)\n(0 0 0, 1 1 0, 0 1 0)\n", "", ""},
      {"groups sharing earlier normals and texture coordinates",
       kSquare + kUvs + "vn 0 0 1\ng a\nf 1/1/1 2/2/1 3/3/1\ng b\nv 9 9 9\nf 5/4/1 1/1/1 2/2/1\n",
       "\n(0 0 0, 1 0 0, 1 1 0)\n(9 9 9, 0 0 0, 1 0 0)\n", "\n(0 0, 1 0, 1 1)\n(0 1, 0 0, 1 0)\n",
       "\n" + kFlat + "\n" + kFlat + "\n"},
      {"o lines start groups", "o one\n" + kTriangle + "f 1 2 3\no two\nv 7 0 0\nf 4 2 3\n",
       kTri + "\n(7 0 0, 1 0 0, 0 1 0)\n", "", ""},
      {"o lines in a group-local file are ignored",
       "o one\n" + kTriangle + "vn 0 0 1\nf 1//1 2//1 3//1\no two\nf 3//1 2//1 1//1\n",
       kTri + "(0 1 0, 1 0 0, 0 0 0)\n", "", ""},
      {"the group-local numbering across g lines",
       "g a\n" + kTriangle + "vn 0 0 1\nf 1//1 2//1 3//1\ng b\nv 4 0 0\nv 5 0 0\nv 4 1 0\nvn 1 0 0\nf 4//2 5//2 6//2\n",
       kTri + "\n(4 0 0, 5 0 0, 4 1 0)\n", "", kFlat + "\n(1 0 0, 1 0 0, 1 0 0)\n"},
      {"a file mixing forms", kSquare + kUvs + "vn 0 0 1\nf 1 2 3\nf 1/1 3/3 4/4\nf 1//1 2//1 3//1\nf 4/4/1 3/3/1 2/2/1\n",
       "(0 0 0, 1 0 0, 1 1 0)(0 0 0, 1 1 0, 0 1 0)(0 0 0, 1 0 0, 1 1 0)(0 1 0, 1 1 0, 1 0 0)\n",
       "(0 0, 0 0, 0 0)(0 0, 1 1, 0 1)(0 0, 0 0, 0 0)(0 1, 1 1, 1 0)\n", ""},
      {"faces (polygons too) that point nowhere, too few corners or broken numbers are dropped",
       kTriangle + "f 1 2 9\nf 1 2 3 9\nf 1 2 -4\nf 0 1 2\nf 1 2\nf 1 2 x\nf 1 2 3x\nf 1/ 2 3\nf 1//1 2//1 3//1\nf 1 2 3\n",
       kTri + "\n", "", ""},
      {"a texture number that points nowhere reads as (0, 0)", kTriangle + kUvs + "f 1/2 2/9 3/-7\n", kTri + "\n",
       "(1 0, 0 0, 0 0)\n", ""},
      {"CR LF line ends", "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n", kTri + "\n", "", kFlat + "\n"},
      {"trailing spaces and comments", kTriangle + "f 1 2 3   \t\nf 3 2 1 # back\nf 1 2 3#x\n",
       kTri + "(0 1 0, 1 0 0, 0 0 0)" + kTri + "\n", "", ""},
      {"a face line longer than 200 characters", kSquare + "f 1" + std::string(250, ' ') + "2 3 4\n",
       kSquareTris + "\n", "", ""},
  };
  for (const FaceCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto model = parsed(c.text);
    EXPECT_EQ(triangleText(*model), c.positions);
    if (!c.texCoords.empty()) {
      EXPECT_EQ(triangleText(*model, 't'), c.texCoords);
    }
    if (!c.normals.empty()) {
      EXPECT_EQ(triangleText(*model, 'n'), c.normals);
    }
    // Every group is whole: its material ranges cover its faces.
    for (const auto& g : model->groups) {
      ASSERT_FALSE(g.materials.empty());
      EXPECT_EQ(g.faceStarts.front(), 0);
    }
  }
}

TEST_F(ObjFacesTest, GroupsHoldTheirOwnVerticesThenTheBorrowedOnes) {
  // Group b declares one vertex and uses two of group a: its own comes first,
  // the borrowed ones follow in the order of first use, each copied once.
  auto m = parsed(kSquare + "g a\nf 1 2 3\ng b\nv 5 5 5\nf 5 4 1\nf 4 5 1\n");
  ASSERT_EQ(m->groups.size(), 3u);  // the vertices before "g a", then a and b
  const auto& b = m->groups[2];
  EXPECT_EQ(b.vertices, (std::vector<std::array<float, 3>>{{5, 5, 5}, {0, 1, 0}, {0, 0, 0}}));
  EXPECT_EQ(b.faces.at(1).vertex[0], 1);
  EXPECT_EQ(b.faces.at(1).vertex[1], 0);
  // The borrowed copies are placed with the rest by normalisation.
  m->normalise();
  EXPECT_EQ(m->groups[2].vertices[2], m->groups[1].vertices[0]);
}

TEST_F(ObjFacesTest, MaterialsStayInForceAcrossGroupsOfAFileWideFile) {
  dir.write("m.mtl", "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n");
  auto m = kelvo::test::parseModel("mtllib m.mtl\n" + kSquare + "usemtl red\ng a\nf 1 2 3\ng b\nf 1 3 4\nusemtl blue\nf 1 2 4\n",
                                   dir.file("m.obj"));
  ASSERT_EQ(m->groups.size(), 3u);
  ASSERT_EQ(m->groups[1].materials.size(), 1u);
  EXPECT_EQ(m->groups[1].materials[0]->name, "red");
  ASSERT_EQ(m->groups[2].materials.size(), 2u);
  EXPECT_EQ(m->groups[2].materials[0]->name, "red");
  EXPECT_EQ(m->groups[2].materials[1]->name, "blue");
  EXPECT_EQ(m->groups[2].faceStarts, (std::vector<int32_t>{0, 1}));
}

std::vector<std::string> warnings;
void keepWarning(std::string_view text) { warnings.emplace_back(text); }

TEST_F(ObjFacesTest, DroppedFacesAreNamedThenCounted) {
  auto model = qor::makeShared<qor::ModelObj>("/nonexistent/model.obj");
  auto cube = qor::makeShared<qor::ModelObj>("/nonexistent/model.obj");
  warnings.clear();
  qor::setWarningHook(&keepWarning);
  std::string text = kTriangle + "f 1 2 9\nf 1 2\nf 1 2 x\nvn 0 0 1\nf 1//1 2//1 3//4\nf 1 2 3\n";
  for (int i = 0; i < 4; ++i) text += "f 1 2 -9\n";
  model->parse(text);
  qor::setWarningHook(nullptr);
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          "/nonexistent/model.obj:4: face dropped: vertex 9 does not exist (3 declared so far)",
                          "/nonexistent/model.obj:5: face dropped: fewer than 3 corners",
                          "/nonexistent/model.obj:6: face dropped: a corner that is not v, v/vt, v//vn or v/vt/vn",
                          "/nonexistent/model.obj:8: face dropped: normal 4 does not exist (1 declared so far)",
                          "/nonexistent/model.obj:10: face dropped: vertex -9 does not exist (3 declared so far)",
                          "/nonexistent/model.obj: 3 more faces dropped",
                      }));
  // A file the group-local numbering reads whole drops nothing and says nothing.
  warnings.clear();
  qor::setWarningHook(&keepWarning);
  cube->parse(kelvo::test::kCubeObj);
  qor::setWarningHook(nullptr);
  EXPECT_TRUE(warnings.empty());
}

}  // namespace
