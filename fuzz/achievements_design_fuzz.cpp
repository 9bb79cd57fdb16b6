// The achievement list reader on arbitrary design files, then every feeder.
#include <cstdlib>

#include "ProgressFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzDataTree& tree = progressfuzz::tree();
  progressfuzz::freshStart();
  tree.put("gamedesign/achievementList.ynm", data, size);
  QMRAchievementManager& a = QMRAchievementManager::getInstance();
  LevelsManager::getInstance().recordResult(2, 3000, 3, 1);
  for (int value : {0, 1, 5, 1000, 2147483647}) {
    a.setGoldMedals(value);
    a.setOneTryMissions(value);
    a.setGlobalScore(value);
    a.setLevelsDone(value);
    a.setThreeSheepSaved(value);
    a.addInfiltratedWolvesMission();
  }
  a.checkAllMapMissions(1);
  a.checkSpecificMission(2);
  a.reportEarned();
  if (a.earnedCount() > a.recordCount() || a.earnedProgressCount() > a.progressRecordCount()) std::abort();
  for (int id = -1; id < 32; ++id) a.isEarnedById(id);
  return 0;
}
