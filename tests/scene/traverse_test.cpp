// The per-frame walk on a real GL context: placement through the matrix stack,
// the Scene's render queue and light list, deep trees, clones of whole trees.

#include "material/Material.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/TransformNodes.h"
#include "support/EngineFixtures.h"

#include <GL/gl.h>

#include <cmath>

namespace {

using qor::GeometryNode;
using qor::LightNode;
using qor::SceneNodePtr;
using qor::SmartPointer;
using Matrix = std::vector<float>;

using TraverseTest = kelvo::test::EngineGLTest;

SmartPointer<GeometryNode> geometry(bool visible = true) {
  return qor::makeShared<GeometryNode>(nullptr, visible, true);
}
SceneNodePtr translate(float x, float y, float z) { return SceneNodePtr(new qor::TranslateNode(x, y, z)); }
SmartPointer<qor::GroupNode> group(std::vector<SceneNodePtr> children) {
  return qor::makeShared<qor::GroupNode>(std::move(children));
}
Matrix current() {
  Matrix m(16);
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

TEST_F(TraverseTest, TransformsPlaceTheSiblingsThatFollowThem) {
  auto a = geometry(), b = geometry(), c = geometry(), d = geometry(), hidden = geometry(false);
  auto on = qor::makeShared<LightNode>(), off = qor::makeShared<LightNode>();
  off->enabled = false;
  // `a` sits in two groups: it is queued once per path and keeps the matrix
  // of the last one; the hidden node gets its matrix but is not queued.
  auto root = group({group({translate(1, 0, 0), a, translate(0, 2, 0), on, translate(1, 0, 0), b}),
                     group({c, SceneNodePtr(new qor::ScaleNode(2, 2, 2)), d}),
                     group({translate(5, 0, 0), a, hidden, off})});
  glLoadIdentity();
  glTranslatef(0, 0, -5);  // a camera matrix below the tree
  const Matrix before = current();
  root->traverse();
  EXPECT_EQ(current(), before);  // the groups' pops restore the caller's matrix
  const std::pair<GeometryNode*, float> placed[] = {{a.get(), 5}, {b.get(), 2}, {c.get(), 0}, {hidden.get(), 5}};
  for (auto [node, x] : placed) EXPECT_EQ((Matrix{node->modelView[12], node->modelView[14]}), (Matrix{x, -5}));
  // Depth: eye distance of the origin less the eye-space length of (1, 1, 1).
  EXPECT_NEAR(c->depth, 5.0f - std::sqrt(3.0f), 1e-5f);
  EXPECT_NEAR(d->depth, 5.0f - 2.0f * std::sqrt(3.0f), 1e-5f);
  const GeometryNode* queued[] = {a.get(), b.get(), c.get(), d.get(), a.get()};
  ASSERT_EQ(qor::scene.renderQueue.size(), std::size(queued));
  for (std::size_t i = 0; i < std::size(queued); ++i) EXPECT_EQ(qor::scene.renderQueue[i].get(), queued[i]) << i;
  EXPECT_EQ(b->refCount(), 3);  // ours, the group's and the queue's
  // Lights record their eye-space position; a disabled one is not listed.
  EXPECT_EQ(Matrix(on->position, on->position + 4), (Matrix{1, 2, -5, 1}));
  EXPECT_FLOAT_EQ(off->position[0], 5);
  ASSERT_EQ(qor::scene.lightList.size(), 1u);
  EXPECT_EQ(qor::scene.lightList[0].get(), on.get());
  qor::scene.clearFrameLists();
  EXPECT_EQ(b->refCount(), 2);
}

TEST_F(TraverseTest, RotateMatchesGlRotatef) {
  const float cases[][4] = {{90, 0, 0, 2}, {-30, 1, 0, 0}, {123.5f, 1, 2, 3}, {0, 0, 1, 0}, {720, -1, 0.5f, 0.25f}};
  for (const auto& c : cases) {
    glLoadIdentity();
    glRotatef(c[0], c[1], c[2], c[3]);
    const Matrix expected = current();
    glLoadIdentity();
    qor::RotateNode(c[0], c[1], c[2], c[3]).traverse();
    const Matrix actual = current();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 2e-6f) << c[0] << " degrees, element " << i;
  }
}

TEST_F(TraverseTest, NestingDeeperThanTheGLStackIsPlacedCorrectly) {
  GLint maxDepth = 0, depth = 0;
  glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maxDepth);
  auto leaf = geometry();
  auto node = group({leaf});
  for (int i = 0; i < maxDepth + 20; ++i) node = group({translate(1, 0, 0), node});
  glLoadIdentity();
  glPushMatrix();  // the renderer walks the tree inside one push
  for (int walk = 0; walk < 2; ++walk) {  // a second walk gives the same result
    node->traverse();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(leaf->modelView[12], maxDepth + 20);
    EXPECT_EQ(current(), (Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
  }
  glPopMatrix();
}

TEST_F(TraverseTest, ClonesArePlacedLikeTheirSource) {
  // (Shared models, copied override materials and the choice of material
  // when drawing are checked through the script's clone and the frame.)
  auto a = geometry();
  a->material = qor::makeShared<qor::Material>();
  auto light = qor::makeShared<LightNode>();
  light->enabled = false;
  light->diffuse[1] = 0.25f;
  light->quadraticAttenuation = 0.5f;
  auto source = group({translate(1, 2, 3), SceneNodePtr(new qor::RotateNode(30, 0, 1, 0)),
                       SceneNodePtr(new qor::ScaleNode(1, 2, 3)), light, a});
  const SceneNodePtr copy = source->clone();
  glLoadIdentity();
  copy->traverse();
  source->traverse();
  auto* c = static_cast<qor::GroupNode*>(copy.get());
  auto* ca = static_cast<GeometryNode*>(c->get(4).get());
  ASSERT_EQ(ca->kind, qor::ISceneNode::kGeometry);
  EXPECT_EQ(Matrix(ca->modelView, ca->modelView + 16), Matrix(a->modelView, a->modelView + 16));
  // A light's copy keeps colours and attenuation but is enabled; it hands
  // its eye-space position to GL unchanged.
  ASSERT_EQ(qor::scene.lightList.size(), 1u);
  EXPECT_EQ(qor::scene.lightList[0].get(), c->get(3).get());
  glLoadIdentity();
  qor::scene.lightList[0]->apply(GL_LIGHT1);
  float position[4], diffuse[4], quadratic = 0;
  glGetLightfv(GL_LIGHT1, GL_POSITION, position);
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glGetLightfv(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, &quadratic);
  EXPECT_EQ((Matrix{position[0], position[1], position[2], position[3], diffuse[1], quadratic}),
            (Matrix{1, 2, 3, 1, 0.25f, 0.5f}));
}

}  // namespace
