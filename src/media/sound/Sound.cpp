#include "media/sound/Sound.h"

#include "base/memory/Assert.h"
#include "util/MappedFile.h"

#include <AL/al.h>
#include <AL/alut.h>

namespace qor {

namespace {

// Decodes the WAV file with freealut and hands the samples to the buffer.
// freealut reports a file it cannot open or decode only through its own
// error state and by leaving the outputs untouched, never through
// alGetError, so the outputs start out empty and an empty result counts as
// a failure.
bool fillBuffer(ALuint buffer, const char* fileName) {
  QOR_ASSERT(fileName != nullptr);
  QOR_ASSERT(buffer != 0);
  ALenum format = 0;
  ALvoid* data = nullptr;
  ALsizei size = 0;
  ALsizei frequency = 0;
  ALboolean loop = AL_FALSE;
  // freealut opens the name with fopen, which waits forever on a FIFO
  // without a writer; only regular files are decoded.
  if (!canReadRegularFile(fileName)) return false;
  // The WAV loader is the one freealut has kept for compatibility; it decodes
  // without alutInit and without a context of its own.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  alutLoadWAVFile(reinterpret_cast<ALbyte*>(const_cast<char*>(fileName)), &format, &data, &size,
                  &frequency, &loop);
  if (data == nullptr) {
    alutGetError();  // clear freealut's error so it does not linger
    return false;
  }
  bool ok = alGetError() == AL_NO_ERROR;
  if (ok) {
    alBufferData(buffer, format, data, size, frequency);
    ok = alGetError() == AL_NO_ERROR;
  }
  alutUnloadWAV(format, data, size, frequency);
#pragma GCC diagnostic pop
  return ok;
}

}  // namespace

Sound::~Sound() { Unload(); }

bool Sound::Load(const char* fileName) {
  QOR_ASSERT(!IsSoundLoaded());
  alGetError();  // an error left over from elsewhere must not fail this load

  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  if (buffer == 0 || !fillBuffer(buffer, fileName)) {
    // A failed load keeps no names: a missing file is asked for again on
    // later requests, and each try would otherwise leave a buffer behind.
    if (buffer != 0) alDeleteBuffers(1, &buffer);
    alGetError();
    return false;
  }

  ALuint source = 0;
  alGenSources(1, &source);
  if (source != 0) alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  if (source == 0 || alGetError() != AL_NO_ERROR) {
    if (source != 0) alDeleteSources(1, &source);
    alDeleteBuffers(1, &buffer);
    alGetError();
    return false;
  }

  buffer_ = buffer;
  source_ = source;
  return true;
}

void Sound::Unload() {
  if (!IsSoundLoaded()) return;
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state == AL_PLAYING) alSourceStop(source_);
  ALuint source = source_;
  ALuint buffer = buffer_;
  // The buffer can only be deleted once no source refers to it.
  alDeleteSources(1, &source);
  alDeleteBuffers(1, &buffer);
  source_ = 0;
  buffer_ = 0;
}

void Sound::SetPosition(float x, float y, float z) {
  if (!IsSoundLoaded()) return;
  alSource3f(source_, AL_POSITION, x, y, z);
}

void Sound::Play(bool loop) {
  QOR_ASSERT(IsSoundLoaded());
  alSourcei(source_, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state == AL_INITIAL || state == AL_STOPPED) alSourcePlay(source_);
}

void Sound::Stop() {
  if (IsSoundLoaded()) alSourceStop(source_);
}

bool Sound::IsPlaying() const {
  if (!IsSoundLoaded()) return false;
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

}  // namespace qor
