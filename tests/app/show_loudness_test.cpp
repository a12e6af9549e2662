// How loud the show is at the output, heard through OpenAL Soft's wave
// writer: the shipped music and voices, started as the viewer starts them
// (listener at the origin, every source 30 units away).

#include "ai/Actors.h"
#include "app/Hooks.h"
#include "media/SoundFixtures.h"
#include "media/sound/SoundManager.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kOutputRate = 44100;  // stereo, 16 bits (SoundFixtures.h)

std::vector<int16_t> samples(const std::string& file) { return kelvo::test::wavSamples(kelvo::test::readFile(file)); }

struct Level {
  double rmsDb = -200, peak = 0;
  std::size_t frames = 0;
};

// RMS (dB relative to full scale) and peak of `frames` stereo frames from
// the first audible sample on: where the sound starts in the file depends
// on when it was started, its level does not.
Level measure(const std::vector<int16_t>& out, std::size_t frames) {
  Level level;
  const auto first = std::find_if(out.begin(), out.end(), [](int16_t s) { return std::abs(s) > 0; });
  const std::size_t start = static_cast<std::size_t>(first - out.begin()) & ~std::size_t{1};
  const std::size_t end = std::min(out.size(), start + 2 * frames);
  double sum = 0;
  for (std::size_t i = start; i < end; ++i) {
    sum += double(out[i]) * out[i];
    level.peak = std::max(level.peak, std::abs(double(out[i])));
  }
  level.frames = (end - start) / 2;
  if (sum > 0) level.rmsDb = 10 * std::log10(sum / double(end - start) / (32768.0 * 32768.0));
  return level;
}

// Waits (without a time limit that could fail a slow machine, but within a
// generous one that stops a dead writer) until the output holds `frames`.
bool waitForFrames(const std::string& file, std::size_t frames) {
  for (int i = 0; i < 6000; ++i) {
    std::error_code error;
    if (fs::file_size(file, error) >= 44 + 4 * frames && !error) return true;
    ::usleep(20000);
  }
  return false;
}

TEST(ShowLoudness, MusicAroundMinus20DbfsAndTheVoicesClearlyAboveWithoutClipping) {
  kelvo::test::TempDir output, voicesOnly;
  const std::string out = output.file("out.wav");
  kelvo::test::useWaveBackend(out);
  const fs::path game = fs::path(KELVO_SOURCE_DIR) / "game";
  const fs::path previous = fs::current_path();

  // The music, as the viewer starts it, over four seconds.
  fs::current_path(game);
  qor::startSound();
  ASSERT_TRUE(qor::soundManager.IsManagerCreated());
  const bool wrote = waitForFrames(out, 5 * kOutputRate);
  qor::stopSound();
  ASSERT_TRUE(wrote) << "the wave writer wrote too little";
  const Level music = measure(samples(out), 4 * kOutputRate);
  ASSERT_EQ(music.frames, 4u * kOutputRate);
  EXPECT_NEAR(music.rmsDb, -20.0, 2.0) << "music";

  // Each voice alone, where no music file is: the viewer starts silent, then
  // a figure speaks at the voice position.
  fs::create_directories(voicesOnly.path() + "/Data/sounds");
  fs::copy(game / "Data/sounds/Efectos", voicesOnly.path() + "/Data/sounds/Efectos");
  fs::current_path(voicesOnly.path());
  for (const char* voice : {qor::ai::kVoiceChase, qor::ai::kVoiceCatch, qor::ai::kVoiceFollow, qor::ai::kVoiceHome}) {
    SCOPED_TRACE(voice);
    qor::startSound();
    ASSERT_TRUE(qor::ai::voicePlayer);
    qor::ai::voicePlayer(voice, qor::ai::kVoicePosition[0], qor::ai::kVoicePosition[1], qor::ai::kVoicePosition[2]);
    const qor::Sound* sound = qor::soundManager.GetSound(voice);
    ASSERT_TRUE(sound);
    // The voice's length at the output rate, from its own file (22050 Hz mono).
    const std::size_t length = samples(voice).size() * kOutputRate / 22050;
    for (int i = 0; i < 6000 && sound->IsPlaying(); ++i) ::usleep(20000);
    const bool done = waitForFrames(out, length + kOutputRate / 2);
    qor::stopSound();
    ASSERT_TRUE(done) << "the wave writer wrote too little";
    // The voice's audible part: its span less the quiet tail it ends with.
    const Level level = measure(samples(out), length * 3 / 4);
    EXPECT_GE(level.rmsDb, music.rmsDb + 6.0) << "the voice is not clearly above the music";
    EXPECT_LE(level.rmsDb, -6.0);
    // Music and voice at their peaks together still do not clip.
    EXPECT_LT(level.peak + music.peak, 32767.0) << level.peak << " + " << music.peak;
    std::printf("%s: %.1f dBFS RMS, peak %.0f\n", voice, level.rmsDb, level.peak);  // for the record
  }
  std::printf("music: %.1f dBFS RMS, peak %.0f\n", music.rmsDb, music.peak);
  fs::current_path(previous);
}

}  // namespace
