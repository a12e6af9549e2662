// Evaluation: operator tables, conversions, variables, functions, control
// flow and the hand-over of the scene.

#include "support/ScriptFixture.h"

#include "script/Operators.h"

namespace {

using qor::DataPtr;
using scripttest::ScriptTest;
using scripttest::show;

class EvalTest : public ScriptTest {};

TEST_F(EvalTest, OperatorTypeRules) {
  EXPECT_EQ(eval("1 + 2.5"), "float 3.5000");
  EXPECT_EQ(eval("true + 1"), "int 2");
  EXPECT_EQ(eval("\"3\" + 4"), "int 7");
  EXPECT_EQ(eval("\"a\" + \"b\""), "string ab");
  EXPECT_EQ(eval("\"a\" == \"a\""), "null");
  EXPECT_EQ(eval("true + \"x\""), "null");
  EXPECT_EQ(eval("true < false"), "bool false");
  EXPECT_EQ(eval("false < true"), "bool true");
  EXPECT_EQ(eval("true && false"), "bool false");
  EXPECT_EQ(eval("2 && 0"), "bool false");
  EXPECT_EQ(eval("0.0 || 0.5"), "bool true");
  EXPECT_EQ(eval("3 >= 3"), "bool true");
  EXPECT_EQ(eval("2.5 != 2.5"), "bool false");
}

TEST_F(EvalTest, IntegerArithmetic) {
  EXPECT_EQ(eval("7 / 2"), "int 3");
  EXPECT_EQ(eval("-7 / 2"), "int -3");
  EXPECT_EQ(eval("-7 % 2"), "int -1");
  EXPECT_EQ(eval("7 % -2"), "int 1");
  EXPECT_EQ(eval("7.0 / 2"), "float 3.5000");
  EXPECT_EQ(eval("7.5 % 2"), "null");
  EXPECT_EQ(eval("2147483647 + 1"), "int -2147483648");
  EXPECT_EQ(eval("65536 * 65536"), "int 0");
  // Division by zero and the overflowing remainder have no value.
  EXPECT_EQ(eval("1 / 0"), "null");
  EXPECT_EQ(eval("1 % 0"), "null");
  EXPECT_EQ(eval("(-2147483647 - 1) % -1"), "null");
  EXPECT_EQ(eval("(-2147483647 - 1) / -1"), "int -2147483648");
  EXPECT_EQ(eval("1.0 / 0 > 1000000.0"), "bool true");
}

TEST_F(EvalTest, OneElementListsActAsValues) {
  EXPECT_EQ(eval("(2 + 3) * 4"), "int 20");
  EXPECT_EQ(eval("((2)) + (3)"), "int 5");
  EXPECT_EQ(eval("(1, 2) + 1"), "null");
  EXPECT_EQ(eval("(1, 2) == (1, 2)"), "bool true");
  EXPECT_EQ(eval("(1, 2) == (1, 2, 3)"), "bool false");
  EXPECT_EQ(eval("(1, (2, 3)) == (1, (2, 3))"), "bool true");
  EXPECT_EQ(eval("(1, 2) == 1"), "null");
  EXPECT_EQ(eval("() == ()"), "bool true");
}

TEST_F(EvalTest, UnaryOperators) {
  EXPECT_EQ(eval("-5"), "int -5");
  EXPECT_EQ(eval("-2.5"), "float -2.5000");
  EXPECT_EQ(eval("!0"), "bool true");
  EXPECT_EQ(eval("!0.5"), "bool false");
  EXPECT_EQ(eval("!true"), "bool false");
  EXPECT_EQ(eval("-true"), "null");
  EXPECT_EQ(eval("-\"a\""), "null");
  EXPECT_EQ(eval("-(5)"), "null");  // the unary table takes the operand's own type
}

TEST_F(EvalTest, NullOperands) {
  EXPECT_EQ(eval("u + 1"), "null");
  EXPECT_EQ(eval("5 - u"), "null");
  EXPECT_EQ(eval("5 + u"), "null");
  EXPECT_EQ(eval("-u"), "null");
}

TEST_F(EvalTest, Conversions) {
  EXPECT_EQ(eval("STRING(1.0 / 3)"), "string 0.3333");
  EXPECT_EQ(eval("STRING(true)"), "string true");
  EXPECT_EQ(eval("STRING(-12)"), "string -12");
  EXPECT_EQ(eval("BOOL(\"True\")"), "bool false");
  EXPECT_EQ(eval("BOOL(\"TRUE\")"), "bool true");
  EXPECT_EQ(eval("BOOL(0.0)"), "bool false");
  EXPECT_EQ(eval("INT(\"  42abc\")"), "int 42");
  EXPECT_EQ(eval("INT(\"abc\")"), "int 0");
  EXPECT_EQ(eval("INT(-2.9)"), "int -2");
  EXPECT_EQ(eval("INT(1.0 / 0)"), "int 2147483647");
  EXPECT_EQ(eval("FLOAT(\"2.5x\")"), "float 2.5000");
  EXPECT_EQ(eval("FLOAT(true)"), "float 1.0000");
  EXPECT_EQ(eval("INT((1, 2))"), "null");
  // A value of the target type comes back itself.
  DataPtr s = qor::makeString("x");
  EXPECT_EQ(qor::toString(s).get(), s.get());
  EXPECT_EQ(qor::toInt(nullptr).get(), nullptr);
}

TEST_F(EvalTest, VariablesAndGlobals) {
  run("x = 1; def f() { x = 2; } f(); def g() { y = 5; } g();");
  EXPECT_EQ(showGlobal("x"), "int 2");
  EXPECT_EQ(global("y"), nullptr);
  run("def h(x) { x = 7; return x; } r = h(1);");
  EXPECT_EQ(showGlobal("x"), "int 2");  // a parameter shadows the global
  EXPECT_EQ(showGlobal("r"), "int 7");
  EXPECT_EQ(eval("undefinedName"), "null");
}

TEST_F(EvalTest, AssignmentSharesOneObject) {
  run("a = (1, 2); b = a; b.add(3);");
  DataPtr* a = global("a");
  DataPtr* b = global("b");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->get(), b->get());
  EXPECT_EQ(showGlobal("a"), "List (1, 2, 3)");
  EXPECT_EQ(eval("q.x = 1"), "null");  // only a name can be assigned
  EXPECT_EQ(eval("f() = 1"), "null");
}

