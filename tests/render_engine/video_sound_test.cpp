// The video sprite's sound on OpenAL Soft's null backend: the sound track
// decoded first and handed over as one buffer of 16-bit stereo at its own
// rate, whatever the track's channels, and the picture following the sound.
#include <AL/al.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "VideoFixtures.h"
#include "sound/AudioEngine.h"

using RenderEngine::CSpriteVideo;
using videotest::MovieOptions;
using videotest::shownFrame;

namespace {

class VideoSoundTest : public videotest::VideoTest {
 protected:
  VideoSoundTest() {
    AudioEngine::init();
    CSpriteVideo::keepSoundTracks(true);
  }
  ~VideoSoundTest() override {
    CSpriteVideo::keepSoundTracks(false);
    AudioEngine::shutdown();
  }

  // The size and channels of the one buffer the sound slot holds.
  static void bufferOf(const CSpriteVideo& v, ALint& size, ALint& channels, ALint& frequency) {
    size = channels = frequency = -1;
    const ALuint source = AudioEngine::sourceOf(v.getSoundId());
    ASSERT_NE(source, 0u);
    // A queued buffer is named by taking it off its stopped source.
    alSourcePlay(source);  // a source that never played does not stop
    alSourceStop(source);
    ALuint buffer = 0;
    alSourceUnqueueBuffers(source, 1, &buffer);
    ASSERT_NE(buffer, 0u);
    alGetBufferi(buffer, AL_SIZE, &size);
    alGetBufferi(buffer, AL_CHANNELS, &channels);
    alGetBufferi(buffer, AL_FREQUENCY, &frequency);
  }

  void expectWholeTrack(int channels, int rate) {
    if (!AudioEngine::hasDevice()) GTEST_SKIP() << "no OpenAL device";
    MovieOptions o;
    o.seconds = 1.5;
    o.audioChannels = channels;
    o.audioRate = rate;
    make("s.mp4", o);
    CSpriteVideo v("s.mp4", true, true, "", false);
    ASSERT_TRUE(v.isValid());
    ASSERT_GE(v.getAudioStream(), 0);
    EXPECT_EQ(v.getSampleRate(), rate);
    // The decoded length: the track's own frames (the encoder pads its last
    // block), as 16-bit stereo.
    const double expected = o.seconds * rate * 4;
    EXPECT_NEAR(static_cast<double>(v.getSoundBytes()), expected, 1024.0 * 4 + 4);
    // The tone itself: the same in both channels, at its own pitch (a mono
    // track read as stereo would play an octave up, planar floats as noise).
    const auto& pcm = v.getKeptSoundTrack();
    ASSERT_EQ(static_cast<std::int64_t>(pcm.size()), v.getSoundBytes());
    const auto* s16 = reinterpret_cast<const std::int16_t*>(pcm.data());
    const std::size_t frames = pcm.size() / 4;
    int crossings = 0;
    double peak = 0;
    for (std::size_t i = rate / 10; i < frames - rate / 10; ++i) {
      EXPECT_NEAR(s16[i * 2], s16[i * 2 + 1], 2) << i;
      if ((s16[i * 2 - 2] < 0) != (s16[i * 2] < 0)) ++crossings;
      peak = std::max(peak, std::abs(static_cast<double>(s16[i * 2])));
      if (::testing::Test::HasFailure()) break;
    }
    const double seconds = static_cast<double>(frames - rate / 5) / rate;
    EXPECT_NEAR(crossings / (2 * seconds), 440.0, 10.0);
    // A mono track reaches both sides 3 dB down, so it sounds as loud as before.
    EXPECT_NEAR(peak / 32767.0, channels == 1 ? 0.4 * std::sqrt(0.5) : 0.4, 0.04);
    ALint size, ch, frequency;
    bufferOf(v, size, ch, frequency);
    EXPECT_EQ(size, v.getSoundBytes());
    EXPECT_EQ(ch, 2);
    EXPECT_EQ(frequency, rate);
  }
};

TEST_F(VideoSoundTest, StereoTrackUploadedWhole) { expectWholeTrack(2, 44100); }
TEST_F(VideoSoundTest, MonoTrackBecomesStereoAtItsOwnRate) { expectWholeTrack(1, 22050); }

TEST_F(VideoSoundTest, MutedMovieLeavesTheSoundAlone) {
  MovieOptions o;
  o.seconds = 0.5;
  make("s.mp4", o);
  testing::internal::CaptureStderr();
  CSpriteVideo v("s.mp4", false, true, "", false);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("NO AUDIO STREAM"), std::string::npos);
  EXPECT_EQ(v.getAudioStream(), -1);
  EXPECT_EQ(v.getSoundId(), 0u);
}

TEST_F(VideoSoundTest, PictureFollowsTheSound) {
  if (!AudioEngine::hasDevice()) GTEST_SKIP() << "no OpenAL device";
  MovieOptions o;
  o.seconds = 3.0;
  make("s.mp4", o);
  CSpriteVideo v("s.mp4", true, true, "", false);
  v.play(false);
  const auto start = std::chrono::steady_clock::now();
  auto next = start;
  auto last = start;
  int checked = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
    next += std::chrono::milliseconds(33);
    std::this_thread::sleep_until(next);
    const auto now = std::chrono::steady_clock::now();
    const int ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count());
    last = now;
    AudioEngine::update(ms);
    v.update(ms);
    const int position = AudioEngine::getPlaybackPosition(v.getSoundId());
    if (position < 0) continue;
    ++checked;
    EXPECT_NEAR(shownFrame(v), position * 30.0 / 1000.0, 2.0) << "at " << position << " ms";
  }
  EXPECT_GT(checked, 40);
}

TEST_F(VideoSoundTest, StreamedSoundPlaysAPacketPerUpdate) {
  if (!AudioEngine::hasDevice()) GTEST_SKIP() << "no OpenAL device";
  MovieOptions o;
  o.seconds = 1.0;
  o.audioChannels = 1;
  make("s.mp4", o);
  CSpriteVideo v("s.mp4", true, false, "", false);
  ASSERT_GE(v.getAudioStream(), 0);
  EXPECT_EQ(v.getSoundBytes(), 0);
  v.play(false);
  for (int i = 0; i < 10; ++i) v.update(33);
  // The picture follows the end of the sound streamed so far.
  EXPECT_GT(v.getPlaybackTime(), 0.0f);
  EXPECT_LE(v.getPlaybackTime(), 11 * 1024.0f / 44100.0f + 0.01f);
  v.stop();
  EXPECT_TRUE(v.isFinished());
}

TEST_F(VideoSoundTest, StopAndDestroyReleaseTheSound) {
  MovieOptions o;
  o.seconds = 0.5;
  make("s.mp4", o);
  auto v = std::make_unique<CSpriteVideo>("s.mp4", true, true, "", false);
  v->play(false);
  v->update(33);
  v->stop();
  EXPECT_TRUE(v->isFinished());
  EXPECT_FALSE(AudioEngine::isPlaying(v->getSoundId()));
  v.reset();
}

}  // namespace
