// Camera and Material values: moves and turns, reads as new Lists, the
// active camera, colour components, sharing and "==".

#include "support/ScriptFixture.h"

namespace {

using objectstest::ObjectsTest;

class CameraTest : public ObjectsTest {};

TEST_F(CameraTest, MoveForwardAndBack) {
  run("c = Camera(); r = c.moveFordward(1); p = c.getPos(); v = c.getView(); u = c.getUp();");
  EXPECT_EQ(showGlobal("r"), "null");
  EXPECT_EQ(showGlobal("p"), "List (0.0000, 0.0000, 1.0000)");
  EXPECT_EQ(showGlobal("v"), "List (0.0000, 0.0000, -1.0000)");
  EXPECT_EQ(showGlobal("u"), "List (0.0000, 1.0000, 0.0000)");
  run("c.moveBackward(1); p = c.getPos(); v = c.getView();");
  EXPECT_EQ(showGlobal("p"), "List (0.0000, 0.0000, 2.0000)");
  EXPECT_EQ(showGlobal("v"), "List (0.0000, 0.0000, 0.0000)");
  run("c.moveLeft(0.5); p = c.getPos(); c.moveRight(1); q = c.getPos();");
  EXPECT_EQ(showGlobal("p"), "List (-0.5000, 0.0000, 2.0000)");
  EXPECT_EQ(showGlobal("q"), "List (0.5000, 0.0000, 2.0000)");
}

TEST_F(CameraTest, Turns) {
  // The geometry of the turns is checked on Camera; here the methods reach it.
  run("c = Camera(); c.rotateX(90); d = Camera(); d.rotateY(90);");
  ASSERT_TRUE(camera("c") && camera("d"));
  EXPECT_NEAR(camera("c")->view[0], -2.0f, 1e-5f);  // a positive rotateX turns left
  EXPECT_NEAR(camera("d")->view[1], 2.0f, 1e-5f);   // a positive rotateY looks up
}

TEST_F(CameraTest, ReadsAreNewLists) {
  run("c = Camera(); p = c.getPos(); p.set(0, 9); q = c.getPos();");
  EXPECT_EQ(showGlobal("q"), "List (0.0000, 0.0000, 2.0000)");
  EXPECT_NE(global("p")->get(), global("q")->get());
  EXPECT_FLOAT_EQ(camera("c")->position[0], 0.0f);
}

TEST_F(CameraTest, SettersNeedThreeNumbers) {
  run("c = Camera(); c.setPos(1, 2, 3); c.setView(4, 5, (1, 2)); c.setUp(0, 0); c.setUp(1, 0, 0, 0);"
      "r = c.setView(\"7\", 8, 9); m = c.moveFordward(); n = c.moveFordward(Light()); x = c.rotateX(1, 2);");
  qor::Camera* c = camera("c");
  EXPECT_FLOAT_EQ(c->position[0], 1.0f);
  EXPECT_FLOAT_EQ(c->position[2], 3.0f);
  EXPECT_FLOAT_EQ(c->view[0], 7.0f);  // the List argument changed nothing, then the strings converted
  EXPECT_FLOAT_EQ(c->view[2], 9.0f);
  EXPECT_FLOAT_EQ(c->up[1], 1.0f);
  EXPECT_FLOAT_EQ(c->up[0], 0.0f);
  for (const char* name : {"r", "m", "n", "x"}) EXPECT_EQ(showGlobal(name), "null") << name;
}

TEST_F(CameraTest, SetActiveSwitchesTheSceneCamera) {
  run("a = Camera(); b = Camera(); a.setPos(5, 0, 0); r = a.setActive();");
  EXPECT_EQ(showGlobal("r"), "null");
  EXPECT_EQ(qor::scene.camera.get(), camera("a"));
  run("b.setActive();");
  EXPECT_EQ(qor::scene.camera.get(), camera("b"));
  run("a.setActive(1);");  // wrong count: nothing
  EXPECT_EQ(qor::scene.camera.get(), camera("b"));
  run("a.setActive(); p = a.getPos();");
  EXPECT_EQ(qor::scene.camera.get(), camera("a"));
  EXPECT_EQ(showGlobal("p"), "List (5.0000, 0.0000, 0.0000)");
  // The scene keeps the camera alive when the script lets go of it.
  run("a = 0;");
  qor::collectGarbage();
  ASSERT_TRUE(qor::scene.camera);
  EXPECT_FLOAT_EQ(qor::scene.camera->position[0], 5.0f);
}

class MaterialTest : public ObjectsTest {};

TEST_F(MaterialTest, Components) {
  run("m = getMaterial(\"Tavrelin_Default__\"); d = m.setDiffuseX(0.25); g = m.getDiffuseX(); gy = m.getDiffuseY();"
      "e = m.setEmissionZ(2); s = m.setShininess(30); a = m.setAlpha(1); al = m.getAplha(); sh = m.getShininess();"
      "sp = m.getSpecularZ(); am = m.setAmbientY(-1);");
  EXPECT_EQ(showGlobal("d"), "float 0.2500");
  EXPECT_EQ(showGlobal("g"), "float 0.2500");
  EXPECT_EQ(showGlobal("gy"), "float 0.8000");
  EXPECT_EQ(showGlobal("e"), "float 2.0000");
  EXPECT_EQ(showGlobal("s"), "float 30.0000");
  EXPECT_EQ(showGlobal("a"), "float 1.0000");
  EXPECT_EQ(showGlobal("al"), "float 1.0000");
  EXPECT_EQ(showGlobal("sh"), "float 30.0000");
  EXPECT_EQ(showGlobal("sp"), "float 0.7000");
  EXPECT_EQ(showGlobal("am"), "float -1.0000");
  qor::Material* m = material("m");
  ASSERT_TRUE(m);
  EXPECT_EQ(m, qor::materialLibrary.GetMaterial("Tavrelin_Default__").get());
  EXPECT_FLOAT_EQ(m->diffuse[0], 0.25f);
  EXPECT_FLOAT_EQ(m->diffuse[2], 0.8f);
  EXPECT_FLOAT_EQ(m->diffuse[3], 0.0f);
  EXPECT_FLOAT_EQ(m->emission[2], 2.0f);
  EXPECT_FLOAT_EQ(m->ambient[1], -1.0f);
}

TEST_F(MaterialTest, WrongCallsChangeNothing) {
  run("m = getMaterial(\"x\"); a = m.setShininess(1, 2); b = m.setAlpha((1, 2)); c = m.getAlpha();"
      "d = m.getDiffuseX(0); e = m.setDiffuseX(); f = m.setdiffusex(1); g = m.setAlpha(Camera());");
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g"}) EXPECT_EQ(showGlobal(name), "null") << name;
  qor::Material* m = material("m");
  EXPECT_FLOAT_EQ(m->shininess, 8.0f);
  EXPECT_FLOAT_EQ(m->alpha, 1.0f);
  EXPECT_FLOAT_EQ(m->diffuse[0], 0.8f);
}

TEST_F(MaterialTest, SharingCloneAndEquality) {
  run("a = getMaterial(\"x\"); b = getMaterial(\"y\"); c = clone(a); same = a == b; other = a == c; self = c == c;"
      "mixed = a == 1; ne = a != b; b.setAlpha(0.5); aa = a.getAplha(); ca = c.getAplha();");
  EXPECT_EQ(showGlobal("same"), "bool true");  // both fell back to the one default material
  EXPECT_EQ(showGlobal("other"), "bool false");
  EXPECT_EQ(showGlobal("self"), "bool true");
  EXPECT_EQ(showGlobal("mixed"), "null");
  EXPECT_EQ(showGlobal("ne"), "null");  // the Material table has only "=="
  EXPECT_EQ(showGlobal("aa"), "float 0.5000");
  EXPECT_EQ(showGlobal("ca"), "float 1.0000");
}

}  // namespace
