// The frame on a real GL context: the order of the two passes, per-item
// culling, the lights during and after the passes, blending, override
// materials, the shadow pass call site, projection and fog, and loadScene
// with its settings file.

#include "support/GLContext.h"
#include "support/TempDir.h"

#include "app/ScreenSettings.h"
#include "material/MaterialLibrary.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/OpenGLRenderer.h"
#include "script/SceneLoader.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "shadows/Shadows.h"
#include "script/TimerManager.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace qor;

// What one draw call saw.
struct DrawCall {
  int id = 0;          // the model's id, or -1 for a shadow pass call
  uint8_t flags = 0;   // the draw mask
  bool ownMaterials = true;
  bool lighting = false;
  bool blend = false;
  bool light[3] = {};  // GL_LIGHT0..2 enabled
  float modelView[16] = {};
};

std::vector<DrawCall> calls;

DrawCall snapshot(int id, uint8_t flags) {
  DrawCall call;
  call.id = id;
  call.flags = flags;
  call.lighting = glIsEnabled(GL_LIGHTING);
  call.blend = glIsEnabled(GL_BLEND);
  for (int i = 0; i < 3; ++i) call.light[i] = glIsEnabled(GL_LIGHT0 + i);
  glGetFloatv(GL_MODELVIEW_MATRIX, call.modelView);
  return call;
}

// A model that draws nothing and records every call.
class RecordingModel : public IModel {
public:
  explicit RecordingModel(int id) : id_(id) {}
  std::size_t size() const override { return sizeof(*this); }
  void load(const std::string&) override {}
  void draw(uint8_t flags) const override { calls.push_back(snapshot(id_, flags)); }
  void draw(uint8_t flags, const SmartPointer<Material>&) const override {
    DrawCall call = snapshot(id_, flags);
    call.ownMaterials = false;
    calls.push_back(call);
  }

private:
  int id_;
};

// A shadow pass that records its calls among the draws.
class RecordingShadows : public Shadows {
public:
  std::size_t size() const override { return sizeof(*this); }
  void CastShadows(const SmartPointer<LightNode>& light, const std::vector<SmartPointer<GeometryNode>>& items) override {
    calls.push_back(snapshot(-1, 0));
    lights.push_back(light.get());
    itemCounts.push_back(items.size());
  }
  std::vector<const LightNode*> lights;
  std::vector<std::size_t> itemCounts;
};

constexpr uint8_t kOpaque = 13;
constexpr uint8_t kTranslucent = 14;

SmartPointer<GeometryNode> item(int id) {
  return makeShared<GeometryNode>(makeShared<RecordingModel>(id), true, true);
}

SceneNodePtr at(float x, float y, float z, const SceneNodePtr& node) {
  return makeShared<GroupNode>(std::vector<SceneNodePtr>{makeShared<TranslateNode>(x, y, z), node});
}

SceneNodePtr group(std::vector<SceneNodePtr> children) { return makeShared<GroupNode>(std::move(children)); }

std::vector<int> idsWithFlags(uint8_t flags) {
  std::vector<int> ids;
  for (const DrawCall& c : calls)
    if (c.id >= 0 && c.flags == flags) ids.push_back(c.id);
  return ids;
}

