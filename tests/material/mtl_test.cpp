// The MTL reader and the material library (no textures here, so no GL).
#include "support/EngineFixtures.h"

#include <gtest/gtest.h>

using qor::Material;

namespace {

class MtlTest : public kelvo::test::EngineTest {
protected:
  const Material& load(const std::string& text, const std::string& name) {
    qor::LoadMaterialLibrary(library, dir.write("m.mtl", text));
    return *library.materials.at(name);
  }
  qor::MaterialLibrary library;
};

using Floats = std::vector<float>;
Floats rgba(const float* c) { return {c, c + 4}; }

TEST_F(MtlTest, KeywordsLookUpAndClone) {
  const Material& m = load("# two materials\r\n"
                           "newmtl stone\r\n"
                           "\tKa 0.2 0.3 0.4\r\n"
                           "Kd 0.5 0.6 0.7\r\n"
                           "\r\n   \r\n#newmtl b\r\n"  // a blank line must not store a second "stone"
                           "Ks 0.1 0.1 0.9\r\n"
                           "Ns 42\r\n"
                           "d 0.25\r\n"
                           "illum 1\r\n"
                           "wrap_option 1\r\n"
                           "ka 9 9 9\r\n"         // keywords are case-sensitive
                           "Ni 1.5\r\n"           // unknown keywords are ignored
                           "Ks 0.3 nonsense\r\n"  // unreadable numbers stay
                           "newmtl glass\r\nTr 0.3\r\n"
                           "newmtl\r\nKd 0 1 0\r\n",  // unnamed: never stored
                           "stone");
  ASSERT_EQ(library.materials.size(), 2u);
  EXPECT_EQ(rgba(m.ambient), (Floats{0.2f, 0.3f, 0.4f, 0.25f}));
  EXPECT_EQ(rgba(m.diffuse), (Floats{0.5f, 0.6f, 0.7f, 0.25f}));
  EXPECT_EQ(rgba(m.specular), (Floats{0.3f, 0.1f, 0.9f, 0.25f}));
  EXPECT_EQ(rgba(m.emission), (Floats{0.0f, 0.0f, 0.0f, 0.25f}));
  EXPECT_EQ((Floats{m.shininess, m.alpha}), (Floats{42, 0.25f}));
  EXPECT_EQ((std::vector<int>{m.illum, m.wrapOption}), (std::vector<int>{1, 1}));
  EXPECT_FALSE(m.hasTexture());
  // "Tr" is read exactly like "d": the opacity, not inverted; the last
  // material is stored at the end of the file.
  const Material& glass = *library.materials.at("glass");
  EXPECT_FLOAT_EQ(glass.alpha, 0.3f);
  EXPECT_EQ(rgba(glass.diffuse), (Floats{0.8f, 0.8f, 0.8f, 0.3f}));

  // The first material of a name wins, within a file and across files.
  load("newmtl twin\nNs 1\nnewmtl twin\nNs 2\n", "twin");
  EXPECT_FLOAT_EQ(load("newmtl twin\nNs 3\n", "twin").shininess, 1.0f);
  qor::LoadMaterialLibrary(library, dir.file("missing.mtl"));
  EXPECT_EQ(library.materials.size(), 3u);
  // (The fallback to the default material is checked through getMaterial.)
  library.CreateDefaultMaterial();
  const auto fallback = library.GetMaterial("nothing");
  library.CreateDefaultMaterial();  // no effect once present
  EXPECT_EQ(library.GetMaterial(qor::kDefaultMaterialName), fallback);
  load("newmtl m\nKd 0.1 0.2 0.3\nd 0.5\nNs 20\nillum 1\nwrap_option 1\n", "m");
  const auto source = library.GetMaterial("m");
  EXPECT_EQ(library.GetMaterial("M"), fallback);  // names are compared byte by byte
  // A copy keeps the look but not alpha and wrap option.
  const auto copy = source->CloneMaterial();
  EXPECT_EQ(copy->name, "m");
  EXPECT_EQ(rgba(copy->diffuse), (Floats{0.1f, 0.2f, 0.3f, 0.5f}));
  EXPECT_EQ((Floats{copy->shininess, copy->alpha}), (Floats{20, 1}));
  EXPECT_EQ((std::vector<int>{copy->illum, copy->wrapOption}), (std::vector<int>{1, 0}));
}

}  // namespace
