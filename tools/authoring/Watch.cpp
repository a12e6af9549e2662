#include "authoring/Watch.h"

#include "material/TextureManager.h"
#include "util/ReadRecord.h"

#include <cstdio>
#include <vector>

namespace kelvo::authoring {

namespace {

// The readers' hook is a plain function: what it records lives here. Only
// one SceneWatch is enabled at a time.
std::set<std::string>* recording = nullptr;

void record(std::string_view path) {
  if (recording && !path.empty()) recording->emplace(path);
}

}  // namespace

SceneWatch::~SceneWatch() {
  if (watcher_) {
    qor::setReadHook(nullptr);
    recording = nullptr;
  }
}

bool SceneWatch::enable() {
  if (watcher_) return true;
  auto watcher = std::make_unique<qor::platform::FileWatcher>();
  if (!watcher->ok()) {
    std::fputs("kelvo-scene: cannot watch files (no inotify); --watch is off\n", stderr);
    return false;
  }
  watcher_ = std::move(watcher);
  // An author watching the window (or an editor reading the output through
  // a pipe) wants each line the script prints as it is printed.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  qor::setReadHook(&record);
  beginLoad();
  return true;
}

void SceneWatch::beginLoad() {
  if (!watcher_) return;
  for (const std::string& file : changedFiles_) qor::textureManager.releaseTexture(file);
  changedFiles_.clear();
  files_.clear();
  recording = &files_;
}

void SceneWatch::loaded() {
  if (!watcher_) return;
  // Files read after the load (the GUI's, a console line's) are not the
  // scene's.
  recording = nullptr;
  watcher_->watch(std::vector<std::string>(files_.begin(), files_.end()));
  for (const std::string& failure : watcher_->failures())
    std::fprintf(stderr, "kelvo-scene: cannot watch %s; its files are not watched\n", failure.c_str());
}

bool SceneWatch::changed(int32_t nowMs) {
  if (!watcher_ || !watcher_->poll(nowMs)) return false;
  const std::set<std::string>& files = watcher_->changed();
  changedFiles_.insert(files.begin(), files.end());
  std::fprintf(stderr, "kelvo-scene: %s changed; loading the scene again\n",
               files.empty() ? "a watched file" : files.begin()->c_str());
  return true;
}

}  // namespace kelvo::authoring
