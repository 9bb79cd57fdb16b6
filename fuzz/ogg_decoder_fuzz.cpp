// The Ogg Vorbis decoder and the engine's Ogg loading on arbitrary bytes,
// whole and a part at a time (as a long sound is loaded).
#include "sound_decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzSoundDecoder<cAural::cOggDecoder>(data, size, "input.ogg");
  soundfile::PartialDecoder parts("input.ogg");
  soundfile::PcmBlock pcm;
  for (int calls = 0; !parts.finished() && calls < 4096; ++calls) {
    parts.decode(pcm, 40000);
    if (pcm.size() > soundfile::kMaxDecodedBytes + 64 * 1024) std::abort();
    if (pcm.size() > (1u << 20)) pcm.clear();  // as the engine hands pieces on
  }
  if (parts.decodedBytes() > soundfile::kMaxDecodedBytes) std::abort();
  return 0;
}
