// kelvo-scene --watch as an author meets it under Xvfb: each load of the
// scene script prints a marker with a value, and the test waits for the
// marker of the next load after every save (never for a time), then quits
// with Escape. (F5 and the screenshot on quitting: overlay_e2e_test.)

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace {

using namespace kelvo::test;
namespace fs = std::filesystem;

struct WatchRun : ChildProcess {
  // Saves `text` as `name` the way many editors do: a new file renamed over the old one.
  void save(const std::string& name, const std::string& text) const {
    const std::string temporary = dir.write(name + ".tmp~", text);
    fs::rename(temporary, dir.file(name));
  }
  // Waits (at most two minutes, or until the program ends) for `line` in the output.
  bool waitForLine(const std::string& line) {
    for (int turn = 0; turn < 600; ++turn) {
      if (out().find(line + "\n") != std::string::npos) return true;
      if (waitExit(200ms) != -1) break;
    }
    return out().find(line + "\n") != std::string::npos;
  }
};

TEST(WatchEndToEnd, SavedEditsOfTheScriptAndItsIncludeReloadOnceEachAndABrokenOneToo) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  WatchRun tool;
  tool.dir.write("lib/value.inc", "def value() { return 10; }\n");
  auto script = [](const std::string& n) {
    return "include(\"lib/value.inc\");\nscene = Group();\nprint(\"load \", " + n + ", \" \", value());\n";
  };
  tool.dir.write("scene.ks", script("1"));
  tool.start(KELVO_BIN_DIR "/kelvo-scene --watch scene.ks");
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();
  ASSERT_TRUE(tool.waitForLine("load 1 10")) << tool.out() << tool.err();

  // Each step saves one file; the next load's marker follows. The script saved by rename, the include
  // rewritten in place, the script broken (a syntax error at its end: the marker before it still
  // prints, the message goes to stderr), then mended.
  const struct {
    const char* what;
    std::function<void(WatchRun&)> edit;
    std::string marker;
  } steps[] = {
      {"script saved by rename", [&](WatchRun& t) { t.save("scene.ks", script("2")); }, "load 2 10"},
      {"include written in place", [](WatchRun& t) { t.dir.write("lib/value.inc", "def value() { return 20; }\n"); }, "load 2 20"},
      {"script broken", [&](WatchRun& t) { t.save("scene.ks", script("3") + "scene = Group(;\n"); }, "load 3 20"},
      {"script mended", [&](WatchRun& t) { t.save("scene.ks", script("4")); }, "load 4 20"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.edit(tool);
    ASSERT_TRUE(tool.waitForLine(step.marker)) << tool.out() << tool.err();
  }
  // One load per save: every marker once, in order.
  EXPECT_EQ(tool.out(), "load 1 10\nload 2 10\nload 2 20\nload 3 20\nload 4 20\n");
  EXPECT_NE(tool.err().find("scene.ks:4.14: syntax error"), std::string::npos) << tool.err();
  EXPECT_EQ(tool.pressKeys(window, "Escape"), 0) << tool.err();
}

}  // namespace
