// Parses and runs arbitrary scripts the way the scene loader does. The
// interpreter bounds nesting and call depth, but not time: a loop, or a
// doubly recursive function, can run for ever. A watchdog bounds each input:
// after 200 ms a timer signal starts raising the interpreter's runaway flag
// (every 20 ms, since the flag clears when a top-level statement ends), and
// every loop and call then unwinds as it does at the nesting limits.
// Inputs that use built-ins reaching files, GL or the timer list ("include",
// "Model", "Material", "getMaterial", "Timer") are skipped: those have
// targets or tests of their own.

#include "base/memory/IMMObject.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/SceneDriver.h"

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace {

bool runnable(std::string_view text) {
  for (std::string_view word : {"include", "Model", "Material", "Timer"})
    if (text.find(word) != std::string_view::npos) return false;
  return true;
}

// A real-time signal: libFuzzer keeps SIGALRM, SIGUSR1 and SIGUSR2 for itself.
const int kWatchdogSignal = SIGRTMIN + 3;

void onWatchdog(int) { qor::script::aborting = true; }

class Watchdog {
public:
  Watchdog() {
    struct sigaction action = {};
    action.sa_handler = &onWatchdog;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(kWatchdogSignal, &action, nullptr);
    struct sigevent event = {};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = kWatchdogSignal;
    timer_create(CLOCK_MONOTONIC, &event, &timer_);
  }
  void arm() { set(0, 200'000'000, 20'000'000); }
  void disarm() { set(0, 0, 0); }

private:
  void set(time_t seconds, long nanoseconds, long intervalNs) {
    struct itimerspec timing = {};
    timing.it_value.tv_sec = seconds;
    timing.it_value.tv_nsec = nanoseconds;
    timing.it_interval.tv_nsec = intervalNs;
    timer_settime(timer_, 0, &timing, nullptr);
  }
  timer_t timer_{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (!runnable(text)) return -1;  // not worth keeping in the corpus

  static Watchdog watchdog;
  const std::size_t index = qor::script::addFile("fuzz.txt");
  qor::script::registerBuiltins();
  {
    qor::SceneDriver driver;
    driver.parseText("fuzz.txt", text);
  }
  qor::script::setRunningFile(index);
  watchdog.arm();
  qor::script::runRecord(index);
  qor::script::takeScene();
  watchdog.disarm();
  qor::script::aborting = false;

  qor::script::sceneValue() = nullptr;
  qor::script::resetInterpreter();
  qor::collectGarbage();
  return 0;
}
