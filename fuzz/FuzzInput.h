#pragma once
// Shared by the fuzz targets: readers that take a path get the input through
// one temporary file per process, rewritten for every run; targets that need
// a few fixed files beside it (scripts to include, a model, a material file,
// an image) get a scratch folder of their own.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace kelvo::fuzz {

// Where scratch files go: $TMPDIR, else /tmp.
inline std::string scratchRoot() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

// Writes `bytes` to `path`, replacing what was there.
inline void writeFile(const std::string& path, std::string_view bytes) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

// Writes the bytes to this process's scratch file (under $TMPDIR or /tmp)
// with the given suffix, and returns its path.
inline const std::string& writeInput(const uint8_t* data, std::size_t size, const char* suffix) {
  static std::string path;
  if (path.empty()) path = scratchRoot() + "/kelvo-fuzz-" + std::to_string(getpid()) + suffix;
  writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  return path;
}

// A folder of this process's own, made on first use and removed at exit.
// Targets that share a process (the corpus replay test) share it: each
// names its files after itself.
inline const std::string& scratchFolder() {
  static std::string path;
  if (path.empty()) {
    path = scratchRoot() + "/kelvo-fuzz-" + std::to_string(getpid()) + ".d";
    std::filesystem::create_directories(path);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    });
  }
  return path;
}

}  // namespace kelvo::fuzz
