#pragma once
// The window procedure: turns the window's messages into the input state,
// the game keys of the game stage and the GUI's mouse handling.

#include "platform/Win32.h"

namespace qor {

platform::LRESULT windowProc(platform::Window* hwnd, platform::UINT message, platform::WPARAM wParam,
                             platform::LPARAM lParam);

}  // namespace qor
