// Reference counting and deferred deletion.

#include "base/memory/SmartPointer.h"

#include <gtest/gtest.h>

namespace {

using qor::SmartPointer;

int destroyed = 0;

// Counts its destruction and lets go of `held` then.
struct Probe : qor::IMMObject {
  SmartPointer<Probe> held;
  std::size_t size() const override { return sizeof(*this); }
  ~Probe() override { ++destroyed; }
};

TEST(MemoryTest, ReleasedObjectsWaitForTheCollection) {
  qor::collectGarbage();
  destroyed = 0;
  // An object never wrapped stays alive with count zero until deleted.
  const std::size_t live = qor::IMMObject::liveCount();
  Probe* loose = new Probe;
  qor::collectGarbage();
  EXPECT_EQ(qor::IMMObject::liveCount(), live + 1);
  delete loose;  // unlinks itself
  EXPECT_EQ(qor::IMMObject::liveCount(), live);

  Probe* raw = new Probe;
  {
    SmartPointer<Probe> a(raw), b = a, holder(new Probe);
    b = b;  // self-assignment keeps the object
    b = raw;
    EXPECT_EQ(raw->refCount(), 2);
    holder->held = new Probe;
    b = new Probe;  // releases nothing still held by `a`
    SmartPointer<qor::IMMObject> base = std::move(b);
    EXPECT_TRUE(b == nullptr);
    EXPECT_EQ(base->refCount(), 1);
  }
  EXPECT_TRUE(raw->isDead());  // the raw pointer is still valid here
  EXPECT_EQ(qor::IMMObject::deadCount(), 3u);
  EXPECT_EQ(destroyed, 1);
  // Wrapped again before the collection, it is alive after all.
  SmartPointer<Probe> again(raw);
  EXPECT_FALSE(raw->isDead());
  // The holder's destructor releases its probe, which goes in the same sweep.
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 4);
  EXPECT_EQ(qor::IMMObject::deadCount(), 0u);
  again = nullptr;
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 5);
}

TEST(MemoryDeathTest, FinalSweepDestroysLiveObjectsThatReferenceEachOther) {
  EXPECT_EXIT(
      {
        destroyed = 0;
        // Two holders of one probe plus an unwrapped object: destroying the
        // first holder must not touch the probe once it is gone, whatever the
        // order of the sweep.
        auto* probe = new Probe;
        static SmartPointer<Probe> a(new Probe);
        static SmartPointer<Probe> b(new Probe);
        b->held = probe;
        a->held = probe;
        new Probe;
        qor::collectRemainingObjects();
        std::fprintf(stderr, "destroyed=%d live=%zu\n", destroyed, qor::IMMObject::liveCount());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "destroyed=4 live=0");
}

}  // namespace
