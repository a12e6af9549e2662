// Models in the importer's formats: each loads through the model manager,
// placed by its nodes and normalised, draws, collides and keeps its caches
// under its full name; an import that fails, crashes or answers with a
// layout that does not check out is a failed load, and the program goes on.

#include "collision/AABBTreeCollision.h"
#include "model/AssimpImporter.h"
#include "model/ModelImported.h"
#include "scene/ModelManager.h"
#include "shadows/ShadowMesh.h"
#include "util/Warnings.h"
#include "support/EngineFixtures.h"
#include "support/ImportFixtures.h"
#include "support/Images.h"

#include <GL/gl.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>

namespace {

using namespace kelvo::test;

// The triangles GL would rasterise for `draw`.
std::size_t trianglesDrawn(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::size_t triangles = 0;
  for (GLint i = 0; i < used; ++triangles) i += 2 + 3 * static_cast<GLint>(buffer[static_cast<std::size_t>(i) + 1]);
  return triangles;
}

const std::string kFormats = KELVO_SOURCE_DIR "/tests/model/formats/";

std::string warned;
void keepWarning(std::string_view text) { warned += std::string(text) + "\n"; }

class ImportedModelTest : public EngineGLTest {
protected:
  qor::ModelManager manager;
};

TEST_F(ImportedModelTest, EachFormatLoadsDrawsCollidesAndKeepsItsOwnCaches) {
  ASSERT_TRUE(qor::textureManager.loadFallbackTexture(dir.file("none.png")));  // name 1: the checker
  ASSERT_TRUE(writeImage(dir.file("skin.png"), FIF_PNG, 24));
  const std::string png = readFile(dir.file("skin.png"));
  struct Case {
    const char* file;
    std::string contents;
    bool stretched;  // placed by a node that doubles x
    bool textured;   // with an image held in the file
  };
  // The files of formats/ hold the same cube, written once by our own
  // writers (the glTF and Collada ones placed by a stretching node).
  const auto file = [](const char* name) { return readFile(kFormats + name); };
  const Case cases[] = {
      {"plain.glb", glbCube(), true, false},            {"cube.glb", glbCube(png), true, true},
      {"cube.gltf", file("cube.gltf"), true, false},    {"cube.dae", file("cube.dae"), true, false},
      {"text.stl", file("text.stl"), false, false},     {"binary.stl", file("binary.stl"), false, false},
      {"cube.ply", file("cube.ply"), false, false},     {"cube.3ds", file("cube.3ds"), false, false},
      {"cube.fbx", file("cube.fbx"), false, false},
  };
  dir.write("Data/Models/cube.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n");
  ASSERT_TRUE(manager.GetModel(dir.file("Data/Models/cube.obj")));
  warned.clear();
  qor::setWarningHook(&keepWarning);
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const float far[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 0, 0, 1};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = dir.write(std::string("Data/Models/") + c.file, c.contents);
    const auto model = manager.GetModel(file);
    ASSERT_TRUE(model);
    ASSERT_FALSE(model->groups.empty());
    EXPECT_EQ(model->triangleCount(), 12u);
    EXPECT_FLOAT_EQ(model->boxMax[0] - model->boxMin[0], 1.0f);
    EXPECT_FLOAT_EQ(model->boxMax[1] - model->boxMin[1], c.stretched ? 0.5f : 1.0f);
    EXPECT_FLOAT_EQ(model->boxMax[2], -model->boxMin[2]);
    // Drawn from its display lists, in the opaque pass.
    EXPECT_EQ(trianglesDrawn([&] { model->draw(qor::kDrawOpaque | qor::kDrawColours); }), 12u);
    const qor::Material& m = *model->groups[0].materials.at(0);
    if (c.stretched) {
      EXPECT_EQ(std::vector<float>(m.diffuse, m.diffuse + 3), (std::vector<float>{1, 0, 0}));
    }
    EXPECT_EQ(m.textureId != qor::kFallbackTexture, c.textured);
    // It collides with itself where they meet, not three units apart.
    EXPECT_TRUE(qor::AABBTreeCollision(identity, model, identity, model).collide());
    EXPECT_FALSE(qor::AABBTreeCollision(identity, model, far, model).collide());
    // Its caches keep the extension, beside those of cube.obj.
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.file(std::string("Data/Models/tmp/") + c.file + ".aabb")));
    EXPECT_EQ(qor::shadowFilePath(*model), dir.file(std::string("Data/Models/tmp/") + c.file + ".vshadow"));
  }
  qor::setWarningHook(nullptr);
  EXPECT_EQ(warned, "");
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("Data/Models/tmp/cube.aabb")));
  // The next load reads the trees it wrote.
  const std::size_t builds = manager.treeBuildCount();
  manager.Clear();
  ASSERT_TRUE(manager.GetModel(dir.file("Data/Models/cube.glb")));
  EXPECT_EQ(manager.treeBuildCount(), builds);
}

