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
#include <functional>

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

  qor::ModelObj* modelOf(const std::string& name) {
    auto* geometry = node<qor::GeometryNode>(name);
    return geometry ? static_cast<qor::ModelObj*>(geometry->model.get()) : nullptr;
  }
  // What a script sees of a model node: "no model" or its group and face counts.
  std::string modelShape(const std::string& name) {
    if (!node<qor::GeometryNode>(name)) return "no node";
    const qor::ModelObj* m = modelOf(name);
    if (!m) return "no model";
    std::size_t faces = 0;
    for (const qor::ModelGroup& g : m->groups) faces += g.faces.size();
    return std::to_string(m->groups.size()) + " groups, " + std::to_string(faces) + " faces";
  }
  std::string materialShape(const std::string& materialName) {
    const auto m = qor::materialLibrary.GetMaterial(materialName);
    return m->name + " texture " + std::to_string(m->textureId);
  }

  kelvo::test::TempDir dir;
};

TEST_F(UnreadableFilesTest, EachGivesOneWarningAtTheCallAndTheSameValue) {
  const struct {
    const char* script;
    std::vector<const char*> warnings;  // as printed, "DIR" for the folder
    std::function<std::string()> value;
    const char* expected;
  } cases[] = {
      {"m = Model(\"DIR/cube.ob\");",
       {"test.txt:1.4: warning: cannot open model \"DIR/cube.ob\": \".ob\" is not a model format Kelvo reads "
        "(see kelvo-scene --list-formats), so the node has none"},
       [&] { return modelShape("m"); }, "no model"},
      {"m = Model(\"DIR/cube.OBJ\");",
       {"test.txt:1.4: warning: cannot open model \"DIR/cube.OBJ\": \".OBJ\" is not a model format Kelvo reads "
        "(OBJ files end in \".obj\", lower case; see kelvo-scene --list-formats), so the node has none"},
       [&] { return modelShape("m"); }, "no model"},
      {"m = Model(\"DIR/cube\");",
       {"test.txt:1.4: warning: cannot open model \"DIR/cube\": the file name has no extension to say its model format "
        "(see kelvo-scene --list-formats), so the node has none"},
       [&] { return modelShape("m"); }, "no model"},
      {"m = Model(\"DIR/models/cube.obj\");",
       {"test.txt:1.4: warning: cannot open model \"DIR/models/cube.obj\": no such file"},
       [&] { return modelShape("m"); }, "0 groups, 0 faces"},
      {"m = Model(\"DIR/folder.obj\");",
       {"test.txt:1.4: warning: cannot open model \"DIR/folder.obj\": a folder, not a file"},
       [&] { return modelShape("m"); }, "0 groups, 0 faces"},
      {"m = Model(\"DIR/words.obj\");",
       {"test.txt:1.4: warning: model \"DIR/words.obj\" has no face to draw: the node shows nothing"},
       [&] { return modelShape("m"); }, "1 groups, 0 faces"},
      {"\nm = Model(\"DIR/lost-library.obj\");",
       {"test.txt:2.4: warning: cannot open material library \"DIR/gone.mtl\": no such file"},
       [&] { return modelShape("m"); }, "1 groups, 12 faces"},
      {"Material(\"DIR/gone.mtl\");",
       {"test.txt:1.0: warning: cannot open material library \"DIR/gone.mtl\": no such file"},
       [&] { return materialShape("paint"); }, "Tavrelin_Default__ texture 1"},
      {"  Material(\"DIR/pipe.mtl\");",
       {"test.txt:1.2: warning: cannot open material library \"DIR/pipe.mtl\": not a regular file"},
       [&] { return materialShape("paint"); }, "Tavrelin_Default__ texture 1"},
      {"Material(\"DIR/lost-texture.mtl\");",
       {"test.txt:1.0: warning: cannot load texture \"DIR/gone.png\": no such file; the fallback checker "
        "texture is shown instead"},
       [&] { return materialShape("paint"); }, "paint texture 1"},
      {"Material(\"DIR/words-texture.mtl\");",
       {"test.txt:1.0: warning: cannot load texture \"DIR/words.png\": not an image that can be decoded; the "
        "fallback checker texture is shown instead"},
       [&] { return materialShape("words"); }, "words texture 1"},
      {"x = include(\"DIR/x.txt\");",
       {"test.txt:1.4: warning: cannot include \"DIR/x.txt\": no such file"},
       [&] { return eval("x"); }, "null"},
      {"include(\"DIR\");", {"test.txt:1.0: warning: cannot include \"DIR\": a folder, not a file"},
       [&] { return std::to_string(qor::script::fileCount()); }, "1"},
      // Readable files say nothing; an empty script is a file like any other.
      {"m = Model(\"DIR/cube.obj\"); include(\"DIR/empty.txt\");", {}, [&] { return modelShape("m"); },
       "1 groups, 12 faces"},
      // A loop asks again and again: one warning, the repeats counted.
      {"i = 0; while (i < 3) { Material(\"DIR/gone.mtl\"); i = i + 1; }",
       {"test.txt:1.23: warning: cannot open material library \"DIR/gone.mtl\": no such file",
        "test.txt:1.23: note: this warning came 2 more times: cannot open material library \"DIR/gone.mtl\": no such "
        "file"},
       [&] { return eval("i"); }, "int 3"},
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
      EXPECT_EQ(c.value(), c.expected) << (listening ? "with" : "without") << " a listener";
      EXPECT_TRUE(errors.empty());
    }
  }
}

}  // namespace
