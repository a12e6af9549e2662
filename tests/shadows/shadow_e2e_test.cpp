// A cube above a floor, lit from the upper left, rendered by kelvo-scene with
// and without shadows (under Xvfb): the floor in the cube's shadow is
// darkened to 60 %, everything else keeps its value.

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace kelvo::test;

constexpr int kWidth = 640, kHeight = 480;

const char* const kScene =
    "Material(\"cube.mtl\");\n"
    "floor = Model(\"cube.obj\");\nfloor.setMaterial(getMaterial(\"grey\"));\nbox = Model(\"cube.obj\");\n"
    "CASTERS"
    "scene = Group(Group(translate(-1.4, 1.2, -1), Light()),\n"
    "  Group(translate(0, -0.6, -1), scale(3, 0.1, 3), floor),\n"
    "  Group(translate(0, -0.2, -1), scale(0.4, 0.4, 0.4), box));\n";

// One screenshot with the given settings file; `casters` false turns off
// castShadow on both nodes. RGB bytes, top row first.
std::vector<int> render(const char* settings, bool casters = true) {
  TempDir dir;
  dir.write("cube.obj",
            "v -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\n"
            "v -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\n"
            "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
            "f 1//1 4//1 3//1 2//1\nf 5//2 6//2 7//2 8//2\nf 1//3 2//3 6//3 5//3\n"
            "f 4//4 8//4 7//4 3//4\nf 1//5 5//5 8//5 4//5\nf 2//6 3//6 7//6 6//6\n");
  dir.write("cube.mtl", "newmtl grey\nKa 0.2 0.2 0.2\nKd 0.6 0.6 0.6\nKs 0 0 0\n");
  dir.write("Data/Scenes/Settings.txt", settings);
  dir.write("tmp/keep", "");
  std::string scene = kScene;
  scene.replace(scene.find("CASTERS"), 7, casters ? "" : "floor.castShadow(false);\nbox.castShadow(false);\n");
  dir.write("scene.txt", scene);
  ChildProcess tool;
  tool.start(dir.path(), {KELVO_BIN_DIR "/kelvo-scene", "--frames", "3", "--screenshot", "shot.png", "scene.txt"});
  EXPECT_EQ(tool.waitExit(), 0) << tool.err();
  // Once shadows are on, the model's records are cached beside it.
  EXPECT_EQ(std::filesystem::exists(dir.file("tmp/cube.vshadow")), std::string(settings).starts_with("sceneCast"));

  std::vector<int> rgb;
  FIBITMAP* loaded = FreeImage_Load(FIF_PNG, dir.file("shot.png").c_str(), 0);
  if (!loaded) return rgb;
  FIBITMAP* image = FreeImage_ConvertTo24Bits(loaded);
  FreeImage_Unload(loaded);
  if (FreeImage_GetWidth(image) == kWidth && FreeImage_GetHeight(image) == kHeight) {
    for (int y = kHeight - 1; y >= 0; --y) {
      const BYTE* row = FreeImage_GetScanLine(image, y);
      for (int x = 0; x < kWidth; ++x)
        rgb.insert(rgb.end(), {row[3 * x + FI_RGBA_RED], row[3 * x + FI_RGBA_GREEN], row[3 * x + FI_RGBA_BLUE]});
    }
  }
  FreeImage_Unload(image);
  return rgb;
}

int at(const std::vector<int>& rgb, int x, int y) { return rgb[3 * (y * kWidth + x)]; }

TEST(ShadowImage, FloorInTheCubesShadowIsDarkenedTo60PercentAndNothingElseChanges) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  const std::vector<int> off = render("sceneDontCastShadows\nend\n");
  const std::vector<int> on = render("sceneCastShadows\nend\n");
  const std::vector<int> noCasters = render("sceneCastShadows\nend\n", false);
  ASSERT_EQ(off.size(), 3u * kWidth * kHeight);
  ASSERT_EQ(on.size(), off.size());
  // With nothing casting, the pass leaves every pixel as it was.
  EXPECT_TRUE(noCasters == off);

  int darkened = 0;
  for (std::size_t i = 0; i < off.size(); ++i) {
    if (on[i] == off[i]) continue;
    ASSERT_LE(std::fabs(on[i] - 0.6 * off[i]), 1.5) << "pixel " << i / 3 << ": " << on[i] << " vs " << off[i];
    ++darkened;
  }
  EXPECT_GT(darkened, 3000);
  // Floor right of the cube, where the cube stands between it and the light;
  // and floor at the front left, in the light.
  EXPECT_GT(at(off, 407, 346), 60);
  EXPECT_NEAR(at(on, 407, 346), 0.6 * at(off, 407, 346), 1.5);
  EXPECT_GT(at(off, 135, 367), 60);
  EXPECT_EQ(at(on, 135, 367), at(off, 135, 367));
}

}  // namespace
