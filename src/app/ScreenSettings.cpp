#include "app/ScreenSettings.h"

#include "util/TextFile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace qor {

// Filled by static initialisation, so the settings are known before main.
ScreenSettings screenSettings = readScreenSettings(kScreenSettingsFile);

namespace {

void skipSpace(const char*& p) {
  while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
}

// One size field: the next word, read as "%d" reads it (sign, digits). The
// word is used up either way; false when it is no number or not a size
// (not positive, or beyond 32 bits).
bool readSize(const char*& p, int32_t& value) {
  skipSpace(p);
  const char* word = p;
  while (*p && !std::isspace(static_cast<unsigned char>(*p))) ++p;
  if (word == p) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(word, &end, 10);
  if (end == word || end > p || errno == ERANGE || v <= 0 || v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

ScreenSettings readScreenSettings(const std::string& path) {
  ScreenSettings settings;
  const std::optional<std::string> text = readTextFile(path);
  if (!text) return settings;
  // Each field stands alone: a bad or missing one keeps its default, and
  // the others still count (asking for a window with a bad width must not
  // give full screen).
  const char* p = text->c_str();
  int32_t size = 0;
  if (readSize(p, size)) settings.width = size;
  if (readSize(p, size)) settings.height = size;
  skipSpace(p);  // the blank before %c in the format skips white space
  if (*p) settings.fullscreen = *p == 't';
  return settings;
}

}  // namespace qor
