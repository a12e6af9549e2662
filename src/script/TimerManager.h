#pragma once
// The registry of script timers. update() runs once per main-loop pass: it
// fires due timeouts and ticks and collects released objects every 5 s.

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
  void clear() { timers.clear(); }

  int32_t lastCollection = 0;
  std::vector<SmartPointer<DataTime>> timers;

  static constexpr int32_t kCollectionPeriodMs = 5000;
};

extern TimerManager timerManager;

}  // namespace qor
