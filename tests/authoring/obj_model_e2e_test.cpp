// kelvo-scene shown an OBJ file of positions and "f 1 2 3" faces only: the
// triangle is drawn, lit by its flat normal; a face that points at no vertex
// is dropped and named on stderr.

#include "support/ChildProcess.h"
#include "support/Images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using namespace kelvo::test;

bool lit(int r, int g, int b) { return r > 150 && g > 150 && b > 150; }

TEST(ObjModelEndToEnd, APlainTriangleFileShowsItsTriangle) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  struct {
    const char* face;
    bool drawn;
    const char* err;
  } cases[] = {
      {"f 1 2 3\n", true, ""},
      {"f 1 2 9\n", false, "tri.obj:4: face dropped: vertex 9 does not exist (3 declared so far)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    ChildProcess tool;
    tool.dir.write("tri.obj", triangle + c.face);
    tool.start("'" KELVO_BIN_DIR "/kelvo-scene' --frames 5 --screenshot shot.png tri.obj", false);
    ASSERT_EQ(tool.waitExit(), 0) << tool.err();
    const ColourSpot spot = findColour(tool.dir.file("shot.png"), lit);
    if (!c.drawn) {
      EXPECT_EQ(spot.count, 0);
      EXPECT_NE(tool.err().find(c.err), std::string::npos) << tool.err();
      continue;
    }
    EXPECT_EQ(tool.err(), "");
    // The right angle at the lower left: the triangle's pixels lie left of
    // and below the centre of the view, and fill about half its square.
    EXPECT_GT(spot.count, 20000);
    EXPECT_LT(spot.x, 300);
    EXPECT_GT(spot.y, 260);
  }
}

}  // namespace
