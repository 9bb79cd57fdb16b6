#include <cstdio>
#include <cstring>

#include "sound/aural/AudioDecoder.h"

namespace cAural {

namespace {
std::uint32_t le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
constexpr int kMaxChunks = 4096;
// Far above any real recording; larger values are damage.
constexpr std::int32_t kMaxSampleRate = 768000;
}  // namespace

cWavDecoder::cWavDecoder(IDataSource* source) : IAudioDecoder(source) {
  valid_ = hasUsableSource() ? readHeader() : refuse("it cannot be read");
  if (!valid_) {
    channels_ = 0;
    sampleRate_ = byteRate_ = dataSize_ = dataOffset_ = 0;
    blockAlign_ = bitsPerSample_ = 0;
  }
}

cWavDecoder::~cWavDecoder() {
  channels_ = 0;
  sampleRate_ = byteRate_ = dataSize_ = dataOffset_ = 0;
  blockAlign_ = bitsPerSample_ = 0;
  valid_ = false;
}

bool cWavDecoder::refuse(const char* format, unsigned value) {
  std::snprintf(problem_, sizeof problem_, format, value);
  return false;
}

// Walks the RIFF chunk list by the chunks' own sizes (a chunk of odd size is
// followed by a pad byte) until both "fmt " and "data" are found.
bool cWavDecoder::readHeader() {
  const std::int64_t fileSize = source_->getSize();
  std::uint8_t head[12];
  if (!source_->seek(0, false) || source_->read(head, 12) != 12) return refuse("not a RIFF WAVE file");
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return refuse("not a RIFF WAVE file");
  if (static_cast<std::int32_t>(le32(head + 4)) < 44) return refuse("its RIFF size is below 44 bytes");

  bool haveFormat = false;
  bool haveData = false;
  std::int64_t pos = 12;
  // Real files hold a handful of chunks; a list of thousands of empty ones is
  // not worth walking.
  int chunks = 0;
  for (; chunks < kMaxChunks && pos + 8 <= fileSize && !(haveFormat && haveData); ++chunks) {
    std::uint8_t chunk[8];
    if (!source_->seek(static_cast<std::int32_t>(pos), false) || source_->read(chunk, 8) != 8)
      return refuse("it is cut short inside a chunk header");
    const std::int64_t size = le32(chunk + 4);
    const std::int64_t body = pos + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
      std::uint8_t fmt[16];
      if (size < 16 || body + 16 > fileSize || source_->read(fmt, 16) != 16)
        return refuse("its format chunk is cut short");
      if (le16(fmt) != 1) return refuse("format %u, not integer PCM", le16(fmt));
      channels_ = le16(fmt + 2);
      sampleRate_ = static_cast<std::int32_t>(le32(fmt + 4));
      byteRate_ = static_cast<std::int32_t>(le32(fmt + 8));
      blockAlign_ = le16(fmt + 12);
      bitsPerSample_ = le16(fmt + 14);
      if (channels_ != 1 && channels_ != 2) return refuse("%u channels (1 or 2 only)", channels_);
      if (bitsPerSample_ != 8 && bitsPerSample_ != 16)
        return refuse("%u bits per sample (8 or 16 only)", bitsPerSample_);
      if (sampleRate_ <= 0 || sampleRate_ > kMaxSampleRate)
        return refuse("a sample rate of %u Hz", static_cast<unsigned>(sampleRate_));
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
      // A size past the file (or the "unknown" 0xFFFFFFFF of a streamed
      // recording) means: the samples up to the end of the file.
      const std::int64_t present = fileSize - body;
      dataOffset_ = static_cast<std::int32_t>(body);
      dataSize_ = static_cast<std::int32_t>(size < present ? size : present);
      haveData = true;
    }
    pos = body + size + (size & 1);
  }
  if (chunks == kMaxChunks && !(haveFormat && haveData)) return refuse("more than %u chunks", kMaxChunks);
  if (!haveFormat) return refuse("no format chunk");
  if (!haveData) return refuse("no data chunk");
  return true;
}

AudioFormat cWavDecoder::getFormat() {
  if (channels_ == 1 && bitsPerSample_ == 8) return FORMAT_MONO8;
  if (channels_ == 1 && bitsPerSample_ == 16) return FORMAT_MONO16;
  if (channels_ == 2 && bitsPerSample_ == 8) return FORMAT_STEREO8;
  return FORMAT_STEREO16;
}

std::int64_t cWavDecoder::bytesPerSecond() const {
  return static_cast<std::int64_t>(sampleRate_) * channels_ * (bitsPerSample_ / 8);
}

std::int32_t cWavDecoder::frameBytes() const { return channels_ * (bitsPerSample_ / 8); }

