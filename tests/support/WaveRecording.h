#pragma once
// Reading back what OpenAL Soft's wave-file backend recorded.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qmtest {

// The recording's samples as mono floats (the backend writes float32
// WAVE_FORMAT_EXTENSIBLE, or 16-bit when asked).
inline std::vector<float> readRecording(const std::string& path, int& rate) {
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
inline std::vector<double> soundingSpans(const std::vector<float>& s, int rate) {
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

}  // namespace qmtest
