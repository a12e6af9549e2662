// The small-object pool behind script values, and the interpreter shortcuts
// that must not change what a script sees: values reused after a collection,
// shared objects on assignment, call sites that follow a redefinition.

#include "support/ScriptFixture.h"

#include "base/memory/SmallObjectPool.h"
#include "script/datatypes/DataValues.h"

#include <cstring>
#include <set>

namespace {

using qor::DataPtr;

class PoolTest : public scripttest::ScriptTest {};

int32_t intOf(const DataPtr& d) { return static_cast<qor::DataInt*>(d.get())->value; }

TEST_F(PoolTest, CollectedValuesAreReusedAndKeepTheirOwnContents) {
  // Past the shared small ints, so each is an object of its own.
  constexpr int kBase = 100000;
  std::vector<DataPtr> values;
  for (int i = 0; i < 100; ++i) values.push_back(qor::makeInt(kBase + i));
  std::set<const void*> freed;
  for (std::size_t i = 0; i < 100; i += 2) {
    freed.insert(values[i].get());
    values[i] = nullptr;
  }
  const std::size_t freeBefore = qor::poolFreeCount();
  qor::collectGarbage();
  EXPECT_EQ(qor::poolFreeCount(), freeBefore + 50);
  // New values of the same size take the freed slots and overwrite nothing
  // that is still alive.
  std::vector<DataPtr> fresh;
  for (int i = 0; i < 50; ++i) {
    fresh.push_back(qor::makeInt(2 * kBase + i));
    EXPECT_TRUE(freed.count(fresh.back().get())) << i;
  }
  EXPECT_EQ(qor::poolFreeCount(), freeBefore);
  for (std::size_t i = 1; i < 100; i += 2) EXPECT_EQ(intOf(values[i]), kBase + static_cast<int>(i));
  for (std::size_t i = 0; i < 50; ++i) EXPECT_EQ(intOf(fresh[i]), 2 * kBase + static_cast<int>(i));
}

TEST_F(PoolTest, SizesOfEveryClassAndLargerOnesRoundTrip) {
  // Every size up to the largest class and past it; the memory must be
  // aligned, writable in full and come back to the right place.
  std::vector<std::pair<void*, std::size_t>> blocks;
  for (std::size_t n = 1; n <= qor::kPoolMaxSize + 64; n += 7) {
    void* p = qor::poolAllocate(n);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t), 0u) << n;
    std::memset(p, 0xAB, n);
    blocks.emplace_back(p, n);
  }
  const std::size_t freeBefore = qor::poolFreeCount();
  std::size_t pooled = 0;
  for (auto& [p, n] : blocks) {
    qor::poolFree(p, n);
    if (n <= qor::kPoolMaxSize) ++pooled;
  }
  qor::poolFree(nullptr, 8);
  EXPECT_EQ(qor::poolFreeCount(), freeBefore + pooled);
}

TEST_F(PoolTest, LongLoopsRunInBoundedMemory) {
  // Hundreds of thousands of temporaries, collected as the loop goes, fit in
  // a few chunks: the collected slots are taken again instead of new memory.
  run("s = 0; for (i = 0; i < 20000; i++) { s = s + i; t = \"x\" + STRING(i); }");
  const std::size_t chunks = qor::poolChunkCount();
  run("u = 0; for (j = 0; j < 300000; j++) { u = u + j; t = \"x\" + STRING(j); }");
  EXPECT_LE(qor::poolChunkCount(), chunks + 1);
  EXPECT_EQ(intOf(global("u")->box()), static_cast<int32_t>(44999850000LL & 0xFFFFFFFF));
}

TEST_F(PoolTest, ValuesStayValues) {
  // Every int around the edges of the shared range keeps its own value.
  for (int32_t v : {-257, -256, -255, -1, 0, 1, 1022, 1023, 1024, 1025, INT32_MIN, INT32_MAX}) {
    for (int twice = 0; twice < 2; ++twice) {
      DataPtr d = qor::makeInt(v);
      ASSERT_EQ(d->tag(), qor::kTagInt);
      EXPECT_EQ(intOf(d), v);
    }
  }
}

TEST_F(PoolTest, CallSitesFollowARedefinition) {
  EXPECT_EQ(run("def f(x) { return 1; } def g() { return f(0); } print(g());"), "1\n");
  EXPECT_EQ(run("def f(x) { return 2; } print(g()); def f() { return 3; } print(g(), f());"), "2\n23\n");
}

}  // namespace

namespace {

// What a Value holds, as text: "null", "int 3", "string s (2 refs)".
std::string describe(const qor::Value& v) {
  switch (v.kind()) {
    case qor::Value::kNull: return "null";
    case qor::Value::kBool: return std::string("bool ") + (v.boolValue() ? "true" : "false");
    case qor::Value::kInt: return "int " + std::to_string(v.intValue());
    case qor::Value::kFloat: return "float " + std::to_string(v.floatValue());
    default:
      return "string " + static_cast<qor::DataString*>(v.object())->value + " (" +
             std::to_string(v.object()->refCount()) + " refs)";
  }
}

TEST_F(PoolTest, ValueAssignmentKeepsContentsAndCounts) {
  // Every pair of kinds, copied and moved, onto another value and onto
  // itself: the target holds the source's contents, a moved-from value is
  // null, and each string is counted once per value that holds it.
  const DataPtr text = qor::makeString("a");
  const DataPtr other = qor::makeString("b");
  const std::vector<qor::Value> kinds = {qor::Value(), qor::Value::boolean(true), qor::Value::integer(7),
                                         qor::Value::real(2.5f), qor::Value(text), qor::Value(other)};
  for (std::size_t from = 0; from < kinds.size(); ++from) {
    for (std::size_t to = 0; to < kinds.size(); ++to) {
      const std::string source = describe(kinds[from]);
      {
        qor::Value target = kinds[to], copy = kinds[from];
        target = copy;
        EXPECT_EQ(describe(target), describe(copy)) << from << " " << to;
        qor::Value moved = kinds[from];
        target = kinds[to];
        target = std::move(moved);
        EXPECT_EQ(moved.kind(), qor::Value::kNull) << from << " " << to;
      }
      EXPECT_EQ(describe(kinds[from]), source) << from << " " << to;
    }
    qor::Value self = kinds[from];
    const std::string before = describe(self);
    qor::Value& alias = self;
    self = alias;
    EXPECT_EQ(describe(self), before) << from;
    self = std::move(alias);
    EXPECT_EQ(describe(self), before) << from;
  }
  // The table itself, the two DataPtrs: two references each.
  EXPECT_EQ(text->refCount(), 2);
  EXPECT_EQ(other->refCount(), 2);
}

}  // namespace
