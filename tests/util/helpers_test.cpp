// Small shared helpers: the 15-bit generator, text-mode reads, the clock.

#include "platform/Clock.h"
#include "util/Rand15.h"
#include "util/TextFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

TEST(Rand15Test, MatchesTheClassicSequenceAndStaysIn15Bits) {
  qor::srand15(1);
  // The first values of the Windows C runtime after srand(1).
  EXPECT_EQ(qor::rand15(), 41);
  EXPECT_EQ(qor::rand15(), 18467);
  EXPECT_EQ(qor::rand15(), 6334);
  for (int i = 0; i < 100000; ++i) {
    int r = qor::rand15();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, qor::kRand15Max);
  }
  qor::srand15(7);
  int a = qor::rand15();
  qor::srand15(7);
  EXPECT_EQ(qor::rand15(), a);
}

TEST(TextFileTest, CrLfReadsAsLf) {
  auto path = std::filesystem::temp_directory_path() / "kelvo_textfile_test.txt";
  {
    std::ofstream out(path, std::ios::binary);
    out << "800 600 f\r\nsecond\rline\r\n";
  }
  auto text = qor::readTextFile(path.string());
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "800 600 f\nsecond\rline\n");  // a lone CR stays

  std::FILE* f = qor::openTextFile(path.string());
  ASSERT_NE(f, nullptr);
  int w = 0, h = 0;
  char c = 0;
  EXPECT_EQ(std::fscanf(f, "%d %d %c", &w, &h, &c), 3);
  char line[32];
  ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
  EXPECT_STREQ(line, "\n");
  std::fclose(f);
  std::filesystem::remove(path);

  EXPECT_FALSE(qor::readTextFile("/nonexistent/kelvo"));
  EXPECT_EQ(qor::openTextFile("/nonexistent/kelvo"), nullptr);
}

TEST(ClockTest, WallMillisecondsDifferencesWrap) {
  int32_t a = qor::platform::clockMs();
  EXPECT_GE(a, 0);
  EXPECT_EQ(qor::platform::clockDiff(INT32_MIN, INT32_MAX), 1);
  EXPECT_EQ(qor::platform::clockDiff(5, 7), -2);
}

}  // namespace

#include "util/Path.h"

namespace {

TEST(PathTest, PiecesOfAPath) {
  using namespace qor::path;
  EXPECT_EQ(fileName("./Data/Models/nurse.obj"), "nurse.obj");
  EXPECT_EQ(fileName("C:\\models\\a.obj"), "a.obj");
  EXPECT_EQ(fileName("a/b\\c.obj"), "b\\c.obj");  // "/" wins when present
  EXPECT_EQ(fileName("plain"), "plain");
  EXPECT_EQ(extension("./Data/Models/nurse.obj"), "obj");
  EXPECT_EQ(extension("model.OBJ"), "OBJ");
  EXPECT_EQ(extension("noext"), "noext");
  EXPECT_EQ(extension("./dir.d/noext"), "d/noext");  // the last "." of the whole path
  EXPECT_EQ(baseName("./Data/Models/nurse.obj"), "nurse");
  EXPECT_EQ(baseName("a.tar.gz"), "a.tar");
  EXPECT_EQ(baseName("dir/noext"), "noext");
  EXPECT_EQ(directory("./Data/Models/nurse.obj"), "./Data/Models");
  EXPECT_EQ(directory("a\\b"), "a\\b");
  EXPECT_EQ(directory("file"), "file");
}

TEST(PathTest, JoiningFollowsParentSteps) {
  using qor::path::join;
  EXPECT_EQ(join("./Data/Models/room.obj", "../Textures/wall.jpg"), "./Data/Textures/wall.jpg");
  EXPECT_EQ(join("./Data/Models/nurse.obj", "tmp/nurse.aabb"), "./Data/Models/tmp/nurse.aabb");
  EXPECT_EQ(join("Data/Scenes/initial.txt", "room.obj"), "Data/Scenes/room.obj");
  EXPECT_EQ(join("", "x.obj"), "x.obj");
  EXPECT_EQ(join("scene.txt", "x.obj"), "x.obj");  // a file in the current directory
  EXPECT_EQ(join("./scene.txt", "x.obj"), "./x.obj");
  EXPECT_EQ(join("Data/Scenes", "x.obj"), "Data/Scenes/x.obj");  // a folder without a "."
  EXPECT_EQ(join("a/b/c.txt", "../x.obj"), "a/x.obj");
  EXPECT_EQ(join("a/b/c.txt", "../../x.obj"), "x.obj");
  EXPECT_EQ(join("a/c.txt", "../../x.obj"), "x.obj");
}

}  // namespace
