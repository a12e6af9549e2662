#pragma once
// Reading files "in text mode": files written on Windows end their lines with
// CR LF, which must read exactly like LF here.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace qor {

// Reads a whole file and turns every CR LF into LF. Empty when the file
// cannot be opened or is not a regular file (a directory, FIFO or device),
// and when it is larger than `maxBytes`; `size`, when given, then tells the
// file's size (0 for one that did not open).
std::optional<std::string> readTextFile(const std::string& path, std::size_t maxBytes = SIZE_MAX,
                                        std::size_t* size = nullptr);

// Converts CR LF to LF in place.
void normalizeLineEnds(std::string& text);

// A stream that closes itself, however its reader ends (a reader may stop on
// an exception, as the script's memory budget throws one).
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using TextFilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for formatted reading with CR LF already turned into LF (the
// returned stream reads from memory, never from a temporary file). Null when
// the file cannot be opened.
TextFilePtr openTextFile(const std::string& path);

}  // namespace qor
