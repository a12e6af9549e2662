// The frame on a real GL context: the passes' order, culling, lights,
// shadow pass, blending, override materials, the camera, and fog.

#include "support/GLContext.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"
#include "app/Hooks.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/OpenGLRenderer.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"
#include "shadows/VolumeShadows.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

namespace {

using namespace qor;

// The draw calls, a word each: the pass (o opaque, t translucent, s shadows),
// the item, L if lit, B if blended, * with the override material. Then GL
// lights 0 and 1 at the first call: enabled, diffuse, and 0's position.
std::string calls;
std::vector<float> lightsSeen;

void record(char pass, int id, bool ownMaterials = true) {
  calls += std::string(calls.empty() ? "" : " ") + pass + (id < 0 ? "" : std::to_string(id)) +
           (glIsEnabled(GL_LIGHTING) ? "L" : "") + (glIsEnabled(GL_BLEND) ? "B" : "") + (ownMaterials ? "" : "*");
  if (!lightsSeen.empty()) return;
  lightsSeen = {float(glIsEnabled(GL_LIGHT0)), float(glIsEnabled(GL_LIGHT1)), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  glGetLightfv(GL_LIGHT0, GL_DIFFUSE, &lightsSeen[2]);
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, &lightsSeen[6]);
  glGetLightfv(GL_LIGHT0, GL_POSITION, &lightsSeen[10]);
}

// The opaque pass draws with mask 1 | 4 | 8, the translucent one with 2 | 4 | 8.
char pass(uint8_t flags) { return flags == 13 ? 'o' : flags == 14 ? 't' : '?'; }

struct RecordingModel : IModel {
  explicit RecordingModel(int id) : id(id) {}
  std::size_t size() const override { return sizeof(*this); }
  void load(const std::string&) override {}
  void draw(uint8_t flags) const override { record(pass(flags), id); }
  void draw(uint8_t flags, const SmartPointer<Material>&) const override { record(pass(flags), id, false); }
  bool drawsIn(uint8_t) const override { return true; }
  bool drawsIn(uint8_t, const SmartPointer<Material>&) const override { return true; }
  int id;
};

// The shadow hook's calls: the light and the number of items each time.
std::vector<LightNode*> shadowLights;
std::vector<std::size_t> shadowItemCounts;

void recordShadows(const SmartPointer<LightNode>& light, const std::vector<SmartPointer<GeometryNode>>& items) {
  record('s', -1);
  shadowLights.push_back(light.get());
  shadowItemCounts.push_back(items.size());
}

SmartPointer<GeometryNode> item(int id) { return makeShared<GeometryNode>(makeShared<RecordingModel>(id), true, true); }
SceneNodePtr group(std::vector<SceneNodePtr> children) { return makeShared<GroupNode>(std::move(children)); }
SceneNodePtr at(float x, float y, float z, SceneNodePtr n) { return group({makeShared<TranslateNode>(x, y, z), n}); }

class FrameTest : public kelvo::test::GLTest {
protected:
  void TearDown() override {
    scene.root = nullptr;
    scene.camera = nullptr;
    scene.blend = scene.castShadows = false;
    renderHooks.castShadows = nullptr;
    collectGarbage();
  }
  // One scene pass as render runs it, for a square window.
  void renderScene() {
    calls.clear();
    lightsSeen.clear();
    shadowLights.clear();
    shadowItemCounts.clear();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.01, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    OpenGLRenderer::renderScene(scene);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
};

TEST_F(FrameTest, PassesCullingLightsShadowsBlendingMaterialsAndFog) {
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
  // The camera at (1, 0, 3) looks down -z and the root is moved there: the
  // items lie in eye space as placed (without the camera, behind the eye).
  scene.camera = makeShared<Camera>();
  scene.camera->position[0] = scene.camera->view[0] = 1.0f;
  scene.camera->position[2] = 3.0f;
  scene.root = at(1, 0, 3, group(nodes));
  renderHooks.castShadows = &recordShadows;
  scene.blend = scene.castShadows = true;
  renderScene();
  // Opaque nearest first, shadows per light unlit, translucent farthest
  // first and blended. Enabled lights bound in order, positions in eye space.
  std::string shadowCalls;
  for (GLint i = 0; i < maxLights; ++i) shadowCalls += "s ";
  EXPECT_EQ(calls, "o2L* o3L o4L o8L " + shadowCalls + "t8LB t4LB t3LB t2LB*");
  EXPECT_EQ(lightsSeen, (std::vector<float>{1, 1, 1, 0.5f, 1, 1, 1, 1, 0.75f, 1, 0, 0, 1, 1}));
  ASSERT_EQ(shadowLights.size(), static_cast<std::size_t>(maxLights));
  EXPECT_EQ(std::pair(shadowLights[0], shadowLights[1]), std::pair(first.get(), second.get()));
  EXPECT_EQ(shadowItemCounts, std::vector<std::size_t>(maxLights, 7));
  // Afterwards lights and blending are off and the camera matrix is loaded
  // (the per-frame lists are empty: the next frame draws each item once).
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_BLEND));
  for (GLint i = 0; i < maxLights; ++i) EXPECT_FALSE(glIsEnabled(GL_LIGHT0 + i));
  float after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  EXPECT_EQ(std::pair(after[12], after[14]), std::pair(-1.0f, -3.0f));
  // Neither blending nor shadows unless asked for, nor without a shadow pass
  // connected.
  scene.blend = scene.castShadows = false;
  renderScene();
  EXPECT_EQ(calls, "o2L* o3L o4L o8L t8L t4L t3L t2L*");
  renderHooks.castShadows = nullptr;
  scene.castShadows = true;
  renderScene();
  EXPECT_EQ(calls, "o2L* o3L o4L o8L t8L t4L t3L t2L*");
  for (int stage : {5, 1, 4, 6, 7, 0}) {  // fog only in the game stage
    OpenGLRenderer::setFog(stage);
    EXPECT_EQ(glIsEnabled(GL_FOG), stage == 5) << "stage " << stage;
  }
}

