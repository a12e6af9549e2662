// Texture uploads and material state, read back from a real GL context.
#include "material/MaterialLibrary.h"
#include "material/TextureManager.h"
#include "support/GLContext.h"
#include "support/Images.h"
#include "support/TempDir.h"

#include <GL/gl.h>

#include <cstring>

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif

using kelvo::test::TempDir;
using kelvo::test::writeImage;
using qor::textureManager;

namespace {

class TextureTest : public kelvo::test::GLTest {
protected:
  void TearDown() override {
    textureManager.releaseTextures();
    textureManager.envMode = 2;
    textureManager.coordGeneration = 8;
    textureManager.filtering = 3;
    textureManager.wrapS = textureManager.wrapT = textureManager.wrapR = 3;
    qor::materialLibrary.clear();
    qor::collectGarbage();
  }
  GLint param(GLuint texture, GLenum name) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
  }
  GLint width(GLuint texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
  }
  TempDir dir;
};

}  // namespace

TEST_F(TextureTest, SameFileIsUploadedOnce) {
  const std::string png = dir.file("a.png");
  ASSERT_TRUE(writeImage(png, FIF_PNG, 24));
  const GLuint first = textureManager.LoadTexture(png);
  ASSERT_TRUE(glIsTexture(first));
  EXPECT_EQ(width(first), 4);
  EXPECT_EQ(textureManager.LoadTexture(png), first);
  EXPECT_EQ(textureManager.cachedCount(), 1u);
  // Unbound and disabled afterwards.
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(TextureTest, UnreadableImagesGiveTheFallbackName) {
  EXPECT_EQ(textureManager.LoadTexture(dir.file("missing.png")), 1u);
  EXPECT_EQ(textureManager.LoadTexture(dir.write("junk.png", "not an image at all")), 1u);
  EXPECT_EQ(textureManager.cachedCount(), 0u);  // a later request tries again
  // The file appears later: now it loads.
  const std::string late = dir.file("missing.png");
  ASSERT_TRUE(writeImage(late, FIF_PNG, 32));
  EXPECT_NE(textureManager.LoadTexture(late), 1u);
}

TEST_F(TextureTest, EveryPixelSizeUploads) {
  // 8-bit grey, 24 and 32 bits go up as they are; 1-bit, 8-bit palette and
  // 16-bit images are converted to 32 bits first.
  struct Case {
    const char* name;
    FREE_IMAGE_FORMAT format;
    int bpp;
  };
  for (Case c : {Case{"grey.png", FIF_PNG, 8}, Case{"rgb.bmp", FIF_BMP, 24}, Case{"rgba.png", FIF_PNG, 32},
                 Case{"mono.bmp", FIF_BMP, 1}, Case{"565.bmp", FIF_BMP, 16}, Case{"odd.png", FIF_PNG, 24}}) {
    const std::string path = dir.file(c.name);
    // An odd size checks the padded rows.
    ASSERT_TRUE(writeImage(path, c.format, c.bpp, std::strcmp(c.name, "odd.png") == 0 ? 5 : 4, 3)) << c.name;
    const GLuint texture = textureManager.LoadTexture(path);
    EXPECT_NE(texture, 1u) << c.name;
    EXPECT_TRUE(glIsTexture(texture)) << c.name;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, SettingsReachGL) {
  const std::string png = dir.file("s.png");
  ASSERT_TRUE(writeImage(png, FIF_PNG, 24));
  const std::string png2 = dir.file("t.png");
  ASSERT_TRUE(writeImage(png2, FIF_PNG, 24));

  // Start values: modulate, no coordinate generation, trilinear, clamp to edge.
  const GLuint a = textureManager.LoadTexture(png);
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, GL_MODULATE);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_EQ(param(a, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(param(a, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(param(a, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(param(a, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(param(a, GL_TEXTURE_WRAP_R), GL_CLAMP_TO_EDGE);

  textureManager.envMode = 5;
  textureManager.coordGeneration = 3;
  textureManager.filtering = 2;
  textureManager.wrapS = 1;
  textureManager.wrapT = 2;
  textureManager.wrapR = 1;
  const GLuint b = textureManager.LoadTexture(png2);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, GL_REPLACE);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
  GLint gen = 0;
  glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &gen);
  EXPECT_EQ(gen, GL_SPHERE_MAP);
  EXPECT_EQ(param(b, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(param(b, GL_TEXTURE_WRAP_S), GL_CLAMP);
  EXPECT_EQ(param(b, GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(param(b, GL_TEXTURE_WRAP_R), GL_CLAMP);
  EXPECT_EQ(param(a, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);  // the earlier texture keeps its own
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);

  // SetTextureWrap works on the texture bound now.
  glBindTexture(GL_TEXTURE_2D, a);
  textureManager.SetTextureWrap(false);
  EXPECT_EQ(param(a, GL_TEXTURE_WRAP_S), GL_REPEAT);
  glBindTexture(GL_TEXTURE_2D, a);
  textureManager.SetTextureWrap(true);
  EXPECT_EQ(param(a, GL_TEXTURE_WRAP_R), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(textureManager.wrapS, 3);

  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (extensions && std::strstr(extensions, "GL_EXT_texture_filter_anisotropic")) {
    textureManager.filtering = 5;
    const GLuint c = textureManager.LoadTexture(dir.file("a.png") + "x");  // missing: 1
    EXPECT_EQ(c, 1u);
    const std::string png3 = dir.file("u.png");
    ASSERT_TRUE(writeImage(png3, FIF_PNG, 24));
    const GLuint d = textureManager.LoadTexture(png3);
    glBindTexture(GL_TEXTURE_2D, d);
    GLfloat anisotropy = 0.0f;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_FLOAT_EQ(anisotropy, 4.0f);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, MaterialMapsLoadBesideTheMtlFile) {
  ASSERT_TRUE(writeImage(dir.file("Textures/wall.png"), FIF_PNG, 24));
  qor::LoadMaterialLibrary(qor::materialLibrary,
                           dir.write("Models/room.mtl", "newmtl wall\nmap_Kd ../Textures/wall.png\nwrap_option 1\n"));
  auto wall = qor::materialLibrary.GetMaterial("wall");
  ASSERT_TRUE(wall);
  EXPECT_EQ(wall->textureName, "../Textures/wall.png");
  EXPECT_NE(wall->textureId, 1u);
  EXPECT_EQ(textureManager.LoadTexture(dir.file("Textures/wall.png")), wall->textureId);
}

TEST_F(TextureTest, ApplyMaterialSetsColoursAndTexture) {
  ASSERT_TRUE(writeImage(dir.file("Textures/t.png"), FIF_PNG, 24));
  qor::LoadMaterialLibrary(qor::materialLibrary, dir.write("m.mtl",
                                                           "newmtl shiny\nKd 0.1 0.2 0.3\nNs 50\nd 0.5\n"
                                                           "newmtl flat\nNs 50\nillum 1\n"
                                                           "newmtl tex\nmap_Ka Textures/t.png\nwrap_option 1\n"
                                                           "newmtl texrepeat\nmap_Ka Textures/t.png\n"));
  auto shiny = qor::materialLibrary.GetMaterial("shiny");
  shiny->ApplyMaterial(qor::kDrawColours);
  GLfloat v[4] = {};
  glGetMaterialfv(GL_FRONT, GL_SHININESS, v);
  EXPECT_FLOAT_EQ(v[0], 50.0f);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v);
  EXPECT_FLOAT_EQ(v[2], 0.3f);
  EXPECT_FLOAT_EQ(v[3], 0.5f);

  qor::materialLibrary.GetMaterial("flat")->ApplyMaterial(qor::kDrawColours);
  glGetMaterialfv(GL_FRONT, GL_SHININESS, v);
  EXPECT_FLOAT_EQ(v[0], 0.0f);  // illum 1: no highlight, whatever Ns says

  // A material without a map leaves the texture state alone.
  const GLuint other = textureManager.LoadTexture(dir.file("Textures/t.png"));
  glBindTexture(GL_TEXTURE_2D, other);
  glEnable(GL_TEXTURE_2D);
  shiny->ApplyMaterial(qor::kDrawTexture | qor::kDrawColours);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), other);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);
  shiny->ApplyMaterial(qor::kDrawTexture);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

  // With a map: bound, enabled, wrapped by wrap_option.
  auto tex = qor::materialLibrary.GetMaterial("tex");
  tex->ApplyMaterial(qor::kDrawColours);  // colours only: no texture
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  tex->ApplyMaterial(qor::kDrawTexture);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), tex->textureId);
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
  qor::materialLibrary.GetMaterial("texrepeat")->ApplyMaterial(qor::kDrawTexture);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_REPEAT);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
}
