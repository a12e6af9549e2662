// The per-frame walk on a real GL context: placement through the matrix
// stack, the render queue and light list of the global Scene, depth,
// visibility, cloning with models and materials, shared nodes.

#include "support/GLContext.h"

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
#include <filesystem>
#include <fstream>

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
    qor::scene.root = nullptr;
  }

  static SmartPointer<qor::IModel> emptyModel() {
    return SmartPointer<qor::IModel>(new qor::ModelObj("does/not/exist.obj"));
  }
  static SmartPointer<GeometryNode> geometry(bool visible = true) {
    return SmartPointer<GeometryNode>(new GeometryNode(emptyModel(), visible, true));
  }
  static SceneNodePtr translate(float x, float y, float z) {
    return SceneNodePtr(new qor::TranslateNode(x, y, z));
  }
  static SmartPointer<GroupNode> group(std::vector<SceneNodePtr> children) {
    return SmartPointer<GroupNode>(new GroupNode(std::move(children)));
  }
  static void expectMatrix(const float* actual, const float* expected, float tol = 1e-6f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], tol) << "element " << i;
  }
  static void currentMatrix(float out[16]) { glGetFloatv(GL_MODELVIEW_MATRIX, out); }
};

TEST_F(TraverseTest, TranslateActsOnTheSiblingsThatFollowIt) {
  auto a = geometry();
  auto b = geometry();
  auto c = geometry();
  auto root = group({group({translate(1, 0, 0), a, translate(1, 0, 0), b}), group({c})});
  glTranslatef(0, 0, -5);  // a camera matrix below the tree
  const int32_t held = a->refCount();
  float before[16];
  currentMatrix(before);

  root->traverse();

  EXPECT_FLOAT_EQ(a->modelView[12], 1.0f);
  EXPECT_FLOAT_EQ(b->modelView[12], 2.0f);
  EXPECT_FLOAT_EQ(c->modelView[12], 0.0f);  // the sibling group is not moved
  EXPECT_FLOAT_EQ(c->modelView[14], -5.0f);
  ASSERT_EQ(qor::scene.renderQueue.size(), 3u);
  EXPECT_EQ(qor::scene.renderQueue[0].get(), a.get());
  EXPECT_EQ(qor::scene.renderQueue[1].get(), b.get());
  EXPECT_EQ(qor::scene.renderQueue[2].get(), c.get());
  EXPECT_EQ(a->refCount(), held + 1);  // the queue holds one reference

  // The group's pop restores the matrix of the caller.
  float after[16];
  currentMatrix(after);
  expectMatrix(after, before, 0.0f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  qor::scene.clearFrameLists();
  EXPECT_EQ(a->refCount(), held);
}

TEST_F(TraverseTest, RotateMatchesGlRotatef) {
  struct Case {
    float angle, x, y, z;
  };
  const Case cases[] = {{90, 0, 0, 2}, {90, 0, 0, 1}, {-30, 1, 0, 0}, {45, 0, 1, 0},
                        {123.5f, 1, 2, 3}, {0, 0, 1, 0}, {720, -1, 0.5f, 0.25f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.angle << " about " << c.x << "," << c.y << "," << c.z);
    glLoadIdentity();
    glRotatef(c.angle, c.x, c.y, c.z);
    float expected[16];
    currentMatrix(expected);

    glLoadIdentity();
    qor::RotateNode(c.angle, c.x, c.y, c.z).traverse();
    float actual[16];
    currentMatrix(actual);
    expectMatrix(actual, expected, 2e-6f);
  }

  // Rotating 90 about (0, 0, 2) turns +x into +y.
  auto a = geometry();
  glLoadIdentity();
  group({SceneNodePtr(new qor::RotateNode(90, 0, 0, 2)), translate(1, 0, 0), a})->traverse();
  EXPECT_NEAR(a->modelView[12], 0.0f, 1e-6f);
  EXPECT_NEAR(a->modelView[13], 1.0f, 1e-6f);
}

TEST_F(TraverseTest, LightsRecordTheirEyeSpacePosition) {
  SmartPointer<LightNode> on(new LightNode);
  SmartPointer<LightNode> off(new LightNode);
  off->enabled = false;
  auto root = group({translate(0, 2, 0), on, translate(3, 0, 0), off});
  glTranslatef(0, 0, -5);
  root->traverse();

  EXPECT_FLOAT_EQ(on->position[0], 0.0f);
  EXPECT_FLOAT_EQ(on->position[1], 2.0f);
  EXPECT_FLOAT_EQ(on->position[2], -5.0f);
  EXPECT_FLOAT_EQ(on->position[3], 1.0f);
  // The disabled light follows its parents but is not listed.
  EXPECT_FLOAT_EQ(off->position[0], 3.0f);
  EXPECT_FLOAT_EQ(off->position[1], 2.0f);
  ASSERT_EQ(qor::scene.lightList.size(), 1u);
  EXPECT_EQ(qor::scene.lightList[0].get(), on.get());
  EXPECT_TRUE(qor::scene.renderQueue.empty());
}

TEST_F(TraverseTest, LightApplyHandsItsValuesToGL) {
  SmartPointer<LightNode> light(new LightNode);
  light->diffuse[0] = 0.5f;
  light->linearAttenuation = 0.25f;
  glTranslatef(1, 2, 3);
  light->traverse();
  glLoadIdentity();
  light->apply(GL_LIGHT1);
  float diffuse[4];
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  EXPECT_FLOAT_EQ(diffuse[0], 0.5f);
  float position[4];
  glGetLightfv(GL_LIGHT1, GL_POSITION, position);
  EXPECT_FLOAT_EQ(position[0], 1.0f);
  EXPECT_FLOAT_EQ(position[2], 3.0f);
  float linear = 0;
  glGetLightfv(GL_LIGHT1, GL_LINEAR_ATTENUATION, &linear);
  EXPECT_FLOAT_EQ(linear, 0.25f);
}

TEST_F(TraverseTest, InvisibleNodeGetsItsMatrixButIsNotQueued) {
  auto hidden = geometry(false);
  auto root = group({translate(4, 0, 0), hidden});
  root->traverse();
  EXPECT_FLOAT_EQ(hidden->modelView[12], 4.0f);
  EXPECT_FLOAT_EQ(hidden->modelView[15], 1.0f);
  EXPECT_TRUE(qor::scene.renderQueue.empty());

  // Moving it shows in the next walk even though it is still hidden.
  static_cast<qor::TranslateNode*>(root->get(0).get())->x = -2;
  root->traverse();
  EXPECT_FLOAT_EQ(hidden->modelView[12], -2.0f);
  hidden->visible = true;
  root->traverse();
  EXPECT_EQ(qor::scene.renderQueue.size(), 1u);
}

TEST_F(TraverseTest, DepthIsEyeDistanceLessTheLocalDiagonal) {
  auto a = geometry();
  auto b = geometry();
  glTranslatef(0, 0, -5);
  group({a, SceneNodePtr(new qor::ScaleNode(2, 2, 2)), b})->traverse();
  EXPECT_NEAR(a->depth, 5.0f - std::sqrt(3.0f), 1e-5f);
  EXPECT_NEAR(b->depth, 5.0f - 2.0f * std::sqrt(3.0f), 1e-5f);
}

TEST_F(TraverseTest, SameNodeInTwoGroupsIsRecordedOncePerPath) {
  auto shared = geometry();
  auto root = group({group({translate(1, 0, 0), shared}), group({translate(5, 0, 0), shared})});
  root->traverse();
  ASSERT_EQ(qor::scene.renderQueue.size(), 2u);
  EXPECT_EQ(qor::scene.renderQueue[0].get(), shared.get());
  EXPECT_EQ(qor::scene.renderQueue[1].get(), shared.get());
  // Both entries see the matrix of the last path.
  EXPECT_FLOAT_EQ(shared->modelView[12], 5.0f);
}

TEST_F(TraverseTest, NestingDeeperThanTheGLStackIsPlacedCorrectly) {
  GLint maxDepth = 0;
  glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maxDepth);
  const int levels = maxDepth + 20;
  auto leaf = geometry();
  SmartPointer<GroupNode> node = group({leaf});
  for (int i = 0; i < levels; ++i) node = group({translate(1, 0, 0), node});
  glPushMatrix();  // the renderer walks the tree inside one push
  float before[16];
  currentMatrix(before);

  node->traverse();

  EXPECT_FLOAT_EQ(leaf->modelView[12], static_cast<float>(levels));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  float after[16];
  currentMatrix(after);
  expectMatrix(after, before, 0.0f);
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 2);
  glPopMatrix();

  // A second walk of the same tree gives the same result.
  qor::scene.clearFrameLists();
  node->traverse();
  EXPECT_FLOAT_EQ(leaf->modelView[12], static_cast<float>(levels));
}

