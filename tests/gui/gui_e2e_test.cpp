// The console as a user meets it in kelvo-scene under Xvfb: F2 opens it, text typed with xdotool comes in the
// keyboard's layout (or, asked for, keys go through the console's own layout), Enter runs the line, the answers
// come below, and so do the messages of the load (read from the console log; gui_gl_test draws them).

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace kelvo::test;
namespace fs = std::filesystem;

// A folder with the installation's GUI files.
void installGui(ChildProcess& tool) {
  const fs::path game = fs::path(KELVO_SOURCE_DIR) / "game";
  fs::create_symlink(game / "GUIConfig.txt", tool.dir.file("GUIConfig.txt"));
  fs::create_directory_symlink(game / "Data", tool.dir.file("Data"));
}

TEST(ConsoleEndToEnd, TextTypedInTheKeyboardsLayoutReachesTheScript) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  ChildProcess tool;
  installGui(tool);
  tool.dir.write("scene.txt", "scene = Group();\n");
  tool.start(KELVO_BIN_DIR "/kelvo-scene --console-log console.txt scene.txt");
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();

  // xdotool types each character with the keys of the server's keymap (US): "=", "<" and ";" are keys of
  // their own or Shift with one, "_" and "*" Shift with "-" and "8". Then a left arrow and Backspace edit.
  // (xdotool's "type" takes the rest of its command line as text: one command each.)
  const std::string steps[] = {"windowfocus --sync " + std::to_string(window) + " sleep 1 key F2",
                               "type 'x = 1 < 2;'", "key Return", "type 'y_ = x * 3;'", "key Return",
                               "type 'print(y_ + 1);'", "key Left Left BackSpace", "type 2", "key Return",
                               "type 'print(x > 0);y'", "key BackSpace Return", "type 'exit();'", "key Return"};
  std::string line;
  for (const std::string& step : steps) line += (line.empty() ? "" : " && ") + ("xdotool " + step);
  runCommand(line + " 2>/dev/null");
  ASSERT_EQ(tool.waitExit(120s), 0) << tool.err();

  EXPECT_EQ(readFile(tool.dir.file("console.txt")),
            ">>> x = 1 < 2;\ntrue\n>>> y_ = x * 3;\n3\n>>> print(y_ + 2);\n5\n>>> print(x > 0);\ntrue\n"
            ">>> exit();\n>>> \n");
  // What the commands print and the values they leave go to standard output as well.
  EXPECT_TRUE(tool.out().ends_with("true\n3\n5\ntrue\n")) << tool.out();
}

TEST(ConsoleEndToEnd, TheLoadsMessagesShowInTheConsole) {
  ChildProcess tool;
  installGui(tool);
  tool.dir.write("broken.txt", "scene = Group();\nprint(unknownName);\nx = (1;\n");
  tool.start(KELVO_BIN_DIR "/kelvo-scene --frames 2 --console-log console.txt broken.txt", false);
  EXPECT_EQ(tool.waitExit(120s), 1) << tool.err();
  // The lines stderr shows, as output lines (no prompt) above the empty edit line.
  const std::string messages = "broken.txt:3.6: syntax error, unexpected ;, expecting )\n"
                               "broken.txt:2.0: warning: print stops at argument 1: 'unknownName' has no value\n";
  EXPECT_EQ(readFile(tool.dir.file("console.txt")), messages + ">>> \n");
  EXPECT_NE(tool.err().find(messages), std::string::npos) << tool.err();
}

// Each load tells its own messages: after "reset" the scene's warning comes again (and no note counts it as
// a repeat of the first load's).
TEST(ConsoleEndToEnd, EveryLoadsMessagesShowInTheConsole) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  ChildProcess tool;
  installGui(tool);
  tool.dir.write("scene.txt", "scene = Group();\nprint(noSuchName);\n");
  tool.start(KELVO_BIN_DIR "/kelvo-scene --console-log console.txt scene.txt");
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();
  runCommand("xdotool windowfocus --sync " + std::to_string(window) +
             " sleep 1 key F2 && xdotool type 'reset();' && xdotool key Return && xdotool type 'exit();' && "
             "xdotool key Return 2>/dev/null");
  ASSERT_EQ(tool.waitExit(120s), 0) << tool.err();
  const std::string warning = "scene.txt:2.0: warning: print stops at argument 1: 'noSuchName' has no value\n";
  EXPECT_EQ(readFile(tool.dir.file("console.txt")), warning + ">>> reset();\n" + warning + ">>> exit();\n>>> \n");
  EXPECT_EQ(tool.err(), warning + warning);
}

TEST(ConsoleEndToEnd, TypedLinesRunAndTheirAnswersShowBelow) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  ChildProcess tool;
  installGui(tool);
  tool.dir.write("scene.txt", "scene = Group();\n");

  tool.start(KELVO_BIN_DIR "/kelvo-scene --console-keys fixed --console-log console.txt scene.txt");
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();

  // The console's own layout: "(" and ")" are Shift+8 and Shift+9, "=" is Shift+0 and ";" is Ctrl with the key
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
