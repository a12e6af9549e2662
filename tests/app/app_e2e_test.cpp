// kelvo-viewer as a user meets it under the test display (Xvfb), in a
// folder holding only Data/ScreenSettings.txt, driven with xdotool.

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

using namespace kelvo::test;

struct Viewer : ChildProcess {
  explicit Viewer(const char* settings, bool display = true, const char* environment = "") {
    dir.write("Data/ScreenSettings.txt", settings);
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

TEST(ViewerEndToEnd, OffscreenDriverRunsOnlyWhenAskedForAndStopsOnTerm) {
  // Asked for explicitly, SDL's invisible driver is accepted (tools render
  // there); the system's termination request then ends the show normally.
  Viewer viewer("800 600 f\n", false, "SDL_VIDEODRIVER=offscreen ");
  std::this_thread::sleep_for(2s);
  ASSERT_EQ(viewer.waitExit(0ms), -1) << viewer.err();
  ::kill(viewer.pid, SIGTERM);
  EXPECT_EQ(viewer.waitExit(30s), 0) << viewer.err();
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
