// Scene objects on real models (loaded with a GL context): collision between
// two scripted cubes placed by the walk of the scene tree, and the materials
// a model brings along.

#include "support/ScriptFixture.h"

#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "support/GLContext.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"

#include <GL/gl.h>

namespace {

class ObjectsGLTest : public objectstest::ObjectsTest {
protected:
  void SetUp() override {
    ASSERT_TRUE(kelvo::test::ensureGLContext()) << "no GL context (is DISPLAY set?)";
    ObjectsTest::SetUp();
    // The cube with a material of its own ("usemtl" after the group line).
    std::string painted = kelvo::test::kCubeObj;
    painted.replace(painted.find("g cube\n"), 7, "mtllib cube.mtl\ng cube\nusemtl paint\n");
    dir.write("Data/Models/cube.obj", painted);
    dir.write("Data/Models/other.obj", kelvo::test::kCubeObj);
    dir.write("Data/Models/cube.mtl", "newmtl paint\nKd 0 1 0\n");
  }

  // Loads a scene script as the viewer does.
  void load(const std::string& text) {
    const std::string path = dir.write("Data/Scenes/initial.txt", text);
    qor::script::resetInterpreter();
    qor::SceneDriver driver;
    ASSERT_TRUE(qor::script::runSceneScript(path, driver));
  }

  // One walk of the scene tree, as the renderer makes it each frame.
  static void walk() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ASSERT_TRUE(qor::scene.root);
    qor::scene.root->traverse();
    qor::scene.clearFrameLists();
  }

  kelvo::test::TempDir dir;
};

TEST_F(ObjectsGLTest, CollisionFollowsTheWalk) {
  load("a = Model(\"../Models/cube.obj\"); b = Model(\"../Models/other.obj\"); t = translate(10, 0, 0);"
       "scene = Group(a, t, b);");
  ASSERT_TRUE(node<qor::GeometryNode>("a")->model && node<qor::GeometryNode>("b")->model);
  walk();
  EXPECT_EQ(eval("collisionDetection(a, b)"), "bool false");
  run("t.setX(0.9);");
  walk();
  EXPECT_EQ(eval("collisionDetection(a, b)"), "bool true");
  EXPECT_EQ(eval("collisionDetection(a, a)"), "bool true");
  // A node that is drawn no more still follows its parents.
  run("b.draw(false); t.setX(10);");
  walk();
  EXPECT_EQ(eval("collisionDetection(a, b)"), "bool false");
}

TEST_F(ObjectsGLTest, ModelMaterialsOverridesAndClones) {
  load("a = Model(\"../Models/cube.obj\"); b = Model(\"../Models/cube.obj\"); own = a.getMaterial();"
       "over = clone(getMaterial(\"x\")); r = a.setMaterial(over); isOver = a.getMaterial() == over;"
       "a.setDefaultMaterial(); isOwn = a.getMaterial() == own; scene = Group(a, b);");
  auto* a = node<qor::GeometryNode>("a");
  ASSERT_TRUE(a && a->model);
  // One file, one model, shared by both nodes, and its material with it.
  EXPECT_EQ(a->model.get(), node<qor::GeometryNode>("b")->model.get());
  ASSERT_TRUE(material("own"));
  EXPECT_EQ(material("own")->name, "paint");
  EXPECT_EQ(eval("r"), "null");
  EXPECT_EQ(eval("isOver"), "bool true");
  EXPECT_EQ(eval("isOwn"), "bool true");
  EXPECT_EQ(a->material.get(), material("over"));  // the override stays stored
  run("own.setDiffuseX(0.5);");
  EXPECT_EQ(eval("b.getMaterial().getDiffuseX()"), "float 0.5000");

  // The override is shared, not copied; only a Material replaces it.
  run("a.setMaterial(over); over.setDiffuseY(0.125); a.setMaterial(3); a.setMaterial(Light()); a.setMaterial();"
      "a.setMaterial(u);");
  EXPECT_EQ(eval("a.getMaterial().getDiffuseY()"), "float 0.1250");
  EXPECT_EQ(eval("a.getMaterial(1)"), "null");

  // A missing model file gives a model without groups, so without a material.
  run("m = Model(\"../Models/missing.obj\");");
  EXPECT_EQ(eval("m.getMaterial()"), "null");

  // Clones share the model; the override is copied.
  run("c = clone(a); c.getMaterial().setDiffuseX(0.25); d = clone(b);");
  auto* c = node<qor::GeometryNode>("c");
  ASSERT_TRUE(c && c->material);
  EXPECT_EQ(c->model.get(), a->model.get());
  EXPECT_NE(c->material.get(), a->material.get());
  EXPECT_EQ(eval("a.getMaterial().getDiffuseX()"), "float 0.8000");
  EXPECT_EQ(eval("c.getMaterial().getDiffuseX()"), "float 0.2500");
  EXPECT_TRUE(node<qor::GeometryNode>("d")->useDefaultMaterial);
}

}  // namespace
