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

// One "%d" field: optional sign and decimal digits after white space. False
// when there is no number or it does not fit in 32 bits.
bool readInt(const char*& p, int32_t& value) {
  skipSpace(p);
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(p, &end, 10);
  if (end == p || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  p = end;
  return true;
}

}  // namespace

ScreenSettings readScreenSettings(const std::string& path) {
  ScreenSettings settings;
  const std::optional<std::string> text = readTextFile(path);
  if (!text) return settings;
  const char* p = text->c_str();
  int32_t width = 0, height = 0;
  if (!readInt(p, width) || !readInt(p, height)) return settings;
  skipSpace(p);  // the blank before %c in the format skips white space
  if (!*p) return settings;
  if (width <= 0 || height <= 0) return settings;
  settings.width = width;
  settings.height = height;
  settings.fullscreen = *p == 't';
  return settings;
}

}  // namespace qor
