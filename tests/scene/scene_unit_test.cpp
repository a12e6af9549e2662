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
#include <functional>
#include <limits>

namespace {

using qor::Camera;
using qor::FrustumCulling;
using qor::GroupNode;
using qor::SceneNodePtr;
using qor::SmartPointer;
using qor::TranslateNode;

void expectVec(const float* v, const std::array<float, 3>& e) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(v[i], e[i], 1e-5f) << "component " << i;
}

TEST(CameraTest, MovesAndTurns) {
  // Every case starts from the eye at (0, 0, 2) looking at `view`.
  const float s = std::sqrt(0.5f);
  struct Case {
    const char* name;
    std::array<float, 3> view;
    std::function<void(Camera&)> act;
    std::array<float, 3> position, target, strafe;
  };
  const Case cases[] = {
      {"forward", {0, 0, 0}, [](Camera& c) { c.step = 1, c.moveAlongView(1); }, {0, 0, 1}, {0, 0, -1}, {}},
      // The direction (3, 4, 0) is normalised before the step is taken.
      {"back along a tilt", {3, 4, 2}, [](Camera& c) { c.step = 0.25f, c.moveAlongView(-1); },
       {-0.15f, -0.2f, 2}, {2.85f, 3.8f, 2}, {}},
      // direction x up is not normalised again: 45 degrees up gives sin 45.
      {"strafe", {0, 2, 0}, [](Camera& c) { c.step = 1, c.strafeSideways(1); }, {s, 0, 2}, {s, 2, 0}, {s, 0, 0}},
      {"turn left", {0, 0, 0}, [](Camera& c) { c.turnAroundUp(90); }, {0, 0, 2}, {-2, 0, 2}, {}},
      {"look up", {0, 0, 0}, [](Camera& c) { c.turnAroundSide(90); }, {0, 0, 2}, {0, 2, 2}, {}},
      // Looking along `up` the sideways vector is zero: a strafe moves nothing.
      {"strafe looking up", {0, 2, 2}, [](Camera& c) { c.step = 1, c.strafeSideways(-1); }, {0, 0, 2}, {0, 2, 2}, {}},
      // Right-hand rule; the axis need not be of unit length.
      {"rotate about x", {0, 0, 0}, [](Camera& c) { c.rotateView(90, 10, 0, 0); }, {0, 0, 2}, {0, 2, 2}, {}},
      {"rotate about y", {0, 0, 0}, [](Camera& c) { c.rotateView(-90, 0, 1, 0); }, {0, 0, 2}, {2, 0, 2}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Camera cam;
    std::copy(c.view.begin(), c.view.end(), cam.view);
    c.act(cam);
    expectVec(cam.position, c.position);
    expectVec(cam.view, c.target);
    expectVec(cam.strafe, c.strafe);
    expectVec(cam.up, {0, 1, 0});
  }
  // About an oblique axis the eye distance is kept.
  Camera cam;
  cam.rotateView(33, 1, 2, 3);
  EXPECT_NEAR(std::hypot(cam.view[0], cam.view[1], cam.view[2] - 2), 2.0f, 1e-5f);
}

// Column-major matrices, as GL stores them.
using Mat = std::array<float, 16>;

Mat translate(float x, float y, float z) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }

// glOrtho(l, r, b, t, n, f).
Mat ortho(float l, float r, float b, float t, float n, float f) {
  return {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
          -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1};
}

// gluPerspective(fovy, aspect, near, far).
Mat perspective(float fovy, float aspect, float n, float f) {
  const float cot = 1.0f / std::tan(fovy * 3.14159265f / 360.0f);
  return {cot / aspect, 0, 0, 0, 0, cot, 0, 0, 0, 0, -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0};
}

FrustumCulling frustum(const Mat& projection, const Mat& modelView) {
  FrustumCulling cull;
  cull.CalculateFrustum(projection.data(), modelView.data());
  return cull;
}

