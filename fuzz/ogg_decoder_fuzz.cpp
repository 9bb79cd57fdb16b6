// The Ogg Vorbis decoder and the engine's Ogg loading on arbitrary bytes.
#include "sound_decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzSoundDecoder<cAural::cOggDecoder>(data, size, "input.ogg");
}
