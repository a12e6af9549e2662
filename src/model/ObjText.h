#pragma once
// What both OBJ readings share: the text's lines, handed out one at a time
// from memory or from a file read in blocks, and the growth of the large
// arrays they fill.

#include <algorithm>
#include <cstring>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The lines of an OBJ text. A file is read through one buffer of a few
// hundred kilobytes, reused block after block (a line longer than the buffer
// grows it), so a large model is never copied whole into fresh memory; its
// CR LF line ends read as LF. A text in memory is handed out as it is.
class ObjLines {
public:
  explicit ObjLines(std::string_view text) : text_(text) {}
  ObjLines() = default;
  ~ObjLines();
  ObjLines(const ObjLines&) = delete;
  ObjLines& operator=(const ObjLines&) = delete;

  // Reads the regular file `path` instead; false when it cannot be opened.
  bool open(const std::string& path);

  // The next line with its '\n' (none on a last line without one), and where
  // it starts: a byte offset in the text, or in the file. False at the end.
  bool next(std::string_view& line, std::size_t& offset) {
    if (fd_ < 0) {
      if (pos_ >= text_.size()) return false;
      const char* start = text_.data() + pos_;
      const std::size_t left = text_.size() - pos_;
      const void* newline = std::memchr(start, '\n', left);
      const std::size_t length =
          newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1 : left;
      line = std::string_view(start, length);
      offset = pos_;
      pos_ += length;
      ++lines_;
      return true;
    }
    // The usual case in line: a whole line waiting in the buffer.
    if (begin_ < end_) {
      char* const data = buffer_.get();
      if (void* newline = std::memchr(data + begin_, '\n', end_ - begin_)) {
        takeLine(static_cast<char*>(newline), line, offset);
        return true;
      }
    }
    return nextFromFile(line, offset);
  }

  // The lines handed out so far.
  std::size_t lineCount() const { return lines_; }
  // Where the text ends: its size, or the bytes of the file read.
  std::size_t endOffset() const { return fd_ < 0 ? text_.size() : fileEnd_; }
  // Goes back to `offset`, the start of a line handed out before, which had
  // `lineCount` lines before it.
  void rewind(std::size_t offset, std::size_t lineCount);

private:
  // Hands out the buffer's line that ends at the "\n" at `last`.
  void takeLine(char* last, std::string_view& line, std::size_t& offset) {
    char* const data = buffer_.get();
    std::size_t length = static_cast<std::size_t>(last - (data + begin_)) + 1;
    // Text mode: a CR right before the LF is not part of the line.
    if (length >= 2 && last[-1] == '\r') {
      last[-1] = '\n';
      --length;
    }
    line = std::string_view(data + begin_, length);
    offset = bufferOffset_ + begin_;
    begin_ = static_cast<std::size_t>(last - data) + 1;
    ++lines_;
  }
  bool nextFromFile(std::string_view& line, std::size_t& offset);
  bool fill();

  std::string_view text_;
  std::size_t pos_ = 0;  // in the text
  std::size_t lines_ = 0;
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0, end_ = 0;  // the unread bytes in the buffer
  std::size_t bufferOffset_ = 0;     // file offset of buffer_[0]
  std::size_t fileEnd_ = 0;          // file offset after the last byte read
  bool atEnd_ = false;
};

// Asks for huge pages for the 2 MB-aligned pages inside [data, data + bytes)
// where the system gives them on request: one page fault then backs 2 MB
// instead of 4 KB, and the first touch of fresh memory costs several times
// less.
void adviseHugePages(void* data, std::size_t bytes);

// Makes room for `count` more items. Below a megabyte the vector grows as it
// would; above, it moves to a new buffer at least twice the size whose
// allocation is a whole number of 2 MB pages (the system then places it on a
// 2 MB boundary) given huge pages before anything is copied into it.
template <typename T>
[[gnu::noinline]] void growRoom(std::vector<T>& items, std::size_t need) {
  constexpr std::size_t kLarge = std::size_t{1} << 20, kHuge = std::size_t{2} << 20;
  // What the allocator keeps beside each block: asking this much less than
  // a whole number of pages makes the block exactly that.
  constexpr std::size_t kHeader = 32;
  const std::size_t bytes = std::max(need, items.capacity() * 2) * sizeof(T);
  if (bytes < kLarge) {
    items.reserve(std::max(need, items.capacity() * 2));
    return;
  }
  const std::size_t blockBytes = (bytes + kHeader + kHuge - 1) / kHuge * kHuge - kHeader;
  std::vector<T> bigger;
  bigger.reserve(blockBytes / sizeof(T));
  adviseHugePages(bigger.data(), bigger.capacity() * sizeof(T));
  bigger.insert(bigger.end(), items.begin(), items.end());
  items.swap(bigger);
}

// The check in line at every item; the growth (growRoom) out of line.
template <typename T>
inline void makeRoom(std::vector<T>& items, std::size_t count = 1) {
  const std::size_t need = items.size() + count;
  if (need > items.capacity()) growRoom(items, need);
}

}  // namespace qor
