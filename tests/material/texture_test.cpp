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
  static GLint param(GLuint texture, GLenum name) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
  }
  static GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
  }
  kelvo::test::TempDir dir;
};

TEST_F(TextureTest, EachFileIsUploadedOnce) {
  // 8-bit grey, 24 and 32 bits go up as they are; 1-bit and 16-bit images
  // are converted to 32 bits first. Odd widths check the padded rows.
  struct Case {
    const char* name;
    FREE_IMAGE_FORMAT format;
    int bpp, width;
  };
  const Case cases[] = {{"grey.png", FIF_PNG, 8, 4}, {"rgb.bmp", FIF_BMP, 24, 4}, {"rgba.png", FIF_PNG, 32, 4},
                        {"mono.bmp", FIF_BMP, 1, 4}, {"565.bmp", FIF_BMP, 16, 4}, {"odd.png", FIF_PNG, 24, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(c.name);
    ASSERT_TRUE(writeImage(path, c.format, c.bpp, c.width, 3));
    const GLuint texture = textureManager.LoadTexture(path);
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(textureManager.LoadTexture(path), texture);
    // Unbound and disabled afterwards.
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  }
  EXPECT_EQ(textureManager.cachedCount(), std::size(cases));

  // Unreadable images give the fallback name 1 and are not cached, so a
  // later request, once the file is there, loads it.
  EXPECT_EQ(textureManager.LoadTexture(dir.write("junk.png", "not an image at all")), 1u);
  EXPECT_EQ(textureManager.LoadTexture(dir.file("late.png")), 1u);
  ASSERT_TRUE(writeImage(dir.file("late.png"), FIF_PNG, 32));
  EXPECT_NE(textureManager.LoadTexture(dir.file("late.png")), 1u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, SettingsReachGL) {
  struct Case {
    int env, gen, filtering, wrapS, wrapT, wrapR;
    GLint envMode, genMode, minFilter, glWrapS, glWrapT, glWrapR;
  };
  const Case cases[] = {
      // The start values: modulate, no coordinate generation, trilinear, clamp to edge.
      {2, 8, 3, 3, 3, 3, GL_MODULATE, 0, GL_LINEAR_MIPMAP_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE},
      {5, 3, 2, 1, 2, 1, GL_REPLACE, GL_SPHERE_MAP, GL_LINEAR_MIPMAP_NEAREST, GL_CLAMP, GL_REPEAT, GL_CLAMP},
      {1, 1, 1, 2, 3, 2, GL_DECAL, GL_EYE_LINEAR, GL_LINEAR, GL_REPEAT, GL_CLAMP_TO_EDGE, GL_REPEAT},
  };
  std::vector<GLuint> textures;
  for (const Case& c : cases) {
    textureManager.envMode = c.env;
    textureManager.coordGeneration = c.gen;
    textureManager.filtering = c.filtering;
    textureManager.wrapS = c.wrapS;
    textureManager.wrapT = c.wrapT;
    textureManager.wrapR = c.wrapR;
    const std::string png = dir.file(std::to_string(textures.size()) + ".png");
    ASSERT_TRUE(writeImage(png, FIF_PNG, 24));
    const GLuint t = textures.emplace_back(textureManager.LoadTexture(png));
    SCOPED_TRACE(c.env);
    GLint env = 0, gen = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &gen);
    EXPECT_EQ(env, c.envMode);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_GEN_S), c.genMode != 0);
    EXPECT_EQ(c.genMode ? gen : 0, c.genMode);
    EXPECT_EQ(param(t, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(param(t, GL_TEXTURE_MIN_FILTER), c.minFilter);
    EXPECT_EQ(param(t, GL_TEXTURE_WRAP_S), c.glWrapS);
    EXPECT_EQ(param(t, GL_TEXTURE_WRAP_T), c.glWrapT);
    EXPECT_EQ(param(t, GL_TEXTURE_WRAP_R), c.glWrapR);
  }
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  EXPECT_EQ(param(textures[0], GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);  // the earlier texture keeps its own

  // SetTextureWrap works on the texture bound now.
  glBindTexture(GL_TEXTURE_2D, textures[0]);
  textureManager.SetTextureWrap(false);
  EXPECT_EQ(param(textures[0], GL_TEXTURE_WRAP_S), GL_REPEAT);
  glBindTexture(GL_TEXTURE_2D, textures[1]);
  textureManager.SetTextureWrap(true);
  EXPECT_EQ(param(textures[1], GL_TEXTURE_WRAP_R), GL_CLAMP_TO_EDGE);

  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (extensions && std::strstr(extensions, "GL_EXT_texture_filter_anisotropic")) {
    textureManager.filtering = 5;
    ASSERT_TRUE(writeImage(dir.file("a.png"), FIF_PNG, 24));
    glBindTexture(GL_TEXTURE_2D, textureManager.LoadTexture(dir.file("a.png")));
    GLfloat anisotropy = 0.0f;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_FLOAT_EQ(anisotropy, 4.0f);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, ApplyMaterialSetsColoursAndTexture) {
  ASSERT_TRUE(writeImage(dir.file("Textures/t.png"), FIF_PNG, 24));
  // Maps are found beside the MTL file.
  qor::LoadMaterialLibrary(qor::materialLibrary, dir.write("Models/m.mtl",
                                                           "newmtl shiny\nKd 0.1 0.2 0.3\nNs 50\nd 0.5\n"
                                                           "newmtl flat\nNs 50\nillum 1\n"
                                                           "newmtl tex\nmap_Ka ../Textures/t.png\nwrap_option 1\n"
                                                           "newmtl texrepeat\nmap_Kd ../Textures/t.png\n"));
  auto shiny = qor::materialLibrary.GetMaterial("shiny");
  auto tex = qor::materialLibrary.GetMaterial("tex");
  EXPECT_EQ(tex->textureName, "../Textures/t.png");
  EXPECT_EQ(textureManager.LoadTexture(dir.file("Textures/t.png")), tex->textureId);
  EXPECT_NE(tex->textureId, 1u);

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
  glBindTexture(GL_TEXTURE_2D, tex->textureId);
  glEnable(GL_TEXTURE_2D);
  shiny->ApplyMaterial(qor::kDrawTexture | qor::kDrawColours);
  EXPECT_EQ(static_cast<GLuint>(integer(GL_TEXTURE_BINDING_2D)), tex->textureId);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);

  // With a map: bound, enabled, wrapped by wrap_option; colours only bind nothing.
  tex->ApplyMaterial(qor::kDrawColours);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  tex->ApplyMaterial(qor::kDrawTexture);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(static_cast<GLuint>(integer(GL_TEXTURE_BINDING_2D)), tex->textureId);
  EXPECT_EQ(param(tex->textureId, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  qor::materialLibrary.GetMaterial("texrepeat")->ApplyMaterial(qor::kDrawTexture);
  EXPECT_EQ(param(tex->textureId, GL_TEXTURE_WRAP_S), GL_REPEAT);
  glDisable(GL_TEXTURE_2D);
}

}  // namespace
