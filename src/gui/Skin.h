#pragma once
// Where each part of the GUI sits in the skin image and in the font image.
// The drawing code and the generator of the installation's images
// (tools/kelvo-gui-art.cpp) share these numbers, so the two cannot drift.

#include <cstdint>

namespace qor::gui::skin {

// The skin image is 128 × 128 texels; rectangles are in texels from its top
// left corner (x0, y0 inclusive, x1, y1 exclusive).
constexpr int32_t kSize = 128;

struct Rect {
  int32_t x0, y0, x1, y1;
  // Texture coordinates: s grows to the right, t upwards (t = 1 is the top
  // row of the image as it is seen).
  constexpr float s0() const { return static_cast<float>(x0) / kSize; }
  constexpr float s1() const { return static_cast<float>(x1) / kSize; }
  constexpr float tTop() const { return 1.0f - static_cast<float>(y0) / kSize; }
  constexpr float tBottom() const { return 1.0f - static_cast<float>(y1) / kSize; }
};

// The title bar's three slices: s 0 … 0.5, 0.5 … 0.75 and 0.75 … 1, t from
// 0.789062 (its bottom) to 1. The left and right slices are drawn 63 units
// wide, the middle one stretched over what lies between.
constexpr Rect kTitleLeft{0, 0, 64, 27};
constexpr Rect kTitleMiddle{64, 0, 96, 27};
constexpr Rect kTitleRight{96, 0, 128, 27};
constexpr float kTitleBottomT = 0.789062f;
constexpr int32_t kTitleSliceWidth = 63;
// The close box as painted in the right slice: the window's close box
// (22 … 6 units left of its right edge) maps onto these texels.
constexpr Rect kCloseBox{117, 5, 125, 21};

// Check boxes and radio buttons: s 0.5625 … 0.6875 unchecked and
// 0.6875 … 0.8125 checked; t 0.625 … 0.75 for check boxes, 0.5 … 0.625
// for radio buttons.
constexpr Rect kCheckOff{72, 32, 88, 48};
constexpr Rect kCheckOn{88, 32, 104, 48};
constexpr Rect kRadioOff{72, 48, 88, 64};
constexpr Rect kRadioOn{88, 48, 104, 64};

// Solid areas, sampled 4 texels inside their edges so that linear filtering
// never reaches a neighbour.
constexpr Rect kBorder{0, 32, 32, 64};
constexpr Rect kBody{32, 32, 64, 64};
constexpr Rect kPanel{0, 64, 32, 96};
constexpr Rect kButton{32, 64, 64, 96};
constexpr Rect kButtonPressed{64, 64, 96, 96};
constexpr Rect kConsole{96, 64, 128, 96};
constexpr int32_t kSolidInset = 4;

constexpr Rect inset(Rect r) { return {r.x0 + kSolidInset, r.y0 + kSolidInset, r.x1 - kSolidInset, r.y1 - kSolidInset}; }

// The window's borders below the title bar.
constexpr int32_t kBorderWidth = 6;

}  // namespace qor::gui::skin

namespace qor::gui::font {

// The font image: 256 × 256 texels, a 16 × 16 grid of 16-texel cells,
// character 0 in the top left cell and rows running downwards. A glyph is
// drawn 6 units wide from texel 5 of its cell (6.5 texels over 6 units, so
// nearest sampling takes texels 5 … 10 once each) and 16 units high.
constexpr int32_t kImageSize = 256;
constexpr int32_t kCell = 16;
constexpr int32_t kGlyphLeft = 5;
constexpr int32_t kGlyphWidth = 6;
constexpr int32_t kGlyphHeight = 16;
// The pen advances one unit more than a glyph is wide.
constexpr int32_t kAdvance = kGlyphWidth + 1;
// The glyphs are drawn 5 × 7 (capitals), their top row this far below the
// top of the cell; descenders reach two rows lower.
constexpr int32_t kInkTop = 3;
constexpr int32_t kInkRows = 7;
constexpr int32_t kDescender = 2;

}  // namespace qor::gui::font
