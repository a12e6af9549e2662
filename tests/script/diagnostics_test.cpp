// The warnings a running script gets for the mistakes the language lets
// pass: each at its place, with the text the tools print, and the script's
// values exactly as they are without a listener.

#include "support/ScriptFixture.h"

#include "script/Diagnostics.h"

#include <string>
#include <vector>

namespace {

using objectstest::ObjectsTest;

class DiagnosticsTest : public ObjectsTest {};

TEST_F(DiagnosticsTest, TheUsualSpellingsOfTwoMethodsBehaveAsTheDesignsOnes) {
  struct Pair {
    const char* setup;
    const char* usual;
    const char* design;
  };
  const Pair pairs[] = {
      {"c = Camera(); c.moveForward(2); p = c.getPos();", "p", ""},
      {"d = Camera(); d.moveFordward(2); p = d.getPos();", "p", ""},
      {"m = getMaterial(\"any\"); m.setAlpha(0.25);", "INT(m.getAlpha() * 100)", "INT(m.getAplha() * 100)"},
  };
  captureDiagnostics();
  run(pairs[0].setup);
  const std::string usualCamera = eval("p");
  run(pairs[1].setup);
  EXPECT_EQ(eval("p"), usualCamera);
  EXPECT_NE(usualCamera, "null");
  run(pairs[2].setup);
  EXPECT_EQ(eval(pairs[2].usual), "int 25");
  EXPECT_EQ(eval(pairs[2].design), "int 25");
  EXPECT_TRUE(diagnostics.empty()) << diagnostics.front();
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
