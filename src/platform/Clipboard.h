#pragma once
// Clipboard text through SDL (works while the window is open).

#include <string>

namespace qor::platform {

// The clipboard's text; empty when it holds none or cannot be read.
std::string getClipboardText();
// Replaces the clipboard's content by `text`; false when that failed.
bool setClipboardText(const std::string& text);

// The same for 8-bit text in ISO 8859-1, the way CF_TEXT hands text to a
// program on a western Windows: the clipboard holds UTF-8, so characters
// beyond the 8-bit range (and broken sequences) read as "?".
std::string getClipboardLatin1Text();
bool setClipboardLatin1Text(const std::string& text);

}  // namespace qor::platform
