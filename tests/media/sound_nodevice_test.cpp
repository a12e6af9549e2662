// A machine without an audio device (the wave writer with no file to write
// cannot open): the global manager is not created, every sound request gives
// null and the caller goes on silent.

#include "media/sound/SoundManager.h"
#include "media/SoundFixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace kelvo::test;

TEST(SoundWithoutDevice, CreateFailsAndEveryRequestIsSkipped) {
  useWaveBackend("");
  TempDir dir;
  std::string music = dir.write("Data/sounds/Musica/ghost6.wav", sineWav(440, 0.1));
  qor::SoundManager& manager = qor::soundManager;

  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    EXPECT_FALSE(manager.Create());
    EXPECT_FALSE(manager.IsManagerCreated());
    const float origin[3] = {0, 0, 0}, at[3] = {0, 0, -1}, up[3] = {0, 1, 0};
    manager.SetListener(origin, at, up);
    EXPECT_EQ(manager.PlayAt(music, 3.0f, 0.0f, -30.0f, true), nullptr);
    EXPECT_EQ(manager.GetSound(music), nullptr);
    EXPECT_EQ(manager.soundCount(), 0u);
    manager.Destroy();
  }
}

}  // namespace
