#pragma once
// A clock that moves only when told: a test's "work" steps it, and so does
// every sleep, which also records what was asked for. Nothing here reads
// the machine's time, so no result depends on how fast the machine is.

#include "platform/Clock.h"

#include <cstdint>

namespace kelvo::test {

struct SteppedClock {
  static inline int32_t now = 0;
  static inline int32_t lateBy = 0;  // each sleep comes back this much later than asked
  static inline int32_t sleeps = 0;
  static inline int64_t slept = 0;

  static int32_t read() { return now; }
  static void sleep(int32_t ms) {
    if (ms <= 0) return;
    now += ms + lateBy;
    ++sleeps;
    slept += ms;
  }
  static void reset(int32_t start = 0) {
    now = start;
    lateBy = 0;
    sleeps = 0;
    slept = 0;
  }
  // The program's clock and sleep both become this one, until uninstall.
  static void install(int32_t start = 0) {
    reset(start);
    qor::platform::setClockSource(&read);
    qor::platform::setSleepSource(&sleep);
  }
  static void uninstall() {
    qor::platform::setClockSource(nullptr);
    qor::platform::setSleepSource(nullptr);
  }
};

}  // namespace kelvo::test
