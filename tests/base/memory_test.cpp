// Reference counting, deferred deletion and the callback objects.

#include "base/memory/Functor.h"
#include "base/memory/SmartPointer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using qor::SmartPointer;

int destroyed = 0;

struct Probe : qor::IMMObject {
  std::size_t size() const override { return sizeof(*this); }
  ~Probe() override { ++destroyed; }
};

// Holds another object and lets go of it in its destructor.
struct Holder : qor::IMMObject {
  SmartPointer<Probe> held;
  std::size_t size() const override { return sizeof(*this); }
  ~Holder() override { ++destroyed; }
};

class MemoryTest : public ::testing::Test {
protected:
  void SetUp() override {
    qor::collectGarbage();
    destroyed = 0;
  }
};

TEST_F(MemoryTest, ReleasedObjectsWaitForTheCollection) {
  // An object never wrapped stays alive with count zero until deleted.
  const std::size_t live = qor::IMMObject::liveCount();
  Probe* loose = new Probe;
  EXPECT_EQ(qor::IMMObject::liveCount(), live + 1);
  qor::collectGarbage();
  EXPECT_FALSE(loose->isDead());
  delete loose;  // unlinks itself
  EXPECT_EQ(qor::IMMObject::liveCount(), live);
  EXPECT_EQ(destroyed, 1);

  Probe* raw = new Probe;
  {
    SmartPointer<Probe> a(raw);
    SmartPointer<Probe> b = a;
    EXPECT_EQ(raw->refCount(), 2);
    SmartPointer<Holder> h(new Holder);
    h->held = new Probe;
    b = new Probe;  // assignment releases nothing still held by `a`
    EXPECT_FALSE(raw->isDead());
  }
  EXPECT_TRUE(raw->isDead());  // the raw pointer is still valid here
  EXPECT_EQ(qor::IMMObject::deadCount(), 3u);
  EXPECT_EQ(destroyed, 1);
  // The holder's destructor releases its probe, which goes in the same sweep.
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 5);
  EXPECT_EQ(qor::IMMObject::deadCount(), 0u);
}

TEST_F(MemoryTest, CountsStayBalanced) {
  SmartPointer<Probe> p(new Probe);
  Probe* raw = p.get();
  p = p;  // self-assignment keeps the object alive
  p = raw;
  EXPECT_EQ(raw->refCount(), 1);
  SmartPointer<qor::IMMObject> base = p;
  SmartPointer<Probe> moved = std::move(p);
  EXPECT_EQ(moved->refCount(), 2);
  EXPECT_TRUE(p == nullptr);
  EXPECT_TRUE(base == SmartPointer<qor::IMMObject>(moved));
  base = nullptr;
  moved = nullptr;
  ASSERT_TRUE(raw->isDead());
  // Wrapped again before the collection, it is alive after all.
  SmartPointer<Probe> again(raw);
  EXPECT_FALSE(raw->isDead());
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 0);
  again = nullptr;
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 1);
}

TEST(MemoryDeathTest, ArrowOnNullPointerStopsWithItsMessage) {
  SmartPointer<Probe> empty;
  EXPECT_DEATH((void)empty->size(), "Tried to -> on a NULL smart pointer");
}

TEST(MemoryDeathTest, FinalSweepDestroysLiveObjectsThatReferenceEachOther) {
  EXPECT_EXIT(
      {
        destroyed = 0;
        // Two holders of one probe plus an unwrapped object: destroying the
        // first holder must not touch the probe once it is gone, whatever the
        // order of the sweep.
        auto* probe = new Probe;
        static SmartPointer<Holder> a(new Holder);
        static SmartPointer<Holder> b(new Holder);
        b->held = probe;
        a->held = probe;
        new Probe;
        qor::collectRemainingObjects();
        std::fprintf(stderr, "destroyed=%d live=%zu\n", destroyed, qor::IMMObject::liveCount());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "destroyed=4 live=0");
}

int sumArgs(std::vector<int> args) {
  int s = 0;
  for (int v : args) s += v;
  return s;
}

TEST(FunctorTest, GlobalFunctorCallsItsFunctionAndNullGivesEmptyResult) {
  using Sum = qor::FunctorGlobal1<int, std::vector<int>>;
  Sum f(&sumArgs);
  Sum copy = f;  // stored by value
  EXPECT_EQ(copy({1, 2, 3}), 6);
  EXPECT_EQ(Sum()({1}), 0);
}

}  // namespace
