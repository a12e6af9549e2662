// End to end through OpenAL Soft's wave writer: what the show plays (its
// looping music, one-shot voices on either side of the listener) is heard
// in the written file, at the sine's pitch and on the right side; what it
// does not play leaves the file silent.

#include "media/sound/SoundManager.h"
#include "media/SoundFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

using namespace kelvo::test;
using namespace std::chrono_literals;

constexpr double kHz = 440.0;
constexpr int kAudible = 64;  // sample magnitude above dither and rounding noise

struct Listening {
  double rmsLeft = 0, rmsRight = 0;
  double hz = 0;            // pitch over the stretch with sound
  bool soundAtEnd = false;  // the last tenth of a second is not silent
  bool heard = false;
};

Listening listen(const Wav16& wav) {
  Listening out;
  const size_t frames = wav.samples.size() / 2;
  auto mono = [&](size_t f) { return (wav.samples[2 * f] + wav.samples[2 * f + 1]) / 2; };
  size_t first = frames, last = 0;
  double left = 0, right = 0;
  for (size_t f = 0; f < frames; ++f) {
    left += double(wav.samples[2 * f]) * wav.samples[2 * f];
    right += double(wav.samples[2 * f + 1]) * wav.samples[2 * f + 1];
    if (std::abs(wav.samples[2 * f]) > kAudible || std::abs(wav.samples[2 * f + 1]) > kAudible) {
      if (first == frames) first = f;
      last = f;
    }
  }
  if (frames == 0 || first == frames) return out;
  out.heard = true;
  out.rmsLeft = std::sqrt(left / frames);
  out.rmsRight = std::sqrt(right / frames);
  // Whole periods between the first and the last upward zero crossing.
  size_t firstRise = 0, lastRise = 0;
  int rises = 0;
  for (size_t f = first + 1; f <= last; ++f) {
    if (mono(f - 1) < 0 && mono(f) >= 0) {
      if (rises++ == 0) firstRise = f;
      lastRise = f;
    }
  }
  if (rises > 1) out.hz = (rises - 1) * double(wav.rate) / double(lastRise - firstRise);
  out.soundAtEnd = last + wav.rate / 10 >= frames;
  return out;
}

TEST(SoundWave, WhatIsPlayedIsHeardInTheOutputFile) {
  TempDir output;
  const std::string outFile = output.file("out.wav");
  useWaveBackend(outFile);
  TempDir game;
  const std::string music = game.write("Data/sounds/Musica/ghost6.wav", sineWav(kHz, 0.25));
  const std::string voice = game.write("Data/sounds/Efectos/VenBebe.wav", sineWav(kHz, 0.15));
  const std::string missing = game.file("Data/sounds/Efectos/Atrapenla.wav");

  struct Case {
    const char* what;
    const std::string* file;  // null: nothing is played
    float x, y, z;
    bool loop;
    bool heard;
    int side;  // +1 louder on the right, -1 on the left, 0 not checked
  };
  const Case cases[] = {
      {"the music, looping, ahead", &music, 3.0f, 0.0f, -30.0f, true, true, 0},
      {"a voice on the right", &voice, 5.0f, 0.0f, 0.0f, false, true, +1},
      {"a voice on the left", &voice, -5.0f, 0.0f, 0.0f, false, true, -1},
      {"a missing voice", &missing, 0.0f, 0.0f, -1.0f, false, false, 0},
      {"nothing", nullptr, 0, 0, 0, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qor::SoundManager manager;
    ASSERT_TRUE(manager.Create());
    const float origin[3] = {0, 0, 0}, at[3] = {0, 0, -1}, up[3] = {0, 1, 0};
    manager.SetListener(origin, at, up);
    qor::Sound* sound = c.file ? manager.PlayAt(*c.file, c.x, c.y, c.z, c.loop) : nullptr;
    EXPECT_EQ(sound != nullptr, c.heard);
    if (sound && c.loop) {
      std::this_thread::sleep_for(600ms);  // more than twice the music's length
      EXPECT_TRUE(sound->IsPlaying());
    } else if (sound) {
      auto end = std::chrono::steady_clock::now() + 3s;
      while (sound->IsPlaying() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(5ms);
      EXPECT_FALSE(sound->IsPlaying());
      std::this_thread::sleep_for(200ms);
    } else {
      std::this_thread::sleep_for(300ms);
    }
    manager.Destroy();  // closes the file and completes its header

    Wav16 wav = readWav16(outFile);
    ASSERT_TRUE(wav.ok);
    ASSERT_EQ(wav.channels, 2);
    ASSERT_GT(wav.samples.size(), size_t(wav.rate) / 5);
    Listening heard = listen(wav);
    EXPECT_EQ(heard.heard, c.heard);
    if (!c.heard) continue;
    EXPECT_NEAR(heard.hz, kHz, kHz * 0.02);
    EXPECT_EQ(heard.soundAtEnd, c.loop) << "a looping sound plays on, a voice ends";
    if (c.side > 0) {
      EXPECT_GT(heard.rmsRight, 1.5 * heard.rmsLeft);
    } else if (c.side < 0) {
      EXPECT_GT(heard.rmsLeft, 1.5 * heard.rmsRight);
    }
  }
}

}  // namespace
