#pragma once
// Calls from the shell into the GUI, the console and the script's key
// bindings. The GUI and console calls do nothing until the GUI is wired in.

#include <cstdint>

namespace qor {

// The GUI windows are offered a left press, top-most first; true when one
// took it.
bool guiMouseDown();
// The pointer moved to (x, y): a dragged GUI window follows it.
void guiMouseMove(int32_t x, int32_t y);
// The left button was released.
void guiMouseUp();
// A key press while the console has the keyboard.
void consoleKeyPressed(uint8_t virtualKey);
// Evaluates the script calls bound to every held key, codes 0 to 255 in
// ascending order.
void dispatchKeyBindings();

}  // namespace qor
