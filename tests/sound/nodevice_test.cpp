// With no audio device the game runs silently: ids stay, every call is harmless.
#include <cstdlib>

#include "EngineFixture.h"

using namespace AudioEngine;

class NoDeviceTest : public qmtest::EngineTest {
 protected:
  static void SetUpTestSuite() {
    // The wave backend without a file to write cannot open: no device. Read
    // by OpenAL once, before its first device.
    setenv("ALSOFT_DRIVERS", "wave", 1);
    unsetenv("ALSOFT_CONF");
  }
};

TEST_F(NoDeviceTest, EveryCallIsASilentNoOp) {
  EXPECT_FALSE(hasDevice());
  testing::internal::CaptureStdout();
  EXPECT_EQ(getSoundId("good.wav"), 16u);
  EXPECT_EQ(loadSound("good.wav"), kNoSound);
  playSound(16, false);
  playMusic(46, true, -1);
  pauseAll();
  resumeAll();
  stopAll();
  setMusicVolume(0.3f);
  update(33);
  EXPECT_EQ(queueSingleBuffer(addSlot(), "abcd", 4, 0x1101, 22050, 1), -1);
  EXPECT_FALSE(isPlaying(16));
  EXPECT_EQ(getPlaybackPosition(16), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
