// kelvo-scene --watch as an author meets it under Xvfb: each load of the
// scene script prints a marker with a value, and the test waits for the
// marker of the next load after every save (never for a time), then quits
// with Escape. (F5 and the screenshot on quitting: overlay_e2e_test.)

#include "support/ChildProcess.h"
#include "support/ModelFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace {

using namespace kelvo::test;
namespace fs = std::filesystem;

// A box centred on the origin with half sizes x, y, z, 8 vertices and 12 triangles.
std::string box(float x, float y, float z) {
  std::string text = "g box\n";
  for (int i = 0; i < 8; ++i)
    text += "v " + std::to_string(i & 1 ? x : -x) + " " + std::to_string(i & 2 ? y : -y) + " " +
            std::to_string(i & 4 ? z : -z) + "\n";
  return text + "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 1 5 7 3\nf 2 4 8 6\n";
}

struct WatchRun : ChildProcess {
  // Saves `text` as `name` the way many editors do: a new file renamed over the old one.
  void save(const std::string& name, const std::string& text) const {
    const std::string temporary = dir.write(name + ".tmp~", text);
    fs::rename(temporary, dir.file(name));
  }
  // Waits (at most two minutes, or until the program ends) for `done` to hold of the output; each turn
  // first runs `poke` (a key typed into the window, say) when there is one.
  bool waitFor(const std::function<bool(const std::string&)>& done, const std::function<void()>& poke = {}) {
    for (int turn = 0; turn < 600; ++turn) {
      if (done(out())) return true;
      if (waitExit(0ms) != -1) return done(out());
      if (poke) poke();
      waitExit(poke ? 500ms : 200ms);
    }
    return done(out());
  }
  bool waitForLine(const std::string& line) {
    return waitFor([&](const std::string& text) { return text.find(line + "\n") != std::string::npos; });
  }
  void type(unsigned long window, const std::string& keys) {
    runCommand("xdotool windowfocus --sync " + std::to_string(window) + " key " + keys + " 2>/dev/null");
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
  // rewritten in place, the script deleted and made again, the script broken (a syntax error at its end:
  // the marker before it still prints, the message goes to stderr), then mended.
  const struct {
    const char* what;
    std::function<void(WatchRun&)> edit;
    std::string marker;
  } steps[] = {
      {"script saved by rename", [&](WatchRun& t) { t.save("scene.ks", script("2")); }, "load 2 10"},
      {"include written in place", [](WatchRun& t) { t.dir.write("lib/value.inc", "def value() { return 20; }\n"); }, "load 2 20"},
      {"script deleted and made again",
       [&](WatchRun& t) {
         fs::remove(t.dir.file("scene.ks"));
         t.dir.write("scene.ks", script("3"));
       },
       "load 3 20"},
      {"script broken", [&](WatchRun& t) { t.save("scene.ks", script("4") + "scene = Group(;\n"); }, "load 4 20"},
      {"script mended", [&](WatchRun& t) { t.save("scene.ks", script("5")); }, "load 5 20"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.edit(tool);
    ASSERT_TRUE(tool.waitForLine(step.marker)) << tool.out() << tool.err();
  }
  // One load per save: every marker once, in order.
  EXPECT_EQ(tool.out(), "load 1 10\nload 2 10\nload 2 20\nload 3 20\nload 4 20\nload 5 20\n");
  EXPECT_NE(tool.err().find("scene.ks:4.14: syntax error"), std::string::npos) << tool.err();
  EXPECT_EQ(tool.pressKeys(window, "Escape"), 0) << tool.err();
}

TEST(WatchEndToEnd, ASavedModelIsReadAgainAndItsCollisionTreesRebuilt) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  WatchRun tool;
  // A flat slab under a small cube that it does not reach; saved as a cube of the same width, it does.
  tool.dir.write("shape.obj", box(0.5f, 0.05f, 0.05f));
  tool.dir.write("cube.obj", kCubeObj);
  tool.dir.write("scene.ks",
                 "def check() { print(\"touch \", collisionDetection(a, b)); }\nsetKeyFunc(\"c\", check());\n"
                 "a = Model(\"shape.obj\");\nb = Model(\"cube.obj\");\n"
                 "scene = Group(Group(translate(0, 0, 3), Light()), a, Group(translate(0, 0.3, 0), scale(0.2, 0.2, 0.2), b));\n"
                 "print(\"load\");\n");
  tool.start(KELVO_BIN_DIR "/kelvo-scene --watch scene.ks");
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();
  // The first answer to "c" after the `loads`-th load, typed until it shows ("" when it never does).
  auto answerAfterLoad = [&](int loads) {
    auto rest = [loads](const std::string& text) {
      std::size_t at = 0;
      for (int i = 0; i < loads && at != std::string::npos; ++i)
        if ((at = text.find("load\n", at)) != std::string::npos) at += 5;
      return at == std::string::npos ? std::string() : text.substr(at);
    };
    tool.waitFor([&](const std::string& text) { return rest(text).find('\n') != std::string::npos; },
                 [&] { tool.type(window, "c"); });
    const std::string answers = rest(tool.out());
    return answers.substr(0, answers.find('\n'));
  };
  EXPECT_EQ(answerAfterLoad(1), "touch false") << tool.out();
  const std::string firstTrees = readFile(tool.dir.file("tmp/shape.obj.aabb"));
  EXPECT_FALSE(firstTrees.empty());

  tool.save("shape.obj", box(0.5f, 0.5f, 0.5f));
  ASSERT_TRUE(tool.waitFor([](const std::string& text) { return text.find("\nload\n") != std::string::npos; }))
      << tool.out() << tool.err();
  EXPECT_EQ(answerAfterLoad(2), "touch true") << tool.out();
  // The trees of the new shape replaced the cached ones of the old (faces
  // of plain vertex numbers keep their caches under the full file name).
  EXPECT_NE(readFile(tool.dir.file("tmp/shape.obj.aabb")), firstTrees);
  EXPECT_EQ(tool.pressKeys(window, "Escape"), 0) << tool.err();
}

}  // namespace
