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
  auto* a = nodeAs<qor::GeometryNode>("a");
  ASSERT_TRUE(a && a->model);
  ASSERT_TRUE(nodeAs<qor::GeometryNode>("b")->model);

  walk();
  run("far = collisionDetection(a, b); t.setX(0.9);");
  EXPECT_EQ(showGlobal("far"), "bool false");
  walk();
  run("near = collisionDetection(a, b); self = collisionDetection(a, a);");
  EXPECT_EQ(showGlobal("near"), "bool true");
  EXPECT_EQ(showGlobal("self"), "bool true");

  // A node that is drawn no more still follows its parents.
  run("b.draw(false); t.setX(10);");
  walk();
  run("hidden = collisionDetection(a, b);");
  EXPECT_EQ(showGlobal("hidden"), "bool false");
}

TEST_F(ObjectsGLTest, ModelMaterialsAndSharing) {
  load("a = Model(\"../Models/cube.obj\"); b = Model(\"../Models/cube.obj\");"
       "own = a.getMaterial(); over = clone(getMaterial(\"x\")); a.setMaterial(over); a.setDefaultMaterial();"
       "again = a.getMaterial(); g = Group(a, b); c = clone(g); scene = g;");
  auto* a = nodeAs<qor::GeometryNode>("a");
  auto* b = nodeAs<qor::GeometryNode>("b");
  ASSERT_TRUE(a && b && a->model);
  // One file, one model, shared by both nodes.
  EXPECT_EQ(a->model.get(), b->model.get());
  ASSERT_TRUE(material("own"));
  EXPECT_EQ(material("own")->name, "paint");
  EXPECT_EQ(material("again"), material("own"));
  EXPECT_EQ(a->material.get(), material("over"));

  // A change to the model's material reaches every node of that model.
  run("own.setDiffuseX(0.5); fromB = b.getMaterial(); x = fromB.getDiffuseX();");
  EXPECT_EQ(showGlobal("x"), "float 0.5000");

  // Clones share the model; the override is copied.
  auto* c = nodeAs<qor::GroupNode>("c");
  ASSERT_TRUE(c && c->childCount() == 2);
  auto* ca = static_cast<qor::GeometryNode*>(c->children()[0].get());
  auto* cb = static_cast<qor::GeometryNode*>(c->children()[1].get());
  EXPECT_EQ(ca->model.get(), a->model.get());
  EXPECT_EQ(cb->model.get(), a->model.get());
  ASSERT_TRUE(ca->material);
  EXPECT_NE(ca->material.get(), a->material.get());
  EXPECT_TRUE(ca->useDefaultMaterial);
}

}  // namespace
