// Scene parts that need no GL: the look-at camera, frustum culling, the
// scene settings file, group editing with its wrapping index and cycle guard.

#include "scene/Camera.h"
#include "scene/FrustumCulling.h"
#include "scene/GroupNode.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

using qor::Camera;
using qor::SceneNodePtr;

TEST(CameraTest, MovesAlongUnitDirections) {
  // Every case starts from the eye at (0, 0, 2) looking at `view`. (The
  // ordinary moves and turns: the scene_objects transcript.)
  struct Case {
    std::array<float, 3> view;
    void (Camera::*act)(float);
    float arg;
    std::array<float, 3> position, target;
  };
  const Case cases[] = {
      // Back by 0.25 along (3, 4, 0), normalised before the step is taken.
      {{3, 4, 2}, &Camera::moveAlongView, -1, {-0.15f, -0.2f, 2}, {2.85f, 3.8f, 2}},
      // Looking along `up` the sideways vector is zero: a strafe moves nothing.
      {{0, 2, 2}, &Camera::strafeSideways, -4, {0, 0, 2}, {0, 2, 2}},
  };
  for (const Case& c : cases) {
    Camera cam;
    std::copy(c.view.begin(), c.view.end(), cam.view);
    cam.step = 0.25f;
    (cam.*c.act)(c.arg);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(cam.position[i], c.position[i], 1e-5f) << &c - cases << ", component " << i;
      EXPECT_NEAR(cam.view[i], c.target[i], 1e-5f) << &c - cases << ", component " << i;
    }
  }
}

TEST(FrustumTest, PointsCubesAndSpheres) {
  // Column-major projection and model-view matrices: scale, then move x.
  auto frustum = [](std::array<float, 3> p, float moveX) {
    const float a[16] = {p[0], 0, 0, 0, 0, p[1], 0, 0, 0, 0, p[2], 0, 0, 0, 0, 1};
    const float b[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, moveX, 0, 0, 1};
    qor::FrustumCulling cull;
    cull.CalculateFrustum(a, b);
    return cull;
  };
  const auto unit = frustum({1, 1, 1}, 0);  // the box from -1 to 1
  // Projection x model-view, not the other way round: local -1 maps to 1.
  const auto product = frustum({0.5f, 0.5f, 0.5f}, 3);
  // Row 0 of the product is zero: the right and left planes are not numbers,
  // so every comparison with them is false.
  const auto broken = frustum({0, 1, 1}, 0);
  EXPECT_TRUE(std::isnan(broken.plane(qor::FrustumCulling::kRight)[0]));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const qor::FrustumCulling& cull;
    char shape;  // point, cube (half size r) or sphere (radius r)
    float x, y, z, r;
    bool inside;
  };
  const Case cases[] = {
      // A point on a plane is inside; each face is tested on both sides.
      {unit, 'p', 1, 0, 0, 0, true}, {unit, 'p', -1, 1, -1, 0, true}, {unit, 'p', 1.0001f, 0, 0, 0, false},
      {unit, 'p', -1.0001f, 0, 0, 0, false}, {unit, 'p', 0, 1.0001f, 0, 0, false},
      {unit, 'p', 0, -1.0001f, 0, 0, false}, {unit, 'p', 0, 0, 1.0001f, 0, false},
      {unit, 'p', 0, 0, -1.0001f, 0, false},
      // A touching cube is culled, a touching sphere is not; a cube larger
      // than the box still has corners on the inner side.
      {unit, 'c', 1.5f, 0, 0, 0.5f, false}, {unit, 's', 1.5f, 0, 0, 0.5f, true}, {unit, 'c', 0, 0, 0, 10, true},
      {unit, 's', 1.5001f, 0, 0, 0.5f, false},
      {product, 'p', -1, 0, 0, 0, true}, {product, 'p', -5, 0, 0, 0, true}, {product, 'p', 0, 0, 0, 0, false},
      // Plane distances are in world units even where the matrix scales.
      {product, 's', 0, 0, 0, 1, true}, {product, 's', 0, 0, 0, 0.9f, false},
      // Non-finite planes pass points and spheres but reject cubes; a NaN
      // point does the same against finite planes.
      {broken, 'p', 1000, 0, 0, 0, true}, {broken, 's', 0, 0, 0, 0.5f, true}, {broken, 'c', 0, 0, 0, 0.5f, false},
      {broken, 'p', 0, 2, 0, 0, false}, {unit, 'p', nan, 0, 0, 0, true}, {unit, 'c', nan, 0, 0, 0.5f, false},
  };
  for (const Case& c : cases) {
    const bool in = c.shape == 'p'   ? c.cull.PointInFrustum(c.x, c.y, c.z)
                    : c.shape == 'c' ? c.cull.CubeInFrustum(c.x, c.y, c.z, c.r)
                                     : c.cull.SphereInFrustum(c.x, c.y, c.z, c.r);
    EXPECT_EQ(in, c.inside) << &c - cases << ": " << c.shape << " at " << c.x << "," << c.y << "," << c.z;
  }
}

