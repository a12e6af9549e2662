// End to end through OpenAL Soft's wave writer: the show's looping music is
// heard in the written file; a manager that plays nothing leaves it silent.

#include "media/sound/SoundManager.h"
#include "media/SoundFixtures.h"

#include <gtest/gtest.h>

#include <unistd.h>

// Root mean square of the samples the wave writer wrote; -1 for none.
static double loudness(const std::string& path) {
  const std::vector<int16_t> samples = kelvo::test::wavSamples(kelvo::test::readFile(path));
  double sum = 0;
  for (const int16_t sample : samples) sum += double(sample) * sample;
  return samples.empty() ? -1 : std::sqrt(sum / double(samples.size()));
}

TEST(SoundWave, TheMusicIsHeardInTheOutputFile) {
  kelvo::test::TempDir output, game;
  kelvo::test::useWaveBackend(output.file("out.wav"));
  const std::string music = game.write("Data/sounds/Musica/ghost6.wav", kelvo::test::sineWav(0.25));
  for (const bool play : {false, true}) {
    qor::SoundManager manager;
    ASSERT_TRUE(manager.Create());
    const float origin[3] = {0, 0, 0}, at[3] = {0, 0, -1}, up[3] = {0, 1, 0};
    manager.SetListener(origin, at, up);
    const qor::Sound* sound = play ? manager.PlayAt(music, 3.0f, 0.0f, -30.0f, true) : nullptr;
    ::usleep(600000);  // more than twice the music's length
    EXPECT_EQ(sound && sound->IsPlaying(), play) << "the music loops";
    manager.Destroy();  // closes the file and completes its header
    const double rms = loudness(output.file("out.wav"));
    EXPECT_TRUE(play ? rms > 100 : rms == 0) << rms << (play ? " from the music, 30 units away (about 280)" : "");
  }
}
