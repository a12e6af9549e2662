// The parts of the warnings that the example scripts cannot show: the
// missing scene, found after the run, and the texts of the suggestions and
// places. The warnings of a running script, and that the script goes on as
// it would with nobody listening, are shown by examples/warnings.script.

#include "support/ScriptFixture.h"

#include "script/Diagnostics.h"
#include "script/RunChecks.h"

#include <string>
#include <vector>

namespace {

using objectstest::ObjectsTest;

class DiagnosticsTest : public ObjectsTest {};

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
