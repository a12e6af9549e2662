#include "script/TimerManager.h"

#include "platform/Clock.h"
#include "script/Interpreter.h"
#include "script/Scope.h"

namespace qor {

TimerManager timerManager;

namespace {

// Evaluates a stored call expression with a fresh, empty local scope, as a
// unit of script work, and drops the result.
void runCallback(const SmartPointer<IData>& callback) {
  Scope locals;
  script::runUnit({script::runningFile()}, [&] { callback->evaluate(locals); });
}

}  // namespace

void TimerManager::update() {
  const int32_t now = platform::clockMs();
  // Timers added by a callback during this pass wait for the next one.
  const std::size_t n = timers.size();
  const std::size_t first = resumeAt < n ? resumeAt : 0;
  resumeAt = 0;
  int callbacks = 0;
  // Creation order, starting where the last pass stopped and wrapping round.
  for (std::size_t visited = 0; visited < n; ++visited) {
    if (callbacks >= kMaxCallbacksPerPass) {
      resumeAt = (first + visited) % n;
      break;
    }
    const std::size_t i = (first + visited) % n;
    // A callback may reset the scene and empty the list.
    if (i >= timers.size()) break;
    // Hold the timer while its callbacks run.
    SmartPointer<DataTime> t = timers[i];
    if (!t->running) continue;
    if (t->duration != -1 && platform::clockDiff(now, t->startTime) >= t->duration) {
      t->running = false;
      if (t->onTimeout) {
        runCallback(t->onTimeout);
        ++callbacks;
      }
    }
    if (platform::clockDiff(now, t->lastTick) > t->interval) {
      t->lastTick = now;  // no catch-up: at most one tick per pass
      if (t->onTick) {
        runCallback(t->onTick);
        ++callbacks;
      }
    }
  }
  if (platform::clockDiff(now, lastCollection) > kCollectionPeriodMs) {
    lastCollection = now;
    collectGarbage();
  }
}

void TimerManager::stopAll() {
  for (auto& t : timers) t->stop();
}

void TimerManager::pauseAll() {
  for (auto& t : timers) t->pause();
}

void TimerManager::startAll() {
  for (auto& t : timers) t->start();
}

}  // namespace qor
