#include <cstdio>
#include <limits>

#include "sound/aural/AudioDecoder.h"

namespace cAural {

namespace {
std::int32_t clampToInt32(std::int64_t v) {
  if (v < 0) return 0;
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}
}  // namespace

size_t cOggDecoder::readFromDataSource(void* buffer, size_t size, size_t count, void* source) {
  if (size == 0 || count == 0) return 0;
  // A request beyond 32 bits is read in part; vorbisfile asks again.
  size_t bytes = count > std::numeric_limits<std::int32_t>::max() / size ? std::numeric_limits<std::int32_t>::max()
                                                                         : size * count;
  const std::int32_t got = static_cast<IDataSource*>(source)->read(buffer, static_cast<std::int32_t>(bytes));
  return got > 0 ? static_cast<size_t>(got) : 0;
}

int cOggDecoder::seekInDataSource(void* source, ogg_int64_t offset, int whence) {
  auto* s = static_cast<IDataSource*>(source);
  std::int64_t target = 0;
  switch (whence) {
    case SEEK_SET:
      target = offset;
      break;
    case SEEK_CUR:
      target = static_cast<std::int64_t>(s->getCurrentPos()) + offset;
      break;
    case SEEK_END:
      target = static_cast<std::int64_t>(s->getSize()) + offset;
      break;
    default:
      return -1;
  }
  if (target < 0 || target > std::numeric_limits<std::int32_t>::max()) return -1;
  return s->seek(static_cast<std::int32_t>(target), false) ? 0 : -1;
}

int cOggDecoder::closeDataSource(void*) { return 0; }  // the decoder releases its source itself

long cOggDecoder::tellDataSource(void* source) { return static_cast<IDataSource*>(source)->getCurrentPos(); }

cOggDecoder::cOggDecoder(IDataSource* source) : IAudioDecoder(source) {
  if (!hasUsableSource()) return;
  const ov_callbacks callbacks = {&readFromDataSource, &seekInDataSource, &closeDataSource, &tellDataSource};
  if (ov_open_callbacks(source_, &file_, nullptr, 0, callbacks) != 0) return;
  opened_ = true;
  info_ = ov_info(&file_, -1);
  comment_ = ov_comment(&file_, -1);
  valid_ = info_ != nullptr && info_->channels > 0 && info_->rate > 0;
}

cOggDecoder::~cOggDecoder() {
  if (opened_) ov_clear(&file_);
}

AudioFormat cOggDecoder::getFormat() {
  if (!valid_) return FORMAT_MONO8;
  return info_->channels == 1 ? FORMAT_MONO16 : FORMAT_STEREO16;
}

std::int32_t cOggDecoder::getFrequency() {
  if (!valid_) return 0;
  return clampToInt32(info_->rate);
}

bool cOggDecoder::isSeekable() { return valid_ && ov_seekable(&file_) != 0; }

std::int32_t cOggDecoder::readAudioData(void* buffer, std::int32_t count) {
  if (!valid_ || buffer == nullptr || count <= 0) return 0;
  int bitstream = 0;
  return static_cast<std::int32_t>(ov_read(&file_, static_cast<char*>(buffer), count, 0, 2, 1, &bitstream));
}

bool cOggDecoder::setPosition(std::int32_t position, bool) {
  if (!isSeekable()) return false;
  return ov_raw_seek(&file_, position) == 0;
}

bool cOggDecoder::seek(float seconds, bool relative) {
  if (!isSeekable()) return false;
  double target = seconds;
  if (relative) target += ov_time_tell(&file_);
  return ov_time_seek(&file_, target) == 0;
}

float cOggDecoder::getTotalTime() {
  if (!valid_) return 0.0f;
  const double t = ov_time_total(&file_, -1);
  return t > 0 ? static_cast<float>(t) : 0.0f;
}

std::int32_t cOggDecoder::getTotalSize() {
  if (!valid_) return 0;
  const ogg_int64_t frames = ov_pcm_total(&file_, -1);
  if (frames <= 0 || frames > std::numeric_limits<std::int32_t>::max()) return clampToInt32(frames);
  return clampToInt32(frames * info_->channels);
}

std::int32_t cOggDecoder::getCompressedSize() { return valid_ ? clampToInt32(ov_raw_total(&file_, -1)) : 0; }

float cOggDecoder::getCurrentTime() {
  if (!valid_) return 0.0f;
  const double t = ov_time_tell(&file_);
  return t > 0 ? static_cast<float>(t) : 0.0f;
}

std::int32_t cOggDecoder::getCurrentPosition() {
  if (!valid_) return 0;
  const ogg_int64_t frames = ov_pcm_tell(&file_);
  if (frames <= 0 || frames > std::numeric_limits<std::int32_t>::max()) return clampToInt32(frames);
  return clampToInt32(frames * info_->channels);
}

std::int32_t cOggDecoder::getCurrentCompressedPosition() { return valid_ ? clampToInt32(ov_raw_tell(&file_)) : 0; }

}  // namespace cAural
