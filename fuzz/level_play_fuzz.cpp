// Arbitrary level files played through the level screen: the input is
// "levels/1.ynm" over the sample physics models and configuration, and its
// bytes also pick the taps (frame, x, y), so blocks are tapped, blown up and
// swapped while the level runs a few hundred frames. Nothing a level or a
// tap does may stop the physics library or the game.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "FuzzDataTree.h"
#include "FuzzPhysicsData.h"
#include "app/Random.h"
#include "tools/level_player.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  static bool once = false;
  if (!once) {
    once = true;
    fuzzphysics::prepare();
    std::error_code ec;
    std::filesystem::copy_file(std::filesystem::path(QM_FUZZ_DATA_DIR) / "config.ynm", "config.ynm",
                               std::filesystem::copy_options::overwrite_existing, ec);
    setenv("XDG_DATA_HOME", (tree.root() + "/saves").c_str(), 1);
  }
  tree.put("levels/1.ynm", data, size);
  std::vector<levelplay::Tap> taps;
  for (std::size_t i = 0; i + 2 < size && taps.size() < 12; i += 97) {
    taps.push_back({static_cast<int>(taps.size()) * 20 + 1, data[i] * 2 - 16, data[i + 1] + data[i + 2] / 4});
  }
  seedRandom(static_cast<std::uint32_t>(size));
  levelplay::playLevel(1, taps, 300);
  return 0;
}
