#pragma once
// WCAG 2 relative luminance and contrast ratio of 8-bit sRGB colours, for tests of legible text.

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvo::test {

using Rgb8 = std::array<int, 3>;  // red, green, blue, 0 … 255

inline double relativeLuminance(const Rgb8& c) {
  auto linear = [](int v) {
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c[0]) + 0.7152 * linear(c[1]) + 0.0722 * linear(c[2]);
}

// From 1 (the same luminance) to 21 (black on white); 4.5 is the least for legible text.
inline double contrastRatio(const Rgb8& a, const Rgb8& b) {
  const double la = relativeLuminance(a), lb = relativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace kelvo::test
