// The model cache and the collision-tree cache file beside each model.
#include "scene/ModelManager.h"
#include "support/EngineFixtures.h"
#include "support/ModelFixtures.h"

#include <GL/gl.h>

#include <filesystem>

using kelvo::test::kCubeObj;

namespace {

class ModelManagerTest : public kelvo::test::EngineGLTest {
protected:
  const std::string cube = dir.write("Data/Models/cube.obj", kCubeObj);
  const std::string cacheFile = dir.write("Data/Models/tmp/cube.aabb", "");  // the folder, with an empty cache
  qor::ModelManager manager;
};

TEST_F(ModelManagerTest, OneObjectPerNameTreeCacheFileAndClear) {
  auto first = manager.GetModel(cube);
  ASSERT_TRUE(first);
  EXPECT_EQ(manager.GetModel(cube), first);
  EXPECT_EQ(first->groups.at(0).faces.size(), 12u);
  EXPECT_EQ(first->trees.size(), 1u);
  // Another spelling of the same file is another entry.
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  auto relative = manager.GetModel("./Data/Models/cube.obj");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(relative);
  EXPECT_NE(relative, first);
  // Only a lower-case "obj" extension is a model.
  EXPECT_FALSE(manager.GetModel(dir.write("Data/Models/shout.OBJ", kCubeObj)));
  EXPECT_EQ(manager.cachedCount(), 2u);
  // The first load found a broken (empty) cache, built the trees and wrote
  // them; Clear deletes the display lists of the models it forgets (they
  // stay alive with nothing to draw).
  const GLuint list = first->groups.at(0).displayLists.at(0);
  EXPECT_FALSE(first->trees.at(0)->isLeaf());
  EXPECT_GT(std::filesystem::file_size(cacheFile), 12u);
  manager.Clear();
  EXPECT_FALSE(glIsList(list));
  EXPECT_TRUE(first->groups[0].displayLists.empty());
  // The next load (as on the next start of the program) reads the trees,
  // boxes only, and builds nothing.
  auto second = manager.GetModel(cube);
  EXPECT_NE(second, first);
  EXPECT_TRUE(glIsList(second->groups[0].displayLists.at(0)));
  EXPECT_EQ(manager.treeBuildCount(), 1u);
  ASSERT_EQ(second->trees.size(), 1u);
  EXPECT_EQ(second->trees[0]->triangleCount, 0);
  EXPECT_FLOAT_EQ(second->trees[0]->box.max[0], first->trees[0]->box.max[0]);
  // Without the tmp folder the trees are built every time and no folder is made.
  std::filesystem::remove_all(dir.file("Data/Models/tmp"));
  for (int i = 0; i < 2; ++i) {
    manager.Clear();
    EXPECT_TRUE(manager.GetModel(cube));
  }
  EXPECT_EQ(manager.treeBuildCount(), 3u);
  EXPECT_FALSE(std::filesystem::exists(dir.file("Data/Models/tmp")));
}

}  // namespace
