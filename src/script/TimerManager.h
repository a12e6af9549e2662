#pragma once
// The registry of script timers. update() runs once per main-loop pass: it
// fires due timeouts and ticks and collects released objects every 5 s.
// One pass runs a bounded number of callbacks, so that timers which make
// timers (their number can double every interval) cannot hold the main loop
// away from its messages and frames: the timers past the bound wait for the
// next pass, which goes on from the first of them.

#include "base/memory/SmartPointer.h"
#include "script/datatypes/DataTime.h"

#include <cstdint>
#include <vector>

namespace qor {

class TimerManager {
public:
  void update();
  void stopAll();
  void pauseAll();
  void startAll();

  void add(SmartPointer<DataTime> timer) { timers.push_back(std::move(timer)); }
  // Drops every timer (scene reset and shut-down).
  void clear() {
    timers.clear();
    resumeAt = 0;
  }

  int32_t lastCollection = 0;
  std::vector<SmartPointer<DataTime>> timers;
  // Where the next pass begins: 0, unless the last pass stopped at the bound.
  std::size_t resumeAt = 0;

  static constexpr int32_t kCollectionPeriodMs = 5000;
  // The callbacks (ticks and timeouts) one pass may run; a timer whose
  // timeout and tick fall due together runs both.
  static constexpr int kMaxCallbacksPerPass = 1000;
};

extern TimerManager timerManager;

}  // namespace qor
