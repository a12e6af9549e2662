// Small shared helpers: the 15-bit generator, text-mode reads, the clock,
// path pieces and joining.

#include "platform/Clock.h"
#include "support/TempDir.h"
#include "util/Path.h"
#include "util/Rand15.h"
#include "util/TextFile.h"

#include <gtest/gtest.h>

namespace {

TEST(HelpersTest, Rand15TextFilesAndClock) {
  qor::srand15(1);
  // The first values of the Windows C runtime after srand(1).
  EXPECT_EQ((std::vector<int>{qor::rand15(), qor::rand15(), qor::rand15()}), (std::vector<int>{41, 18467, 6334}));
  kelvo::test::TempDir dir;
  const std::string path = dir.write("t.txt", "800 600 f\r\nsecond\rline\r\n");
  EXPECT_EQ(qor::readTextFile(path), "800 600 f\nsecond\rline\n");  // a lone CR stays
  EXPECT_FALSE(qor::readTextFile(dir.file("missing")));
  // (openTextFile is read through the scene settings and MTL files.)
  EXPECT_GE(qor::platform::clockMs(), 0);
  EXPECT_EQ(qor::platform::clockDiff(INT32_MIN, INT32_MAX), 1);
  EXPECT_EQ(qor::platform::clockDiff(5, 7), -2);
}

TEST(HelpersTest, PathPieces) {
  using namespace qor::path;
  EXPECT_EQ(fileName("C:\\models\\a.obj"), "a.obj");
  EXPECT_EQ(fileName("a/b\\c.obj"), "b\\c.obj");  // "/" wins when present
  EXPECT_EQ(fileName("plain"), "plain");
  EXPECT_EQ(extension("model.OBJ"), "OBJ");
  EXPECT_EQ(extension("noext"), "noext");
  EXPECT_EQ(extension("./dir.d/noext"), "d/noext");  // the last "." of the whole path
  EXPECT_EQ(baseName("a.tar.gz"), "a.tar");
  EXPECT_EQ(baseName("dir/noext"), "noext");
  EXPECT_EQ(directory("./Data/Models/nurse.obj"), "./Data/Models");
  EXPECT_EQ(directory("a\\b"), "a\\b");
  // Joining takes the folder of a file name (anything with a ".") and
  // follows "../" steps.
  EXPECT_EQ(join("./Data/Models/room.obj", "../Textures/wall.jpg"), "./Data/Textures/wall.jpg");
  EXPECT_EQ(join("", "x.obj"), "x.obj");
  EXPECT_EQ(join("scene.txt", "x.obj"), "x.obj");  // a file in the current directory
  EXPECT_EQ(join("./scene.txt", "x.obj"), "./x.obj");
  EXPECT_EQ(join("Data/Scenes", "x.obj"), "Data/Scenes/x.obj");  // a folder without a "."
  EXPECT_EQ(join("a/b/c.txt", "../../x.obj"), "x.obj");
  EXPECT_EQ(join("a/c.txt", "../../x.obj"), "x.obj");
}

}  // namespace
