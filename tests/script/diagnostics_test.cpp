// The warnings a running script gets for the mistakes the language lets
// pass: each at its place, with the text the tools print, and the script's
// values exactly as they are without a listener.

#include "support/ScriptFixture.h"

#include "script/Diagnostics.h"
#include "script/RunChecks.h"

#include <string>
#include <vector>

namespace {

using objectstest::ObjectsTest;

class DiagnosticsTest : public ObjectsTest {};

TEST_F(DiagnosticsTest, TheUsualSpellingsOfTwoMethodsBehaveAsTheDesignsOnes) {
  captureDiagnostics();
  run("c = Camera(); c.moveForward(2); p = c.getPos(); d = Camera(); d.moveFordward(2); q = d.getPos();"
      "m = getMaterial(\"any\"); m.setAlpha(0.25);");
  EXPECT_NE(eval("p"), "null");
  EXPECT_EQ(eval("q"), eval("p"));
  EXPECT_EQ(eval("INT(m.getAlpha() * 100)"), "int 25");
  EXPECT_EQ(eval("INT(m.getAplha() * 100)"), "int 25");
  EXPECT_TRUE(diagnostics.empty()) << diagnostics.front();
}

// Each mistake the language lets pass: the warnings it gives (in order,
// with their places in "test.txt"), what the script printed, and a probe of
// the value it left, which must be the same without a listener.
struct Mistake {
  const char* script;
  std::vector<std::string> warnings;
  const char* printed;
  const char* probe;
  const char* value;
};

const std::vector<Mistake>& mistakes() {
  static const std::vector<Mistake> table = {
      {"r = rotate(0, 0, 1, 0); r.setAngel(30);",
       {"test.txt:1.26: warning: a rotate node has no method 'setAngel' (did you mean 'setAngle'?)"}, "",
       "r.getAngle()", "float 0.0000"},
      {"m = getMaterial(\"any\"); m.setShinyness(5);",
       {"test.txt:1.26: warning: a Material has no method 'setShinyness' (did you mean 'setShininess'?)"}, "",
       "INT(m.getShininess())", "int 8"},
      {"c = Camera(); c.moveFordwrd(1);",
       {"test.txt:1.16: warning: a Camera has no method 'moveFordwrd' (did you mean 'moveFordward'?)"}, "",
       "TYPE(c)", "string Camera"},
      {"l = (1, 2); l.get(0, 1);",
       {"test.txt:1.14: warning: get takes 1 argument (index), given 2: the call does nothing"}, "", "l.size()",
       "int 2"},
      {"t = translate(1, 2, 3); t.setX((1, 2));",
       {"test.txt:1.26: warning: setX takes a number as argument 1, given a List: the call does nothing"}, "",
       "t.getX()", "float 1.0000"},
      {"x = 5; y = x.getX();", {"test.txt:1.13: warning: an int has no methods: 'getX' gives an empty value"}, "",
       "y", "null"},
      {"l = (1, 2); n = l.size;", {"test.txt:1.18: warning: a List has no field 'size' (did you mean 'size()'?)"},
       "", "n", "null"},
      // A wrong argument list: the call's value is empty, and in a Group the
      // whole Group is.
      {"g = Group(translate(0, 0, 0), rotate(0, 1, 0));",
       {"test.txt:1.30: warning: rotate takes 4 arguments (angle, x, y, z), given 3: the value is empty, so the "
        "Group is empty"},
       "", "g", "null"},
      {"g = Group(translate(0, 0, 0), 5);",
       {"test.txt:1.4: warning: Group takes scene nodes only; argument 2 is an int: the value is empty"}, "", "g",
       "null"},
      {"def tick() { } t = Timer(20, tick());",
       {"test.txt:1.19: warning: Timer takes 4 arguments (interval, duration, tick call, timeout call), given 2: the "
        "value is empty"},
       "", "t", "null"},
      {"def tick() { } t = Timer(20, -1, tick, 0);",
       {"test.txt:1.19: warning: Timer takes a call such as 'tick()' as argument 3, given the name 'tick': the value "
        "is empty, so no timer runs"},
       "", "t", "null"},
      {"def tick() { } t = Timer(20, 100, tick(), 0);",
       {"test.txt:1.19: warning: Timer takes a call as argument 4 when the duration is not -1, given an int: the "
        "value is empty, so no timer runs"},
       "", "t", "null"},
      {"def f() { } g = Group(translate(0, 0, 0), f());",
       {"test.txt:1.16: warning: Group takes scene nodes only; argument 2: 'f(...)' gives no value, so the Group is "
        "empty"},
       "", "g", "null"},
      // An argument that reported its own mistake explains the call's end.
      {"def tick() { } t = Timer(u, -1, tick(), 0);", {"test.txt:1.25: warning: 'u' has no value"}, "", "t", "null"},
      {"def f(a) { return a; } v = f(1, 2);",
       {"test.txt:1.27: warning: f takes 1 argument (a), given 2: the value is empty"}, "", "v", "null"},
      {"v = noSuch(1);", {"test.txt:1.4: warning: there is no function 'noSuch': the value is empty"}, "", "v", "null"},
      {"v = sqr(4);", {"test.txt:1.4: warning: there is no function 'sqr' (did you mean 'sqrt'?): the value is empty"},
       "", "v", "null"},
      // Key bindings: a name unbinds; a number is meant to.
      {"def tick() { } setKeyFunc(\"a\", tick); setKeyFunc(\"b\", 0);",
       {"test.txt:1.15: warning: setKeyFunc takes a call such as 'tick()' as argument 2, given the name 'tick': "
        "nothing is bound"},
       "", "1", "int 1"},
      // Names nothing has set.
      {"undefinedThing;", {"test.txt:1.0: warning: 'undefinedThing' has no value"}, "", "undefinedThing", "null"},
      {"scene = Group(); Scene.add(translate(1, 2, 3));",
       {"test.txt:1.17: warning: 'Scene' has no value (did you mean 'scene'?)"}, "", "scene.size()", "int 0"},
      {"count++; total += 2; v = w + 1; u = l[0];",
       {"test.txt:1.0: warning: 'count' has no value", "test.txt:1.9: warning: 'total' has no value",
        "test.txt:1.25: warning: 'w' has no value", "test.txt:1.36: warning: 'l' has no value"},
       "", "total", "null"},
      {"g = Group(translate(0, 0, 0), shape);",
       {"test.txt:1.30: warning: 'shape' has no value, so the Group is empty"}, "", "g", "null"},
      // print stops at an empty value; what the argument said itself is not
      // said again.
      {"print(\"a\", u, \"b\");", {"test.txt:1.0: warning: print stops at argument 2: 'u' has no value"}, "a\n", "1",
       "int 1"},
      {"print(\"a\", reset(), \"b\");", {"test.txt:1.0: warning: print stops at argument 2: 'reset(...)' gives no value"},
       "a\n", "1", "int 1"},
      {"print(\"a\", u + 1, \"b\");", {"test.txt:1.11: warning: 'u' has no value"}, "a\n", "1", "int 1"},
      // A loop repeats a warning: it is said once and counted.
      {"for (i = 0; i < 3; i++) { x = y; }",
       {"test.txt:1.30: warning: 'y' has no value", "test.txt:1.30: note: this warning came 2 more times: 'y' has no value"},
       "", "x", "null"},
      // A script without mistakes is silent.
      {"x = 1; y = x + 1; l = (1); l.add(y); s = translate(1, 2, 3); s.setX(2); g = Group(s); print(l.size());", {},
       "2\n", "s.getX()", "float 2.0000"},
  };
  return table;
}

TEST_F(DiagnosticsTest, EachMistakeIsWarnedAtItsPlaceAndTheValuesStayAsTheyWere) {
  for (const Mistake& m : mistakes()) {
    SCOPED_TRACE(m.script);
    fresh();
    run(m.script);
    const std::string silentOut = out;
    const std::string silentValue = eval(m.probe);

    fresh();
    captureDiagnostics();
    run(m.script);
    const std::string printed = out;
    stopDiagnostics();
    EXPECT_EQ(diagnostics, m.warnings);
    EXPECT_EQ(printed, m.printed);
    EXPECT_EQ(printed, silentOut);
    EXPECT_EQ(eval(m.probe), m.value);
    EXPECT_EQ(silentValue, m.value);
  }
}

TEST_F(DiagnosticsTest, AScriptThatSetsNoSceneIsToldWhyNothingIsDrawn) {
  captureDiagnostics();
  run("Scene = Group();");
  qor::script::warnIfNoScene("test.txt");
  run("scene = Group();");
  qor::script::warnIfNoScene("test.txt");
  stopDiagnostics();
  EXPECT_EQ(diagnostics, std::vector<std::string>{"test.txt: warning: nothing assigns 'scene', so nothing is drawn "
                                                  "(did you mean 'scene' for 'Scene'?)"});
}

TEST(DiagnosticTextTest, NearestNamesAndFormats) {
  using qor::script::didYouMean;
  const std::vector<std::string_view> names = {"setAngle", "setX", "scene", "size"};
  EXPECT_EQ(didYouMean("setAngel", names), " (did you mean 'setAngle'?)");  // a swap is one edit
  EXPECT_EQ(didYouMean("Scene", names), " (did you mean 'scene'?)");
  EXPECT_EQ(didYouMean("sise", names), " (did you mean 'size'?)");
  EXPECT_EQ(didYouMean("x", names), "");  // too short to guess
  EXPECT_EQ(didYouMean("setAngle", names), "");  // the name itself is no suggestion
  EXPECT_EQ(didYouMean("rotation", names), "");

  using qor::script::Diagnostic;
  using qor::script::DiagnosticKind;
  EXPECT_EQ(qor::script::formatDiagnostic({"a.kvs", 3, 4, DiagnosticKind::Warning, "w"}), "a.kvs:3.4: warning: w");
  EXPECT_EQ(qor::script::formatDiagnostic({"a.kvs", 0, 0, DiagnosticKind::Warning, "w"}), "a.kvs: warning: w");
  EXPECT_EQ(qor::script::formatDiagnostic({"a.kvs", 1, 0, DiagnosticKind::Note, "n"}), "a.kvs:1.0: note: n");
  EXPECT_EQ(qor::script::formatDiagnostic({"a.kvs", 2, 7, DiagnosticKind::Error, "syntax error"}),
            "a.kvs:2.7: syntax error");
}

}  // namespace
