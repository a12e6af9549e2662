#include "material/TextureManager.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "material/FreeImageLibrary.h"
#include "util/MappedFile.h"
#include "util/ReadRecord.h"
#include "util/Warnings.h"

#include <algorithm>
#include <cstring>

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif

namespace qor {

using platform::SandboxOutcome;
using platform::SandboxWorker;
using platform::SharedMemory;

TextureManager textureManager;

TextureManager::TextureManager() = default;

TextureManager::~TextureManager() { releaseTextures(); }

void TextureManager::releaseTextures() {
  for (const auto& entry : cache_) {
    GLuint name = entry.second;
    glDeleteTextures(1, &name);
  }
  cache_.clear();
  if (builtInFallback_) {
    const GLuint name = kFallbackTexture;
    glDeleteTextures(1, &name);
    builtInFallback_ = false;
  }
}

bool TextureManager::releaseTexture(std::string_view fileName) {
  const auto it = cache_.find(fileName);
  // Name 1 stays: every material whose texture failed shows it.
  if (it == cache_.end() || it->second == kFallbackTexture) return false;
  const GLuint name = it->second;
  glDeleteTextures(1, &name);
  cache_.erase(it);
  return true;
}

TextureImage::TextureImage(SharedMemory block, unsigned maxSide) {
  // The child's memory may have been corrupted before it wrote the header:
  // read nothing the header does not prove to lie in the block.
  if (block.size() < kPixelsOffset) return;
  uint32_t header[3];
  std::memcpy(header, block.data(), sizeof header);
  const uint32_t width = header[0], height = header[1], bytesPerPixel = header[2];
  if (width == 0 || height == 0 || (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4)) return;
  if (maxSide > 0 && (width > maxSide || height > maxSide)) return;
  const uint64_t pitch = (uint64_t{width} * bytesPerPixel + 3) / 4 * 4;
  if (pitch * height > block.size() - kPixelsOffset) return;
  block_ = std::move(block);
  width_ = width;
  height_ = height;
  bytesPerPixel_ = bytesPerPixel;
}

namespace {

// FreeImage in the decoding child (set by decodeRequest before any use).
const FreeImageLibrary* fi = nullptr;

// The size an image claims, read from its header alone.
struct ClaimedSize {
  uint64_t width = 0;
  uint64_t height = 0;
  unsigned bitsPerPixel = 0;
};

uint32_t le16(const unsigned char* b) { return uint32_t{b[0]} | uint32_t{b[1]} << 8; }
uint32_t le32(const unsigned char* b) { return le16(b) | le16(b + 2) << 16; }

// A GIF's first image descriptor, which is what FreeImage allocates for.
bool gifSize(std::string_view bytes, ClaimedSize& size) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  if (n < 13) return false;
  std::size_t p = 13;
  if (b[10] & 0x80) p += std::size_t{3} << ((b[10] & 7) + 1);  // the global colour table
  while (p < n) {
    if (b[p] == 0x2C) {  // image descriptor: left, top, width, height
      if (n - p < 9) return false;
      size = {le16(b + p + 5), le16(b + p + 7), 8};
      return true;
    }
    if (b[p] != 0x21 || n - p < 2) return false;
    p += 2;  // an extension: its label, then sub-blocks up to an empty one
    while (p < n && b[p] != 0) p += std::size_t{b[p]} + 1;
    ++p;
  }
  return false;
}

uint32_t be32(const unsigned char* b) {
  return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
}

// An icon's first image, which is what FreeImage decodes. FreeImage's icon
// reader trusts the file: it reads past the end into uninitialised fields
// (a cut-short icon gave another made-up size at every load, one of them
// gigabytes, so its header-only load cannot be trusted) and writes past its
// buffers when the bitmap header is odd. So the directory, and after it the
// whole first image, must lie in the file: a PNG with its IHDR, or a
// BITMAPINFOHEADER of 40 bytes, one plane and a standard depth, followed by
// its palette, colour rows and mask rows (its height counts both).
bool icoSize(std::string_view bytes, ClaimedSize& size) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  if (n < 6) return false;
  const uint32_t count = le16(b + 4);
  const std::size_t directoryEnd = 6 + std::size_t{16} * count;
  if (count == 0 || n < directoryEnd) return false;
  const std::size_t offset = le32(b + 6 + 12);
  if (offset < directoryEnd || offset > n || n - offset < 40) return false;
  const unsigned char* image = b + offset;
  static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0) {
    size = {be32(image + 16), be32(image + 20), 32};
    return true;
  }
  const int32_t width = static_cast<int32_t>(le32(image + 4));
  const int32_t height = static_cast<int32_t>(le32(image + 8)) / 2;
  const uint32_t bitsPerPixel = le16(image + 14);
  if (le32(image) != 40 || le16(image + 12) != 1 || width <= 0 || height <= 0) return false;
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 &&
      bitsPerPixel != 32)
    return false;
  const uint64_t palette = bitsPerPixel <= 8 ? uint64_t{4} << bitsPerPixel : 0;
  const uint64_t colourRow = (uint64_t{static_cast<uint32_t>(width)} * bitsPerPixel + 31) / 32 * 4;
  const uint64_t maskRow = (uint64_t{static_cast<uint32_t>(width)} + 31) / 32 * 4;
  if (n - offset < 40 + palette + (colourRow + maskRow) * static_cast<uint32_t>(height)) return false;
  size = {static_cast<uint32_t>(width), static_cast<uint32_t>(height), bitsPerPixel};
  return true;
}