TEST(FrustumTest, PointsCubesAndSpheres) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const FrustumCulling unit = frustum(ortho(-1, 1, -1, 1, -1, 1), translate(0, 0, 0));
  // Projection x model-view, not the other way round: local -1 maps to 1.
  const FrustumCulling product = frustum(ortho(-2, 2, -2, 2, -2, 2), translate(3, 0, 0));
  // The eye at +2 looking down -z.
  const FrustumCulling persp = frustum(perspective(45, 4.0f / 3, 0.01f, 100), translate(0, 0, -2));
  // Row 0 of the product is zero: the right and left planes are not numbers,
  // so every comparison with them is false.
  Mat flat = translate(0, 0, 0);
  flat[0] = 0;
  const FrustumCulling broken = frustum(flat, translate(0, 0, 0));

  struct Case {
    const FrustumCulling& cull;
    char shape;  // point, cube (half size r) or sphere (radius r)
    float x, y, z, r;
    bool inside;
  };
  const Case cases[] = {
      // A point on a plane is inside; each face is tested on both sides.
      {unit, 'p', 0, 0, 0, 0, true}, {unit, 'p', 1, 0, 0, 0, true}, {unit, 'p', -1, 1, -1, 0, true},
      {unit, 'p', 1.0001f, 0, 0, 0, false}, {unit, 'p', -1.0001f, 0, 0, 0, false},
      {unit, 'p', 0, 1.0001f, 0, 0, false}, {unit, 'p', 0, -1.0001f, 0, 0, false},
      {unit, 'p', 0, 0, 1.0001f, 0, false}, {unit, 'p', 0, 0, -1.0001f, 0, false},
      // A touching cube is culled, a touching sphere is not.
      {unit, 'c', 1.5f, 0, 0, 0.5f, false}, {unit, 's', 1.5f, 0, 0, 0.5f, true},
      {unit, 's', 1.5001f, 0, 0, 0.5f, false}, {unit, 'c', 1.49f, 0, 0, 0.5f, true},
      {unit, 'c', 0, 0, 0, 0.5f, true}, {unit, 'c', 0, 0, 0, 10, true},  // larger than the box
      {unit, 'c', 0, -3, 0, 0.5f, false}, {unit, 'c', 0, 0, 3, 0.5f, false},
      {product, 'p', -1, 0, 0, 0, true}, {product, 'p', -5, 0, 0, 0, true}, {product, 'p', 0, 0, 0, 0, false},
      // Plane distances are in world units even where the matrix scales.
      {product, 's', 0, 0, 0, 1, true}, {product, 's', 0, 0, 0, 0.9f, false},
      {persp, 'c', 0, 0, 0, 0.5f, true}, {persp, 'c', 0, 0, 5, 0.5f, false},  // behind the eye
      {persp, 'c', 0, 0, -200, 0.5f, false}, {persp, 'c', 10, 0, 0, 0.5f, false},
      {persp, 's', 0, 0, -50, 1, true}, {persp, 'p', 0, 0, 1.995f, 0, false},  // closer than near
      // Non-finite planes pass points and spheres but reject cubes; a NaN
      // point does the same against finite planes.
      {broken, 'p', 1000, 0, 0, 0, true}, {broken, 's', 0, 0, 0, 0.5f, true},
      {broken, 'c', 0, 0, 0, 0.5f, false}, {broken, 'p', 0, 2, 0, 0, false},
      {unit, 'p', nan, 0, 0, 0, true}, {unit, 'c', nan, 0, 0, 0.5f, false},
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
      {"sceneCastShadows\nsceneBlend\nend\n", 0, 3},
      {"sceneDontBlend\nsceneDontCastShadows\nend\n", 3, 0},
      {"sceneBlend\nsceneDontBlend\nend\n", 0, 0},  // a later line overrides an earlier one
      {"sceneBlend\nend\nsceneCastShadows\n", 0, 1},  // nothing after "end" is read
      // Only the exact first word counts; leading blanks and tabs do not hide it.
      {"sceneBlend sceneCastShadows trailing words\nend\n", 0, 1},
      {"sceneblend\nSCENECASTSHADOWS\nsceneBlendX\n  unknown sceneBlend\nend\n", 0, 0},
      {"\n   \n   \t sceneCastShadows\n\n\t\nend\n", 0, 2},
      // Without "end" the file is read to its end; an empty file keeps the flags.
      {"sceneBlend\nsceneCastShadows", 0, 3},
      {"", 3, 3},
      {"sceneBlend\r\nsceneCastShadows\r\nend\r\nsceneDontBlend\r\n", 0, 3},  // CR LF reads like LF
      // Words past the 99th character belong to the same line and are never
      // read as a line of their own.
      {"sceneBlend" + pad + "sceneCastShadows\nend\n", 0, 1},
      {pad + "sceneBlend\nsceneCastShadows\nend\n", 0, 2},
      {std::string(5000, 'x') + "\nsceneBlend\n" + std::string(300, 'e') + "end\nsceneCastShadows", 0, 3},
      {"sceneBlend\n" + std::string(250, 'z'), 0, 1},  // without a newline at the end
      // A NUL byte ends the line's text but not the line: the next line counts.
      {std::string(withNul, sizeof withNul - 1), 0, 2},
  };
  for (const Case& c : cases) {
    qor::Scene s;
    s.blend = c.before & 1;
    s.castShadows = c.before & 2;
    qor::loadSceneSettings(s, dir.write("settings.txt", c.text));
    EXPECT_EQ(s.blend + 2 * s.castShadows, c.after) << c.text.substr(0, 60);
  }
  qor::Scene s;  // a missing file keeps the flags
  s.blend = true;
  qor::loadSceneSettings(s, dir.file("missing.txt"));
  EXPECT_TRUE(s.blend);
}

