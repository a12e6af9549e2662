// SceneNode values: the methods of each node kind, the index rule, argument
// counts and conversions, and the refusals that keep the tree acyclic.

#include "support/ScriptFixture.h"

#include "model/ModelObj.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/TransformNodes.h"
#include "support/ModelFixtures.h"

namespace {

using objectstest::ObjectsTest;
using qor::GroupNode;

class SceneNodeTest : public ObjectsTest {};

TEST_F(SceneNodeTest, GroupGetAndRemoveFollowTheIndexRule) {
  // The wrapping itself is checked on GroupNode; here the methods reach it.
  run("a = Light(); b = Light(); c = Light(); g = Group(a, b, c); m1 = g.get(-1); g.remove(4); n = g.size();"
      "f = g.get(1); e = Group(); x = e.get(0); e.remove(-3); k = e.size();");
  EXPECT_EQ(node("m1"), node("c"));
  EXPECT_NE(global("m1")->get(), global("c")->get());  // a new value for the same node
  EXPECT_EQ(showGlobal("n"), "int 2");                  // 4 mod 3 = 1: b went
  EXPECT_EQ(node("f"), node("c"));
  EXPECT_EQ(node("b")->kind, qor::ISceneNode::kLight);  // and lives on while a value refers to it
  EXPECT_EQ(showGlobal("x"), "null");
  EXPECT_EQ(showGlobal("k"), "int 0");
}

TEST_F(SceneNodeTest, GroupAddSharesAndRefusesCycles) {
  run("l = Light(); g = Group(); r = g.add(l); g.add(l); n = g.size();");
  EXPECT_EQ(showGlobal("r"), "null");
  EXPECT_EQ(showGlobal("n"), "int 2");
  auto* g = nodeAs<GroupNode>("g");
  EXPECT_EQ(g->children()[0].get(), g->children()[1].get());

  // The group itself, a group holding it, or one further up: all refused.
  run("inner = Group(); outer = Group(inner); top = Group(outer);"
      "inner.add(inner); inner.add(outer); inner.add(top); outer.add(top);"
      "ni = inner.size(); no = outer.size();");
  EXPECT_EQ(showGlobal("ni"), "int 0");
  EXPECT_EQ(showGlobal("no"), "int 1");
  // A sibling subtree is fine, also when it is shared.
  run("side = Group(Light()); inner.add(side); outer.add(side); ni = inner.size(); no = outer.size();");
  EXPECT_EQ(showGlobal("ni"), "int 1");
  EXPECT_EQ(showGlobal("no"), "int 2");
  // clone of the result ends: the tree stayed acyclic.
  run("copy = clone(top); nc = copy.size();");
  EXPECT_EQ(showGlobal("nc"), "int 1");
}

TEST_F(SceneNodeTest, GroupArgumentsThatDoNotConvert) {
  run("g = Group(Light()); def t() { } tm = Timer(10, -1, t(), t());"
      "g.add(tm); g.add(3); g.add(getMaterial(\"x\")); g.add(u); g.add(Light(), Light());"
      "n = g.size(); s = g.size(1); a = g.get(); z = g.getAngle(); w = g.nothing();");
  EXPECT_EQ(showGlobal("n"), "int 1");
  EXPECT_EQ(showGlobal("s"), "null");
  EXPECT_EQ(showGlobal("a"), "null");
  EXPECT_EQ(showGlobal("z"), "null");
  EXPECT_EQ(showGlobal("w"), "null");
  // Method names are case-sensitive.
  run("q = g.Size();");
  EXPECT_EQ(showGlobal("q"), "null");
}

TEST_F(SceneNodeTest, TranslateAndScale) {
  run("t = translate(1, 2, 3); x = t.getX(); y = t.getY(); z = t.getZ();"
      "r = t.setX(5); t.setY(\"2.5\"); t.setZ(7); t.setX(9, 9); t.setX((1, 2)); t.setX(); t.setAngle(4);"
      "a = t.getAngle();");
  EXPECT_EQ(showGlobal("x"), "float 1.0000");
  EXPECT_EQ(showGlobal("y"), "float 2.0000");
  EXPECT_EQ(showGlobal("z"), "float 3.0000");
  EXPECT_EQ(showGlobal("r"), "null");
  EXPECT_EQ(showGlobal("a"), "null");
  auto* t = nodeAs<qor::TranslateNode>("t");
  EXPECT_FLOAT_EQ(t->x, 5.0f);
  EXPECT_FLOAT_EQ(t->y, 2.5f);
  EXPECT_FLOAT_EQ(t->z, 7.0f);

  run("s = scale(2, 3, 4); s.setZ(0.5); sz = s.getZ(); sx = s.getX();");
  EXPECT_EQ(showGlobal("sz"), "float 0.5000");
  EXPECT_EQ(showGlobal("sx"), "float 2.0000");
  EXPECT_EQ(node("s")->kind, qor::ISceneNode::kScale);
}

TEST_F(SceneNodeTest, Rotate) {
  run("r = rotate(90, 0, 0, 2); a = r.getAngle(); z = r.getZ(); r.setAngle(45); r.setX(1); r.setAngle(1, 2);");
  EXPECT_EQ(showGlobal("a"), "float 90.0000");
  EXPECT_EQ(showGlobal("z"), "float 2.0000");
  auto* r = nodeAs<qor::RotateNode>("r");
  EXPECT_FLOAT_EQ(r->angle, 45.0f);
  EXPECT_FLOAT_EQ(r->x, 1.0f);
  EXPECT_FLOAT_EQ(r->y, 0.0f);
}

TEST_F(SceneNodeTest, LightColourSetters) {
  run("l = Light(); d = l.setDiffuseX(1); g = l.getDiffuseX(); a = l.setAmbientZ(0.5); s = l.setSpecularY(-2);"
      "n = l.setDiffuseY(1, 2); m = l.setDiffuseY(Light()); q = l.getAmbientX(1); p = l.getX(); e = l.enabled();");
  EXPECT_EQ(showGlobal("d"), "float 1.0000");
  EXPECT_EQ(showGlobal("g"), "float 1.0000");
  EXPECT_EQ(showGlobal("a"), "float 0.5000");
  EXPECT_EQ(showGlobal("s"), "float -2.0000");
  for (const char* name : {"n", "m", "q", "p", "e"}) EXPECT_EQ(showGlobal(name), "null") << name;
  auto* l = nodeAs<qor::LightNode>("l");
  const float ambient[4] = {0.0f, 0.0f, 0.5f, 1.0f};
  const float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const float specular[4] = {1.0f, -2.0f, 1.0f, 1.0f};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(l->ambient[i], ambient[i]);
    EXPECT_FLOAT_EQ(l->diffuse[i], diffuse[i]);
    EXPECT_FLOAT_EQ(l->specular[i], specular[i]);
  }
  run("l.setDiffuseX(0.25); l.setDiffuseZ(0); r = l.getDiffuseZ();");
  EXPECT_EQ(showGlobal("r"), "float 0.0000");
  EXPECT_FLOAT_EQ(l->diffuse[0], 0.25f);
  EXPECT_FLOAT_EQ(l->diffuse[1], 1.0f);
}

