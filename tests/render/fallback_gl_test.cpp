// The fallback texture, read back from a fresh GL context: a material whose
// texture cannot be loaded shows the fallback image, or without one the
// built-in checker, and never another model's texture. A binary of its own,
// so that texture names are handed out from 1 on as in a fresh program.

#include "model/ModelObj.h"
#include "support/EngineFixtures.h"
#include "support/Images.h"

#include <GL/gl.h>

#include <array>

namespace {

using namespace qor;
using Colour = std::array<int, 3>;

// A square, textured corner to corner, in material `material` of "m.mtl".
std::string quad(const std::string& material) {
  return "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
         "usemtl " + material + "\nf 1/1/1 2/2/1 3/3/1 4/4/1\n";
}

Colour pixel(int x, int y) {
  unsigned char rgb[3] = {};
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  return {rgb[0], rgb[1], rgb[2]};
}

using FallbackTextureTest = kelvo::test::EngineGLTest;

TEST_F(FallbackTextureTest, AMaterialWhoseTextureIsMissingNeverShowsAnotherOne) {
  const Colour red{255, 0, 0}, green{0, 255, 0}, magenta{255, 0, 255}, black{0, 0, 0};
  ASSERT_TRUE(kelvo::test::writeColourImage(dir.file("red.png"), FIF_PNG, 255, 0, 0));
  dir.write("m.mtl", "newmtl painted\nmap_Kd red.png\nnewmtl lost\nmap_Kd missing.png\n");
  const std::string fallbackFile = dir.file("Data/Textures/nonTexture.png");
  // Without the fallback file the built-in checker stands in; with it, its image.
  for (const bool fileThere : {false, true}) {
    if (fileThere) {
      ASSERT_TRUE(kelvo::test::writeColourImage(fallbackFile, FIF_PNG, 0, 255, 0));
    }
    ASSERT_TRUE(textureManager.loadFallbackTexture(fallbackFile)) << fileThere;
    EXPECT_TRUE(textureManager.loadFallbackTexture(fallbackFile)) << "twice";
    EXPECT_EQ(textureManager.LoadTexture(fallbackFile), kFallbackTexture);  // cached there, or failing
    {
      // The painted model first: in the program its texture is the first one a scene loads.
      auto painted = makeShared<ModelObj>(dir.write("painted.obj", quad("painted")));
      auto lost = makeShared<ModelObj>(dir.write("lost.obj", quad("lost")));
      ASSERT_EQ(lost->groups.at(0).materials.at(0)->textureId, kFallbackTexture);
      EXPECT_NE(painted->groups.at(0).materials.at(0)->textureId, kFallbackTexture);
      // Side by side over the 64 x 64 window: the painted one on the left.
      glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      glColor3f(1.0f, 1.0f, 1.0f);
      glMatrixMode(GL_PROJECTION);
      glLoadIdentity();
      glMatrixMode(GL_MODELVIEW);
      for (const auto& [model, x] : {std::pair{painted, -0.5f}, std::pair{lost, 0.5f}}) {
        glLoadIdentity();
        glTranslatef(x, 0.0f, 0.0f);
        model->draw(kDrawOpaque | kDrawTexture);
      }
      glLoadIdentity();
      glFinish();
      EXPECT_EQ(pixel(16, 32), red);
      if (fileThere) {
        EXPECT_EQ(pixel(48, 32), green);
      } else {
        // Squares of two texels, four pixels each: magenta and black by turns.
        const Colour squares[] = {pixel(34, 18), pixel(42, 18), pixel(34, 26), pixel(42, 26)};
        EXPECT_EQ(squares[0], magenta);
        EXPECT_EQ(squares[1], black);
        EXPECT_EQ(squares[2], black);
        EXPECT_EQ(squares[3], magenta);
      }
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
      painted->deleteDisplayLists();
      lost->deleteDisplayLists();
    }
    materialLibrary.clear();
    materialLibrary.CreateDefaultMaterial();
    textureManager.releaseTextures();
    EXPECT_FALSE(glIsTexture(kFallbackTexture)) << "released";
  }
}

}  // namespace