TEST_F(EvalTest, IncrementAndCompoundAssignment) {
  run("i = 0; r = i++; s = ++i; f = 1.5; f--; t = \"a\"; t += \"b\"; n = 10; n %= 4; m = 3; m *= 2.0;");
  EXPECT_EQ(showGlobal("r"), "int 1");
  EXPECT_EQ(showGlobal("i"), "int 2");
  EXPECT_EQ(showGlobal("s"), "int 2");
  EXPECT_EQ(showGlobal("f"), "float 0.5000");
  EXPECT_EQ(showGlobal("t"), "string ab");
  EXPECT_EQ(showGlobal("n"), "int 2");
  EXPECT_EQ(showGlobal("m"), "float 6.0000");
  EXPECT_EQ(eval("undefinedCounter++"), "null");
  EXPECT_EQ(global("undefinedCounter"), nullptr);
}

TEST_F(EvalTest, OverloadingByParameterCount) {
  run("def f(a) { return a; } def f(a, b) { return b; } r1 = f(1); r2 = f(1, 2); r3 = f();");
  EXPECT_EQ(showGlobal("r1"), "int 1");
  EXPECT_EQ(showGlobal("r2"), "int 2");
  EXPECT_EQ(showGlobal("r3"), "null");
}

TEST_F(EvalTest, ControlFlowResults) {
  run("if (1) { y = 1; }");
  EXPECT_EQ(global("y"), nullptr);
  run("if (1 == 1) { y = 1; }");
  EXPECT_EQ(showGlobal("y"), "int 1");
  run("r = 0; if (false) r = 1; else r = 2;");
  EXPECT_EQ(showGlobal("r"), "int 2");
  run("def w0() { return while (0) { y = 2; }; }");  // not an expression: a syntax error
  EXPECT_FALSE(errors.empty());
  run("k = 0; while (k < 3) k++;");
  EXPECT_EQ(showGlobal("k"), "int 3");
  // while gives true when its condition turns false, null when it is null.
  EXPECT_EQ(run("q = 0; while (q < 2) q++;"), "true\n");
  EXPECT_EQ(run("while (u) q++;"), "");
  EXPECT_EQ(run("while (\"true\") { q = 5; return 9; }"), "9\n");
  EXPECT_EQ(run("for (j = 0; j < 3; j++) q = j;"), "");
  EXPECT_EQ(showGlobal("q"), "int 2");
  EXPECT_EQ(showGlobal("j"), "int 3");
}

TEST_F(EvalTest, ReturnUnwinds) {
  run("def f(x) { if (x > 0) return 1; else return 2; after = 1; } a = f(1); b = f(-1);");
  EXPECT_EQ(showGlobal("a"), "int 1");
  EXPECT_EQ(showGlobal("b"), "int 2");
  EXPECT_EQ(global("after"), nullptr);
  run("def g() { for (i = 0; i < 10; i++) { if (i == 3) return i; } return -1; } c = g();");
  EXPECT_EQ(showGlobal("c"), "int 3");
  run("def h() { while (true) { return 7; } } d = h(); def e() { x = 1; } e2 = e();");
  EXPECT_EQ(showGlobal("d"), "int 7");
  EXPECT_EQ(showGlobal("e2"), "null");
  EXPECT_FALSE(qor::script::returnFlag);
}