class FrameTest : public kelvo::test::GLTest {
protected:
  void SetUp() override {
    GLTest::SetUp();
    calls.clear();
    scene.root = nullptr;
    scene.camera = nullptr;
    scene.blend = false;
    scene.castShadows = false;
    scene.clearFrameLists();
    shadowPass = nullptr;
    renderHooks.width = &screenSettings.width;
    renderHooks.height = &screenSettings.height;
    screenSettings.width = 64;
    screenSettings.height = 64;
    OpenGLRenderer::setProjection();
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  void TearDown() override {
    scene.root = nullptr;
    scene.camera = nullptr;
    scene.clearFrameLists();
    shadowPass = nullptr;
    calls.clear();
    collectGarbage();
  }
  // One scene pass as render runs it: identity model-view, then the scene.
  void renderScene() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    OpenGLRenderer::renderScene(scene);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
};

TEST_F(FrameTest, OpaquePassNearestFirstTranslucentPassFarthestFirst) {
  // Queue items as traverse leaves them, in the order 5, 1, 3.
  for (int depth : {5, 1, 3}) {
    SmartPointer<GeometryNode> node = item(depth);
    node->depth = static_cast<float>(depth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -3.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, node->modelView);
    scene.renderQueue.push_back(node);
  }
  renderScene();
  EXPECT_EQ(idsWithFlags(kOpaque), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(idsWithFlags(kTranslucent), (std::vector<int>{5, 3, 1}));
  ASSERT_EQ(calls.size(), 6u);
  // Every opaque draw comes before every translucent one, each with its
  // own matrix loaded.
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(calls[i].flags, kOpaque);
  for (const DrawCall& c : calls) EXPECT_FLOAT_EQ(c.modelView[14], -3.0f);
  EXPECT_TRUE(scene.renderQueue.empty());
  EXPECT_TRUE(scene.lightList.empty());
}

TEST_F(FrameTest, NonFiniteDepthsNeitherBreakTheSortNorGetDrawn) {
  // A rotation about a zero axis gives NaN matrices and depths; mixed with
  // enough ordinary items to take the sort past its small-range path.
  std::vector<SceneNodePtr> children;
  for (int i = 0; i < 60; ++i) {
    const float z = -2.0f - 0.1f * static_cast<float>((i * 37) % 60);
    if (i % 3 == 0) {
      children.push_back(group({makeShared<RotateNode>(30.0f, 0.0f, 0.0f, 0.0f), at(0, 0, z, item(1000 + i))}));
    } else {
      children.push_back(at(0, 0, z, item(i)));
    }
  }
  scene.root = group(children);
  renderScene();
  std::vector<int> opaque = idsWithFlags(kOpaque);
  EXPECT_EQ(opaque.size(), 40u);
  for (int id : opaque) EXPECT_LT(id, 1000) << "an item with a non-finite matrix was drawn";
  // The finite ones still come nearest first.
  for (std::size_t i = 1; i < opaque.size(); ++i)
    EXPECT_LE((opaque[i - 1] * 37) % 60, (opaque[i] * 37) % 60) << i;
}

TEST_F(FrameTest, DepthFromTheWalkOrdersThePasses) {
  // The item farther away along -z gets the larger depth, so it comes last
  // in the opaque pass.
  scene.root = group({at(0, 0, -2, item(1)), at(0, 0, -8, item(2)), at(0, 0, -4, item(3))});
  renderScene();
  EXPECT_EQ(idsWithFlags(kOpaque), (std::vector<int>{1, 3, 2}));
  EXPECT_EQ(idsWithFlags(kTranslucent), (std::vector<int>{2, 3, 1}));
}

TEST_F(FrameTest, ItemWhoseUnitCubeIsOutsideTheFrustumIsDrawnInNeitherPass) {
  scene.root = group({at(0, 0, -3, item(1)),    // in view
                      at(40, 0, -3, item(2)),   // far to the right
                      at(0, 0, 5, item(3)),     // behind the eye
                      at(0, 0, -150, item(4)),  // beyond the far plane
                      at(1.6f, 0, -3, item(5))});  // centre outside (1.24), cube reaches in
  renderScene();
  EXPECT_EQ(idsWithFlags(kOpaque), (std::vector<int>{1, 5}));
  EXPECT_EQ(idsWithFlags(kTranslucent), (std::vector<int>{5, 1}));
}

TEST_F(FrameTest, EnabledLightsAreOnDuringThePassesAndOffAfterwards) {
  SmartPointer<LightNode> off = makeShared<LightNode>();
  off->enabled = false;
  off->diffuse[0] = 0.25f;
  SmartPointer<LightNode> first = makeShared<LightNode>();
  first->diffuse[1] = 0.5f;
  SmartPointer<LightNode> second = makeShared<LightNode>();
  second->diffuse[2] = 0.75f;

  // Capture GL_LIGHT0/1's parameters while the pass draws.
  class Probe : public IModel {
  public:
    std::size_t size() const override { return sizeof(*this); }
    void load(const std::string&) override {}
    void draw(uint8_t flags) const override {
      calls.push_back(snapshot(7, flags));
      glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse0);
      glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
      glGetLightfv(GL_LIGHT0, GL_POSITION, position0);
    }
    void draw(uint8_t flags, const SmartPointer<Material>&) const override { draw(flags); }
    mutable float diffuse0[4] = {}, diffuse1[4] = {}, position0[4] = {};
  };
  SmartPointer<Probe> probe = makeShared<Probe>();
  scene.root = group({off, at(0, 0, 1, first), second, at(0, 0, -3, makeShared<GeometryNode>(probe, true, true))});
  renderScene();

  ASSERT_EQ(calls.size(), 2u);
  for (const DrawCall& c : calls) {
    EXPECT_TRUE(c.lighting);
    EXPECT_TRUE(c.light[0]);
    EXPECT_TRUE(c.light[1]);
    EXPECT_FALSE(c.light[2]) << "the disabled light is bound to no GL light";
  }
  // Bound in list order, the disabled light skipped; the position is the
  // eye-space one, taken unchanged.
  EXPECT_FLOAT_EQ(probe->diffuse0[1], 0.5f);
  EXPECT_FLOAT_EQ(probe->diffuse0[0], 1.0f);
  EXPECT_FLOAT_EQ(probe->diffuse1[2], 0.75f);
  EXPECT_FLOAT_EQ(probe->position0[2], 1.0f);
  EXPECT_FLOAT_EQ(probe->position0[3], 1.0f);

  EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
  EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(FrameTest, LightsBeyondTheImplementationLimitAreIgnored) {
  GLint maxLights = 0;
  glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  std::vector<SceneNodePtr> children;
  for (GLint i = 0; i < maxLights + 4; ++i) children.push_back(makeShared<LightNode>());
  children.push_back(at(0, 0, -3, item(1)));
  scene.root = group(children);
  SmartPointer<RecordingShadows> shadows = makeShared<RecordingShadows>();
  shadowPass = shadows;
  scene.castShadows = true;
  renderScene();  // no GL error from a light name past the limit
  EXPECT_EQ(shadows->lights.size(), static_cast<std::size_t>(maxLights));
  for (GLint i = 0; i < maxLights; ++i) EXPECT_FALSE(glIsEnabled(GL_LIGHT0 + i));
}

TEST_F(FrameTest, ShadowPassRunsOncePerLightBetweenThePassesOnlyWhenAskedFor) {
  SmartPointer<LightNode> a = makeShared<LightNode>();
  SmartPointer<LightNode> b = makeShared<LightNode>();
  scene.root = group({a, b, at(0, 0, -3, item(1)), at(0, 0, -5, item(2))});
  SmartPointer<RecordingShadows> shadows = makeShared<RecordingShadows>();
  shadowPass = shadows;

  renderScene();  // castShadows off: never called, whatever the items say
  EXPECT_TRUE(shadows->lights.empty());

  calls.clear();
  scene.castShadows = true;
  renderScene();
  ASSERT_EQ(shadows->lights.size(), 2u);
  EXPECT_EQ(shadows->lights[0], a.get());
  EXPECT_EQ(shadows->lights[1], b.get());
  EXPECT_EQ(shadows->itemCounts[0], 2u);
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[1].flags, kOpaque);
  EXPECT_EQ(calls[2].id, -1);
  EXPECT_EQ(calls[3].id, -1);
  EXPECT_FALSE(calls[2].lighting) << "shadows are cast with lighting off";
  EXPECT_EQ(calls[4].flags, kTranslucent);
  EXPECT_TRUE(calls[4].lighting);

  // No shadow pass object (before loadScene): nothing to call.
  shadowPass = nullptr;
  renderScene();
}

TEST_F(FrameTest, BlendingOnlyInTheTranslucentPassAndOnlyWhenAsked) {
  scene.root = at(0, 0, -3, item(1));
  renderScene();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_FALSE(calls[0].blend);
  EXPECT_FALSE(calls[1].blend);

  calls.clear();
  scene.blend = true;
  scene.root = at(0, 0, -3, item(1));
  renderScene();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_FALSE(calls[0].blend);
  EXPECT_TRUE(calls[1].blend);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(FrameTest, OverrideMaterialOnlyWhenChosenAndSet) {
  SmartPointer<GeometryNode> chosenAndSet = item(1);
  chosenAndSet->useDefaultMaterial = false;
  chosenAndSet->material = makeShared<Material>();
  SmartPointer<GeometryNode> chosenUnset = item(2);
  chosenUnset->useDefaultMaterial = false;
  SmartPointer<GeometryNode> setNotChosen = item(3);
  setNotChosen->material = makeShared<Material>();
  scene.root = group({at(0, 0, -2, chosenAndSet), at(0, 0, -3, chosenUnset), at(0, 0, -4, setNotChosen)});
  renderScene();
  ASSERT_EQ(calls.size(), 6u);
  for (const DrawCall& c : calls) EXPECT_EQ(c.ownMaterials, c.id != 1) << "item " << c.id;
}

TEST_F(FrameTest, CameraMatrixReachesTheItemsAndStaysLoaded) {
  scene.camera = makeShared<Camera>();
  scene.camera->position[0] = 1.0f;
  scene.camera->position[2] = 3.0f;
  scene.camera->view[0] = 1.0f;
  scene.root = item(1);  // at the origin, 3 units before the eye
  renderScene();
  ASSERT_EQ(calls.size(), 2u);
  // The eye looks down -z from (1, 0, 3): the origin is at (-1, 0, -3).
  EXPECT_FLOAT_EQ(calls[0].modelView[12], -1.0f);
  EXPECT_FLOAT_EQ(calls[0].modelView[14], -3.0f);
  float after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  EXPECT_FLOAT_EQ(after[12], -1.0f);
  EXPECT_FLOAT_EQ(after[14], -3.0f);
}

TEST_F(FrameTest, EmptySceneLeavesNoState) {
  renderScene();
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  float after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  EXPECT_FLOAT_EQ(after[0], 1.0f);
  EXPECT_FLOAT_EQ(after[14], 0.0f);
}

TEST_F(FrameTest, ListsKeepTheirStorageAcrossFrames) {
  std::vector<SceneNodePtr> children;
  for (int i = 0; i < 50; ++i) children.push_back(at(0, 0, -3 - 0.1f * i, item(i)));
  scene.root = group(children);
  renderScene();
  const auto* storage = scene.renderQueue.data();
  const std::size_t capacity = scene.renderQueue.capacity();
  renderScene();
  EXPECT_EQ(scene.renderQueue.data(), storage);
  EXPECT_EQ(scene.renderQueue.capacity(), capacity);
}

TEST_F(FrameTest, ZeroHeightGetsTheAspectOfHeightOne) {
  screenSettings.width = 64;
  screenSettings.height = 0;
  OpenGLRenderer::setProjection();
  EXPECT_EQ(screenSettings.height, 1);
  float p[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  ASSERT_TRUE(std::isfinite(p[0]));
  EXPECT_NEAR(p[5] / p[0], 64.0f, 1e-3f);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[3], 1);

  screenSettings.height = 32;
  OpenGLRenderer::setProjection();
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  EXPECT_NEAR(p[5] / p[0], 2.0f, 1e-5f);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(FrameTest, FogOnlyInTheGameStage) {
  OpenGLRenderer::setFog(5);
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  GLint mode = 0;
  GLfloat start = 0, end = 0, colour[4] = {};
  glGetIntegerv(GL_FOG_MODE, &mode);
  glGetFloatv(GL_FOG_START, &start);
  glGetFloatv(GL_FOG_END, &end);
  glGetFloatv(GL_FOG_COLOR, colour);
  EXPECT_EQ(mode, GL_LINEAR);
  EXPECT_FLOAT_EQ(start, 1.0f);
  EXPECT_FLOAT_EQ(end, 1.7f);
  EXPECT_FLOAT_EQ(colour[1], 0.5f);
  for (int stage : {1, 4, 6, 7, 0}) {
    OpenGLRenderer::setFog(stage);
    EXPECT_FALSE(glIsEnabled(GL_FOG)) << "stage " << stage;
  }
}

// loadScene in a scratch installation folder.
class LoadSceneTest : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    scene.scriptPath = "Data/Scenes/initial.txt";
    script::sceneValue() = nullptr;
    script::resetInterpreter();
    script::clearKeyBindings();
    timerManager.clear();
    materialLibrary.clear();
    FrameTest::TearDown();
  }
  kelvo::test::TempDir dir_;
  std::filesystem::path previous_;
};

TEST_F(LoadSceneTest, SettingsScriptShadowPassAndDefaultCamera) {
  dir_.write("Data/Scenes/Settings.txt", "sceneBlend extra words\nsceneCastShadows\nend\nsceneDontBlend\n");
  dir_.write("Data/Scenes/initial.txt", "scene = Group(Light());\n");
  EXPECT_TRUE(loadScene(scene));
  EXPECT_TRUE(scene.blend);
  EXPECT_TRUE(scene.castShadows);
  ASSERT_TRUE(scene.root);
  EXPECT_EQ(scene.root->kind, GroupNode::kGroup);
  ASSERT_TRUE(scene.camera);
  EXPECT_FLOAT_EQ(scene.camera->position[2], 2.0f);
  EXPECT_TRUE(shadowPass);
  EXPECT_NE(materialLibrary.materials.find(std::string_view(kDefaultMaterialName)), materialLibrary.materials.end());
  renderScene();  // the loaded scene draws without GL errors
}

TEST_F(LoadSceneTest, ScriptCameraStaysAndMissingFilesLeaveTheDefaults) {
  dir_.write("Data/Scenes/initial.txt",
             "c = Camera();\nc.moveFordward(1);\nc.setActive();\nscene = Group();\n");
  scene.blend = true;  // no settings file: kept as it was
  EXPECT_TRUE(loadScene(scene));
  EXPECT_TRUE(scene.blend);
  ASSERT_TRUE(scene.camera);
  EXPECT_NE(scene.camera->position[2], 2.0f);

  // A script that is missing or broken still leaves a usable scene.
  scene.camera = nullptr;
  scene.root = nullptr;
  script::resetInterpreter();
  scene.scriptPath = "Data/Scenes/missing.txt";
  EXPECT_FALSE(loadScene(scene));
  EXPECT_TRUE(scene.camera);
  EXPECT_TRUE(shadowPass);
  renderScene();
}

}  // namespace
