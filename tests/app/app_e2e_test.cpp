// kelvo-viewer as a user meets it under the test display (Xvfb), in a
// folder holding only Data/ScreenSettings.txt or a small show, driven with
// xdotool.

#include "support/ChildProcess.h"
#include "support/Images.h"

#include <gtest/gtest.h>

#include <filesystem>

// Last: Xlib's macros (None, Bool, Status ...) clash with names in the others.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace kelvo::test;

struct Viewer : ChildProcess {
  explicit Viewer(const char* settings, bool display = true, const char* environment = "",
                  void (*install)(const TempDir&) = nullptr) {
    dir.write("Data/ScreenSettings.txt", settings);
    if (install) install(dir);
    start(std::string(environment) + "'" KELVO_BIN_DIR "/kelvo-viewer'", display);
  }
};

TEST(ViewerEndToEnd, WindowAsTheSettingsSayClosedWithStatusZero) {
  // Windowed at the size asked for, closed with Alt+F4; full screen (the
  // settings written with CR LF) a pop-up at the origin, left with Escape.
  for (auto [settings, keys, shown] :
       {std::tuple{"800 600 f\n", "alt+F4", std::vector<const char*>{"\"Kelvo Viewer\"", "Width: 800\n",
                                                                      "Height: 600\n", "IsViewable"}},
        {"1024 768 t\r\n", "Escape", {"Absolute upper-left X:  0\n", "Absolute upper-left Y:  0\n"}}}) {
    Viewer viewer(settings);
    const unsigned long window = viewer.findWindow();
    ASSERT_NE(window, 0ul) << viewer.err();
    const std::string info = runCommand("xwininfo -id " + std::to_string(window));
    for (const char* line : shown) EXPECT_NE(info.find(line), std::string::npos) << line << " in\n" << info;
    EXPECT_EQ(viewer.pressKeys(window, keys), 0) << viewer.err();
  }
}

TEST(ViewerEndToEnd, NoDisplayIsOneErrorLineAndStatusOne) {
  Viewer viewer("800 600 f\n", false);
  EXPECT_EQ(viewer.waitExit(30s), 1);
  const std::string err = viewer.err();
  EXPECT_EQ(err.rfind("kelvo-viewer: ", 0), 0u) << err;
  EXPECT_NE(err.find("display"), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "not one line: " << err;
}

// The show's slides are squares facing the camera, of one colour each: 1 to
// 4 red, green, blue, yellow, the end slide magenta; a flat room, no worker.
void installShow(const TempDir& dir) {
  for (std::string slide : {"slide1 1 0 0", "slide2 0 1 0", "slide3 0 0 1", "slide4 1 1 0", "slide 1 0 1"}) {
    const std::string name = slide.substr(0, slide.find(' ')), rgb = slide.substr(slide.find(' '));
    dir.write("Data/Models/" + name + ".mtl", "newmtl " + name + "\nKa" + rgb + "\nKd" + rgb + "\nKs 0 0 0\n");
    dir.write("Data/Models/" + name + ".obj", "mtllib " + name + ".mtl\nusemtl " + name +
                                                   "\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvn 0 0 1\n"
                                                   "f 1//1 2//1 3//1 4//1\n");
  }
  dir.write("Data/Models/escenario.obj",
            "v -512 0 -396\nv 512 0 -396\nv 512 0 396\nv -512 0 396\nvn 0 1 0\nf 1//1 4//1 3//1 2//1\n");
  dir.write("tableroConfig2.txt", "1 0\n");
  dir.write("ActorDescription.txt", "0\n345 10 0\n");
}

// The top bit of each channel in the middle of the 640 x 480 window, once it
// is `expected` or after 10 s: 0x800000 red, 0x008000 green.
unsigned long centreColour(unsigned long window, unsigned long expected) {
  unsigned long seen = ~0ul;
  Display* display = XOpenDisplay(nullptr);
  for (int i = 0; display && i < 100 && seen != expected; ++i) {
    if (i) std::this_thread::sleep_for(100ms);
    if (XImage* image = XGetImage(display, window, 320, 240, 1, 1, AllPlanes, ZPixmap)) {
      seen = XGetPixel(image, 0, 0) & 0x808080;
      XDestroyImage(image);
    }
  }
  if (display) XCloseDisplay(display);
  return seen;
}

TEST(ViewerEndToEnd, F12SavesTheWindowAsTheNextNumberedScreenshotAndChangesNothingElse) {
  Viewer viewer("640 480 f\n", true, "", &installShow);
  viewer.dir.write("kelvo-0001.png", "an older screenshot");
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.err();
  ASSERT_EQ(centreColour(window, 0x800000), 0x800000u);
  const std::string shot = viewer.dir.file("kelvo-0002.png");
  // A press lost on its way to the window is sent again.
  for (int attempt = 0; attempt < 5 && !std::filesystem::exists(shot); ++attempt) {
    runCommand("xdotool windowfocus --sync " + std::to_string(window) + " key F12 2>/dev/null");
    for (int i = 0; i < 250 && !std::filesystem::exists(shot); ++i) std::this_thread::sleep_for(20ms);
  }
  // The first slide, red, in the middle of a picture of the whole window.
  const Png image(shot);
  ASSERT_TRUE(image) << viewer.err();
  EXPECT_EQ(std::pair(image.width(), image.height()), std::pair(640, 480));
  const RGBQUAD centre = image.at(320, 240);
  EXPECT_TRUE(centre.rgbRed > 128 && centre.rgbGreen < 64 && centre.rgbBlue < 64);
  EXPECT_EQ(readFile(viewer.dir.file("kelvo-0001.png")), "an older screenshot");
  // Still the first slide: a click goes on to the second.
  runCommand("xdotool mousemove --window " + std::to_string(window) + " 320 240 click 1");
  EXPECT_EQ(centreColour(window, 0x008000), 0x008000u);
  EXPECT_EQ(viewer.pressKeys(window, "Escape"), 0) << viewer.err();
  EXPECT_EQ(viewer.out(), "");
  EXPECT_EQ(viewer.err().find("kelvo-viewer"), std::string::npos) << viewer.err();
}

TEST(ViewerEndToEnd, AMissingOrBrokenSceneScriptIsOneLinePerProblem) {
  // The show goes on (with a black window), but says why.
  const std::pair<const char*, const char*> cases[] = {
      {nullptr, "Data/Scenes/initial.txt: cannot open Data/Scenes/initial.txt\n"},
      {"x = 1;\ny = ;\n", "Data/Scenes/initial.txt:2.4: syntax error, unexpected ;\n"},
  };
  for (const auto& [script, expected] : cases) {
    ChildProcess viewer;
    viewer.dir.write("Data/ScreenSettings.txt", "800 600 f\n");
    if (script) viewer.dir.write("Data/Scenes/initial.txt", script);
    viewer.start("SDL_VIDEODRIVER=offscreen '" KELVO_BIN_DIR "/kelvo-viewer'", false);
    for (int i = 0; i < 500 && viewer.err().empty(); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_EQ(viewer.waitExit(0ms), -1) << viewer.err();
    ::kill(viewer.pid, SIGTERM);
    EXPECT_EQ(viewer.waitExit(30s), 0);
    EXPECT_EQ(viewer.err(), expected);
  }
}

}  // namespace
