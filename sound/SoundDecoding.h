#pragma once
// Whole-file decoding for the sound engine: a WAV or Ogg Vorbis file into one
// PCM block in an OpenAL format.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace soundfile {

// Largest decoded sound kept in memory (about 12 minutes of 44.1 kHz stereo).
constexpr std::size_t kMaxDecodedBytes = 128u << 20;

struct DecodedSound {
  std::vector<std::uint8_t> pcm;  // whole frames only
  int alFormat = 0;
  int frequency = 0;
};

// The text after the last '.' of the path's last component ("" when none).
std::string extensionOf(const std::string& path);

// Decodes the file by its extension ("wav" or "ogg"). On failure (a sound that
// decodes to more than maxBytes among them) prints the engine's message and
// leaves out.pcm empty. No block larger than maxBytes plus one read is made.
void decodeFile(const std::string& path, DecodedSound& out, std::size_t maxBytes = kMaxDecodedBytes);

}  // namespace soundfile
