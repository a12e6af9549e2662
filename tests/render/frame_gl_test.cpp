// The frame on a real GL context: the two passes' order and per-item
// culling, the lights, the shadow pass call site, blending, override
// materials, the camera, and fog.

#include "support/GLContext.h"

#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/OpenGLRenderer.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"
#include "shadows/Shadows.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

namespace {

using namespace qor;

// What one draw call saw: the item's id (-1 for a shadow pass call), the pass
// ('o' opaque, 't' translucent, 's' shadows), and the GL state.
struct DrawCall {
  int id;
  char pass;
  bool ownMaterials, lighting, blend, lights;  // GL_LIGHT0 and GL_LIGHT1 enabled
  float diffuse[2][4], position0[4];           // of GL_LIGHT0 and GL_LIGHT1
};
std::vector<DrawCall> calls;

void record(int id, uint8_t flags, bool ownMaterials = true) {
  DrawCall c{id, flags == 13 ? 'o' : flags == 14 ? 't' : 's', ownMaterials, bool(glIsEnabled(GL_LIGHTING)),
             bool(glIsEnabled(GL_BLEND)), glIsEnabled(GL_LIGHT0) && glIsEnabled(GL_LIGHT1), {}, {}};
  glGetLightfv(GL_LIGHT0, GL_DIFFUSE, c.diffuse[0]);
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, c.diffuse[1]);
  glGetLightfv(GL_LIGHT0, GL_POSITION, c.position0);
  calls.push_back(c);
}

// The calls in order, as "o2 s t2" and so on.
std::string order() {
  std::string text;
  for (const DrawCall& c : calls) text += (text.empty() ? "" : " ") + (c.pass + (c.id < 0 ? "" : std::to_string(c.id)));
  return text;
}

struct RecordingModel : IModel {
  explicit RecordingModel(int id) : id(id) {}
  std::size_t size() const override { return sizeof(*this); }
  void load(const std::string&) override {}
  void draw(uint8_t flags) const override { record(id, flags); }
  void draw(uint8_t flags, const SmartPointer<Material>&) const override { record(id, flags, false); }
  int id;
};

struct RecordingShadows : Shadows {
  std::size_t size() const override { return sizeof(*this); }
  void CastShadows(const SmartPointer<LightNode>& light, const std::vector<SmartPointer<GeometryNode>>& items) override {
    record(-1, 0);
    lights.push_back(light.get());
    itemCounts.push_back(items.size());
  }
  std::vector<LightNode*> lights;
  std::vector<std::size_t> itemCounts;
};

SmartPointer<GeometryNode> item(int id) { return makeShared<GeometryNode>(makeShared<RecordingModel>(id), true, true); }
SceneNodePtr group(std::vector<SceneNodePtr> children) { return makeShared<GroupNode>(std::move(children)); }
SceneNodePtr at(float x, float y, float z, const SceneNodePtr& node) {
  return group({makeShared<TranslateNode>(x, y, z), node});
}

class FrameTest : public kelvo::test::GLTest {
protected:
  void TearDown() override {
    scene.root = nullptr;
    scene.camera = nullptr;
    scene.blend = scene.castShadows = false;
    shadowPass = nullptr;
    calls.clear();
    collectGarbage();
  }
  // One scene pass as render runs it, for a square window.
  void renderScene() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.01, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    OpenGLRenderer::renderScene(scene);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
};

