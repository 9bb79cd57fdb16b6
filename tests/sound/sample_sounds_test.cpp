// The game's sounds in the built data tree: every name of the table is there,
// decodes, and is a sound of its own; the music lasts 20 to 90 seconds; the
// files use every WAV layout the decoders take; the effects stand over the
// level music at the default volumes.
#include <cmath>
#include <set>

#include <AL/al.h>
#include <gtest/gtest.h>

#include "app/Options.h"
#include "sound/AudioEngine.h"
#include "sound/SoundDecoding.h"
#include "tools/loudness.h"

TEST(SampleSounds, EveryTableNameDecodesAndIsDistinct) {
  std::set<soundfile::PcmBlock> seen;
  std::set<std::pair<int, int>> layouts;  // OpenAL format, rate
  for (std::uint32_t id = 0; id + 1 < AudioEngine::kBuiltInSoundCount; ++id) {
    const std::string name = AudioEngine::soundFileTable[id];
    soundfile::DecodedSound s;
    soundfile::decodeFile(std::string(QM_DATA_DIR) + "/win32_audio/" + name, s);
    ASSERT_FALSE(s.pcm.empty()) << name;
    EXPECT_TRUE(seen.insert(s.pcm).second) << name << " is the same as another sound";
    const int frame = s.alFormat == AL_FORMAT_MONO8 ? 1 : (s.alFormat == AL_FORMAT_STEREO16 ? 4 : 2);
    const double seconds = double(s.pcm.size()) / frame / s.frequency;
    if (soundfile::extensionOf(name) == "wav") {
      layouts.insert({s.alFormat, s.frequency});
      EXPECT_GT(seconds, 0.03) << name;
      EXPECT_LT(seconds, 3.0) << name;
    } else if (name.rfind("jingle", 0) == 0) {
      EXPECT_GT(seconds, 1.0) << name;
      EXPECT_LT(seconds, 10.0) << name;
    } else {
      EXPECT_GE(seconds, 20.0) << name;
      EXPECT_LE(seconds, 90.0) << name;
      EXPECT_EQ(s.alFormat, AL_FORMAT_STEREO16) << name;
    }
  }
  for (int format : {AL_FORMAT_MONO8, AL_FORMAT_STEREO8, AL_FORMAT_MONO16, AL_FORMAT_STEREO16}) {
    bool found = false;
    for (auto [f, rate] : layouts) found = found || f == format;
    EXPECT_TRUE(found) << "no effect in format " << format;
  }
  EXPECT_TRUE(layouts.count({AL_FORMAT_MONO16, 22050}) && layouts.count({AL_FORMAT_MONO16, 44100}));
}

TEST(SampleSounds, MusicLoopsWithoutAJump) {
  // Where a loop's end meets its start the wave moves no more than it does
  // from one sample to the next inside the piece.
  for (std::uint32_t id : {39u, 40u, 41u, 46u, 47u}) {
    soundfile::DecodedSound s;
    soundfile::decodeFile(std::string(QM_DATA_DIR) + "/win32_audio/" + AudioEngine::soundFileTable[id], s);
    ASSERT_GE(s.pcm.size(), 8u);
    auto sample = [&s](std::size_t frame, int channel) {
      const std::size_t at = frame * 4 + std::size_t(channel) * 2;
      return std::int16_t(s.pcm[at] | s.pcm[at + 1] << 8) / 32768.0;
    };
    const std::size_t frames = s.pcm.size() / 4;
    double largest = 0;
    for (std::size_t i = 1; i < frames; ++i) largest = std::max(largest, std::fabs(sample(i, 0) - sample(i - 1, 0)));
    for (int c = 0; c < 2; ++c)
      EXPECT_LE(std::fabs(sample(frames - 1, c) - sample(0, c)), largest) << AudioEngine::soundFileTable[id];
  }
}

namespace {

// The decoded sound as floats, every channel, and its channel count.
std::vector<float> samplesOf(const soundfile::DecodedSound& s, int& channels) {
  const bool eight = s.alFormat == AL_FORMAT_MONO8 || s.alFormat == AL_FORMAT_STEREO8;
  channels = (s.alFormat == AL_FORMAT_STEREO8 || s.alFormat == AL_FORMAT_STEREO16) ? 2 : 1;
  std::vector<float> out;
  for (std::size_t at = 0; at + (eight ? 0 : 1) < s.pcm.size(); at += eight ? 1 : 2) {
    out.push_back(eight ? (s.pcm[at] - 128) / 128.0f : std::int16_t(s.pcm[at] | s.pcm[at + 1] << 8) / 32768.0f);
  }
  return out;
}

loudness::Figures figuresOf(const std::string& name, int& channels) {
  soundfile::DecodedSound s;
  soundfile::decodeFile(std::string(QM_DATA_DIR) + "/win32_audio/" + name, s);
  const std::vector<float> samples = samplesOf(s, channels);
  return loudness::measure(samples, channels, s.frequency);
}

}  // namespace

TEST(SampleSounds, EveryEffectStandsOverTheLevelMusicAndNothingClips) {
  // At the default volumes, as OpenAL plays them: a mono effect sits at the
  // centre, a little down in each channel.
  clearOptions();
  createDefaultOptions();
  const double effectGain =
      loudness::toDb(double(getOptionValue(OPTION_SOUND_VOLUME)) / getOptionMax(OPTION_SOUND_VOLUME));
  const double musicGain =
      loudness::toDb(double(getOptionValue(OPTION_MUSIC_VOLUME)) / getOptionMax(OPTION_MUSIC_VOLUME));
  double loudestMusic = -120;
  double musicPeak = -120;
  for (std::uint32_t id : {39u, 40u, 41u}) {
    int channels = 0;
    const loudness::Figures f = figuresOf(AudioEngine::soundFileTable[id], channels);
    loudestMusic = std::max(loudestMusic, f.rmsDb + musicGain);
    musicPeak = std::max(musicPeak, f.peakDb + musicGain);
    EXPECT_LT(f.peakDb, -0.1) << AudioEngine::soundFileTable[id] << " clips";
  }
  for (std::uint32_t id = 0; id < 39; ++id) {
    const std::string name = AudioEngine::soundFileTable[id];
    int channels = 0;
    const loudness::Figures f = figuresOf(name, channels);
    const double placed = effectGain + (channels == 1 ? loudness::kCentreGainDb : 0.0);
    EXPECT_GE(f.loudest50Db + placed - loudestMusic, 6.0)
        << name << ": loudest 50 ms " << f.loudest50Db << " dB in the file";
    EXPECT_LT(f.peakDb, -0.1) << name << " clips";
    // Over the loudest music peak as well, the sum stays under full scale.
    EXPECT_LT(std::pow(10.0, (f.peakDb + placed) / 20) + std::pow(10.0, musicPeak / 20), 1.0) << name;
  }
}
