#pragma once
// Reading back the recordings of OpenAL Soft's wave backend (RIFF WAVE with
// 32-bit float samples, or integer ones, usually WAVE_FORMAT_EXTENSIBLE),
// which the game's own decoder refuses. The file goes through the same check
// as every data file of the game, and the parse stays within its bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace recording {

struct Samples {
  int rate = 0;
  int channels = 0;
  std::string format;       // "recording float", "recording 16-bit", ...
  std::vector<float> mono;         // the channels averaged, -1 to 1
  std::vector<float> interleaved;  // every channel, -1 to 1
};

// Larger recordings are refused (about 6 minutes of 44.1 kHz float stereo).
constexpr std::size_t kMaxRecordingBytes = 128u << 20;

// False with the reason when the bytes hold no samples it can read.
bool parse(const std::uint8_t* data, std::size_t size, Samples& out, std::string& why);
// The file (a regular file of at most maxBytes), parsed.
bool read(const std::string& path, Samples& out, std::string& why, std::size_t maxBytes = kMaxRecordingBytes);

}  // namespace recording
