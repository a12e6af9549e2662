#pragma once
// The files a load reads: every reader of a file a scene asks for (the
// script and its includes, the scene settings, models, material libraries,
// textures) names the path here just before it opens it, also when the file
// then turns out to be missing or unreadable, and also when a cache of the
// reader answers instead of the disk. Whoever listens (kelvo-scene's
// watcher, which reloads the scene when one of them changes) installs a
// hook; with none set, nothing happens.

#include <string_view>

namespace qor {

using ReadHook = void (*)(std::string_view path);
void setReadHook(ReadHook hook);

namespace detail {
extern ReadHook readHook;
}
// Passes `path`, spelled as the reader opens it, to the hook.
inline void noteFileRead(std::string_view path) {
  if (detail::readHook) detail::readHook(path);
}

}  // namespace qor
