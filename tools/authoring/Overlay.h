#pragma once
// Boxes of text drawn over the finished frame in window pixels, with the
// 5 x 7 pixel font of tools/PixelFont.h: kelvo-scene's message panel, help
// box and statistics. Fitting the lines to a box is a pure function of the
// lines and the room (so it can be tested without GL); drawing saves and
// restores every piece of GL state it touches, so the frame's own state is
// as it was afterwards.

#include <cstddef>
#include <string>
#include <vector>

namespace kelvo::authoring {

struct Colour {
  unsigned char r, g, b;
};

// The contrast ratio of two colours as the web's accessibility guidelines
// define it, from their relative luminance (sRGB): 1 (equal) to 21 (black
// on white). Text wants 4.5 at least.
double contrastRatio(Colour a, Colour b);

struct TextLine {
  std::string text;
  Colour colour;
};

enum class Corner { TopLeft, TopRight, BottomLeft, BottomRight };

// The size text is drawn at: each font pixel is `scale` window pixels.
struct TextMetrics {
  int scale = 2;
  int advance() const { return 6 * scale; }      // 5 columns of ink and a gap
  int lineHeight() const { return 11 * scale; }  // 7 rows, 2 of descender, 2 apart
  int padding() const { return 3 * scale; }      // inside a box, round its lines
  int margin() const { return 4 * scale; }       // between a box and the window edge
};

// Twice the font's size, legible on an ordinary window; the plain size on a
// small one (under 480 pixels wide or 320 high).
TextMetrics metricsFor(int windowWidth, int windowHeight);

// How many columns and lines of text a box can hold whose outer size is at
// most `width` × `height` pixels (margins round it included).
std::size_t columnsFitting(const TextMetrics& m, int width);
std::size_t rowsFitting(const TextMetrics& m, int height);

// `lines` cut to at most `rows` lines of at most `columns` characters, first
// lines first: a line too long ends in "..." at the last column; when the
// lines are more than the rows, the last row says how many were left out
// ("... and N more") in `moreColour`. `hiddenBefore` lines left out already
// count among them.
std::vector<TextLine> fitLines(const std::vector<TextLine>& lines, std::size_t columns, std::size_t rows,
                               Colour moreColour, std::size_t hiddenBefore = 0);

// `line` wrapped into rows of at most `columns` characters, in its colour: a
// row breaks at its last blank when that leaves it at least half full (the
// blank goes), else at the column; the rows after the first start with two
// blanks, so that each line stands apart from the next. An empty line is
// one empty row; no rows for no columns.
std::vector<TextLine> wrapLine(const TextLine& line, std::size_t columns);

// The outer size of a box holding `lines` (without margins): its longest
// line, or `columns` when `fullWidth` columns are asked for.
struct BoxSize {
  int width = 0;
  int height = 0;
};
BoxSize boxSize(const TextMetrics& m, const std::vector<TextLine>& lines, std::size_t columns = 0);

// Draws an opaque box of `background` holding `lines`, a margin away from
// `corner` of a window of `windowWidth` × `windowHeight` pixels, on the
// current GL context; `columns` widens it to that many columns, and a
// `scale` above 0 takes the place of metricsFor's. Nothing for no lines.
// Characters the font lacks are drawn as blanks.
void drawTextBox(const std::vector<TextLine>& lines, Corner corner, Colour background, int windowWidth,
                 int windowHeight, std::size_t columns = 0, int scale = 0);

}  // namespace kelvo::authoring
