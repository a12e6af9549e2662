#pragma once
// Small X11 helpers for the end-to-end tests, kept apart from the test
// sources because Xlib's macros (None, Bool) clash with GoogleTest's names.

#include <string>
#include <sys/types.h>

// The viewable top-level window of process `pid` whose title is `title`;
// 0 when there is none (or no display).
unsigned long findWindowOf(pid_t pid, const std::string& title);

// Sends the window manager's close request (WM_DELETE_WINDOW), as a click on
// the close button does. False when the display cannot be opened.
bool sendCloseRequest(unsigned long window);
