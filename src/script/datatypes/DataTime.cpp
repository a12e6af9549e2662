#include "script/datatypes/DataTime.h"

#include "platform/Clock.h"
#include "script/ObjectProtocol.h"

namespace qor {

DataTime::DataTime(int32_t interval_, int32_t duration_, SmartPointer<IData> tick, SmartPointer<IData> timeout)
    : IData(kTagTime),
      duration(duration_),
      running(true),
      interval(interval_),
      onTick(std::move(tick)),
      onTimeout(std::move(timeout)) {
  lastTick = startTime = platform::clockMs();
}

DataPtr DataTime::callMethod(script::MethodCall& m) {
  static const Symbol kStart = intern("start");
  static const Symbol kStop = intern("stop");
  static const Symbol kPause = intern("pause");
  if (m.is(kStart, 0))
    start();
  else if (m.is(kStop, 0))
    stop();
  else if (m.is(kPause, 0))
    pause();
  return nullptr;
}

void DataTime::start() {
  const int32_t now = platform::clockMs();
  startTime = platform::clockDiff(now, pausedElapsed);
  // Keep the tick phase across a pause. With no positive interval there is no
  // phase to keep (and the remainder would be undefined).
  lastTick = interval > 0 ? platform::clockDiff(now, pausedElapsed % interval) : now;
  running = true;
}

void DataTime::stop() {
  pausedElapsed = 0;
  running = false;
}

void DataTime::pause() {
  pausedElapsed = platform::clockDiff(platform::clockMs(), startTime);
  running = false;
}

}  // namespace qor
