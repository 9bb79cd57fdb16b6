// Seed inputs for the sound decoders' fuzz targets: make_sound_seeds OUT_DIR
// writes OUT_DIR/wav_decoder_fuzz/ (every WAV layout, extra chunks) and
// OUT_DIR/ogg_decoder_fuzz/ (short mono and stereo streams).
#include <cmath>
#include <filesystem>
#include <string>

#include "tools/sound_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out / "wav_decoder_fuzz");
  std::filesystem::create_directories(out / "ogg_decoder_fuzz");
  auto tone = [](int frames, int channels) {
    std::vector<float> s;
    for (int i = 0; i < frames * channels; ++i) s.push_back(0.5f * std::sin(0.07f * i));
    return s;
  };
  int n = 0;
  for (int channels : {1, 2})
    for (int bits : {8, 16}) {
      soundwriter::WavLayout l;
      l.channels = channels;
      l.bits = bits;
      l.rate = bits == 8 ? 22050 : 44100;
      if (n % 2 == 1) l.beforeFormat.push_back({"LIST", std::vector<std::uint8_t>(5, 'x')});
      if (n == 3) l.formatExtraBytes = 2;
      soundwriter::writeFile((out / "wav_decoder_fuzz" / ("seed" + std::to_string(n++) + ".wav")).string(),
                             soundwriter::makeWav(tone(64, channels), l));
    }
  for (int channels : {1, 2}) {
    const auto ogg = soundwriter::makeOgg(tone(4000, channels), channels, 22050, 0.0f);
    soundwriter::writeFile((out / "ogg_decoder_fuzz" / ("seed" + std::to_string(channels) + ".ogg")).string(), ogg);
  }
  return 0;
}