// A TGA file must hold its 18-byte header, the image ID and the colour map
// before any pixel: FreeImage's reader takes a file cut shorter than that
// for a negative length and crashes.
bool tgaHeadersFit(std::string_view bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() < 18) return false;
  const std::size_t colourMap = b[1] ? std::size_t{le16(b + 5)} * ((b[7] + 7u) / 8) : 0;
  return bytes.size() > 18 + std::size_t{b[0]} + colourMap;
}

// "DDS ", the header's size and flags, then height and width.
bool ddsSize(std::string_view bytes, ClaimedSize& size) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() < 20) return false;
  size = {le32(b + 16), le32(b + 12), 32};
  return true;
}

bool claimedSize(FREE_IMAGE_FORMAT fif, FIMEMORY* memory, std::string_view bytes, ClaimedSize& size) {
  if (fif == FIF_TARGA && !tgaHeadersFit(bytes)) return false;
  if (fif == FIF_ICO) return icoSize(bytes, size);
  if (fi->FIFSupportsNoPixels(fif)) {
    fi->SeekMemory(memory, 0, SEEK_SET);
    FIBITMAP* header = fi->LoadFromMemory(fif, memory, FIF_LOAD_NOPIXELS);
    if (!header) return false;
    size = {fi->GetWidth(header), fi->GetHeight(header), fi->GetBPP(header)};
    fi->Unload(header);
    return true;
  }
  // FreeImage reads these headers only while it decodes: read the size here.
  switch (fif) {
    case FIF_GIF: return gifSize(bytes, size);
    case FIF_DDS: return ddsSize(bytes, size);
    default: return false;
  }
}

// Whether an image of this size may be decoded from a file of `fileBytes`.
bool withinBudget(const ClaimedSize& size, uint64_t fileBytes, uint64_t maxBytes) {
  if (size.width == 0 || size.height == 0) return false;
  if (size.width > maxBytes || size.height > maxBytes) return false;
  const uint64_t pixels = size.width * size.height;
  const uint64_t bytesPerPixel = std::max(4u, (size.bitsPerPixel + 7) / 8);
  return pixels <= maxBytes / bytesPerPixel && pixels / kMaxPixelsPerFileByte <= fileBytes;
}

