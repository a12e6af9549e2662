#pragma once
// One WAV sample bound to one OpenAL source. Load decodes the file into a
// buffer and attaches it to a new source; the sound owns both names and
// deletes them when it is unloaded or destroyed. Every call needs the sound
// manager's context to be current (see SoundManager.h).

#include <cstdint>

namespace qor {

class Sound {
public:
  Sound() = default;
  // Unloads the sound.
  virtual ~Sound();
  Sound(const Sound&) = delete;
  Sound& operator=(const Sound&) = delete;

  // Decodes the WAV file and makes a source that plays it. False when the file
  // cannot be read or decoded or OpenAL refuses the data; the sound then holds
  // no OpenAL names. The sound must not be loaded yet.
  bool Load(const char* fileName);
  // Stops the source if it plays and deletes the source and the buffer.
  // Nothing happens for a sound that is not loaded.
  void Unload();
  bool IsSoundLoaded() const { return buffer_ != 0 && source_ != 0; }

  // Moves the source (in listener coordinates). Ignored when not loaded.
  void SetPosition(float x, float y, float z);
  // Sets the looping flag, then starts the source from the beginning if it is
  // new or has finished. A playing sound keeps playing from where it is and a
  // paused one stays paused. The sound must be loaded.
  void Play(bool loop);
  // Stops the source; the next Play starts from the beginning.
  void Stop();
  bool IsPlaying() const;

  // The OpenAL source name, 0 when not loaded.
  uint32_t GetSource() const { return source_; }

private:
  uint32_t buffer_ = 0;
  uint32_t source_ = 0;
};

}  // namespace qor
