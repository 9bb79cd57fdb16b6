// The level map reader on arbitrary design files, then every operation of the
// levels manager on what it read: nothing may crash or reach outside the maps.
#include <cstdlib>

#include "ProgressFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzDataTree& tree = progressfuzz::tree();
  progressfuzz::freshStart();
  tree.put("gamedesign/levels.ynm", data, size);
  LevelsManager& levels = LevelsManager::getInstance();
  const int maps = levels.mapCount();
  for (int id = -1; id <= maps + 1 && id < 64; ++id) {
    levels.unlockLevels(id);
    levels.getMapStars(id);
    levels.getCompletedLevelCount(id);
  }
  int n = 0;
  for (const auto& [id, level] : levels.levels()) {
    if (++n > 64) break;
    const int score = level.scoreGold;
    levels.recordResult(id, score, levels.getMedalForScore(id, score), 1);
    levels.addTries(id, 1);
    levels.setLastPlayedLevel(id);
  }
  if (levels.getTotalCompletedLevels() < 0 || levels.getTotalStars() < 0) std::abort();
  return 0;
}
