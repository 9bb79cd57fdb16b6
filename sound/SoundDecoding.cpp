#include "sound/SoundDecoding.h"

#include <algorithm>
#include <cstdio>

#include <AL/al.h>

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

void fail(const char* what, const std::string& path) {
  std::printf("AudioEngine ERROR : %s%s\n", what, path.c_str());
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
bool readWav(cAural::cWavDecoder& wav, PcmBlock& pcm, int frame, std::size_t maxBytes) {
  const std::int32_t size = wav.getDataSize() - wav.getDataSize() % frame;
  if (static_cast<std::size_t>(size) > maxBytes) return false;
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

// An Ogg stream's length comes from its last page, which a damaged file can
// fake: the block grows with what really decodes, up to the cap.
bool readOgg(cAural::cOggDecoder& ogg, PcmBlock& pcm, int frame, std::size_t maxBytes) {
  const std::int64_t declared = static_cast<std::int64_t>(ogg.getTotalSize()) * 2;
  const std::int64_t plausible = static_cast<std::int64_t>(ogg.getCompressedSize()) * 64 + (1 << 20);
  constexpr std::int32_t kChunk = 64 * 1024;
  std::int64_t reserve = std::min<std::int64_t>(declared, plausible);
  reserve = std::min<std::int64_t>(reserve, static_cast<std::int64_t>(maxBytes));
  // Room for the last read's chunk too: a true length never moves the block.
  if (reserve > 0) pcm.reserve(static_cast<std::size_t>(reserve) + kChunk);
  int holes = 0;
  std::size_t got = 0;
  for (;;) {
    if (pcm.size() < got + kChunk) {
      // Grown by doubling, but never past the cap and one read.
      if (pcm.capacity() < got + kChunk)
        pcm.reserve(std::min(std::max(pcm.capacity() * 2, got + kChunk), maxBytes + kChunk));
      pcm.resize(got + kChunk);
    }
    const std::int32_t n = ogg.readAudioData(pcm.data() + got, kChunk);
    if (n == OV_HOLE && ++holes < 1000) continue;  // a gap in the stream: decoding goes on
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
    if (got > maxBytes) return false;
  }
  pcm.resize(got - got % static_cast<std::size_t>(frame));
  if (pcm.capacity() - pcm.size() > (1u << 20)) pcm.shrink_to_fit();  // a header that claimed too much
  return true;
}

}  // namespace

void decodeFile(const std::string& path, DecodedSound& out, std::size_t maxBytes) {
  out = DecodedSound();
  cAural::cFileSource* source = new cAural::cFileSource(path.c_str());
  if (source == nullptr || !source->isValid()) {
    fail("error loading file ", path);
    if (source != nullptr) source->release();
    return;
  }
  const std::string ext = extensionOf(path);
  cAural::IAudioDecoder* decoder = nullptr;
  if (ext == "ogg") {
    decoder = new cAural::cOggDecoder(source);
  } else if (ext == "wav") {
    decoder = new cAural::cWavDecoder(source);
  }
  auto* ogg = dynamic_cast<cAural::cOggDecoder*>(decoder);
  // More than two channels would be played as stereo, garbled.
  if (decoder == nullptr || !decoder->isValid() || (ogg != nullptr && ogg->getChannelCount() > 2)) {
    fail("error decoding file ", path);
    if (decoder != nullptr) decoder->release();
    source->release();
    return;
  }
  out.alFormat = alFormatOf(decoder->getFormat());
  out.frequency = decoder->getFrequency();
  const int frame = frameBytes(out.alFormat);
  bool ok = false;
  if (ogg != nullptr) {
    ok = readOgg(*ogg, out.pcm, frame, maxBytes);
  } else {
    ok = readWav(*static_cast<cAural::cWavDecoder*>(decoder), out.pcm, frame, maxBytes);
  }
  if (!ok) {
    fail("error decoding file ", path);
    out.pcm.clear();
    out.pcm.shrink_to_fit();
  }
  decoder->release();
  source->release();
}

PartialDecoder::PartialDecoder(const std::string& path, std::size_t maxBytes) : path_(path), maxBytes_(maxBytes) {
  auto* source = new cAural::cFileSource(path.c_str());
  if (!source->isValid()) {
    fail("error loading file ", path);
    source->release();
    finished_ = true;
    return;
  }
  auto* ogg = new cAural::cOggDecoder(source);
  // More than two channels would be played as stereo, garbled.
  if (!ogg->isValid() || ogg->getChannelCount() > 2) {
    fail("error decoding file ", path);
    ogg->release();
    source->release();
    finished_ = true;
    return;
  }
  source_ = source;
  decoder_ = ogg;
  alFormat_ = alFormatOf(ogg->getFormat());
  frequency_ = ogg->getFrequency();
  frameBytes_ = soundfile::frameBytes(alFormat_);
}

PartialDecoder::~PartialDecoder() {
  if (decoder_ != nullptr) decoder_->release();
  if (source_ != nullptr) source_->release();
}

std::size_t PartialDecoder::decode(PcmBlock& out, std::size_t maxBytes) {
  if (finished_ || decoder_ == nullptr) return 0;
  constexpr std::size_t kChunk = 64 * 1024;
  const std::size_t start = out.size();
  std::size_t got = start;
  while (got - start < maxBytes) {
    out.resize(got + kChunk);  // not cleared: the decoder writes it
    const std::int32_t n = decoder_->readAudioData(out.data() + got, static_cast<std::int32_t>(kChunk));
    if (n == OV_HOLE && ++holes_ < 1000) continue;  // a gap in the stream: decoding goes on
    if (n <= 0) {
      finished_ = true;
      break;
    }
    got += static_cast<std::size_t>(n);
    if (decoded_ + got - start > maxBytes_) {
      fail("error decoding file ", path_);
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
