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

TEST_F(MemoryTest, NeverWrappedObjectStaysLiveWithZeroCount) {
  const std::size_t live = qor::IMMObject::liveCount();
  Probe* p = new Probe;
  EXPECT_EQ(p->refCount(), 0);
  EXPECT_EQ(qor::IMMObject::liveCount(), live + 1);
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 0);
  EXPECT_FALSE(p->isDead());
  delete p;  // unlinks itself
  EXPECT_EQ(qor::IMMObject::liveCount(), live);
}

TEST_F(MemoryTest, CopyAndDropDefersDeletionUntilCollection) {
  Probe* raw = new Probe;
  {
    SmartPointer<Probe> a(raw);
    SmartPointer<Probe> b = a;
    EXPECT_EQ(raw->refCount(), 2);
  }
  EXPECT_EQ(raw->refCount(), 0);
  EXPECT_TRUE(raw->isDead());
  EXPECT_EQ(qor::IMMObject::deadCount(), 1u);
  EXPECT_EQ(destroyed, 0);  // the raw pointer is still valid here
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(qor::IMMObject::deadCount(), 0u);
}

TEST_F(MemoryTest, DestructorReleasingAnotherObjectIsCollectedInTheSameSweep) {
  {
    SmartPointer<Holder> h(new Holder);
    h->held = new Probe;
  }
  EXPECT_EQ(qor::IMMObject::deadCount(), 1u);
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(qor::IMMObject::deadCount(), 0u);
}

TEST_F(MemoryTest, SelfAssignmentKeepsTheObjectAlive) {
  SmartPointer<Probe> p(new Probe);
  Probe* raw = p.get();
  p = p;
  p = raw;
  EXPECT_EQ(raw->refCount(), 1);
  EXPECT_FALSE(raw->isDead());
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 0);
}

TEST_F(MemoryTest, AssignmentReleasesTheOldObject) {
  SmartPointer<Probe> p(new Probe);
  Probe* first = p.get();
  p = new Probe;
  EXPECT_TRUE(first->isDead());
  p = nullptr;
  EXPECT_EQ(qor::IMMObject::deadCount(), 2u);
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 2);
}

TEST_F(MemoryTest, RewrappingADeadObjectRevivesIt) {
  Probe* raw = new Probe;
  { SmartPointer<Probe> a(raw); }
  ASSERT_TRUE(raw->isDead());
  SmartPointer<Probe> again(raw);
  EXPECT_FALSE(raw->isDead());
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 0);
  again = nullptr;
  qor::collectGarbage();
  EXPECT_EQ(destroyed, 1);
}

TEST_F(MemoryTest, ConversionAndMoveKeepCountsBalanced) {
  SmartPointer<Probe> p(new Probe);
  SmartPointer<qor::IMMObject> base = p;
  EXPECT_EQ(p->refCount(), 2);
  SmartPointer<Probe> moved = std::move(p);
  EXPECT_EQ(moved->refCount(), 2);
  EXPECT_TRUE(p == nullptr);
  EXPECT_TRUE(base == SmartPointer<qor::IMMObject>(moved));
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

std::vector<int> lastArgs;
int sumArgs(std::vector<int> args) {
  lastArgs = args;
  int s = 0;
  for (int v : args) s += v;
  return s;
}

TEST(FunctorTest, GlobalFunctorCallsItsFunctionAndNullGivesEmptyResult) {
  qor::FunctorGlobal1<int, std::vector<int>> f(&sumArgs);
  qor::FunctorGlobal1<int, std::vector<int>> copy = f;  // stored by value
  EXPECT_EQ(copy({1, 2, 3}), 6);
  EXPECT_EQ(lastArgs.size(), 3u);
  qor::FunctorGlobal1<int, std::vector<int>> none;
  EXPECT_EQ(none({1}), 0);
}

}  // namespace
