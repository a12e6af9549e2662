#include "content/Canvas.h"

#include "ImageFile.h"
#include "PixelFont.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>

namespace kelvo::content {

namespace {

uint8_t channel(float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// Coverage of a pixel by a shape, from 4 × 4 samples.
template <class Inside>
float coverage(int x, int y, Inside inside) {
  int hits = 0;
  for (int sy = 0; sy < 4; ++sy)
    for (int sx = 0; sx < 4; ++sx) hits += inside(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4.0f,
                                                  static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4.0f);
  return static_cast<float>(hits) / 16.0f;
}

}  // namespace

Rgb mix(Rgb from, Rgb to, float t) {
  auto lerp = [t](uint8_t a, uint8_t b) { return channel(static_cast<float>(a) + (static_cast<float>(b) - a) * t); };
  return {lerp(from.r, to.r), lerp(from.g, to.g), lerp(from.b, to.b)};
}

Rgb shade(Rgb c, float f) { return {channel(c.r * f), channel(c.g * f), channel(c.b * f)}; }

Canvas::Canvas(int width, int height, Rgb ground)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), ground) {}

Rgb Canvas::get(int x, int y) const {
  x = std::clamp(x, 0, width_ - 1);
  y = std::clamp(y, 0, height_ - 1);
  return pixels_[static_cast<std::size_t>(y * width_ + x)];
}

void Canvas::set(int x, int y, Rgb c) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[static_cast<std::size_t>(y * width_ + x)] = c;
}

void Canvas::blend(int x, int y, Rgb c, float a) {
  if (a > 0.0f) set(x, y, mix(get(x, y), c, std::min(a, 1.0f)));
}

void Canvas::rect(int x0, int y0, int x1, int y1, Rgb c) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) set(x, y, c);
}

void Canvas::frame(int x0, int y0, int x1, int y1, int t, Rgb c) {
  rect(x0, y0, x1, y0 + t, c);
  rect(x0, y1 - t, x1, y1, c);
  rect(x0, y0, x0 + t, y1, c);
  rect(x1 - t, y0, x1, y1, c);
}

void Canvas::gradient(int x0, int y0, int x1, int y1, Rgb top, Rgb bottom) {
  for (int y = y0; y < y1; ++y) {
    const float t = y1 - y0 > 1 ? static_cast<float>(y - y0) / static_cast<float>(y1 - y0 - 1) : 0.0f;
    rect(x0, y, x1, y + 1, mix(top, bottom, t));
  }
}

void Canvas::disc(float cx, float cy, float radius, Rgb c, float opacity) {
  const int x0 = static_cast<int>(std::floor(cx - radius)), x1 = static_cast<int>(std::ceil(cx + radius));
  const int y0 = static_cast<int>(std::floor(cy - radius)), y1 = static_cast<int>(std::ceil(cy + radius));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      blend(x, y, c, opacity * coverage(x, y, [&](float px, float py) {
        return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius;
      }));
}

void Canvas::triangle(float x0, float y0, float x1, float y1, float x2, float y2, Rgb c) {
  auto edge = [](float ax, float ay, float bx, float by, float px, float py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
  };
  const float area = edge(x0, y0, x1, y1, x2, y2);
  const int left = static_cast<int>(std::floor(std::min({x0, x1, x2})));
  const int right = static_cast<int>(std::ceil(std::max({x0, x1, x2})));
  const int top = static_cast<int>(std::floor(std::min({y0, y1, y2})));
  const int bottom = static_cast<int>(std::ceil(std::max({y0, y1, y2})));
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x)
      blend(x, y, c, coverage(x, y, [&](float px, float py) {
        const float a = edge(x0, y0, x1, y1, px, py), b = edge(x1, y1, x2, y2, px, py),
                    d = edge(x2, y2, x0, y0, px, py);
        return area > 0 ? (a >= 0 && b >= 0 && d >= 0) : (a <= 0 && b <= 0 && d <= 0);
      }));
}

void Canvas::text(int x, int y, std::string_view line, int scale, Rgb c) {
  using namespace pixelfont;
  for (const char ch : line) {
    if (const Glyph* g = findGlyph(static_cast<unsigned char>(ch))) {
      for (int row = 0; row < kInkRows + kDescender && g->rows[row]; ++row)
        for (int col = 0; col < 5 && g->rows[row][col]; ++col)
          if (g->rows[row][col] == '#') rect(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, c);
    }
    x += 6 * scale;
  }
}

int Canvas::textWidth(std::string_view line, int scale) {
  return line.empty() ? 0 : static_cast<int>(line.size()) * 6 * scale - scale;
}

void Canvas::textCentred(int cx, int y, std::string_view line, int scale, Rgb c) {
  text(cx - textWidth(line, scale) / 2, y, line, scale, c);
}

namespace {

bool save(const Canvas& canvas, FREE_IMAGE_FORMAT format, int flags, const std::string& path) {
  FIBITMAP* bitmap = FreeImage_Allocate(canvas.width(), canvas.height(), 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                        FI_RGBA_BLUE_MASK);
  if (!bitmap) return false;
  for (int y = 0; y < canvas.height(); ++y) {
    // FreeImage keeps the bottom row first.
    BYTE* row = FreeImage_GetScanLine(bitmap, canvas.height() - 1 - y);
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgb c = canvas.get(x, y);
      row[3 * x + FI_RGBA_RED] = c.r;
      row[3 * x + FI_RGBA_GREEN] = c.g;
      row[3 * x + FI_RGBA_BLUE] = c.b;
    }
  }
  const bool ok = kelvo::tools::saveImage(bitmap, format, flags, path);
  FreeImage_Unload(bitmap);
  return ok;
}

}  // namespace

bool Canvas::savePng(const std::string& path) const { return save(*this, FIF_PNG, PNG_Z_BEST_COMPRESSION, path); }

bool Canvas::saveJpeg(const std::string& path) const { return save(*this, FIF_JPEG, JPEG_QUALITYGOOD, path); }

}  // namespace kelvo::content
