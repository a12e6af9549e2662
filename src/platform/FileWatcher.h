#pragma once
// Tells when files changed on disk, through inotify, without a thread and
// without blocking: the main loop polls it once a pass.
//
// The folders of the files are watched, not the files, and events are
// filtered by name: an editor that saves by writing a new file and renaming
// it over the old one (or by deleting the old one and making a new one)
// replaces the file, which a watch on the file itself would lose. A file
// that is missing is watched all the same, so that making it counts; where
// its folder is missing too, the nearest folder above that exists is
// watched for the first missing name.
//
// One save makes several events (a delete, a create, writes, a close, a
// change of mode): they count as one change once no event followed for
// kQuietMs of the caller's clock.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qor::platform {

class FileWatcher {
public:
  static constexpr int32_t kQuietMs = 50;

  FileWatcher();
  ~FileWatcher();
  FileWatcher(const FileWatcher&) = delete;
  FileWatcher& operator=(const FileWatcher&) = delete;

  // False when inotify is not available (then nothing is ever seen).
  bool ok() const { return fd_ >= 0; }

  // Watches exactly `paths` from now on (spelled as the program opens them,
  // relative to the working folder or absolute), dropping the others. A
  // change seen before and not yet reported stays pending.
  void watch(const std::vector<std::string>& paths);

  // Reads what happened since the last call, without waiting. True once per
  // change of the watched files: at the first call, `nowMs` on the program
  // clock, that finds no new event for kQuietMs after the last one.
  bool poll(int32_t nowMs);

  // The watched paths (as given to watch) that changed in what the last
  // true poll reported.
  const std::set<std::string>& changed() const { return changed_; }

  // The folders the last watch could not watch, each as "FOLDER: reason"
  // (the system's limit of watches reached, say); their files are not seen.
  const std::vector<std::string>& failures() const { return failures_; }

private:
  struct Folder {
    std::string path;
    // Watched name in the folder → the paths given to watch that it is.
    std::map<std::string, std::vector<std::string>> names;
  };
  // Watches `path` for `given` (a link's target is watched for the link).
  void add(const std::string& path, const std::string& given, std::map<int, Folder>& folders);
  // Takes the events waiting on the descriptor; true when one named a
  // watched file.
  bool readEvents();

  int fd_ = -1;
  std::map<int, Folder> folders_;  // by watch descriptor
  std::set<std::string> pending_, changed_;
  std::vector<std::string> failures_;
  bool waiting_ = false;  // an event came, the quiet time has not passed
  int32_t lastEventMs_ = 0;
};

}  // namespace qor::platform