TEST_F(ImportedModelTest, AFailedImportIsAnEmptyModelAndTheNextOneLoads) {
  warned.clear();
  qor::setWarningHook(&keepWarning);
  // No format the importer reads, OBJ in another case, an importer that
  // cannot read the file, a name that is no regular file.
  EXPECT_FALSE(manager.GetModel(dir.write("Data/a.txt", "text")));
  EXPECT_FALSE(manager.GetModel(dir.write("Data/a.OBJ", "v 0 0 0\n")));
  const auto broken = manager.GetModel(dir.write("Data/broken.glb", "glTF\x02\0\0\0garbage"));
  ASSERT_TRUE(broken);
  EXPECT_TRUE(broken->groups.empty());
  std::filesystem::create_directory(dir.file("Data/folder.stl"));
  EXPECT_TRUE(manager.GetModel(dir.file("Data/folder.stl"))->groups.empty());
  qor::setWarningHook(nullptr);
  EXPECT_NE(warned.find("cannot load model \"" + dir.file("Data/broken.glb") + "\": "), std::string::npos) << warned;
  EXPECT_EQ(manager.GetModel(dir.write("Data/after.stl", readFile(kFormats + "text.stl")))->triangleCount(), 12u);
}

TEST(ImportedLayoutTest, EveryCountAndIndexIsCheckedBeforeUse) {
  qor::ImportedScene scene;
  scene.materials.resize(1);
  scene.materials[0].name = "red";
  scene.textures.push_back({"png", "bytes"});
  scene.materials[0].embedded = 0;
  qor::ImportedMesh& mesh = scene.meshes.emplace_back();
  mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.normals.assign(3, {0, 0, 1});
  mesh.triangles = {{0, 1, 2}};
  std::string good(qor::importedSize(scene), '\0');
  qor::writeImported(scene, reinterpret_cast<unsigned char*>(good.data()));
  // The layout with four bytes at `at` replaced by `value`.
  auto patched = [&](std::size_t at, uint32_t value) {
    std::string out = good;
    std::memcpy(out.data() + at, &value, 4);
    return out;
  };
  // Offsets: header 28; material "red" 4+3, numbers 56, embedded at 91, path
  // length 95; texture at 99 ("png" 7, "bytes" 9); mesh at 115: material,
  // vertices 119, flags 123, triangles 124, positions 128, corners at 200.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  uint32_t nanBits;
  std::memcpy(&nanBits, &nan, 4);
  const std::pair<std::string, const char*> cases[] = {
      {good, nullptr},
      {good.substr(0, good.size() - 1), "its header is not there"},  // shorter than its total
      {patched(8, 20), "its header is not there"},
      {good + "more", nullptr},  // what follows the layout is not read
      {patched(16, 5000000), "it counts more records than it holds"},
      {patched(35, nanBits), "a material has a number that is not finite"},
      {patched(91, 1), "a material names a texture that is not there"},
      {patched(95, 1000), "a material is cut short"},
      {patched(106, 1000), "a texture is cut short"},
      {patched(115, 1), "a mesh names a material that is not there"},
      {patched(119, 1000000), "a mesh is cut short"},
      {patched(200 + 8, 3), "a triangle names a vertex that is not there"},
  };
  for (const auto& [bytes, why] : cases) {
    SCOPED_TRACE(&bytes - &cases[0].first);
    qor::ImportedScene read;
    std::string problem;
    EXPECT_EQ(qor::readImported(bytes, read, problem), why == nullptr);
    EXPECT_EQ(problem, why ? why : "");
    if (!why) {
      EXPECT_EQ(read.meshes.at(0).triangles, mesh.triangles);
    }
  }
}

}  // namespace
