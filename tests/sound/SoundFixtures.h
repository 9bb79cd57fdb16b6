#pragma once
// Sound fixtures made by our own writers: sine tones as WAV and Ogg bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
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

// Writes bytes at the start of a file of `size` bytes whose rest is a hole:
// listed as large as asked, costing no disk.
inline bool writeSparse(const std::string& path, const std::vector<std::uint8_t>& head, std::uint64_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = (head.empty() || std::fwrite(head.data(), 1, head.size(), f) == head.size()) && std::fflush(f) == 0 &&
                  ftruncate(fileno(f), static_cast<off_t>(size)) == 0;
  return std::fclose(f) == 0 && ok;
}

// A 16-bit mono 22050 Hz WAV whose data chunk declares `dataBytes` (clamped
// to 32 bits), followed by a hole up to `fileBytes`: silence on disk for free.
inline bool writeSparseWav(const std::string& path, std::uint64_t dataBytes, std::uint64_t fileBytes) {
  std::vector<std::uint8_t> h = sineWav(0.0, 22050, 1, 16);
  const auto put32 = [&h](std::size_t at, std::uint64_t v) {
    const std::uint32_t x = v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) h[at + i] = static_cast<std::uint8_t>(x >> (8 * i));
  };
  put32(4, dataBytes + 36);
  put32(40, dataBytes);
  return writeSparse(path, h, fileBytes);
}

// Files no sound reader may hang on, grow on, or take for a sound, each
// named with the extension: a FIFO, a link to /dev/zero, a 4 GB file that is
// a hole after a valid header, a folder and an empty file.
inline std::vector<std::string> makeHostileSounds(const std::string& dir, const std::string& ext) {
  std::vector<std::string> paths;
  std::filesystem::create_directories(dir);
  const auto add = [&paths, &dir, &ext](const char* stem) { return paths.emplace_back(dir + "/" + stem + "." + ext); };
  mkfifo(add("fifo").c_str(), 0644);
  std::filesystem::create_symlink("/dev/zero", add("zero"));
  const std::uint64_t four = std::uint64_t(4) << 30;
  if (ext == "ogg") {
    writeSparse(add("sparse"), sineOgg(0.2, 22050, 1), four);
  } else {
    writeSparseWav(add("sparse"), four, four + 44);
  }
  std::filesystem::create_directory(add("folder"));
  writeSparse(add("empty"), {}, 0);
  return paths;
}

}  // namespace qmtest
