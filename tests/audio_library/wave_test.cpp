// Through OpenAL Soft's wave-file backend: what a manager's source plays comes
// out for its length, and a low-pass filter takes the highs away.
#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <numeric>
#include <thread>

#include <gtest/gtest.h>

#include "../sound/SoundFixtures.h"
#include "AuralTestSupport.h"
#include "audio_library/AuralManager.h"
#include "support/RunProgram.h"
#include "support/WaveRecording.h"

using namespace cAural;

namespace {

class WaveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    conf_ = new qmtest::TempDir();
    recording_ = conf_->str() + "/out.wav";
    conf_->write("alsoft.conf",
                 "[general]\ndrivers=wave\nchannels=stereo\nfrequency=44100\n[wave]\nfile=" + recording_ + "\n");
    setenv("ALSOFT_CONF", (conf_->str() + "/alsoft.conf").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
  }
  static void TearDownTestSuite() { delete conf_; }

  // Plays the bytes to their end in a fresh manager; the recording's samples.
  static std::vector<float> record(const std::vector<std::uint8_t>& bytes, const char* ext, float highGain) {
    std::vector<float> samples;
    {
      cAuralManager m;
      if (!m.initialize(nullptr, -1, 4)) return samples;
      m.registerDecoder(getOggAudioDecoderFactory(), "ogg");
      m.registerDecoder(getWavAudioDecoderFactory(), "wav");
      IAudioSource* s = m.createSourceFromMemory("s", reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::int32_t>(bytes.size()), ext);
      if (s == nullptr) return samples;
      IFilter* f = nullptr;
      if (highGain < 1.0f) {
        f = m.getEffects()->createFilter();
        f->setType(FILTER_LOWPASS);
        f->setHighFrequencyGain(highGain);
        s->attachFilter(f);
      }
      s->play();
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (s->isPlaying() && std::chrono::steady_clock::now() < end) {
        m.update();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (f != nullptr) f->release();
      m.shutDown();  // the backend finishes the file when the device closes
    }
    int rate = 0;
    samples = qmtest::readRecording(recording_, rate);
    EXPECT_EQ(rate, 44100);
    return samples;
  }

  static float level(const std::vector<float>& s) {
    return s.empty() ? 0.0f : std::accumulate(s.begin(), s.end(), 0.0f) / static_cast<float>(s.size());
  }

  static qmtest::TempDir* conf_;
  static std::string recording_;
};
qmtest::TempDir* WaveTest::conf_ = nullptr;
std::string WaveTest::recording_;

}  // namespace

TEST_F(WaveTest, AnOggIsHeardForItsLength) {
  const auto samples = record(qmtest::sineOgg(0.6, 44100, 2), "ogg", 1.0f);
  const auto spans = qmtest::soundingSpans(samples, 44100);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_NEAR(spans[0], 0.6, 0.05);
}

TEST_F(WaveTest, LowPassTakesTheHighsAway) {
  soundwriter::WavLayout layout;
  layout.rate = 44100;
  layout.channels = 1;
  layout.bits = 16;
  const auto high = soundwriter::makeWav(qmtest::sineFrames(0.4, 44100, 1, 9000), layout);
  const float open = level(record(high, "wav", 1.0f));
  const float filtered = level(record(high, "wav", 0.05f));
  ASSERT_GT(open, 0.0f);
  EXPECT_LT(filtered, open * 0.5f);
}

TEST_F(WaveTest, PlayToolWritesWhatItPlays) {
  qmtest::TempDir dir;
  const std::string ogg = dir.str() + "/tone.ogg";
  const std::string out = dir.str() + "/played.wav";
  ASSERT_TRUE(soundwriter::writeFile(ogg, qmtest::sineOgg(0.5, 22050, 1)));
  const std::string command = std::string(QM_CAURAL_PLAY) + " " + ogg + " --lowpass 0.8 --wave " + out + " >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int rate = 0;
  const auto spans = qmtest::soundingSpans(qmtest::readRecording(out, rate), 44100);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_NEAR(spans[0], 0.5, 0.05);
  EXPECT_NE(std::system((std::string(QM_CAURAL_PLAY) + " " + dir.str() + "/none.ogg --wave " + out).c_str()), 0);
}

TEST_F(WaveTest, PlayToolPlaysThroughAPluginsDecoder) {
  qmtest::TempDir dir;
  std::filesystem::copy_file(QM_PLUGIN_TONE, dir.path() / "cAp_tone.so");
  dir.write("beep.tone", "cAp-tone 440 0.3");
  const std::string out = dir.str() + "/played.wav";
  const std::string command =
      "cd " + dir.str() + " && " + std::string(QM_CAURAL_PLAY) + " beep.tone --wave " + out + " >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int rate = 0;
  const auto spans = qmtest::soundingSpans(qmtest::readRecording(out, rate), 44100);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_NEAR(spans[0], 0.3, 0.05);
}

// The play tool reads through the library: a file that is not a sound, or not
// a file, ends it at once with a failure, never a hang or a crash.
TEST(PlayTool, RefusesFilesThatAreNotSounds) {
  qmtest::TempDir dir;
  for (const char* ext : {"wav", "ogg"}) {
    for (const std::string& path : qmtest::makeHostileSounds(dir.str(), ext)) {
      const qmtest::ProgramRun run = qmtest::runProgram({QM_CAURAL_PLAY, path}, 120, {"ALSOFT_DRIVERS=null"});
      EXPECT_EQ(run.signal, 0) << path;
      EXPECT_NE(run.status, 0) << path;
      EXPECT_LT(run.peakKilobytes, 500 * 1024) << path;
    }
  }
}