TEST_F(SceneNodeTest, GeometryFlags) {
  run("m = Model(\"thing.txt\"); v = m.isEnable(); m.draw(false); w = m.isEnable(); m.castShadow(0);"
      "r = m.draw(true, 1); x = m.isEnable(1); m.draw(Light());");
  auto* g = nodeAs<qor::GeometryNode>("m");
  ASSERT_TRUE(g);
  EXPECT_FALSE(g->model);
  EXPECT_EQ(showGlobal("v"), "bool true");
  EXPECT_EQ(showGlobal("w"), "bool false");
  EXPECT_EQ(showGlobal("r"), "null");
  EXPECT_EQ(showGlobal("x"), "null");
  EXPECT_FALSE(g->visible);
  EXPECT_FALSE(g->castShadow);
}

class GeometryMaterialTest : public ObjectsTest {
protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    model = kelvo::test::parseModel(kelvo::test::kCubeObj);
    ASSERT_EQ(model->groups.size(), 1u);
    own = model->groups[0].materials[0];
    ASSERT_TRUE(own);
    geometry = qor::makeShared<qor::GeometryNode>(model, true, true);
    run("");
    setGlobal("m", qor::makeSceneNode(geometry));
  }
  qor::SmartPointer<qor::ModelObj> model;
  qor::SmartPointer<qor::Material> own;
  qor::SmartPointer<qor::GeometryNode> geometry;
};

TEST_F(GeometryMaterialTest, OwnOverrideAndDefaultAgain) {
  run("a = m.getMaterial(); over = clone(getMaterial(\"x\")); r = m.setMaterial(over); b = m.getMaterial();"
      "m.setDefaultMaterial(); c = m.getMaterial();");
  EXPECT_EQ(material("a"), own.get());
  EXPECT_EQ(showGlobal("r"), "null");
  EXPECT_EQ(material("b"), material("over"));
  // Back to the model's own material; the override stays stored.
  EXPECT_EQ(material("c"), own.get());
  EXPECT_TRUE(geometry->useDefaultMaterial);
  EXPECT_EQ(geometry->material.get(), material("over"));

  // The override is shared, not copied: a change through the value shows.
  run("m.setMaterial(over); over.setDiffuseY(0.125);");
  EXPECT_FALSE(geometry->useDefaultMaterial);
  EXPECT_FLOAT_EQ(geometry->material->diffuse[1], 0.125f);
  // The model's own material is shared by every node of that model.
  run("c.setAlpha(0.5);");
  EXPECT_FLOAT_EQ(own->alpha, 0.5f);
}

TEST_F(GeometryMaterialTest, SetMaterialNeedsAMaterial) {
  run("m.setMaterial(3); m.setMaterial(Light()); m.setMaterial(); m.setMaterial(u); g = m.getMaterial(1);");
  EXPECT_TRUE(geometry->useDefaultMaterial);
  EXPECT_FALSE(geometry->material);
  EXPECT_EQ(showGlobal("g"), "null");
}

TEST_F(GeometryMaterialTest, ModelWithoutGroupsHasNoMaterial) {
  model->groups.clear();
  run("a = m.getMaterial(); n = Model(\"none.txt\"); b = n.getMaterial();");
  EXPECT_EQ(showGlobal("a"), "null");
  EXPECT_EQ(showGlobal("b"), "null");
}

TEST_F(GeometryMaterialTest, CloneCopiesTheOverride) {
  run("over = clone(getMaterial(\"x\")); m.setMaterial(over); k = clone(m); k.getMaterial().setDiffuseX(0.5);");
  auto* copy = nodeAs<qor::GeometryNode>("k");
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, geometry.get());
  EXPECT_EQ(copy->model.get(), model.get());
  EXPECT_NE(copy->material.get(), geometry->material.get());
  EXPECT_FLOAT_EQ(copy->material->diffuse[0], 0.5f);
  EXPECT_FLOAT_EQ(geometry->material->diffuse[0], 0.8f);
}

}  // namespace
