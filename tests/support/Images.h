#pragma once
// Writes small test images with FreeImage.

#include <FreeImage.h>

#include <filesystem>
#include <memory>
#include <string>

namespace kelvo::test {

// A width x height image (folders created as needed) of `bpp` bits per pixel (1, 8, 16, 24 or 32), every
// byte set to `value`, saved in `format`. True when written.
inline bool writeImage(const std::string& path, FREE_IMAGE_FORMAT format, int bpp, int width = 4, int height = 4,
                       unsigned char value = 0x80) {
  FIBITMAP* image = bpp == 16 ? FreeImage_Allocate(width, height, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK,
                                                   FI16_565_BLUE_MASK)
                              : FreeImage_Allocate(width, height, bpp);
  if (!image) return false;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  for (int y = 0; y < height; ++y) {
    BYTE* row = FreeImage_GetScanLine(image, y);
    for (unsigned x = 0; x < FreeImage_GetLine(image); ++x) row[x] = value;
  }
  bool ok = FreeImage_Save(format, image, path.c_str(), 0) != 0;
  FreeImage_Unload(image);
  return ok;
}

// A width x height 24-bit image of one colour, saved in `format`. True when written.
inline bool writeColourImage(const std::string& path, FREE_IMAGE_FORMAT format, unsigned char red,
                             unsigned char green, unsigned char blue, int width = 4, int height = 4) {
  FIBITMAP* image = FreeImage_Allocate(width, height, 24);
  if (!image) return false;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  RGBQUAD colour{};
  colour.rgbRed = red;
  colour.rgbGreen = green;
  colour.rgbBlue = blue;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) FreeImage_SetPixelColor(image, x, y, &colour);
  bool ok = FreeImage_Save(format, image, path.c_str(), 0) != 0;
  FreeImage_Unload(image);
  return ok;
}

}  // namespace kelvo::test

namespace kelvo::test {

// A PNG file read back (false when it is none), its pixels addressed from the top left.
class Png {
public:
  explicit Png(const std::string& path)
      : image_(FreeImage_GetFileType(path.c_str(), 0) == FIF_PNG ? FreeImage_Load(FIF_PNG, path.c_str(), 0) : nullptr,
               &FreeImage_Unload) {}
  explicit operator bool() const { return image_ != nullptr; }
  int width() const { return image_ ? static_cast<int>(FreeImage_GetWidth(image_.get())) : 0; }
  int height() const { return image_ ? static_cast<int>(FreeImage_GetHeight(image_.get())) : 0; }
  RGBQUAD at(int x, int y) const {
    RGBQUAD q{};
    if (image_) FreeImage_GetPixelColor(image_.get(), x, height() - 1 - y, &q);
    return q;
  }
  FIBITMAP* bitmap() const { return image_.get(); }

private:
  std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)> image_;
};

// Where the pixels of one colour lie in an image file: how many there are
// and their mean position, x and y in pixels from the top left (0 when none).
struct ColourSpot {
  int count = 0;
  double x = 0.0;
  double y = 0.0;
};

// The spot of the pixels whose red, green and blue values `isColour` takes.
template <class IsColour>
ColourSpot findColour(const std::string& path, IsColour isColour) {
  ColourSpot spot;
  const Png image(path);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const RGBQUAD q = image.at(x, y);
      if (!isColour(q.rgbRed, q.rgbGreen, q.rgbBlue)) continue;
      ++spot.count;
      spot.x += x;
      spot.y += y;
    }
  if (spot.count > 0) {
    spot.x /= spot.count;
    spot.y /= spot.count;
  }
  return spot;
}

// Lit red, as a red material shows in light: plenty of red, little else.
inline bool litRed(int r, int g, int b) { return r > 90 && g < 50 && b < 50; }

}  // namespace kelvo::test
