// level_play DATA_DIR LEVEL [SCRIPT]: plays a level headless through the
// game's level screen, rules and progress managers (silent, seeded, with a
// throw-away save folder) from a tap script of "frame x y" lines, and prints
// the states it passed and how it ended. Exit 0 when the level ran to an end
// or to its frame limit, 1 when it could not be built.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Random.h"
#include "render_engine/Texture.h"
#include "tools/level_player.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: level_play DATA_DIR LEVEL [SCRIPT]\n");
    return 1;
  }
  char* end = nullptr;
  const long level = std::strtol(argv[2], &end, 10);
  if (end == argv[2] || *end != '\0' || level < -1000000 || level > 1000000) {
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
  setenv("ALSOFT_DRIVERS", "null", 1);
  char saves[] = "/tmp/level_play_XXXXXX";
  if (mkdtemp(saves) == nullptr) {
    std::fprintf(stderr, "level_play: cannot make a save folder\n");
    return 1;
  }
  setenv("XDG_DATA_HOME", saves, 1);
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
  levelplay::printResult(result, stdout);
  std::filesystem::remove_all(saves, ec);
  return result.built ? 0 : 1;
}
