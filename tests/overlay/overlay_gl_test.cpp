// Text boxes drawn on a real GL context: in their corner, in their colours,
// and with the frame's GL state as it was afterwards.

#include "support/GLContext.h"

#include "authoring/Overlay.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using namespace kelvo::authoring;

constexpr int kSize = 64;  // the test context's window; the font's plain size
constexpr Colour kBox{20, 40, 60}, kInk{250, 200, 100};

// Everything a box could disturb, read back.
struct State {
  std::vector<GLboolean> enabled;
  std::array<GLfloat, 16> projection{}, modelView{}, texture{};
  std::array<GLfloat, 4> colour{};
  std::array<GLint, 4> viewport{};
  GLint matrixMode = 0, boundTexture = 0, depthFunc = 0, blendSource = 0, alignment = 0, envMode = 0;
  GLint depthMask = 0;
  bool operator==(const State&) const = default;
};

const GLenum kCapabilities[] = {GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_FOG, GL_STENCIL_TEST, GL_CULL_FACE,
                                GL_BLEND, GL_TEXTURE_2D, GL_ALPHA_TEST, GL_SCISSOR_TEST, GL_COLOR_MATERIAL,
                                GL_NORMALIZE, GL_TEXTURE_GEN_S};

State readState() {
  State s;
  for (GLenum c : kCapabilities) s.enabled.push_back(glIsEnabled(c));
  glGetFloatv(GL_PROJECTION_MATRIX, s.projection.data());
  glGetFloatv(GL_MODELVIEW_MATRIX, s.modelView.data());
  glGetFloatv(GL_TEXTURE_MATRIX, s.texture.data());
  glGetFloatv(GL_CURRENT_COLOR, s.colour.data());
  glGetIntegerv(GL_VIEWPORT, s.viewport.data());
  glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
  glGetIntegerv(GL_DEPTH_FUNC, &s.depthFunc);
  glGetIntegerv(GL_BLEND_SRC, &s.blendSource);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &s.alignment);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &s.envMode);
  glGetIntegerv(GL_DEPTH_WRITEMASK, &s.depthMask);
  return s;
}

// A frame's state as odd as the scene may leave it.
void disturb() {
  for (GLenum c : kCapabilities) glEnable(c);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  glBlendFunc(GL_ONE, GL_ONE);
  glDepthFunc(GL_GREATER);
  glDepthMask(GL_FALSE);
  glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
  glViewport(3, 5, 20, 30);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glTranslatef(2, 3, 4);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1, 2, 3);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-1, 3, -2, 1, 1, 10);
}

void undisturb() {
  for (GLenum c : kCapabilities) glDisable(c);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glBlendFunc(GL_ONE, GL_ZERO);
  glViewport(0, 0, kSize, kSize);
  for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
    glMatrixMode(mode);
    glLoadIdentity();
  }
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
    undisturb();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    disturb();
    const State before = readState();
    drawTextBox(lines, c.corner, kBox, kSize, kSize);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(readState() == before);
    undisturb();
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
