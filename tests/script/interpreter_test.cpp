// The interpreter seen from C++: the value of a file's last statement, the
// guards against runaway scripts, collection in long loops, and the built-ins
// that reach outside the script (rand's generator, key bindings and their
// dispatch, extra registrars, include, timers on a fake
// clock). Operators, conversions, runaways that a script can show and whole
// programs are checked by the example scripts.

#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include "base/memory/MemoryBudget.h"
#include "material/MaterialLibrary.h"
#include "platform/Clock.h"
#include "script/datatypes/DataValues.h"
#include "util/Rand15.h"

#include <filesystem>
#include <functional>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using qor::DataPtr;
using scripttest::ScriptTest;

class InterpreterTest : public ScriptTest {};

TEST_F(InterpreterTest, TheLastStatementsValueIsPrinted) {
  // The one place where a loop's own value shows: while gives true when its
  // condition turns false, null when the condition is not a bool, and the
  // value of a return inside its body; for gives null.
  const std::pair<const char*, const char*> cases[] = {
      {"q = 0; while (q < 2) q++;", "true\n"}, {"while (u) q++;", ""}, {"while (\"true\") { return 9; }", "9\n"},
      {"for (j = 0; j < 3; j++) q = j;", ""},  {"3.5;", "3.5000\n"},   {"x = 2; u;", ""},
  };
  for (const auto& [text, printed] : cases) EXPECT_EQ(run(text), printed) << text;
}

TEST_F(InterpreterTest, DeeplyNestedExpressionsDoNotOverflow) {
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

TEST_F(InterpreterTest, StatementsThatOnlyComputeReachTheNestingLimitAtTheSameLevel) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's frames are too large for the compiler to reach the
  // limit on the machine stack; it stops short of it there, safely.
  GTEST_SKIP() << "the nesting limit is not reached on a sanitized stack";
#endif
  // A sum of n ones nests n operations under its assignment. One level too
  // deep for the limit it runs away and stores null; one level less it
  // computes: at the top level, in a loop's body (one level down) and in a
  // function called from an assignment (two levels down).
  const auto ones = [](int n) {
    std::string s = "1";
    for (int i = 0; i < n; ++i) s += " + 1";
    return s;
  };
  const struct {
    const char* before;
    const char* after;
    int levelsAbove;
  } cases[] = {{"x = ", ";", 0},
               {"for (k = 0; k < 1; k++) { x = ", "; }", 1},
               {"x = 0; def f() { x = ", "; } y = f();", 2}};
  for (const auto& c : cases) {
    const int deepest = qor::script::kMaxEvalDepth - 1 - c.levelsAbove;
    fresh();
    run(c.before + ones(deepest) + c.after);
    EXPECT_EQ(eval("x"), "int " + std::to_string(deepest + 1)) << c.before;
    fresh();
    run(c.before + ones(deepest + 1) + c.after);
    EXPECT_EQ(eval("x"), "null") << c.before;
    EXPECT_FALSE(qor::script::aborting);
  }
  // Each statement form as a function's body, called from under n levels of
  // operations: the body runs two levels below them, and the statement's
  // own operations below that.
  const struct {
    const char* body;
    int height;
    const char* fits;
    const char* tooDeep;
  } bodies[] = {{"v = v + 1;", 2, "int 3", "null"},       {"v = v + \"a\";", 2, "string 2a", "null"},
                {"v = v * 2 + 1;", 3, "int 5", "null"},   {"v -= v * 2 - 1;", 3, "int -1", "null"},
                {"v++;", 1, "int 3", "int 2"},            {"v = 7; v++; v = v * 2 + 1;", 3, "int 17", "null"},
                {"l = (1, 2); v = l.size();", 3, "int 2", "null"}};
  for (const auto& b : bodies) {
    const std::string start = std::string(b.body).find('"') == std::string::npos ? "2" : "\"2\"";
    std::string calls = "f()";
    const int deepest = qor::script::kMaxEvalDepth - 2 - b.height;
    for (int i = 0; i < deepest; ++i) calls += " + 1";
    fresh();
    run("v = " + start + "; def f() { " + b.body + " } x = " + calls + ";");
    EXPECT_EQ(eval("v"), b.fits) << b.body;
    fresh();
    run("v = " + start + "; def f() { " + b.body + " } x = " + calls + " + 1;");
    EXPECT_EQ(eval("v"), b.tooDeep) << b.body;
  }
}

