// The timer manager and script timers, driven by an injected clock.

#include "platform/Clock.h"
#include "script/Scope.h"
#include "script/TimerManager.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using qor::DataTime;
using qor::SmartPointer;
using Calls = std::vector<std::string>;

int32_t fakeNow = 0;
Calls calls;

// A callback expression that records its evaluation and runs `then`.
struct Recorder : qor::IData {
  Recorder(std::string n, std::function<void()> f = {}) : IData(qor::kTagCallFunction), name(n), then(f) {}
  ~Recorder() override { ++destroyed; }
  static inline int destroyed = 0;
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
    qor::platform::setClockSource([] { return fakeNow; });
    manager.lastCollection = fakeNow = 1000;
  }
  void TearDown() override { qor::platform::setClockSource(nullptr); }
  SmartPointer<DataTime> addTimer(int32_t interval, int32_t duration, qor::IData* tick = new Recorder("tick")) {
    SmartPointer<DataTime> timer(new DataTime(interval, duration, tick, new Recorder("timeout")));
    manager.add(timer);
    return timer;
  }
  // Moves the clock by `ms` and runs one pass; the calls it made.
  Calls after(int32_t ms) {
    calls.clear();
    fakeNow += ms;
    manager.update();
    return calls;
  }
  qor::TimerManager manager;
};

TEST_F(TimerTest, TicksTimeoutsPausesAndCollections) {
  auto ticking = addTimer(100, -1);
  auto limited = addTimer(100, 250, new Recorder("limited"));
  EXPECT_EQ(after(100), Calls{});  // strictly more than the interval
  EXPECT_EQ(after(1), (Calls{"tick", "limited"}));
  // Ten intervals late: one tick, no catching up. The timeout runs before
  // the tick of the same pass, then that timer stops.
  EXPECT_EQ(after(1000), (Calls{"tick", "timeout", "limited"}));
  EXPECT_EQ(after(0), Calls{});
  EXPECT_EQ(ticking->lastTick, fakeNow);
  EXPECT_FALSE(limited->running);
  // Timers added by a callback wait for the next pass.
  addTimer(0, -1, new Recorder("spawn", [this] { addTimer(0, -1, new Recorder("child")); }));
  EXPECT_EQ(after(1), (Calls{"spawn"}));
  EXPECT_EQ(after(1), (Calls{"spawn", "child"}));
  // Released objects are collected once more than five seconds passed.
  manager.clear();
  Recorder::destroyed = 0;
  fakeNow = manager.lastCollection;
  after(5000);
  EXPECT_EQ(Recorder::destroyed, 0);
  after(1);
  EXPECT_EQ(Recorder::destroyed, 6);  // the callbacks of the three timers nobody holds
  // The stored times are checked through the script timer; here a paused or
  // stopped timer does not fire, and a resumed one ticks on its old phase.
  addTimer(500, -1);
  fakeNow += 1234;
  manager.pauseAll();
  EXPECT_EQ(after(3766), Calls{});
  manager.startAll();
  EXPECT_EQ(after(266), Calls{});
  EXPECT_EQ(after(1), Calls{"tick"});
  manager.stopAll();
  EXPECT_EQ(after(10000), Calls{});
  // Without a positive interval there is no phase to keep (and no modulo by zero).
  auto zero = addTimer(0, -1);
  fakeNow += 30;
  zero->pause();
  zero->start();
  EXPECT_EQ(zero->lastTick, fakeNow);
}

TEST_F(TimerTest, APassRunsBoundedCallbacksAndTheNextGoesOnFromThere) {
  constexpr std::size_t kMax = qor::TimerManager::kMaxCallbacksPerPass;
  // Timers whose tick makes a timer double in number every pass; however
  // many there are, one pass runs no more than the bound.
  std::function<qor::IData*()> spawner = [&] { return new Recorder("spawn", [&] { addTimer(0, -1, spawner()); }); };
  addTimer(0, -1, spawner());
  for (int pass = 0; manager.timers.size() < 4 * kMax; ++pass) {
    const std::size_t before = manager.timers.size();
    const std::size_t ran = after(1).size();
    ASSERT_LE(ran, kMax) << "pass " << pass;
    ASSERT_EQ(manager.timers.size(), before + ran);  // each ran once; the new ones wait
  }
  // Every due timer gets its turn: the passes after the bound go on in
  // creation order from the first timer that waited.
  manager.clear();
  const std::size_t count = 2 * kMax + kMax / 2;
  for (std::size_t i = 0; i < count; ++i) addTimer(10, -1, new Recorder(std::to_string(i)));
  const auto range = [](std::size_t from, std::size_t to) {
    Calls c;
    for (std::size_t i = from; i < to; ++i) c.push_back(std::to_string(i));
    return c;
  };
  EXPECT_EQ(after(11), range(0, kMax));
  EXPECT_EQ(after(0), range(kMax, 2 * kMax));
  EXPECT_EQ(after(0), range(2 * kMax, count));
  EXPECT_EQ(after(0), Calls{});  // all ticked at this time already
  EXPECT_EQ(after(11), range(0, kMax));
}

}  // namespace
