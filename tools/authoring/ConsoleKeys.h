#pragma once
// kelvo-scene's console: where its characters come from, its legible
// drawing, and the load messages it shows.

#include "gui/Console.h"
#include "script/Diagnostics.h"

namespace kelvo::authoring {

// The value of --console-keys: "typed" (the keyboard's own layout, through
// the window system's text input) or "fixed" (the viewer's layout). False
// for anything else.
bool parseConsoleKeys(const char* name, qor::gui::Console::Layout& layout);

// Sets the console up for kelvo-scene: the layout, opaque bands behind its
// lines, and text input on for the typed layout. Text input stays on for the
// whole run (the console takes characters only while it is open): switching
// it on when F2 opens the console would lose the characters of keys already
// pressed but not yet read.
void setUpConsole(qor::gui::Console::Layout layout);

// Adds a diagnostic (a syntax error, warning or note of a load, or of the
// script as it runs) to the console's output lines as the tools print it.
void addLoadMessageToConsole(const qor::script::Diagnostic& d);

}  // namespace kelvo::authoring
