// Sound and SoundManager on a working device (OpenAL Soft's wave writer):
// one decode per file name, unloadable files, Play by source state.

#include "media/sound/SoundManager.h"
#include "media/SoundFixtures.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/stat.h>

namespace {

using namespace kelvo::test;
using namespace std::chrono_literals;
using qor::Sound;
using qor::SoundManager;

const TempDir& outputDir() {
  static TempDir dir;
  return dir;
}

ALint sourceInt(const Sound& sound, ALenum what) {
  ALint value = -1;
  alGetSourcei(sound.GetSource(), what, &value);
  return value;
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 3s) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// Name a fresh buffer would get now. OpenAL Soft hands out the lowest free
// name, so two probes around some work give the same name exactly when the
// work left no buffer behind.
ALuint nextBufferName() {
  ALuint probe = 0;
  alGenBuffers(1, &probe);
  alDeleteBuffers(1, &probe);
  return probe;
}

class SoundManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    useWaveBackend(outputDir().file("out.wav"));
    ASSERT_TRUE(manager.Create());
  }
  void TearDown() override { manager.Destroy(); }

  std::string sine(const std::string& name, double seconds = 0.2) {
    return dir.write(name, sineWav(440, seconds));
  }

  SoundManager manager;
  TempDir dir;
};

TEST_F(SoundManagerTest, AFileIsDecodedOnceAndKeptUnderItsExactSpelling) {
  std::string path = sine("a.wav");
  Sound* first = manager.GetSound(path);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->IsSoundLoaded());

  // With the file gone, the second request can only be served from the cache.
  std::filesystem::remove(path);
  EXPECT_EQ(manager.GetSound(path), first);
  EXPECT_EQ(manager.soundCount(), 1u);

  // Another spelling of the same file is another name, so it is decoded anew
  // (and fails now that the file is gone).
  EXPECT_EQ(manager.GetSound(dir.path() + "/./a.wav"), nullptr);
  EXPECT_EQ(manager.soundCount(), 1u);
}

TEST_F(SoundManagerTest, AFileThatCannotBeLoadedGivesNullKeepsNothingAndIsTriedAgain) {
  const std::string valid = sineWav(440, 0.1);
  auto writeAt = [](const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  };
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> make;  // leaves an unloadable file
  };
  const Case cases[] = {
      {"missing", [](const std::string&) {}},
      {"empty", [&](const std::string& p) { writeAt(p, ""); }},
      {"not a WAV", [&](const std::string& p) { writeAt(p, "plain text, no RIFF header"); }},
      {"cut in its header", [&](const std::string& p) { writeAt(p, valid.substr(0, 30)); }},
      {"cut in its samples", [&](const std::string& p) { writeAt(p, valid.substr(0, 100)); }},
      {"a directory", [](const std::string& p) { std::filesystem::create_directory(p); }},
      {"a FIFO without a writer", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.file("s" + std::to_string(n++) + ".wav");
    c.make(path);
    ALuint before = nextBufferName();
    EXPECT_EQ(manager.GetSound(path), nullptr);
    EXPECT_EQ(manager.GetSound(path), nullptr);
    EXPECT_EQ(nextBufferName(), before) << "a failed load kept an OpenAL buffer";
    EXPECT_EQ(manager.soundCount(), 0u);

    std::filesystem::remove(path);
    writeAt(path, valid);
    Sound* sound = manager.GetSound(path);
    ASSERT_NE(sound, nullptr) << "the file was not tried again";
    EXPECT_TRUE(sound->IsSoundLoaded());
    manager.Destroy();  // back to an empty cache for the next case
    ASSERT_TRUE(manager.Create());
  }
}

TEST_F(SoundManagerTest, PlayStartsOnlyANewOrFinishedSound) {
  // Brings the sound into a state and returns its sample offset then.
  // Sample offsets count the file's samples (22050 a second): a restarted
  // sound is read back well before half a second, a running one after.
  const ALint halfSecond = 11025;
  using Prepare = std::function<ALint(Sound&)>;
  auto playing = [&](Sound& s) {
    s.Play(false);
    EXPECT_TRUE(waitFor([&] { return sourceInt(s, AL_SAMPLE_OFFSET) > halfSecond; }));
    return sourceInt(s, AL_SAMPLE_OFFSET);
  };
  struct Case {
    const char* what;
    double seconds;
    Prepare prepare;
    ALint stateAfter;
    bool continues;  // the offset goes on from where it was
  };
  const Case cases[] = {
      {"new", 2.0, [](Sound&) { return 0; }, AL_PLAYING, false},
      {"playing", 2.0, playing, AL_PLAYING, true},
      {"finished", 0.15,
       [](Sound& s) {
         s.Play(false);
         EXPECT_TRUE(waitFor([&] { return sourceInt(s, AL_SOURCE_STATE) == AL_STOPPED; }));
         return 0;
       },
       AL_PLAYING, false},
      {"stopped", 2.0,
       [&](Sound& s) {
         playing(s);
         s.Stop();
         return 0;
       },
       AL_PLAYING, false},
      {"paused", 2.0,
       [&](Sound& s) {
         ALint at = playing(s);
         alSourcePause(s.GetSource());
         return at;
       },
       AL_PAUSED, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sound* sound = manager.GetSound(sine(std::string(c.what) + ".wav", c.seconds));
    ASSERT_NE(sound, nullptr);
    ALint offsetBefore = c.prepare(*sound);
    sound->Play(true);
    EXPECT_EQ(sourceInt(*sound, AL_SOURCE_STATE), c.stateAfter);
    EXPECT_EQ(sourceInt(*sound, AL_LOOPING), AL_TRUE);
    ALint offsetAfter = sourceInt(*sound, AL_SAMPLE_OFFSET);
    if (c.continues) {
      EXPECT_GE(offsetAfter, offsetBefore) << "the sound was restarted";
    } else {
      EXPECT_LT(offsetAfter, halfSecond) << "the sound did not start from the beginning";
    }
    sound->Stop();
  }
}

TEST_F(SoundManagerTest, DestroyReleasesEverySoundAndTheManagerCanBeCreatedAgain) {
  std::string path = sine("a.wav");
  ASSERT_NE(manager.PlayAt(path, 1, 2, 3, true), nullptr);
  manager.Destroy();
  EXPECT_EQ(manager.soundCount(), 0u);
  EXPECT_EQ(manager.GetSound(path), nullptr);
  manager.Destroy();  // a second Destroy does nothing
  ASSERT_TRUE(manager.Create());
  EXPECT_NE(manager.GetSound(path), nullptr);
}

}  // namespace
