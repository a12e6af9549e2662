#pragma once
// Shared by the fuzz targets: readers that take a path get the input through
// one temporary file per process, rewritten for every run.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace kelvo::fuzz {

// Writes the bytes to this process's scratch file (under $TMPDIR or /tmp)
// with the given suffix, and returns its path.
inline const std::string& writeInput(const uint8_t* data, std::size_t size, const char* suffix) {
  static std::string path;
  if (path.empty()) {
    const char* dir = std::getenv("TMPDIR");
    path = std::string(dir && *dir ? dir : "/tmp") + "/kelvo-fuzz-" + std::to_string(getpid()) + suffix;
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

}  // namespace kelvo::fuzz
