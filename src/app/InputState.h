#pragma once
// The keyboard and mouse state that the window procedure keeps and the rest
// of the program reads. One global record.

#include <cstdint>

namespace qor {

struct InputState {
  // 1 while the key with that virtual-key code is held, 0 otherwise.
  uint8_t keys[256] = {};
  // Pointer position of the last WM_MOUSEMOVE, client pixels from top left.
  int32_t mouseX = 0;
  int32_t mouseY = 0;
  // Pointer position of the last left or right button press.
  int32_t clickX = 0;
  int32_t clickY = 0;
  // The left button is held and its press was not taken by a GUI window.
  bool leftDown = false;
  bool rightDown = false;
  // The left button is held (whether or not a GUI window took the press).
  bool dragging = false;
  // Position of the previous WM_MOUSEMOVE, for the view-turn delta.
  int32_t lastDragX = 0;
  int32_t lastDragY = 0;
  // The window is not minimised; frames are drawn only while it is true.
  bool active = true;
  // The console has the keyboard.
  bool consoleVisible = false;
  // The script asked for a scene reset; served by the main loop.
  bool reloadRequested = false;
};

extern InputState inputState;

}  // namespace qor
