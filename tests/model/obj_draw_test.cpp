// Display lists and the two draw operations, observed through GL feedback
// mode: every triangle GL would rasterise is reported with its vertices.
#include "model/ModelObj.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/OpenGLRenderer.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"
#include "support/EngineFixtures.h"
#include "support/Images.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <functional>

namespace {

using TexCoords = std::vector<std::pair<float, float>>;

// Texture coordinates (s, t) of the triangle corners drawn by `draw`.
TexCoords feedback(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const std::size_t used = static_cast<std::size_t>(glRenderMode(GL_RENDER));
  TexCoords out;
  for (std::size_t i = 0; i < used;) {
    const GLint token = static_cast<GLint>(buffer[i++]);
    if (token != GL_POLYGON_TOKEN) {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
    // x, y, z, 4 colour values, then s, t, r, q per vertex.
    const GLint n = static_cast<GLint>(buffer[i++]);
    for (GLint k = 0; k < n; ++k, i += 11) out.emplace_back(buffer[i + 7], buffer[i + 8]);
  }
  return out;
}

std::size_t triangles(const std::function<void()>& draw) { return feedback(draw).size() / 3; }

using ObjDrawTest = kelvo::test::EngineGLTest;

TEST_F(ObjDrawTest, DisplayListsAndPassFilters) {
  kelvo::test::writeImage(dir.file("skin.png"), FIF_PNG, 24);
  dir.write("m.mtl", "newmtl solid\nKd 1 0 0\nnewmtl glass\nd 0.5\nnewmtl heavy\nd 2\nnewmtl skin\nmap_Kd skin.png\n");
  // One group: a quadrilateral (two triangles) in "solid", one triangle in
  // "glass", one triangle in "skin" with texture numbers.
  auto model = qor::makeShared<qor::ModelObj>(dir.write("m.obj",
                                                        "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                                        "vt 0.25 0.75\nvt 1 1\nvn 0 0 1\n"
                                                        "usemtl solid\nf 1//1 2//1 3//1 4//1\n"
                                                        "usemtl glass\nf 1//1 2//1 3//1\n"
                                                        "usemtl skin\nf 1/1/1 2/2/1 3/9/1\n"));
  const auto& g = model->groups.at(0);
  ASSERT_EQ(g.displayLists.size(), 3u);
  EXPECT_EQ(g.faceStarts, (std::vector<int32_t>{0, 2, 3, 4}));  // closing element added
  // The v//n form uses texture coordinate 0, the first "vt"; a "vt" number
  // that does not exist uses the first one too.
  const std::pair<float, float> first{0.25f, 0.75f};
  EXPECT_EQ(feedback([&] { glCallList(g.displayLists[0]); }), TexCoords(6, first));
  EXPECT_EQ(feedback([&] { glCallList(g.displayLists[2]); }), (TexCoords{first, {1, 1}, first}));

  // Override material ("" for the model's own: solid and skin are opaque,
  // glass is not), draw flags, and the triangles drawn.
  const uint8_t opaque = qor::kDrawOpaque, translucent = qor::kDrawTranslucent;
  const std::tuple<std::string, uint8_t, std::size_t> cases[] = {
      {"", opaque, 3}, {"", translucent, 1}, {"", qor::kDrawColours | qor::kDrawTexture, 0},
      {"glass", opaque, 0}, {"glass", translucent, 4}, {"solid", translucent, 0},
      {"heavy", translucent, 0}, {"heavy", opaque, 4},  // an alpha above 1 counts as opaque
  };
  for (const auto& [name, flags, count] : cases) {
    auto only = qor::materialLibrary.GetMaterial(name);
    EXPECT_EQ(triangles([&] { name.empty() ? model->draw(flags) : model->draw(flags, only); }), count)
        << name << " flags " << int(flags);
    // The renderer asks first, and loads the item's matrix only on a yes.
    EXPECT_EQ(name.empty() ? model->drawsIn(flags) : model->drawsIn(flags, only), count > 0)
        << name << " flags " << int(flags);
  }
  EXPECT_FALSE(model->drawsIn(opaque, nullptr));
  EXPECT_EQ(triangles([&] { model->draw(opaque, nullptr); }), 0u);
  // The override's colours are what GL draws with; textured ranges unbind after drawing.
  model->draw(opaque | qor::kDrawColours, qor::materialLibrary.GetMaterial("solid"));
  GLfloat diffuse[4];
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  EXPECT_FLOAT_EQ(diffuse[1], 0.0f);
  auto skin = model->groups[0].materials[2];
  ASSERT_TRUE(glIsTexture(skin->textureId));
  for (const auto& only : {qor::SmartPointer<qor::Material>(), skin}) {
    only ? model->draw(opaque | qor::kDrawTexture, only) : model->draw(opaque | qor::kDrawTexture);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  }
  // Among its own materials an alpha above 1 is skipped only when exactly 1 would be.
  model->groups[0].materials[0] = qor::materialLibrary.GetMaterial("heavy");
  EXPECT_EQ(triangles([&] { model->draw(translucent); }), 3u);
  // Deleted lists draw nothing; the geometry stays.
  const GLuint list = g.displayLists[0];
  model->deleteDisplayLists();
  EXPECT_FALSE(glIsList(list));
  EXPECT_EQ(triangles([&] { model->draw(opaque | translucent); }), 0u);
  EXPECT_EQ(g.faces.size(), 4u);
}

// Items that share a material set its colours once per pass; what changed
// between two frames (a script's new colour, colours set by other drawing)
// is set again by the next frame.
TEST_F(ObjDrawTest, FramesSetSharedColoursAndPickUpChangesBetweenFrames) {
  dir.write("c.mtl", "newmtl paint\nKd 1 0 0\n");
  auto model = qor::makeShared<qor::ModelObj>(
      dir.write("c.obj", "mtllib c.mtl\nv 0 0 0\nv 0.3 0 0\nv 0 0.3 0\nusemtl paint\nf 1 2 3\n"));
  ASSERT_EQ(model->groups.size(), 1u);
  auto place = [&](float x) {
    return qor::SceneNodePtr(qor::makeShared<qor::GroupNode>(std::vector<qor::SceneNodePtr>{
        qor::makeShared<qor::TranslateNode>(x, 0.0f, -3.0f), qor::makeShared<qor::GeometryNode>(model, true, false)}));
  };
  qor::scene.root = qor::makeShared<qor::GroupNode>(std::vector<qor::SceneNodePtr>{place(-0.5f), place(0.5f)});
  auto frameDiffuse = [] {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.01, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    qor::OpenGLRenderer::renderScene(qor::scene);
    GLfloat diffuse[4] = {};
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    return diffuse[0];
  };
  EXPECT_EQ(frameDiffuse(), 1.0f);
  model->groups[0].materials[0]->diffuse[0] = 0.25f;
  EXPECT_EQ(frameDiffuse(), 0.25f);
  const GLfloat other[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  glMaterialfv(GL_FRONT, GL_DIFFUSE, other);
  EXPECT_EQ(frameDiffuse(), 0.25f);
  qor::scene.root = nullptr;
}

}  // namespace
