// Script interpreter benchmark: runs bench/script/*.kvs programs the way
// kelvo-script does, but in one process and with no diagnostics sink (so
// without the warnings' checks as they run), and prints each one's wall
// time, its CPU time (steadier than the wall time on a shared machine) and
// the process's peak memory. The same programs are there in Lua (.lua) and
// Python (.py); bench/script/compare.sh races all three.

#include "base/memory/IMMObject.h"
#include "material/MaterialLibrary.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/Output.h"
#include "script/SceneDriver.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

void discard(std::string_view, void*) {}

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

long peakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

// kelvo-bench-script [ROUNDS [PROGRAM...]]: the programs by name (NAME.kvs of
// bench/script), by default the eight small ones this bench began with.
int main(int argc, char** argv) {
  std::vector<std::string> programs = {"fib", "sum", "loop", "concat", "strings", "list", "methods", "globals"};
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  if (argc > 2) programs.assign(argv + 2, argv + argc);
  std::printf("%-12s %10s %10s %12s %12s\n", "program", "best ms", "mean ms", "best cpu ms", "peak KiB");
  for (const std::string& name : programs) {
    const std::string path = std::string(KELVO_BENCH_DIR) + "/script/" + name + ".kvs";
    double best = 1e30, total = 0, bestCpu = 1e30;
    for (int r = 0; r < rounds; ++r) {
      qor::script::resetInterpreter();
      // As the scene loader does: a script's getMaterial finds the default.
      qor::materialLibrary.CreateDefaultMaterial();
      qor::script::setOutputSink(&discard);
      qor::SceneDriver driver;
      const auto start = std::chrono::steady_clock::now();
      const double cpuStart = cpuMs();
      const bool ok = qor::script::runSceneScript(path, driver);
      const double cpu = cpuMs() - cpuStart;
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      qor::script::setOutputSink(nullptr);
      if (!ok) {
        std::fprintf(stderr, "%s: parse failed\n", path.c_str());
        return 1;
      }
      best = ms < best ? ms : best;
      bestCpu = cpu < bestCpu ? cpu : bestCpu;
      total += ms;
    }
    std::printf("%-12s %10.1f %10.1f %12.1f %12ld\n", name.c_str(), best, total / rounds, bestCpu, peakKiB());
  }
  qor::script::resetInterpreter();
  qor::collectRemainingObjects();
  return 0;
}
