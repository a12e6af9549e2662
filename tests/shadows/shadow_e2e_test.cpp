// kelvo-scene renders a cube above a floor, lit from the upper left, with and
// without shadows (under Xvfb): the floor in the cube's shadow is darkened to
// 60 %, every other pixel keeps its value.

#include "support/ChildProcess.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

using namespace kelvo::test;

constexpr int kWidth = 640, kHeight = 480;

// The red channel of the screenshot, top row first, with the given settings
// file; `casters` false turns castShadow off on both nodes.
std::vector<int> render(const std::string& settings, bool casters = true) {
  ChildProcess tool;
  const TempDir& dir = tool.dir;
  dir.write("cube.obj", kCubeObj);
  dir.write("cube.mtl", "newmtl grey\nKa 0.2 0.2 0.2\nKd 0.6 0.6 0.6\nKs 0 0 0\n");
  dir.write("Data/Scenes/Settings.txt", settings);
  dir.write("tmp/keep", "");
  dir.write("scene.txt", std::string("Material(\"cube.mtl\");\nfloor = Model(\"cube.obj\");\n") +
                             "box = Model(\"cube.obj\");\nfloor.setMaterial(getMaterial(\"grey\"));\n" +
                             (casters ? "" : "floor.castShadow(false);\nbox.castShadow(false);\n") +
                             "scene = Group(Group(translate(-1.4, 1.2, -1), Light()),\n"
                             "  Group(translate(0, -0.6, -1), scale(3, 0.1, 3), floor),\n"
                             "  Group(translate(0, -0.2, -1), scale(0.4, 0.4, 0.4), box));\n");
  tool.start(KELVO_BIN_DIR "/kelvo-scene --frames 3 --screenshot shot.png scene.txt");
  EXPECT_EQ(tool.waitExit(), 0) << tool.err();
  // With shadows on, the model's records are cached beside it.
  EXPECT_EQ(std::filesystem::exists(dir.file("tmp/cube.vshadow")), settings.starts_with("sceneCast"));

  std::vector<int> red;
  if (FIBITMAP* image = FreeImage_Load(FIF_PNG, dir.file("shot.png").c_str(), 0)) {
    RGBQUAD pixel;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        if (FreeImage_GetPixelColor(image, x, kHeight - 1 - y, &pixel)) red.push_back(pixel.rgbRed);
    FreeImage_Unload(image);
  }
  return red;
}

TEST(ShadowImage, FloorInTheCubesShadowIsDarkenedTo60PercentAndNothingElseChanges) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  const std::vector<int> off = render("sceneDontCastShadows\nend\n"), on = render("sceneCastShadows\nend\n");
  ASSERT_EQ(off.size(), std::size_t{kWidth * kHeight});
  EXPECT_TRUE(render("sceneCastShadows\nend\n", false) == off);  // nothing casts: nothing changes
  ASSERT_EQ(on.size(), off.size());
  int darkened = 0;
  for (std::size_t i = 0; i < off.size(); ++i) {
    if (on[i] == off[i]) continue;
    ASSERT_LE(std::fabs(on[i] - 0.6 * off[i]), 1.5) << "pixel " << i << ": " << on[i] << " vs " << off[i];
    ++darkened;
  }
  EXPECT_GT(darkened, 3000);
  // Floor right of the cube, where the cube stands between it and the light;
  // floor at the front left, in the light.
  const int shadow = 346 * kWidth + 407, lit = 367 * kWidth + 135;
  EXPECT_GT(off[shadow], 60);
  EXPECT_NEAR(on[shadow], 0.6 * off[shadow], 1.5);
  EXPECT_GT(off[lit], 60);
  EXPECT_EQ(on[lit], off[lit]);
}

}  // namespace
