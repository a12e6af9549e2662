#include "util/TextFile.h"

#include "util/MappedFile.h"

#include <cstring>

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

std::optional<std::string> readTextFile(const std::string& path) {
  MappedFile file(path);
  if (!file.opened()) return std::nullopt;
  std::string text(file.bytes());
  normalizeLineEnds(text);
  return text;
}

TextFilePtr openTextFile(const std::string& path) {
  std::optional<std::string> text = readTextFile(path);
  if (!text) return nullptr;
  // tmpfile keeps the stream independent of the string's lifetime and works
  // for empty files too (fmemopen rejects a zero-sized buffer on some libcs).
  TextFilePtr f(std::tmpfile());
  if (!f) return nullptr;
  if (!text->empty() && std::fwrite(text->data(), 1, text->size(), f.get()) != text->size()) return nullptr;
  std::rewind(f.get());
  return f;
}

}  // namespace qor
