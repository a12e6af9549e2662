#include "platform/FileWatcher.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Clock.h"

namespace qor::platform {

namespace {

// What changes a name in a folder: a write ending, a rename onto it or away
// from it, a delete, a create, a change of mode (a file made readable). The
// folder itself going away or moving ends its watch.
constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CREATE | IN_ATTRIB |
                           IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Splits "a/b/c" into folder "a/b" and name "c"; "c" lies in ".", "/c" in "/".
void split(const std::string& path, std::string& folder, std::string& name) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder = ".";
    name = path;
  } else {
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}

}  // namespace

FileWatcher::FileWatcher() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatcher::~FileWatcher() {
  if (fd_ >= 0) ::close(fd_);
}

void FileWatcher::add(const std::string& path, const std::string& given, std::map<int, Folder>& folders) {
  std::string folder, name;
  split(path, folder, name);
  // Climb while the folder is missing, watching for the first missing name.
  for (int depth = 0; depth < 64; ++depth) {
    if (name.empty() || name == "." || name == "..") return;
    const int wd = ::inotify_add_watch(fd_, folder.c_str(), kMask);
    if (wd >= 0) {
      Folder& entry = folders[wd];
      entry.path = folder;
      entry.names[name].push_back(given);
      return;
    }
    if (errno != ENOENT && errno != ENOTDIR) {
      const std::string failure = folder + ": " + std::strerror(errno);
      if (std::find(failures_.begin(), failures_.end(), failure) == failures_.end()) failures_.push_back(failure);
      return;
    }
    if (folder == "." || folder == "/") return;
    split(std::string(folder), folder, name);
  }
}

void FileWatcher::watch(const std::vector<std::string>& paths) {
  if (fd_ < 0) return;
  failures_.clear();
  std::map<int, Folder> folders;
  for (const std::string& path : paths) {
    add(path, path, folders);
    // A symbolic link changes where it points to, too.
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
      if (char* target = ::realpath(path.c_str(), nullptr)) {
        add(target, path, folders);
        std::free(target);
      }
    }
  }
  for (const auto& [wd, folder] : folders_)
    if (!folders.count(wd)) ::inotify_rm_watch(fd_, wd);
  folders_ = std::move(folders);
}

bool FileWatcher::readEvents() {
  bool seen = false;
  alignas(struct inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got <= 0) break;  // EAGAIN: nothing more now
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(struct inotify_event)) <= got;) {
      const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        // Events were lost: any file may have changed.
        for (const auto& [wd, folder] : folders_)
          for (const auto& [name, given] : folder.names) pending_.insert(given.begin(), given.end());
        seen = true;
        continue;
      }
      const auto folder = folders_.find(event->wd);
      if (folder == folders_.end()) continue;
      if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
        // The folder went (or its watch did): everything in it is gone from
        // where the program looks; the next watch finds the folder again.
        for (const auto& [name, given] : folder->second.names) pending_.insert(given.begin(), given.end());
        seen = true;
        if (event->mask & IN_IGNORED) folders_.erase(folder);
        continue;
      }
      if (event->len == 0) continue;
      const auto name = folder->second.names.find(std::string(event->name));
      if (name == folder->second.names.end()) continue;
      pending_.insert(name->second.begin(), name->second.end());
      seen = true;
    }
  }
  return seen;
}

bool FileWatcher::poll(int32_t nowMs) {
  if (fd_ < 0) return false;
  if (readEvents()) {
    waiting_ = true;
    lastEventMs_ = nowMs;
  }
  if (!waiting_ || clockDiff(nowMs, lastEventMs_) < kQuietMs) return false;
  waiting_ = false;
  changed_ = std::move(pending_);
  pending_.clear();
  return true;
}

}  // namespace qor::platform
