// Prints the player's progress as the game reads it: progress_report DATA_DIR
// reads the design files of DATA_DIR and the save files of the save folder
// ($XDG_DATA_HOME/TARNWELL/Quillmoor), and lists per map the levels with their
// medals, scores and tries, the achievements earned and the tutorials seen.
#include <cstdio>

#include <unistd.h>

#include "app/ResourcePaths.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "game/progress/TutorialManager.h"

int main(int argc, char** argv) {
  if (argc != 2 || chdir(argv[1]) != 0) {
    std::fprintf(stderr, "usage: progress_report DATA_DIR\n");
    return 1;
  }
  const LevelsManager& levels = LevelsManager::getInstance();
  const char* medals[] = {"-", "bronze", "silver", "gold"};
  std::printf("save folder: %s\n", getSaveFilePath("").c_str());
  for (int m = 1; m <= levels.mapCount(); ++m) {
    const MapRecord& map = levels.getMap(m);
    std::printf("map %d (pack %d): %d stars, %d of %zu levels done\n", map.id, map.pack, levels.getMapStars(m),
                levels.getCompletedLevelCount(m), map.levels.size());
    for (const LevelRecord* l : map.levels) {
      std::printf("  level %3d (#%d) %-6s %s best %6d  fewest tries %d  tries %d  medals at %d/%d/%d\n", l->id,
                  l->displayNumber, l->unlocked ? "open" : "locked", l->completed ? medals[l->medal] : "not won",
                  l->bestScore, l->fewestTries, l->tryCount, l->scoreBronze, l->scoreSilver, l->scoreGold);
    }
  }
  std::printf("total: %d stars, %d points, %d levels done, %d in one try\n", levels.getTotalStars(),
              levels.scoreTotal(), levels.getTotalCompletedLevels(), levels.oneTryCount());
  const QMRAchievementManager& a = QMRAchievementManager::getInstance();
  std::printf("achievements: %d of %d earned\n", a.earnedCount(), a.recordCount());
  for (int c = 0; c < QMRAchievementManager::kCategoryCount; ++c) {
    for (const AchievementRecord& r : a.category(c).records) {
      std::printf("  %-27s %2d  needs %7d  %s\n", QMRAchievementManager::categoryElement(c), r.id, r.requiredValue,
                  r.earned ? "earned" : "-");
    }
  }
  const TutorialManager& t = TutorialManager::getInstance();
  std::printf("tutorials seen:");
  for (const auto& entry : t.tutorials()) {
    if (!t.isUnseen(entry.first)) std::printf(" %d", entry.first);
  }
  std::printf("\n");
  return 0;
}
