// End to end through OpenAL Soft's wave-file backend: what the engine plays
// reaches the output, non-silent and as long as the sound.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include <AL/al.h>

#include "EngineFixture.h"

namespace {

// The recording's samples as mono floats (the backend writes float32
// WAVE_FORMAT_EXTENSIBLE, or 16-bit when asked).
std::vector<float> readRecording(const std::string& path, int& rate) {
  std::vector<float> out;
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), {});
  auto u32 = [&b](std::size_t p) { return std::uint32_t(b[p] | b[p + 1] << 8 | b[p + 2] << 16 | std::uint32_t(b[p + 3]) << 24); };
  int channels = 0, bits = 0;
  for (std::size_t p = 12; p + 8 <= b.size();) {
    const std::uint32_t size = u32(p + 4);
    if (std::memcmp(&b[p], "fmt ", 4) == 0) {
      channels = b[p + 10];
      rate = static_cast<int>(u32(p + 12));
      bits = b[p + 22];
    } else if (std::memcmp(&b[p], "data", 4) == 0 && channels > 0 && bits == 32) {
      const std::size_t end = std::min<std::size_t>(b.size(), p + 8 + size);
      for (std::size_t q = p + 8; q + 4 * channels <= end; q += 4 * channels) {
        float s = 0, v;
        for (int c = 0; c < channels; ++c) {
          std::memcpy(&v, &b[q + 4 * c], 4);
          s += std::fabs(v);
        }
        out.push_back(s / channels);
      }
      break;
    }
    p += 8 + size + (size & 1);
  }
  return out;
}

// Lengths in seconds of the sounding stretches (gaps of 50 ms split them).
std::vector<double> soundingSpans(const std::vector<float>& s, int rate) {
  std::vector<double> spans;
  const std::size_t gap = rate / 20;
  std::size_t start = 0, last = 0;
  bool in = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] < 0.02f) continue;
    if (in && i - last > gap) {
      spans.push_back(double(last - start) / rate);
      in = false;
    }
    if (!in) start = i, in = true;
    last = i;
  }
  if (in) spans.push_back(double(last - start) / rate);
  return spans;
}

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
