// kelvo-scene's batch runs under the test display (Xvfb): reference images
// and virtual time (the comparison itself: batch_unit_test).

#include "support/SceneRun.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace kelvo::test;

// A red cube, lit from before the default camera, at x = `x` and moved
// right by `step` every 10 ms of the program clock.
std::string cubeScene(const char* x, const char* step = "0") {
  return std::string("x = ") + x + ";\nt = translate(x, 0, 0);\ndef move() {\n  x = x + " + step +
         ";\n  t.setX(x);\n}\ndef still() {\n  1;\n}\nTimer(10, 1000000, move(), still());\n"
         "scene = Group(Group(translate(0, 0, 3), Light()), t, scale(0.5, 0.5, 0.5), Model(\"cube.obj\"));\n";
}

// A PNG file's size "WxH" and its pixels, B, G, R rows; "" when it is not one.
std::string pngPixels(const std::string& path) {
  const Png image(path);
  if (!image || FreeImage_GetBPP(image.bitmap()) != 24) return "";
  std::string seen = std::to_string(image.width()) + "x" + std::to_string(image.height()) + " ";
  for (int y = 0; y < image.height(); ++y)
    seen.append(reinterpret_cast<const char*>(FreeImage_GetScanLine(image.bitmap(), y)), 3u * image.width());
  return seen;
}

TEST(BatchTest, TheLastFrameAgainstAReferenceImage) {
  SceneRun first(cubeScene("0"));
  ASSERT_EQ(first.run("--frames 3 --screenshot own.png scene.txt"), 0) << first.err();
  const std::string own = first.dir.file("own.png");
  struct Case {
    const char* script;
    std::string args;
    int status;
    const char* out;  // a part of each; "" for anything
    const char* err;
  } cases[] = {
      {"0", "--frames 3 --ref '" + own + "' scene.txt", 0, "difference from " , ""},
      {"0", "--frames 3 --screenshot again.png --ref '" + own + "' --threshold 0 scene.txt", 0, ": 0.000% of pixels (0 of 307200)", ""},
      {"1", "--frames 3 --ref '" + own + "' scene.txt", 1, "% of pixels (", "differs from"},
      {"1", "--frames 3 --ref '" + own + "' --threshold 100 scene.txt", 0, "threshold 100%", ""},
      {"0", "--threshold 1 scene.txt", 2, "", "--threshold goes with --ref"},
      {"0", "--fps 30 scene.txt", 2, "", "--fps goes with --frames"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    SceneRun tool(cubeScene(c.script));
    EXPECT_EQ(tool.run(c.args), c.status) << tool.err();
    EXPECT_NE(tool.out().find(c.out), std::string::npos) << tool.out();
    EXPECT_NE(tool.err().find(c.err), std::string::npos) << tool.err();
  }
}

TEST(BatchTest, WithAFrameRateAnAnimatedSceneGivesTheSameLastFrameEveryRun) {
  // The cube moves 0.005 every 10 ms of the program clock, from the left.
  std::string shots[3];
  for (int run = 0; run < 3; ++run) {
    SceneRun tool(cubeScene("-1", "0.005"));
    ASSERT_EQ(tool.run(std::string("--frames ") + (run < 2 ? "30" : "1") + " --fps 30 --screenshot shot.png scene.txt"), 0)
        << tool.err();
    shots[run] = pngPixels(tool.dir.file("shot.png"));
    ASSERT_EQ(shots[run].substr(0, 8), "640x480 ");
  }
  EXPECT_TRUE(shots[0] == shots[1]) << "two runs of 30 frames at 30 a second differ";
  EXPECT_FALSE(shots[0] == shots[2]) << "the cube did not move";
}

}  // namespace
