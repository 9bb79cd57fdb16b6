// The synthesizer's levels: an effect's loudest 50 ms are lifted to its
// "loud" level under a limiter that keeps the peak; music is brought down to
// its "level" (RMS), so that effects stand over it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tools/loudness.h"
#include "tools/sound_synth.h"

namespace {

synth::Effect effectOf(const std::string& text) {
  std::vector<synth::Effect> effects;
  std::string error;
  EXPECT_TRUE(synth::parseEffects(text, effects, &error)) << error;
  return effects.empty() ? synth::Effect{} : effects[0];
}

loudness::Figures figuresOf(const synth::Audio& a) { return loudness::measure(a.samples, a.channels, a.rate); }

// A burst of noise that rings out quietly: its loudest 50 ms start far below
// its peak.
const char* kBurst =
    "sound burst.wav\nformat 16 mono 22050\nlayer\n  wave noise\n  amp 0:0 0.001:1 0.03:0.15 0.3:0\n";
// A click of a few milliseconds: too short to reach the level, lifted as far
// as the limit allows.
const char* kClick =
    "sound click.wav\nformat 16 mono 22050\nlayer\n  wave noise\n  amp 0:0 0.001:1 0.004:0.05 0.3:0\n";

}  // namespace

TEST(SynthLoudness, EffectsAreLiftedToTheirLevelAndKeepTheirPeak) {
  const synth::Effect burst = effectOf(kBurst);
  EXPECT_DOUBLE_EQ(burst.loudness, -8);
  const loudness::Figures f = figuresOf(synth::renderEffect(burst));
  EXPECT_NEAR(f.loudest50Db, -8, 0.5);
  EXPECT_LE(f.peakDb, loudness::toDb(burst.peak) + 0.01);

  // A level under what the sound has already leaves it as it was normalised.
  const loudness::Figures asNormalised = figuresOf(synth::renderEffect(effectOf(std::string(kBurst) + "loud -60\n")));
  EXPECT_LT(asNormalised.loudest50Db, -10);
  EXPECT_NEAR(asNormalised.peakDb, loudness::toDb(burst.peak), 0.01);
  const loudness::Figures between = figuresOf(synth::renderEffect(effectOf(std::string(kBurst) + "loud -9.5\n")));
  EXPECT_NEAR(between.loudest50Db, -9.5, 0.5);

  // Left at the peak it was normalised to, the click would be this loud.
  const loudness::Figures asIs = figuresOf(synth::renderEffect(effectOf(std::string(kClick) + "loud -60\n")));
  const loudness::Figures click = figuresOf(synth::renderEffect(effectOf(kClick)));
  EXPECT_GT(click.loudest50Db - asIs.loudest50Db, 5);
  EXPECT_LE(click.peakDb, loudness::toDb(burst.peak) + 0.01);

  std::vector<synth::Effect> effects;
  std::string error;
  EXPECT_FALSE(synth::parseEffects(std::string(kBurst) + "loud 3\n", effects, &error));
  EXPECT_FALSE(synth::parseEffects(std::string(kBurst) + "loud x\n", effects, &error));
}

TEST(SynthLoudness, AlreadyLoudEffectsAreLeftAsTheyAre) {
  const char* tone = "sound tone.wav\nformat 16 mono 22050\nlayer\n  wave square\n  freq 0:220\n  amp 0:0 0.01:1 0.5:1 0.51:0\n";
  const synth::Effect e = effectOf(tone);
  const loudness::Figures f = figuresOf(synth::renderEffect(e));
  EXPECT_GT(f.loudest50Db, -3);
  EXPECT_LE(f.peakDb, loudness::toDb(e.peak) + 0.01);
}

TEST(SynthLoudness, MusicSitsAtItsLevel) {
  const std::string score =
      "name m.ogg\ntempo 120\nbeats 4\nbars 2\nloop no\ninstrument p piano\ntrack p gain=0.8\n"
      "  C4+E4+G4/2 D4+F4+A4/2 E4+G4+B4/4\n";
  synth::Score s;
  std::string error;
  ASSERT_TRUE(synth::parseScore(score, s, &error)) << error;
  EXPECT_DOUBLE_EQ(s.level, -19);
  EXPECT_NEAR(figuresOf(synth::renderScore(s)).rmsDb, -19, 0.1);
  synth::Score quiet;
  ASSERT_TRUE(synth::parseScore(score + "level -27\n", quiet, &error)) << error;
  EXPECT_NEAR(figuresOf(synth::renderScore(quiet)).rmsDb, -27, 0.1);
}
