// Text boxes drawn on a real GL context: in their corner, in their colours,
// and with the frame's GL state as it was afterwards.

#include "support/GLContext.h"

#include "authoring/Overlay.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kelvo::authoring;

constexpr int kSize = 64;  // the test context's window; the font's plain size
constexpr Colour kBox{20, 40, 60}, kInk{250, 200, 100};

// Everything a box could disturb, read back: enables, then matrices, colour
// and other state.
std::vector<GLfloat> readState() {
  std::vector<GLfloat> s;
  for (GLenum c : {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_STENCIL_TEST, GL_CULL_FACE, GL_BLEND, GL_TEXTURE_2D,
                   GL_ALPHA_TEST, GL_SCISSOR_TEST, GL_COLOR_MATERIAL, GL_TEXTURE_GEN_S})
    s.push_back(glIsEnabled(c));
  for (GLenum q : {GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX, GL_TEXTURE_MATRIX, GL_CURRENT_COLOR, GL_VIEWPORT,
                   GL_MATRIX_MODE, GL_TEXTURE_BINDING_2D, GL_DEPTH_FUNC, GL_DEPTH_WRITEMASK, GL_BLEND_SRC,
                   GL_UNPACK_ALIGNMENT}) {
    GLfloat v[16] = {};
    glGetFloatv(q, v);
    s.insert(s.end(), v, v + 16);
  }
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  s.push_back(static_cast<GLfloat>(env));
  return s;
}

// A frame's state as odd as the scene may leave it, or back to plain.
void disturb(bool odd) {
  for (GLenum c : {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_STENCIL_TEST, GL_CULL_FACE, GL_BLEND, GL_TEXTURE_2D,
                   GL_TEXTURE_GEN_S})
    odd ? glEnable(c) : glDisable(c);
  static GLuint texture = 0;
  if (!texture) glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, odd ? texture : 0);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, odd ? GL_DECAL : GL_MODULATE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, odd ? 8 : 4);
  glBlendFunc(odd ? GL_ONE : GL_SRC_ALPHA, GL_ONE);
  glDepthFunc(odd ? GL_GREATER : GL_LESS);
  glDepthMask(odd ? GL_FALSE : GL_TRUE);
  glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
  glViewport(odd ? 3 : 0, odd ? 5 : 0, odd ? 20 : kSize, odd ? 30 : kSize);
  for (GLenum mode : {GL_TEXTURE, GL_MODELVIEW, GL_PROJECTION}) {
    glMatrixMode(mode);
    glLoadIdentity();
    if (odd) glTranslatef(mode == GL_TEXTURE ? 2.0f : 1.0f, 3.0f, 4.0f);
  }
  if (!odd) glMatrixMode(GL_MODELVIEW);
}

// The back buffer, top row first, as "." black, "#" box, "*" ink, "?" other.
std::vector<std::string> picture() {
  std::vector<unsigned char> rgb(kSize * kSize * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  std::vector<std::string> rows(kSize, std::string(kSize, '?'));
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const unsigned char* p = &rgb[static_cast<std::size_t>(((kSize - 1 - y) * kSize + x) * 3)];
      auto is = [p](Colour c) { return p[0] == c.r && p[1] == c.g && p[2] == c.b; };
      rows[y][x] = is({0, 0, 0}) ? '.' : is(kBox) ? '#' : is(kInk) ? '*' : '?';
    }
  return rows;
}

class OverlayDrawTest : public kelvo::test::GLTest {};

TEST_F(OverlayDrawTest, ABoxSitsInItsCornerInItsColoursAndLeavesTheStateAsItWas) {
  // "I" at the plain size: a box of 6 + 6 by 11 + 6 pixels, 4 from the edges;
  // the letter's top bar 3 columns wide, a pixel below the box's padding.
  const std::vector<TextLine> lines{{"I", kInk}};
  struct Case {
    Corner corner;
    int left, top;
  };
  for (const Case& c : {Case{Corner::TopLeft, 4, 4}, Case{Corner::TopRight, kSize - 4 - 12, 4},
                        Case{Corner::BottomLeft, 4, kSize - 4 - 17}, Case{Corner::BottomRight, kSize - 16, kSize - 21}}) {
    disturb(false);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    disturb(true);
    const std::vector<GLfloat> before = readState();
    drawTextBox(lines, c.corner, kBox, kSize, kSize);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(readState(), before);
    disturb(false);
    const std::vector<std::string> rows = picture();
    const int x = c.left, y = c.top;
    // The box's corners, the pixels just outside it, the letter's top bar.
    EXPECT_EQ(rows[y][x], '#');
    EXPECT_EQ(rows[y + 16][x + 11], '#');
    EXPECT_EQ(rows[y - 1][x], '.');
    EXPECT_EQ(rows[y][x - 1], '.');
    EXPECT_EQ(rows[y + 17][x + 12], '.');
    EXPECT_EQ(rows[y + 4].substr(x + 3, 5), "#***#") << c.left << "," << c.top;
    EXPECT_EQ(rows[y + 5].substr(x + 3, 5), "##*##");
  }
}

}  // namespace
