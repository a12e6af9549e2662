// kelvo-scene as an author meets it, under the test display (Xvfb): scene
// scripts with a cube model built in a scratch folder, screenshots read back
// with FreeImage, key presses sent with xdotool.

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kelvo::test;

const char* const kCubeObj =
    "mtllib cube.mtl\n"
    "g cube\n"
    "usemtl red\n"
    "v -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\n"
    "v -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\n"
    "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
    "f 1//1 4//1 3//1 2//1\nf 5//2 6//2 7//2 8//2\nf 1//3 2//3 6//3 5//3\n"
    "f 4//4 8//4 7//4 3//4\nf 1//5 5//5 8//5 4//5\nf 2//6 3//6 7//6 6//6\n";

// Red is opaque; glass is blue and half transparent.
const char* const kCubeMtl =
    "newmtl red\nKa 0 0 0\nKd 1 0 0\nKs 0 0 0\n"
    "newmtl glass\nKa 0 0 0\nKd 0 0 1\nKs 0 0 0\nd 0.5\n";

// A light 3 units before the origin, towards the default camera at (0, 0, 2).
const char* const kLight = "Group(translate(0, 0, 3), Light())";

struct Pixel {
  int r = -1, g = -1, b = -1;
};

class Image {
public:
  explicit Image(const std::string& path) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) return;
    if (FIBITMAP* loaded = FreeImage_Load(format, path.c_str(), 0)) {
      bitmap_ = FreeImage_ConvertTo24Bits(loaded);
      FreeImage_Unload(loaded);
    }
  }
  ~Image() {
    if (bitmap_) FreeImage_Unload(bitmap_);
  }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  bool valid() const { return bitmap_ != nullptr; }
  int width() const { return bitmap_ ? static_cast<int>(FreeImage_GetWidth(bitmap_)) : 0; }
  int height() const { return bitmap_ ? static_cast<int>(FreeImage_GetHeight(bitmap_)) : 0; }
  // (x, y) from the top left, as the image is seen.
  Pixel at(int x, int y) const {
    Pixel p;
    RGBQUAD q;
    if (bitmap_ && FreeImage_GetPixelColor(bitmap_, x, height() - 1 - y, &q)) p = {q.rgbRed, q.rgbGreen, q.rgbBlue};
    return p;
  }

private:
  FIBITMAP* bitmap_ = nullptr;
};

std::ostream& operator<<(std::ostream& out, const Pixel& p) {
  return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

bool isRed(const Pixel& p) { return p.r > 180 && p.g < 40 && p.b < 40; }
bool isBlack(const Pixel& p) { return p.r < 16 && p.g < 16 && p.b < 16; }

// One run of kelvo-scene in a scratch installation folder holding the cube.
class SceneRun : public ChildProcess {
public:
  SceneRun() {
    dir_.write("cube.obj", kCubeObj);
    dir_.write("cube.mtl", kCubeMtl);
  }
  ~SceneRun() { stop(); }  // before the folder goes

  const TempDir& dir() const { return dir_; }

  void start(const std::vector<std::string>& args, bool withDisplay = true) {
    std::vector<std::string> argv{KELVO_BIN_DIR "/kelvo-scene"};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess::start(dir_.path(), argv, withDisplay);
  }
  int runToEnd(const std::vector<std::string>& args, bool withDisplay = true) {
    start(args, withDisplay);
    return waitExit();
  }

private:
  TempDir dir_;
};

class SceneToolTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  }
};

TEST_F(SceneToolTest, LitRedCubeBeforeTheDefaultCamera) {
  SceneRun tool;
  tool.dir().write("scene.txt", std::string("print(\"ready\");\nscene = Group(") + kLight +
                                    ", Model(\"cube.obj\"));\n");
  ASSERT_EQ(tool.runToEnd({"--frames", "5", "--screenshot", "shot.png", "scene.txt"}), 0) << tool.err();
  Image image(tool.dir().file("shot.png"));
  ASSERT_TRUE(image.valid()) << tool.err();
  EXPECT_EQ(image.width(), 640);
  EXPECT_EQ(image.height(), 480);
  EXPECT_TRUE(isRed(image.at(320, 240))) << image.at(320, 240);
  // The cube's front face is lit head-on and fills the middle of the view.
  EXPECT_TRUE(isRed(image.at(200, 100))) << image.at(200, 100);
  for (auto [x, y] : {std::pair{2, 2}, {637, 2}, {2, 477}, {637, 477}})
    EXPECT_TRUE(isBlack(image.at(x, y))) << x << "," << y << " " << image.at(x, y);
  EXPECT_EQ(tool.out().rfind("ready\n", 0), 0u) << tool.out();
}

TEST_F(SceneToolTest, SizeOptionAndScriptErrorsInTheToolsFormat) {
  SceneRun tool;
  // The second statement is broken; the first still runs and the scene is
  // whatever was reduced before the error.
  tool.dir().write("broken.txt", std::string("scene = Group(") + kLight + ", Model(\"cube.obj\"));\nx = (1;\n");
  ASSERT_EQ(tool.runToEnd({"--size", "200x100", "--frames", "3", "--screenshot", "shot.png", "broken.txt"}), 0);
  EXPECT_NE(tool.err().find("broken.txt:2.6: "), std::string::npos) << tool.err();
  Image image(tool.dir().file("shot.png"));
  ASSERT_TRUE(image.valid());
  EXPECT_EQ(image.width(), 200);
  EXPECT_EQ(image.height(), 100);
  EXPECT_TRUE(isRed(image.at(100, 50))) << image.at(100, 50);
}

