#pragma once
// Drawing helpers shared by the controls, the windows and the console: quads
// from the skin image in the current frame (y grows upwards, so a control
// `y` units below its window's top lies at -y).

#include "gui/Skin.h"

namespace qor::gui::draw {

// Binds the skin and sets the colour to white with the current window's
// alpha. False (and nothing bound) when there is no skin: the caller then
// draws nothing.
bool beginSkin();
// The skin texture off again.
void endSkin();
// The alpha of the window being drawn.
void setAlpha(float alpha);
float alpha();

// The skin rectangle `r` over the quad from (x0, yTop) to (x1, yBottom).
void quad(const skin::Rect& r, float x0, float yTop, float x1, float yBottom);
// The same with texture coordinates given directly.
void quadST(float s0, float s1, float tBottom, float tTop, float x0, float yTop, float x1, float yBottom);
// An untextured quad in the current colour.
void plainQuad(float x0, float yTop, float x1, float yBottom);

}  // namespace qor::gui::draw
