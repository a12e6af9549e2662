// kelvo-gui-art: draws the GUI's images for an installation folder: the skin
// (window title bars, borders, close box, check boxes, radio buttons,
// panels, buttons, the console's background), the bitmap font with its
// metrics file, and the "GUIConfig.txt" that names them. The layout of both
// images comes from gui/Skin.h, which the drawing code reads too.
//
//   kelvo-gui-art [--help] [--] DIR     writes DIR/GUIConfig.txt and DIR/Data/GUI/...

#include "FolderArgument.h"
#include "ImageFile.h"
#include "PixelFont.h"
#include "gui/Skin.h"
#include "util/MappedFile.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace qor::gui;
using kelvo::pixelfont::Glyph;
using kelvo::pixelfont::kGlyphs;

struct Colour {
  uint8_t r, g, b, a = 255;
};

Colour mix(Colour from, Colour to, float t) {
  auto lerp = [t](uint8_t a, uint8_t b) { return static_cast<uint8_t>(std::lround(a + (b - a) * t)); };
  return {lerp(from.r, to.r), lerp(from.g, to.g), lerp(from.b, to.b), lerp(from.a, to.a)};
}

// An RGBA image addressed from its top left corner.
class Image {
public:
  Image(int width, int height) : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height)) {}
  void set(int x, int y, Colour c) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[static_cast<std::size_t>(y * width_ + x)] = c;
  }
  void fill(const skin::Rect& r, Colour c) {
    for (int y = r.y0; y < r.y1; ++y)
      for (int x = r.x0; x < r.x1; ++x) set(x, y, c);
  }
  // A top-to-bottom gradient over the rectangle.
  void gradient(const skin::Rect& r, Colour top, Colour bottom) {
    for (int y = r.y0; y < r.y1; ++y) {
      const float t = r.y1 - r.y0 > 1 ? static_cast<float>(y - r.y0) / static_cast<float>(r.y1 - r.y0 - 1) : 0.0f;
      for (int x = r.x0; x < r.x1; ++x) set(x, y, mix(top, bottom, t));
    }
  }
  bool save(const std::string& path) const {
    FIBITMAP* bitmap = FreeImage_Allocate(width_, height_, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
    if (!bitmap) return false;
    for (int y = 0; y < height_; ++y) {
      // FreeImage keeps the bottom row first.
      BYTE* row = FreeImage_GetScanLine(bitmap, height_ - 1 - y);
      for (int x = 0; x < width_; ++x) {
        const Colour& c = pixels_[static_cast<std::size_t>(y * width_ + x)];
        row[4 * x + FI_RGBA_RED] = c.r;
        row[4 * x + FI_RGBA_GREEN] = c.g;
        row[4 * x + FI_RGBA_BLUE] = c.b;
        row[4 * x + FI_RGBA_ALPHA] = c.a;
      }
    }
    const bool ok = kelvo::tools::saveImage(bitmap, FIF_PNG, PNG_DEFAULT, path);
    FreeImage_Unload(bitmap);
    return ok;
  }

private:
  int width_, height_;
  std::vector<Colour> pixels_;
};

// ---- the skin ------------------------------------------------------------------------

constexpr Colour kClear{0, 0, 0, 0};
constexpr Colour kDark{60, 64, 80};
constexpr Colour kWhite{255, 255, 255};

void drawTitleBar(Image& image) {
  using namespace skin;
  const Rect bar{0, 0, kSize, kTitleLeft.y1};
  image.gradient(bar, {214, 226, 246}, {150, 172, 214});
  for (int x = 0; x < kSize; ++x) {
    image.set(x, 0, {240, 245, 253});
    image.set(x, bar.y1 - 1, {90, 104, 140});
  }
  // Outer edges of the two caps, with rounded top corners.
  for (int y = 0; y < bar.y1; ++y) {
    image.set(kTitleLeft.x0, y, {90, 104, 140});
    image.set(kTitleRight.x1 - 1, y, {90, 104, 140});
  }
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}}) {
    image.set(kTitleLeft.x0 + x, y, kClear);
    image.set(kTitleRight.x1 - 1 - x, y, kClear);
  }
  // The close box: red with a white cross. It is stretched to twice its
  // width on screen, so the cross runs from corner to corner of 8 × 16.
  const Rect box = kCloseBox;
  image.fill(box, {196, 64, 52});
  for (int y = box.y0; y < box.y1; ++y) {
    image.set(box.x0, y, {110, 30, 24});
    image.set(box.x1 - 1, y, {110, 30, 24});
  }
  for (int x = box.x0; x < box.x1; ++x) {
    image.set(x, box.y0, {110, 30, 24});
    image.set(x, box.y1 - 1, {110, 30, 24});
  }
  const int w = box.x1 - box.x0 - 2;
  const int h = box.y1 - box.y0 - 2;
  for (int i = 0; i < h; ++i) {
    const int dx = static_cast<int>(std::lround(static_cast<float>(i) * static_cast<float>(w - 1) / static_cast<float>(h - 1)));
    image.set(box.x0 + 1 + dx, box.y0 + 1 + i, kWhite);
    image.set(box.x1 - 2 - dx, box.y0 + 1 + i, kWhite);
  }
}

