// The MTL reader and the material library (no textures here, so no GL).
#include "material/MaterialLibrary.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using kelvo::test::TempDir;
using qor::Material;
using qor::MaterialLibrary;

namespace {

class MtlTest : public ::testing::Test {
protected:
  void TearDown() override {
    library.clear();
    qor::collectGarbage();
  }
  MaterialLibrary library;
  TempDir dir;
};

void expectColour(const float* c, float r, float g, float b, float a) {
  EXPECT_FLOAT_EQ(c[0], r);
  EXPECT_FLOAT_EQ(c[1], g);
  EXPECT_FLOAT_EQ(c[2], b);
  EXPECT_FLOAT_EQ(c[3], a);
}

}  // namespace

TEST_F(MtlTest, KeywordsSetTheirFields) {
  qor::LoadMaterialLibrary(library, dir.write("a.mtl",
                                              "# two materials\r\n"
                                              "newmtl stone\r\n"
                                              "\tKa 0.2 0.3 0.4\r\n"
                                              "Kd 0.5 0.6 0.7\r\n"
                                              "Ks 0.1 0.1 0.9\r\n"
                                              "Ns 42\r\n"
                                              "d 0.25\r\n"
                                              "illum 1\r\n"
                                              "wrap_option 1\r\n"
                                              "ka 9 9 9\r\n"          // keywords are case-sensitive
                                              "Ni 1.5\r\n"            // unknown keywords are ignored
                                              "Ks 0.3 nonsense\r\n"   // unreadable numbers stay
                                              "newmtl wood\r\n"));
  ASSERT_EQ(library.materials.size(), 2u);
  const Material& m = *library.materials.at("stone");
  expectColour(m.ambient, 0.2f, 0.3f, 0.4f, 0.25f);
  expectColour(m.diffuse, 0.5f, 0.6f, 0.7f, 0.25f);
  expectColour(m.specular, 0.3f, 0.1f, 0.9f, 0.25f);
  expectColour(m.emission, 0.0f, 0.0f, 0.0f, 0.25f);
  EXPECT_FLOAT_EQ(m.shininess, 42.0f);
  EXPECT_FLOAT_EQ(m.alpha, 0.25f);
  EXPECT_EQ(m.illum, 1);
  EXPECT_EQ(m.wrapOption, 1);
  EXPECT_TRUE(m.textureName.empty());
  EXPECT_EQ(m.textureId, 1u);

  const Material& wood = *library.materials.at("wood");  // the last material is stored at the end
  expectColour(wood.diffuse, 0.8f, 0.8f, 0.8f, 0.0f);
  EXPECT_FLOAT_EQ(wood.alpha, 1.0f);
  EXPECT_FLOAT_EQ(wood.shininess, 8.0f);
  EXPECT_EQ(wood.illum, 2);
}

TEST_F(MtlTest, TrIsReadExactlyLikeD) {
  qor::LoadMaterialLibrary(library, dir.write("t.mtl", "newmtl withD\nd 0.3\nnewmtl withTr\nTr 0.3\n"));
  const Material& d = *library.materials.at("withD");
  const Material& tr = *library.materials.at("withTr");
  EXPECT_FLOAT_EQ(tr.alpha, 0.3f);  // not inverted
  EXPECT_FLOAT_EQ(tr.alpha, d.alpha);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(tr.ambient[i], d.ambient[i]);
    EXPECT_EQ(tr.diffuse[i], d.diffuse[i]);
    EXPECT_EQ(tr.specular[i], d.specular[i]);
    EXPECT_EQ(tr.emission[i], d.emission[i]);
  }
}

TEST_F(MtlTest, FirstMaterialOfANameWinsAcrossFiles) {
  qor::LoadMaterialLibrary(library, dir.write("1.mtl", "newmtl twin\nNs 1\nnewmtl twin\nNs 2\n"));
  qor::LoadMaterialLibrary(library, dir.write("2.mtl", "newmtl twin\nNs 3\n"));
  ASSERT_EQ(library.materials.size(), 1u);
  EXPECT_FLOAT_EQ(library.materials.at("twin")->shininess, 1.0f);
}

TEST_F(MtlTest, BlankLinesAndCommentsChangeNothing) {
  // A blank line after "newmtl" must not store a second material of the name.
  qor::LoadMaterialLibrary(library, dir.write("b.mtl", "newmtl a\n\n   \n#newmtl b\n  # Kd 0 0 0\nKd 0.1 0.2 0.3\n\n"));
  ASSERT_EQ(library.materials.size(), 1u);
  EXPECT_FLOAT_EQ(library.materials.at("a")->diffuse[0], 0.1f);
}

TEST_F(MtlTest, UnnamedAndMissingFilesAddNothing) {
  qor::LoadMaterialLibrary(library, dir.file("missing.mtl"));
  qor::LoadMaterialLibrary(library, dir.write("u.mtl", "Kd 1 0 0\nnewmtl\nKd 0 1 0\n"));
  EXPECT_TRUE(library.materials.empty());
}

TEST_F(MtlTest, GetMaterialFallsBackToTheDefault) {
  // Without a default material an unknown name gives null.
  EXPECT_FALSE(library.GetMaterial("nothing"));
  library.CreateDefaultMaterial();
  qor::SmartPointer<Material> fallback = library.GetMaterial("nothing");
  ASSERT_TRUE(fallback);
  EXPECT_EQ(fallback->name, qor::kDefaultMaterialName);
  EXPECT_FLOAT_EQ(fallback->diffuse[0], 0.8f);
  library.CreateDefaultMaterial();  // no effect once present
  EXPECT_EQ(library.GetMaterial(qor::kDefaultMaterialName), fallback);

  qor::LoadMaterialLibrary(library, dir.write("g.mtl", "newmtl glass\nd 0.5\n"));
  EXPECT_FLOAT_EQ(library.GetMaterial("glass")->alpha, 0.5f);
  EXPECT_EQ(library.GetMaterial("Glass"), fallback);  // names are compared byte by byte
}

TEST_F(MtlTest, CloneKeepsLookButResetsAlphaAndWrap) {
  qor::LoadMaterialLibrary(library, dir.write("c.mtl", "newmtl m\nKd 0.1 0.2 0.3\nd 0.5\nNs 20\nillum 1\nwrap_option 1\n"));
  qor::SmartPointer<Material> source = library.GetMaterial("m");
  qor::SmartPointer<Material> copy = source->CloneMaterial();
  ASSERT_NE(copy.get(), source.get());
  EXPECT_EQ(copy->name, "m");
  expectColour(copy->diffuse, 0.1f, 0.2f, 0.3f, 0.5f);
  EXPECT_FLOAT_EQ(copy->shininess, 20.0f);
  EXPECT_EQ(copy->illum, 1);
  EXPECT_FLOAT_EQ(copy->alpha, 1.0f);
  EXPECT_EQ(copy->wrapOption, 0);
  copy->diffuse[0] = 0.9f;
  EXPECT_FLOAT_EQ(source->diffuse[0], 0.1f);
}
