#pragma once
// kelvo-scene's --watch: the files a load read (the script, its includes,
// the scene settings, models, material libraries, textures, found through
// the readers' hook in util/ReadRecord.h) are watched, and when one of them
// is saved the main loop loads the scene again, as "reset" does. Models and
// material libraries go with every load anyway; the textures of the changed
// files are dropped from the texture cache (which outlives a load), so that
// they are read again too.

#include "platform/FileWatcher.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace kelvo::authoring {

class SceneWatch {
public:
  SceneWatch() = default;
  ~SceneWatch();
  SceneWatch(const SceneWatch&) = delete;
  SceneWatch& operator=(const SceneWatch&) = delete;

  // Starts watching: the readers' hook is installed and the coming load
  // recorded; standard output goes out line by line. Call it before anything
  // is printed. False (with a line on standard error) when the system gives
  // no inotify descriptor; the scene then runs unwatched.
  bool enable();
  bool enabled() const { return watcher_ != nullptr; }

  // Before a load: the textures of the files that changed are dropped, and
  // the record starts afresh. Nothing when not enabled.
  void beginLoad();
  // After a load: what it read is what is watched from now on.
  void loaded();

  // Once a pass of the main loop: true when a watched file was saved and
  // nothing more happened to the watched files for the quiet time (one
  // save, one true). Never waits.
  bool changed(int32_t nowMs);

  // The files the last load read, as they were opened.
  const std::set<std::string>& files() const { return files_; }

private:
  std::unique_ptr<qor::platform::FileWatcher> watcher_;
  std::set<std::string> files_;
  std::set<std::string> changedFiles_;  // seen since the last load began
};

}  // namespace kelvo::authoring