void drawCheckBox(Image& image, const skin::Rect& r, bool checked) {
  image.fill(r, kClear);
  const skin::Rect frame{r.x0 + 1, r.y0 + 1, r.x1 - 1, r.y1 - 1};
  image.fill(frame, kDark);
  image.fill({frame.x0 + 1, frame.y0 + 1, frame.x1 - 1, frame.y1 - 1}, kWhite);
  if (!checked) return;
  // A tick, two texels thick: down from the left, then up to the right.
  const Colour ink{30, 110, 40};
  auto dab = [&](int x, int y) {
    image.set(r.x0 + x, r.y0 + y, ink);
    image.set(r.x0 + x, r.y0 + y + 1, ink);
  };
  for (int i = 0; i <= 2; ++i) dab(4 + i, 7 + i);
  for (int i = 0; i <= 5; ++i) dab(6 + i, 9 - i);
}

void drawRadioButton(Image& image, const skin::Rect& r, bool checked) {
  image.fill(r, kClear);
  const float cx = static_cast<float>(r.x0) + 7.5f;
  const float cy = static_cast<float>(r.y0) + 7.5f;
  for (int y = r.y0; y < r.y1; ++y)
    for (int x = r.x0; x < r.x1; ++x) {
      const float d = std::hypot(static_cast<float>(x) - cx, static_cast<float>(y) - cy);
      if (d <= 6.5f) image.set(x, y, d > 5.5f ? kDark : (checked && d <= 3.0f ? Colour{30, 110, 40} : kWhite));
    }
}

Image drawSkin() {
  using namespace skin;
  Image image(kSize, kSize);
  drawTitleBar(image);
  image.fill(kBorder, {112, 128, 160});
  image.fill(kBody, {234, 234, 230});
  image.fill(kPanel, {208, 213, 222});
  image.gradient(kButton, {246, 246, 246}, {196, 200, 210});
  image.gradient(kButtonPressed, {170, 176, 190}, {214, 218, 226});
  // Mid grey, so that both the console's green and its blue stand out.
  image.fill(kConsole, {140, 140, 140});
  drawCheckBox(image, kCheckOff, false);
  drawCheckBox(image, kCheckOn, true);
  drawRadioButton(image, kRadioOff, false);
  drawRadioButton(image, kRadioOn, true);
  return image;
}

// ---- the font --------------------------------------------------------------------------


// The font image (white ink on clear ground: the text's colour comes from
// the drawing colour) and the metrics, 6 for every character that has a
// glyph and 0 for the rest (the space counts as a glyph).
Image drawFont(std::vector<uint8_t>& metrics) {
  using namespace font;
  Image image(kImageSize, kImageSize);
  image.fill({0, 0, kImageSize, kImageSize}, {255, 255, 255, 0});
  metrics.assign(256, 0);
  metrics[' '] = static_cast<uint8_t>(kGlyphWidth);
  for (const Glyph& g : kGlyphs) {
    metrics[g.code] = static_cast<uint8_t>(kGlyphWidth);
    const int left = (g.code % 16) * kCell + kGlyphLeft;
    const int top = (g.code / 16) * kCell + kInkTop;
    for (int row = 0; row < kInkRows + kDescender && g.rows[row]; ++row)
      for (int col = 0; col < 5 && g.rows[row][col]; ++col)
        if (g.rows[row][col] == '#') image.set(left + col, top + row, {255, 255, 255, 255});
  }
  return image;
}

}  // namespace

constexpr char kUsage[] =
    "usage: kelvo-gui-art [--help] [--] DIR\n"
    "\n"
    "Draws the GUI's skin and font images into the installation folder DIR\n"
    "(made if need be): DIR/Data/GUI/skin.png, font.png and font.metrics, and\n"
    "DIR/GUIConfig.txt naming them. The same bytes on every run.\n";

int main(int argc, char** argv) {
  const kelvo::tools::FolderArgument args = kelvo::tools::parseFolderArgument(argc, argv, "kelvo-gui-art", kUsage);
  if (!args.dir) return args.exitStatus;
  namespace fs = std::filesystem;
  const fs::path dir = args.dir;
  std::error_code ec;
  fs::create_directories(dir / "Data" / "GUI", ec);

  FreeImage_Initialise(FALSE);
  std::vector<uint8_t> metrics;
  bool ok = drawSkin().save((dir / "Data/GUI/skin.png").string());
  ok = drawFont(metrics).save((dir / "Data/GUI/font.png").string()) && ok;
  FreeImage_DeInitialise();

  ok = qor::writeRegularFile((dir / "Data/GUI/font.metrics").string(),
                             std::string_view(reinterpret_cast<const char*>(metrics.data()), metrics.size())) &&
       ok;
  ok = qor::writeRegularFile((dir / "GUIConfig.txt").string(),
                             "Data/GUI/skin.png\nData/GUI/font.png\nData/GUI/font.metrics\n") &&
       ok;
  if (!ok) std::fprintf(stderr, "kelvo-gui-art: cannot write the images into %s\n", args.dir);
  return ok ? 0 : 1;
}