TEST_F(InterpreterTest, LoopsCollectTheirGarbage) {
  EXPECT_EQ(run("s = 0; for (i = 0; i < 200000; i++) { s = s + i; } print(s);"), "-1474936480\n");
  EXPECT_LE(qor::IMMObject::deadCount(), qor::script::kLoopCollectThreshold + 16);
}

TEST_F(InterpreterTest, RandFollowsTheSeededGenerator) {
  qor::srand15(1);
  const int first = qor::rand15();
  qor::srand15(1);
  EXPECT_EQ(eval("rand(0, 32767)"), "float " + std::to_string(first) + ".0000");
  qor::srand15(7);
  EXPECT_EQ(run("lo = 2; hi = 0; for (i = 0; i < 2000; i++) { v = rand(0, 1); if (v < lo) lo = v; if (v > hi) hi = v; }"
                "print(lo >= 0, lo < 0.01, hi > 0.99, hi <= 1);"),
            "truetruetruetrue\n");
}

TEST_F(InterpreterTest, SetKeyFuncCodes) {
  // Key names, first characters (letters as capitals) and numbers; no code
  // for a variable, a value out of range or an empty name.
  const std::pair<const char*, int> cases[] = {
      {"\"a\"", 65},     {"\"A\"", 65},    {"65", 65},    {"\"UP\"", 38}, {"\"DOWN\"", 40}, {"\"LEFT\"", 37},
      {"\"RIGHT\"", 39}, {"\"w\"", 87},    {"\"1\"", 49}, {"112", 112},  {"70.9", 70},     {"k", -1},
      {"256", -1},       {"-1", -1},       {"\"\"", -1}};
  for (const auto& [key, code] : cases) {
    fresh();
    run(std::string("k = 66; setKeyFunc(") + key + ", f());");
    for (int i = 0; i < qor::script::kKeySlots; ++i)
      EXPECT_TRUE(i == code || !qor::script::keyBinding(i)) << key << " bound " << i;
    EXPECT_EQ(!!qor::script::keyBinding(code), code >= 0) << key;
  }
  run("setKeyFunc(\"a\", f());");
  DataPtr bound = qor::script::keyBinding(65);
  run("setKeyFunc(\"A\", g()); setKeyFunc(\"A\");");
  ASSERT_TRUE(qor::script::keyBinding(65));
  EXPECT_NE(qor::script::keyBinding(65).get(), bound.get());  // same slot, new call
  run("setKeyFunc(\"a\", 3);");  // not a call: the binding goes
  EXPECT_FALSE(qor::script::keyBinding(65));
  EXPECT_EQ(qor::script::keyCodeOf(nullptr), -1);
}

TEST_F(InterpreterTest, DispatchRunsHeldKeysInCodeOrder) {
  run("order = (); def a() { order.add(\"a\"); } def b(x) { order.add(x); } n = 0;"
      "setKeyFunc(\"B\", b(n)); setKeyFunc(\"A\", a());");
  unsigned char keys[256] = {};
  qor::script::dispatchKeyBindings(keys);
  EXPECT_EQ(eval("order"), "List ()");
  keys[65] = keys[66] = keys[67] = 1;
  run("n = 5;");
  qor::script::dispatchKeyBindings(keys);
  qor::script::dispatchKeyBindings(keys);
  // The bound call sees the variables as they are when it runs.
  EXPECT_EQ(eval("order"), "List (a, 5, a, 5)");

  // A binding may replace itself while it runs.
  fresh();
  run("hits = 0; def g() { hits++; } def f() { hits++; setKeyFunc(\"A\", g()); } setKeyFunc(\"A\", f());");
  qor::script::dispatchKeyBindings(keys);
  qor::collectGarbage();
  qor::script::dispatchKeyBindings(keys);
  EXPECT_EQ(eval("hits"), "int 2");
}

