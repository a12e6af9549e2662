// The small-object pool behind script values, and the interpreter shortcuts
// that must not change what a script sees: values reused after a collection,
// shared objects on assignment, call sites that follow a redefinition.

#include "base/memory/IMMObject.h"
#include "base/memory/SmallObjectPool.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/Operators.h"
#include "script/Output.h"
#include "script/SceneDriver.h"
#include "script/datatypes/DataValues.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using qor::DataPtr;

void capture(std::string_view text, void* context) { static_cast<std::string*>(context)->append(text); }

class PoolTest : public ::testing::Test {
protected:
  void SetUp() override {
    qor::script::resetInterpreter();
    qor::collectGarbage();
    qor::script::registerBuiltins();
    qor::script::setOutputSink(&capture, &out);
  }
  void TearDown() override {
    qor::script::setOutputSink(nullptr);
    qor::script::resetInterpreter();
    qor::collectGarbage();
  }
  // Parses and runs text as a new file; the printed output lands in `out`.
  void run(const std::string& text) {
    const std::size_t index = qor::script::addFile("perf.txt");
    qor::SceneDriver driver;
    ASSERT_TRUE(driver.parseText("perf.txt", text));
    qor::script::runRecord(index);
  }
  // A variable of any loaded file, first file first.
  DataPtr global(std::string_view name) {
    for (std::size_t i = 0; i < qor::script::fileCount(); ++i)
      if (DataPtr* slot = qor::script::record(i).variables.find(name)) return *slot;
    return nullptr;
  }
  std::string out;
};

TEST_F(PoolTest, CollectedValuesAreReusedAndKeepTheirOwnContents) {
  std::vector<DataPtr> values;
  // Past the shared small ints, so each is an object of its own.
  constexpr int kBase = 100000;
  for (int i = 0; i < 100; ++i) values.push_back(qor::makeInt(kBase + i));
  std::set<const void*> freed;
  for (int i = 0; i < 100; i += 2) {
    freed.insert(values[static_cast<std::size_t>(i)].get());
    values[static_cast<std::size_t>(i)] = nullptr;
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
  for (int i = 1; i < 100; i += 2)
    EXPECT_EQ(static_cast<qor::DataInt*>(values[static_cast<std::size_t>(i)].get())->value, kBase + i);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(static_cast<qor::DataInt*>(fresh[static_cast<std::size_t>(i)].get())->value, 2 * kBase + i);
}

TEST_F(PoolTest, SizesOfEveryClassAndLargerOnesRoundTrip) {
  // Every size up to the largest class and past it; the memory must be
  // writable in full and come back to the right place.
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
  EXPECT_EQ(qor::poolFreeCount(), freeBefore + pooled);
  qor::poolFree(nullptr, 8);
  EXPECT_EQ(qor::poolFreeCount(), freeBefore + pooled);
}

TEST_F(PoolTest, LongLoopsRunInBoundedMemory) {
  // Hundreds of thousands of temporaries, collected as the loop goes, fit in a few chunks:
  // the collected slots are taken again instead of new memory.
  run("s = 0; for (i = 0; i < 20000; i++) { s = s + i; t = \"x\" + STRING(i); }");
  const std::size_t chunks = qor::poolChunkCount();
  run("u = 0; for (j = 0; j < 300000; j++) { u = u + j; t = \"x\" + STRING(j); }");
  EXPECT_LE(qor::poolChunkCount(), chunks + 1);
  EXPECT_EQ(static_cast<qor::DataInt*>(global("u").get())->value, static_cast<int32_t>(44999850000LL & 0xFFFFFFFF));
}

TEST_F(PoolTest, AssignmentSharesOneObjectAndOperatorsMakeNewOnes) {
  run("a = 70000; b = a; c = a + 0; l = (); l.add(a);");
  ASSERT_TRUE(global("a"));
  EXPECT_EQ(global("a").get(), global("b").get());
  EXPECT_NE(global("a").get(), global("c").get());
  run("print(TYPE(a), TYPE(c), TYPE(1 + 2.5), TYPE(\"a\" + \"b\"), TYPE(1 < 2), l.get(0) + 1);");
  EXPECT_EQ(out, "intintfloatstringbool70001\n");
}

TEST_F(PoolTest, SharedSmallIntsStayValues) {
  // Two variables holding the same small int are not tied: changing one
  // leaves the other, inside a List too.
  run("x = 5; y = 5; l = (5, 5); x++; y += 2; l.set(0, l.get(0) - 1); print(x, \" \", y, \" \", l);");
  EXPECT_EQ(out, "6 7 (4, 5)\n");
  // Every int around the edges of the shared range keeps its own value.
  for (int32_t v : {-257, -256, -255, -1, 0, 1, 1022, 1023, 1024, 1025, INT32_MIN, INT32_MAX}) {
    for (int twice = 0; twice < 2; ++twice) {
      DataPtr d = qor::makeInt(v);
      ASSERT_TRUE(d);
      EXPECT_EQ(d->tag(), qor::kTagInt);
      EXPECT_EQ(static_cast<qor::DataInt*>(d.get())->value, v);
    }
  }
}

TEST_F(PoolTest, IntPairsKeepTheirEdgeRules) {
  // The int-int shortcut of the operators still wraps and still has no
  // value for a division by zero; a List of one int still unwraps.
  run("print(2147483647 + 1); print(-2147483647 - 2); print(7 / 0); print(7 % 0); print(-7 / 2, \" \", -7 % 2);"
      " print((3) * 4);");
  EXPECT_EQ(out, "-2147483648\n2147483647\n\n\n-3 -1\n12\n");
}

TEST_F(PoolTest, CallSitesFollowARedefinition) {
  run("def f(x) { return 1; } def g() { return f(0); } r1 = g();");
  run("def f(x) { return 2; } r2 = g(); def f() { return 3; } r3 = g(); r4 = f();");
  EXPECT_EQ(static_cast<qor::DataInt*>(global("r1").get())->value, 1);
  EXPECT_EQ(static_cast<qor::DataInt*>(global("r2").get())->value, 2);
  EXPECT_EQ(static_cast<qor::DataInt*>(global("r3").get())->value, 2);
  EXPECT_EQ(static_cast<qor::DataInt*>(global("r4").get())->value, 3);
}

}  // namespace
