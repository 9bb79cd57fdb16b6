#pragma once
// Shared body of the WAV and Ogg decoder targets: the bytes through the
// decoder over a memory source (every query, seeks, reads to the end), then
// as a file through the sound engine's whole-file decoding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzDataTree.h"
#include "sound/SoundDecoding.h"
#include "sound/aural/AudioDecoder.h"

template <typename Decoder>
int fuzzSoundDecoder(const std::uint8_t* data, std::size_t size, const char* fileName) {
  static FuzzDataTree tree;
  auto* source = new cAural::cMemorySource(data, static_cast<std::int32_t>(size), true);
  auto* d = new Decoder(source);
  if (d->isValid()) {
    (void)d->getFormat();
    (void)d->getFrequency();
    (void)d->getTotalTime();
    (void)d->getTotalSize();
    (void)d->getCurrentTime();
    char buf[8192];
    int reads = 0;
    long total = 0;
    for (int n; reads < 4096 && (n = d->readAudioData(buf, sizeof buf)) != 0; ++reads) total += n > 0 ? n : 0;
    d->seek(0.1f, false);
    d->setPosition(0, false);
    d->readAudioData(buf, 100);
    d->seek(-5.0f, true);
    d->setPosition(1 << 30, true);
    d->readAudioData(buf, sizeof buf);
  }
  d->release();
  source->release();

  tree.put(fileName, data, size);
  soundfile::DecodedSound out;
  soundfile::decodeFile(fileName, out);
  if (out.pcm.size() > soundfile::kMaxDecodedBytes) std::abort();
  return 0;
}
