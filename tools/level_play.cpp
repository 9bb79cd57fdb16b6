// level_play [--tappables] [--aim FRAME PICK] [--record FILE.wav] DATA_DIR
// LEVEL [SCRIPT]: plays a level headless through the game's level screen,
// rules and progress managers (silent, seeded, with a throw-away save folder;
// --record instead plays in real time through OpenAL Soft's wave backend and
// keeps what the game sounded like in FILE.wav) from a tap script
// of "frame x y" lines, and prints the states it passed and how it ended.
// --tappables also lists what a tap acted on when the play began, with a
// point on each; --aim adds a tap at FRAME on the thing numbered PICK
// (modulo their count) of those a tap acts on at that frame. Exit 0 when the
// level ran to an end or to its frame limit, 1 when it could not be built.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Random.h"
#include "render_engine/Texture.h"
#include "tools/level_player.h"

namespace {

bool number(const char* text, long low, long high, long* value) {
  char* end = nullptr;
  *value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && *value >= low && *value <= high;
}

}  // namespace

int main(int argc, char** argv) {
  const char* usage = "usage: level_play [--tappables] [--aim FRAME PICK] [--record FILE.wav] DATA_DIR LEVEL [SCRIPT]\n";
  bool listTappables = false;
  std::string recording;
  std::vector<levelplay::Tap> aimed;
  int first = 1;
  while (first < argc && std::strncmp(argv[first], "--", 2) == 0) {
    long frame = 0;
    long pick = 0;
    if (std::strcmp(argv[first], "--tappables") == 0) {
      listTappables = true;
      first += 1;
    } else if (std::strcmp(argv[first], "--aim") == 0 && first + 2 < argc &&
               number(argv[first + 1], 0, 10000000, &frame) && number(argv[first + 2], 0, 1000000000, &pick)) {
      aimed.push_back({static_cast<int>(frame), 0, 0, static_cast<int>(pick)});
      first += 3;
    } else if (std::strcmp(argv[first], "--record") == 0 && first + 1 < argc) {
      recording = std::filesystem::absolute(argv[first + 1]).string();
      first += 2;
    } else {
      std::fprintf(stderr, "level_play: bad option \"%s\"\n%s", argv[first], usage);
      return 1;
    }
  }
  argv += first - 1;
  argc -= first - 1;
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "%s", usage);
    return 1;
  }
  long level = 0;
  if (!number(argv[2], -1000000, 1000000, &level)) {
    std::fprintf(stderr, "level_play: bad level number \"%s\"\n", argv[2]);
    return 1;
  }
  std::vector<levelplay::Tap> taps;
  if (argc == 4) {
    std::ifstream in(argv[3], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "level_play: cannot read the script %s\n", argv[3]);
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> errors;
    taps = levelplay::parseScript(text.str().substr(0, 1 << 20), &errors);
    for (const std::string& e : errors) std::fprintf(stderr, "level_play: %s: left out %s\n", argv[3], e.c_str());
  }
  if (!aimed.empty()) {
    taps.insert(taps.end(), aimed.begin(), aimed.end());
    std::stable_sort(taps.begin(), taps.end(),
                     [](const levelplay::Tap& a, const levelplay::Tap& b) { return a.frame < b.frame; });
  }
  char saves[] = "/tmp/level_play_XXXXXX";
  if (mkdtemp(saves) == nullptr) {
    std::fprintf(stderr, "level_play: cannot make a save folder\n");
    return 1;
  }
  setenv("XDG_DATA_HOME", saves, 1);
  if (recording.empty()) {
    setenv("ALSOFT_DRIVERS", "null", 1);
  } else {
    // The wave backend writes what the device plays, paced by the clock: the
    // frames are paced too, so the sounds fall where a player hears them.
    const std::string conf = std::string(saves) + "/alsoft.conf";
    std::ofstream(conf) << "[general]\ndrivers=wave\n[wave]\nfile=" << recording << "\n";
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    levelplay::setRealTime(true);
  }
  std::error_code ec;
  std::filesystem::current_path(argv[1], ec);
  if (ec) {
    std::fprintf(stderr, "level_play: cannot enter %s\n", argv[1]);
    std::filesystem::remove_all(saves, ec);
    return 1;
  }
  RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
  seedRandom(1);
  const levelplay::PlayResult result = levelplay::playLevel(static_cast<int>(level), taps);
  levelplay::printResult(result, stdout, listTappables);
  std::filesystem::remove_all(saves, ec);
  return result.built ? 0 : 1;
}
