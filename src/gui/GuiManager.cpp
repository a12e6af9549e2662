#include "gui/GuiManager.h"

#include "gui/Draw.h"
#include "material/TextureManager.h"
#include "scene/Renderer.h"
#include "util/MappedFile.h"

#include <GL/gl.h>

#include <algorithm>

namespace qor::gui {

GuiManager guiManager;

// ---- drawing helpers -----------------------------------------------------------

namespace draw {

namespace {
float windowAlpha = 1.0f;
}

void setAlpha(float a) { windowAlpha = a; }
float alpha() { return windowAlpha; }

bool beginSkin() {
  if (guiManager.skinTexture == 0) return false;
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, guiManager.skinTexture);
  glColor4f(1.0f, 1.0f, 1.0f, windowAlpha);
  return true;
}

void endSkin() {
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
}

void quadST(float s0, float s1, float tBottom, float tTop, float x0, float yTop, float x1, float yBottom) {
  // Counter-clockwise, so back-face culling keeps it.
  glBegin(GL_QUADS);
  glTexCoord2f(s0, tBottom);
  glVertex2f(x0, yBottom);
  glTexCoord2f(s1, tBottom);
  glVertex2f(x1, yBottom);
  glTexCoord2f(s1, tTop);
  glVertex2f(x1, yTop);
  glTexCoord2f(s0, tTop);
  glVertex2f(x0, yTop);
  glEnd();
}

void quad(const skin::Rect& r, float x0, float yTop, float x1, float yBottom) {
  quadST(r.s0(), r.s1(), r.tBottom(), r.tTop(), x0, yTop, x1, yBottom);
}

void plainQuad(float x0, float yTop, float x1, float yBottom) {
  glBegin(GL_QUADS);
  glVertex2f(x0, yBottom);
  glVertex2f(x1, yBottom);
  glVertex2f(x1, yTop);
  glVertex2f(x0, yTop);
  glEnd();
}

}  // namespace draw

// ---- layout file and font ------------------------------------------------------

namespace {

// An image named by the layout file; 0 when the name is empty or no file
// is there. (A file that is there but cannot be decoded gets the texture
// manager's fallback texture, as every image of the program does.)
uint32_t loadImage(const std::string& name) {
  if (name.empty() || !canReadRegularFile(name)) return 0;
  return textureManager.LoadTexture(name);
}

}  // namespace

