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
  // A missing tmp folder is made again, and the next load reads the trees;
  // where no folder can be made (a file in its place) they are built every
  // time and the file stays as it was.
  std::filesystem::remove_all(dir.file("Data/Models/tmp"));
  for (int i = 0; i < 2; ++i) {
    manager.Clear();
    EXPECT_TRUE(manager.GetModel(cube));
  }
  EXPECT_EQ(manager.treeBuildCount(), 2u);
  EXPECT_TRUE(std::filesystem::is_regular_file(cacheFile));
  std::filesystem::remove_all(dir.file("Data/Models/tmp"));
  dir.write("Data/Models/tmp", "not a folder");
  for (int i = 0; i < 2; ++i) {
    manager.Clear();
    EXPECT_TRUE(manager.GetModel(cube));
  }
  EXPECT_EQ(manager.treeBuildCount(), 4u);
  EXPECT_EQ(kelvo::test::readFile(dir.file("Data/Models/tmp")), "not a folder");
  // A model whose file is not there writes no cache beside it.
  EXPECT_TRUE(manager.GetModel(dir.file("none.obj")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("tmp")));
}

TEST_F(ModelManagerTest, ACacheThatDoesNotFitItsModelIsRebuiltAndRewritten) {
  ASSERT_TRUE(manager.GetModel(cube));
  const std::string good = kelvo::test::readFile(cacheFile);
  // `good` with four bytes replaced at `at`.
  auto patched = [&good](std::size_t at, const char* bytes) {
    return good.substr(0, at) + std::string(bytes, 4) + good.substr(at + 4);
  };
  const char* nan = "\x00\x00\xc0\x7f";
  const std::pair<std::string, bool> cases[] = {  // cache contents, and whether it is kept
      {good, true},
      {good.substr(0, 8) + std::string(4, '\0'), false},                              // no tree for the one group
      {good.substr(0, 8) + "\x02\0\0\0" + good.substr(12) + good.substr(12), false},  // two trees
      {patched(12, nan), false},                                                      // the root's box not finite
      {patched(37, nan), false},                                                      // nor its left child's
      {patched(12, "\x00\x00\x80\xbe"), false},  // a root box of another model (min x -0.25)
  };
  std::size_t builds = manager.treeBuildCount();
  for (const auto& [content, kept] : cases) {
    SCOPED_TRACE(&content - &cases[0].first);
    manager.Clear();
    dir.write("Data/Models/tmp/cube.aabb", content);
    auto model = manager.GetModel(cube);
    builds += kept ? 0 : 1;
    EXPECT_EQ(manager.treeBuildCount(), builds);
    EXPECT_EQ(kelvo::test::readFile(cacheFile), good);
  }
}

using namespace std::chrono_literals;

TEST_F(ModelManagerTest, ACacheOlderThanItsModelIsRebuiltWhateverItHolds) {
  // A model saved after its cache was made may have moved any vertex while keeping its bounds and its
  // triangle count, which is all a cache is checked against: such a cache is never read. The cache's time is
  // set relative to the model's (no waiting for a clock), and whether the trees are built again.
  ASSERT_TRUE(manager.GetModel(cube));
  const std::pair<std::chrono::seconds, bool> cases[] = {{-1s, true}, {0s, false}, {1s, false}, {-3600s, true}};
  for (const auto& [age, rebuilt] : cases) {
    SCOPED_TRACE(age.count());
    const auto modelTime = std::filesystem::last_write_time(cube);
    std::filesystem::last_write_time(cacheFile, modelTime + age);
    const std::size_t builds = manager.treeBuildCount();
    manager.Clear();
    ASSERT_TRUE(manager.GetModel(cube));
    EXPECT_EQ(manager.treeBuildCount(), builds + (rebuilt ? 1 : 0));
    // A rebuilt cache is written again, so the next load reads it.
    EXPECT_GE(std::filesystem::last_write_time(cacheFile), modelTime);
  }
}

}  // namespace
