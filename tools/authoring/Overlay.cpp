#include "authoring/Overlay.h"

#include "PixelFont.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvo::authoring {

namespace {

// sRGB channel to linear light.
double linear(unsigned char channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(Colour c) { return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b); }

// The font as one alpha texture: 16 × 16 cells of 8 × 16 texels, a
// character's cell at (code % 16, code / 16), its glyph in the top left
// 5 × 9 texels. A quad shows the top left 6 × 10 texels of a cell, the
// glyph and the gap after it.
constexpr int kCellWidth = 8, kCellHeight = 16;
constexpr int kAtlasWidth = 16 * kCellWidth, kAtlasHeight = 16 * kCellHeight;
constexpr int kQuadColumns = 6, kQuadRows = 10;

GLuint fontTexture = 0;

void makeFontTexture() {
  std::vector<unsigned char> texels(static_cast<std::size_t>(kAtlasWidth) * kAtlasHeight, 0);
  for (const pixelfont::Glyph& glyph : pixelfont::kGlyphs) {
    const int cellX = (glyph.code % 16) * kCellWidth, cellY = (glyph.code / 16) * kCellHeight;
    for (int row = 0; row < pixelfont::kInkRows + pixelfont::kDescender; ++row) {
      const char* ink = glyph.rows[row];
      for (int column = 0; ink && column < 5 && ink[column]; ++column)
        if (ink[column] == '#') texels[static_cast<std::size_t>((cellY + row) * kAtlasWidth + cellX + column)] = 255;
    }
  }
  glGenTextures(1, &fontTexture);
  glBindTexture(GL_TEXTURE_2D, fontTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, kAtlasWidth, kAtlasHeight, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
  glPopClientAttrib();
}

void quad(float x0, float y0, float x1, float y1) {
  glVertex2f(x0, y0);
  glVertex2f(x0, y1);
  glVertex2f(x1, y1);
  glVertex2f(x1, y0);
}

void drawText(const std::string& text, Colour colour, int x, int y, const TextMetrics& m) {
  glColor3ub(colour.r, colour.g, colour.b);
  const float w = static_cast<float>(kQuadColumns * m.scale), h = static_cast<float>(kQuadRows * m.scale);
  const float du = static_cast<float>(kQuadColumns) / kAtlasWidth, dv = static_cast<float>(kQuadRows) / kAtlasHeight;
  float left = static_cast<float>(x);
  const float top = static_cast<float>(y);
  for (const char ch : text) {
    const unsigned char code = static_cast<unsigned char>(ch);
    if (pixelfont::findGlyph(code)) {
      const float u = static_cast<float>((code % 16) * kCellWidth) / kAtlasWidth;
      const float v = static_cast<float>((code / 16) * kCellHeight) / kAtlasHeight;
      glTexCoord2f(u, v);
      glVertex2f(left, top);
      glTexCoord2f(u, v + dv);
      glVertex2f(left, top + h);
      glTexCoord2f(u + du, v + dv);
      glVertex2f(left + w, top + h);
      glTexCoord2f(u + du, v);
      glVertex2f(left + w, top);
    }
    left += static_cast<float>(m.advance());
  }
}

}  // namespace

double contrastRatio(Colour a, Colour b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TextMetrics metricsFor(int windowWidth, int windowHeight) {
  TextMetrics m;
  m.scale = windowWidth < 480 || windowHeight < 320 ? 1 : 2;
  return m;
}

std::size_t columnsFitting(const TextMetrics& m, int width) {
  const int room = width - 2 * m.margin() - 2 * m.padding();
  return room > 0 ? static_cast<std::size_t>(room / m.advance()) : 0;
}

std::size_t rowsFitting(const TextMetrics& m, int height) {
  const int room = height - 2 * m.margin() - 2 * m.padding();
  return room > 0 ? static_cast<std::size_t>(room / m.lineHeight()) : 0;
}

std::vector<TextLine> fitLines(const std::vector<TextLine>& lines, std::size_t columns, std::size_t rows,
                               Colour moreColour, std::size_t hiddenBefore) {
  std::vector<TextLine> out;
  if (columns == 0 || rows == 0) return out;
  const std::size_t total = lines.size() + hiddenBefore;
  const std::size_t shown = total <= rows ? lines.size() : std::min(lines.size(), rows - 1);
  auto cut = [columns](std::string text) {
    if (text.size() > columns) {
      if (columns > 3) text = text.substr(0, columns - 3) + "...";
      else text.resize(columns);
    }
    return text;
  };
  for (std::size_t i = 0; i < shown; ++i) out.push_back({cut(lines[i].text), lines[i].colour});
  if (shown < total) out.push_back({cut("... and " + std::to_string(total - shown) + " more"), moreColour});
  return out;
}

std::vector<TextLine> wrapLine(const TextLine& line, std::size_t columns) {
  std::vector<TextLine> rows;
  if (columns == 0) return rows;
  // Too narrow a box keeps every column for the text.
  const std::string indent = columns > 8 ? "  " : "";
  std::string_view rest = line.text;
  do {
    const std::size_t width = rows.empty() ? columns : columns - indent.size();
    std::size_t take = rest.size();
    if (take > width) {
      take = width;
      const std::size_t blank = rest.rfind(' ', width);
      if (blank != std::string_view::npos && blank >= width / 2) take = blank;
    }
    rows.push_back({(rows.empty() ? std::string() : indent) + std::string(rest.substr(0, take)), line.colour});
    rest.remove_prefix(take);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  } while (!rest.empty());
  return rows;
}

BoxSize boxSize(const TextMetrics& m, const std::vector<TextLine>& lines, std::size_t columns) {
  if (lines.empty()) return {};
  std::size_t widest = columns;
  for (const TextLine& line : lines) widest = std::max(widest, line.text.size());
  return {static_cast<int>(widest) * m.advance() + 2 * m.padding(),
          static_cast<int>(lines.size()) * m.lineHeight() + 2 * m.padding()};
}

void drawTextBox(const std::vector<TextLine>& lines, Corner corner, Colour background, int windowWidth,
                 int windowHeight, std::size_t columns, int scale) {
  if (lines.empty() || windowWidth <= 0 || windowHeight <= 0) return;
  TextMetrics m = metricsFor(windowWidth, windowHeight);
  if (scale > 0) m.scale = scale;
  const BoxSize size = boxSize(m, lines, columns);
  const bool right = corner == Corner::TopRight || corner == Corner::BottomRight;
  const bool bottom = corner == Corner::BottomLeft || corner == Corner::BottomRight;
  const int x = right ? windowWidth - m.margin() - size.width : m.margin();
  const int y = bottom ? windowHeight - m.margin() - size.height : m.margin();

  // Everything this changes goes back as it was: the server state (enables,
  // colour, texture binding and environment, viewport, depth, stencil, fog,
  // lighting, blending, masks) and the three matrices.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  // Window pixels, the top left corner at (0, 0).
  glOrtho(0.0, windowWidth, windowHeight, 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  glViewport(0, 0, windowWidth, windowHeight);
  for (GLenum off : {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_STENCIL_TEST, GL_CULL_FACE, GL_BLEND, GL_SCISSOR_TEST,
                     GL_COLOR_MATERIAL, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_1D, GL_ALPHA_TEST,
                     GL_TEXTURE_2D, GL_LINE_STIPPLE, GL_POLYGON_STIPPLE, GL_DITHER, GL_LOGIC_OP})
    glDisable(off);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glShadeModel(GL_FLAT);

  glColor3ub(background.r, background.g, background.b);
  glBegin(GL_QUADS);
  quad(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + size.width),
       static_cast<float>(y + size.height));
  glEnd();

  // The glyphs: texels of ink pass the alpha test in the line's colour.
  if (fontTexture == 0 || !glIsTexture(fontTexture)) makeFontTexture();
  glBindTexture(GL_TEXTURE_2D, fontTexture);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.5f);
  glBegin(GL_QUADS);
  for (std::size_t i = 0; i < lines.size(); ++i)
    drawText(lines[i].text, lines[i].colour, x + m.padding(),
             y + m.padding() + static_cast<int>(i) * m.lineHeight() + m.scale, m);
  glEnd();

  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

}  // namespace kelvo::authoring
