#pragma once
// A script timer: calls a script expression every `interval` ms and, when a
// duration is set, another one once after `duration` ms. The timer manager
// drives it once per main-loop pass.

#include "script/datatypes/IData.h"

#include <cstdint>

namespace qor {

class DataTime : public IData {
public:
  // Starts running at once: lastTick = startTime = now.
  DataTime(int32_t interval, int32_t duration, SmartPointer<IData> onTick, SmartPointer<IData> onTimeout);

  std::size_t size() const override { return sizeof(*this); }
  // "start", "stop" and "pause", each without arguments.
  DataPtr callMethod(script::MethodCall& m) override;

  // The per-timer forms of the manager's startAll / stopAll / pauseAll.
  void start();
  void stop();
  void pause();

  int32_t lastTick = 0;
  int32_t startTime = 0;
  int32_t duration = -1;  // -1: no timeout
  bool running = false;
  int32_t interval = 0;
  SmartPointer<IData> onTick;
  SmartPointer<IData> onTimeout;
  int32_t pausedElapsed = 0;
};

}  // namespace qor
