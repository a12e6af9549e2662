#pragma once
// Runs one of our executables as a child process for the end-to-end tests:
// started in a given folder with its standard output and error captured in
// files there, optionally without any way to a display; killed at the end
// if it is still running.

#include "support/X11Helpers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace kelvo::test {

using namespace std::chrono_literals;

inline std::string readFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The standard output of a shell command.
inline std::string runCommand(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
  }
  return out;
}

inline bool haveDisplay() {
  const char* d = std::getenv("DISPLAY");
  return d && *d;
}

class ChildProcess {
public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { stop(); }

  // Kills the process if it is still running.
  void stop() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      exited_ = true;
    }
  }

  // Runs argv[0] in `dir`; output goes to dir/stdout.txt and dir/stderr.txt.
  // `withDisplay` false removes DISPLAY (and any other way to a display);
  // `videoDriver` sets SDL_VIDEODRIVER.
  void start(const std::string& dir, const std::vector<std::string>& args, bool withDisplay = true,
             const char* videoDriver = nullptr) {
    dir_ = dir;
    pid_ = ::fork();
    if (pid_ != 0) return;
    if (::chdir(dir.c_str()) != 0) ::_exit(120);
    int out = ::open((dir + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open((dir + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) ::dup2(out, 1);
    if (err >= 0) ::dup2(err, 2);
    if (!withDisplay) {
      ::unsetenv("DISPLAY");
      ::unsetenv("WAYLAND_DISPLAY");
      ::unsetenv("SDL_VIDEODRIVER");
    }
    if (videoDriver) ::setenv("SDL_VIDEODRIVER", videoDriver, 1);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(121);
  }

  // Waits up to `limit` for the process to end; its exit status, or -1 when
  // it is still running, -2 when a signal ended it.
  int waitExit(std::chrono::milliseconds limit = 60000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!exited_) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
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
  pid_t pid() const { return pid_; }
  void signal(int sig) const { ::kill(pid_, sig); }

  // The id of the process's visible window titled "Kelvo Viewer", 0 when
  // none appears within `limit`.
  unsigned long findWindow(std::chrono::milliseconds limit = 30000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end && running()) {
      if (unsigned long window = findWindowOf(pid_, "Kelvo Viewer")) return window;
      std::this_thread::sleep_for(100ms);
    }
    return 0;
  }

  // Presses Escape in `window` until the process ends; its exit status.
  int pressEscape(unsigned long window) {
    int status = -1;
    for (int attempt = 0; attempt < 5 && status == -1; ++attempt) {
      runCommand("xdotool windowfocus --sync " + std::to_string(window) + " key Escape 2>/dev/null");
      status = waitExit(5000ms);
    }
    return status;
  }

  std::string out() const { return readFile(dir_ + "/stdout.txt"); }
  std::string err() const { return readFile(dir_ + "/stderr.txt"); }

private:
  std::string dir_;
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
};

}  // namespace kelvo::test