TEST_F(FrameTest, NonFiniteDepthsNeitherBreakTheSortNorGetDrawn) {
  // A rotation about a zero axis gives NaN matrices and depths, here among
  // enough items to take the sort past its small-range path. Only the finite
  // ones are drawn, nearest first.
  std::vector<SceneNodePtr> children;
  for (int i = 0; i < 60; ++i) {
    SceneNodePtr placed = at(0, 0, -2.0f - 0.1f * static_cast<float>((i * 37) % 60), item(i));
    children.push_back(i % 3 ? placed : group({makeShared<RotateNode>(30.0f, 0.0f, 0.0f, 0.0f), placed}));
  }
  std::string expected;
  for (int rank = 0; rank < 60; ++rank) {
    const int i = rank * 13 % 60;  // (i * 37) % 60 == rank
    if (i % 3) expected += (expected.empty() ? "o" : " o") + std::to_string(i) + "L";
  }
  scene.root = group(children);
  renderScene();
  EXPECT_EQ(calls.substr(0, expected.size()), expected);
  EXPECT_EQ(calls.find('o', expected.size()), std::string::npos);
}

// A frame that finds the items where they were under the same projection
// reuses the last frame's culling and order; a moved item or a new
// projection is culled and sorted again.
TEST_F(FrameTest, CullingAndOrderFollowMovesAndProjections) {
  auto near = makeShared<TranslateNode>(0.0f, 0.0f, -3.0f), far = makeShared<TranslateNode>(40.0f, 0.0f, -3.0f);
  scene.root = group({group({near, item(1)}), group({far, item(2)})});
  auto frame = [](double fieldOfView) {
    calls.clear();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, 1.0, 0.01, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    OpenGLRenderer::renderScene(scene);
    return calls;
  };
  // Far off to the side, item 2 is culled; moved to x 1.5 its cube reaches
  // into the 45 degree frustum, and it is farther than item 1.
  EXPECT_EQ(frame(45), "o1L t1L");
  far->x = 1.5f;
  EXPECT_EQ(frame(45), "o1L o2L t2L t1L");
  EXPECT_EQ(frame(45), "o1L o2L t2L t1L");
  // A 5 degree frustum leaves it out, the 45 degree one takes it back.
  EXPECT_EQ(frame(5), "o1L t1L");
  EXPECT_EQ(frame(45), "o1L o2L t2L t1L");
  // Item 1 moved behind item 2: the order follows.
  near->z = -6.0f;
  EXPECT_EQ(frame(45), "o2L o1L t1L t2L");
  EXPECT_EQ(frame(45), "o2L o1L t1L t2L");
}

// The frame's counters with real cube models (12 triangles each) and the
// stencil shadow volumes: every queued item is either drawn or culled, the
// triangles are those of the drawn cubes, and each light's pass draws one
// volume per casting item of the queue, culled ones too (their shadows may
// fall in view).
TEST_F(FrameTest, StatisticsCountItemsTrianglesLightsAndShadowVolumes) {
  kelvo::test::TempDir dir;
  const SmartPointer<IModel> cube = kelvo::test::parseModel(kelvo::test::kCubeObj, dir.file("cube.obj"));
  ASSERT_EQ(cube->triangleCount(), 12u);
  auto cubeAt = [&](float x, float z, bool casts) {
    return at(x, 0, z, makeShared<GeometryNode>(cube, true, casts));
  };
  shadowPass = makeShared<VolumeShadows>();
  connectShadows();
  SmartPointer<LightNode> off = makeShared<LightNode>();
  off->enabled = false;
  struct Case {
    std::vector<std::pair<float, float>> inView, outOfView;  // x, z of the cubes
    bool lastCastsNoShadow;
    int lights;
  };
  for (const Case& c : {Case{{{0, -3}, {1, -5}, {-1, -6}, {0, -9}}, {{40, -3}, {0, 5}, {0, -150}}, true, 2},
                        Case{{{0, -3}}, {}, false, 1}, Case{{}, {{0, 4}, {-30, -2}}, false, 1},
                        Case{{}, {}, false, 0}}) {
    std::vector<SceneNodePtr> nodes{off};
    for (int i = 0; i < c.lights; ++i) nodes.push_back(at(0, 2, -1, makeShared<LightNode>()));
    std::size_t casting = 0;
    for (auto [x, z] : c.inView) nodes.push_back(cubeAt(x, z, true)), ++casting;
    for (auto [x, z] : c.outOfView) nodes.push_back(cubeAt(x, z, true)), ++casting;
    if (c.lastCastsNoShadow) nodes.back() = cubeAt(c.outOfView.back().first, c.outOfView.back().second, false), --casting;
    scene.root = group(nodes);
    scene.castShadows = true;
    renderStats = RenderStats{};
    renderScene();
    const std::size_t queued = c.inView.size() + c.outOfView.size();
    EXPECT_EQ(renderStats.itemsQueued, queued);
    EXPECT_EQ(renderStats.itemsDrawn, c.inView.size());
    EXPECT_EQ(renderStats.itemsCulled, c.outOfView.size());
    EXPECT_EQ(renderStats.triangles, 12u * c.inView.size());
    EXPECT_EQ(renderStats.lights, static_cast<uint32_t>(c.lights));
    EXPECT_EQ(renderStats.shadowVolumes, casting * static_cast<std::size_t>(c.lights)) << queued << " items";
  }
  shadowPass = nullptr;
}

}  // namespace
