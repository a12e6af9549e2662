// Texture images: any bytes through the size checks and the decoder, as the
// texture manager reads a file, but without GL. The largest side allowed is
// kept small, so that images that pass the checks are also scaled down, and
// so is the memory budget (1 MB of pixels instead of 256 MB): a few bytes of
// compressed file can claim millions of pixels, and decoding those is the
// library's time, not ours, while the checks run the same either way.

#include "material/TextureManager.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
constexpr uint64_t kImageBytes = uint64_t{1} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The name gives the type only when the contents do not (TGA has no
  // signature): try both.
  for (const char* name : {"fuzz.png", "fuzz.tga"}) {
    const qor::TextureImage image = qor::decodeTextureImage(bytes, name, 64, kImageBytes);
    if (image && (image.width() > 64 || image.height() > 64 || !image.pixels())) __builtin_trap();
  }
  return 0;
}
