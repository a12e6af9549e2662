// kelvo-viewer as a user meets it: run from a scratch installation folder
// under the test display (Xvfb), driven with xdotool and X11 client messages.

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace kelvo::test;

// The viewer started in a fresh folder whose only file is
// Data/ScreenSettings.txt.
class Viewer : public ChildProcess {
public:
  explicit Viewer(bool withDisplay = true, const char* videoDriver = nullptr,
                  const char* screenSettings = "800 600 f\n") {
    dir_.write("Data/ScreenSettings.txt", screenSettings);
    start(dir_.path(), {KELVO_BIN_DIR "/kelvo-viewer"}, withDisplay, videoDriver);
  }
  ~Viewer() { stop(); }  // before the folder goes

  // CPU time used so far (clock ticks).
  long cpuTicks() const {
    std::ifstream stat("/proc/" + std::to_string(pid()) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14) utime = std::stol(field);
      if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
  }

private:
  TempDir dir_;
};

TEST(ViewerEndToEnd, OpensItsWindowKeepsDrawingAndQuitsOnEscape) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  Viewer viewer;
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.err();

  const std::string info = runCommand("xwininfo -id " + std::to_string(window));
  EXPECT_NE(info.find("\"Kelvo Viewer\""), std::string::npos) << info;
  EXPECT_NE(info.find("Width: 800\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Height: 600\n"), std::string::npos) << info;
  EXPECT_NE(info.find("IsViewable"), std::string::npos) << info;

  // The loop never waits: it keeps drawing (and using the CPU) on its own.
  const long before = viewer.cpuTicks();
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(viewer.running());
  EXPECT_GT(viewer.cpuTicks(), before);

  EXPECT_EQ(viewer.pressEscape(window), 0) << viewer.err();
}

TEST(ViewerEndToEnd, FullScreenPopUpQuitsOnEscape) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  Viewer viewer(true, nullptr, "1024 768 t\r\n");
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.err();
  const std::string info = runCommand("xwininfo -id " + std::to_string(window));
  EXPECT_NE(info.find("Absolute upper-left X:  0\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Absolute upper-left Y:  0\n"), std::string::npos) << info;
  EXPECT_EQ(viewer.pressEscape(window), 0) << viewer.err();
}

TEST(ViewerEndToEnd, CloseRequestEndsWithStatusZero) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  Viewer viewer;
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.err();
  ASSERT_TRUE(sendCloseRequest(window));
  EXPECT_EQ(viewer.waitExit(30000ms), 0) << viewer.err();
}

TEST(ViewerEndToEnd, NoDisplayIsOneErrorLineAndStatusOne) {
  Viewer viewer(false);
  EXPECT_EQ(viewer.waitExit(30000ms), 1);
  const std::string err = viewer.err();
  EXPECT_EQ(err.rfind("kelvo-viewer: ", 0), 0u) << err;
  EXPECT_NE(err.find("display"), std::string::npos) << err;
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "more than one line: " << err;
}

TEST(ViewerEndToEnd, OffscreenDriverRunsOnlyWhenAskedForAndStopsOnTerm) {
  // Asked for explicitly, SDL's invisible driver is accepted (tools render
  // there); the system's termination request then ends the show normally.
  Viewer viewer(false, "offscreen");
  std::this_thread::sleep_for(2000ms);
  ASSERT_TRUE(viewer.running()) << viewer.err();
  viewer.signal(SIGTERM);
  EXPECT_EQ(viewer.waitExit(30000ms), 0) << viewer.err();
}

}  // namespace
