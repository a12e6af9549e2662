#include "app/Hooks.h"

#include "app/InputState.h"
#include "gui/GuiManager.h"
#include "scene/Renderer.h"
#include "script/Builtins.h"

namespace qor {

namespace {
void drawGui() { gui::guiManager.drawGui(); }
}  // namespace

void connectGui() {
  renderHooks.drawGui = &drawGui;
  gui::guiManager.consoleVisible = &inputState.consoleVisible;
  gui::guiManager.console.keys = inputState.keys;
}

bool guiMouseDown() {
  // The press happens where the button went down, whatever moves came first.
  gui::guiManager.mouseX = inputState.clickX;
  gui::guiManager.mouseY = inputState.clickY;
  return gui::guiManager.mouseDown();
}

void guiMouseMove(int32_t x, int32_t y) { gui::guiManager.mouseMove(x, y); }

void guiMouseUp() { gui::guiManager.mouseUp(); }

void consoleKeyPressed(uint8_t virtualKey) { gui::guiManager.console.keyPressed(virtualKey); }

void dispatchKeyBindings() { script::dispatchKeyBindings(inputState.keys); }

}  // namespace qor
