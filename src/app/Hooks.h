#pragma once
// Calls from the shell into the GUI, the console, the script's key bindings,
// the shadow pass and the sound.

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
// A character of text input (a Unicode code point) while the console is open.
void consoleCharTyped(uint32_t codePoint);
// Connects the renderer to the loaded scene's shadow pass (`shadowPass`,
// which loadScene makes): the frame hands it each light and the render queue.
void connectShadows();
// F12: the next frame finished is saved as the next numbered screenshot of
// the working directory ("kelvo-0001.png", never over an existing file).
// connectScreenshots has the renderer read that frame before its swap.
void requestScreenshot();
bool screenshotRequested();
void connectScreenshots();
// Evaluates the script calls bound to every held key, codes 0 to 255 in
// ascending order.
void dispatchKeyBindings();

// Opens the audio device, puts the listener at the origin looking along -z
// and starts the looping music; the figures' voices then play through the
// sound manager. Without a device, or without the music file, the show runs
// silent (or without music).
void startSound();
// Silences the figures and closes the audio device with every sound.
void stopSound();

}  // namespace qor
