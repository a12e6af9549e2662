#pragma once
// Whole regular files in and out.
//
// Reading copies the file into memory with read(2) rather than mapping it:
// a mapped file that another program truncates raises SIGBUS at the first
// touch of a page past its new end, while read(2) simply returns less. A file
// that shrinks while it is read is read as far as it lasts.
//
// Writing never goes through what is already at the name: the bytes go to a
// new file beside it, which is then renamed over the name. A symbolic link
// there is replaced, never followed, and a crash mid-write leaves the old
// file (or none), never half a new one.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace qor {

class MappedFile {
public:
  explicit MappedFile(const std::string& path);
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  bool opened() const { return opened_; }
  // The file's bytes; empty for an empty file or one that did not open.
  std::string_view bytes() const { return {data_ ? data_.get() : "", size_}; }

private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  bool opened_ = false;
};

// Opens `path` for reading when it is a regular file this process may read,
// without blocking (a FIFO does not wait for a writer); -1 otherwise. `size`
// receives its size. For readers that go through a file in blocks.
int openRegularFile(const std::string& path, std::size_t& size);
// Reads up to `size` bytes from `fd` into `to`; fewer at the end of the file
// (one that shrank included). The count read, or -1 on an error.
long long readFileUpTo(int fd, char* to, std::size_t size);

// Reads the regular file `path` whole into `out`. False, with `out` empty,
// when it is not a regular file this process may read, or when it is larger
// than `maxBytes` (then `size`, when given, receives its size).
bool readRegularFile(const std::string& path, std::string& out, std::size_t maxBytes = SIZE_MAX,
                     std::size_t* size = nullptr);

// True when `path` names a regular file (not a directory, FIFO or device)
// that this process may read.
bool canReadRegularFile(const std::string& path);

// Replaces what is at `path` with a new regular file holding `bytes`. A
// symbolic link at `path` is replaced, not followed; anything else that is
// not a regular file (a directory, a FIFO, a device) is left alone and the
// write fails, without blocking. False when the file cannot be written whole;
// then nothing at `path` has changed and no temporary file is left behind.
bool writeRegularFile(const std::string& path, std::string_view bytes);

// Writes `bytes` to a new regular file in `folder` named `prefix`, a number
// of at least four digits and `suffix` ("kelvo-0001.png"): the number after
// the highest one of such names already there, so the files sort in the
// order they were written. Nothing there is ever replaced: when another
// writer takes the name first, the next number is tried. `name` receives the
// name chosen (without the folder). False when no file could be written;
// then no temporary file is left behind.
bool writeNumberedFile(const std::string& folder, std::string_view prefix, std::string_view suffix,
                       std::string_view bytes, std::string& name);

// The number in `name` when it is `prefix`, one to nine digits and `suffix`;
// -1 otherwise.
long numberInName(std::string_view name, std::string_view prefix, std::string_view suffix);

// Makes the folder that holds `file` when it is missing (one level, as the
// "tmp" folder of a cache). True when the folder is there afterwards.
bool makeFolderFor(const std::string& file);

// The cache file `cache` derived from `source` (the collision trees or the
// shadow records of a model) may be read only when it was last written no
// earlier than `source` was: a model saved since was changed after its cache
// was made. False when the cache cannot be looked at; true when the source
// cannot (there is no newer version of it to miss).
bool cacheIsCurrent(const std::string& cache, const std::string& source);

}  // namespace qor
