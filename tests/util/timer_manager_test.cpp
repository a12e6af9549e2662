// The timer manager and script timers, driven by an injected clock.

#include "platform/Clock.h"
#include "script/Scope.h"
#include "script/TimerManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qor::DataTime;
using qor::SmartPointer;

int32_t fakeNow = 0;
int32_t fakeClock() { return fakeNow; }

std::vector<std::string> calls;

// A callback expression that records its evaluation.
struct Recorder : qor::IData {
  explicit Recorder(std::string n) : IData(qor::kTagCallFunction), name(std::move(n)) {}
  std::size_t size() const override { return sizeof(*this); }
  SmartPointer<IData> evaluate(qor::Scope& locals) override {
    EXPECT_TRUE(locals.empty());
    calls.push_back(name);
    return nullptr;
  }
  std::string name;
};

struct Counted : qor::IMMObject {
  static inline int destroyed = 0;
  std::size_t size() const override { return sizeof(*this); }
  ~Counted() override { ++destroyed; }
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

  SmartPointer<DataTime> addTimer(int32_t interval, int32_t duration, const char* tick = "tick",
                                  const char* timeout = "timeout") {
    SmartPointer<DataTime> t(new DataTime(interval, duration, new Recorder(tick), new Recorder(timeout)));
    manager.add(t);
    return t;
  }

  qor::TimerManager manager;
};

TEST_F(TimerTest, NoTimeoutTickEveryTimeMoreThanTheIntervalPassed) {
  addTimer(100, -1);
  fakeNow += 100;
  manager.update();
  EXPECT_TRUE(calls.empty());  // strictly greater
  fakeNow += 1;
  manager.update();
  EXPECT_EQ(calls, std::vector<std::string>{"tick"});
  fakeNow += 100000;
  manager.update();
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(TimerTest, TicksDoNotCatchUp) {
  auto t = addTimer(100, -1);
  fakeNow += 1000;  // ten intervals late
  manager.update();
  manager.update();
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(t->lastTick, fakeNow);
}

TEST_F(TimerTest, TimeoutRunsBeforeTheTickOfTheSamePassThenStops) {
  auto t = addTimer(100, 150);
  fakeNow += 200;
  manager.update();
  EXPECT_EQ(calls, (std::vector<std::string>{"timeout", "tick"}));
  EXPECT_FALSE(t->running);
  fakeNow += 1000;
  manager.update();
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(TimerTest, PauseAndStartKeepTheElapsedTimeAndTickPhase) {
  auto t = addTimer(500, -1);
  const int32_t created = fakeNow;
  fakeNow = created + 1234;
  manager.pauseAll();
  EXPECT_EQ(t->pausedElapsed, 1234);
  EXPECT_FALSE(t->running);
  fakeNow = created + 5000;
  manager.update();  // paused: nothing fires
  EXPECT_TRUE(calls.empty());
  manager.startAll();
  EXPECT_TRUE(t->running);
  EXPECT_EQ(t->startTime, fakeNow - 1234);
  EXPECT_EQ(t->lastTick, fakeNow - 234);
  const int32_t resumed = fakeNow;
  fakeNow = resumed + 266;
  manager.update();
  EXPECT_TRUE(calls.empty());
  fakeNow = resumed + 267;
  manager.update();
  EXPECT_EQ(calls.size(), 1u);
}

TEST_F(TimerTest, StopThenStartRestartsFromZero) {
  auto t = addTimer(500, 2000);
  fakeNow += 700;
  manager.stopAll();
  EXPECT_EQ(t->pausedElapsed, 0);
  fakeNow += 10000;
  manager.startAll();
  EXPECT_EQ(t->startTime, fakeNow);
  EXPECT_EQ(t->lastTick, fakeNow);
}

TEST_F(TimerTest, StartWithNonPositiveIntervalRestartsThePhase) {
  auto t = addTimer(0, -1);
  fakeNow += 30;
  t->pause();
  t->start();
  EXPECT_EQ(t->lastTick, fakeNow);
}

TEST_F(TimerTest, TimersAddedByACallbackWaitForTheNextPass) {
  struct Spawner : qor::IData {
    Spawner(TimerTest* f) : IData(qor::kTagCallFunction), fixture(f) {}
    std::size_t size() const override { return sizeof(*this); }
    SmartPointer<IData> evaluate(qor::Scope&) override {
      calls.push_back("spawn");
      fixture->addTimer(0, -1, "child", "child-timeout");
      return nullptr;
    }
    TimerTest* fixture;
  };
  manager.add(SmartPointer<DataTime>(new DataTime(0, -1, new Spawner(this), nullptr)));
  fakeNow += 1;
  manager.update();
  EXPECT_EQ(calls, std::vector<std::string>{"spawn"});
  EXPECT_EQ(manager.timers.size(), 2u);
}

TEST_F(TimerTest, CollectsGarbageOnceMoreThanFiveSecondsPassed) {
  manager.lastCollection = 0;
  fakeNow = 5000;
  Counted::destroyed = 0;
  { SmartPointer<Counted> c(new Counted); }
  manager.update();
  EXPECT_EQ(Counted::destroyed, 0);
  fakeNow = 5001;
  manager.update();
  EXPECT_EQ(Counted::destroyed, 1);
  EXPECT_EQ(manager.lastCollection, 5001);
  { SmartPointer<Counted> c(new Counted); }
  fakeNow = 10001;
  manager.update();
  EXPECT_EQ(Counted::destroyed, 1);
  fakeNow = 10002;
  manager.update();
  EXPECT_EQ(Counted::destroyed, 2);
}

}  // namespace
