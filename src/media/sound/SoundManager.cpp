#include "media/sound/SoundManager.h"

#include "base/memory/Assert.h"
#include "util/Warnings.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <dlfcn.h>

#include <cstdlib>

namespace qor {

SoundManager soundManager;

namespace {

// A machine without a sound card is an ordinary place for the show to run
// (silently). The audio libraries would say so on standard error line by
// line as OpenAL tries its back-ends; the program has nothing to add, so
// their messages are turned off unless the user asked for them.
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void quietAudioLibraries() {
  setenv("ALSOFT_LOGLEVEL", "0", 0);  // OpenAL Soft's own messages
  // ALSA prints through a handler of its own; OpenAL loads the library
  // later and gets this same handle, with the quiet handler in place.
  using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
  static void* alsa = dlopen("libasound.so.2", RTLD_LAZY);
  if (!alsa || std::getenv("KELVO_AUDIO_DEBUG")) return;
  if (auto setHandler = reinterpret_cast<int (*)(ErrorHandler)>(dlsym(alsa, "snd_lib_error_set_handler"))) {
    setHandler(&ignoreAlsaMessage);
  }
}

}  // namespace

SoundManager::~SoundManager() { Destroy(); }

bool SoundManager::Create() {
  QOR_ASSERT(!IsManagerCreated());
  quietAudioLibraries();
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) return false;
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!context) {
    alcCloseDevice(device);
    return false;
  }
  alGetError();  // start from a clean error state on the new context
  if (!alcMakeContextCurrent(context) || alGetError() != AL_NO_ERROR) {
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    return false;
  }
  device_ = device;
  context_ = context;
  return true;
}

void SoundManager::Destroy() {
  if (!IsManagerCreated()) return;
  sounds_.clear();  // each sound unloads itself while the context is current
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context_);
  context_ = nullptr;
  alcCloseDevice(device_);
  device_ = nullptr;
}

Sound* SoundManager::GetSound(std::string_view fileName) {
  if (!IsManagerCreated()) return nullptr;
  auto found = sounds_.find(fileName);
  if (found != sounds_.end()) return found->second.get();

  std::string name(fileName);  // Load needs a terminated name
  auto sound = std::make_unique<Sound>();
  if (!sound->Load(name.c_str())) {  // not stored: tried again next time
    if (warningsWanted()) {
      warn("cannot open sound \"" + name + "\": " + describeUnreadableFile(name, "not a WAV sound that can be decoded"));
    }
    return nullptr;
  }
  Sound* result = sound.get();
  alSourcef(result->GetSource(), AL_REFERENCE_DISTANCE, referenceDistance_);
  sounds_.emplace(std::move(name), std::move(sound));
  return result;
}

Sound* SoundManager::PlayAt(std::string_view fileName, float x, float y, float z, bool loop) {
  Sound* sound = GetSound(fileName);
  if (!sound) return nullptr;
  sound->SetPosition(x, y, z);
  sound->Play(loop);
  return sound;
}

void SoundManager::SetReferenceDistance(float distance) {
  if (!(distance > 0.0f)) return;  // OpenAL takes no zero, negative or NaN distance
  referenceDistance_ = distance;
  if (!IsManagerCreated()) return;
  for (const auto& [name, sound] : sounds_) alSourcef(sound->GetSource(), AL_REFERENCE_DISTANCE, distance);
}

void SoundManager::SetListener(const float position[3], const float at[3], const float up[3]) {
  if (!IsManagerCreated()) return;
  alListener3f(AL_POSITION, position[0], position[1], position[2]);
  const ALfloat orientation[6] = {at[0], at[1], at[2], up[0], up[1], up[2]};
  alListenerfv(AL_ORIENTATION, orientation);
}

}  // namespace qor
