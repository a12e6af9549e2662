#pragma once
// The readers of the GUI's files: the layout file "GUIConfig.txt", which
// names the skin image, the font image and the font metrics file, and the
// metrics file itself. Both read "in text mode" (CR LF counts as LF) and
// only regular files.

#include <array>
#include <cstdint>
#include <string>

namespace qor::gui {

inline constexpr const char* kGuiConfigFile = "GUIConfig.txt";

struct GuiConfigFiles {
  std::string skin;     // image file of the skin texture
  std::string font;     // image file of the font texture
  std::string metrics;  // font metrics file
};

// Reads three lines, each as fgets reads it into a 256-byte buffer (a longer
// line is cut after 255 characters and the rest read as the next line), and
// keeps the first whitespace-delimited word of each. A missing line or one
// without a word leaves its name empty. False when the file cannot be opened.
bool readGuiConfig(const std::string& path, GuiConfigFiles& out);

// One byte per character code.
using FontMetrics = std::array<uint8_t, 256>;

// The first 256 bytes of the file; a shorter file fills what it has and the
// rest is zero. False (and all zero) when the file cannot be opened.
bool readFontMetrics(const std::string& path, FontMetrics& out);

}  // namespace qor::gui
