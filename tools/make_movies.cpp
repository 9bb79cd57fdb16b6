// Builds the game's movies: make_movies STORY EFFECTS FONT OUT_DIR [--still SECONDS PNG]...
// reads a story script (see movie_scenes.h), renders its music score (beside
// the script) and its sound effects (from the game's effects recipes EFFECTS),
// draws every frame at 480x320, 30 per second, and writes OUT_DIR/video/<file>
// as H.264 with a stereo AAC sound track. --still writes the frame at a time
// as a PNG instead, to look at a shot.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/movie_scenes.h"
#include "tools/movie_writer.h"
#include "tools/sound_synth.h"
#include "tools/texture_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 320;
constexpr int kFps = 30;
constexpr int kRate = 44100;

std::string readText(const fs::path& p) {
  const std::vector<std::uint8_t> bytes = texwriter::readFile(p.string());
  return std::string(bytes.begin(), bytes.end());
}

// Adds a at `at` seconds into the stereo mix, resampled to the mix's rate.
void mixIn(std::vector<float>& mix, const synth::Audio& a, double at, double gain) {
  if (a.samples.empty() || a.channels <= 0) return;
  const std::size_t frames = a.samples.size() / a.channels;
  const double step = static_cast<double>(a.rate) / kRate;
  const auto start = static_cast<std::int64_t>(at * kRate);
  const std::size_t outFrames = mix.size() / 2;
  for (std::int64_t i = 0;; ++i) {
    const double src = i * step;
    const auto s0 = static_cast<std::size_t>(src);
    if (s0 + 1 >= frames) break;
    const std::int64_t o = start + i;
    if (o < 0) continue;
    if (static_cast<std::size_t>(o) >= outFrames) break;
    const float f = static_cast<float>(src - s0);
    for (int c = 0; c < 2; ++c) {
      const int ch = a.channels == 1 ? 0 : c;
      const float v0 = a.samples[s0 * a.channels + ch];
      const float v1 = a.samples[(s0 + 1) * a.channels + ch];
      mix[static_cast<std::size_t>(o) * 2 + c] += static_cast<float>(gain) * (v0 + (v1 - v0) * f);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s STORY EFFECTS FONT OUT_DIR [--still SECONDS PNG]...\n", argv[0]);
    return 2;
  }
  const fs::path storyPath = argv[1];
  moviescenes::Story story;
  std::string error;
  const std::string text = readText(storyPath);
  if (text.empty() || !moviescenes::parseStory(text, story, &error)) {
    std::fprintf(stderr, "make_movies: %s: %s\n", argv[1], text.empty() ? "cannot read" : error.c_str());
    return 1;
  }
  moviescenes::Painter painter(kWidth, kHeight, argv[3]);

  if (argc > 5) {
    for (int i = 5; i + 2 < argc + 0 && std::string(argv[i]) == "--still"; i += 3) {
      std::vector<std::uint8_t> rgb(kWidth * kHeight * 3, 0);
      painter.paint(story, std::atof(argv[i + 1]), rgb.data(), kWidth * 3);
      texwriter::Picture pic(kWidth, kHeight);
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const std::uint8_t* p = &rgb[(y * kWidth + x) * 3];
          pic.set(x, y, {p[0], p[1], p[2], 255});
        }
      if (!texwriter::writePng(argv[i + 2], pic)) {
        std::fprintf(stderr, "make_movies: cannot write %s\n", argv[i + 2]);
        return 1;
      }
    }
    return 0;
  }

  // The sound track: the score, then the effects over it, faded at the end.
  moviewriter::AudioTrack track;
  track.rate = kRate;
  track.channels = 2;
  track.samples.assign(static_cast<std::size_t>(story.seconds * kRate) * 2, 0.0f);
  if (!story.music.empty()) {
    synth::Score score;
    const std::string scoreText = readText(storyPath.parent_path() / story.music);
    if (scoreText.empty() || !synth::parseScore(scoreText, score, &error)) {
      std::fprintf(stderr, "make_movies: %s: %s\n", story.music.c_str(), scoreText.empty() ? "cannot read" : error.c_str());
      return 1;
    }
    mixIn(track.samples, synth::renderScore(score), 0.0, 1.0);
  }
  if (!story.effects.empty()) {
    std::vector<synth::Effect> effects;
    const std::string effectText = readText(argv[2]);
    if (effectText.empty() || !synth::parseEffects(effectText, effects, &error)) {
      std::fprintf(stderr, "make_movies: %s: %s\n", argv[2], effectText.empty() ? "cannot read" : error.c_str());
      return 1;
    }
    for (const moviescenes::EffectCue& cue : story.effects) {
      auto it = std::find_if(effects.begin(), effects.end(), [&](const synth::Effect& e) { return e.name == cue.name; });
      if (it == effects.end()) {
        std::fprintf(stderr, "make_movies: no effect %s\n", cue.name.c_str());
        return 1;
      }
      mixIn(track.samples, synth::renderEffect(*it), cue.at, cue.gain);
    }
  }
  const std::size_t frames = track.samples.size() / 2;
  const auto fade = static_cast<std::size_t>(1.5 * kRate);
  for (std::size_t i = 0; i < frames; ++i) {
    const float g = i + fade > frames ? static_cast<float>(frames - i) / fade : 1.0f;
    for (int c = 0; c < 2; ++c) {
      float& v = track.samples[i * 2 + c];
      v = std::clamp(v * g, -1.0f, 1.0f);
    }
  }

  moviewriter::VideoSpec spec;
  spec.width = kWidth;
  spec.height = kHeight;
  spec.fps = kFps;
  const int frameCount = static_cast<int>(std::lround(story.seconds * kFps));
  const std::string out = (fs::path(argv[4]) / "video" / story.file).string();
  const bool ok = moviewriter::writeMovie(
      out, spec, frameCount,
      [&](int frame, std::uint8_t* rgb, int stride) {
        painter.paint(story, static_cast<double>(frame) / kFps, rgb, stride);
      },
      &track, &error);
  if (!ok) {
    std::fprintf(stderr, "make_movies: %s: %s\n", out.c_str(), error.c_str());
    return 1;
  }
  return 0;
}