TEST_F(InterpreterTest, RegistrarsAddBuiltinsUntilTheReset) {
  static int calls = 0;
  qor::script::addBuiltinRegistrar([] {
    qor::script::registerBuiltin("answer", [](qor::BuiltinArgs args) -> DataPtr {
      ++calls;
      return args.empty() ? qor::makeInt(42) : nullptr;
    });
  });
  qor::script::registerBuiltins();
  EXPECT_EQ(eval("answer()"), "int 42");
  EXPECT_EQ(calls, 1);
  qor::script::resetInterpreter();
  EXPECT_EQ(eval("answer()"), "null");  // the reset empties the registry
}

TEST_F(InterpreterTest, IncludeLoadsOnceRelativeToTheRunningFile) {
  kelvo::test::TempDir dir;
  dir.write("lib/util.txt", "loads = loads + 1; def twice(x) { return x * 2; }\r\ninclude(\"more.txt\");\r\n");
  dir.write("lib/more.txt", "def more() { return \"more\"; }");
  dir.write("broken.txt", "def ok() { return 1; } x = ;");
  ::mkfifo(dir.file("pipe.txt").c_str(), 0600);
  std::filesystem::create_symlink("/dev/zero", dir.file("zero.txt"));
  const std::string main = dir.write(
      "main.txt", "loads = 0; include(\"lib/util.txt\"); include(\"lib/util.txt\"); include(\"nothing.txt\");"
                  "include(\"lib\"); include(\"pipe.txt\"); include(\"zero.txt\"); include(\"broken.txt\");"
                  "include(); include(1, 2);"
                  "print(loads, twice(21), more(), ok());");
  qor::SceneDriver driver;
  std::vector<std::string> seen;
  driver.errorSink = [&](const std::string& f, int, int, const std::string& m) { seen.push_back(f + ": " + m); };
  EXPECT_TRUE(qor::script::runSceneScript(main, driver));
  EXPECT_EQ(out, "142more1\n");
  // Missing files, folders, FIFOs and devices are not added; a broken file
  // reports its error and keeps what was parsed.
  EXPECT_EQ(qor::script::fileCount(), 4u);
  EXPECT_EQ(qor::script::runningFile(), 0u);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], dir.file("broken.txt") + ": syntax error, unexpected ;");
}

TEST_F(InterpreterTest, ScriptsAboveTheSizeLimitAreRefusedUnread) {
  // Sparse files: only their size is looked at, never their bytes.
  kelvo::test::TempDir dir;
  const auto sparse = [&](const std::string& name, uint64_t bytes) {
    const std::string path = dir.write(name, "");
    EXPECT_EQ(::truncate(path.c_str(), static_cast<off_t>(bytes)), 0);
    return path;
  };
  const std::string limit = std::to_string(qor::kMaxScriptBytes);
  for (const uint64_t bytes : {qor::kMaxScriptBytes + 1, uint64_t{2} << 30}) {
    SCOPED_TRACE(bytes);
    fresh();
    const std::string big = sparse("big.txt", bytes);
    const std::string refused = "script too large: " + std::to_string(bytes) + " bytes, more than " + limit;
    std::vector<std::string> seen;
    qor::SceneDriver driver;
    driver.errorSink = [&](const std::string& f, int line, int column, const std::string& m) {
      seen.push_back(f + ":" + std::to_string(line) + "." + std::to_string(column) + ": " + m);
    };
    // As the scene script: refused at its first position.
    EXPECT_FALSE(qor::script::runSceneScript(big, driver));
    EXPECT_EQ(seen, std::vector<std::string>{big + ":1.0: " + refused});
    // Through include: refused at the call, wherever the call stands; the
    // file is not loaded, and the script goes on.
    fresh();
    out.clear();
    seen.clear();
    const std::string main = dir.write("main.txt",
                                       "print(\"before\");\n"
                                       "def load() {\n  x = include(\"big.txt\");\n}\n"
                                       "load(); print(\"after\");\n");
    EXPECT_TRUE(qor::script::runSceneScript(main, driver));
    EXPECT_EQ(out, "before\nafter\n");
    EXPECT_EQ(seen, std::vector<std::string>{main + ":3.6: cannot include " + big + ": " + refused});
    EXPECT_EQ(qor::script::fileCount(), 1u);
  }
}