TEST_F(TraverseTest, QueueStorageIsReusedAcrossFrames) {
  std::vector<SceneNodePtr> items;
  for (int i = 0; i < 300; ++i) items.push_back(geometry());
  auto root = group(items);
  root->traverse();
  const auto* storage = qor::scene.renderQueue.data();
  const auto capacity = qor::scene.renderQueue.capacity();
  for (int frame = 0; frame < 3; ++frame) {
    qor::scene.clearFrameLists();
    root->traverse();
    EXPECT_EQ(qor::scene.renderQueue.data(), storage);
    EXPECT_EQ(qor::scene.renderQueue.capacity(), capacity);
  }
}

// Geometry nodes with a real OBJ model: cloning, override materials, drawing.
class GeometryModelTest : public TraverseTest {
protected:
  void SetUp() override {
    TraverseTest::SetUp();
    qor::materialLibrary.CreateDefaultMaterial();
    path_ = std::filesystem::temp_directory_path() / "kelvo_scene_triangle.obj";
    std::ofstream(path_) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n";
    model_ = SmartPointer<qor::IModel>(new qor::ModelObj(path_.string()));
  }
  void TearDown() override {
    model_ = nullptr;
    qor::materialLibrary.clear();
    std::filesystem::remove(path_);
    TraverseTest::TearDown();
  }

