// The console as a user meets it in kelvo-scene, under the test display
// (Xvfb): F2 opens it, keys typed with xdotool go through its own layout,
// Enter runs the line, and the answers show below the commands.

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace kelvo::test;
namespace fs = std::filesystem;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Pixels of one row band of a PNG that are mostly blue or mostly green.
struct Ink {
  int blue = 0;
  int green = 0;
};
Ink inkIn(const std::string& png, int top, int bottom) {
  Ink ink;
  FIBITMAP* image = FreeImage_Load(FIF_PNG, png.c_str(), 0);
  if (!image) return ink;
  const int height = static_cast<int>(FreeImage_GetHeight(image));
  for (int y = top; y < bottom; ++y)
    for (unsigned x = 0; x < 600; ++x) {
      RGBQUAD q;
      if (!FreeImage_GetPixelColor(image, x, static_cast<unsigned>(height - 1 - y), &q)) continue;
      if (q.rgbBlue > 200 && q.rgbRed < 60 && q.rgbGreen < 60) ++ink.blue;
      if (q.rgbGreen > 200 && q.rgbRed < 60 && q.rgbBlue < 60) ++ink.green;
    }
  FreeImage_Unload(image);
  return ink;
}

TEST(ConsoleEndToEnd, TypedLinesRunAndTheirAnswersShowBelow) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  TempDir dir;
  const fs::path game = fs::path(KELVO_SOURCE_DIR) / "game";
  fs::copy_file(game / "GUIConfig.txt", dir.file("GUIConfig.txt"));
  fs::create_directories(dir.file("Data"));
  fs::copy(game / "Data/GUI", dir.file("Data/GUI"));
  dir.write("scene.txt", "scene = Group();\n");

  ChildProcess tool;
  tool.start(dir.path(), {KELVO_BIN_DIR "/kelvo-scene", "--console-log", "console.txt", "--screenshot", "shot.png",
                          "scene.txt"});
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();

  // The console's layout: "(" and ")" are Shift+8 and Shift+9, "=" is
  // Shift+0 and ";" is Ctrl with the key that types ":".
  const std::string print42 = "p r i n t shift+8 4 2 shift+9 ctrl+semicolon Return";
  const std::string broken = "x space shift+0 space shift+8 1 ctrl+semicolon Return";
  const std::string quit = "e x i t shift+8 shift+9 ctrl+semicolon Return";
  runCommand("xdotool windowfocus --sync " + std::to_string(window) + " key F2 " + print42 + " " + broken + " " +
             quit + " 2>/dev/null");
  ASSERT_EQ(tool.waitExit(30000ms), 0) << tool.err();

  EXPECT_EQ(linesOf(readFile(dir.file("console.txt"))),
            (std::vector<std::string>{">>> print(42);", "42", ">>> x = (1;",
                                      "1.6: syntax error, unexpected ;, expecting )", ">>> exit();", ">>> "}));
  // What the command prints goes to standard output as well.
  const std::string out = tool.out();
  EXPECT_TRUE(out.ends_with("42\n")) << out;

  // The last frame shows them: typed lines green, answers blue. Capitals
  // stand 7 rows high from row 17 down, one display line every 11 rows.
  const std::string shot = dir.file("shot.png");
  for (int line = 0; line < 6; ++line) {
    const Ink ink = inkIn(shot, 17 + 11 * line, 24 + 11 * line);
    const bool answer = line == 1 || line == 3;
    EXPECT_EQ(ink.blue > 0, answer) << "line " << line;
    EXPECT_EQ(ink.green > 0, !answer) << "line " << line;
  }
}

}  // namespace
