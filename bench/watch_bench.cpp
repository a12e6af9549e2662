// Reload-on-save benchmark. Runs kelvo-scene --watch on each example of
// examples/ (a copy, under SDL's offscreen driver) and saves the script the
// way editors do, a new file renamed over it, N times; prints the time from
// the rename to the first frame of the reloaded scene, which the script
// announces: a line appended to it is printed by a timer's second tick, and
// every pass of the main loop ticks a timer at most once and draws a frame
// after its timers. The time includes the watcher's quiet time (50 ms).
// Target: below 300 ms for every example.
//
//   kelvo-bench-watch [saves]   (default 10 per example)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The example with the announcing lines; `mark` tells the loads apart.
std::string marked(const std::string& script, int mark) {
  return script + "\ndef benchTick() {\n  benchTicks++;\n  if (benchTicks == 2) print(\"bench-frame " +
         std::to_string(mark) + "\");\n}\nbenchTicks = 0;\nTimer(0, -1, benchTick(), 0);\n";
}

void save(const fs::path& file, const std::string& text) {
  const fs::path temporary = file.string() + ".save";
  std::ofstream(temporary, std::ios::binary) << text;
  fs::rename(temporary, file);
}

struct Child {
  pid_t pid = -1;
  int out = -1;
  std::string buffer;

  bool start(const fs::path& dir, const std::string& script) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    pid = ::fork();
    if (pid == 0) {
      ::dup2(fds[1], 1);
      ::close(fds[0]);
      ::close(fds[1]);
      std::freopen("/dev/null", "w", stderr);
      if (::chdir(dir.c_str()) != 0) ::_exit(121);
      ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
      ::execl(KELVO_BIN_DIR "/kelvo-scene", "kelvo-scene", "--watch", "--size", "320x240", script.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(121);
    }
    ::close(fds[1]);
    out = fds[0];
    return pid > 0;
  }
  // Reads until the line `line`; false when the program ends or 20 s pass.
  bool waitLine(const std::string& line) {
    const auto end = Clock::now() + std::chrono::seconds(20);
    for (;;) {
      if (const std::size_t at = buffer.find(line + "\n"); at != std::string::npos) {
        buffer.erase(0, at + line.size() + 1);
        return true;
      }
      const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
      if (left <= 0) return false;
      pollfd p{out, POLLIN, 0};
      if (::poll(&p, 1, left) <= 0) return false;
      char chunk[4096];
      const ssize_t got = ::read(out, chunk, sizeof chunk);
      if (got <= 0) return false;
      buffer.append(chunk, static_cast<std::size_t>(got));
    }
  }
  ~Child() {
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      ::waitpid(pid, nullptr, 0);
    }
    if (out >= 0) ::close(out);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int saves = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const fs::path examples = fs::path(KELVO_SOURCE_DIR) / "examples";
  const fs::path work = fs::temp_directory_path() / "kelvo-bench-watch";
  std::vector<fs::path> scripts;
  for (const auto& entry : fs::directory_iterator(examples))
    if (entry.path().extension() == ".ks") scripts.push_back(entry.path().filename());
  std::sort(scripts.begin(), scripts.end());

  std::printf("%-28s %8s %8s %8s   (ms from the save to the reloaded frame, %d saves)\n", "example", "median",
              "best", "worst", saves);
  int failures = 0;
  for (const fs::path& name : scripts) {
    fs::remove_all(work);
    fs::copy(examples, work, fs::copy_options::recursive);
    const std::string script = readAll(work / name);
    save(work / name, marked(script, 0));
    Child child;
    if (!child.start(work, name.string()) || !child.waitLine("bench-frame 0")) {
      std::printf("%-28s did not start\n", name.c_str());
      ++failures;
      continue;
    }
    std::vector<double> times;
    for (int i = 1; i <= saves; ++i) {
      const auto before = Clock::now();
      save(work / name, marked(script, i));
      if (!child.waitLine("bench-frame " + std::to_string(i))) break;
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
    }
    if (times.size() != static_cast<std::size_t>(saves)) {
      std::printf("%-28s a save was not reloaded\n", name.c_str());
      ++failures;
      continue;
    }
    std::sort(times.begin(), times.end());
    std::printf("%-28s %8.1f %8.1f %8.1f\n", name.c_str(), times[times.size() / 2], times.front(), times.back());
  }
  fs::remove_all(work);
  return failures ? 1 : 0;
}