bool GuiManager::loadGuiConfig(const std::string& path) {
  GuiConfigFiles files;
  if (!readGuiConfig(path, files)) return false;
  skinTexture = loadImage(files.skin);
  fontTexture = loadImage(files.font);
  if (fontTexture) {
    // A glyph is drawn texel for texel (6.5 texels over 6 units): nearest
    // sampling keeps it sharp and never reaches into the next cell.
    glBindTexture(GL_TEXTURE_2D, fontTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  deleteFontLists();
  if (readFontMetrics(files.metrics, fontMetrics)) buildFontLists();
  return true;
}

void GuiManager::buildFontLists() {
  fontBase = glGenLists(256);
  if (fontBase == 0) return;  // no GL context
  glBindTexture(GL_TEXTURE_2D, fontTexture);
  // Every glyph is 6 units wide, whatever the metrics say; the pen then
  // moves on by 7.
  constexpr float w = static_cast<float>(font::kGlyphWidth);
  constexpr float h = static_cast<float>(font::kGlyphHeight);
  constexpr float kCellST = 0.0625f;
  constexpr float kLeftS = 0.01953125f;                     // texel 5 of the cell
  constexpr float kWidthS = w * 0.00390625f + 0.001953125f;  // 6.5 texels
  for (uint32_t c = 0; c < 256; ++c) {
    const float cx = static_cast<float>(c % 16) * kCellST;
    const float cy = static_cast<float>(c / 16) * kCellST;
    const float s0 = cx + kLeftS;
    const float s1 = s0 + kWidthS;
    const float tTop = 1.0f - cy;
    const float tBottom = tTop - kCellST;
    glNewList(fontBase + c, GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(s0, tBottom);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(s1, tBottom);
    glVertex2f(w, 0.0f);
    glTexCoord2f(s1, tTop);
    glVertex2f(w, h);
    glTexCoord2f(s0, tTop);
    glVertex2f(0.0f, h);
    glEnd();
    glTranslatef(static_cast<float>(font::kAdvance), 0.0f, 0.0f);
    glEndList();
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

void GuiManager::deleteFontLists() {
  if (fontBase != 0) glDeleteLists(fontBase, 256);
  fontBase = 0;
}

void GuiManager::drawText(int32_t x, int32_t y, std::string_view text, float r, float g, float b) const {
  if (fontBase == 0 || fontTexture == 0 || text.empty()) return;
  glColor3f(r, g, b);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, fontTexture);
  glPushMatrix();
  glTranslatef(static_cast<float>(x), static_cast<float>(-y), 0.2f);
  glListBase(fontBase);
  glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
  glPopMatrix();
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
}

void GuiManager::shutdownGui() {
  deleteFontLists();
  windows.clear();
  console.clear();
  pressedButton = {};
  dragging = false;
  dragWindow = -1;
  // The textures belong to the texture manager, which deletes them.
  skinTexture = 0;
  fontTexture = 0;
}

// ---- windows ---------------------------------------------------------------------

int32_t GuiManager::addWindow(const Window& window) {
  const auto id = static_cast<int32_t>(windows.size());
  windows.push_back(window);
  windows.back().z = static_cast<float>(id);
  windows.back().id = id;
  return id;
}

Window* GuiManager::findWindow(int32_t id) {
  for (Window& w : windows)
    if (w.id == id) return &w;
  return nullptr;
}

// ---- the GUI pass ----------------------------------------------------------------

namespace {

// Where the windows lie in depth. The pass looks down -z through an
// orthographic projection that shows -far < z < 0 (far is 100 unless the
// windows need more). The window at place k from the bottom of n lies at
//   bottom + spacing * k,  spacing = 2 for up to five windows, then
//   8 / (n - 1) (the band from -9 to -1 that five windows fill), never
//   below kMinWindowSpacing; bottom = -9, or lower once the windows no
//   longer fit the band at that spacing (the top one then stays at -1).
// A window's layers reach kWindowLayerSpan nearer than its own depth (its
// controls' text), so the next window up still covers all of them.
constexpr float kBottomWindowDepth = -9.0f;
constexpr float kTopWindowDepth = -1.0f;
constexpr float kWindowSpacing = 2.0f;
constexpr float kWindowLayerSpan = 0.24f;
constexpr float kMinWindowSpacing = 2.0f * kWindowLayerSpan;
constexpr double kGuiFar = 100.0;

float windowSpacing(std::size_t count) {
  if (count <= 1) return kWindowSpacing;
  const float spread = (kTopWindowDepth - kBottomWindowDepth) / static_cast<float>(count - 1);
  return std::clamp(spread, kMinWindowSpacing, kWindowSpacing);
}

float bottomWindowDepth(std::size_t count, float spacing) {
  const float fromTop = kTopWindowDepth - spacing * static_cast<float>(count > 0 ? count - 1 : 0);
  return std::min(kBottomWindowDepth, fromTop);
}

}  // namespace

void GuiManager::drawGui() {
  const int32_t screenWidth = *renderHooks.width;
  const int32_t screenHeight = *renderHooks.height;

  // The pass changes only what it restores: the scene's fog (the game stage
  // fogs everything from 1.7 units on, which would grey out the whole GUI),
  // texture generation, lighting and culling are off while it draws.
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_FOG);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  // The clear texels around a glyph neither show nor hide what lies behind.
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.0f);

  const std::size_t count = windows.size();
  const float spacing = windowSpacing(count);
  const float bottom = bottomWindowDepth(count, spacing);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, screenWidth, 0.0, screenHeight, 0.0, std::max(kGuiFar, 1.0 - static_cast<double>(bottom)));
  glMatrixMode(GL_MODELVIEW);

  // Bottom first, each later window nearer; a window adds its own z (its
  // place in the order) when it draws.
  for (std::size_t k = 0; k < count; ++k) {
    Window& w = windows[k];
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, bottom + spacing * static_cast<float>(k) - w.z);
    w.draw();
  }
  if (*consoleVisible) {
    console.blinkCounter = (console.blinkCounter + 1) % 60;
    glLoadIdentity();
    // No depth test: it only has to lie inside the range. One unit nearer
    // per window from -10, and no nearer than -5, so that it stays in front
    // of the near plane whatever the number of windows.
    glTranslatef(0.0f, 0.0f, static_cast<float>(std::min<std::size_t>(count, 5)) - 10.0f);
    drawConsole();
  }

  glPopMatrix();
  glPopAttrib();
}