SceneNodePtr translate(float x) { return SceneNodePtr(new TranslateNode(x, 0, 0)); }

float xOf(const SceneNodePtr& node) { return static_cast<TranslateNode*>(node.get())->x; }

SmartPointer<GroupNode> groupOf(std::vector<SceneNodePtr> children) {
  return SmartPointer<GroupNode>(new GroupNode(std::move(children)));
}

TEST(GroupNodeTest, GetAndRemoveWrapTheIndex) {
  auto g = groupOf({translate(0), translate(1), translate(2)});
  const std::pair<int32_t, float> gets[] = {{-1, 2}, {3, 0}, {-4, 2}, {-3, 0}, {7, 1}, {INT_MIN, 1}, {INT_MAX, 1}};
  for (auto [index, x] : gets) EXPECT_EQ(xOf(g->get(index)), x) << index;

  // Removing moves later children up.
  EXPECT_TRUE(g->remove(-3));  // the first child
  EXPECT_TRUE(g->remove(5));   // 5 mod 2 = 1
  ASSERT_EQ(g->childCount(), 1u);
  EXPECT_EQ(xOf(g->get(0)), 1);

  auto empty = groupOf({});
  EXPECT_EQ(empty->get(-1), nullptr);
  EXPECT_FALSE(empty->remove(0));
  // Null children are left out of a new group and refused by add.
  auto h = groupOf({nullptr, translate(1), nullptr});
  EXPECT_FALSE(h->add(nullptr));
  EXPECT_EQ(h->childCount(), 1u);
}

TEST(GroupNodeTest, SharingIsAllowedButCyclesAreRefused) {
  SceneNodePtr t = translate(1);
  auto root = groupOf({});
  auto mid = groupOf({});
  auto leaf = groupOf({t});
  EXPECT_TRUE(root->add(mid));
  EXPECT_TRUE(mid->add(leaf));
  EXPECT_TRUE(root->add(t));  // the same node twice, in two groups
  EXPECT_TRUE(root->add(t));
  EXPECT_EQ(t->refCount(), 4);
  EXPECT_TRUE(root->add(leaf));  // a descendant again is only sharing

  EXPECT_FALSE(root->add(root));  // itself
  EXPECT_FALSE(leaf->add(root));  // an ancestor
  EXPECT_FALSE(leaf->add(mid));   // its parent
  // A new group that holds an ancestor somewhere below.
  EXPECT_FALSE(leaf->add(groupOf({translate(0), groupOf({groupOf({mid})})})));
  EXPECT_EQ(leaf->childCount(), 1u);
  EXPECT_FALSE(leaf->subtreeContains(root.get()));

  // 40 levels each holding the level below twice: 2^40 paths, but the
  // search visits each group once and ends.
  SmartPointer<GroupNode> level = leaf;
  for (int i = 0; i < 40; ++i) level = groupOf({level, level});
  EXPECT_FALSE(leaf->add(level));
  EXPECT_TRUE(level->subtreeContains(t.get()));
  EXPECT_FALSE(level->subtreeContains(root.get()));
}

}  // namespace