// Owns a FreeImage bitmap for the decoding child.
struct Bitmap {
  explicit Bitmap(FIBITMAP* b = nullptr) : bitmap(b) {}
  ~Bitmap() {
    if (bitmap) fi->Unload(bitmap);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(Bitmap&& other) noexcept {
    std::swap(bitmap, other.bitmap);
    return *this;
  }
  FIBITMAP* bitmap;
};

// A 32-bit copy of the bitmap; null when FreeImage cannot convert it.
FIBITMAP* convertedTo32(FIBITMAP* source) {
  if (fi->GetImageType(source) == FIT_BITMAP) return fi->ConvertTo32Bits(source);
  // 16-bit channels, floats, complex numbers: scale to 8-bit channels first.
  const Bitmap standard(fi->ConvertToStandardType(source, TRUE));
  return standard.bitmap ? fi->ConvertTo32Bits(standard.bitmap) : nullptr;
}

// A copy scaled down so that neither side exceeds `maxSide`, keeping the
// shape; null when FreeImage cannot scale it.
FIBITMAP* scaledToFit(FIBITMAP* source, unsigned maxSide) {
  const unsigned width = fi->GetWidth(source), height = fi->GetHeight(source);
  const double scale = static_cast<double>(maxSide) / std::max(width, height);
  const int w = std::max(1, static_cast<int>(width * scale)), h = std::max(1, static_cast<int>(height * scale));
  return fi->Rescale(source, w, h, FILTER_BOX);
}

// Decodes the whole image once its claimed size has passed the checks.
FIBITMAP* decodeChecked(std::string_view bytes, const std::string& fileName, uint64_t maxBytes) {
  // FreeImage reads from memory through a 32-bit size; it only reads the bytes.
  if (bytes.empty() || bytes.size() > 0x7fffffff) return nullptr;
  FIMEMORY* memory =
      fi->OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), static_cast<DWORD>(bytes.size()));
  if (!memory) return nullptr;
  FREE_IMAGE_FORMAT fif = fi->GetFileTypeFromMemory(memory, 0);
  if (fif == FIF_UNKNOWN) fif = fi->GetFIFFromFilename(fileName.c_str());
  ClaimedSize size;
  FIBITMAP* bitmap = nullptr;
  if (fif != FIF_UNKNOWN && fi->FIFSupportsReading(fif) && claimedSize(fif, memory, bytes, size) &&
      withinBudget(size, bytes.size(), maxBytes)) {
    fi->SeekMemory(memory, 0, SEEK_SET);
    bitmap = fi->LoadFromMemory(fif, memory, 0);
  }
  fi->CloseMemory(memory);
  return bitmap;
}

// What the decoding child is asked, after the answer's header in the block;
// the pixels follow, then the file's name and its bytes.
struct DecodeRequest {
  uint64_t fileBytes;
  uint64_t maxBytes;
  uint32_t maxSide;
  uint32_t nameLength;
};
constexpr std::size_t kRequestOffset = 16;
static_assert(kRequestOffset + sizeof(DecodeRequest) <= TextureImage::kPixelsOffset);

// Decodes, converts and scales the image, then writes its rows and header to
// `block` (see TextureImage).
bool decodeInto(unsigned char* block, std::size_t blockBytes, std::string_view bytes, const std::string& fileName,
                unsigned maxSide, uint64_t maxBytes) {
  Bitmap image(decodeChecked(bytes, fileName, maxBytes));
  if (!image.bitmap) return false;
  // The decoder must keep to what the header claimed.
  const unsigned bpp = fi->GetBPP(image.bitmap);
  if (!withinBudget({fi->GetWidth(image.bitmap), fi->GetHeight(image.bitmap), bpp}, bytes.size(),
                    maxBytes))
    return false;

  // Only 8-bit grey, 24-bit and 32-bit pixels map onto a GL format byte for
  // byte. Anything else (1- and 4-bit images, palettes, 16-bit pixels, wide
  // channels) would be read with the wrong size per pixel, past the end of
  // the rows, or as palette indices: convert it to 32-bit BGRA first.
  const bool plain = fi->GetImageType(image.bitmap) == FIT_BITMAP &&
                     (bpp == 24 || bpp == 32 || (bpp == 8 && fi->GetColorType(image.bitmap) == FIC_MINISBLACK));
  if (!plain) image = Bitmap(convertedTo32(image.bitmap));
  if (!image.bitmap) return false;
  unsigned width = fi->GetWidth(image.bitmap), height = fi->GetHeight(image.bitmap);
  if (maxSide > 0 && (width > maxSide || height > maxSide)) {
    image = Bitmap(scaledToFit(image.bitmap, maxSide));
    if (!image.bitmap) return false;
    width = fi->GetWidth(image.bitmap);
    height = fi->GetHeight(image.bitmap);
  }
  const uint32_t bytesPerPixel = fi->GetBPP(image.bitmap) / 8;
  const uint64_t pitch = (uint64_t{width} * bytesPerPixel + 3) / 4 * 4;
  if (!fi->GetBits(image.bitmap) || fi->GetPitch(image.bitmap) < pitch ||
      pitch * height > blockBytes - TextureImage::kPixelsOffset)
    return false;
  for (unsigned row = 0; row < height; ++row)
    std::memcpy(block + TextureImage::kPixelsOffset + row * pitch, fi->GetScanLine(image.bitmap, row), pitch);
  const uint32_t header[3] = {width, height, bytesPerPixel};
  std::memcpy(block, header, sizeof header);
  return true;
}

