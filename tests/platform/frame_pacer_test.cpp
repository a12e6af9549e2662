// The pacing of the main loop, on a stepped clock: passes of given work
// times are counted over simulated seconds.

#include "platform/FramePacer.h"
#include "support/SteppedClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using kelvo::test::SteppedClock;
using qor::platform::FramePacer;

TEST(FramePacer, SixtyPassesASecondWithoutVsyncWhateverTheWork) {
  // Each pass works work[i % size] ms; sleeps come back `late` ms late. Over
  // ten simulated seconds, every whole second holds between `least` and
  // `most` passes; `burst` bounds the passes of any 100 ms (no rush after a
  // stall). With the display pacing (vsync) the pacer never sleeps.
  const struct {
    const char* what;
    std::vector<int32_t> work;
    int32_t late;
    bool vsync;
    int least, most, burst;
  } cases[] = {
      {"idle passes", {0}, 0, false, 60, 60, 7},
      {"light frames", {4}, 0, false, 60, 60, 7},
      {"frames just under a share", {16}, 0, false, 60, 60, 7},
      {"sleeps that come back late", {3}, 1, false, 59, 60, 7},
      {"a frame in ten overruns", {3, 3, 3, 3, 3, 3, 3, 3, 3, 30}, 0, false, 58, 61, 7},
      {"every other frame overruns", {25, 5}, 0, false, 60, 60, 7},
      {"a stall of half a second", {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 500},
       0, false, 30, 60, 7},
      {"frames slower than a share", {40}, 0, false, 25, 25, 3},
      {"vsync at 60 Hz", {17}, 0, true, 58, 59, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SteppedClock::reset(1234);
    SteppedClock::lateBy = c.late;
    FramePacer pacer(&SteppedClock::read, &SteppedClock::sleep);
    std::vector<int32_t> ends;
    for (std::size_t i = 0; SteppedClock::now < 1234 + 11000; ++i) {
      SteppedClock::now += c.work[i % c.work.size()];
      pacer.endPass(c.vsync);
      ends.push_back(SteppedClock::now - 1234);
    }
    auto passesIn = [&](int32_t from, int32_t length) {
      return std::count_if(ends.begin(), ends.end(), [&](int32_t t) { return t >= from && t < from + length; });
    };
    for (int32_t second = 1000; second < 10000; second += 1000) {
      EXPECT_GE(passesIn(second, 1000), c.least) << "second " << second / 1000;
      EXPECT_LE(passesIn(second, 1000), c.most) << "second " << second / 1000;
    }
    for (int32_t from = 1000; from < 10000; from += 10) EXPECT_LE(passesIn(from, 100), c.burst) << from;
    if (c.vsync) { EXPECT_EQ(SteppedClock::sleeps, 0); }
  }
}

}  // namespace
