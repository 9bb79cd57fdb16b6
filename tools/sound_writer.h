#pragma once
// Writers of the game's sound files: RIFF WAV (PCM 8 or 16 bit, mono or
// stereo, with optional extra chunks so tests can build unusual layouts) and
// Ogg Vorbis through libvorbisenc.
#include <cstdint>
#include <string>
#include <vector>

namespace soundwriter {

struct WavChunk {
  std::string id;  // four characters
  std::vector<std::uint8_t> body;
};

struct WavLayout {
  int channels = 1;
  int bits = 16;
  int rate = 22050;
  std::vector<WavChunk> beforeFormat;  // chunks between "WAVE" and "fmt "
  std::vector<WavChunk> beforeData;    // chunks between "fmt " and "data"
  std::vector<WavChunk> afterData;
  int formatExtraBytes = 0;  // a fmt chunk longer than 16 bytes (cbSize and its data)
};

// Samples are interleaved, -1 to 1 (clipped).
std::vector<std::uint8_t> makeWav(const std::vector<float>& samples, const WavLayout& layout);
// The bytes of a WAV file holding already-formatted sample bytes.
std::vector<std::uint8_t> makeWavBytes(const std::vector<std::uint8_t>& data, const WavLayout& layout);
// PCM samples in the layout's format.
std::vector<std::uint8_t> toPcm(const std::vector<float>& samples, int bits);

// Interleaved samples to an Ogg Vorbis file; quality -0.1 to 1.
std::vector<std::uint8_t> makeOgg(const std::vector<float>& samples, int channels, int rate, float quality);

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::string& path);

}  // namespace soundwriter
