// What a real scene load records for --watch: the script, its includes, the
// scene settings, models, material libraries and textures, missing ones too;
// and what a saved texture costs the texture cache before the next load.

#include "authoring/Watch.h"
#include "material/TextureManager.h"
#include "scene/ModelManager.h"
#include "scene/Scene.h"
#include "script/Interpreter.h"
#include "script/SceneLoader.h"
#include "support/EngineFixtures.h"
#include "support/ModelFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;
using kelvo::authoring::SceneWatch;

const char kTexture[] = "P2\n2 2\n255\n0 255\n255 0\n";

class WatchRecordTest : public kelvo::test::EngineGLTest {
protected:
  void SetUp() override {
    kelvo::test::EngineGLTest::SetUp();
    previous = fs::current_path();
    // The loader reads "Data/Scenes/Settings.txt" of the working folder, and
    // the script's names are relative to it.
    fs::current_path(dir.path());
    dir.write("Data/Scenes/Settings.txt", "sceneBlend\n");
    dir.write("lib/parts.inc", "def part(name) { return Model(name); }\n");
    dir.write("m/cube.obj", std::string("mtllib cube.mtl\nusemtl face\n") + kelvo::test::kCubeObj);
    dir.write("m/cube.mtl", "newmtl face\nKd 1 0 0\nmap_Kd face.pgm\n");
    dir.write("m/face.pgm", kTexture);
    dir.write("t/floor.pgm", kTexture);
    dir.write("shapes.mtl", "newmtl floor\nmap_Kd t/floor.pgm\nnewmtl gone\nmap_Kd t/gone.pgm\n");
    dir.write("scene.ks",
              "include(\"lib/parts.inc\");\ninclude(\"lib/missing.inc\");\nMaterial(\"shapes.mtl\");\n"
              "scene = Group(part(\"m/cube.obj\"), Model(\"m/none.obj\"), Model(\"m/cube.obj\"));\n");
    qor::scene.scriptPath = "scene.ks";
  }
  void TearDown() override {
    qor::modelManager.Clear();
    qor::scene.root = nullptr;
    qor::scene.camera = nullptr;
    qor::script::resetInterpreter();
    qor::script::sceneValue() = nullptr;
    fs::current_path(previous);
    kelvo::test::EngineGLTest::TearDown();
  }
  void load(SceneWatch& watch) {
    watch.beginLoad();
    qor::modelManager.Clear();
    qor::script::resetInterpreter();
    qor::loadScene(qor::scene);
    watch.loaded();
  }
  fs::path previous;
};

TEST_F(WatchRecordTest, ALoadRecordsEveryFileItReadAndASavedTextureIsDecodedAgain) {
  SceneWatch watch;
  ASSERT_TRUE(watch.enable());
  load(watch);
  ASSERT_TRUE(qor::scene.root);
  // Spelled as each reader opened them; the missing include, model and texture are there too, each file once.
  const std::set<std::string> expected = {
      "scene.ks",   "Data/Scenes/Settings.txt", "lib/parts.inc", "lib/missing.inc", "shapes.mtl", "t/floor.pgm",
      "t/gone.pgm", "m/cube.obj",               "m/cube.mtl",    "m/face.pgm",      "m/none.obj"};
  EXPECT_EQ(watch.files(), expected);
  // Files read after the load are not the scene's.
  qor::textureManager.LoadTexture(dir.write("gui.pgm", kTexture));
  EXPECT_EQ(watch.files(), expected);

  // The two textures that decode are cached (with the gui's), and survive a load as the texture cache does.
  const std::size_t cached = qor::textureManager.cachedCount();
  const uint32_t face = qor::textureManager.LoadTexture("m/face.pgm");
  EXPECT_NE(face, qor::kFallbackTexture);
  // The face saved: the change names it, and the next load decodes it again and keeps the other.
  const std::string saved = dir.write("m/face.tmp", "P2\n1 1\n255\n128\n");
  fs::rename(saved, dir.file("m/face.pgm"));
  bool changed = false;
  for (int32_t now = 0; now < 10000 && !changed; now += 10) changed = watch.changed(now);
  ASSERT_TRUE(changed);
  watch.beginLoad();
  EXPECT_EQ(qor::textureManager.cachedCount(), cached - 1);
  load(watch);
  EXPECT_EQ(qor::textureManager.cachedCount(), cached);
  EXPECT_EQ(watch.files(), expected);
  // A load that finds nothing changed drops nothing.
  load(watch);
  EXPECT_EQ(qor::textureManager.cachedCount(), cached);
}

}  // namespace
