#pragma once
// Sends the window manager's close request (WM_DELETE_WINDOW) to an X11
// window, as a click on its close button does; false when the display cannot
// be opened. Kept apart from the test sources because Xlib's macros (None,
// Bool) clash with GoogleTest's names.

bool sendCloseRequest(unsigned long window);
