// The model cache and the collision-tree cache file beside each model.
#include "material/MaterialLibrary.h"
#include "scene/ModelManager.h"
#include "support/GLContext.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"

#include <GL/gl.h>

#include <filesystem>

using kelvo::test::kCubeObj;
using kelvo::test::TempDir;
using qor::ModelManager;

namespace {

class ModelManagerTest : public kelvo::test::GLTest {
protected:
  void SetUp() override {
    GLTest::SetUp();
    if (HasFatalFailure()) return;
    qor::materialLibrary.CreateDefaultMaterial();
    cube = dir.write("Data/Models/cube.obj", kCubeObj);
    std::filesystem::create_directories(dir.file("Data/Models/tmp"));
    cacheFile = dir.file("Data/Models/tmp/cube.aabb");
  }
  void TearDown() override {
    manager.Clear();
    qor::materialLibrary.clear();
    qor::collectGarbage();
  }
  TempDir dir;
  ModelManager manager;
  std::string cube;
  std::string cacheFile;
};

}  // namespace

TEST_F(ModelManagerTest, OneObjectPerName) {
  auto first = manager.GetModel(cube);
  ASSERT_TRUE(first);
  EXPECT_EQ(manager.GetModel(cube), first);
  EXPECT_EQ(manager.cachedCount(), 1u);
  EXPECT_EQ(first->fileName, cube);
  ASSERT_EQ(first->groups.size(), 1u);
  EXPECT_EQ(first->groups[0].faces.size(), 12u);
  EXPECT_EQ(first->trees.size(), 1u);

  // Another spelling of the same file is another entry.
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  auto relative = manager.GetModel("./Data/Models/cube.obj");
  std::filesystem::current_path(previous);
  ASSERT_TRUE(relative);
  EXPECT_NE(relative, first);
  EXPECT_EQ(manager.cachedCount(), 2u);
}

TEST_F(ModelManagerTest, OnlyLowerCaseObjIsAModel) {
  const std::string upper = dir.write("Data/Models/shout.OBJ", kCubeObj);
  EXPECT_FALSE(manager.GetModel(upper));
  EXPECT_FALSE(manager.GetModel(dir.file("Data/Models/cube.txt")));
  EXPECT_EQ(manager.cachedCount(), 0u);
  dir.write("Data/Models/shout.obj", kCubeObj);
  EXPECT_TRUE(manager.GetModel(dir.file("Data/Models/shout.obj")));
}

TEST_F(ModelManagerTest, SecondLoadReadsTheTreeCache) {
  auto first = manager.GetModel(cube);
  EXPECT_EQ(manager.treeBuildCount(), 1u);
  ASSERT_TRUE(std::filesystem::exists(cacheFile));
  EXPECT_FALSE(first->trees[0]->isLeaf());
  manager.Clear();

  // As on the next start of the program: the file is found, nothing is built.
  auto second = manager.GetModel(cube);
  ASSERT_TRUE(second);
  EXPECT_NE(second, first);
  EXPECT_EQ(manager.treeBuildCount(), 1u);
  ASSERT_EQ(second->trees.size(), 1u);
  EXPECT_EQ(second->trees[0]->triangleCount, 0);  // read trees carry boxes only
  EXPECT_FLOAT_EQ(second->trees[0]->box.max[0], first->trees[0]->box.max[0]);
}

TEST_F(ModelManagerTest, BrokenCacheIsRebuiltAndRewritten) {
  dir.write("Data/Models/tmp/cube.aabb", "AABBTREE\x05");
  auto model = manager.GetModel(cube);
  EXPECT_EQ(manager.treeBuildCount(), 1u);
  EXPECT_EQ(model->trees.size(), 1u);
  EXPECT_GT(std::filesystem::file_size(cacheFile), 12u);
}

TEST_F(ModelManagerTest, WithoutTmpFolderTreesAreBuiltEveryTime) {
  std::filesystem::remove_all(dir.file("Data/Models/tmp"));
  EXPECT_TRUE(manager.GetModel(cube));
  manager.Clear();
  EXPECT_TRUE(manager.GetModel(cube));
  EXPECT_EQ(manager.treeBuildCount(), 2u);
  EXPECT_FALSE(std::filesystem::exists(dir.file("Data/Models/tmp")));
}

TEST_F(ModelManagerTest, ClearDeletesListsAndForgetsModels) {
  auto kept = manager.GetModel(cube);
  const GLuint list = kept->groups[0].displayLists.at(0);
  ASSERT_TRUE(glIsList(list));
  manager.Clear();
  EXPECT_EQ(manager.cachedCount(), 0u);
  EXPECT_FALSE(glIsList(list));
  EXPECT_TRUE(kept->groups[0].displayLists.empty());  // alive, geometry kept, nothing to draw
  EXPECT_EQ(kept->groups[0].faces.size(), 12u);

  auto again = manager.GetModel(cube);
  EXPECT_NE(again, kept);
  EXPECT_TRUE(glIsList(again->groups[0].displayLists.at(0)));
}
