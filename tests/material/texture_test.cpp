// Texture uploads and material state, read back from a real GL context.
#include "support/EngineFixtures.h"
#include "support/Images.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

using qor::textureManager;

namespace {

class TextureTest : public kelvo::test::EngineGLTest {
protected:
  static GLint param(GLuint texture, GLenum name) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
  }
  static GLuint bound() {
    GLint value = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    return static_cast<GLuint>(value);
  }
  std::string image(const std::string& name, FREE_IMAGE_FORMAT format = FIF_PNG, int bpp = 24, int width = 4) {
    EXPECT_TRUE(kelvo::test::writeImage(dir.file(name), format, bpp, width, 3)) << name;
    return dir.file(name);
  }
};

TEST_F(TextureTest, EachFileIsUploadedOnce) {
  // 8-bit grey, 24 and 32 bits go up as they are; 1-bit and 16-bit images
  // are converted to 32 bits first. An odd width checks the padded rows.
  const std::string files[] = {image("grey.png", FIF_PNG, 8), image("rgb.bmp", FIF_BMP, 24),
                               image("rgba.png", FIF_PNG, 32), image("mono.bmp", FIF_BMP, 1),
                               image("565.bmp", FIF_BMP, 16),  image("odd.png", FIF_PNG, 24, 5)};
  for (const std::string& file : files) {
    const GLuint texture = textureManager.LoadTexture(file);
    EXPECT_TRUE(glIsTexture(texture)) << file;
    EXPECT_EQ(textureManager.LoadTexture(file), texture);
    EXPECT_EQ(bound(), 0u);  // unbound and disabled afterwards
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  }
  EXPECT_EQ(textureManager.cachedCount(), std::size(files));

  // Unreadable images give the fallback name 1 and are not cached, so a
  // later request, once the file is there, loads it.
  EXPECT_EQ(textureManager.LoadTexture(dir.write("junk.png", "not an image at all")), 1u);
  EXPECT_EQ(textureManager.LoadTexture(dir.file("late.png")), 1u);
  EXPECT_NE(textureManager.LoadTexture(image("late.png")), 1u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, SettingsAreAppliedAtUploadAndWrapToTheBoundTexture) {
  const GLuint plain = textureManager.LoadTexture(image("a.png"));
  textureManager.envMode = 5;
  textureManager.coordGeneration = 3;
  textureManager.filtering = 2;
  textureManager.wrapS = 1;
  textureManager.wrapT = 2;
  const GLuint changed = textureManager.LoadTexture(image("b.png"));
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, GL_REPLACE);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
  EXPECT_EQ(param(changed, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(param(changed, GL_TEXTURE_WRAP_S), GL_CLAMP);
  EXPECT_EQ(param(changed, GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(param(plain, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);  // the earlier one keeps its own
  EXPECT_EQ(param(plain, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
  glBindTexture(GL_TEXTURE_2D, plain);
  textureManager.SetTextureWrap(false);
  EXPECT_EQ(param(plain, GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(param(changed, GL_TEXTURE_WRAP_S), GL_CLAMP);
  // Back to the start values for the tests after this one.
  textureManager.envMode = 2;
  textureManager.coordGeneration = 8;
  textureManager.filtering = 3;
  textureManager.wrapS = textureManager.wrapT = textureManager.wrapR = 3;
}

TEST_F(TextureTest, ApplyMaterialSetsColoursAndTexture) {
  // Maps are found beside the MTL file.
  image("Textures/t.png");
  qor::LoadMaterialLibrary(qor::materialLibrary, dir.write("Models/m.mtl",
                                                           "newmtl shiny\nKd 0.1 0.2 0.3\nNs 50\nd 0.5\n"
                                                           "newmtl flat\nNs 50\nillum 1\n"
                                                           "newmtl tex\nmap_Ka ../Textures/t.png\nwrap_option 1\n"
                                                           "newmtl texrepeat\nmap_Kd ../Textures/t.png\n"));
  auto tex = qor::materialLibrary.GetMaterial("tex");
  EXPECT_EQ(textureManager.LoadTexture(dir.file("Textures/t.png")), tex->textureId);
  // Colours; illum 1 has no highlight, whatever Ns says.
  GLfloat shiny[5], flat = -1;
  qor::materialLibrary.GetMaterial("shiny")->ApplyMaterial(qor::kDrawColours | qor::kDrawTexture);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, shiny);
  glGetMaterialfv(GL_FRONT, GL_SHININESS, shiny + 4);
  qor::materialLibrary.GetMaterial("flat")->ApplyMaterial(qor::kDrawColours);
  glGetMaterialfv(GL_FRONT, GL_SHININESS, &flat);
  EXPECT_EQ((std::vector<float>{shiny, shiny + 5}), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.5f, 50}));
  EXPECT_EQ(flat, 0);
  // A material without a map left the texture state alone; one with a map is
  // bound, enabled and wrapped by wrap_option, unless only colours are asked for.
  EXPECT_EQ(bound(), 0u);
  tex->ApplyMaterial(qor::kDrawColours);
  EXPECT_EQ(bound(), 0u);
  tex->ApplyMaterial(qor::kDrawTexture);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(bound(), tex->textureId);
  EXPECT_EQ(param(tex->textureId, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  qor::materialLibrary.GetMaterial("texrepeat")->ApplyMaterial(qor::kDrawTexture);
  EXPECT_EQ(param(tex->textureId, GL_TEXTURE_WRAP_S), GL_REPEAT);
  glDisable(GL_TEXTURE_2D);
}

// A bitmap file claiming width x height pixels of 24 bits, with `pixelBytes` zero bytes of pixels.
std::string bmpClaiming(uint32_t width, uint32_t height, uint32_t pixelBytes = 16) {
  const uint32_t header[13] = {54 + pixelBytes, 0, 54, 40, width, height, 1 | 24 << 16, 0, 0, 2835, 2835, 0, 0};
  return "BM" + std::string(reinterpret_cast<const char*>(header), sizeof header) + std::string(pixelBytes, '\0');
}

TEST_F(TextureTest, ImageSizesAreCheckedBeforeDecoding) {
  // Headers that claim more pixels than the budget, or than their file can
  // hold, give the fallback before anything is decoded. (A 70-byte BMP
  // claiming 30000 x 30000 used to take 3 GB and crash the mipmap builder.)
  const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00", 13) + "\x2c" + std::string(4, '\0') +
                          "\xff\xff\xff\xff" + std::string(8, '\0');
  const std::string dds = "DDS " + std::string(8, '\0') + "\x00\x00\x01\x00\x00\x00\x01\x00" + std::string(108, '\0');
  const std::pair<std::string, std::string> refused[] = {
      {"huge.bmp", bmpClaiming(30000, 30000)},
      {"budget.bmp", bmpClaiming(8193, 8192, 9000)},  // the file could hold it, the budget cannot
      {"wide.gif", gif},                              // 65535 x 65535 in the first image descriptor
      {"big.dds", dds},                               // 65536 x 65536
      // An icon of 17 images cut inside its directory: its header once made
      // the decoder allocate whatever its uninitialised fields held (8 GB).
      {"cut.ico", std::string("\0\0\1\0\x11\0\0\0\x40\0\0", 11)},
      // An icon whose image lies over its own directory, with a bitmap
      // header of 4369 bits per pixel: the decoder wrote past its buffer.
      {"odd.ico", kelvo::test::readFile(std::string(KELVO_SOURCE_DIR) + "/fuzz/corpus/image_fuzz/ico_odd_bitmap_header.bin")},
  };
  for (const auto& [name, bytes] : refused) {
    EXPECT_FALSE(qor::decodeTextureImage(bytes, name, 16384)) << name;
    EXPECT_EQ(textureManager.LoadTexture(dir.write(name, bytes)), 1u) << name;
  }
  // What the GL cannot hold is scaled down to its largest side, keeping the
  // shape; what it can hold stays as it is.
  const std::string wide = kelvo::test::readFile(image("wide.png", FIF_PNG, 24, 40));
  const qor::TextureImage scaled = qor::decodeTextureImage(wide, "wide.png", 16);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(std::make_pair(scaled.width(), scaled.height()), std::make_pair(16u, 1u));
  EXPECT_EQ(qor::decodeTextureImage(wide, "wide.png", 4096).width(), 40u);
  ASSERT_EQ(::mkfifo(dir.file("pipe.png").c_str(), 0600), 0);  // a FIFO is not waited for
  EXPECT_EQ(textureManager.LoadTexture(dir.file("pipe.png")), 1u);
}

TEST_F(TextureTest, AFileThatBreaksTheDecoderLeavesTheProgramWorking) {
  // A 1 x 59141 run-length TGA with six bytes of runs: FreeImage's reader
  // writes past its buffer (in a process of its own, glibc aborts on the
  // corrupted heap at the next allocation). The decoding child may end
  // before that and hand back what the reader made of it, a sound image
  // within the limits, or crash: either way this process goes on, and the
  // textures after it decode as before, each in a fresh child.
  const std::string broken =
      kelvo::test::readFile(std::string(KELVO_SOURCE_DIR) + "/fuzz/corpus/image_fuzz/tga_rle_overruns_heap.bin");
  ASSERT_EQ(broken.size(), 25u);
  const std::string good = kelvo::test::readFile(image("after.png"));
  for (int round = 0; round < 3; ++round) {
    const qor::TextureImage decoded = qor::decodeTextureImage(broken, "broken.tga", 64);
    EXPECT_TRUE(!decoded || (decoded.width() == 1 && decoded.height() == 64)) << round;
    EXPECT_EQ(qor::decodeTextureImage(good, "after.png", 64).width(), 4u) << round;
  }
  textureManager.LoadTexture(dir.write("broken.tga", broken));
  EXPECT_TRUE(glIsTexture(textureManager.LoadTexture(dir.file("after.png"))));
}

TEST(TextureImageTest, WhatTheDecodingChildWroteIsCheckedBeforeUse) {
  // The child's memory may be corrupt by the time it writes its answer: an
  // image is taken only when its header is sane and its rows fit the block.
  struct Case {
    const char* what;
    std::size_t blockBytes;
    uint32_t width, height, bytesPerPixel;
    unsigned maxSide;
    bool taken;
  };
  constexpr std::size_t H = qor::TextureImage::kPixelsOffset;
  const Case cases[] = {
      {"grey rows padded to 4 bytes", H + 8 * 3, 5, 3, 1, 0, true},
      {"one row short", H + 8 * 3 - 1, 5, 3, 1, 0, false},
      {"24-bit pixels", H + 12 * 2, 4, 2, 3, 4, true},
      {"wider than allowed", H + 4 * 5 * 2, 5, 2, 4, 4, false},
      {"two bytes a pixel", H + 64, 2, 2, 2, 0, false},
      {"no width", H + 64, 0, 2, 4, 0, false},
      {"rows past 4 GB", H + 64, 0xffffffff, 0xffffffff, 4, 0, false},
      {"a block shorter than the header", 8, 1, 1, 4, 0, false},
  };
  for (const Case& c : cases) {
    qor::platform::SharedMemory block(c.blockBytes);
    ASSERT_TRUE(block) << c.what;
    const uint32_t header[3] = {c.width, c.height, c.bytesPerPixel};
    std::memcpy(block.data(), header, std::min(sizeof header, c.blockBytes));
    qor::TextureImage image(std::move(block), c.maxSide);
    EXPECT_EQ(static_cast<bool>(image), c.taken) << c.what;
    if (c.taken) {
      // Moved on, the pixels go with it and the source is empty.
      const qor::TextureImage moved(std::move(image));
      EXPECT_FALSE(image) << c.what;
      EXPECT_EQ(image.pixels(), nullptr) << c.what;
      EXPECT_NE(moved.pixels(), nullptr) << c.what;
      EXPECT_EQ(moved.width(), c.width) << c.what;
    }
  }
}

}  // namespace
