// Shows what sound files hold: sound_report FILE...
// For each file: format, length, peak and loudness, the loudness over time as
// a bar of characters, the brightness (spectral centroid) over time, the
// strongest pitch, and for a loop the jump where its end meets its start.
// Reads WAV and Ogg Vorbis the way the game does, and the recordings of
// OpenAL Soft's wave backend (float or 16-bit WAVE_FORMAT_EXTENSIBLE). Then
// per channel the RMS, the loudest 50 ms and the peak, in dB of full scale.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <AL/al.h>

#include "sound/SoundDecoding.h"
#include "tools/loudness.h"
#include "tools/recording_reader.h"

namespace {

struct Pcm {
  int rate = 0, channels = 0;
  std::string format;
  std::vector<float> mono;
  std::vector<float> interleaved;  // every channel, for the loudness figures
  float seam = 0;  // |last - first| of the first channel
};

// Every file is read with the game's own checks: WAV and Ogg Vorbis through
// the engine's decoding (a regular file, its decoded size checked before it
// is decoded), and a recording of OpenAL Soft's wave backend, which the game
// refuses, through the same file check.
bool decode(const std::string& path, Pcm& out, std::string& why) {
  soundfile::DecodedSound d;
  if (!soundfile::decodeSound(path, d)) {
    why = d.error;
    recording::Samples r;
    std::string notRecording;
    if (soundfile::extensionOf(path) != "wav" || d.error.rfind("error decoding file ", 0) != 0 ||
        !recording::read(path, r, notRecording))
      return false;
    out.rate = r.rate;
    out.channels = r.channels;
    out.format = r.format;
    out.mono = std::move(r.mono);
    out.interleaved = std::move(r.interleaved);
    return true;
  }
  out.rate = d.frequency;
  out.channels = d.alFormat == AL_FORMAT_STEREO8 || d.alFormat == AL_FORMAT_STEREO16 ? 2 : 1;
  const bool eight = d.alFormat == AL_FORMAT_MONO8 || d.alFormat == AL_FORMAT_STEREO8;
  out.format = std::string(eight ? "8" : "16") + "-bit " + (out.channels == 2 ? "stereo" : "mono");
  const soundfile::PcmBlock& all = d.pcm;
  const std::size_t bytes = eight ? 1 : 2;
  const std::size_t frame = bytes * out.channels;
  std::vector<float> first;
  for (std::size_t p = 0; p + frame <= all.size(); p += frame) {
    float s = 0;
    for (int c = 0; c < out.channels; ++c) {
      const std::size_t at = p + c * bytes;
      const float v = eight ? (all[at] - 128) / 128.0f : std::int16_t(all[at] | all[at + 1] << 8) / 32768.0f;
      s += v;
      out.interleaved.push_back(v);
      if (c == 0) first.push_back(v);
    }
    out.mono.push_back(s / out.channels);
  }
  if (first.size() > 1) out.seam = std::fabs(first.back() - first.front());
  return true;
}

void fft(std::vector<std::complex<float>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const float ang = -2 * 3.14159265f / float(len);
    const std::complex<float> wl(std::cos(ang), std::sin(ang));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<float> w(1);
      for (std::size_t j = 0; j < len / 2; ++j) {
        const auto u = a[i + j], v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
        w *= wl;
      }
    }
  }
}

// Centroid (Hz) and strongest frequency of a window starting at `at`.
void spectrum(const Pcm& p, std::size_t at, float& centroid, float& strongest) {
  const std::size_t n = 4096;
  std::vector<std::complex<float>> a(n);
  for (std::size_t i = 0; i < n; ++i) {
    const float w = 0.5f - 0.5f * std::cos(2 * 3.14159265f * i / n);
    a[i] = at + i < p.mono.size() ? p.mono[at + i] * w : 0.0f;
  }
  fft(a);
  double sum = 0, weighted = 0, best = 0;
  strongest = 0;
  for (std::size_t k = 1; k < n / 2; ++k) {
    const double m = std::abs(a[k]);
    const double hz = double(k) * p.rate / n;
    sum += m;
    weighted += m * hz;
    if (m > best) best = m, strongest = float(hz);
  }
  centroid = sum > 0 ? float(weighted / sum) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    Pcm p;
    std::string why;
    if (!decode(argv[i], p, why) || p.mono.empty() || p.rate <= 0) {
      std::printf("%s: cannot read: %s\n", argv[i], why.empty() ? "no samples" : why.c_str());
      status = 1;
      continue;
    }
    float peak = 0;
    double energy = 0;
    for (float s : p.mono) peak = std::max(peak, std::fabs(s)), energy += double(s) * s;
    const double rms = std::sqrt(energy / p.mono.size());
    const double seconds = double(p.mono.size()) / p.rate;
    // Loudness over time in 24 steps; sound = the part louder than -40 dB.
    const char* shades = " .:-=+*#%@";
    std::string bar;
    const std::size_t steps = 24, per = std::max<std::size_t>(1, p.mono.size() / steps);
    for (std::size_t s = 0; s < steps; ++s) {
      double e = 0;
      for (std::size_t k = s * per; k < std::min(p.mono.size(), (s + 1) * per); ++k) e += double(p.mono[k]) * p.mono[k];
      const double db = 10 * std::log10(e / per + 1e-12);
      bar += shades[std::clamp(int((db + 50) / 5), 0, 9)];
    }
    std::size_t firstLoud = p.mono.size(), lastLoud = 0;
    for (std::size_t k = 0; k < p.mono.size(); ++k)
      if (std::fabs(p.mono[k]) > 0.01f) firstLoud = std::min(firstLoud, k), lastLoud = k;
    std::string bright;
    float strongestAtPeak = 0;
    std::size_t loudest = 0;
    for (std::size_t k = 0; k < p.mono.size(); ++k)
      if (std::fabs(p.mono[k]) > std::fabs(p.mono[loudest])) loudest = k;
    for (int s = 0; s < 4; ++s) {
      float c, f;
      spectrum(p, p.mono.size() * s / 4, c, f);
      bright += " " + std::to_string(int(c));
    }
    float c0;
    spectrum(p, loudest > 1024 ? loudest - 1024 : 0, c0, strongestAtPeak);
    std::printf("%s: %s %d Hz, %.3f s (audible %.3f-%.3f s), peak %.2f, rms %.1f dB\n", argv[i], p.format.c_str(),
                p.rate, seconds, firstLoud / double(p.rate), lastLoud / double(p.rate), peak,
                20 * std::log10(rms + 1e-12));
    std::printf("  loudness [%s]  brightness (Hz, by quarter)%s  strongest at peak %.0f Hz", bar.c_str(), bright.c_str(),
                strongestAtPeak);
    if (p.seam > 0) std::printf("  end-to-start jump %.4f", p.seam);
    std::printf("\n");
    const loudness::Figures level = loudness::measure(p.interleaved, p.channels, p.rate);
    std::printf("  per channel: rms %.1f dB, loudest 50 ms %.1f dB, peak %.1f dB\n", level.rmsDb, level.loudest50Db,
                level.peakDb);
  }
  return status;
}
