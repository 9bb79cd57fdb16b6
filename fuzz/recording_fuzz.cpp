// The reader of the wave backend's recordings (sound_report) on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/recording_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  recording::Samples samples;
  std::string why;
  if (recording::parse(data, size, samples, why)) {
    // Never more samples than the bytes can hold.
    if (samples.mono.size() > size || samples.channels < 1 ||
        samples.interleaved.size() != samples.mono.size() * static_cast<std::size_t>(samples.channels))
      std::abort();
  } else if (why.empty()) {
    std::abort();
  }
  return 0;
}
