// The scene built-ins: argument counts and conversions, what each builds,
// file names resolved against the running script, and the hand-over of the
// script's "scene" to the global Scene.

#include "support/ScriptFixture.h"

#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/TransformNodes.h"
#include "support/TempDir.h"

namespace {

using objectstest::ObjectsTest;
using qor::ISceneNode;

class SceneBuiltinTest : public ObjectsTest {};

TEST_F(SceneBuiltinTest, Types) {
  EXPECT_EQ(eval("TYPE(Camera())"), "string Camera");
  EXPECT_EQ(eval("TYPE(Light())"), "string SceneNode");
  EXPECT_EQ(eval("TYPE(Group())"), "string SceneNode");
  EXPECT_EQ(eval("TYPE(getMaterial(\"x\"))"), "string Material");
  EXPECT_EQ(eval("TYPE(clone(Camera()))"), "null");
  // "Light" and "Camera" take no arguments.
  EXPECT_EQ(eval("Light(1)"), "null");
  EXPECT_EQ(eval("Camera(0)"), "null");
}

TEST_F(SceneBuiltinTest, TransformsConvertEveryArgument) {
  run("t = translate(1, \"2\", 3.5); s = scale(2, 2, 2); r = rotate(90, 0, 1, 0);");
  auto* t = nodeAs<qor::TranslateNode>("t");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->kind, ISceneNode::kTranslate);
  EXPECT_FLOAT_EQ(t->y, 2.0f);
  EXPECT_FLOAT_EQ(t->z, 3.5f);
  EXPECT_EQ(node("s")->kind, ISceneNode::kScale);
  auto* r = nodeAs<qor::RotateNode>("r");
  ASSERT_EQ(r->kind, ISceneNode::kRotate);
  EXPECT_FLOAT_EQ(r->angle, 90.0f);
  EXPECT_FLOAT_EQ(r->y, 1.0f);

  // Wrong counts, Lists, objects and undefined names build nothing.
  for (const char* call : {"translate(1, 2)", "translate(1, 2, 3, 4)", "scale()", "rotate(0, 0, 1)",
                           "rotate((1, 2), 0, 0, 1)", "rotate(90, Light(), 0, 1)", "translate(1, 2, u)",
                           "scale(1, 1, Camera())"}) {
    EXPECT_EQ(eval(call), "null") << call;
  }
}

TEST_F(SceneBuiltinTest, GroupTakesSceneNodesOnly) {
  run("a = Light(); t = translate(0, 0, 0); g = Group(a, t, a); e = Group();"
      "bad = Group(a, 3); bad2 = Group(a, getMaterial(\"x\")); bad3 = Group(Camera()); bad4 = Group(a, u);");
  auto* g = nodeAs<qor::GroupNode>("g");
  ASSERT_TRUE(g);
  ASSERT_EQ(g->childCount(), 3u);
  EXPECT_EQ(g->children()[0].get(), node("a"));
  EXPECT_EQ(g->children()[1].get(), node("t"));
  EXPECT_EQ(g->children()[2].get(), node("a"));
  EXPECT_EQ(nodeAs<qor::GroupNode>("e")->childCount(), 0u);
  for (const char* name : {"bad", "bad2", "bad3", "bad4"}) EXPECT_EQ(showGlobal(name), "null") << name;
}

TEST_F(SceneBuiltinTest, ModelOfANonObjNameHasNoModel) {
  run("m = Model(\"readme.txt\"); n = Model(3); x = Model(); y = Model(\"a.obj\", 1);");
  for (const char* name : {"m", "n"}) {
    auto* g = nodeAs<qor::GeometryNode>(name);
    ASSERT_TRUE(g) << name;
    EXPECT_EQ(g->kind, ISceneNode::kGeometry);
    EXPECT_FALSE(g->model);
    EXPECT_TRUE(g->visible);
    EXPECT_TRUE(g->castShadow);
    EXPECT_TRUE(g->useDefaultMaterial);
  }
  EXPECT_EQ(showGlobal("x"), "null");
  EXPECT_EQ(showGlobal("y"), "null");
  EXPECT_EQ(qor::modelManager.cachedCount(), 0u);
}

TEST_F(SceneBuiltinTest, GetMaterialFallsBackToTheDefault) {
  run("d = getMaterial(\"no such\"); n = getMaterial(); k = getMaterial(1, 2);");
  EXPECT_EQ(material("d"), qor::materialLibrary.GetMaterial(qor::kDefaultMaterialName).get());
  EXPECT_EQ(showGlobal("n"), "null");
  EXPECT_EQ(showGlobal("k"), "null");
  // Without even a default material there is nothing to hand out.
  qor::materialLibrary.clear();
  run("z = getMaterial(\"no such\");");
  EXPECT_EQ(showGlobal("z"), "null");
}

