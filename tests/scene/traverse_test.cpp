// The per-frame walk on a real GL context: placement through the matrix
// stack, the render queue and light list of the global Scene, depth,
// visibility, shared nodes, deep trees, and geometry nodes with a model.

#include "support/GLContext.h"
#include "support/TempDir.h"

#include "material/MaterialLibrary.h"
#include "model/ModelObj.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using qor::GeometryNode;
using qor::GroupNode;
using qor::LightNode;
using qor::SceneNodePtr;
using qor::SmartPointer;

class TraverseTest : public kelvo::test::GLTest {
protected:
  void SetUp() override {
    GLTest::SetUp();
    if (HasFatalFailure()) return;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    qor::scene.clearFrameLists();
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  void TearDown() override {
    qor::scene.clearFrameLists();
    qor::materialLibrary.clear();
    qor::collectGarbage();
  }

  static SmartPointer<GeometryNode> geometry(bool visible = true) {
    return SmartPointer<GeometryNode>(new GeometryNode(nullptr, visible, true));
  }
  static SceneNodePtr translate(float x, float y, float z) { return SceneNodePtr(new qor::TranslateNode(x, y, z)); }
  static SmartPointer<GroupNode> group(std::vector<SceneNodePtr> children) {
    return SmartPointer<GroupNode>(new GroupNode(std::move(children)));
  }
  static std::array<float, 16> current() {
    std::array<float, 16> m;
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
  }
};

TEST_F(TraverseTest, TransformsPlaceTheSiblingsThatFollowThem) {
  auto a = geometry(), b = geometry(), c = geometry(), d = geometry(), hidden = geometry(false);
  SmartPointer<LightNode> on(new LightNode), off(new LightNode);
  off->enabled = false;
  // `a` sits in two groups: it is queued once per path and keeps the matrix
  // of the last one.
  auto root = group({group({translate(1, 0, 0), a, translate(0, 2, 0), on, translate(1, 0, 0), b}),
                     group({c, SceneNodePtr(new qor::ScaleNode(2, 2, 2)), d}),
                     group({translate(5, 0, 0), a, hidden, off})});
  glTranslatef(0, 0, -5);  // a camera matrix below the tree
  const auto before = current();
  const int32_t held = b->refCount();

  root->traverse();

  const std::pair<GeometryNode*, float> placed[] = {{a.get(), 5}, {b.get(), 2}, {c.get(), 0}, {hidden.get(), 5}};
  for (auto [node, x] : placed) {
    EXPECT_FLOAT_EQ(node->modelView[12], x);
    EXPECT_FLOAT_EQ(node->modelView[14], -5);
  }
  EXPECT_FLOAT_EQ(b->modelView[13], 2);
  // Depth: eye distance of the origin less the eye-space length of (1, 1, 1).
  EXPECT_NEAR(c->depth, 5.0f - std::sqrt(3.0f), 1e-5f);
  EXPECT_NEAR(d->depth, 5.0f - 2.0f * std::sqrt(3.0f), 1e-5f);
  const GeometryNode* queued[] = {a.get(), b.get(), c.get(), d.get(), a.get()};
  ASSERT_EQ(qor::scene.renderQueue.size(), std::size(queued));  // not the hidden one
  for (std::size_t i = 0; i < std::size(queued); ++i) EXPECT_EQ(qor::scene.renderQueue[i].get(), queued[i]) << i;
  EXPECT_EQ(b->refCount(), held + 1);  // the queue holds one reference

  // Lights record their eye-space position; a disabled one is not listed.
  const float onAt[4] = {1, 2, -5, 1};
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(on->position[i], onAt[i]);
  EXPECT_FLOAT_EQ(off->position[0], 5);
  ASSERT_EQ(qor::scene.lightList.size(), 1u);
  EXPECT_EQ(qor::scene.lightList[0].get(), on.get());

  EXPECT_EQ(current(), before);  // the groups' pops restore the caller's matrix
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  qor::scene.clearFrameLists();
  EXPECT_EQ(b->refCount(), held);
}

TEST_F(TraverseTest, RotateMatchesGlRotatef) {
  const float cases[][4] = {{90, 0, 0, 2}, {90, 0, 0, 1}, {-30, 1, 0, 0},   {45, 0, 1, 0},
                            {123.5f, 1, 2, 3}, {0, 0, 1, 0}, {720, -1, 0.5f, 0.25f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c[0] << " about " << c[1] << "," << c[2] << "," << c[3]);
    glLoadIdentity();
    glRotatef(c[0], c[1], c[2], c[3]);
    const auto expected = current();
    glLoadIdentity();
    qor::RotateNode(c[0], c[1], c[2], c[3]).traverse();
    const auto actual = current();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 2e-6f) << "element " << i;
  }
}

