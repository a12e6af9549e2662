#pragma once
// Sends the window manager's close request (WM_DELETE_WINDOW) to an X11
// window, as a click on its close button does. Kept apart from the test
// sources because Xlib's macros (None, Bool) clash with GoogleTest's names.

// False when the display cannot be opened.
bool sendCloseRequest(unsigned long window);
