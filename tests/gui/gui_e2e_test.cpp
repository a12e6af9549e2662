// The console as a user meets it in kelvo-scene under Xvfb: F2 opens it, text typed with xdotool comes in the
// keyboard's layout, Enter runs the line, the answers come below, and so do the messages of every load (read
// from the console log; gui_gl_test draws them).

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace kelvo::test;
namespace fs = std::filesystem;

// kelvo-scene in a folder with the installation's GUI files and `scene` as scene.txt, its console logged.
struct ConsoleRun : ChildProcess {
  explicit ConsoleRun(const std::string& scene) {
    const fs::path game = fs::path(KELVO_SOURCE_DIR) / "game";
    fs::create_symlink(game / "GUIConfig.txt", dir.file("GUIConfig.txt"));
    fs::create_directory_symlink(game / "Data", dir.file("Data"));
    dir.write("scene.txt", scene);
  }
  // Runs with `options`, then the xdotool commands `steps` once its window has had the focus a second (the
  // window settles its keyboard state then, and a key in that moment can be lost); the exit status. One
  // message a pass, a frame each, is slow on a busy machine. (xdotool's "type" takes the rest of its command
  // line as text: one command each.)
  int drive(const std::string& options, const std::vector<std::string>& steps) {
    start(KELVO_BIN_DIR "/kelvo-scene --console-log console.txt " + options + " scene.txt");
    const unsigned long window = findWindow();
    EXPECT_NE(window, 0ul) << err();
    if (!window) return -1;
    std::string line = "xdotool windowfocus --sync " + std::to_string(window) + " sleep 1 key F2";
    for (const std::string& step : steps) line += " && xdotool " + step;
    runCommand(line + " 2>/dev/null");
    return waitExit(120s);
  }
  std::string log() const { return readFile(dir.file("console.txt")); }
};

TEST(ConsoleEndToEnd, TextTypedInTheKeyboardsLayoutReachesTheScript) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  // xdotool types each character with the keys of the server's keymap (US): "=", "<" and ";" are keys of
  // their own or Shift with one, "_" and "*" Shift with "-" and "8". Then a left arrow and Backspace edit.
  ConsoleRun tool("scene = Group();\n");
  ASSERT_EQ(tool.drive("", {"type 'x = 1 < 2;'", "key Return", "type 'y_ = x * 3;'", "key Return",
                            "type 'print(y_ + 1);'", "key Left Left BackSpace", "type 2", "key Return",
                            "type 'print(x > 0);y'", "key BackSpace Return", "type 'exit();'", "key Return"}),
            0)
      << tool.err();
  EXPECT_EQ(tool.log(), ">>> x = 1 < 2;\ntrue\n>>> y_ = x * 3;\n3\n>>> print(y_ + 2);\n5\n>>> print(x > 0);\ntrue\n"
                        ">>> exit();\n>>> \n");
  // What the commands print and the values they leave go to standard output as well.
  EXPECT_TRUE(tool.out().ends_with("true\n3\n5\ntrue\n")) << tool.out();
}

TEST(ConsoleEndToEnd, TheLoadsMessagesShowInTheConsole) {
  // The lines stderr shows, as output lines (no prompt) above the empty edit line.
  ConsoleRun broken("scene = Group();\nprint(unknownName);\nx = (1;\n");
  broken.start(KELVO_BIN_DIR "/kelvo-scene --frames 2 --console-log console.txt scene.txt", false);
  EXPECT_EQ(broken.waitExit(120s), 1) << broken.err();
  const std::string messages = "scene.txt:3.6: syntax error, unexpected ;, expecting )\n"
                               "scene.txt:2.0: warning: print stops at argument 1: 'unknownName' has no value\n";
  EXPECT_EQ(broken.log(), messages + ">>> \n");
  EXPECT_NE(broken.err().find(messages), std::string::npos) << broken.err();

  // Each load tells its own messages: after "reset" the scene's warning comes again (and no note counts it
  // as a repeat of the first load's).
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  ConsoleRun tool("scene = Group();\nprint(noSuchName);\n");
  ASSERT_EQ(tool.drive("", {"type 'reset();'", "key Return", "type 'exit();'", "key Return"}), 0) << tool.err();
  const std::string warning = "scene.txt:2.0: warning: print stops at argument 1: 'noSuchName' has no value\n";
  EXPECT_EQ(tool.log(), warning + ">>> reset();\n" + warning + ">>> exit();\n>>> \n");
  EXPECT_EQ(tool.err(), warning + warning);
}

}  // namespace
