#pragma once
// Decodes images with FreeImage and uploads each file once, with mipmaps.
// Texture names are cached by file name exactly as requested. A file that
// cannot be decoded (missing, not a regular file, not an image, or too large
// for its header's claims, see decodeTextureImage) yields texture name 1, the
// fallback texture the start-up puts there first (loadFallbackTexture), and
// is not cached (a later request tries again).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Sandbox.h"

namespace qor {

// Decoded pixels ready for upload: 8-bit grey, 24-bit BGR or 32-bit BGRA,
// bottom row first, rows padded to 4 bytes (FreeImage's layout). Holds the
// block the decoding child wrote them to; empty when decoding failed.
class TextureImage {
public:
  TextureImage() = default;
  // Takes `block` when its header describes an image that fits in it within
  // `maxSide` (0: any side); otherwise stays empty.
  TextureImage(platform::SharedMemory block, unsigned maxSide);
  // A moved-from image is empty.
  TextureImage(TextureImage&& other) noexcept { *this = std::move(other); }
  TextureImage& operator=(TextureImage&& other) noexcept {
    block_ = std::move(other.block_);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    bytesPerPixel_ = std::exchange(other.bytesPerPixel_, 0);
    return *this;
  }

  explicit operator bool() const { return width_ != 0; }
  unsigned width() const { return width_; }
  unsigned height() const { return height_; }
  unsigned bytesPerPixel() const { return bytesPerPixel_; }
  const unsigned char* pixels() const { return width_ ? block_.data() + kPixelsOffset : nullptr; }

  // Where the pixels start in the block. Before them: the header (width,
  // height and bytes per pixel, 32 bits each) and the decoder's request.
  static constexpr std::size_t kPixelsOffset = 48;

private:
  platform::SharedMemory block_;
  unsigned width_ = 0, height_ = 0, bytesPerPixel_ = 0;
};

// The most memory a decoded texture image may take: 8192 x 8192 pixels of 4
// bytes. Pixels wider than 4 bytes (16-bit channels, floats) count by their
// own size, narrower ones as 4 bytes, since they are widened for upload.
constexpr uint64_t kMaxTextureImageBytes = uint64_t{256} << 20;
// The most pixels one byte of an image file can stand for: deflate packs at
// most 1032 bytes into one, and a byte holds eight one-bit pixels. No
// format packs denser, short of a run-length file that skips its pixels.
constexpr uint64_t kMaxPixelsPerFileByte = 8 * 1032;

// How long a texture may take to decode before it is given up.
constexpr unsigned kTextureDecodeTimeoutMs = 20000;

// Decodes the bytes of an image file for upload; needs no GL. The type comes
// from the contents, else from `fileName`. Before any pixel is decoded the
// header's size is checked: an image claiming more than `maxBytes`
// (kMaxTextureImageBytes unless a caller asks for less), or more pixels than
// its file can hold, is refused, as are types whose size cannot be read
// without decoding. An image wider or taller than `maxSide` is scaled down to
// fit, keeping its shape. Empty on any failure.
//
// The decoding runs in a child process (see SandboxWorker), which gets a copy
// of the bytes: FreeImage's readers trust their input, and a file that
// crashes one, corrupts its heap, loops or allocates past its limits costs a
// failed load, whatever its format; so does one that takes longer than
// `timeoutMs`. Call it from one thread at a time.
TextureImage decodeTextureImage(std::string_view bytes, const std::string& fileName, unsigned maxSide,
                                uint64_t maxBytes = kMaxTextureImageBytes,
                                unsigned timeoutMs = kTextureDecodeTimeoutMs);

// Starts the process that decodes textures now, rather than at the first
// texture. Each texture is decoded in a copy of that process, and a copy
// costs by the memory the process has written by then: call it early, before
// the window, GL and the scene are made.
void startTextureDecoding();

// Runs other work that reads untrusted files (importing a model with a
// library, say) in a fresh child of the process that decodes textures, under
// the same memory limit, and waits at most `timeoutMs` for it. Call it from
// one thread at a time.
platform::SandboxOutcome runInDecodingProcess(platform::SandboxWork work, const platform::SharedMemory& block,
                                              unsigned timeoutMs);

// Our own readers of the size an image claims, for the formats whose headers
// FreeImage reads only while decoding or cannot be trusted with: "gif" (the
// first image descriptor), "ico" (the first image, which must lie whole in
// the file), "dds"; and "tga", whose headers are only checked to fit (the
// size is then FreeImage's to read). False when the header is cut short or
// malformed. The decoder runs them in its child; they are exposed so that
// they can be exercised in this process too.
bool readImageHeader(std::string_view format, std::string_view bytes, uint64_t& width, uint64_t& height);

// The texture name every material starts with and every failed load gives.
constexpr uint32_t kFallbackTexture = 1;
// The image the start-up puts there, when it can be decoded.
constexpr const char* kFallbackTextureFile = "./Data/Textures/nonTexture.jpg";

class TextureManager {
public:
  // An empty cache. FreeImage is opened by the decoding helper, not here.
  TextureManager();
  // Deletes the cached textures (a no-op without a current context).
  ~TextureManager();
  TextureManager(const TextureManager&) = delete;
  TextureManager& operator=(const TextureManager&) = delete;

