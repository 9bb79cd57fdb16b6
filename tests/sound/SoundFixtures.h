#pragma once
// Sound fixtures made by our own writers: sine tones as WAV and Ogg bytes.
#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/sound_writer.h"

namespace qmtest {

inline std::vector<float> sineFrames(double seconds, int rate, int channels, double hz = 440, float level = 0.5f) {
  std::vector<float> s;
  const auto frames = static_cast<std::size_t>(seconds * rate);
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) s.push_back(level * static_cast<float>(std::sin(2 * M_PI * hz * i / rate)));
  return s;
}

inline std::vector<std::uint8_t> sineWav(double seconds, int rate, int channels, int bits) {
  soundwriter::WavLayout l;
  l.rate = rate;
  l.channels = channels;
  l.bits = bits;
  return soundwriter::makeWav(sineFrames(seconds, rate, channels), l);
}

inline std::vector<std::uint8_t> sineOgg(double seconds, int rate, int channels) {
  return soundwriter::makeOgg(sineFrames(seconds, rate, channels), channels, rate, 0.3f);
}

}  // namespace qmtest