// The decoding child's work: reads the request from the block and answers
// there.
bool decodeRequest(unsigned char* block, std::size_t size) {
  fi = freeImage();
  if (!fi || size < TextureImage::kPixelsOffset) return false;
  DecodeRequest request;
  std::memcpy(&request, block + kRequestOffset, sizeof request);
  const uint64_t room = size - TextureImage::kPixelsOffset;
  if (request.maxBytes > room || request.nameLength > room - request.maxBytes ||
      request.fileBytes != room - request.maxBytes - request.nameLength)
    return false;
  const unsigned char* name = block + TextureImage::kPixelsOffset + request.maxBytes;
  const std::string fileName(reinterpret_cast<const char*>(name), request.nameLength);
  const std::string_view bytes(reinterpret_cast<const char*>(name + request.nameLength), request.fileBytes);
  return decodeInto(block, TextureImage::kPixelsOffset + request.maxBytes, bytes, fileName, request.maxSide,
                    request.maxBytes);
}

// The helper that decodes textures (see startTextureDecoding). A child may take
// the file's bitmap, a converted copy and a scaled one at the budget, with
// room for the decoder's own tables.
SandboxWorker& decoder() {
  // Each helper opens FreeImage once; its children find it open.
  static SandboxWorker worker(
      decodeRequest, 4 * kMaxTextureImageBytes + (uint64_t{512} << 20), [] { freeImage(); });
  return worker;
}

}  // namespace

TextureImage decodeTextureImage(std::string_view bytes, const std::string& fileName, unsigned maxSide,
                                uint64_t maxBytes, unsigned timeoutMs) {
  // Room for the largest image the budget allows (it has at most 4 bytes a
  // pixel, and a row padded to 4 bytes is no longer than 4 bytes a pixel),
  // then the request.
  const uint64_t room = uint64_t{TextureImage::kPixelsOffset} + maxBytes + fileName.size() + bytes.size();
  // FreeImage reads from memory through a 32-bit size: a larger file is
  // refused here, before it is copied.
  if (maxBytes > kMaxTextureImageBytes || bytes.empty() || bytes.size() > 0x7fffffff ||
      fileName.size() > UINT32_MAX || room > SIZE_MAX / 2)
    return {};
  SharedMemory block(static_cast<std::size_t>(room));
  if (!block) return {};
  const DecodeRequest request{bytes.size(), maxBytes, maxSide, static_cast<uint32_t>(fileName.size())};
  std::memcpy(block.data() + kRequestOffset, &request, sizeof request);
  unsigned char* name = block.data() + TextureImage::kPixelsOffset + maxBytes;
  std::memcpy(name, fileName.data(), fileName.size());
  std::memcpy(name + fileName.size(), bytes.data(), bytes.size());
  if (decoder().run(block, timeoutMs) != SandboxOutcome::Finished) return {};
  return TextureImage(std::move(block), maxSide);
}

void startTextureDecoding() { decoder().prepare(); }

SandboxOutcome runInDecodingProcess(platform::SandboxWork work, const SharedMemory& block, unsigned timeoutMs) {
  return decoder().run(block, timeoutMs, work);
}

bool readImageHeader(std::string_view format, std::string_view bytes, uint64_t& width, uint64_t& height) {
  ClaimedSize size;
  bool read = false;
  if (format == "gif") read = gifSize(bytes, size);
  else if (format == "ico") read = icoSize(bytes, size);
  else if (format == "dds") read = ddsSize(bytes, size);
  else if (format == "tga") read = tgaHeadersFit(bytes);
  width = size.width;
  height = size.height;
  return read;
}

