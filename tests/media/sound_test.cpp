// SoundManager on a working device (OpenAL Soft's wave writer): the cache, unloadable files, Play by state.

#include "media/sound/SoundManager.h"
#include "media/SoundFixtures.h"
#include "util/Warnings.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <vector>

using namespace kelvo::test;

namespace {
std::vector<std::string> warnings;
void keepWarning(std::string_view text) { warnings.emplace_back(text); }
}  // namespace

TEST(SoundManager, DecodesOnceRetriesFailedFilesWithoutKeepingBuffersAndPlaysByState) {
  useWaveBackend("/dev/null");
  qor::SoundManager manager;
  ASSERT_TRUE(manager.Create());
  TempDir dir;
  const std::string valid = sineWav(0.1);
  // OpenAL Soft hands out the lowest free name: the same name before and after a load means it kept no buffer.
  auto nextBufferName = [] {
    ALuint probe = 0;
    alGenBuffers(1, &probe);
    alDeleteBuffers(1, &probe);
    return probe;
  };
  const struct {
    const char* what;
    char kind;  // 'f' a file of `bytes`, 'm' missing, 'd' a directory, 'p' a FIFO
    std::string bytes;
    const char* why;  // the reason each failed request tells whoever listens
  } cases[] = {
      {"missing", 'm', "", "no such file"},
      {"empty", 'f', "", "not a WAV sound that can be decoded"},
      {"not a WAV", 'f', "plain text, no RIFF header", "not a WAV sound that can be decoded"},
      {"cut in its header", 'f', valid.substr(0, 30), "not a WAV sound that can be decoded"},
      {"cut in its samples", 'f', valid.substr(0, 100), "not a WAV sound that can be decoded"},
      {"a directory", 'd', "", "a folder, not a file"},
      {"a FIFO without a writer (must not block)", 'p', "", "not a regular file"},
  };
  qor::setWarningHook(&keepWarning);
  std::size_t n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = std::to_string(n) + ".wav", file = dir.file(name);
    if (c.kind == 'f') dir.write(name, c.bytes);
    if (c.kind == 'd') std::filesystem::create_directory(file);
    ASSERT_TRUE(c.kind != 'p' || ::mkfifo(file.c_str(), 0600) == 0);
    const ALuint before = nextBufferName();
    warnings.clear();
    EXPECT_EQ(manager.GetSound(file), nullptr);
    EXPECT_EQ(manager.GetSound(file), nullptr);
    EXPECT_EQ(nextBufferName(), before) << "a failed load kept an OpenAL buffer";
    const std::string warning = "cannot open sound \"" + file + "\": " + c.why;
    EXPECT_EQ(warnings, (std::vector<std::string>{warning, warning}));

    std::filesystem::remove(file);
    dir.write(name, valid);
    qor::Sound* sound = manager.GetSound(file);
    ASSERT_TRUE(sound && sound->IsSoundLoaded()) << "the file was not tried again";
    // With the file gone, the next request can only be served from the cache.
    std::filesystem::remove(file);
    EXPECT_EQ(manager.GetSound(file), sound);
    EXPECT_EQ(manager.soundCount(), ++n);
  }
  qor::setWarningHook(nullptr);
  // Another spelling of a file is another name: decoded anew, and failing.
  EXPECT_EQ(manager.GetSound(dir.path() + "/./s0.wav"), nullptr);

  // Play by the source's state: a new or stopped sound starts from the
  // beginning, a playing one goes on, a paused one stays paused.
  qor::Sound* sound = manager.GetSound(dir.write("long.wav", sineWav(2.0)));
  ASSERT_NE(sound, nullptr);
  auto get = [&](ALenum what) {
    ALint value = -1;
    alGetSourcei(sound->GetSource(), what, &value);
    return value;
  };
  sound->Play(false);
  alSourcei(sound->GetSource(), AL_SAMPLE_OFFSET, 30000);  // on to 1.36 s
  sound->Play(true);  // playing: now looping
  EXPECT_EQ(get(AL_SOURCE_STATE), AL_PLAYING);
  EXPECT_EQ(get(AL_LOOPING), AL_TRUE);
  EXPECT_GE(get(AL_SAMPLE_OFFSET), 30000) << "a playing sound was restarted";
  alSourcePause(sound->GetSource());
  sound->Play(true);
  EXPECT_EQ(get(AL_SOURCE_STATE), AL_PAUSED);
  sound->Stop();
  sound->Play(true);  // stopped, as a finished sound is
  EXPECT_EQ(get(AL_SOURCE_STATE), AL_PLAYING);
}
