#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace qor::platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Taken during static initialisation, i.e. at process start.
const SteadyClock::time_point processStart = SteadyClock::now();

ClockSource overrideSource = nullptr;
SleepSource overrideSleep = nullptr;

}  // namespace

int32_t clockMs() {
  if (overrideSource) return overrideSource();
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - processStart);
  // Wraps like a 32-bit clock() after about 24 days; callers compare differences.
  return static_cast<int32_t>(static_cast<uint32_t>(elapsed.count()));
}

void setClockSource(ClockSource source) { overrideSource = source; }

void setSleepSource(SleepSource source) { overrideSleep = source; }

void sleepMs(int32_t ms) {
  if (overrideSleep) return overrideSleep(ms);
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace qor::platform
