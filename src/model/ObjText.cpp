#include "model/ObjText.h"

#include "util/MappedFile.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace qor {

namespace {

// Large enough that the reads are few, small enough to stay in the caches.
constexpr std::size_t kBlock = std::size_t{256} << 10;

}  // namespace

ObjLines::~ObjLines() {
  if (fd_ >= 0) ::close(fd_);
}

bool ObjLines::open(const std::string& path) {
  std::size_t size = 0;
  const int fd = openRegularFile(path, size);
  if (fd < 0) return false;
  buffer_.reset(new (std::nothrow) char[kBlock]);
  if (!buffer_) {
    ::close(fd);
    return false;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  capacity_ = kBlock;
  rewind(0, 0);
  return true;
}

void ObjLines::rewind(std::size_t offset, std::size_t lineCount) {
  lines_ = lineCount;
  if (fd_ < 0) {
    pos_ = std::min(offset, text_.size());
    return;
  }
  // The file is read again from there: the buffer's lines may have lost
  // their CRs.
  bufferOffset_ = fileEnd_ = offset;
  begin_ = end_ = 0;
  atEnd_ = ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0;
}

// Moves the unread bytes to the front and reads more behind them; a buffer
// that holds nothing but one unfinished line is doubled first. False when
// nothing more could be read.
bool ObjLines::fill() {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    bufferOffset_ += begin_;
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == capacity_) {
    std::unique_ptr<char[]> larger(new (std::nothrow) char[capacity_ * 2]);
    if (!larger) {
      atEnd_ = true;  // the line is read as far as memory holds it
      return false;
    }
    std::memcpy(larger.get(), buffer_.get(), end_);
    buffer_ = std::move(larger);
    capacity_ *= 2;
  }
  const long long got = readFileUpTo(fd_, buffer_.get() + end_, capacity_ - end_);
  if (got <= 0) {
    atEnd_ = true;
    return false;
  }
  end_ += static_cast<std::size_t>(got);
  fileEnd_ = bufferOffset_ + end_;
  return true;
}

bool ObjLines::nextFromFile(std::string_view& line, std::size_t& offset) {
  std::size_t searched = begin_;
  for (;;) {
    char* const data = buffer_.get();
    if (void* newline = std::memchr(data + searched, '\n', end_ - searched)) {
      takeLine(static_cast<char*>(newline), line, offset);
      return true;
    }
    const std::size_t scanned = end_ - begin_;
    if (!fill()) break;
    searched = begin_ + scanned;
  }
  if (begin_ == end_) return false;
  // The last line, without a line end.
  line = std::string_view(buffer_.get() + begin_, end_ - begin_);
  offset = bufferOffset_ + begin_;
  begin_ = end_;
  ++lines_;
  return true;
}

void adviseHugePages(void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t last = (start + bytes) & ~(kHuge - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace qor