// Runs `work` on a thread of its own with a stack of `bytes`.
void runWithStack(std::size_t bytes, const std::function<void()>& work) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
  pthread_t thread;
  const auto body = [](void* w) -> void* {
    (*static_cast<const std::function<void()>*>(w))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, body, const_cast<std::function<void()>*>(&work)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

TEST_F(InterpreterTest, AChainOfIncludesStopsAtTheNestingLimitOnASmallStack) {
  // Each file includes the next; a 512 KiB stack holds far fewer levels
  // than the chain has. The chain stops with the nesting limit's note at the
  // include that found the stack short, the files above it finish, and the
  // main file goes on.
  constexpr int kFiles = 600;
  kelvo::test::TempDir dir;
  for (int i = 0; i < kFiles; ++i)
    dir.write("f" + std::to_string(i) + ".txt",
              i + 1 < kFiles ? "include(\"f" + std::to_string(i + 1) + ".txt\"); depth = " + std::to_string(i) + ";"
                             : std::string("print(\"bottom\");"));
  const std::string main = dir.write("main.txt", "include(\"f0.txt\");\nprint(\"after \", depth);\n");
  std::vector<std::string> seen;
  qor::SceneDriver driver;
  driver.errorSink = [&](const std::string& f, int line, int column, const std::string& m) {
    seen.push_back(f.substr(dir.path().size() + 1) + ":" + std::to_string(line) + "." + std::to_string(column) + ": " + m);
  };
  runWithStack(std::size_t{512} << 10, [&] { qor::script::runSceneScript(main, driver); });
  ASSERT_EQ(seen.size(), 1u);
  const std::size_t loaded = qor::script::fileCount() - 1;
  EXPECT_GT(loaded, 10u);
  EXPECT_LT(loaded, static_cast<std::size_t>(kFiles));
  // The deepest file loaded could not include the next one.
  EXPECT_EQ(seen[0], "f" + std::to_string(loaded - 1) + ".txt:1.0: nesting limit (4000) reached");
  // The runaway unwinds the statements after each include; the main file's
  // next statement runs as usual.
  EXPECT_EQ(out, "after \n");
  EXPECT_EQ(qor::script::runningFile(), 0u);
  EXPECT_FALSE(qor::script::aborting);
  EXPECT_EQ(qor::script::evalDepth, 0);
}

TEST_F(InterpreterTest, ACompoundAssignmentAsAStatementStoresWhatItGivesAsAValue) {
  // `v op= r;` as a statement of a body runs its own way (ints in place);
  // inside an assignment it gives its value through the operator tables.
  // Both must store the same, for every operator and every kind of right
  // operand.
  for (const char* op : {"+=", "-=", "*=", "/=", "%="}) {
    for (const char* right : {"3", "-3", "0", "k", "2.5", "\"s\"", "missing", "big"}) {
      fresh();
      const std::string setUp = "k = 4; big = 2147483647; ";
      const std::string statement = std::string("v = 7; for (i = 0; i < 1; i++) { v ") + op + " " + right + "; } ";
      const std::string value = std::string("u = 7; t = u ") + op + " " + right + "; ";
      EXPECT_EQ(run(setUp + statement + value + "print(TYPE(v), \" \", v, \" \", TYPE(u), \" \", u);"),
                run(setUp + value + "print(TYPE(u), \" \", u, \" \", TYPE(u), \" \", u);"))
          << op << " " << right;
    }
  }
  EXPECT_EQ(run("def f(big) { v = 7; v += 3; w = 7; w -= -3; x = 7; x *= big; y = 7; y /= 2; z = 7; z %= 4;"
                "print(v, \" \", w, \" \", x, \" \", y, \" \", z); } f(2147483647);"),
            "10 10 2147483641 3 3\n");
}

// the tools.
class BudgetTest : public InterpreterTest {
protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    qor::script::setMemoryLimit(16 << 20);
  }
  void TearDown() override {
    qor::script::setMemoryLimit(qor::script::kDefaultMemoryLimit);
    qor::script::setEvaluationBudget(qor::script::kUnlimitedSteps);
    InterpreterTest::TearDown();
  }
  // Runs text in a fresh interpreter: its output and its notes.
  std::pair<std::string, std::string> runFresh(const std::string& text) {
    fresh();
    qor::script::setErrorSink(&qor::printErrorToStderr);
    testing::internal::CaptureStderr();
    std::string printed = run(text);
    return {printed, testing::internal::GetCapturedStderr()};
  }
};

