#pragma once
// The GUI manager: the skin and font textures named by "GUIConfig.txt", the
// 256 font display lists, the windows in stacking order, the console, and
// the mouse handling the window procedure forwards. drawGui is the GUI pass
// the renderer calls at the end of every frame (through renderHooks.drawGui).

#include "gui/Console.h"
#include "gui/Controls.h"
#include "gui/GuiConfig.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor::gui {

class GuiManager {
public:
  GuiManager() = default;
  GuiManager(const GuiManager&) = delete;
  GuiManager& operator=(const GuiManager&) = delete;

  // Reads the layout file: loads the skin and font images through the
  // texture manager and, when the metrics file opens, builds the font's
  // display lists. False when the layout file cannot be opened (nothing is
  // loaded). An image or metrics file that is missing leaves that piece out:
  // no skin means no frames, no font means no text; presses still work.
  bool loadGuiConfig(const std::string& path = kGuiConfigFile);

  // Appends a copy of the window on top of the others (z = the number of
  // windows before it, which also becomes its id). Returns the id.
  int32_t addWindow(const Window& window);
  // The window with this id, null when there is none.
  Window* findWindow(int32_t id);

  // The GUI pass: an orthographic projection over the window, the windows
  // bottom first, then the console while it is visible.
  void drawGui();

  // A left press at the last mouse position: offered to the windows from the
  // top-most down. True when a window took it.
  bool mouseDown();
  // The pointer moved; a dragged window follows it.
  void mouseMove(int32_t x, int32_t y);
  // The left button was released: the drag ends and a pressed button is
  // released (its callback runs again).
  void mouseUp();

  // One line with the bitmap font, `y` units below the current origin (the
  // glyphs' bottom edge), in black or in the given colour. Nothing is drawn
  // without the font texture or its display lists.
  void drawText(int32_t x, int32_t y, std::string_view text) const { drawText(x, y, text, 0.0f, 0.0f, 0.0f); }
  void drawText(int32_t x, int32_t y, std::string_view text, float r, float g, float b) const;

  // Deletes the font display lists, the windows and the console's lines.
  // Call while the GL context is current.
  void shutdownGui();

  // GL names; 0 when not loaded.
  uint32_t skinTexture = 0;
  uint32_t fontTexture = 0;
  uint32_t fontBase = 0;  // first of 256 display lists
  FontMetrics fontMetrics{};

  // The console is drawn while *consoleVisible is set; the shell points this
  // at its own flag (the window procedure toggles it).
  bool* consoleVisible = &ownConsoleVisible_;
  Console console;

  // Windows by value, sorted by z ascending (bottom first).
  std::vector<Window> windows;

  // The button held down by the current press, as window id and index.
  struct PressedButton {
    int32_t window = -1;
    int32_t button = -1;
  };
  PressedButton pressedButton;

  // Last known pointer position, client pixels from the top left.
  int32_t mouseX = 0;
  int32_t mouseY = 0;

  // The window being dragged by its title bar.
  bool dragging = false;
  int32_t dragWindow = -1;  // id
  int32_t dragGrabX = 0;    // grab point's x inside the window
  int32_t dragGrabY = 0;    // grab point's offset below the window's top, in window-message coordinates

private:
  void buildFontLists();
  void deleteFontLists();
  void bringToTop(std::size_t index);
  void pressInside(Window& window, int32_t lx, int32_t ly);
  void releasePressedButton(bool invoke);
  void drawConsole();

  bool ownConsoleVisible_ = false;
};

// The program's GUI.
extern GuiManager guiManager;

}  // namespace qor::gui