TEST_F(EvalTest, ReturnFlagIsClearedAfterEachTopLevelStatement) {
  // A `return` as the body of a top-level if leaves no flag behind to cut the
  // next loop short.
  run("if (true) return 1; n = 0; while (n < 3) { n++; m = n; }");
  EXPECT_EQ(showGlobal("m"), "int 3");
}

TEST_F(EvalTest, NoShortCircuit) {
  run("calls = 0; def t() { calls++; return true; } a = false && t(); b = true || t();");
  EXPECT_EQ(showGlobal("calls"), "int 2");
  EXPECT_EQ(showGlobal("a"), "bool false");
  EXPECT_EQ(showGlobal("b"), "bool true");
}

TEST_F(EvalTest, RunawayRecursionEndsInNull) {
  run("def f() { return f(); } r = f(); def g(n) { return g(n + 1) + 1; } s = g(0); ok = 1;");
  EXPECT_EQ(showGlobal("r"), "null");
  EXPECT_EQ(showGlobal("s"), "null");
  EXPECT_EQ(showGlobal("ok"), "int 1");
  // Every branch of a runaway recursion ends at once, and a loop whose body
  // can no longer run does not spin.
  run("def two(n) { return two(n + 1) + two(n + 1); } t = two(0);"
      "def spin(n) { while (true) { for (i = 0; i < 1; i++) { if (true) return spin(n + 1); } } } u = spin(0);"
      "after = 2;");
  EXPECT_EQ(showGlobal("t"), "null");
  EXPECT_EQ(showGlobal("u"), "null");
  EXPECT_EQ(showGlobal("after"), "int 2");
  EXPECT_FALSE(qor::script::aborting);
  // Deep but bounded recursion still works.
  run("def depth(n) { if (n == 0) return 0; return depth(n - 1) + 1; } d = depth(700);");
  EXPECT_EQ(showGlobal("d"), "int 700");
}

TEST_F(EvalTest, DeeplyNestedExpressionsDoNotOverflow) {
  std::string deep(100000, '(');
  deep += "1" + std::string(100000, ')');
  run("x = " + deep + "; y = 1;");
  EXPECT_TRUE(errors.empty());
  // The nesting stops at the limit: a deep List with nothing at its core.
  EXPECT_EQ(showGlobal("x").substr(0, 8), "List (((");
  EXPECT_EQ(showGlobal("y"), "int 1");
  std::string minus;
  for (int i = 0; i < 50000; ++i) minus += "- ";
  run("z = " + minus + "1; w = 2;");
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(showGlobal("z"), "null");
  EXPECT_EQ(showGlobal("w"), "int 2");
  std::string methods, calls, closing;
  for (int i = 0; i < 5000; ++i) {
    methods += "l.get(";
    calls += "id(";
    closing += ")";
  }
  run("l = (1); def id(a) { return a; } m = " + methods + "0" + closing + "; c = " + calls + "0" + closing +
      "; v = 3;");
  EXPECT_EQ(showGlobal("m"), "null");
  EXPECT_EQ(showGlobal("c"), "null");
  EXPECT_EQ(showGlobal("v"), "int 3");
}

TEST_F(EvalTest, MemberAccessOnNonObjects) {
  EXPECT_EQ(eval("n.getX()"), "null");
  EXPECT_EQ(eval("(1).size()"), "null");  // a syntax error: calls need a name
  EXPECT_EQ(eval("x.size"), "null");
  run("l = (1, 2); s = l.size(); a = l.size; i = l[0];");
  EXPECT_EQ(showGlobal("s"), "int 2");
  EXPECT_EQ(showGlobal("a"), "null");
  EXPECT_EQ(showGlobal("i"), "null");
}

TEST_F(EvalTest, LastStatementIsPrinted) {
  EXPECT_EQ(run("x = 1; getMousePos();"), "(0, 0)\n");
  EXPECT_EQ(run("x = 2; u;"), "");
  EXPECT_EQ(run("3.5;"), "3.5000\n");
  EXPECT_EQ(run("\"text\";"), "text\n");
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
  // A "scene" that is not a SceneNode gives no scene.
  run("scene = 3;");
  qor::script::takeScene();
  EXPECT_FALSE(qor::script::sceneValue());
  qor::script::setSceneHook(nullptr);
  hooked = nullptr;
}

TEST_F(EvalTest, SceneIsKeptWithoutASceneVariable) {
  qor::script::sceneValue() = qor::makeInt(1);
  run("x = 1;");
  qor::script::takeScene();
  EXPECT_EQ(show(qor::script::sceneValue()), "int 1");
}

TEST_F(EvalTest, LoopsCollectTheirGarbage) {
  run("s = 0; for (i = 0; i < 200000; i++) { s = s + i; }");
  EXPECT_EQ(showGlobal("s"), "int -1474936480");
  EXPECT_LE(qor::IMMObject::deadCount(), qor::script::kLoopCollectThreshold + 16);
}

}  // namespace
