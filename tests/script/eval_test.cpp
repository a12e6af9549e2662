// Evaluation seen from C++: the value of a file's last statement, the guards
// against runaway scripts, collection in long loops and the hand-over of the
// scene. (Operators, conversions and whole programs are checked by the
// example scripts.)

#include "support/ScriptFixture.h"

#include "script/datatypes/DataValues.h"

namespace {

using qor::DataPtr;
using scripttest::ScriptTest;

class EvalTest : public ScriptTest {};

TEST_F(EvalTest, TheLastStatementsValueIsPrinted) {
  // The one place where a loop's own value shows: while gives true when its
  // condition turns false, null when the condition is not a bool, and the
  // value of a return inside its body; for gives null.
  const std::pair<const char*, const char*> cases[] = {
      {"q = 0; while (q < 2) q++;", "true\n"}, {"while (u) q++;", ""}, {"while (\"true\") { return 9; }", "9\n"},
      {"for (j = 0; j < 3; j++) q = j;", ""},   {"3.5;", "3.5000\n"},   {"x = 2; u;", ""},
  };
  for (const auto& [text, printed] : cases) EXPECT_EQ(run(text), printed) << text;
}

TEST_F(EvalTest, RunawayRecursionEndsInNull) {
  // Every branch of a runaway recursion ends at once, and a loop whose body
  // can no longer run does not spin; the next statement runs as usual.
  run("def f() { return f(); } def g(n) { return g(n + 1) + 1; } def two(n) { return two(n + 1) + two(n + 1); }"
      "def spin(n) { while (true) { for (i = 0; i < 1; i++) { if (true) return spin(n + 1); } } }"
      "print(TYPE(f())); print(TYPE(g(0))); print(TYPE(two(0))); print(TYPE(spin(0))); print(\"after\");");
  EXPECT_EQ(out, "\n\n\n\nafter\n");
  EXPECT_FALSE(qor::script::aborting);
  // Deep but bounded recursion still works.
  EXPECT_EQ(run("def depth(n) { if (n == 0) return 0; return depth(n - 1) + 1; } print(depth(700));"), "700\n");
}

TEST_F(EvalTest, DeeplyNestedExpressionsDoNotOverflow) {
  // The nesting stops at the limit: a deep List with nothing at its core.
  const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  run("x = " + deep + "; y = 1;");
  EXPECT_EQ(eval("x").substr(0, 8), "List (((");
  std::string minus, methods, calls, closing;
  for (int i = 0; i < 50000; ++i) minus += "- ";
  for (int i = 0; i < 5000; ++i) {
    methods += "l.get(";
    calls += "id(";
    closing += ")";
  }
  run("z = " + minus + "1; l = (1); def id(a) { return a; } m = " + methods + "0" + closing + "; c = " + calls + "0" +
      closing + "; print(TYPE(z)); print(TYPE(m)); print(TYPE(c)); print(y);");
  EXPECT_EQ(out, "\n\n\n1\n");
  EXPECT_TRUE(errors.empty());
}

TEST_F(EvalTest, SelfHoldingListPrintsAndComparesWithoutRunningAway) {
  run("l = (1); l.add(l); print(l); eq = l == l; l.remove(1);");  // the remove breaks the cycle for the collector
  EXPECT_EQ(out.substr(0, 8), "(1, (1, ");
  EXPECT_EQ(eval("eq"), "bool false");  // the comparison gives up at the nesting limit
}

TEST_F(EvalTest, LoopsCollectTheirGarbage) {
  EXPECT_EQ(run("s = 0; for (i = 0; i < 200000; i++) { s = s + i; } print(s);"), "-1474936480\n");
  EXPECT_LE(qor::IMMObject::deadCount(), qor::script::kLoopCollectThreshold + 16);
}

TEST_F(EvalTest, SceneHandOver) {
  struct FakeNode : qor::IData {
    FakeNode() : IData(qor::kTagSceneNode) {}
    std::size_t size() const override { return sizeof(*this); }
  };
  qor::script::registerBuiltin("FakeNode", [](qor::BuiltinArgs) -> DataPtr { return DataPtr(new FakeNode); });
  static DataPtr hooked;
  qor::script::setSceneHook([](const DataPtr& v) { hooked = v; });
  run("scene = FakeNode();");
  qor::script::takeScene();
  ASSERT_TRUE(qor::script::sceneValue());
  EXPECT_EQ(qor::script::sceneValue()->tag(), qor::kTagSceneNode);
  EXPECT_EQ(hooked.get(), qor::script::sceneValue().get());
  // A "scene" that is not a SceneNode gives no scene; without a "scene"
  // variable the scene stays as it was.
  run("scene = 3;");
  qor::script::takeScene();
  EXPECT_FALSE(qor::script::sceneValue());
  fresh();
  qor::script::sceneValue() = qor::makeInt(1);
  run("x = 1;");
  qor::script::takeScene();
  EXPECT_TRUE(qor::script::sceneValue());
  qor::script::setSceneHook(nullptr);
  hooked = nullptr;
}

}  // namespace
