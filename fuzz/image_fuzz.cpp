// Texture images: any bytes through the size checks and the decoder, as the
// texture manager reads a file, but without GL. The decoder runs in a child
// process, so nothing FreeImage does with a bad file may stop this one: a
// crash there is a failed load, and the target checks only what comes back.
// Our own header readers also run here, in this process, where the
// sanitizers and the coverage see them. The largest side allowed is kept
// small, so that images that pass the checks are also scaled down, and so is
// the memory budget (1 MB of pixels instead of 256 MB): a few bytes of
// compressed file can claim millions of pixels, and decoding those is the
// library's time, not ours, while the checks run the same either way.

#include "material/TextureManager.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
constexpr uint64_t kImageBytes = uint64_t{1} << 20;
constexpr unsigned kSide = 64;
constexpr unsigned kTimeoutMs = 2000;
}  // namespace

// The decoding helper is made before main, so before the fuzzer fills its
// own tables (some 25 MB): each input's process is a copy of the helper, and
// a copy costs by the memory written.
namespace {
[[gnu::constructor]] void startDecodingEarly() { qor::startTextureDecoding(); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const char* format : {"gif", "ico", "dds", "tga"}) {
    uint64_t width = 0, height = 0;
    qor::readImageHeader(format, bytes, width, height);
  }
  // The name gives the type only when the contents do not (TGA has no
  // signature). Each decoding costs a process, so one name per input, chosen
  // by its length.
  const char* name = size % 2 ? "fuzz.tga" : "fuzz.png";
  const qor::TextureImage image = qor::decodeTextureImage(bytes, name, kSide, kImageBytes, kTimeoutMs);
  if (!image) return 0;
  if (image.width() > kSide || image.height() > kSide || !image.pixels()) __builtin_trap();
  // Every byte of every row must be readable.
  const std::size_t pitch = (std::size_t{image.width()} * image.bytesPerPixel() + 3) / 4 * 4;
  unsigned sum = 0;
  for (std::size_t i = 0; i < pitch * image.height(); ++i) sum += image.pixels()[i];
  if (sum == ~0u) __builtin_trap();
  return 0;
}
