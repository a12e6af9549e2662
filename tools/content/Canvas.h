#pragma once
// An RGB image addressed from its top left corner, with the few drawing
// operations the show's textures and slides need, and text in the 5 x 7
// pixel font drawn at any whole-number scale.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::content {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

// `from` moved towards `to` by t (0 … 1).
Rgb mix(Rgb from, Rgb to, float t);
// Each channel times f, clamped.
Rgb shade(Rgb c, float f);

// A small repeatable random source (a 32-bit linear congruential
// generator), so that every run draws the same noise.
class Random {
public:
  explicit Random(uint32_t seed) : state_(seed) {}
  uint32_t next() { return (state_ = state_ * 1664525u + 1013904223u) >> 8; }
  // 0 … 1 (both ends included).
  float unit() { return static_cast<float>(next() & 0xFFFF) / 65535.0f; }

private:
  uint32_t state_;
};

class Canvas {
public:
  Canvas(int width, int height, Rgb ground = {});
  int width() const { return width_; }
  int height() const { return height_; }

  Rgb get(int x, int y) const;
  void set(int x, int y, Rgb c);
  // Draws c over the pixel with opacity a (0 … 1).
  void blend(int x, int y, Rgb c, float a);
  // Rectangles take x0, y0 inclusive and x1, y1 exclusive.
  void rect(int x0, int y0, int x1, int y1, Rgb c);
  void frame(int x0, int y0, int x1, int y1, int thickness, Rgb c);
  // Top-to-bottom gradient.
  void gradient(int x0, int y0, int x1, int y1, Rgb top, Rgb bottom);
  // A filled disc; pixels on its rim are blended by coverage (4 × 4 samples).
  void disc(float cx, float cy, float radius, Rgb c, float opacity = 1.0f);
  // A filled triangle (the same coverage rule).
  void triangle(float x0, float y0, float x1, float y1, float x2, float y2, Rgb c);
  // A line of the pixel font with its top left corner at (x, y): every font
  // pixel becomes a scale × scale square.
  void text(int x, int y, std::string_view line, int scale, Rgb c);
  // The same, centred on column cx.
  void textCentred(int cx, int y, std::string_view line, int scale, Rgb c);
  static int textWidth(std::string_view line, int scale);

  // PNG (lossless) or JPEG (the fallback texture's format). The files carry
  // no time stamp, so the same image always gives the same bytes.
  bool savePng(const std::string& path) const;
  bool saveJpeg(const std::string& path) const;

private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

}  // namespace kelvo::content