TEST(SceneSettingsTest, KeywordLines) {
  kelvo::test::TempDir dir;
  const std::string pad(150, ' ');
  const char withNul[] = "junk\0sceneBlend x\nsceneCastShadows\nend\n";
  // Flags: 1 blend, 2 cast shadows; before reading and after.
  struct Case {
    std::string text;
    int before, after;
  };
  const Case cases[] = {
      // (First words only and the "end" line are also checked where the scene loads.)
      {"sceneCastShadows\nsceneBlend\nend\n", 0, 3}, {"sceneDontBlend\nsceneDontCastShadows\nend\n", 3, 0},
      {"sceneBlend\nsceneDontBlend\nend\n", 0, 0},  // a later line overrides an earlier one
      // Only the exact word counts; leading blanks and tabs do not hide it.
      {"sceneblend\nSCENECASTSHADOWS\nsceneBlendX\n  unknown sceneBlend\nend\n", 0, 0},
      {"\n   \n   \t sceneCastShadows\n\n\t\nend\n", 0, 2},
      // Without "end" the file is read to its end; a missing file (no text
      // here) keeps the flags.
      {"sceneBlend\nsceneCastShadows", 0, 3}, {"", 3, 3},
      {"sceneBlend\r\nsceneCastShadows\r\nend\r\nsceneDontBlend\r\n", 0, 3},  // CR LF reads like LF
      // Words past the 99th character belong to the same line and are never
      // read as a line of their own.
      {"sceneBlend" + pad + "sceneCastShadows\nend\n", 0, 1}, {pad + "sceneBlend\nsceneCastShadows\nend\n", 0, 2},
      {std::string(5000, 'x') + "\nsceneBlend\n" + std::string(300, 'e') + "end\nsceneCastShadows", 0, 3},
      // A NUL byte ends the line's text but not the line: the next line counts.
      {std::string(withNul, sizeof withNul - 1), 0, 2},
  };
  for (const Case& c : cases) {
    qor::Scene s;
    s.blend = c.before & 1;
    s.castShadows = c.before & 2;
    qor::loadSceneSettings(s, c.text.empty() ? dir.file("missing.txt") : dir.write("settings.txt", c.text));
    EXPECT_EQ(s.blend + 2 * s.castShadows, c.after) << c.text.substr(0, 60);
  }
}

SceneNodePtr translate(float x) { return SceneNodePtr(new qor::TranslateNode(x, 0, 0)); }
float xOf(const SceneNodePtr& node) { return static_cast<qor::TranslateNode*>(node.get())->x; }
qor::SmartPointer<qor::GroupNode> groupOf(std::vector<SceneNodePtr> children) {
  return qor::SmartPointer<qor::GroupNode>(new qor::GroupNode(std::move(children)));
}

TEST(GroupNodeTest, ExtremeIndicesWrapAndCyclesAreRefused) {
  // (The index rule and the plain cycles are checked through the script group.)
  auto g = groupOf({translate(0), translate(1), translate(2)});
  EXPECT_EQ(xOf(g->get(INT_MIN)), 1);
  EXPECT_EQ(xOf(g->get(INT_MAX)), 1);
  EXPECT_TRUE(g->remove(INT_MIN));
  EXPECT_EQ(xOf(g->get(1)), 2);
  // Null children are left out and refused.
  EXPECT_EQ(groupOf({nullptr, translate(1), nullptr})->childCount(), 1u);
  EXPECT_FALSE(g->add(nullptr));
  EXPECT_TRUE(g->get(0)->isTransform() && !g->isTransform());
  // A new group that holds an ancestor somewhere below is refused.
  SceneNodePtr t = translate(1);
  auto root = groupOf({}), leaf = groupOf({t});
  EXPECT_TRUE(root->add(leaf));
  EXPECT_FALSE(leaf->add(groupOf({translate(0), groupOf({groupOf({root})})})));
  // 40 levels each holding the level below twice: 2^40 paths, but the
  // search visits each group once and ends.
  auto level = leaf;
  for (int i = 0; i < 40; ++i) level = groupOf({level, level});
  EXPECT_FALSE(leaf->add(level));
  EXPECT_TRUE(level->subtreeContains(t.get()));
  EXPECT_FALSE(level->subtreeContains(root.get()));
}

}  // namespace
