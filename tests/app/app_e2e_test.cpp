// kelvo-viewer as a user meets it: run from a scratch folder whose only file
// is Data/ScreenSettings.txt, under the test display (Xvfb), driven with
// xdotool.

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

using namespace kelvo::test;

struct Viewer : ChildProcess {
  explicit Viewer(const char* settings, bool display = true, const char* environment = "") {
    dir.write("Data/ScreenSettings.txt", settings);
    start(std::string(environment) + "'" KELVO_BIN_DIR "/kelvo-viewer'", display);
  }
  void expectWindowInfo(unsigned long window, std::initializer_list<const char*> lines) {
    const std::string info = runCommand("xwininfo -id " + std::to_string(window));
    for (const char* line : lines) EXPECT_NE(info.find(line), std::string::npos) << line << " in\n" << info;
  }
};

TEST(ViewerEndToEnd, WindowFromTheSettingsClosesOnAltF4WithStatusZero) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  Viewer viewer("800 600 f\n");
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.err();
  viewer.expectWindowInfo(window, {"\"Kelvo Viewer\"", "Width: 800\n", "Height: 600\n", "IsViewable"});
  EXPECT_EQ(viewer.pressKeys(window, "alt+F4"), 0) << viewer.err();
}

TEST(ViewerEndToEnd, FullScreenPopUpAtTheOriginQuitsOnEscape) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  Viewer viewer("1024 768 t\r\n");
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.err();
  viewer.expectWindowInfo(window, {"Absolute upper-left X:  0\n", "Absolute upper-left Y:  0\n"});
  EXPECT_EQ(viewer.pressKeys(window, "Escape"), 0) << viewer.err();
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

}  // namespace
