// kelvo-scene with and without shadows (under Xvfb): the floor in a cube's shadow darkens to 60 %, nothing else.

#include "support/ChildProcess.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

// The red channel of the 640 × 480 shot (bottom row first); `casters` false turns castShadow off on both nodes.
static std::vector<int> render(const std::string& settings, bool casters = true) {
  kelvo::test::ChildProcess tool;
  const kelvo::test::TempDir& dir = tool.dir;
  dir.write("cube.obj", kelvo::test::kCubeObj);
  dir.write("cube.mtl", "newmtl grey\nKa 0.2 0.2 0.2\nKd 0.6 0.6 0.6\nKs 0 0 0\n");
  dir.write("Data/Scenes/Settings.txt", settings);
  dir.write("tmp/keep", "");  // the model's collision trees and shadow records are cached there
  dir.write("scene.txt", std::string("Material(\"cube.mtl\");\nfloor = Model(\"cube.obj\");\n") +
                             "box = Model(\"cube.obj\");\nfloor.setMaterial(getMaterial(\"grey\"));\n" +
                             (casters ? "" : "floor.castShadow(false);\nbox.castShadow(false);\n") +
                             "scene = Group(Group(translate(-1.4, 1.2, -1), Light()),\n"
                             "  Group(translate(0, -0.6, -1), scale(3, 0.1, 3), floor),\n"
                             "  Group(translate(0, -0.2, -1), scale(0.4, 0.4, 0.4), box));\n");
  tool.start(KELVO_BIN_DIR "/kelvo-scene --frames 3 --screenshot shot.png scene.txt");
  EXPECT_EQ(tool.waitExit(), 0) << tool.err();
  std::vector<int> red;
  RGBQUAD pixel;
  if (FIBITMAP* image = FreeImage_Load(FIF_PNG, dir.file("shot.png").c_str(), 0)) {
    for (unsigned i = 0; i < 640 * 480; ++i)
      if (FreeImage_GetPixelColor(image, i % 640, i / 640, &pixel)) red.push_back(pixel.rgbRed);
    FreeImage_Unload(image);
  }
  return red;
}

TEST(ShadowImage, FloorInTheCubesShadowIsDarkenedTo60PercentAndNothingElseChanges) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  const std::vector<int> off = render("sceneDontCastShadows\nend\n"), on = render("sceneCastShadows\nend\n");
  ASSERT_TRUE(off.size() == 640u * 480 && on.size() == off.size()) << off.size() << " " << on.size();
  EXPECT_TRUE(render("sceneCastShadows\nend\n", false) == off);  // nothing casts: nothing changes
  int darkened = 0;
  for (std::size_t i = 0; i < off.size(); ++i) {
    if (on[i] == off[i]) continue;
    ASSERT_LE(std::fabs(on[i] - 0.6 * off[i]), 1.5) << "pixel " << i << ": " << on[i] << " vs " << off[i];
    ++darkened;
  }
  // The floor right of the cube (lit from the upper left) is in its shadow, the floor at the front left is not.
  const int shadow = 133 * 640 + 407, lit = 112 * 640 + 135;
  EXPECT_TRUE(darkened > 3000 && off[shadow] > 60 && on[shadow] < off[shadow] && off[lit] > 60 && on[lit] == off[lit])
      << darkened << " darkened; " << off[shadow] << " → " << on[shadow] << ", " << off[lit] << " → " << on[lit];
}
