#pragma once
// Reading files "in text mode": files written on Windows end their lines with
// CR LF, which must read exactly like LF here.

#include <cstdio>
#include <optional>
#include <string>

namespace qor {

// Reads a whole file and turns every CR LF into LF. Empty when the file
// cannot be opened or is not a regular file (a directory, FIFO or device).
std::optional<std::string> readTextFile(const std::string& path);

// Converts CR LF to LF in place.
void normalizeLineEnds(std::string& text);

// Opens a file for formatted reading with CR LF already turned into LF (the
// returned stream reads from memory). nullptr when the file cannot be opened.
// Close it with std::fclose.
std::FILE* openTextFile(const std::string& path);

}  // namespace qor
