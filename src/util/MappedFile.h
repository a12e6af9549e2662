#pragma once
// A read-only view of a whole regular file, mapped rather than copied: a
// large file is then read straight from the page cache, with no buffer to
// fill first. Anything but a regular file (a directory, a FIFO, a device)
// does not open, and opening never blocks.

#include <cstddef>
#include <string>
#include <string_view>

namespace qor {

class MappedFile {
public:
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  bool opened() const { return opened_; }
  // The file's bytes; empty for an empty file or one that did not open.
  std::string_view bytes() const { return {data_ ? data_ : "", size_}; }

private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  bool opened_ = false;
};

// True when `path` names a regular file (not a directory, FIFO or device)
// that this process may read.
bool canReadRegularFile(const std::string& path);

// Replaces the contents of `path` with `bytes`, creating the file when it is
// missing. Anything already there that is not a regular file (a FIFO, a
// device) is left alone and the write fails, without blocking. False when
// the file cannot be opened or written whole.
bool writeRegularFile(const std::string& path, std::string_view bytes);

}  // namespace qor