TEST_F(BudgetTest, AStatementPastTheMemoryBudgetStopsAndTheNextRuns) {
  // The shared small ints are made once, when a built-in first takes one.
  run("for (i = -256; i < 1024; i++) x = STRING(i);");
  const std::size_t before = qor::memory::usedBytes();
  // The second line of each script allocates without bound.
  for (const char* text : {"s = \"ab\";\nwhile (true) s = s + s;", "l = (1);\nwhile (true) l.add(l.size());",
                           // strings that grow in place
                           "c = \"ab\"; for (i = 0; i < 15; i++) c = c + c; s = c + \"\";\nwhile (true) s = s + c;",
                           "c = \"ab\"; for (i = 0; i < 15; i++) c = c + c; s = c + \"\";\nwhile (true) s += c;",
                           "c = \"ab\"; for (i = 0; i < 15; i++) c = c + c; s = c + \"\";\nwhile (true) s = s + c + c;",
                           "def fill(l) { while (true) l.add(Camera()); }\nfill(());",  // unwinds through a call
                           "g = Light(); for (i = 0; i < 40; i++) g = Group(g, g);\nc = clone(g);",  // 2^40 nodes
                           "def f() { }\nwhile (true) Timer(1000, -1, f(), 0);"}) {
    EXPECT_EQ(runFresh(std::string(text) + " print(\"after\");"),
              std::make_pair(std::string("after\n"), std::string("test.txt:2.0: out of memory\n"))) << text;
    // The stack is whole again: deep calls work as before.
    EXPECT_EQ(run("def d(n) { if (n == 0) return 0; return d(n - 1) + 1; } print(d(700));"), "700\n") << text;
    qor::timerManager.clear();
  }
  // A bound key's call stops the same way, noted without a line.
  runFresh("def hog() { s = \"ab\"; while (true) s = s + s; } setKeyFunc(\"A\", hog());");
  unsigned char keys[256] = {};
  keys[65] = 1;
  testing::internal::CaptureStderr();
  qor::script::dispatchKeyBindings(keys);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "test.txt: out of memory\n");
  clean();  // all that was charged is given back once the values are gone
  EXPECT_LE(qor::memory::usedBytes(), before + 4096);
}

TEST_F(BudgetTest, DeadLongStringsAreCollectedBeforeTheyFillTheBudget) {
  // Each pass leaves a dead copy of a 256 KB string behind; what is alive
  // never passes 1 MB. Forty dead copies (10 MB) and more would not fit the
  // 16 MB budget alongside the rest; a loop, a user call and a loop inside a
  // call each collect them in time.
  const std::string big = "c = \"abcd\"; for (i = 0; i < 16; i++) c = c + c;\n";
  for (const char* text : {"for (i = 0; i < 200; i++) { t = c + \"x\"; }",
                           "def copy(s) { return s + \"x\"; } n = 0; while (n < 200) { t = copy(c); n++; }",
                           "def copies(s) { for (i = 0; i < 200; i++) t = s + \"x\"; return i; } n = copies(c);"}) {
    EXPECT_EQ(runFresh(big + text + " print(\"after\");"), std::make_pair(std::string("after\n"), std::string()))
        << text;
  }
}

