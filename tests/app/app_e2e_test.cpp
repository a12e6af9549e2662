// kelvo-viewer as a user meets it: run from a scratch installation folder
// under the test display (Xvfb), driven with xdotool and X11 client messages.

#include "x11_helpers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kViewer = KELVO_BIN_DIR "/kelvo-viewer";

std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
  }
  return out;
}

class Viewer {
public:
  // Starts the viewer in a fresh folder whose only file is
  // Data/ScreenSettings.txt; `withDisplay` false removes DISPLAY (and any
  // other way to a display) from its environment; `videoDriver` sets
  // SDL_VIDEODRIVER.
  explicit Viewer(bool withDisplay = true, const char* videoDriver = nullptr,
                  const char* screenSettings = "800 600 f\n") {
    char tmpl[] = "/tmp/kelvo_e2e_XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    fs::create_directories(dir_ / "Data");
    std::ofstream(dir_ / "Data" / "ScreenSettings.txt") << screenSettings;
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::chdir(dir_.c_str()) != 0) ::_exit(120);
      int err = ::open((dir_ / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err >= 0) ::dup2(err, 2);
      if (!withDisplay) {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("SDL_VIDEODRIVER");
      }
      if (videoDriver) ::setenv("SDL_VIDEODRIVER", videoDriver, 1);
      ::execl(kViewer, kViewer, static_cast<char*>(nullptr));
      ::_exit(121);
    }
  }
  ~Viewer() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  pid_t pid() const { return pid_; }
  void signal(int sig) const { ::kill(pid_, sig); }

  // Waits up to `limit` for the process to end; its exit status, or -1 when
  // it is still running, -2 when a signal ended it.
  int waitExit(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!exited_) {
      int status = 0;
      pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        exited_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        break;
      }
      if (std::chrono::steady_clock::now() > end) return -1;
      std::this_thread::sleep_for(20ms);
    }
    return status_;
  }

  bool running() { return waitExit(0ms) == -1; }

  // The id of the viewer's visible window titled "Kelvo Viewer", 0 when none
  // appears within `limit`.
  unsigned long findWindow(std::chrono::milliseconds limit = 30000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end && running()) {
      if (unsigned long window = findWindowOf(pid_, "Kelvo Viewer")) return window;
      std::this_thread::sleep_for(100ms);
    }
    return 0;
  }

  // CPU time used so far (clock ticks).
  long cpuTicks() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
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

  std::string errorOutput() const {
    std::ifstream in(dir_ / "stderr.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

private:
  fs::path dir_;
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
};

bool haveDisplay() {
  const char* d = std::getenv("DISPLAY");
  return d && *d;
}

// Presses Escape in `window` until the viewer ends; its exit status.
int pressEscape(Viewer& viewer, unsigned long window) {
  int status = -1;
  for (int attempt = 0; attempt < 5 && status == -1; ++attempt) {
    run("xdotool windowfocus --sync " + std::to_string(window) + " key Escape 2>/dev/null");
    status = viewer.waitExit(5000ms);
  }
  return status;
}

TEST(ViewerEndToEnd, OpensItsWindowKeepsDrawingAndQuitsOnEscape) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  Viewer viewer;
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.errorOutput();

  const std::string info = run("xwininfo -id " + std::to_string(window));
  EXPECT_NE(info.find("\"Kelvo Viewer\""), std::string::npos) << info;
  EXPECT_NE(info.find("Width: 800\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Height: 600\n"), std::string::npos) << info;
  EXPECT_NE(info.find("IsViewable"), std::string::npos) << info;

  // The loop never waits: it keeps drawing (and using the CPU) on its own.
  const long before = viewer.cpuTicks();
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(viewer.running());
  EXPECT_GT(viewer.cpuTicks(), before);

  EXPECT_EQ(pressEscape(viewer, window), 0) << viewer.errorOutput();
}

TEST(ViewerEndToEnd, FullScreenPopUpQuitsOnEscape) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  Viewer viewer(true, nullptr, "1024 768 t\r\n");
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.errorOutput();
  const std::string info = run("xwininfo -id " + std::to_string(window));
  EXPECT_NE(info.find("Absolute upper-left X:  0\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Absolute upper-left Y:  0\n"), std::string::npos) << info;
  EXPECT_EQ(pressEscape(viewer, window), 0) << viewer.errorOutput();
}

TEST(ViewerEndToEnd, CloseRequestEndsWithStatusZero) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  Viewer viewer;
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.errorOutput();
  ASSERT_TRUE(sendCloseRequest(window));
  EXPECT_EQ(viewer.waitExit(30000ms), 0) << viewer.errorOutput();
}

TEST(ViewerEndToEnd, NoDisplayIsOneErrorLineAndStatusOne) {
  Viewer viewer(false);
  EXPECT_EQ(viewer.waitExit(30000ms), 1);
  const std::string err = viewer.errorOutput();
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
  ASSERT_TRUE(viewer.running()) << viewer.errorOutput();
  viewer.signal(SIGTERM);
  EXPECT_EQ(viewer.waitExit(30000ms), 0) << viewer.errorOutput();
}

}  // namespace
