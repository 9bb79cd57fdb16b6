#include "sound/SoundDecoding.h"

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>

#include <AL/al.h>
#include <vorbis/codec.h>

#include "app/DataFiles.h"
#include "sound/aural/AudioDecoder.h"
#include "sound/aural/DataSource.h"

namespace soundfile {

std::string extensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = last.find_last_of('.');
  return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

namespace {

// A file larger than this cannot hold a sound that fits the limit: its
// headers and chunks around the samples are a few kilobytes.
constexpr std::size_t kFileSlack = 1u << 20;
constexpr std::int32_t kChunk = 64 * 1024;  // one decoder read

std::string sizeText(std::size_t bytes) {
  char text[32];
  if (bytes < (10u << 10)) {
    std::snprintf(text, sizeof text, "%zu bytes", bytes);
  } else if (bytes < (1u << 20)) {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / (1 << 10));
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
  }
  return text;
}

std::size_t budgetLeft(const SoundLimits& limits) {
  return limits.budget > limits.held ? limits.budget - limits.held : 0;
}

// Why a sound that decodes to `amount` is refused, by the limit of one sound
// or by what all sounds may take.
std::string refusal(const std::string& amount, const SoundLimits& limits, bool bySound) {
  if (bySound) return "it decodes to " + amount + ", more than the " + sizeText(limits.perSound) + " one sound may take";
  return "it decodes to " + amount + ", and the sounds loaded hold " + sizeText(limits.held) + " of the " +
         sizeText(limits.budget) + " all sounds may take";
}

// Whether a sound of `bytes` fits; when not, why.
bool fits(std::size_t bytes, const SoundLimits& limits, std::string& why) {
  if (bytes > limits.perSound || bytes > budgetLeft(limits)) {
    why = refusal(sizeText(bytes), limits, bytes > limits.perSound);
    return false;
  }
  return true;
}

int alFormatOf(cAural::AudioFormat format) {
  switch (format) {
    case cAural::FORMAT_MONO8:
      return AL_FORMAT_MONO8;
    case cAural::FORMAT_STEREO8:
      return AL_FORMAT_STEREO8;
    case cAural::FORMAT_MONO16:
      return AL_FORMAT_MONO16;
    case cAural::FORMAT_STEREO16:
      return AL_FORMAT_STEREO16;
  }
  std::printf("AudioEngine ERROR : error default value\n");
  return AL_FORMAT_STEREO16;
}

int frameBytes(int alFormat) {
  return alFormat == AL_FORMAT_MONO8 ? 1 : (alFormat == AL_FORMAT_STEREO16 ? 4 : 2);
}

// A WAV decoder knows its exact sample bytes (cut to what the file holds).
bool readWav(cAural::cWavDecoder& wav, PcmBlock& pcm, int frame, const SoundLimits& limits,
             std::string& why) {
  const std::int32_t size = wav.getDataSize() - wav.getDataSize() % frame;
  if (!fits(static_cast<std::size_t>(size), limits, why)) return false;
  pcm.resize(static_cast<std::size_t>(size));
  std::size_t got = 0;
  while (got < pcm.size()) {
    const std::int32_t n = wav.readAudioData(pcm.data() + got, static_cast<std::int32_t>(pcm.size() - got));
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  pcm.resize(got - got % static_cast<std::size_t>(frame));
  return true;
}

// An Ogg stream's length comes from its last page: a length past the limits
// is refused before anything is decoded. A damaged last page can claim too
// little, so the block grows with what really decodes, and stops at the limit.
bool readOgg(cAural::cOggDecoder& ogg, PcmBlock& pcm, int frame, const SoundLimits& limits,
             std::string& why) {
  const std::int64_t declared = static_cast<std::int64_t>(ogg.getTotalSize()) * 2;
  if (declared > 0 && !fits(static_cast<std::size_t>(declared), limits, why)) return false;
  const std::size_t maxBytes = std::min(limits.perSound, budgetLeft(limits));
  const std::int64_t plausible = static_cast<std::int64_t>(ogg.getCompressedSize()) * 64 + (1 << 20);
  std::int64_t reserve = std::min<std::int64_t>(declared, plausible);
  reserve = std::min<std::int64_t>(reserve, static_cast<std::int64_t>(maxBytes));
  // Room for the last read's chunk too: a true length never moves the block.
  if (reserve > 0) pcm.reserve(static_cast<std::size_t>(reserve) + kChunk);
  int holes = 0;
  std::size_t got = 0;
  for (;;) {
    if (pcm.size() < got + kChunk) {
      // Grown by doubling, but never past the limit and one read.
      if (pcm.capacity() < got + kChunk)
        pcm.reserve(std::min(std::max(pcm.capacity() * 2, got + kChunk), maxBytes + kChunk));
      pcm.resize(got + kChunk);
    }
    const std::int32_t n = ogg.readAudioData(pcm.data() + got, kChunk);
    if (n == OV_HOLE && ++holes < 1000) continue;  // a gap in the stream: decoding goes on
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
    if (got > maxBytes) {
      why = refusal("more than " + sizeText(maxBytes), limits, maxBytes == limits.perSound);
      return false;
    }
  }
  pcm.resize(got - got % static_cast<std::size_t>(frame));
  if (pcm.capacity() - pcm.size() > (1u << 20)) pcm.shrink_to_fit();  // a header that claimed too much
  return true;
}

// Opens the file the way every data file of the game is opened (a regular
// file, not too large) before the decoders get it; false with the reason.
bool checkFile(const std::string& path, const SoundLimits& limits, std::string& why) {
  FileStatus status = FileStatus::Ok;
  std::FILE* f = openRegularFile(path, status);
  if (f == nullptr) {
    why = describeFileStatus(status);
    return false;
  }
  struct stat st {};
  const bool known = fstat(fileno(f), &st) == 0;
  std::fclose(f);
  if (!known) {
    why = describeFileStatus(FileStatus::Failed);
    return false;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  if (size > limits.perSound + kFileSlack) {
    why = "the file holds " + sizeText(size) + ", more than the " + sizeText(limits.perSound) +
          " one sound may take";
    return false;
  }
  return true;
}

}  // namespace

bool decodeSound(const std::string& path, DecodedSound& out, const SoundLimits& limits) {
  out = DecodedSound();
  auto failed = [&out, &path](const char* what, const std::string& why) {
    out.pcm.clear();
    out.pcm.shrink_to_fit();
    out.error = what + path + ": " + why;
    return false;
  };
  std::string why;
  if (!checkFile(path, limits, why)) return failed("error loading file ", why);
  cAural::cFileSource* source = new cAural::cFileSource(path.c_str());
  if (source == nullptr || !source->isValid()) {
    if (source != nullptr) source->release();
    return failed("error loading file ", describeFileStatus(FileStatus::Failed));
  }
  if (source->getSize() == 0) {
    source->release();
    return failed("error decoding file ", "the file is empty");
  }
  const std::string ext = extensionOf(path);
  cAural::IAudioDecoder* decoder = nullptr;
  cAural::cOggDecoder* ogg = nullptr;
  cAural::cWavDecoder* wav = nullptr;
  if (ext == "ogg") {
    decoder = ogg = new cAural::cOggDecoder(source);
  } else if (ext == "wav") {
    decoder = wav = new cAural::cWavDecoder(source);
  }
  source->release();  // the decoder holds its own reference
  if (decoder == nullptr) return failed("error decoding file ", "not a .wav or .ogg file");
  if (!decoder->isValid()) {
    why = ogg != nullptr ? ogg->getProblem() : wav->getProblem();
  } else if (ogg != nullptr && ogg->getChannelCount() > 2) {
    // More than two channels would be played as stereo, garbled.
    why = std::to_string(ogg->getChannelCount()) + " channels (1 or 2 only)";
  }
  if (!why.empty()) {
    decoder->release();
    return failed("error decoding file ", why);
  }
  out.alFormat = alFormatOf(decoder->getFormat());
  out.frequency = decoder->getFrequency();
  const int frame = frameBytes(out.alFormat);
  const bool ok = ogg != nullptr ? readOgg(*ogg, out.pcm, frame, limits, why)
                                 : readWav(*wav, out.pcm, frame, limits, why);
  decoder->release();
  if (!ok) return failed("error decoding file ", why);
  return true;
}

void decodeFile(const std::string& path, DecodedSound& out, std::size_t maxBytes) {
  SoundLimits limits;
  limits.perSound = maxBytes;
  if (!decodeSound(path, out, limits)) std::printf("AudioEngine ERROR : %s\n", out.error.c_str());
}

PartialDecoder::PartialDecoder(const std::string& path, const SoundLimits& limits)
    : path_(path), limits_(limits), maxBytes_(std::min(limits.perSound, budgetLeft(limits))) {
  finished_ = true;
  std::string why;
  if (!checkFile(path, limits, why)) {
    error_ = "error loading file " + path + ": " + why;
    return;
  }
  auto* source = new cAural::cFileSource(path.c_str());
  if (!source->isValid()) {
    source->release();
    error_ = "error loading file " + path + ": " + describeFileStatus(FileStatus::Failed);
    return;
  }
  auto* ogg = new cAural::cOggDecoder(source);
  if (!ogg->isValid()) {
    why = ogg->getProblem();
  } else if (ogg->getChannelCount() > 2) {
    // More than two channels would be played as stereo, garbled.
    why = std::to_string(ogg->getChannelCount()) + " channels (1 or 2 only)";
  } else {
    const std::int64_t declared = static_cast<std::int64_t>(ogg->getTotalSize()) * 2;
    if (declared > 0) fits(static_cast<std::size_t>(declared), limits, why);
  }
  if (!why.empty()) {
    ogg->release();
    source->release();
    error_ = "error decoding file " + path + ": " + why;
    return;
  }
  source_ = source;
  decoder_ = ogg;
  alFormat_ = alFormatOf(ogg->getFormat());
  frequency_ = ogg->getFrequency();
  frameBytes_ = soundfile::frameBytes(alFormat_);
  finished_ = false;
}

PartialDecoder::~PartialDecoder() {
  if (decoder_ != nullptr) decoder_->release();
  if (source_ != nullptr) source_->release();
}

std::size_t PartialDecoder::decode(PcmBlock& out, std::size_t maxBytes) {
  if (finished_ || decoder_ == nullptr) return 0;
  const std::size_t start = out.size();
  std::size_t got = start;
  while (got - start < maxBytes) {
    out.resize(got + kChunk);  // not cleared: the decoder writes it
    const std::int32_t n = decoder_->readAudioData(out.data() + got, kChunk);
    if (n == OV_HOLE && ++holes_ < 1000) continue;  // a gap in the stream: decoding goes on
    if (n <= 0) {
      finished_ = true;
      break;
    }
    got += static_cast<std::size_t>(n);
    if (decoded_ + got - start > maxBytes_) {
      error_ = "error decoding file " + path_ + ": " +
               refusal("more than " + sizeText(maxBytes_), limits_, maxBytes_ == limits_.perSound);
      finished_ = true;
      got = start;
      break;
    }
  }
  // The decoder hands out whole frames; whole frames only, all the same.
  std::size_t added = got - start;
  added -= added % static_cast<std::size_t>(frameBytes_);
  out.resize(start + added);
  decoded_ += added;
  return added;
}

}  // namespace soundfile