TEST_F(BudgetTest, AnIncludedFileThatRunsOutStopsTheIncludingStatement) {
  kelvo::test::TempDir dir;
  dir.write("hog.txt", "s = \"ab\";\nwhile (true) s = s + s;\nprint(\"not here\");");
  const std::string main = dir.write("main.txt", "x = 1;\ninclude(\"hog.txt\"); print(\"after\");");
  qor::SceneDriver driver;
  driver.errorSink = &qor::printErrorToStderr;
  testing::internal::CaptureStderr();
  qor::script::runSceneScript(main, driver);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), main + ":2.0: out of memory\n");
  EXPECT_EQ(out, "after\n");
  EXPECT_EQ(qor::script::runningFile(), 0u);
}

TEST_F(BudgetTest, AReaderStoppedByTheBudgetClosesItsFile) {
  // A material library too large for the budget: its reader stops part of
  // the way, and the stream it reads from is closed all the same.
  kelvo::test::TempDir dir;
  std::string text;
  for (int i = 0; i < 150000; ++i) text += "newmtl m" + std::to_string(i) + "\nKd 1 0 0\n";
  const std::string path = dir.write("many.mtl", text);
  const auto openFiles = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
  };
  const auto before = openFiles();
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(runFresh("Material(\"" + path + "\");").second, "test.txt:1.0: out of memory\n") << i;
  EXPECT_EQ(openFiles(), before);
  qor::materialLibrary.clear();
}

TEST_F(BudgetTest, TheEvaluationBudgetStopsRunawaysAtTheSameStepEveryTime) {
  // Once the budget is spent every unit stops at its first step.
  const std::string text = "i = 0; while (true) i++;\ndef two(n) { return two(n + 1) + two(n + 1); } two(0);\nf();";
  std::string counts[2];
  for (std::string& count : counts) {
    qor::script::setEvaluationBudget(5000);
    EXPECT_EQ(runFresh(text).second, "test.txt:1.7: evaluation budget spent\ntest.txt:2.47: evaluation budget spent\n"
                                     "test.txt:3.0: evaluation budget spent\n");
    qor::script::setEvaluationBudget(qor::script::kUnlimitedSteps);
    count = eval("i");
  }
  EXPECT_EQ(counts[0], counts[1]);
}

int32_t fakeNow = 0;
int32_t fakeClock() { return fakeNow; }

class TimerTest : public ScriptTest {
protected:
  void SetUp() override {
    ScriptTest::SetUp();
    fakeNow = 10000;
    qor::platform::setClockSource(&fakeClock);
    run("log = \"\"; def tick(c) { log += c; }");
  }
  void TearDown() override {
    qor::platform::setClockSource(nullptr);
    ScriptTest::TearDown();
  }
  // Moves the clock on, lets the timers run once and gives the log of calls.
  std::string after(int32_t ms) {
    fakeNow += ms;
    qor::timerManager.update();
    return eval("log");
  }
};

TEST_F(TimerTest, PauseAndStartKeepThePhase) {
  run("t = Timer(500, -1, tick(\"t\"), 0); z = Timer(0, -1, tick(\"\"), 0);");
  fakeNow += 1234;
  run("t.pause(); r = t.stop(1); t.halt(); z.stop();");
  EXPECT_EQ(after(5000), "string ");
  run("t.start();");
  EXPECT_EQ(after(266), "string ");  // 1234 ms in: the next tick was 266 ms away
  EXPECT_EQ(after(1), "string t");
  // A stop forgets the phase.
  run("t.stop();");
  EXPECT_EQ(after(1000), "string t");
  run("t.start();");
  EXPECT_EQ(after(500), "string t");
  EXPECT_EQ(after(1), "string tt");
  // The same for every timer at once; the built-ins take no arguments.
  run("pauseAllTimers(1); stopAllTimers(1); startAllTimers(1);");
  EXPECT_EQ(after(501), "string ttt");
  run("pauseAllTimers();");
  EXPECT_EQ(after(1000), "string ttt");
  run("startAllTimers();");  // paused 2 ms past a multiple of the interval
  EXPECT_EQ(after(498), "string ttt");
  EXPECT_EQ(after(1), "string tttt");
  run("stopAllTimers();");
  EXPECT_EQ(after(1000), "string tttt");
}

}  // namespace
