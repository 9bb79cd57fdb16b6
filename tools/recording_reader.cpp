#include "tools/recording_reader.h"

#include <algorithm>
#include <cstring>

#include "app/DataFiles.h"

namespace recording {

namespace {

constexpr int kMaxChunks = 4096;
constexpr int kMaxChannels = 8;
constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kExtensible = 0xFFFE;

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

float sampleAt(const std::uint8_t* p, int bits, bool isFloat) {
  if (isFloat) {
    float v = 0;
    std::memcpy(&v, p, 4);
    return v == v ? std::clamp(v, -1.0f, 1.0f) : 0.0f;  // a NaN is silence
  }
  if (bits == 8) return (p[0] - 128) / 128.0f;
  if (bits == 16) return static_cast<std::int16_t>(le16(p)) / 32768.0f;
  return static_cast<float>(static_cast<std::int32_t>(le32(p)) / 2147483648.0);
}

}  // namespace

bool parse(const std::uint8_t* data, std::size_t size, Samples& out, std::string& why) {
  out = Samples();
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    why = "not a RIFF WAVE file";
    return false;
  }
  int bits = 0;
  bool isFloat = false;
  bool haveFormat = false;
  std::uint64_t p = 12;
  for (int chunks = 0; chunks < kMaxChunks && p + 8 <= size; ++chunks) {
    const std::uint64_t body = p + 8;
    const std::uint64_t chunkSize = le32(data + p + 4);
    const std::uint64_t present = std::min<std::uint64_t>(chunkSize, size - body);
    if (std::memcmp(data + p, "fmt ", 4) == 0 && !haveFormat) {
      if (present < 16) break;
      std::uint16_t tag = le16(data + body);
      out.channels = le16(data + body + 2);
      out.rate = static_cast<int>(std::min<std::uint32_t>(le32(data + body + 4), 1u << 24));
      bits = le16(data + body + 14);
      if (tag == kExtensible && present >= 26) tag = le16(data + body + 24);  // the sub-format's first two bytes
      isFloat = tag == kFloat;
      if (tag != kPcm && tag != kFloat) {
        why = "samples of format " + std::to_string(tag) + " (integer PCM or float only)";
        return false;
      }
      if (out.channels < 1 || out.channels > kMaxChannels || out.rate <= 0) {
        why = std::to_string(out.channels) + " channels at " + std::to_string(out.rate) + " Hz";
        return false;
      }
      if (isFloat ? bits != 32 : (bits != 8 && bits != 16 && bits != 32)) {
        why = std::to_string(bits) + " bits per sample";
        return false;
      }
      haveFormat = true;
    } else if (std::memcmp(data + p, "data", 4) == 0 && haveFormat) {
      const std::size_t step = static_cast<std::size_t>(bits / 8) * static_cast<std::size_t>(out.channels);
      const std::size_t frames = static_cast<std::size_t>(present) / step;
      out.mono.reserve(frames);
      out.interleaved.reserve(frames * static_cast<std::size_t>(out.channels));
      for (std::size_t f = 0; f < frames; ++f) {
        float s = 0;
        for (int c = 0; c < out.channels; ++c) {
          const float v = sampleAt(data + body + f * step + c * (bits / 8), bits, isFloat);
          out.interleaved.push_back(v);
          s += v;
        }
        out.mono.push_back(s / static_cast<float>(out.channels));
      }
      out.format = std::string("recording ") + (isFloat ? "float" : std::to_string(bits) + "-bit");
      return true;
    }
    p = body + chunkSize + (chunkSize & 1);
  }
  why = haveFormat ? "no data chunk" : "no format chunk";
  return false;
}

bool read(const std::string& path, Samples& out, std::string& why, std::size_t maxBytes) {
  std::string bytes;
  const FileStatus status = readRegularFile(path, maxBytes, bytes);
  if (status != FileStatus::Ok) {
    why = describeFileStatus(status);
    return false;
  }
  return parse(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out, why);
}

}  // namespace recording