  static SmartPointer<qor::Material> colouredMaterial(float r) {
    SmartPointer<qor::Material> m(new qor::Material);
    m->diffuse[0] = r;
    m->diffuse[3] = 1.0f;
    return m;
  }
  static float frontDiffuseRed() {
    float d[4] = {};
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, d);
    return d[0];
  }

  std::filesystem::path path_;
  SmartPointer<qor::IModel> model_;
};

TEST_F(GeometryModelTest, CloneSharesModelsButNotOverrideMaterials) {
  SmartPointer<GeometryNode> a(new GeometryNode(model_, true, true));
  SmartPointer<GeometryNode> b(new GeometryNode(model_, false, false));
  a->material = colouredMaterial(0.25f);
  a->useDefaultMaterial = false;
  auto g = group({a, b});

  SceneNodePtr copy = g->clone();
  auto* cg = static_cast<GroupNode*>(copy.get());
  ASSERT_EQ(cg->childCount(), 2u);
  auto* ca = static_cast<GeometryNode*>(cg->get(0).get());
  auto* cb = static_cast<GeometryNode*>(cg->get(1).get());
  ASSERT_EQ(ca->kind, qor::ISceneNode::kGeometry);
  EXPECT_NE(ca, a.get());
  EXPECT_EQ(ca->model.get(), model_.get());
  EXPECT_EQ(cb->model.get(), model_.get());
  EXPECT_TRUE(ca->visible);
  EXPECT_FALSE(cb->visible);
  EXPECT_FALSE(cb->castShadow);
  EXPECT_FALSE(ca->useDefaultMaterial);
  EXPECT_TRUE(cb->useDefaultMaterial);
  EXPECT_FALSE(cb->material);

  ASSERT_TRUE(ca->material);
  EXPECT_NE(ca->material.get(), a->material.get());
  EXPECT_FLOAT_EQ(ca->material->diffuse[0], 0.25f);
  ca->material->diffuse[0] = 0.9f;
  EXPECT_FLOAT_EQ(a->material->diffuse[0], 0.25f);
}

TEST_F(GeometryModelTest, DrawUsesTheOverrideMaterialOnlyWhenChosen) {
  ASSERT_FALSE(model_->groups.empty());
  GeometryNode node(model_, true, true);
  const uint8_t opaqueColours = qor::kDrawOpaque | qor::kDrawColours;

  node.draw(opaqueColours);  // the model's own (default) material
  EXPECT_NEAR(frontDiffuseRed(), 0.8f, 1e-6f);

  node.material = colouredMaterial(0.3f);
  node.draw(opaqueColours);  // still the default: useDefaultMaterial is true
  EXPECT_NEAR(frontDiffuseRed(), 0.8f, 1e-6f);

  node.useDefaultMaterial = false;
  node.draw(opaqueColours);
  EXPECT_NEAR(frontDiffuseRed(), 0.3f, 1e-6f);

  node.material = nullptr;  // no override set: own materials again
  node.draw(opaqueColours);
  EXPECT_NEAR(frontDiffuseRed(), 0.8f, 1e-6f);

  GeometryNode noModel(nullptr, true, true);
  noModel.draw(opaqueColours);  // nothing to draw, nothing happens
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