  // GL texture name of the image file; 1 when it cannot be decoded.
  uint32_t LoadTexture(const std::string& fileName);
  // The same for an image given as the bytes of its file (one a model file
  // holds), cached under `key`, which no file name may take (it is named
  // after the model, the image's place in it and a digest of its bytes).
  // `fileName` names the image's type when its bytes do not ("x.png").
  uint32_t LoadTextureBytes(const std::string& key, std::string_view bytes, const std::string& fileName);

  // Puts the fallback texture at name 1, so that a material whose texture
  // could not be loaded never shows another one: the image `fileName` when it
  // can be decoded (cached under that name, so LoadTexture of it gives 1),
  // otherwise a built-in checker of magenta and black. Call it before any
  // other texture is loaded, with the context current. False when there is
  // no context, or when name 1 already holds another file's texture (which
  // is then left as it is). Released with the cache by releaseTextures.
  bool loadFallbackTexture(const std::string& fileName);

  // Sets wrap S, T and R to clamp-to-edge (true) or repeat (false) and
  // applies them to the texture bound now.
  void SetTextureWrap(bool clamp);

  // Deletes every cached texture and empties the cache; call while the
  // context is current.
  void releaseTextures();

  // Deletes the texture of `fileName` and forgets it, so that the next
  // LoadTexture decodes the file again (it changed on disk); the fallback
  // texture stays. False when there was none to delete. Call while the
  // context is current, and only when nothing draws with the texture any
  // more.
  bool releaseTexture(std::string_view fileName);

  std::size_t cachedCount() const { return cache_.size(); }

  // Setting codes (see applySettings in TextureManager.cpp for their GL
  // values), applied to each texture as it is uploaded.
  int envMode = 2;         // 1 decal, 2 modulate, 3 blend, 4 combine, 5 replace
  int coordGeneration = 8; // 1 eye linear, 2 object linear, 3 sphere map, other: off
  int filtering = 3;       // 1 linear, 2/3 linear mipmaps, 4..7 anisotropy 2..16
  int wrapS = 3;           // 1 clamp, 2 repeat, 3 clamp to edge
  int wrapT = 3;
  int wrapR = 3;

private:
  void applySettings() const;
  // Uploads a decoded image as a new texture cached under `key`; its name,
  // or 1 without a GL context.
  uint32_t uploadNew(const std::string& key, const TextureImage& image);
  // Uploads the rows (bottom first, padded to 4 bytes) with mipmaps as
  // texture `name`, with the current settings; leaves texturing unbound and off.
  void upload(uint32_t name, unsigned width, unsigned height, unsigned bytesPerPixel,
              const unsigned char* pixels) const;

  std::map<std::string, uint32_t, std::less<>> cache_;
  bool builtInFallback_ = false;  // name 1 holds the built-in checker
};

// The program's texture manager, alive from static initialisation to exit.
extern TextureManager textureManager;

}  // namespace qor
