#pragma once
// The program clock: wall-clock milliseconds since the process started, as a
// signed 32-bit value (what the Windows C runtime's clock() gives). Timers and
// stage timings compare signed differences of these readings.

#include <cstdint>

namespace qor::platform {

int32_t clockMs();

// Tests replace the clock with their own source; nullptr restores the real one.
using ClockSource = int32_t (*)();
void setClockSource(ClockSource source);

// Blocks the calling thread for `ms` milliseconds of wall time (nothing for
// 0 or less), whatever the clock source (unless a test replaced the sleep).
void sleepMs(int32_t ms);

// Tests replace the sleep too (with one that steps their clock); nullptr
// restores the real one.
using SleepSource = void (*)(int32_t ms);
void setSleepSource(SleepSource source);

// a - b for clock readings, wrapping like the 32-bit clock itself instead of
// overflowing.
inline int32_t clockDiff(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace qor::platform
