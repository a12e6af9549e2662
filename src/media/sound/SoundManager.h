#pragma once
// The program's audio: the OpenAL device and context, and one Sound per WAV
// file name (spelled exactly as requested, compared byte by byte), each
// decoded on its first request and kept until Destroy.
//
// Without an audio device Create fails and every request gives null, so
// callers skip the sound and the program runs silent. A file that cannot be
// loaded gives null too, and is tried again on the next request.

#include "media/sound/Sound.h"

#include <AL/alc.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace qor {

class SoundManager {
public:
  SoundManager() = default;
  // Destroys the manager (run at program exit for the global one).
  ~SoundManager();
  SoundManager(const SoundManager&) = delete;
  SoundManager& operator=(const SoundManager&) = delete;

  // Opens the default audio device and makes a context on it current. False,
  // with nothing kept open, when there is no device or OpenAL fails. The
  // manager must not be created yet.
  bool Create();
  // Destroys every sound (pointers from GetSound die here), then the context
  // and the device. Nothing happens for a manager that is not created.
  void Destroy();
  bool IsManagerCreated() const { return device_ != nullptr && context_ != nullptr; }

  // The loaded sound of the file, decoding it on the first request; null when
  // the manager is not created or the file cannot be loaded.
  Sound* GetSound(std::string_view fileName);

  // Fetches the sound, moves it to (x, y, z) and plays it; returns it, or null
  // when there is none to play (the request is skipped).
  Sound* PlayAt(std::string_view fileName, float x, float y, float z, bool loop);

  // Places the listener at `position` (x, y, z), facing `at` with `up` as
  // the upward direction. Ignored when the manager is not created.
  void SetListener(const float position[3], const float at[3], const float up[3]);

  // The distance up to which a source plays at its full level (OpenAL's
  // reference distance; beyond it the level falls as reference / distance).
  // Applies to every sound, loaded already or later; 1 until set.
  void SetReferenceDistance(float distance);

  std::size_t soundCount() const { return sounds_.size(); }

private:
  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  float referenceDistance_ = 1.0f;
  std::map<std::string, std::unique_ptr<Sound>, std::less<>> sounds_;
};

// The program's sound manager. The start-up creates it; it is destroyed at
// shut-down or, at the latest, when the program exits.
extern SoundManager soundManager;

}  // namespace qor