std::int32_t cWavDecoder::readAudioData(void* buffer, std::int32_t count) {
  if (!valid_ || buffer == nullptr || count <= 0) return 0;
  const std::int64_t end = static_cast<std::int64_t>(dataOffset_) + dataSize_;
  std::int64_t pos = source_->getCurrentPos();
  if (pos > end) return 0;
  if (pos < dataOffset_) {
    source_->seek(dataOffset_, false);
    pos = source_->getCurrentPos();
  }
  std::int64_t n = count;
  if (pos + n > end) n = end - pos;
  return n > 0 ? source_->read(buffer, static_cast<std::int32_t>(n)) : 0;
}

bool cWavDecoder::setPosition(std::int32_t position, bool relative) {
  if (!valid_) return false;
  const std::int64_t pos = source_->getCurrentPos();
  const std::int64_t end = static_cast<std::int64_t>(dataOffset_) + dataSize_;
  std::int64_t p = position;
  if (relative) {
    if (pos + p < dataOffset_) p = dataOffset_ - pos;
    if (pos + p > end) p = end - pos;
  } else {
    if (p < dataOffset_) p = dataOffset_;
    if (p > end) p = end;
  }
  return source_->seek(static_cast<std::int32_t>(p), relative);
}

bool cWavDecoder::seek(float seconds, bool relative) {
  if (!valid_) return false;
  // Whole frames only: an odd byte would swap channels or halves of samples.
  const double bytes = static_cast<double>(sampleRate_) * seconds * frameBytes();
  const double limit = 2147483647.0;
  std::int64_t b = static_cast<std::int64_t>(bytes > limit ? limit : (bytes < -limit ? -limit : bytes));
  b -= b % frameBytes();
  return setPosition(static_cast<std::int32_t>(b), relative);
}

float cWavDecoder::getTotalTime() {
  const std::int64_t bps = bytesPerSecond();
  return bps > 0 ? static_cast<float>(source_->getSize()) / static_cast<float>(bps) : 0.0f;
}

std::int32_t cWavDecoder::getTotalSize() { return hasUsableSource() ? source_->getSize() : 0; }

std::int32_t cWavDecoder::getCompressedSize() { return getTotalSize(); }

float cWavDecoder::getCurrentTime() {
  const std::int64_t bps = bytesPerSecond();
  return bps > 0 ? static_cast<float>(source_->getCurrentPos()) / static_cast<float>(bps) : 0.0f;
}

std::int32_t cWavDecoder::getCurrentPosition() { return hasUsableSource() ? source_->getCurrentPos() : 0; }

std::int32_t cWavDecoder::getCurrentCompressedPosition() { return getCurrentPosition(); }

cRawDecoder::cRawDecoder(IDataSource* source, std::uint32_t frequency, AudioFormat format)
    : IAudioDecoder(source), frequency_(frequency), format_(format) {}

std::uint32_t cRawDecoder::bytesPerFrame() const {
  switch (format_) {
    case FORMAT_MONO8:
      return 1;
    case FORMAT_STEREO8:
    case FORMAT_MONO16:
      return 2;
    default:
      return 4;
  }
}

std::int32_t cRawDecoder::readAudioData(void* buffer, std::int32_t count) {
  return hasUsableSource() ? source_->read(buffer, count) : 0;
}

bool cRawDecoder::setPosition(std::int32_t position, bool relative) {
  return hasUsableSource() && source_->seek(position, relative);
}

bool cRawDecoder::seek(float seconds, bool relative) {
  const double bytes = static_cast<double>(frequency_) * seconds * bytesPerFrame();
  const double limit = 2147483647.0;
  std::int64_t b = static_cast<std::int64_t>(bytes > limit ? limit : (bytes < -limit ? -limit : bytes));
  b -= b % static_cast<std::int64_t>(bytesPerFrame());
  return setPosition(static_cast<std::int32_t>(b), relative);
}

float cRawDecoder::getTotalTime() {
  const double rate = static_cast<double>(frequency_) * bytesPerFrame();
  return rate > 0 ? static_cast<float>(getTotalSize() / rate) : 0.0f;
}

std::int32_t cRawDecoder::getTotalSize() { return hasUsableSource() ? source_->getSize() : 0; }

std::int32_t cRawDecoder::getCompressedSize() { return getTotalSize(); }

float cRawDecoder::getCurrentTime() {
  const double rate = static_cast<double>(frequency_) * bytesPerFrame();
  return rate > 0 ? static_cast<float>(getCurrentPosition() / rate) : 0.0f;
}

std::int32_t cRawDecoder::getCurrentPosition() { return hasUsableSource() ? source_->getCurrentPos() : 0; }

std::int32_t cRawDecoder::getCurrentCompressedPosition() { return getCurrentPosition(); }

}  // namespace cAural
