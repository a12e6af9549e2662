#pragma once
// Calls from the shell into the GUI, the console and the script's key
// bindings.

#include <cstdint>

namespace qor {

// Connects the GUI to the shell: the renderer draws it over every frame, the
// console shows while the input state's `consoleVisible` is set and reads
// and records keys in the input state's `keys`.
void connectGui();
// The GUI windows are offered a left press at the click position, top-most
// first; true when one took it.
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
