// The timer manager and script timers, driven by an injected clock.

#include "platform/Clock.h"
#include "script/Scope.h"
#include "util/time/TimerManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using qor::DataTime;
using qor::SmartPointer;

int32_t fakeNow = 0;
int32_t fakeClock() { return fakeNow; }

std::vector<std::string> calls;

// A callback expression that records its evaluation and runs `then`.
struct Recorder : qor::IData {
  Recorder(std::string n, std::function<void()> then = {})
      : IData(qor::kTagCallFunction), name(std::move(n)), then(std::move(then)) {}
  std::size_t size() const override { return sizeof(*this); }
  SmartPointer<IData> evaluate(qor::Scope& locals) override {
    EXPECT_TRUE(locals.empty());
    calls.push_back(name);
    if (then) then();
    return nullptr;
  }
  std::string name;
  std::function<void()> then;
};

class TimerTest : public ::testing::Test {
public:
  void SetUp() override {
    fakeNow = 1000;
    qor::platform::setClockSource(&fakeClock);
    calls.clear();
    manager.lastCollection = 1000;
  }
  void TearDown() override {
    manager.clear();
    qor::platform::setClockSource(nullptr);
  }
  SmartPointer<DataTime> addTimer(int32_t interval, int32_t duration, qor::IData* tick = new Recorder("tick")) {
    SmartPointer<DataTime> t(new DataTime(interval, duration, tick, new Recorder("timeout")));
    manager.add(t);
    return t;
  }
  // Moves the clock by `ms` and runs one pass.
  void after(int32_t ms) {
    fakeNow += ms;
    manager.update();
  }
  qor::TimerManager manager;
};

TEST_F(TimerTest, TicksAndTimeouts) {
  auto ticking = addTimer(100, -1);
  after(100);
  EXPECT_TRUE(calls.empty());  // strictly more than the interval
  after(1);
  EXPECT_EQ(calls, std::vector<std::string>{"tick"});
  after(1000);  // ten intervals late: one tick, no catching up
  after(0);
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(ticking->lastTick, fakeNow);
  manager.clear();

  // The timeout runs before the tick of the same pass, then the timer stops.
  calls.clear();
  auto limited = addTimer(100, 150);
  after(200);
  EXPECT_EQ(calls, (std::vector<std::string>{"timeout", "tick"}));
  EXPECT_FALSE(limited->running);
  after(1000);
  EXPECT_EQ(calls.size(), 2u);
  manager.clear();

  // Timers added by a callback wait for the next pass.
  calls.clear();
  addTimer(0, -1, new Recorder("spawn", [this] { addTimer(0, -1, new Recorder("child")); }));
  after(1);
  EXPECT_EQ(calls, std::vector<std::string>{"spawn"});
  EXPECT_EQ(manager.timers.size(), 2u);
}

TEST_F(TimerTest, PauseKeepsElapsedTimeAndPhaseStopRestarts) {
  auto t = addTimer(500, -1);
  fakeNow += 1234;
  manager.pauseAll();
  EXPECT_EQ(t->pausedElapsed, 1234);
  after(3766);  // paused: nothing fires
  EXPECT_TRUE(calls.empty());
  manager.startAll();
  EXPECT_TRUE(t->running);
  EXPECT_EQ(t->startTime, fakeNow - 1234);
  EXPECT_EQ(t->lastTick, fakeNow - 234);
  after(266);
  EXPECT_TRUE(calls.empty());
  after(1);
  EXPECT_EQ(calls.size(), 1u);

  fakeNow += 700;
  manager.stopAll();
  EXPECT_EQ(t->pausedElapsed, 0);
  fakeNow += 10000;
  manager.startAll();
  EXPECT_EQ(t->startTime, fakeNow);
  EXPECT_EQ(t->lastTick, fakeNow);

  // Without a positive interval there is no phase to keep (and no modulo by zero).
  auto zero = addTimer(0, -1);
  fakeNow += 30;
  zero->pause();
  zero->start();
  EXPECT_EQ(zero->lastTick, fakeNow);
}

struct Counted : qor::IMMObject {
  static inline int destroyed = 0;
  std::size_t size() const override { return sizeof(*this); }
  ~Counted() override { ++destroyed; }
};

TEST_F(TimerTest, CollectsGarbageOnceMoreThanFiveSecondsPassed) {
  Counted::destroyed = 0;
  for (int round = 1; round <= 2; ++round) {
    { SmartPointer<Counted> c(new Counted); }
    after(5000);
    EXPECT_EQ(Counted::destroyed, round - 1);
    after(1);
    EXPECT_EQ(Counted::destroyed, round);
    EXPECT_EQ(manager.lastCollection, fakeNow);
  }
}

}  // namespace
