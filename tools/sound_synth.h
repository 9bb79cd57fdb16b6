#pragma once
// The synthesizer that makes the game's sounds from readable recipes.
//
// Effects ("effects.txt"): one block per sound.
//   sound NAME.wav
//     format BITS mono|stereo RATE
//     layer                       starts a layer; each layer is one voice
//       wave sine|saw|square|triangle|noise|pink
//       at SECONDS                start of the layer
//       freq T:HZ T:HZ ...        pitch curve (log-interpolated)
//       amp T:A T:A ...           amplitude curve; its last point ends the layer
//       vibrato HZ SEMITONES      pitch wobble
//       tremolo HZ DEPTH [rough]  amplitude wobble (rough: irregular, for growls)
//       fm RATIO T:INDEX ...      frequency modulation by a sine at RATIO x pitch
//       filter lp|hp|bp Q T:HZ ...  a resonant filter with a cutoff curve
//       formants T:VOWEL ...      vocal tract (a e i o u A=ae), SHIFT with 'shift'
//       shift FACTOR              formant frequencies scaled (small animal > 1)
//       modes HZ:SECONDS ...      struck resonances excited by the layer
//       drive AMOUNT              soft saturation
//       grains COUNT SPREAD SEED  the layer repeated at random times and pitches
//       gain G / pan P
//     reverb MIX SECONDS / echo SECONDS FEEDBACK MIX / peak P
//     loud DB                     the loudest 50 ms lifted to DB (default -8),
//                                 a limiter keeping the peak; over the music
//
// Music (one ".score" file per piece), in beats at a tempo:
//   name NAME.ogg / tempo BPM / beats PER_BAR / bars N / loop yes|no / reverb MIX SECONDS
//   level DB: at most this RMS (default -19), under the effects
//   instrument NAME KIND key=value...   kinds: piano bell marimba pad bass lead flute
//                                        kick snare hat shaker clap tom
//   track INSTRUMENT [gain=G] [pan=P] [octave=N]
//     notes, one or more lines: C4/1 (pitch/beats; F#4, Bb3), C4+E4+G4/2 (chord),
//     r/1 (rest), x/0.5 (a drum hit), !0.6 after a note sets its velocity,
//     ( ... )xN repeats, '|' is only a bar line for the reader.
// A looping piece renders exactly its bars; the tails of its last notes are
// folded onto its start so it loops without a seam.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace synth {

struct Audio {
  int rate = 44100;
  int channels = 1;
  std::vector<float> samples;  // interleaved
  double seconds() const { return samples.empty() ? 0.0 : double(samples.size()) / channels / rate; }
};

using Curve = std::vector<std::pair<double, double>>;

struct Layer {
  std::string wave = "sine";
  double at = 0;
  Curve freq{{0, 440}};
  Curve amp{{0, 0}, {0.01, 1}, {0.2, 0}};
  double vibratoRate = 0, vibratoDepth = 0;
  double tremoloRate = 0, tremoloDepth = 0;
  bool tremoloRough = false;
  double fmRatio = 0;
  Curve fmIndex;
  std::string filter;  // "", lp, hp, bp
  double filterQ = 0.707;
  Curve cutoff;
  std::vector<std::pair<double, char>> formants;
  double formantShift = 1;
  std::vector<std::pair<double, double>> modes;  // Hz, decay seconds
  double drive = 0;
  int grains = 0;
  double grainSpread = 0;
  std::uint32_t grainSeed = 1;
  double gain = 1, pan = 0;
};

struct Effect {
  std::string name;
  int bits = 16, channels = 1, rate = 22050;
  std::vector<Layer> layers;
  double reverbMix = 0, reverbSeconds = 1;
  double echoSeconds = 0, echoFeedback = 0, echoMix = 0;
  double peak = 0.9;
  double loudness = -8;  // dB, the loudest 50 ms
};

struct Note {
  double beat = 0, beats = 1, velocity = 0.8;
  std::vector<double> freqs;  // empty for a drum hit
};

struct Track {
  std::string instrument;
  double gain = 0.5, pan = 0;
  std::vector<Note> notes;
  double lengthBeats = 0;
};

struct Instrument {
  std::string kind;
  std::map<std::string, double> params;
  double param(const std::string& key, double fallback) const {
    auto it = params.find(key);
    return it == params.end() ? fallback : it->second;
  }
};

struct Score {
  std::string name;
  double tempo = 100;
  int beatsPerBar = 4;
  int bars = 8;
  bool loop = true;
  double reverbMix = 0.2, reverbSeconds = 1.5;
  double peak = 0.85;
  double level = -19;  // dB, the most RMS
  int rate = 44100;
  std::map<std::string, Instrument> instruments;
  std::vector<Track> tracks;
  double seconds() const { return bars * beatsPerBar * 60.0 / tempo; }
};

bool parseEffects(const std::string& text, std::vector<Effect>& out, std::string* error);
bool parseScore(const std::string& text, Score& out, std::string* error);
Audio renderEffect(const Effect& effect);
Audio renderScore(const Score& score);

}  // namespace synth
