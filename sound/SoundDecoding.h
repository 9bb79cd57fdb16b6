#pragma once
// Whole-file decoding for the sound engine and the sound tools: a WAV or Ogg
// Vorbis file into one PCM block in an OpenAL format.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace soundfile {

// Largest decoded sound kept in memory (about 6 minutes of 44.1 kHz stereo).
constexpr std::size_t kMaxDecodedBytes = 64u << 20;
// What the game's loaded sounds may hold together.
constexpr std::size_t kDecodedBudgetBytes = 256u << 20;

// How much a decoded sound may take: on its own, and together with what the
// sounds loaded already hold.
struct SoundLimits {
  std::size_t perSound = kMaxDecodedBytes;
  std::size_t budget = std::numeric_limits<std::size_t>::max();
  std::size_t held = 0;
};

struct DecodedSound {
  std::vector<std::uint8_t> pcm;  // whole frames only
  int alFormat = 0;
  int frequency = 0;
  // On failure: "error loading file PATH: why" or "error decoding file PATH: why".
  std::string error;
};

// The text after the last '.' of the path's last component ("" when none).
std::string extensionOf(const std::string& path);

// Decodes the file by its extension ("wav" or "ogg"). The file must be a
// regular file; the decoded size is known before decoding (the WAV header,
// the Ogg stream's length) and a sound past the limits is refused then. A
// stream that decodes to more than it declared stops at the limit: no block
// larger than the limit plus one read is ever made. False with out.error set
// (and out.pcm empty) on failure.
bool decodeSound(const std::string& path, DecodedSound& out, const SoundLimits& limits = SoundLimits());

// The engine's form: on failure prints "AudioEngine ERROR : " and out.error.
void decodeFile(const std::string& path, DecodedSound& out, std::size_t maxBytes = kMaxDecodedBytes);

}  // namespace soundfile