TEST_F(SceneBuiltinTest, CloneOfNodesAndMaterials) {
  run("l = Light(); l.setDiffuseX(0.5); g = Group(translate(1, 2, 3), l); c = clone(g);"
      "c.get(1).setDiffuseX(0.25); c.get(0).setX(9); n = c.size();"
      "m = getMaterial(\"x\"); mc = clone(m); mc.setShininess(99);"
      "i = clone(3); j = clone(); k = clone(g, g); v = clone(u); cam = clone(Camera());");
  EXPECT_EQ(showGlobal("n"), "int 2");
  auto* g = nodeAs<qor::GroupNode>("g");
  auto* c = nodeAs<qor::GroupNode>("c");
  ASSERT_TRUE(c);
  EXPECT_NE(c, g);
  EXPECT_NE(c->children()[1].get(), g->children()[1].get());
  EXPECT_FLOAT_EQ(static_cast<qor::LightNode*>(g->children()[1].get())->diffuse[0], 0.5f);
  EXPECT_FLOAT_EQ(static_cast<qor::LightNode*>(c->children()[1].get())->diffuse[0], 0.25f);
  EXPECT_FLOAT_EQ(static_cast<qor::TranslateNode*>(g->children()[0].get())->x, 1.0f);
  EXPECT_NE(material("mc"), material("m"));
  EXPECT_FLOAT_EQ(material("m")->shininess, 8.0f);
  EXPECT_FLOAT_EQ(material("mc")->shininess, 99.0f);
  for (const char* name : {"i", "j", "k", "v", "cam"}) EXPECT_EQ(showGlobal(name), "null") << name;
}

TEST_F(SceneBuiltinTest, CollisionDetectionNeedsTwoGeometryNodes) {
  run("a = Model(\"a.txt\"); b = Model(\"b.txt\"); l = Light();"
      "r = collisionDetection(a, b); n1 = collisionDetection(a, l); n2 = collisionDetection(Group(), b);"
      "n3 = collisionDetection(a); n4 = collisionDetection(a, b, a); n5 = collisionDetection(a, 1);"
      "n6 = collisionDetection(u, b);");
  EXPECT_EQ(showGlobal("r"), "bool false");  // geometry nodes without models never touch
  for (const char* name : {"n1", "n2", "n3", "n4", "n5", "n6"}) EXPECT_EQ(showGlobal(name), "null") << name;
}

// Whole scene files, loaded as the viewer loads its scene script.
class SceneFileTest : public ObjectsTest {
protected:
  bool runFile(const std::string& name, const std::string& text) {
    const std::string path = dir.write(name, text);
    qor::script::resetInterpreter();
    qor::SceneDriver driver;
    out.clear();
    return qor::script::runSceneScript(path, driver);
  }
  kelvo::test::TempDir dir;
};

TEST_F(SceneFileTest, SceneVariableBecomesTheRoot) {
  ASSERT_TRUE(runFile("Data/Scenes/initial.txt",
                      "light = Light(); t = translate(0, 0, -5); scene = Group(light, t, Model(\"cube.txt\"));"));
  ASSERT_TRUE(qor::scene.root);
  EXPECT_EQ(qor::scene.root.get(), node("scene"));
  EXPECT_EQ(qor::scene.root->kind, ISceneNode::kGroup);

  // A later script whose "scene" is not a SceneNode leaves no root.
  ASSERT_TRUE(runFile("other.txt", "scene = 3;"));
  EXPECT_FALSE(qor::scene.root);
  // The built-ins come back after every reset.
  ASSERT_TRUE(runFile("again.txt", "scene = Light();"));
  ASSERT_TRUE(qor::scene.root);
  EXPECT_EQ(qor::scene.root->kind, ISceneNode::kLight);
}

TEST_F(SceneFileTest, MaterialFilesResolveAgainstTheScript) {
  dir.write("Data/Materials/colours.mtl",
            "newmtl red\nKa 0.1 0 0\nKd 1 0 0\nKs 0 0 0\nNs 20\n"
            "newmtl glass\nKd 0 0 1\nd 0.5\n");
  ASSERT_TRUE(runFile("Data/Scenes/scene.txt",
                      "scene = Group(); r = Material(\"../Materials/colours.mtl\"); red = getMaterial(\"red\");"
                      "glass = getMaterial(\"glass\"); print(red.getDiffuseX(), \" \", glass.getAplha());"
                      "Material(\"missing.mtl\"); Material();"));
  EXPECT_EQ(showGlobal("r"), "null");
  ASSERT_TRUE(material("red"));
  EXPECT_EQ(material("red")->name, "red");
  EXPECT_FLOAT_EQ(material("red")->diffuse[0], 1.0f);
  EXPECT_FLOAT_EQ(material("glass")->alpha, 0.5f);
  EXPECT_EQ(out, "1.0000 0.5000\n");
}

TEST_F(SceneFileTest, KeyBoundCallsDriveObjects) {
  ASSERT_TRUE(runFile("keys.txt",
                      "spin = rotate(0, 0, 1, 0); cam = Camera(); cam.setActive();"
                      "def turn() { spin.setAngle(spin.getAngle() + 15); cam.moveFordward(0.5); }"
                      "setKeyFunc(\"A\", turn()); scene = Group(spin, Model(\"x.txt\"));"));
  unsigned char keys[256] = {};
  keys['A'] = 1;
  qor::script::dispatchKeyBindings(keys);
  qor::script::dispatchKeyBindings(keys);
  EXPECT_FLOAT_EQ(nodeAs<qor::RotateNode>("spin")->angle, 30.0f);
  ASSERT_TRUE(qor::scene.camera);
  EXPECT_FLOAT_EQ(qor::scene.camera->position[2], 1.0f);
}

}  // namespace