TEST_F(TraverseTest, LightApplyHandsItsValuesToGL) {
  SmartPointer<LightNode> light(new LightNode);
  light->diffuse[0] = 0.5f;
  light->linearAttenuation = 0.25f;
  glTranslatef(1, 2, 3);
  light->traverse();
  glLoadIdentity();
  light->apply(GL_LIGHT1);
  float diffuse[4], position[4], linear = 0;
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glGetLightfv(GL_LIGHT1, GL_POSITION, position);
  glGetLightfv(GL_LIGHT1, GL_LINEAR_ATTENUATION, &linear);
  EXPECT_FLOAT_EQ(diffuse[0], 0.5f);
  EXPECT_FLOAT_EQ(position[0], 1.0f);
  EXPECT_FLOAT_EQ(position[2], 3.0f);
  EXPECT_FLOAT_EQ(linear, 0.25f);
}

TEST_F(TraverseTest, NestingDeeperThanTheGLStackIsPlacedCorrectly) {
  GLint maxDepth = 0;
  glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maxDepth);
  const int levels = maxDepth + 20;
  auto leaf = geometry();
  SmartPointer<GroupNode> node = group({leaf});
  for (int i = 0; i < levels; ++i) node = group({translate(1, 0, 0), node});
  glPushMatrix();  // the renderer walks the tree inside one push
  const auto before = current();
  for (int walk = 0; walk < 2; ++walk) {  // a second walk gives the same result
    node->traverse();
    EXPECT_FLOAT_EQ(leaf->modelView[12], static_cast<float>(levels));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(current(), before);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
  }
  glPopMatrix();
}

float frontDiffuseRed() {
  float d[4] = {};
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, d);
  return d[0];
}

TEST_F(TraverseTest, GeometryCloneAndOverrideMaterial) {
  qor::materialLibrary.CreateDefaultMaterial();
  kelvo::test::TempDir dir;
  SmartPointer<qor::IModel> model(
      new qor::ModelObj(dir.write("t.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n")));
  ASSERT_FALSE(model->groups.empty());
  SmartPointer<qor::Material> red(new qor::Material);
  red->diffuse[0] = 0.3f;
  red->diffuse[3] = 1.0f;
  SmartPointer<GeometryNode> a(new GeometryNode(model, true, true)), b(new GeometryNode(model, false, false));
  a->material = red;
  a->useDefaultMaterial = false;

  // The copy shares the model but not the override material.
  SceneNodePtr copy = group({a, b})->clone();
  auto* cg = static_cast<GroupNode*>(copy.get());
  auto* ca = static_cast<GeometryNode*>(cg->get(0).get());
  auto* cb = static_cast<GeometryNode*>(cg->get(1).get());
  ASSERT_EQ(ca->kind, qor::ISceneNode::kGeometry);
  EXPECT_NE(ca, a.get());
  EXPECT_EQ(ca->model.get(), model.get());
  EXPECT_TRUE(ca->visible);
  EXPECT_FALSE(cb->visible);
  EXPECT_FALSE(cb->castShadow);
  EXPECT_FALSE(ca->useDefaultMaterial);
  EXPECT_FALSE(cb->material);
  ASSERT_TRUE(ca->material);
  EXPECT_NE(ca->material.get(), red.get());
  ca->material->diffuse[0] = 0.9f;
  EXPECT_FLOAT_EQ(red->diffuse[0], 0.3f);

  // Drawing uses the override only when chosen and set.
  const uint8_t opaqueColours = qor::kDrawOpaque | qor::kDrawColours;
  a->draw(opaqueColours);
  EXPECT_NEAR(frontDiffuseRed(), 0.3f, 1e-6f);
  a->useDefaultMaterial = true;
  a->draw(opaqueColours);  // the model's own (default) material
  EXPECT_NEAR(frontDiffuseRed(), 0.8f, 1e-6f);
  b->useDefaultMaterial = false;  // chosen, but no override set
  b->draw(opaqueColours);
  EXPECT_NEAR(frontDiffuseRed(), 0.8f, 1e-6f);
  geometry()->draw(opaqueColours);  // no model: nothing happens
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
