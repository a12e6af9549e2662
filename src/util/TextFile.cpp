#include "util/TextFile.h"

#include "util/MappedFile.h"

#include <algorithm>
#include <cstring>

#include <sys/types.h>

namespace qor {

void normalizeLineEnds(std::string& text) {
  std::size_t out = 0;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') continue;
    text[out++] = text[i];
  }
  text.resize(out);
}

std::optional<std::string> readTextFile(const std::string& path, std::size_t maxBytes, std::size_t* size) {
  std::string text;
  if (size) *size = 0;
  if (!readRegularFile(path, text, maxBytes, size)) return std::nullopt;
  normalizeLineEnds(text);
  return text;
}

namespace {

// The text a stream of openTextFile reads from; the stream owns it, so it
// lives exactly as long as the stream. Nothing goes through a temporary
// file, which a full or missing /tmp would lose.
struct TextCookie {
  std::string text;
  std::size_t at = 0;
};

ssize_t readCookie(void* cookie, char* to, std::size_t size) {
  auto* c = static_cast<TextCookie*>(cookie);
  const std::size_t n = std::min(size, c->text.size() - c->at);
  std::memcpy(to, c->text.data() + c->at, n);
  c->at += n;
  return static_cast<ssize_t>(n);
}

int closeCookie(void* cookie) {
  delete static_cast<TextCookie*>(cookie);
  return 0;
}

}  // namespace

TextFilePtr openTextFile(const std::string& path) {
  std::optional<std::string> text = readTextFile(path);
  if (!text) return nullptr;
  auto* cookie = new TextCookie{std::move(*text)};
  cookie_io_functions_t io{};
  io.read = readCookie;
  io.close = closeCookie;
  std::FILE* f = ::fopencookie(cookie, "r", io);
  if (!f) delete cookie;
  return TextFilePtr(f);
}

}  // namespace qor