TEST_F(FrameTest, PassesCullingLightsShadowsBlendingAndMaterialsOfOneFrame) {
  SmartPointer<LightNode> off = makeShared<LightNode>(), first = makeShared<LightNode>();
  SmartPointer<LightNode> second = makeShared<LightNode>();
  off->enabled = false;
  off->diffuse[0] = 0.25f;
  first->diffuse[1] = 0.5f;
  second->diffuse[2] = 0.75f;
  // The override material only when chosen and set: item 2.
  SmartPointer<GeometryNode> chosenAndSet = item(2), chosenUnset = item(4), setNotChosen = item(8);
  chosenAndSet->useDefaultMaterial = chosenUnset->useDefaultMaterial = false;
  chosenAndSet->material = setNotChosen->material = makeShared<Material>();
  // Lights past the implementation's limit are ignored.
  GLint maxLights = 0;
  glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  std::vector<SceneNodePtr> nodes{off, at(0, 0, 1, first), second};
  while (nodes.size() < static_cast<std::size_t>(maxLights) + 4) nodes.push_back(makeShared<LightNode>());
  // Items 90 to 92 lie outside the frustum; the centre of item 3 does too
  // (x 1.24 at most), but its unit cube reaches in.
  for (SceneNodePtr node : {at(0, 0, -2, chosenAndSet), at(0, 0, -8, setNotChosen), at(0, 0, -4, chosenUnset),
                            at(1.6f, 0, -3, item(3)), at(40, 0, -3, item(90)), at(0, 0, 5, item(91)),
                            at(0, 0, -150, item(92))})
    nodes.push_back(node);
  // The camera at (1, 0, 3) looks down -z; the root is moved there, so the
  // items lie in eye space where they are placed (without the camera they
  // would all be behind the eye).
  scene.camera = makeShared<Camera>();
  scene.camera->position[0] = scene.camera->view[0] = 1.0f;
  scene.camera->position[2] = 3.0f;
  scene.root = at(1, 0, 3, group(nodes));
  SmartPointer<RecordingShadows> shadows = makeShared<RecordingShadows>();
  shadowPass = shadows;
  scene.blend = scene.castShadows = true;
  renderScene();

  // Opaque nearest first, the shadows once per light with lighting off, then
  // translucent farthest first and blended. The enabled lights are bound in
  // list order; the position is the eye-space one, taken unchanged.
  std::string shadowCalls;
  for (GLint i = 0; i < maxLights; ++i) shadowCalls += "s ";
  EXPECT_EQ(order(), "o2 o3 o4 o8 " + shadowCalls + "t8 t4 t3 t2");
  for (const DrawCall& c : calls) {
    SCOPED_TRACE(::testing::Message() << c.pass << c.id);
    EXPECT_EQ(c.lighting, c.pass != 's');
    EXPECT_EQ(c.blend, c.pass == 't');
    EXPECT_EQ(c.ownMaterials, c.id != 2);
    EXPECT_TRUE(c.lights);
    EXPECT_EQ(std::vector<float>(c.diffuse[0], c.diffuse[0] + 3), (std::vector<float>{1.0f, 0.5f, 1.0f}));
    EXPECT_FLOAT_EQ(c.diffuse[1][2], 0.75f);
    EXPECT_EQ(std::vector<float>(c.position0, c.position0 + 4), (std::vector<float>{0, 0, 1, 1}));
  }
  ASSERT_EQ(shadows->lights.size(), static_cast<std::size_t>(maxLights));
  EXPECT_EQ(std::pair(shadows->lights[0], shadows->lights[1]), std::pair(first.get(), second.get()));
  EXPECT_EQ(shadows->itemCounts, std::vector<std::size_t>(maxLights, 7));

  // Afterwards lights and blending are off (the function stays), the camera
  // matrix is loaded and the per-frame lists are empty.
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_BLEND));
  for (GLint i = 0; i < maxLights; ++i) EXPECT_FALSE(glIsEnabled(GL_LIGHT0 + i));
  GLint blendFunction[2] = {};
  glGetIntegerv(GL_BLEND_SRC, blendFunction);
  glGetIntegerv(GL_BLEND_DST, blendFunction + 1);
  EXPECT_EQ(std::pair(blendFunction[0], blendFunction[1]), std::pair(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
  float after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  EXPECT_EQ(std::pair(after[12], after[14]), std::pair(-1.0f, -3.0f));
  EXPECT_TRUE(scene.renderQueue.empty() && scene.lightList.empty());

  // Neither blending nor shadows unless asked for, nor without a shadow pass
  // object (before loadScene).
  calls.clear();
  scene.blend = scene.castShadows = false;
  renderScene();
  shadowPass = nullptr;
  scene.castShadows = true;
  renderScene();
  EXPECT_EQ(order(), "o2 o3 o4 o8 t8 t4 t3 t2 o2 o3 o4 o8 t8 t4 t3 t2");
  for (const DrawCall& c : calls) EXPECT_FALSE(c.blend);
}

TEST_F(FrameTest, NonFiniteDepthsNeitherBreakTheSortNorGetDrawn) {
  // A rotation about a zero axis gives NaN matrices and depths; mixed with
  // enough ordinary items to take the sort past its small-range path. Only
  // the finite ones are drawn, nearest first.
  std::vector<SceneNodePtr> children;
  for (int i = 0; i < 60; ++i) {
    SceneNodePtr placed = at(0, 0, -2.0f - 0.1f * static_cast<float>((i * 37) % 60), item(i));
    children.push_back(i % 3 ? placed : group({makeShared<RotateNode>(30.0f, 0.0f, 0.0f, 0.0f), placed}));
  }
  scene.root = group(children);
  renderScene();
  ASSERT_EQ(calls.size(), 80u);
  for (int i = 0, previous = -1; i < 40; previous = (calls[i++].id * 37) % 60) {
    EXPECT_NE(calls[i].id % 3, 0) << "an item with a non-finite matrix was drawn";
    EXPECT_LE(previous, (calls[i].id * 37) % 60) << i;
  }
}

TEST_F(FrameTest, LinearGreyFogOnlyInTheGameStage) {
  for (int stage : {5, 1, 4, 6, 7, 0}) {
    OpenGLRenderer::setFog(stage);
    EXPECT_EQ(glIsEnabled(GL_FOG), stage == 5) << "stage " << stage;
  }
  GLint mode = 0;
  GLfloat fog[6] = {};  // start, end, colour
  glGetIntegerv(GL_FOG_MODE, &mode);
  glGetFloatv(GL_FOG_START, fog);
  glGetFloatv(GL_FOG_END, fog + 1);
  glGetFloatv(GL_FOG_COLOR, fog + 2);
  EXPECT_EQ(mode, GL_LINEAR);
  EXPECT_EQ(std::vector<GLfloat>(fog, fog + 6), (std::vector<GLfloat>{1.0f, 1.7f, 0.5f, 0.5f, 0.5f, 1.0f}));
}

}  // namespace
