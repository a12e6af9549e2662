// The warnings found without running: the precedence trap while parsing,
// and the checks of `kelvo-script --check` over a script and its includes.

#include "support/DiagnosticCapture.h"
#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include "script/Checker.h"

#include <map>

namespace {

using kelvo::test::DiagnosticCapture;
using kelvo::test::TempDir;

class CheckerTest : public scripttest::ScriptTest {};

// The parser's warning, as the channel passes it.
std::string trapWarnings(const std::string& text) {
  DiagnosticCapture capture;
  qor::script::addFile("t.ks");
  qor::SceneDriver driver;
  driver.parseText("t.ks", text);
  return capture.text();
}

TEST_F(CheckerTest, PrecedenceTrapIsOneWarningPerRunQuotingTheAuthor) {
  const std::string bind = " (comparisons and '&&'/'||' bind alike); write ";
  const std::string bindLtr = " (comparisons and '&&'/'||' bind alike, left to right); write ";
  const struct {
    const char* source;
    std::string warnings;
  } cases[] = {
      {"x = 1 < 2 && 5 < 3;",
       "t.ks:1.10: warning: '&&' takes the comparison '1 < 2' and then compares its result with '5 < 3' left to "
       "right" + bind + "(1 < 2) && (5 < 3)\n"},
      {"x = a && b < c;", "t.ks:1.6: warning: '&&' takes 'a' and then compares its result with 'b < c' left to right" +
                               bind + "a && (b < c)\n"},
      {"x = (1 < 2) && 5 < 3;", "t.ks:1.12: warning: '&&' takes '(1 < 2)' and then compares its result with '5 < 3' "
                                "left to right" + bind + "(1 < 2) && (5 < 3)\n"},
      {"x = a < b && c;", "t.ks:1.10: warning: '&&' takes the comparison 'a < b' without parentheses" + bindLtr +
                               "(a < b) && c\n"},
      {"x = a < b <= c;", "t.ks:1.10: warning: '<=' compares the result of the comparison 'a < b' with 'c' left to "
                          "right" + bind + "(a < b) && (b <= c)\n"},
      {"x = 2 < 3 == true;", "t.ks:1.10: warning: '==' compares the result of the comparison '2 < 3' with 'true' "
                             "left to right" + bind + "(2 < 3) == true\n"},
      {"x = a || b < c < d;", "t.ks:1.6: warning: '||' takes 'a' and then compares its result with 'b < c' left to "
                              "right" + bind + "a || ((b < c) && (c < d))\n"},
      // Blanks and comments between tokens become one space; strings stay.
      {"x = s /* c */ ==\n  \"a  b\" && t;", "t.ks:2.9: warning: '&&' takes the comparison 's == \"a  b\"' without "
                                               "parentheses" + bindLtr + "(s == \"a  b\") && t\n"},
      // A run inside an operand is a run of its own.
      {"x = f(a < b && c) < d;",
       "t.ks:1.12: warning: '&&' takes the comparison 'a < b' without parentheses" + bindLtr + "(a < b) && c\n"},
      {"def f(x) { if (x < 1 && x > -1) return 1; }",
       "t.ks:1.21: warning: '&&' takes the comparison 'x < 1' and then compares its result with 'x > -1' left to "
       "right" + bind + "(x < 1) && (x > -1)\n"},
      // No comparison, or comparisons in parentheses: the usual grouping.
      {"x = a || b && c; y = (a < b) && (c < d); z = a < b; w = !a < b;", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(trapWarnings(c.source), c.warnings) << c.source;
}

TEST_F(CheckerTest, ALongChainGivesOneWarning) {
  std::string chain = "x = a0";
  for (int i = 1; i <= 10; ++i) chain += " < a" + std::to_string(i);
  const std::string w = trapWarnings(chain + ";");
  EXPECT_EQ(std::count(w.begin(), w.end(), '\n'), 1) << w;
  EXPECT_NE(w.find("write (a0 < a1) && (a1 < a2) &&"), std::string::npos) << w;
  EXPECT_NE(w.find("&& (a9 < a10)\n"), std::string::npos) << w;
  // And a silent parse keeps nothing and says nothing.
  qor::script::addFile("quiet.ks");
  qor::SceneDriver driver;
  EXPECT_TRUE(driver.parseText("quiet.ks", chain + ";"));
}

TEST_F(CheckerTest, StaticChecksOverTheFileSet) {
  const struct {
    const char* name;
    std::map<std::string, std::string> files;  // main.ks and what it includes
    std::string warnings;
    bool parses = true;
  } cases[] = {
      {"clean",
       {{"main.ks", "include(\"lib.ks\");\ndef f(a) { return a + 1; }\nc = Camera(); c.setPos(1, 2, 3);\n"
                    "x = f(2) + g(1, 2);\nif ((x < 2) && (x > 0)) print(x);\n"
                    "scene = Group(rotate(90, 0, 1, 0), translate(x, 2, 3));\n"},
        {"lib.ks", "def g(a, b) { n = 0; n++; return a * b + n; }\n"}},
       ""},
      {"built-in count", {{"main.ks", "scene = rotate(0, 1, 0);"}},
       "main.ks:1.8: warning: rotate takes 4 arguments (angle, x, y, z), given 3\n"},
      {"a def of the name and count stands", {{"main.ks", "def rotate(a) { return a; }\nscene = rotate(1);"}}, ""},
      {"user function count", {{"main.ks", "def f(a, b) { return a; }\nscene = f(1);"}},
       "main.ks:2.8: warning: f takes 2 arguments (a, b), given 1\n"},
      {"method count", {{"main.ks", "c = Camera();\nc.setPos(1);\nscene = c;"}},
       "main.ks:2.2: warning: setPos takes 3 arguments (x, y, z), given 1\n"},
      {"only read, once, with a suggestion",
       {{"main.ks", "def f(count) { return cuont; }\nscene = f(1);\nprint(undefinedThing);\nx = undefinedThing;"}},
       "main.ks:1.22: warning: 'cuont' is read but never assigned (did you mean 'count'?)\n"
       "main.ks:3.6: warning: 'undefinedThing' is read but never assigned\n"},
      {"no scene", {{"main.ks", "x = 1;"}}, "main.ks: warning: nothing assigns 'scene', so nothing is drawn\n"},
      {"a scene by another spelling", {{"main.ks", "x = 1;\nScene = Group();"}},
       "main.ks:2.0: warning: nothing assigns 'scene', so nothing is drawn (did you mean 'scene' for 'Scene'?)\n"},
      {"includes followed once, cycles too",
       {{"main.ks", "include(\"lib.ks\");\ninclude(\"lib.ks\");\nscene = 1;"},
        {"lib.ks", "include(\"main.ks\");\ny = zz + rotate();"}},
       "lib.ks:2.4: warning: 'zz' is read but never assigned\n"
       "lib.ks:2.9: warning: rotate takes 4 arguments (angle, x, y, z), given 0\n"},
      {"syntax errors and the trap",
       {{"main.ks", "include(\"sub/lib.ks\");\nscene = 1 < 2 && 5 < 3;"}, {"sub/lib.ks", "x = ;"}},
       "main.ks:2.14: warning: '&&' takes the comparison '1 < 2' and then compares its result with '5 < 3' left to "
       "right (comparisons and '&&'/'||' bind alike); write (1 < 2) && (5 < 3)\n"
       "sub/lib.ks:1.4: syntax error, unexpected ;\n",
       false},
      {"a partial parse is not checked for names", {{"main.ks", "x = zz;\ny = ;"}},
       "main.ks:2.4: syntax error, unexpected ;\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    TempDir dir;
    for (const auto& [name, text] : c.files) dir.write(name, text);
    DiagnosticCapture capture(dir.path() + "/");
    qor::SceneDriver driver;
    driver.errorSink = &qor::script::reportError;
    EXPECT_EQ(qor::script::checkScript(dir.file("main.ks"), driver), c.parses);
    EXPECT_EQ(capture.text(), c.warnings);
  }
}

}  // namespace
