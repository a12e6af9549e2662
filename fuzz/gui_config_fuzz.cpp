// The GUI's readers over an arbitrary file: "GUIConfig.txt" (three lines, the
// first word of each) and the font metrics file (its first 256 bytes). A
// name is one word of at most 255 characters.

#include "FuzzInput.h"
#include "gui/GuiConfig.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool isWord(const std::string& name) {
  if (name.size() > 255) return false;
  for (char c : name)
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\0') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".txt");
  qor::gui::GuiConfigFiles files;
  if (!qor::gui::readGuiConfig(path, files)) std::abort();
  if (!isWord(files.skin) || !isWord(files.font) || !isWord(files.metrics)) std::abort();
  qor::gui::FontMetrics metrics;
  if (!qor::gui::readFontMetrics(path, metrics)) std::abort();
  // Without CR LF pairs the metrics are the file's first bytes, zero after.
  bool crlf = false;
  for (std::size_t i = 0; i + 1 < size && i < 512; ++i) crlf = crlf || (data[i] == '\r' && data[i + 1] == '\n');
  if (!crlf)
    for (std::size_t i = 0; i < metrics.size(); ++i)
      if (metrics[i] != (i < size ? data[i] : 0)) std::abort();
  return 0;
}
