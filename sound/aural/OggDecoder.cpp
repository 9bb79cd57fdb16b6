#include <cstdio>
#include <limits>

// Only vorbisfile's functions are wanted, not its stdio callbacks.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "sound/aural/AudioDecoder.h"

namespace cAural {

namespace {

std::int32_t clampToInt32(std::int64_t v) {
  if (v < 0) return 0;
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

size_t readFromDataSource(void* buffer, size_t size, size_t count, void* source) {
  if (size == 0 || count == 0) return 0;
  // A request beyond 32 bits is read in part; vorbisfile asks again.
  size_t bytes = count > std::numeric_limits<std::int32_t>::max() / size ? std::numeric_limits<std::int32_t>::max()
                                                                         : size * count;
  const std::int32_t got = static_cast<IDataSource*>(source)->read(buffer, static_cast<std::int32_t>(bytes));
  return got > 0 ? static_cast<size_t>(got) : 0;
}

int seekInDataSource(void* source, ogg_int64_t offset, int whence) {
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

int closeDataSource(void*) { return 0; }  // the decoder releases its source itself

long tellDataSource(void* source) { return static_cast<IDataSource*>(source)->getCurrentPos(); }

const char* openProblem(int code) {
  switch (code) {
    case OV_EREAD:
      return "it cannot be read";
    case OV_EVERSION:
      return "a Vorbis version this player does not know";
    case OV_EBADHEADER:
      return "its Vorbis headers are damaged";
    default:
      return "not an Ogg Vorbis stream";
  }
}

}  // namespace

struct cOggDecoder::Stream : cMemoryOverride {
  OggVorbis_File file{};
  vorbis_info* info = nullptr;
};

cOggDecoder::cOggDecoder(IDataSource* source) : IAudioDecoder(source) {
  problem_ = "it cannot be read";
  if (!hasUsableSource()) return;
  Stream* stream = new Stream;
  if (stream == nullptr) return;
  const ov_callbacks callbacks = {&readFromDataSource, &seekInDataSource, &closeDataSource, &tellDataSource};
  const int opened = ov_open_callbacks(source_, &stream->file, nullptr, 0, callbacks);
  if (opened != 0) {
    problem_ = openProblem(opened);
    delete stream;
    return;
  }
  stream_ = stream;
  stream_->info = ov_info(&stream_->file, -1);
  valid_ = stream_->info != nullptr && stream_->info->channels > 0 && stream_->info->rate > 0;
  problem_ = valid_ ? "" : "its Vorbis headers are damaged";
}

cOggDecoder::~cOggDecoder() {
  if (stream_ != nullptr) ov_clear(&stream_->file);
  delete stream_;
}

int cOggDecoder::getChannelCount() const { return valid_ ? stream_->info->channels : 0; }

AudioFormat cOggDecoder::getFormat() {
  if (!valid_) return FORMAT_MONO8;
  return stream_->info->channels == 1 ? FORMAT_MONO16 : FORMAT_STEREO16;
}

std::int32_t cOggDecoder::getFrequency() {
  if (!valid_) return 0;
  return clampToInt32(stream_->info->rate);
}

bool cOggDecoder::isSeekable() { return valid_ && ov_seekable(&stream_->file) != 0; }

std::int32_t cOggDecoder::readAudioData(void* buffer, std::int32_t count) {
  if (!valid_ || buffer == nullptr || count <= 0) return 0;
  int bitstream = 0;
  return static_cast<std::int32_t>(ov_read(&stream_->file, static_cast<char*>(buffer), count, 0, 2, 1, &bitstream));
}

bool cOggDecoder::setPosition(std::int32_t position, bool) {
  if (!isSeekable()) return false;
  return ov_raw_seek(&stream_->file, position) == 0;
}

bool cOggDecoder::seek(float seconds, bool relative) {
  if (!isSeekable()) return false;
  double target = seconds;
  if (relative) target += ov_time_tell(&stream_->file);
  return ov_time_seek(&stream_->file, target) == 0;
}

float cOggDecoder::getTotalTime() {
  if (!valid_) return 0.0f;
  const double t = ov_time_total(&stream_->file, -1);
  return t > 0 ? static_cast<float>(t) : 0.0f;
}

std::int32_t cOggDecoder::getTotalSize() {
  if (!valid_) return 0;
  const ogg_int64_t frames = ov_pcm_total(&stream_->file, -1);
  if (frames <= 0 || frames > std::numeric_limits<std::int32_t>::max()) return clampToInt32(frames);
  return clampToInt32(frames * stream_->info->channels);
}

std::int32_t cOggDecoder::getCompressedSize() { return valid_ ? clampToInt32(ov_raw_total(&stream_->file, -1)) : 0; }

float cOggDecoder::getCurrentTime() {
  if (!valid_) return 0.0f;
  const double t = ov_time_tell(&stream_->file);
  return t > 0 ? static_cast<float>(t) : 0.0f;
}

std::int32_t cOggDecoder::getCurrentPosition() {
  if (!valid_) return 0;
  const ogg_int64_t frames = ov_pcm_tell(&stream_->file);
  if (frames <= 0 || frames > std::numeric_limits<std::int32_t>::max()) return clampToInt32(frames);
  return clampToInt32(frames * stream_->info->channels);
}

std::int32_t cOggDecoder::getCurrentCompressedPosition() { return valid_ ? clampToInt32(ov_raw_tell(&stream_->file)) : 0; }

}  // namespace cAural