void GuiManager::drawConsole() {
  // Over the top of the window, as wide as 80 characters.
  constexpr int32_t kMargin = 8;
  console.x = kMargin;
  console.y = *renderHooks.height - kMargin;
  console.width = Console::kColumns * font::kAdvance + 2 * kMargin;
  console.height = Console::kRows * Console::kLineSpacing + 16;
  // Always in front of the windows.
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  console.draw();
  glDisable(GL_BLEND);
}

// ---- the mouse ---------------------------------------------------------------------

void GuiManager::bringToTop(std::size_t index) {
  const float mine = windows[index].z;
  for (Window& w : windows)
    if (w.z > mine) w.z -= 1.0f;
  windows[index].z = static_cast<float>(windows.size() - 1);
  std::stable_sort(windows.begin(), windows.end(), [](const Window& a, const Window& b) { return a.z < b.z; });
}

bool GuiManager::mouseDown() {
  // A new press ends whatever the last one left behind (a release can be
  // lost when the button comes up outside the window).
  dragging = false;
  releasePressedButton(false);
  const int32_t screenHeight = *renderHooks.height;
  const int32_t mx = mouseX;
  const int32_t my = screenHeight - mouseY;
  for (std::size_t i = windows.size(); i-- > 0;) {
    if (!windows[i].contains(mx, my)) continue;
    bringToTop(i);
    Window& w = windows.back();
    const int32_t lx = mx - w.x;
    const int32_t ly = w.y - my;  // distance below the top edge
    if (ly > kTitleBarGrip) {
      pressInside(w, lx, ly);
    } else if (w.width - kCloseBoxLeft < lx && lx < w.width - kCloseBoxRight) {
      w.visible = false;
    } else {
      dragging = true;
      dragWindow = w.id;
      dragGrabX = lx;
      dragGrabY = (screenHeight - w.y) - mouseY;
    }
    return true;
  }
  return false;
}

void GuiManager::pressInside(Window& w, int32_t lx, int32_t ly) {
  auto inside = [lx, ly](const Control& c, int32_t width, int32_t height) {
    return c.visible && c.x < lx && lx < c.x + width && c.y < ly && ly < c.y + height;
  };
  for (std::size_t i = 0; i < w.buttons.size(); ++i) {
    Button& b = w.buttons[i];
    if (!inside(b, b.width, b.height)) continue;
    b.pressed = true;
    pressedButton = {w.id, static_cast<int32_t>(i)};
    if (b.callback) b.callback->invoke();
    return;
  }
  for (CheckBox& c : w.checkBoxes) {
    if (!inside(c, kBoxSize, kBoxSize)) continue;
    c.checked = !c.checked;
    return;
  }
  for (RadioButton& r : w.radioButtons) {
    if (!inside(r, kBoxSize, kBoxSize)) continue;
    for (RadioButton& other : w.radioButtons)
      if (other.group == r.group) other.checked = false;
    r.checked = true;
    return;
  }
}

void GuiManager::mouseMove(int32_t x, int32_t y) {
  mouseX = x;
  mouseY = y;
  if (!dragging) return;
  if (Window* w = findWindow(dragWindow)) {
    w->x = x - dragGrabX;
    w->y = *renderHooks.height - dragGrabY - y;
  }
}

void GuiManager::releasePressedButton(bool invoke) {
  const PressedButton held = pressedButton;
  pressedButton = {};
  Window* w = findWindow(held.window);
  if (!w || held.button < 0 || static_cast<std::size_t>(held.button) >= w->buttons.size()) return;
  Button& b = w->buttons[static_cast<std::size_t>(held.button)];
  b.pressed = false;
  if (invoke && b.callback) b.callback->invoke();
}

void GuiManager::mouseUp() {
  dragging = false;
  releasePressedButton(true);
}

}  // namespace qor::gui
