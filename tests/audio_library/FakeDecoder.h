#pragma once
// A decoder of made-up 16-bit mono audio for source tests: it says where each
// read started, counts reads, and can fail after a number of bytes.
#include <cstring>
#include <vector>

#include "sound/aural/AudioDecoder.h"

namespace qmtest {

class FakeDecoder : public cAural::IAudioDecoder, public cAural::cMemoryOverride {
 public:
  explicit FakeDecoder(std::int32_t length, std::int32_t failAfter = -1)
      : IAudioDecoder(nullptr), length_(length), failAfter_(failAfter) {}

  cAural::AudioFormat getFormat() override { return cAural::FORMAT_MONO16; }
  std::int32_t getFrequency() override { return 22050; }
  bool isSeekable() override { return true; }
  bool isValid() override { return true; }
  std::int32_t readAudioData(void* buffer, std::int32_t count) override {
    ++reads;
    readStarts.push_back(position_);
    if (failAfter_ >= 0 && position_ >= failAfter_) return -3;
    const std::int32_t n = std::max(0, std::min(count, length_ - position_));
    // Quiet noise keeps the null backend honest about the bytes it got.
    std::memset(buffer, 0, static_cast<std::size_t>(n));
    position_ += n;
    return n;
  }
  bool setPosition(std::int32_t position, bool relative) override {
    position_ = relative ? position_ + position : position;
    return true;
  }
  bool seek(float seconds, bool) override { return setPosition(static_cast<std::int32_t>(seconds * 44100), false); }
  float getTotalTime() override { return static_cast<float>(length_) / 44100.0f; }
  std::int32_t getTotalSize() override { return length_; }
  std::int32_t getCompressedSize() override { return length_; }
  float getCurrentTime() override { return static_cast<float>(position_) / 44100.0f; }
  std::int32_t getCurrentPosition() override { return position_; }
  std::int32_t getCurrentCompressedPosition() override { return position_; }

  int reads = 0;
  std::vector<std::int32_t> readStarts;

 private:
  std::int32_t length_;
  std::int32_t failAfter_;
  std::int32_t position_ = 0;
};

// Hands out one prepared fake decoder (holding a reference for the caller).
class FakeDecoderFactory : public cAural::IAudioDecoderFactory {
 public:
  cAural::IAudioDecoder* createAudioDecoder(cAural::IDataSource*) override {
    if (next == nullptr) return nullptr;
    next->addRef();
    return next;
  }
  FakeDecoder* next = nullptr;
};

}  // namespace qmtest
