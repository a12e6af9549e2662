// Evaluation: the operator tables, conversions and plain built-ins, whole
// programs (scopes, functions, control flow), the guards against runaway
// scripts, and the hand-over of the scene.

#include "support/ScriptFixture.h"

#include "script/datatypes/DataValues.h"

namespace {

using qor::DataPtr;
using scripttest::ScriptTest;

class EvalTest : public ScriptTest {};

struct Case {
  const char* text;
  const char* expected;
};

TEST_F(EvalTest, Expressions) {
  const Case cases[] = {
      // Type rules: float beats int beats bool; strings convert to ints; strings only concatenate.
      {"1 + 2.5", "float 3.5000"}, {"true + 1", "int 2"}, {"\"3\" + 4", "int 7"}, {"\"a\" + \"b\"", "string ab"},
      {"\"a\" == \"a\"", "null"}, {"true + \"x\"", "null"}, {"true < false", "bool false"},
      {"false < true", "bool true"}, {"true && false", "bool false"}, {"2 && 0", "bool false"},
      {"0.0 || 0.5", "bool true"}, {"3 >= 3", "bool true"}, {"2.5 != 2.5", "bool false"},
      // Integer arithmetic truncates and wraps; no value for a division by zero
      // nor for the one remainder that overflows.
      {"7 / 2", "int 3"}, {"-7 / 2", "int -3"}, {"-7 % 2", "int -1"}, {"7 % -2", "int 1"},
      {"7.0 / 2", "float 3.5000"}, {"7.5 % 2", "null"}, {"2147483647 + 1", "int -2147483648"},
      {"65536 * 65536", "int 0"}, {"1 / 0", "null"}, {"1 % 0", "null"}, {"(-2147483647 - 1) % -1", "null"},
      {"(-2147483647 - 1) / -1", "int -2147483648"}, {"1.0 / 0 > 1000000.0", "bool true"},
      // A one-element List stands for its element; Lists compare only with "==".
      {"(2 + 3) * 4", "int 20"}, {"((2)) + (3)", "int 5"}, {"(1, 2) + 1", "null"},
      {"(1, 2) == (1, 2)", "bool true"}, {"(1, 2) == (1, 2, 3)", "bool false"},
      {"(1, (2, 3)) == (1, (2, 3))", "bool true"}, {"(1, 2) == 1", "null"}, {"() == ()", "bool true"},
      // The unary table takes the operand's own type; null operands give null.
      {"-5", "int -5"}, {"-2.5", "float -2.5000"}, {"!0", "bool true"}, {"!0.5", "bool false"},
      {"!true", "bool false"}, {"-true", "null"}, {"-\"a\"", "null"}, {"-(5)", "null"},
      {"u + 1", "null"}, {"5 - u", "null"}, {"5 + u", "null"}, {"-u", "null"}, {"undefinedName", "null"},
      // Conversions take one argument.
      {"STRING(1.0 / 3)", "string 0.3333"}, {"STRING(true)", "string true"}, {"STRING(-12)", "string -12"},
      {"BOOL(\"True\")", "bool false"}, {"BOOL(\"TRUE\")", "bool true"}, {"BOOL(0.0)", "bool false"},
      {"BOOL(1)", "bool true"}, {"INT(\"  42abc\")", "int 42"}, {"INT(\"abc\")", "int 0"}, {"INT(-2.9)", "int -2"},
      {"INT(1.0 / 0)", "int 2147483647"}, {"FLOAT(\"2.5x\")", "float 2.5000"}, {"FLOAT(true)", "float 1.0000"},
      {"INT((1, 2))", "null"}, {"INT(1, 2)", "null"}, {"FLOAT()", "null"},
      // Maths on one number; TYPE of one value.
      {"sin(0)", "float 0.0000"}, {"cos(0)", "float 1.0000"}, {"tan(0.5)", "float 0.5463"},
      {"log(1)", "float 0.0000"}, {"exp(1)", "float 2.7183"}, {"abs(-3)", "float 3.0000"},
      {"sqrt(\"16\")", "float 4.0000"}, {"sqrt((1, 2))", "null"}, {"sqrt()", "null"}, {"sin(1, 2)", "null"},
      {"rand(10, 0)", "float 10.0000"}, {"rand(1)", "null"}, {"rand(u, 1)", "null"},
      {"TYPE(3)", "string int"}, {"TYPE(3.5)", "string float"}, {"TYPE(true)", "string bool"},
      {"TYPE(\"s\")", "string string"}, {"TYPE((1, 2))", "string List"}, {"TYPE(u)", "null"}, {"TYPE()", "null"},
      {"TYPE(1, 2)", "null"}, {"help()", "null"}, {"version()", "null"}, {"noSuchFunction(1)", "null"},
      // Only names are assigned; only objects have members.
      {"q.x = 1", "null"}, {"f() = 1", "null"}, {"n.getX()", "null"}, {"x.size", "null"},
  };
  for (const Case& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(EvalTest, Programs) {
  const Case cases[] = {
      // Functions see the globals; a name first set inside a function stays
      // local to it; a parameter shadows a global.
      {"x = 1; def f() { x = 2; y = 5; } f(); print(x, TYPE(y));", "2\n"},
      {"x = 2; def h(x) { x = 7; return x; } print(h(1), x);", "72\n"},
      {"a = (1, 2); b = a; b.add(3); print(a);", "(1, 2, 3)\n"},
      {"i = 0; r = i++; s = ++i; f = 1.5; f--; t = \"a\"; t += \"b\"; n = 10; n %= 4; m = 3; m *= 2.0;"
       "print(r, i, s, \" \", f, t, n, \" \", m); print(TYPE(nothing++)); print(TYPE(nothing));",
       "122 0.5000ab2 6.0000\n\n\n"},
      // Overloading by parameter count; a later definition replaces an earlier one.
      {"def f(a) { return a; } def f(a, b) { return b; } print(f(1), f(1, 2), TYPE(f()));", "12\n"},
      {"def f(a, b) { return a + b; } def f(x, y) { return x; } print(f(5, 6));", "5\n"},
      // Only a real bool chooses a branch; while gives true when its condition
      // turns false, null when the condition is not a bool; for gives null.
      {"if (1) { y = 1; } print(TYPE(y)); if (1 == 1) y = 2; if (false) y = 3; else z = 4; print(y, z);", "\n24\n"},
      {"q = 0; while (q < 2) q++;", "true\n"},
      {"while (u) q++;", ""},
      {"while (\"true\") { return 9; }", "9\n"},
      {"for (j = 0; j < 3; j++) q = j; print(q, j); for (k = 0; k < 1; k++) q = k;", "23\n"},
      // A return ends the function from inside loops and branches.
      {"def f(x) { if (x > 0) return 1; else return 2; print(\"no\"); } print(f(1), f(-1));", "12\n"},
      {"def g() { for (i = 0; i < 10; i++) { if (i == 3) return i; } return -1; } print(g());", "3\n"},
      {"def h() { while (true) { return 7; } } def e() { x = 1; } print(h(), TYPE(e()));", "7\n"},
      // A top-level return leaves no flag behind to cut the next loop short.
      {"if (true) return 1; n = 0; while (n < 3) { n++; m = n; } print(m);", "3\n"},
      // Both sides of "&&" and "||" run.
      {"c = 0; def t() { c++; return true; } a = false && t(); b = true || t(); print(c, a, b);", "2falsetrue\n"},
      // Methods take their arguments from the caller's scope.
      {"def f(l, k) { l.add(k * 2); return l.size(); } m = (); print(f(m, 4), m);", "1(8)\n"},
      // A List literal is evaluated anew each time: later changes do not reach it.
      {"a = 1; l = (a, a + 1); a = 5; print(l);", "(1, 2)\n"},
      // The value of the last statement is printed, unless there is none.
      {"x = 1; getMousePos();", "(0, 0)\n"},
      {"3.5;", "3.5000\n"},
      {"x = 2; u;", ""},
  };
  for (const Case& c : cases) {
    fresh();
    EXPECT_EQ(run(c.text), c.expected) << c.text;
    EXPECT_TRUE(errors.empty()) << c.text;
  }
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
