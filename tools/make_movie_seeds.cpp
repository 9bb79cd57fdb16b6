// Seed inputs for the movie fuzz target: make_movie_seeds OUT_DIR writes
// OUT_DIR/movie_fuzz/ with tiny movies of each kind the game meets (H.264 with
// B-frames, MPEG-4 without, stereo, mono and no sound, one picture).
#include <filesystem>
#include <string>

#include "tools/movie_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path out = std::filesystem::path(argv[1]) / "movie_fuzz";
  std::filesystem::create_directories(out);
  struct Kind {
    const char* name;
    const char* codec;
    int bFrames, channels, frames;
  };
  const Kind kinds[] = {{"h264.m4v", "libx264", 2, 2, 6}, {"mpeg4.mp4", "mpeg4", 0, 1, 6},
                        {"silent.mp4", "mpeg4", 0, 0, 4}, {"one.mp4", "mpeg4", 0, 2, 1}};
  for (const Kind& k : kinds) {
    moviewriter::VideoSpec spec;
    spec.width = 32;
    spec.height = 16;
    spec.codec = k.codec;
    spec.bFrames = k.bFrames;
    spec.quality = k.bFrames > 0 ? 30 : 10;
    moviewriter::AudioTrack track = moviewriter::sineTrack(k.frames / 30.0, 22050, k.channels > 0 ? k.channels : 1);
    if (!moviewriter::writeMovie((out / k.name).string(), spec, k.frames,
                                 [](int frame, std::uint8_t* rgb, int stride) {
                                   moviewriter::drawFrameCode(rgb, 32, 16, stride, 3, frame);
                                 },
                                 k.channels > 0 ? &track : nullptr))
      return 1;
  }
  return 0;
}
