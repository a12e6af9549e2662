#include "gui/Controls.h"

#include "gui/Draw.h"
#include "gui/GuiManager.h"

#include <GL/gl.h>

#include <algorithm>
#include <limits>

namespace qor::gui {

namespace {

// Each layer of a window lies a little nearer than the one before it.
constexpr float kLayerStep = 0.02f;

}  // namespace

Window::Window(int32_t width, std::string title) : title(std::move(title)) {
  x = 0;
  y = 80;
  this->width = width;
  height = 80;
}

bool Window::contains(int32_t mx, int32_t my) const {
  return visible && x < mx && mx < x + width && y - height < my && my < y;
}

void Window::draw() {
  if (!visible) return;
  using namespace skin;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_DEPTH_TEST);
  draw::setAlpha(alpha);
  glPushMatrix();
  glTranslatef(static_cast<float>(x), static_cast<float>(y), z);

  if (draw::beginSkin()) {
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const float bar = static_cast<float>(kTitleBarHeight);
    const float slice = static_cast<float>(kTitleSliceWidth);
    // The title bar: left and right caps, the middle stretched between.
    draw::quadST(kTitleLeft.s0(), kTitleLeft.s1(), kTitleBottomT, 1.0f, 0.0f, 0.0f, slice, -bar);
    if (w > 2.0f * slice)
      draw::quadST(kTitleMiddle.s0(), kTitleMiddle.s1(), kTitleBottomT, 1.0f, slice, 0.0f, w - slice, -bar);
    draw::quadST(kTitleRight.s0(), kTitleRight.s1(), kTitleBottomT, 1.0f, w - slice, 0.0f, w, -bar);
    // The body and its borders below the bar.
    const float border = static_cast<float>(kBorderWidth);
    if (h > bar) {
      const float bottom = -h;
      const float inner = std::min(-bar, bottom + border);  // top of the bottom border
      draw::quad(inset(kBorder), 0.0f, -bar, border, bottom);
      draw::quad(inset(kBorder), w - border, -bar, w, bottom);
      draw::quad(inset(kBorder), border, inner, w - border, bottom);
      if (inner < -bar) draw::quad(inset(kBody), border, -bar, w - border, inner);
    }
    draw::endSkin();
  }
  guiManager.drawText(45, 23, title);

  glTranslatef(0.0f, 0.0f, kLayerStep);
  for (Panel& p : panels) p.draw();
  glTranslatef(0.0f, 0.0f, kLayerStep);
  for (Button& b : buttons) b.draw();
  for (CheckBox& c : checkBoxes) c.draw();
  for (RadioButton& r : radioButtons) r.draw();
  for (Text& t : texts) t.draw();

  glPopMatrix();
  glDisable(GL_BLEND);
}

namespace {

// A control's rectangle in its window's frame.
void controlQuad(const Control& c, const skin::Rect& r) {
  draw::quad(r, static_cast<float>(c.x), static_cast<float>(-c.y), static_cast<float>(c.x + c.width),
             static_cast<float>(-c.y - c.height));
}

void boxQuad(const Control& c, const skin::Rect& r) {
  draw::quad(r, static_cast<float>(c.x), static_cast<float>(-c.y), static_cast<float>(c.x + kBoxSize),
             static_cast<float>(-c.y - kBoxSize));
}

}  // namespace

void Panel::draw() {
  if (!visible || !draw::beginSkin()) return;
  controlQuad(*this, skin::inset(skin::kPanel));
  draw::endSkin();
}

int32_t Button::labelX() const {
  // Centred: half of what the label leaves free, rounded down, plus one.
  const int64_t spare = int64_t{width} - int64_t{font::kGlyphWidth} * static_cast<int64_t>(label.size());
  const int64_t half = spare >= 0 ? spare / 2 : -((-spare + 1) / 2);
  return static_cast<int32_t>(
      std::clamp<int64_t>(x + half + 1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void Button::draw() {
  if (!visible) return;
  if (draw::beginSkin()) {
    controlQuad(*this, skin::inset(pressed ? skin::kButtonPressed : skin::kButton));
    draw::endSkin();
  }
  guiManager.drawText(labelX(), y + 20, label);
}

void Text::draw() {
  if (!visible) return;
  guiManager.drawText(x, y + 16, text);
}

void CheckBox::draw() {
  if (!visible || !draw::beginSkin()) return;
  boxQuad(*this, checked ? skin::kCheckOn : skin::kCheckOff);
  draw::endSkin();
}

void RadioButton::draw() {
  if (!visible || !draw::beginSkin()) return;
  boxQuad(*this, checked ? skin::kRadioOn : skin::kRadioOff);
  draw::endSkin();
}

}  // namespace qor::gui
