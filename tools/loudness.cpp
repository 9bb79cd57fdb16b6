#include "tools/loudness.h"

#include <algorithm>
#include <cmath>

namespace loudness {

double toDb(double amplitude) { return 20.0 * std::log10(std::max(amplitude, 1e-6)); }

Figures measure(const std::vector<float>& samples, int channels, int rate) {
  Figures f;
  if (channels < 1 || rate < 1 || samples.size() < static_cast<std::size_t>(channels)) return f;
  const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
  // Running sums of the power of each frame (the mean over its channels).
  std::vector<double> sum(frames + 1, 0.0);
  double peak = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    double power = 0;
    for (int c = 0; c < channels; ++c) {
      const double s = samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
      power += s * s;
      peak = std::max(peak, std::fabs(s));
    }
    sum[i + 1] = sum[i] + power / channels;
  }
  const std::size_t window = std::min<std::size_t>(frames, std::max<std::size_t>(1, static_cast<std::size_t>(rate) / 20));
  double loudest = 0;
  for (std::size_t i = 0; i + window <= frames; ++i) loudest = std::max(loudest, sum[i + window] - sum[i]);
  f.rmsDb = toDb(std::sqrt(sum[frames] / static_cast<double>(frames)));
  // A sound shorter than 50 ms counts as its energy spread over 50 ms.
  const double span = std::max<double>(static_cast<double>(window), rate / 20.0);
  f.loudest50Db = toDb(std::sqrt(loudest / span));
  f.peakDb = toDb(peak);
  return f;
}

}  // namespace loudness
