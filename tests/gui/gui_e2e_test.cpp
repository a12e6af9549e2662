// The console as a user meets it in kelvo-scene under Xvfb: F2 opens it, keys typed with xdotool go through its
// own layout, Enter runs the line, the answers come below (read from the console log; gui_gl_test draws them).

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace kelvo::test;
namespace fs = std::filesystem;

TEST(ConsoleEndToEnd, TypedLinesRunAndTheirAnswersShowBelow) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  ChildProcess tool;
  const fs::path game = fs::path(KELVO_SOURCE_DIR) / "game";
  fs::create_symlink(game / "GUIConfig.txt", tool.dir.file("GUIConfig.txt"));
  fs::create_directory_symlink(game / "Data", tool.dir.file("Data"));
  tool.dir.write("scene.txt", "scene = Group();\n");

  tool.start(KELVO_BIN_DIR "/kelvo-scene --console-keys fixed --console-log console.txt scene.txt");
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();

  // The console's layout: "(" and ")" are Shift+8 and Shift+9, "=" is Shift+0 and ";" is Ctrl with the key
  // that types ":". F2 opens the console; then "print(42);", "x = (1;" and "exit();".
  const std::string keys = "F2 p r i n t shift+8 4 2 shift+9 ctrl+semicolon Return "
                           "x space shift+0 space shift+8 1 ctrl+semicolon Return "
                           "e x i t shift+8 shift+9 ctrl+semicolon Return";
  // Typing starts a second after the focus arrives (the window settles its keyboard state then, and a key in
  // that moment can be lost); one message a pass, a frame each, is slow on a busy machine.
  runCommand("xdotool windowfocus --sync " + std::to_string(window) + " sleep 1 key " + keys + " 2>/dev/null");
  ASSERT_EQ(tool.waitExit(120s), 0) << tool.err();

  EXPECT_EQ(readFile(tool.dir.file("console.txt")),
            ">>> print(42);\n42\n>>> x = (1;\n1.6: syntax error, unexpected ;, expecting )\n>>> exit();\n>>> \n");
  // What the command prints goes to standard output as well.
  EXPECT_TRUE(tool.out().ends_with("42\n")) << tool.out();
}

}  // namespace