namespace {

// The widest texture GL takes.
unsigned maxTextureSide() {
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  return static_cast<unsigned>(std::max(maxSide, 1));
}

// Decodes the image file for upload; empty when it cannot be.
TextureImage decodeFile(const std::string& fileName) {
  // Regular files only: a FIFO or a device never blocks the loader.
  const MappedFile file(fileName);
  if (!file.opened()) return {};
  return decodeTextureImage(file.bytes(), fileName, maxTextureSide());
}

// The built-in fallback: 8 x 8 texels of magenta and black in 2 x 2 squares
// (BGR), a colour a scene rarely uses, so that a missing texture looks missing.
struct Checker {
  unsigned char texels[8 * 8 * 3];
  constexpr Checker() : texels() {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const unsigned char value = ((x / 2 + y / 2) % 2 == 0) ? 255 : 0;
        unsigned char* texel = texels + (y * 8 + x) * 3;
        texel[0] = value;  // blue
        texel[1] = 0;      // green
        texel[2] = value;  // red
      }
  }
};
constexpr Checker kChecker;

}  // namespace

uint32_t TextureManager::LoadTexture(const std::string& fileName) {
  noteFileRead(fileName);
  if (auto it = cache_.find(fileName); it != cache_.end()) return it->second;
  const TextureImage image = decodeFile(fileName);
  if (!image) {
    if (warningsWanted()) {
      warn("cannot load texture \"" + fileName + "\": " +
           describeUnreadableFile(fileName, "not an image that can be decoded") + "; the fallback " +
           (builtInFallback_ ? "checker texture" : "texture") + " is shown instead");
    }
    return 1;
  }
  return uploadNew(fileName, image);
}

uint32_t TextureManager::LoadTextureBytes(const std::string& key, std::string_view bytes, const std::string& fileName) {
  if (auto it = cache_.find(key); it != cache_.end()) return it->second;
  const TextureImage image = decodeTextureImage(bytes, fileName, maxTextureSide());
  if (!image) {
    if (warningsWanted())
      warn("cannot load texture " + key + ": not an image that can be decoded; the fallback " +
           (builtInFallback_ ? "checker texture" : "texture") + " is shown instead");
    return 1;
  }
  return uploadNew(key, image);
}

uint32_t TextureManager::uploadNew(const std::string& key, const TextureImage& image) {
  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) return 1;  // no GL context to upload to
  cache_[key] = name;
  upload(name, image.width(), image.height(), image.bytesPerPixel(), image.pixels());
  return name;
}

bool TextureManager::loadFallbackTexture(const std::string& fileName) {
  if (builtInFallback_) return true;
  if (auto it = cache_.find(fileName); it != cache_.end()) return it->second == kFallbackTexture;
  // Name 1 is taken by a texture of another file: leave that one alone.
  if (glIsTexture(kFallbackTexture)) return false;
  // The compatibility profile makes a texture of any name that is bound, so
  // the fallback takes name 1 whatever names were handed out before.
  if (const TextureImage image = decodeFile(fileName)) {
    upload(kFallbackTexture, image.width(), image.height(), image.bytesPerPixel(), image.pixels());
    if (!glIsTexture(kFallbackTexture)) return false;  // no GL context
    cache_[fileName] = kFallbackTexture;
    return true;
  }
  upload(kFallbackTexture, 8, 8, 3, kChecker.texels);
  if (!glIsTexture(kFallbackTexture)) return false;
  // Nearest texels keep the squares sharp when the checker is magnified.
  glBindTexture(GL_TEXTURE_2D, kFallbackTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  builtInFallback_ = true;
  return true;
}

void TextureManager::upload(uint32_t name, unsigned width, unsigned height, unsigned bytesPerPixel,
                            const unsigned char* pixels) const {
  const GLenum format = bytesPerPixel == 1 ? GL_LUMINANCE : bytesPerPixel == 3 ? GL_BGR_EXT : GL_BGRA_EXT;
  glBindTexture(GL_TEXTURE_2D, name);
  // FreeImage pads every row to a multiple of 4 bytes.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(bytesPerPixel), static_cast<GLint>(width),
                    static_cast<GLint>(height), format, GL_UNSIGNED_BYTE, pixels);
  glPopClientAttrib();
  applySettings();
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
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
