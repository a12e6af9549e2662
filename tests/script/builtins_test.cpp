// Built-ins: argument counts, maths, rand, TYPE, print, keys, include and
// the shell hooks.

#include "support/ScriptFixture.h"

#include "util/Rand15.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

using qor::DataPtr;
using scripttest::ScriptTest;

class BuiltinTest : public ScriptTest {};

TEST_F(BuiltinTest, Maths) {
  EXPECT_EQ(eval("sin(0)"), "float 0.0000");
  EXPECT_EQ(eval("cos(0)"), "float 1.0000");
  EXPECT_EQ(eval("tan(0.5)"), "float 0.5463");
  EXPECT_EQ(eval("log(1)"), "float 0.0000");
  EXPECT_EQ(eval("exp(1)"), "float 2.7183");
  EXPECT_EQ(eval("abs(-3)"), "float 3.0000");
  EXPECT_EQ(eval("sqrt(\"16\")"), "float 4.0000");
  EXPECT_EQ(eval("sqrt((1, 2))"), "null");
  EXPECT_EQ(eval("sqrt()"), "null");
  EXPECT_EQ(eval("sin(1, 2)"), "null");
}

TEST_F(BuiltinTest, RandWithASeededGenerator) {
  EXPECT_EQ(eval("rand(10, 0)"), "float 10.0000");
  qor::srand15(1);
  const int first = qor::rand15();
  qor::srand15(1);
  run("r = rand(0, 32767);");
  EXPECT_EQ(scripttest::show(*global("r")), "float " + qor::formatFloat(static_cast<float>(first)));
  qor::srand15(7);
  run("lo = 2; hi = 0; for (i = 0; i < 2000; i++) { v = rand(0, 1); if (v < lo) lo = v; if (v > hi) hi = v; }");
  float lo = 0, hi = 0;
  qor::asFloat(global("lo")->get(), lo);
  qor::asFloat(global("hi")->get(), hi);
  EXPECT_GE(lo, 0.0f);
  EXPECT_LE(hi, 1.0f);
  EXPECT_LT(lo, 0.01f);
  EXPECT_GT(hi, 0.99f);
  EXPECT_EQ(eval("rand(1)"), "null");
  EXPECT_EQ(eval("rand(u, 1)"), "null");
}

TEST_F(BuiltinTest, TypeNames) {
  EXPECT_EQ(eval("TYPE(3)"), "string int");
  EXPECT_EQ(eval("TYPE(3.5)"), "string float");
  EXPECT_EQ(eval("TYPE(true)"), "string bool");
  EXPECT_EQ(eval("TYPE(\"s\")"), "string string");
  EXPECT_EQ(eval("TYPE((1, 2))"), "string List");
  EXPECT_EQ(eval("TYPE(u)"), "null");
  EXPECT_EQ(eval("TYPE()"), "null");
  EXPECT_EQ(eval("TYPE(1, 2)"), "null");
}

TEST_F(BuiltinTest, ConversionsTakeOneArgument) {
  EXPECT_EQ(eval("INT(\"7\")"), "int 7");
  EXPECT_EQ(eval("INT(1, 2)"), "null");
  EXPECT_EQ(eval("FLOAT()"), "null");
  EXPECT_EQ(eval("BOOL(1)"), "bool true");
  EXPECT_EQ(eval("STRING(2.5)"), "string 2.5000");
}

TEST_F(BuiltinTest, PrintOutput) {
  EXPECT_EQ(run("print(1, \" \", 2.5, \" \", true, \" \", \"s\");"), "1 2.5000 true s\n");
  EXPECT_EQ(run("print();"), "\n");
  // Printing stops at the first null argument.
  EXPECT_EQ(run("print(1, u, 2);"), "1\n");
  EXPECT_EQ(run("print((1, 2), (\"a\"));"), "(1, 2)(a)\n");
  // A List of call expressions prints each call's text.
  EXPECT_EQ(run("def f(x) { } setKeyFunc(\"A\", f(1, x)); print(\"done\");"), "done\n");
  out.clear();
  qor::script::keyBinding(65)->print();
  EXPECT_EQ(out, "f(1, x)");
}

TEST_F(BuiltinTest, SetKeyFuncCodes) {
  run("def f() { } setKeyFunc(\"a\", f());");
  DataPtr bound = qor::script::keyBinding(65);
  EXPECT_TRUE(bound);
  run("setKeyFunc(\"A\", f());");
  EXPECT_NE(qor::script::keyBinding(65).get(), bound.get());  // same slot, new call
  run("setKeyFunc(65, f()); setKeyFunc(\"UP\", f()); setKeyFunc(\"DOWN\", f()); setKeyFunc(\"LEFT\", f());"
      "setKeyFunc(\"RIGHT\", f()); setKeyFunc(\"w\", f()); setKeyFunc(\"1\", f()); setKeyFunc(112, f());");
  for (int code : {65, 38, 40, 37, 39, 87, 49, 112}) EXPECT_TRUE(qor::script::keyBinding(code)) << code;
  run("setKeyFunc(\"a\", 3);");
  EXPECT_FALSE(qor::script::keyBinding(65));
  // No code: out of range, a variable name, an empty string, a wrong count.
  run("k = 66; setKeyFunc(k, f()); setKeyFunc(256, f()); setKeyFunc(-1, f()); setKeyFunc(\"\", f());"
      "setKeyFunc(\"B\");");
  EXPECT_FALSE(qor::script::keyBinding(66));
  EXPECT_EQ(qor::script::keyCodeOf(qor::makeString("z")), 90);
  EXPECT_EQ(qor::script::keyCodeOf(qor::makeFloat(70.9f)), 70);
  EXPECT_EQ(qor::script::keyCodeOf(nullptr), -1);
}

