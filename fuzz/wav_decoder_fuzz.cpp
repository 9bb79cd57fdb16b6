// The WAV decoder and the engine's WAV loading on arbitrary bytes.
#include "sound_decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzSoundDecoder<cAural::cWavDecoder>(data, size, "input.wav");
}
