// End to end through OpenAL Soft's wave-file backend: what the engine plays
// reaches the output, non-silent and as long as the sound.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include <AL/al.h>

#include "EngineFixture.h"
#include "support/WaveRecording.h"

namespace {

using qmtest::readRecording;
using qmtest::soundingSpans;

class WaveOutputTest : public qmtest::EngineTest {
 protected:
  static void SetUpTestSuite() {
    conf_ = new qmtest::TempDir();
    recording_ = conf_->str() + "/out.wav";
    conf_->write("alsoft.conf", "[general]\ndrivers=wave\nchannels=stereo\nfrequency=44100\n[wave]\nfile=" +
                                    recording_ + "\n");
    setenv("ALSOFT_CONF", (conf_->str() + "/alsoft.conf").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
  }
  static void TearDownTestSuite() { delete conf_; }
  static qmtest::TempDir* conf_;
  static std::string recording_;
};
qmtest::TempDir* WaveOutputTest::conf_ = nullptr;
std::string WaveOutputTest::recording_;

}  // namespace

TEST_F(WaveOutputTest, AnEffectAndAMovieBlockAreHeardForTheirLength) {
  ASSERT_TRUE(AudioEngine::hasDevice());
  AudioEngine::playSound(5, false);  // 0.3 s
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  const std::uint32_t movie = AudioEngine::addSlot();
  const auto pcm = soundwriter::toPcm(qmtest::sineFrames(0.5, 22050, 2, 330), 16);
  AudioEngine::queueSingleBuffer(movie, pcm.data(), static_cast<int>(pcm.size()), AL_FORMAT_STEREO16, 22050, 1);
  AudioEngine::playSound(movie, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  AudioEngine::shutdown();  // the backend finishes the file when the device closes

  int rate = 0;
  const std::vector<float> samples = readRecording(recording_, rate);
  ASSERT_EQ(rate, 44100);
  const std::vector<double> spans = soundingSpans(samples, rate);
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_NEAR(spans[0], 0.3, 0.03);
  EXPECT_NEAR(spans[1], 0.5, 0.03);
}

// A long Ogg loaded in parts while the frames go on is heard whole: one span
// of its length, no gap where a part was queued.
TEST_F(WaveOutputTest, ALongOggLoadedInPartsIsHeardWithoutAGap) {
  ASSERT_TRUE(AudioEngine::hasDevice());
  ASSERT_TRUE(soundwriter::writeFile("win32_audio/ig_music3.ogg", qmtest::sineOgg(5.0, 44100, 2)));
  AudioEngine::playSound(41, false);
  ASSERT_TRUE(AudioEngine::isLoadingInParts(41));
  for (int i = 0; i < 400 && AudioEngine::isPlaying(41); ++i) {
    AudioEngine::update(33);
    std::this_thread::sleep_for(std::chrono::milliseconds(33));
  }
  EXPECT_FALSE(AudioEngine::isLoadingInParts(41));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  AudioEngine::shutdown();

  int rate = 0;
  const std::vector<float> samples = readRecording(recording_, rate);
  ASSERT_EQ(rate, 44100);
  const std::vector<double> spans = soundingSpans(samples, rate);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_NEAR(spans[0], 5.0, 0.05);
}
