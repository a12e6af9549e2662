#include "util/MappedFile.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <new>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qor {

namespace {

// A descriptor that closes itself.
struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

// Opens `path` for reading when it is a regular file; -1 otherwise, and
// without blocking: O_NONBLOCK keeps a FIFO from waiting for a writer.
int openRegular(const std::string& path, std::size_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<std::uintmax_t>(info.st_size) > SIZE_MAX) {
    ::close(fd);
    return -1;
  }
  size = static_cast<std::size_t>(info.st_size);
  return fd;
}

// Reads up to `size` bytes into `to`; stops early at the end of a file that
// shrank. Returns the count read, or -1 on an error.
long long readUpTo(int fd, char* to, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, to + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

bool writeAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Writes `bytes` to a new file named `stem` plus a suffix of this process
// and call, whose name goes to `temp`. O_EXCL makes the open fail on anything
// already at the temporary name, a link included, so nothing is ever written
// through one. False (and nothing left behind) when it cannot be written whole.
bool writeTemporary(const std::string& stem, std::string_view bytes, std::string& temp) {
  static std::atomic<unsigned> serial{0};
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.new", static_cast<long>(::getpid()), serial++);
    temp = stem + suffix;
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  const bool written = writeAll(fd, bytes);
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

int openRegularFile(const std::string& path, std::size_t& size) { return openRegular(path, size); }
long long readFileUpTo(int fd, char* to, std::size_t size) { return readUpTo(fd, to, size); }

MappedFile::MappedFile(const std::string& path) {
  std::size_t size = 0;
  const Fd file(openRegular(path, size));
  if (file.fd < 0) return;
  if (size > 0) {
    // A file too large for memory fails to open rather than ending the program.
    data_.reset(new (std::nothrow) char[size]);
    if (!data_) return;
    const long long got = readUpTo(file.fd, data_.get(), size);
    if (got < 0) {
      data_.reset();
      return;
    }
    size_ = static_cast<std::size_t>(got);
  }
  opened_ = true;
}

bool readRegularFile(const std::string& path, std::string& out, std::size_t maxBytes, std::size_t* size) {
  out.clear();
  std::size_t fileSize = 0;
  const Fd file(openRegular(path, fileSize));
  if (file.fd < 0) return false;
  if (size) *size = fileSize;
  if (fileSize > maxBytes) return false;
  try {
    out.resize(fileSize);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const long long got = readUpTo(file.fd, out.data(), fileSize);
  if (got < 0) {
    out.clear();
    return false;
  }
  out.resize(static_cast<std::size_t>(got));
  return true;
}

bool canReadRegularFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

bool writeRegularFile(const std::string& path, std::string_view bytes) {
  if (path.empty() || path.back() == '/') return false;
  // Only a regular file or a link may be replaced; a FIFO, a device or a
  // folder at the name stays as it is.
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) return false;

  // The new file lies in the same folder, so the rename cannot cross file
  // systems.
  std::string temp;
  if (!writeTemporary(path, bytes, temp)) return false;
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

long numberInName(std::string_view name, std::string_view prefix, std::string_view suffix) {
  if (name.size() <= prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - suffix.size()) != suffix)
    return -1;
  const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  if (digits.size() > 9) return -1;
  long number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

namespace {

// The highest number of the names `prefix` NUMBER `suffix` in `folder`, 0
// when there are none; -1 when the folder cannot be read.
long highestNumber(const std::string& folder, std::string_view prefix, std::string_view suffix) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return -1;
  long highest = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const long number = numberInName(entry->d_name, prefix, suffix);
    if (number > highest) highest = number;
  }
  ::closedir(dir);
  return highest;
}

// Gives the file at `temp` the name `path` unless something is there
// already (errno EEXIST then). Where the file system cannot rename without
// replacing, a hard link does the same: it too fails on a taken name.
bool publishWithoutReplacing(const std::string& temp, const std::string& path) {
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  if (::link(temp.c_str(), path.c_str()) != 0) return false;
  ::unlink(temp.c_str());
  return true;
}

}  // namespace

bool writeNumberedFile(const std::string& folder, std::string_view prefix, std::string_view suffix,
                       std::string_view bytes, std::string& name) {
  constexpr long kLargestNumber = 999999999;
  const std::string base = folder.empty() ? std::string(".") : folder;
  long number = highestNumber(base, prefix, suffix);
  if (number < 0) return false;
  // A hidden temporary name, which no numbered name can be.
  std::string temp;
  if (!writeTemporary(base + "/." + std::string(prefix), bytes, temp)) return false;
  // Another writer may take the number between the look at the folder and
  // the rename; then the next one is tried, as long as names are taken.
  for (int attempt = 0; attempt < 1000 && number < kLargestNumber; ++attempt) {
    std::string digits = std::to_string(++number);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    std::string candidate = std::string(prefix) + digits + std::string(suffix);
    if (publishWithoutReplacing(temp, base + "/" + candidate)) {
      name = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) break;
  }
  ::unlink(temp.c_str());
  return false;
}

bool makeFolderFor(const std::string& file) {
  const std::size_t slash = file.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return true;  // the current folder, or "/"
  const std::string folder = file.substr(0, slash);
  if (::mkdir(folder.c_str(), 0777) == 0) return true;
  struct stat info;
  return errno == EEXIST && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

bool laterThan(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

}  // namespace

bool cacheIsCurrent(const std::string& cache, const std::string& source) {
  struct stat cacheInfo, sourceInfo;
  if (::stat(cache.c_str(), &cacheInfo) != 0) return false;
  // A source that is not there has no newer version (a model made in
  // memory under a file's name, say).
  if (::stat(source.c_str(), &sourceInfo) != 0) return true;
  // Both times come from the same clock, the file system's; an equal time
  // (a coarse clock, the cache written in the same tick) counts as current.
  return !laterThan(sourceInfo.st_mtim, cacheInfo.st_mtim);
}

}  // namespace qor
