#pragma once
// Clipboard text through SDL (works while the window is open).

#include <string>

namespace qor::platform {

// The clipboard's text; empty when it holds none or cannot be read.
std::string getClipboardText();
// Replaces the clipboard's content by `text`; false when that failed.
bool setClipboardText(const std::string& text);

}  // namespace qor::platform
