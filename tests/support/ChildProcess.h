#pragma once
// Runs one of our executables for the end-to-end tests in a fresh scratch
// folder, output captured there; killed at the end if still running.

#include "support/TempDir.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace kelvo::test {

using namespace std::chrono_literals;

inline std::string runCommand(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    for (char buf[256]; std::fgets(buf, sizeof buf, p);) out += buf;
    ::pclose(p);
  }
  return out;
}

class ChildProcess {
public:
  ~ChildProcess() {
    if (pid > 0 && waitExit(0ms) == -1) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }

  // Runs the shell command line `command` in `dir`; the program replaces the
  // shell, so `pid` is its id. Without `display` it has no way to one.
  void start(const std::string& command, bool display = true) {
    const std::string line = "cd '" + dir.path() + "' && exec " +
                             (display ? "" : "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ") + command +
                             " >stdout.txt 2>stderr.txt";
    pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
      ::_exit(121);
    }
  }

  // Waits up to `limit` for the process to end; its exit status, -1 while it
  // runs, -2 when a signal ended it.
  int waitExit(std::chrono::milliseconds limit = 60s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (int status = 0; status_ == -1; std::this_thread::sleep_for(20ms)) {
      if (::waitpid(pid, &status, WNOHANG) == pid) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
      else if (std::chrono::steady_clock::now() > end) return -1;
    }
    return status_;
  }

  // The process's visible window titled "Kelvo Viewer" (parallel tests show
  // some too), 0 after 30 s; retried, as a window vanishing fails a search.
  unsigned long findWindow() {
    for (int attempt = 0; attempt < 300 && waitExit(0ms) == -1; ++attempt) {
      const std::string found = runCommand("xdotool search --all --onlyvisible --pid " + std::to_string(pid) +
                                           " --name '^Kelvo Viewer$' 2>/dev/null");
      if (!found.empty()) return std::stoul(found);
      std::this_thread::sleep_for(100ms);
    }
    return 0;
  }

  // Types `keys` (xdotool names, the last one quitting) into `window` until
  // the process ends, at most 5 times; the exit status, or -1.
  int pressKeys(unsigned long window, const std::string& keys) {
    for (int attempt = 0; attempt < 5 && status_ == -1; ++attempt) {
      runCommand("xdotool windowfocus --sync " + std::to_string(window) + " key " + keys + " 2>/dev/null");
      waitExit(5s);
    }
    return status_;
  }

  // Waits up to `limit` for `text` to appear on the standard output while
  // the process runs (a line it prints when ready); false if it never does.
  bool waitForOutput(const std::string& text, std::chrono::milliseconds limit = 60s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (; waitExit(0ms) == -1 && std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms))
      if (out().find(text) != std::string::npos) return true;
    return out().find(text) != std::string::npos;
  }

  std::string out() const { return read("stdout.txt"); }
  std::string err() const { return read("stderr.txt"); }
  const TempDir dir;  // the working folder
  pid_t pid = -1;

private:
  std::string read(const char* name) const {
    std::ifstream in(dir.file(name));
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  int status_ = -1;
};

}  // namespace kelvo::test