TEST_F(BuiltinTest, DispatchRunsHeldKeysInOrder) {
  run("order = (); def a() { order.add(\"a\"); } def b(x) { order.add(x); } n = 0;"
      "setKeyFunc(\"B\", b(n)); setKeyFunc(\"A\", a());");
  unsigned char keys[256] = {};
  qor::script::dispatchKeyBindings(keys);
  EXPECT_EQ(showGlobal("order"), "List ()");
  keys[65] = keys[66] = keys[67] = 1;
  run("n = 5;");
  qor::script::dispatchKeyBindings(keys);
  qor::script::dispatchKeyBindings(keys);
  // The bound call sees the variables as they are when it runs.
  EXPECT_EQ(showGlobal("order"), "List (a, 5, a, 5)");
}

TEST_F(BuiltinTest, ABindingMayReplaceItself) {
  run("hits = 0; def g() { hits++; } def f() { hits++; setKeyFunc(\"A\", g()); } setKeyFunc(\"A\", f());");
  unsigned char keys[256] = {};
  keys[65] = 1;
  qor::script::dispatchKeyBindings(keys);
  qor::collectGarbage();
  qor::script::dispatchKeyBindings(keys);
  EXPECT_EQ(showGlobal("hits"), "int 2");
}

TEST_F(BuiltinTest, ShellHooks) {
  bool running = true, reload = false;
  int32_t mx = 12, my = 34;
  qor::script::shellHooks = {&running, &reload, &mx, &my};
  EXPECT_EQ(run("getMousePos();"), "(12, 34)\n");
  run("exit(1);");
  EXPECT_TRUE(running);
  run("exit();");
  EXPECT_FALSE(running);
  run("reset(1, 2);");
  EXPECT_TRUE(reload);
  EXPECT_EQ(eval("getMousePos(1)"), "null");
  EXPECT_EQ(eval("help()"), "null");
  EXPECT_EQ(eval("version()"), "null");
  qor::script::shellHooks = {};
  run("exit(); reset();");  // unconnected hooks: nothing happens
}

TEST_F(BuiltinTest, UnknownFunctionsAndUserFunctionsFirst) {
  EXPECT_EQ(eval("noSuchFunction(1)"), "null");
  run("def sqrt(x) { return \"mine\"; } a = sqrt(4); b = sqrt(4, 1);");
  EXPECT_EQ(showGlobal("a"), "string mine");
  EXPECT_EQ(showGlobal("b"), "null");
}

TEST_F(BuiltinTest, RegisteringMoreBuiltins) {
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

class IncludeTest : public ScriptTest {
protected:
  void SetUp() override {
    ScriptTest::SetUp();
    dir = std::filesystem::temp_directory_path() / ("kelvo_include_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "lib");
  }
  void TearDown() override {
    std::filesystem::remove_all(dir);
    ScriptTest::TearDown();
  }
  void write(const std::string& rel, const std::string& text) { std::ofstream(dir / rel, std::ios::binary) << text; }
  std::filesystem::path dir;
};

TEST_F(IncludeTest, LoadsOnceRelativeToTheRunningFile) {
  write("lib/util.txt", "loads = loads + 1; def twice(x) { return x * 2; }\r\ninclude(\"more.txt\");\r\n");
  write("lib/more.txt", "def more() { return \"more\"; }");
  write("main.txt", "loads = 0; include(\"lib/util.txt\"); include(\"lib/util.txt\"); r = twice(21); m = more();");
  qor::SceneDriver driver;
  EXPECT_TRUE(qor::script::runSceneScript((dir / "main.txt").string(), driver));
  EXPECT_EQ(showGlobal("loads"), "int 1");
  EXPECT_EQ(showGlobal("r"), "int 42");
  EXPECT_EQ(showGlobal("m"), "string more");
  EXPECT_EQ(qor::script::fileCount(), 3u);
  EXPECT_EQ(qor::script::runningFile(), 0u);
}

TEST_F(IncludeTest, MissingFilesAndBrokenFiles) {
  write("broken.txt", "def ok() { return 1; } x = ;");
  write("main.txt", "include(\"nothing.txt\"); include(\"broken.txt\"); r = ok(); include(); include(1, 2);");
  qor::SceneDriver driver;
  std::vector<std::string> seen;
  driver.errorSink = [&](const std::string& f, int, int, const std::string& m) { seen.push_back(f + ": " + m); };
  EXPECT_TRUE(qor::script::runSceneScript((dir / "main.txt").string(), driver));
  EXPECT_EQ(showGlobal("r"), "int 1");
  EXPECT_EQ(qor::script::fileCount(), 2u);  // the missing file was not added
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NE(seen[0].find("broken.txt: syntax error"), std::string::npos);
}

TEST_F(IncludeTest, CrLfScriptsReadLikeLf) {
  write("crlf.txt", "a = 1;\r\n// comment\r\nb = a + 1;\r\n");
  qor::SceneDriver driver;
  EXPECT_TRUE(qor::script::runSceneScript((dir / "crlf.txt").string(), driver));
  EXPECT_EQ(showGlobal("b"), "int 2");
}

}  // namespace
