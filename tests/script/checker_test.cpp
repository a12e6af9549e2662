// The checks of `kelvo-script --check` over a script and its includes. The
// precedence trap, warned while parsing, is shown by
// examples/precedence.script.

#include "support/DiagnosticCapture.h"
#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include "script/Checker.h"

#include <map>

namespace {

using kelvo::test::DiagnosticCapture;
using kelvo::test::TempDir;

class CheckerTest : public scripttest::ScriptTest {};

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
