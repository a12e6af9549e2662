#include "gui/GuiConfig.h"

#include "util/LineScanner.h"
#include "util/MappedFile.h"

#include <string_view>

namespace qor::gui {

namespace {

// A text-mode reader over a mapped file: CR LF comes out as LF.
class TextModeReader {
public:
  explicit TextModeReader(std::string_view bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

  bool atEnd() const { return p_ == end_; }
  char next() {
    if (*p_ == '\r' && p_ + 1 < end_ && p_[1] == '\n') ++p_;
    return *p_++;
  }

private:
  const char* p_;
  const char* end_;
};

// fgets with a 256-byte buffer: up to 255 characters, through the first LF.
constexpr std::size_t kLineChars = 255;

// The first word of the next line, as sscanf's "%s" finds it (a NUL byte
// ends the string fgets hands over). False at the end of the file.
bool readFirstWord(TextModeReader& in, std::string& word) {
  if (in.atEnd()) return false;
  char line[kLineChars];
  std::size_t length = 0;
  while (length < kLineChars && !in.atEnd()) {
    const char c = in.next();
    line[length++] = c;
    if (c == '\n') break;
  }
  LineScanner scan{line, line + length};
  scan.skipSpace();
  const char* start = scan.p;
  scan.skipWord();
  word.assign(start, static_cast<std::size_t>(scan.p - start));
  return true;
}

}  // namespace

bool readGuiConfig(const std::string& path, GuiConfigFiles& out) {
  out = GuiConfigFiles{};
  MappedFile file(path);
  if (!file.opened()) return false;
  TextModeReader in(file.bytes());
  for (std::string* name : {&out.skin, &out.font, &out.metrics})
    if (!readFirstWord(in, *name)) break;
  return true;
}

bool readFontMetrics(const std::string& path, FontMetrics& out) {
  out.fill(0);
  MappedFile file(path);
  if (!file.opened()) return false;
  TextModeReader in(file.bytes());
  for (std::size_t i = 0; i < out.size() && !in.atEnd(); ++i) out[i] = static_cast<uint8_t>(in.next());
  return true;
}

}  // namespace qor::gui
