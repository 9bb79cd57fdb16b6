// Builds the game's sounds: make_sounds SOURCE_DIR OUT_DIR [NAME...]
// renders every effect of SOURCE_DIR/effects.txt to a WAV file and every
// SOURCE_DIR/*.score to an Ogg Vorbis file, all in OUT_DIR/win32_audio/.
// With names, only those sounds are made; --effects-only and --scores-only
// limit the run to one kind (the data build renders each piece on its own).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/sound_synth.h"
#include "tools/sound_writer.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s SOURCE_DIR OUT_DIR [NAME...]\n", argv[0]);
    return 2;
  }
  const fs::path src = argv[1];
  const fs::path out = fs::path(argv[2]) / "win32_audio";
  std::vector<std::string> only;
  bool effectsWanted = true, scoresWanted = true;
  for (int i = 3; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--effects-only") scoresWanted = false;
    else if (a == "--scores-only") effectsWanted = false;
    else only.push_back(a);
  }
  auto wanted = [&only](const std::string& n) { return only.empty() || std::count(only.begin(), only.end(), n) > 0; };
  std::error_code ec;
  fs::create_directories(out, ec);
  std::string error;

  const std::vector<std::uint8_t> effectText = soundwriter::readFile((src / "effects.txt").string());
  std::vector<synth::Effect> effects;
  if (effectText.empty() || !synth::parseEffects(std::string(effectText.begin(), effectText.end()), effects, &error)) {
    std::fprintf(stderr, "make_sounds: effects.txt: %s\n", effectText.empty() ? "cannot read" : error.c_str());
    return 1;
  }
  for (const synth::Effect& e : effects) {
    if (!effectsWanted || !wanted(e.name)) continue;
    const synth::Audio a = synth::renderEffect(e);
    soundwriter::WavLayout layout;
    layout.channels = e.channels;
    layout.bits = e.bits;
    layout.rate = e.rate;
    if (!soundwriter::writeFile((out / e.name).string(), soundwriter::makeWav(a.samples, layout))) {
      std::fprintf(stderr, "make_sounds: cannot write %s\n", e.name.c_str());
      return 1;
    }
  }

  std::vector<fs::path> scores;
  for (const auto& entry : fs::directory_iterator(src, ec))
    if (entry.path().extension() == ".score") scores.push_back(entry.path());
  std::sort(scores.begin(), scores.end());
  for (const fs::path& p : scores) {
    const std::vector<std::uint8_t> text = soundwriter::readFile(p.string());
    synth::Score score;
    if (!synth::parseScore(std::string(text.begin(), text.end()), score, &error)) {
      std::fprintf(stderr, "make_sounds: %s: %s\n", p.filename().c_str(), error.c_str());
      return 1;
    }
    if (score.name.empty()) score.name = p.stem().string() + ".ogg";
    if (!scoresWanted || !wanted(score.name)) continue;
    const synth::Audio a = synth::renderScore(score);
    const std::vector<std::uint8_t> ogg = soundwriter::makeOgg(a.samples, a.channels, a.rate, 0.45f);
    if (ogg.empty() || !soundwriter::writeFile((out / score.name).string(), ogg)) {
      std::fprintf(stderr, "make_sounds: cannot write %s\n", score.name.c_str());
      return 1;
    }
  }
  return 0;
}
