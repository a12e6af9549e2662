#pragma once
// Keeps the main loop at 60 passes a second where the display does not pace
// it. A pass ends with endPass: when the pass's buffer swap waited for the
// display (vsync), the display has set the pace and nothing happens;
// otherwise the pacer sleeps until the pass's share of the second is over.
//
// The passes are laid on a fixed schedule, the n-th ending n × 1000 / 60 ms
// after the schedule began (16 or 17 ms each, 60 in every second), so a
// sleep that comes back a millisecond late is made up by the next one. A
// pass whose work overruns its share sleeps not at all, and the following
// passes sleep less until the loop is back on schedule; one that falls more
// than kMaxLagMs behind (a long load, a minimised window) starts a new
// schedule at once instead of rushing through a burst of unslept passes.

#include "platform/Clock.h"

#include <cstdint>

namespace qor::platform {

class FramePacer {
public:
  static constexpr int32_t kPassesPerSecond = 60;
  static constexpr int32_t kMaxLagMs = 50;

  // The clock and the sleep; tests give a stepped clock and a sleeper that
  // steps it.
  explicit FramePacer(ClockSource clock = &clockMs, SleepSource sleep = &sleepMs) : clock_(clock), sleep_(sleep) {}

  // Ends one pass. `displayPaced`: the pass swapped buffers and the swap
  // waited for the display's refresh. Returns the milliseconds slept.
  int32_t endPass(bool displayPaced);

  // Forgets the schedule: the next pass starts a new one.
  void restart() { started_ = false; }

private:
  ClockSource clock_;
  SleepSource sleep_;
  bool started_ = false;
  int32_t base_ = 0;   // clock reading where the schedule began
  int32_t passes_ = 0; // passes ended on this schedule
};

}  // namespace qor::platform