// An opaque red cube behind a half-transparent blue one, shifted so both
// also show on their own.
std::string glassScene() {
  return std::string("Material(\"cube.mtl\");\n"
                     "front = Model(\"cube.obj\");\n"
                     "front.setMaterial(getMaterial(\"glass\"));\n"
                     "scene = Group(") +
         kLight +
         ",\n  Group(translate(0, 0, -1), Model(\"cube.obj\")),\n"
         "  Group(translate(0.3, 0, 0.5), scale(0.5, 0.5, 0.5), front));\n";
}

TEST_F(SceneToolTest, TranslucentMaterialBlendsOverTheOpaqueOneWithSceneBlend) {
  SceneRun blended;
  blended.dir().write("Data/Scenes/Settings.txt", "sceneBlend\nend\n");
  blended.dir().write("scene.txt", glassScene());
  ASSERT_EQ(blended.runToEnd({"--frames", "5", "--screenshot", "shot.png", "scene.txt"}), 0) << blended.err();
  Image image(blended.dir().file("shot.png"));
  ASSERT_TRUE(image.valid());
  // Left of the glass only the red cube; in the overlap half red, half blue.
  const Pixel red = image.at(250, 240);
  const Pixel overlap = image.at(420, 240);
  EXPECT_TRUE(isRed(red)) << red;
  EXPECT_GT(overlap.r, 80) << overlap;
  EXPECT_LT(overlap.r, 180) << overlap;
  EXPECT_GT(overlap.b, 80) << overlap;
  EXPECT_LT(overlap.g, 40) << overlap;

  // Without the setting the translucent pass paints over what is behind.
  SceneRun plain;
  plain.dir().write("scene.txt", glassScene());
  ASSERT_EQ(plain.runToEnd({"--frames", "5", "--screenshot", "shot.png", "scene.txt"}), 0) << plain.err();
  Image opaque(plain.dir().file("shot.png"));
  ASSERT_TRUE(opaque.valid());
  const Pixel covered = opaque.at(420, 240);
  EXPECT_LT(covered.r, 40) << covered;
  EXPECT_GT(covered.b, 120) << covered;
}

// A cube that starts on the left; `mover` holds the calls that move it.
std::string movingScene(const std::string& mover) {
  return "t = translate(-1, 0, 0);\n"
         "def moveRight() {\n  t.setX(1);\n}\n" +
         mover + "scene = Group(" + kLight + ", t, scale(0.5, 0.5, 0.5), Model(\"cube.obj\"));\n";
}

TEST_F(SceneToolTest, TimerMovesTheNodeBetweenTwoScreenshots) {
  SceneRun before;
  before.dir().write("scene.txt", movingScene(""));
  ASSERT_EQ(before.runToEnd({"--frames", "3", "--screenshot", "shot.png", "scene.txt"}), 0) << before.err();
  Image left(before.dir().file("shot.png"));
  ASSERT_TRUE(left.valid());
  EXPECT_TRUE(isRed(left.at(40, 240))) << left.at(40, 240);
  EXPECT_TRUE(isBlack(left.at(600, 240))) << left.at(600, 240);

  // The time-out moves the cube and ends the run; the frame of that pass
  // is the last one drawn.
  SceneRun after;
  after.dir().write("scene.txt", movingScene("def done() {\n  moveRight();\n  exit();\n}\n"
                                             "def idle() {\n  0;\n}\n"
                                             "Timer(10, 50, idle(), done());\n"));
  ASSERT_EQ(after.runToEnd({"--screenshot", "shot.png", "scene.txt"}), 0) << after.err();
  Image right(after.dir().file("shot.png"));
  ASSERT_TRUE(right.valid());
  EXPECT_TRUE(isBlack(right.at(40, 240))) << right.at(40, 240);
  EXPECT_TRUE(isRed(right.at(600, 240))) << right.at(600, 240);
}

TEST_F(SceneToolTest, KeyPressReachesItsBindingAndEscapeQuits) {
  SceneRun tool;
  tool.dir().write("scene.txt", movingScene("setKeyFunc(\"M\", moveRight());\n"));
  tool.start({"--screenshot", "shot.png", "scene.txt"});
  const unsigned long window = tool.findWindow();
  ASSERT_NE(window, 0ul) << tool.err();
  runCommand("xdotool windowfocus --sync " + std::to_string(window) + " key m 2>/dev/null");
  ASSERT_EQ(tool.pressEscape(window), 0) << tool.err();
  Image image(tool.dir().file("shot.png"));
  ASSERT_TRUE(image.valid());
  EXPECT_TRUE(isBlack(image.at(40, 240))) << image.at(40, 240);
  EXPECT_TRUE(isRed(image.at(600, 240))) << image.at(600, 240);
}

TEST(SceneToolNoDisplay, RendersOffscreenWhenThereIsNoDisplay) {
  SceneRun tool;
  tool.dir().write("scene.txt", std::string("scene = Group(") + kLight + ", Model(\"cube.obj\"));\n");
  ASSERT_EQ(tool.runToEnd({"--frames", "2", "--screenshot", "shot.png", "scene.txt"}, false), 0) << tool.err();
  Image image(tool.dir().file("shot.png"));
  ASSERT_TRUE(image.valid()) << tool.err();
  EXPECT_TRUE(isRed(image.at(320, 240))) << image.at(320, 240);
}

TEST(SceneToolUsage, BadOptionsAreUsageErrors) {
  SceneRun tool;
  EXPECT_EQ(tool.runToEnd({"--size", "0x10", "scene.txt"}, false), 2);
  EXPECT_NE(tool.err().find("usage: kelvo-scene"), std::string::npos);
  SceneRun noFile;
  EXPECT_EQ(noFile.runToEnd({"--frames", "2"}, false), 2);
  SceneRun help;
  EXPECT_EQ(help.runToEnd({"--help"}, false), 0);
  EXPECT_NE(help.out().find("--screenshot"), std::string::npos);
}

}  // namespace
