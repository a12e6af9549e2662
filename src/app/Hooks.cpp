#include "app/Hooks.h"

#include "app/InputState.h"
#include "script/Builtins.h"

namespace qor {

bool guiMouseDown() { return false; }

void guiMouseMove(int32_t, int32_t) {}

void guiMouseUp() {}

void consoleKeyPressed(uint8_t) {}

void dispatchKeyBindings() { script::dispatchKeyBindings(inputState.keys); }

}  // namespace qor
