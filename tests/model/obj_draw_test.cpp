// Display lists and the two draw operations, observed through GL feedback
// mode: every triangle GL would rasterise is reported with its vertices.
#include "material/MaterialLibrary.h"
#include "material/TextureManager.h"
#include "model/ModelObj.h"
#include "support/GLContext.h"
#include "support/Images.h"
#include "support/TempDir.h"

#include <GL/gl.h>

#include <functional>
#include <vector>

using kelvo::test::TempDir;
using qor::SmartPointer;

namespace {

struct FedBackVertex {
  float x, y, z;
  float s, t;
};

// Triangles drawn by `draw`, each as three vertices.
std::vector<FedBackVertex> feedback(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<FedBackVertex> out;
  for (GLint i = 0; i < used;) {
    const GLint token = static_cast<GLint>(buffer[static_cast<std::size_t>(i++)]);
    if (token == GL_POLYGON_TOKEN) {
      const GLint n = static_cast<GLint>(buffer[static_cast<std::size_t>(i++)]);
      for (GLint k = 0; k < n; ++k, i += 11) {
        const GLfloat* v = &buffer[static_cast<std::size_t>(i)];
        out.push_back({v[0], v[1], v[2], v[7], v[8]});
      }
    } else if (token == GL_PASS_THROUGH_TOKEN) {
      i += 1;
    } else {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
  }
  return out;
}

std::size_t triangles(const std::function<void()>& draw) { return feedback(draw).size() / 3; }

class ObjDrawTest : public kelvo::test::GLTest {
protected:
  void SetUp() override {
    GLTest::SetUp();
    if (HasFatalFailure()) return;
    qor::materialLibrary.CreateDefaultMaterial();
    kelvo::test::writeImage(dir.file("skin.png"), FIF_PNG, 24);
    dir.write("m.mtl", "newmtl solid\nKd 1 0 0\nnewmtl glass\nd 0.5\nnewmtl heavy\nd 2\n"
                       "newmtl skin\nmap_Kd skin.png\n");
    // One group: a quadrilateral (two triangles) in "solid", one triangle in
    // "glass", one triangle in "skin" with texture numbers.
    model = qor::makeShared<qor::ModelObj>(dir.write("m.obj",
                                                     "mtllib m.mtl\n"
                                                     "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                                     "vt 0.25 0.75\nvt 1 1\n"
                                                     "vn 0 0 1\n"
                                                     "usemtl solid\nf 1//1 2//1 3//1 4//1\n"
                                                     "usemtl glass\nf 1//1 2//1 3//1\n"
                                                     "usemtl skin\nf 1/1/1 2/2/1 3/9/1\n"));
  }
  void TearDown() override {
    model = nullptr;
    qor::materialLibrary.clear();
    qor::textureManager.releaseTextures();
    qor::collectGarbage();
  }
  TempDir dir;
  SmartPointer<qor::ModelObj> model;
};

}  // namespace

TEST_F(ObjDrawTest, OneDisplayListPerMaterialRange) {
  ASSERT_EQ(model->groups.size(), 1u);
  const auto& g = model->groups[0];
  ASSERT_EQ(g.displayLists.size(), 3u);
  for (GLuint list : g.displayLists) EXPECT_TRUE(glIsList(list));
  EXPECT_EQ(g.faceStarts, (std::vector<int32_t>{0, 2, 3, 4}));  // closing element added
  EXPECT_EQ(triangles([&] { glCallList(g.displayLists[0]); }), 2u);
}

TEST_F(ObjDrawTest, TextureCoordinatesAreClampedAndDefaulted) {
  const auto& g = model->groups[0];
  auto solid = feedback([&] { glCallList(g.displayLists[0]); });
  ASSERT_EQ(solid.size(), 6u);
  for (const auto& v : solid) {  // the v//n form uses texture coordinate 0, the first "vt"
    EXPECT_FLOAT_EQ(v.s, 0.25f);
    EXPECT_FLOAT_EQ(v.t, 0.75f);
  }
  auto skin = feedback([&] { glCallList(g.displayLists[2]); });
  ASSERT_EQ(skin.size(), 3u);
  EXPECT_FLOAT_EQ(skin[1].s, 1.0f);   // vt 2
  EXPECT_FLOAT_EQ(skin[2].s, 0.25f);  // vt 9 does not exist: the first one
}

TEST_F(ObjDrawTest, OwnMaterialsPassFilter) {
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawOpaque); }), 3u);       // solid + skin
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawTranslucent); }), 1u);  // glass
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawOpaque | qor::kDrawTranslucent); }), 4u);
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawColours | qor::kDrawTexture); }), 0u);
  // An alpha above 1 is skipped only when exactly 1 would be.
  model->groups[0].materials[0] = qor::materialLibrary.GetMaterial("heavy");
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawTranslucent); }), 3u);
}

TEST_F(ObjDrawTest, OneMaterialPassFilter) {
  auto glass = qor::materialLibrary.GetMaterial("glass");
  auto solid = qor::materialLibrary.GetMaterial("solid");
  auto heavy = qor::materialLibrary.GetMaterial("heavy");
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawOpaque, glass); }), 0u);
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawTranslucent, glass); }), 4u);
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawOpaque, solid); }), 4u);
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawTranslucent, solid); }), 0u);
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawTranslucent, heavy); }), 0u);
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawOpaque, nullptr); }), 0u);

  // The override's colours are what GL draws with.
  model->draw(qor::kDrawOpaque | qor::kDrawColours, solid);
  GLfloat diffuse[4];
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  EXPECT_FLOAT_EQ(diffuse[1], 0.0f);
}

TEST_F(ObjDrawTest, TexturedRangesUnbindAfterDrawing) {
  auto skin = model->groups[0].materials[2];
  ASSERT_TRUE(skin->hasTexture());
  ASSERT_NE(skin->textureId, 1u);
  model->draw(qor::kDrawOpaque | qor::kDrawTexture);
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  model->draw(qor::kDrawOpaque | qor::kDrawTexture, skin);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ObjDrawTest, DeletedListsDrawNothing) {
  const GLuint first = model->groups[0].displayLists[0];
  model->deleteDisplayLists();
  EXPECT_FALSE(glIsList(first));
  EXPECT_TRUE(model->groups[0].displayLists.empty());
  EXPECT_EQ(triangles([&] { model->draw(qor::kDrawOpaque | qor::kDrawTranslucent); }), 0u);
  EXPECT_EQ(model->groups[0].faces.size(), 4u);  // the geometry stays
}

TEST_F(ObjDrawTest, MissingFileGivesAnEmptyModel) {
  auto empty = qor::makeShared<qor::ModelObj>(dir.file("nothing.obj"));
  EXPECT_TRUE(empty->groups.empty());
  EXPECT_EQ(triangles([&] { empty->draw(qor::kDrawOpaque); }), 0u);
}
