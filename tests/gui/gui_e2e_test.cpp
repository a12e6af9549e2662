// The console as a user meets it in kelvo-scene, under the test display
// (Xvfb): F2 opens it, keys typed with xdotool go through its own layout,
// Enter runs the line, and the answers come below the commands (read from
// the tool's console log; how they are drawn is gui_gl_test's part).

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

TEST(ConsoleEndToEnd, TypedLinesRunAndTheirAnswersShowBelow) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  ChildProcess tool;
  const TempDir& dir = tool.dir;
  const fs::path game = fs::path(KELVO_SOURCE_DIR) / "game";
  fs::copy_file(game / "GUIConfig.txt", dir.file("GUIConfig.txt"));
  fs::create_directories(dir.file("Data"));
  fs::copy(game / "Data/GUI", dir.file("Data/GUI"));
  dir.write("scene.txt", "scene = Group();\n");

  tool.start(KELVO_BIN_DIR "/kelvo-scene --console-log console.txt scene.txt");
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();

  // The console's layout: "(" and ")" are Shift+8 and Shift+9, "=" is
  // Shift+0 and ";" is Ctrl with the key that types ":".
  const std::string print42 = "p r i n t shift+8 4 2 shift+9 ctrl+semicolon Return";
  const std::string broken = "x space shift+0 space shift+8 1 ctrl+semicolon Return";
  const std::string quit = "e x i t shift+8 shift+9 ctrl+semicolon Return";
  // The window settles its keyboard state when it gets the focus: a key
  // typed in that moment can be lost, so typing starts a second later. The
  // main loop takes one message a pass, a frame each: on a busy machine the
  // couple of hundred key messages take a while to be served.
  runCommand("xdotool windowfocus --sync " + std::to_string(window) + " sleep 1 key F2 " + print42 + " " + broken +
             " " + quit + " 2>/dev/null");
  ASSERT_EQ(tool.waitExit(120s), 0) << tool.err();

  EXPECT_EQ(linesOf(readFile(dir.file("console.txt"))),
            (std::vector<std::string>{">>> print(42);", "42", ">>> x = (1;",
                                      "1.6: syntax error, unexpected ;, expecting )", ">>> exit();", ">>> "}));
  // What the command prints goes to standard output as well.
  const std::string out = tool.out();
  EXPECT_TRUE(out.ends_with("42\n")) << out;
}

}  // namespace
