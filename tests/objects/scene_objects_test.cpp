// The scene side of scripts, seen from C++: a scene file's "scene" becomes
// the global Scene's root, file names resolve against the script, the active
// camera outlives the script's hold on it, key-bound calls drive objects, and
// unknown materials fall back to the default. (What the objects answer to
// scripts is checked by the scene_objects example.)

#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include "scene/GeometryNode.h"

namespace {

class SceneObjectsTest : public objectstest::ObjectsTest {
protected:
  // Loads a scene file as the viewer loads its scene script.
  bool runFile(const std::string& name, const std::string& text) {
    const std::string path = dir.write(name, text);
    qor::script::resetInterpreter();
    qor::SceneDriver driver;
    out.clear();
    return qor::script::runSceneScript(path, driver);
  }
  kelvo::test::TempDir dir;
};

TEST_F(SceneObjectsTest, SceneFileSetsTheRootAndResolvesFilesAgainstItself) {
  dir.write("Data/Materials/colours.mtl", "newmtl red\nKa 0.1 0 0\nKd 1 0 0\nNs 20\nnewmtl glass\nKd 0 0 1\nd 0.5\n");
  ASSERT_TRUE(runFile("Data/Scenes/initial.txt",
                      "Material(\"../Materials/colours.mtl\"); Material(\"missing.mtl\"); m = Model(\"cube.txt\");"
                      "m.castShadow(false); scene = Group(Light(), translate(0, 0, -5), m);"
                      "print(getMaterial(\"red\").getDiffuseX(), getMaterial(\"glass\").getAplha());"));
  EXPECT_EQ(out, "1.00000.5000\n");
  ASSERT_TRUE(qor::scene.root);
  EXPECT_EQ(qor::scene.root.get(), node("scene"));
  EXPECT_FALSE(node<qor::GeometryNode>("m")->castShadow);
  EXPECT_EQ(qor::modelManager.cachedCount(), 0u);  // not an OBJ file: no model loaded
  // A later script whose "scene" is not a SceneNode leaves no root; the
  // built-ins come back after every reset.
  ASSERT_TRUE(runFile("other.txt", "scene = 3;"));
  EXPECT_FALSE(qor::scene.root);
  ASSERT_TRUE(runFile("again.txt", "scene = Light();"));
  ASSERT_TRUE(qor::scene.root);
  EXPECT_EQ(qor::scene.root->kind, qor::ISceneNode::kLight);
  // A script without a "scene" leaves the scene as it was.
  ASSERT_TRUE(runFile("none.txt", "x = Group();"));
  ASSERT_TRUE(qor::scene.root);
  EXPECT_EQ(qor::scene.root->kind, qor::ISceneNode::kLight);
}

TEST_F(SceneObjectsTest, ActiveCameraAndKeyBoundCalls) {
  run("a = Camera(); b = Camera(); a.setActive();");
  EXPECT_EQ(qor::scene.camera.get(), camera("a"));
  run("b.setActive(); a.setActive(1);");  // the wrong count changes nothing
  EXPECT_EQ(qor::scene.camera.get(), camera("b"));
  run("spin = rotate(0, 0, 1, 0); def turn() { spin.setAngle(spin.getAngle() + 15); b.moveFordward(0.5); }"
      "setKeyFunc(\"A\", turn());");
  unsigned char keys[256] = {};
  keys['A'] = 1;
  qor::script::dispatchKeyBindings(keys);
  qor::script::dispatchKeyBindings(keys);
  EXPECT_EQ(eval("spin.getAngle()"), "float 30.0000");
  // The scene keeps the active camera alive when the script lets go of it.
  run("b = 0;");
  qor::collectGarbage();
  ASSERT_TRUE(qor::scene.camera);
  EXPECT_FLOAT_EQ(qor::scene.camera->position[2], 1.0f);
}

TEST_F(SceneObjectsTest, UnknownMaterialsFallBackToTheDefault) {
  run("d = getMaterial(\"no such\");");
  EXPECT_EQ(material("d"), qor::materialLibrary.GetMaterial(qor::kDefaultMaterialName).get());
  EXPECT_EQ(eval("getMaterial(\"x\") == getMaterial(\"y\")"), "bool true");
  // Without even a default material there is nothing to hand out.
  qor::materialLibrary.clear();
  EXPECT_EQ(eval("getMaterial(\"no such\")"), "null");
}

}  // namespace
