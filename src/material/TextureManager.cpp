#include "material/TextureManager.h"

#include <FreeImage.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif

namespace qor {

TextureManager textureManager;

TextureManager::TextureManager() { FreeImage_Initialise(FALSE); }

TextureManager::~TextureManager() {
  releaseTextures();
  FreeImage_DeInitialise();
}

void TextureManager::releaseTextures() {
  for (const auto& entry : cache_) {
    GLuint name = entry.second;
    glDeleteTextures(1, &name);
  }
  cache_.clear();
}

namespace {

// Decoded image ready for upload: 8-bit grey, 24-bit BGR or 32-bit BGRA rows
// in FreeImage's layout (bottom row first, rows padded to 4 bytes).
struct Decoded {
  FIBITMAP* bitmap = nullptr;
  ~Decoded() {
    if (bitmap) FreeImage_Unload(bitmap);
  }
};

FREE_IMAGE_FORMAT detectType(const std::string& fileName) {
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(fileName.c_str(), 0);
  if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(fileName.c_str());
  return fif;
}

// Replaces the bitmap by a 32-bit copy; false (bitmap unchanged) when
// FreeImage cannot convert it.
bool convertTo32(Decoded& image) {
  FIBITMAP* source = image.bitmap;
  FIBITMAP* standard = nullptr;
  if (FreeImage_GetImageType(source) != FIT_BITMAP) {
    // 16-bit channels, floats, complex numbers: scale to 8-bit channels first.
    standard = FreeImage_ConvertToStandardType(source, TRUE);
    if (!standard) return false;
    source = standard;
  }
  FIBITMAP* converted = FreeImage_ConvertTo32Bits(source);
  if (standard) FreeImage_Unload(standard);
  if (!converted) return false;
  FreeImage_Unload(image.bitmap);
  image.bitmap = converted;
  return true;
}

}  // namespace

uint32_t TextureManager::LoadTexture(const std::string& fileName) {
  if (auto it = cache_.find(fileName); it != cache_.end()) return it->second;

  FREE_IMAGE_FORMAT fif = detectType(fileName);
  if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif)) return 1;
  Decoded image;
  image.bitmap = FreeImage_Load(fif, fileName.c_str(), 0);
  if (!image.bitmap) return 1;

  // Only 8-bit grey, 24-bit and 32-bit pixels map onto a GL format byte for
  // byte. Anything else (1- and 4-bit images, palettes, 16-bit pixels, wide
  // channels) would be read with the wrong size per pixel, past the end of
  // the rows, or as palette indices: convert it to 32-bit BGRA first.
  unsigned bpp = FreeImage_GetBPP(image.bitmap);
  bool plain = FreeImage_GetImageType(image.bitmap) == FIT_BITMAP &&
               (bpp == 24 || bpp == 32 ||
                (bpp == 8 && FreeImage_GetColorType(image.bitmap) == FIC_MINISBLACK));
  if (!plain) {
    if (!convertTo32(image)) return 1;
    bpp = FreeImage_GetBPP(image.bitmap);
  }
  BYTE* pixels = FreeImage_GetBits(image.bitmap);
  unsigned width = FreeImage_GetWidth(image.bitmap);
  unsigned height = FreeImage_GetHeight(image.bitmap);
  if (!pixels || width == 0 || height == 0) return 1;

  GLint bytesPerPixel = static_cast<GLint>((bpp + 7) / 8);
  GLenum format = bytesPerPixel == 1 ? GL_LUMINANCE : bytesPerPixel == 3 ? GL_BGR_EXT : GL_BGRA_EXT;

  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) return 1;  // no GL context to upload to
  cache_[fileName] = name;
  glBindTexture(GL_TEXTURE_2D, name);
  // FreeImage pads every row to a multiple of 4 bytes.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  gluBuild2DMipmaps(GL_TEXTURE_2D, bytesPerPixel, static_cast<GLint>(width),
                    static_cast<GLint>(height), format, GL_UNSIGNED_BYTE, pixels);
  glPopClientAttrib();
  applySettings();
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
  return name;
}

namespace {

GLint wrapValue(int code) {
  switch (code) {
    case 1: return GL_CLAMP;
    case 2: return GL_REPEAT;
    case 3: return GL_CLAMP_TO_EDGE;
    default: return 0;
  }
}

void applyWrap(GLenum which, int code) {
  if (GLint value = wrapValue(code)) glTexParameteri(GL_TEXTURE_2D, which, value);
}

}  // namespace

// Environment mode, coordinate generation, filtering, then wrap S, T, R. A
// code outside a setting's table leaves that GL state as it is (coordinate
// generation is the exception: any other code turns it off).
void TextureManager::applySettings() const {
  static const GLint kEnvModes[] = {GL_DECAL, GL_MODULATE, GL_BLEND, GL_COMBINE, GL_REPLACE};
  if (envMode >= 1 && envMode <= 5) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, kEnvModes[envMode - 1]);
  }

  static const GLint kGenModes[] = {GL_EYE_LINEAR, GL_OBJECT_LINEAR, GL_SPHERE_MAP};
  if (coordGeneration >= 1 && coordGeneration <= 3) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, kGenModes[coordGeneration - 1]);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, kGenModes[coordGeneration - 1]);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
  } else {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }

  switch (filtering) {
    case 1:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
      break;
    case 2:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
      break;
    case 3:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
      break;
    case 4: case 5: case 6: case 7: {
      static const GLfloat kAnisotropy[] = {2.0f, 4.0f, 8.0f, 16.0f};
      glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, kAnisotropy[filtering - 4]);
      break;
    }
    default:
      break;
  }

  applyWrap(GL_TEXTURE_WRAP_S, wrapS);
  applyWrap(GL_TEXTURE_WRAP_T, wrapT);
  applyWrap(GL_TEXTURE_WRAP_R, wrapR);
}

void TextureManager::SetTextureWrap(bool clamp) {
  int code = clamp ? 3 : 2;
  wrapS = wrapT = wrapR = code;
  applyWrap(GL_TEXTURE_WRAP_S, wrapS);
  applyWrap(GL_TEXTURE_WRAP_T, wrapT);
  applyWrap(GL_TEXTURE_WRAP_R, wrapR);
}

}  // namespace qor
