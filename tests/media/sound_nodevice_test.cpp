// A machine without an audio device (the wave writer with no file to write
// cannot open): the global manager is not created, every sound request gives
// null and the caller goes on silent.

#include "media/sound/SoundManager.h"
#include "media/SoundFixtures.h"

#include <gtest/gtest.h>

TEST(SoundWithoutDevice, CreateFailsAndEveryRequestIsSkipped) {
  kelvo::test::useWaveBackend("");
  kelvo::test::TempDir dir;
  const std::string music = dir.write("ghost6.wav", kelvo::test::sineWav(0.1));
  EXPECT_FALSE(qor::soundManager.Create());
  EXPECT_FALSE(qor::soundManager.IsManagerCreated());
  const float origin[3] = {0, 0, 0}, at[3] = {0, 0, -1}, up[3] = {0, 1, 0};
  qor::soundManager.SetListener(origin, at, up);
  EXPECT_EQ(qor::soundManager.PlayAt(music, 3.0f, 0.0f, -30.0f, true), nullptr);
  EXPECT_EQ(qor::soundManager.GetSound(music), nullptr);
  EXPECT_EQ(qor::soundManager.soundCount(), 0u);
  qor::soundManager.Destroy();
  EXPECT_FALSE(qor::soundManager.Create());  // and again: the failed try left nothing open
}
