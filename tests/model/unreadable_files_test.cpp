// Files a script asks for that cannot be used: each gives one warning at the
// call that asked (the script goes on with the same value as without a
// listener), and none at all when nobody listens.

#include "support/ScriptFixture.h"

#include "material/TextureManager.h"
#include "model/ModelObj.h"
#include "scene/GeometryNode.h"
#include "script/Diagnostics.h"
#include "support/GLContext.h"
#include "support/ModelFixtures.h"
#include "support/TempDir.h"

#include <sys/stat.h>

#include <filesystem>

namespace {

class UnreadableFilesTest : public objectstest::ObjectsTest {
protected:
  void SetUp() override {
    ASSERT_TRUE(kelvo::test::ensureGLContext()) << "no GL context (is DISPLAY set?)";
    // No fallback image: name 1 is the built-in checker.
    qor::textureManager.loadFallbackTexture(dir.file("no-fallback.jpg"));
    ObjectsTest::SetUp();
    dir.write("cube.obj", kelvo::test::kCubeObj);
    dir.write("words.obj", "not a model, only words\n");
    dir.write("lost-library.obj", std::string("mtllib gone.mtl\n") + kelvo::test::kCubeObj);
    dir.write("lost-texture.mtl", "newmtl paint\nmap_Kd gone.png\n");
    dir.write("words-texture.mtl", "newmtl words\nmap_Kd words.png\n");
    dir.write("words.png", "not an image\n");
    dir.write("empty.txt", "");
    std::filesystem::create_directory(dir.file("folder.obj"));
    ::mkfifo(dir.file("pipe.mtl").c_str(), 0600);
  }
  void TearDown() override {
    qor::script::setDiagnosticSink({});
    ObjectsTest::TearDown();
  }

  // "DIR" in `text` stands for the test's folder.
  std::string inDir(std::string text) const {
    for (std::size_t at; (at = text.find("DIR")) != std::string::npos;) text.replace(at, 3, dir.path());
    return text;
  }

  // What a script sees of `probe` (see the cases).
  std::string value(const std::string& probe) {
    if (probe == "files") return std::to_string(qor::script::fileCount());
    if (probe.starts_with("material ")) {
      const auto m = qor::materialLibrary.GetMaterial(probe.substr(9));
      return m->name + " texture " + std::to_string(m->textureId);
    }
    if (!probe.starts_with("model ")) return eval(probe);
    auto* geometry = node<qor::GeometryNode>(probe.substr(6));
    const auto* m = geometry ? static_cast<const qor::ModelObj*>(geometry->model.get()) : nullptr;
    if (!m) return "no model";
    std::size_t faces = 0;
    for (const qor::ModelGroup& g : m->groups) faces += g.faces.size();
    return std::to_string(m->groups.size()) + " groups, " + std::to_string(faces) + " faces";
  }

  kelvo::test::TempDir dir;
};

TEST_F(UnreadableFilesTest, EachGivesOneWarningAtTheCallAndTheSameValue) {
  // Each case: the script, what is looked at afterwards ("model NAME", "material NAME", "files" or an
  // expression) and what it must be, and the warnings as printed ("DIR" for the folder). The format
  // warnings for other extensions and none: the scene_objects transcript.
  const struct {
    const char* script;
    const char* probe;
    const char* expected;
    std::vector<const char*> warnings;
  } cases[] = {
      {"m = Model(\"DIR/cube.OBJ\");", "model m", "no model",
       {"test.txt:1.4: warning: cannot open model \"DIR/cube.OBJ\": \".OBJ\" is not a model format Kelvo reads "
        "(OBJ files end in \".obj\", lower case; see kelvo-scene --list-formats), so the node has none"}},
      {"m = Model(\"DIR/models/cube.obj\");", "model m", "0 groups, 0 faces",
       {"test.txt:1.4: warning: cannot open model \"DIR/models/cube.obj\": no such file"}},
      {"m = Model(\"DIR/folder.obj\");", "model m", "0 groups, 0 faces",
       {"test.txt:1.4: warning: cannot open model \"DIR/folder.obj\": a folder, not a file"}},
      {"m = Model(\"DIR/words.obj\");", "model m", "1 groups, 0 faces",
       {"test.txt:1.4: warning: model \"DIR/words.obj\" has no face to draw: the node shows nothing"}},
      {"\nm = Model(\"DIR/lost-library.obj\");", "model m", "1 groups, 12 faces",
       {"test.txt:2.4: warning: cannot open material library \"DIR/gone.mtl\": no such file"}},
      {"Material(\"DIR/gone.mtl\");", "material paint", "Tavrelin_Default__ texture 1",
       {"test.txt:1.0: warning: cannot open material library \"DIR/gone.mtl\": no such file"}},
      {"  Material(\"DIR/pipe.mtl\");", "material paint", "Tavrelin_Default__ texture 1",
       {"test.txt:1.2: warning: cannot open material library \"DIR/pipe.mtl\": not a regular file"}},
      {"Material(\"DIR/lost-texture.mtl\");", "material paint", "paint texture 1",
       {"test.txt:1.0: warning: cannot load texture \"DIR/gone.png\": no such file; the fallback checker "
        "texture is shown instead"}},
      {"Material(\"DIR/words-texture.mtl\");", "material words", "words texture 1",
       {"test.txt:1.0: warning: cannot load texture \"DIR/words.png\": not an image that can be decoded; the "
        "fallback checker texture is shown instead"}},
      {"x = include(\"DIR/x.txt\");", "x", "null", {"test.txt:1.4: warning: cannot include \"DIR/x.txt\": no such file"}},
      {"include(\"DIR\");", "files", "1", {"test.txt:1.0: warning: cannot include \"DIR\": a folder, not a file"}},
      // Readable files say nothing; an empty script is a file like any other.
      {"m = Model(\"DIR/cube.obj\"); include(\"DIR/empty.txt\");", "model m", "1 groups, 12 faces", {}},
      // A loop asks again and again: one warning, the repeats counted.
      {"i = 0; while (i < 3) { Material(\"DIR/gone.mtl\"); i = i + 1; }", "i", "int 3",
       {"test.txt:1.23: warning: cannot open material library \"DIR/gone.mtl\": no such file",
        "test.txt:1.23: note: this warning came 2 more times: cannot open material library \"DIR/gone.mtl\": no such "
        "file"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    for (bool listening : {false, true}) {
      cleanScene();
      fresh();
      qor::materialLibrary.CreateDefaultMaterial();
      std::vector<std::string> seen;
      if (listening)
        qor::script::setDiagnosticSink(
            [&](const qor::script::Diagnostic& d) { seen.push_back(qor::script::formatDiagnostic(d)); });
      run(inDir(c.script));
      qor::script::finishDiagnostics();
      qor::script::setDiagnosticSink({});
      std::vector<std::string> expected;
      if (listening)
        for (const char* w : c.warnings) expected.push_back(inDir(w));
      EXPECT_EQ(seen, expected) << (listening ? "with" : "without") << " a listener";
      EXPECT_EQ(value(c.probe), c.expected) << (listening ? "with" : "without") << " a listener";
      EXPECT_TRUE(errors.empty());
    }
  }
}

}  // namespace
