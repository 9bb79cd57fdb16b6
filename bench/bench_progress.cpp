// Progress files: recording a result, which rewrites the whole levels save
// (temporary file, fsync, rename), beside writing the same bytes straight
// with stdio and fsync; and loading the three design files and their saves
// for 8 maps of 25 levels.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>
#include <string>

#include <unistd.h>

#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "game/progress/TutorialManager.h"
#include "support/TempDir.h"

namespace {

std::string design() {
  std::ostringstream s;
  s << "<levels>";
  for (int m = 1; m <= 8; ++m) {
    s << "<map id=\"" << m << "\" name=\"" << (458752 + m - 1) << "\" pack=\"1\">";
    for (int l = 25 * (m - 1) + 1; l <= 25 * m; ++l) {
      s << "<level id=\"" << l << "\" posX=\"100\" posY=\"100\" difficulty=\"2\" scoreBronze=\"700\""
        << " scoreSilver=\"1100\" scoreGold=\"2200\" scenery=\"" << (1 + l % 9) << "\" tutoId=\"0\">";
      if (l > 1) s << "<requireLevel id=\"" << (l - 1) << "\"/>";
      s << "</level>";
    }
    s << "</map>";
  }
  s << "</levels>";
  return s.str();
}

std::string achievements() {
  std::ostringstream s;
  s << "<AchievementList>";
  const char* categories[] = {"NbGoldMedals", "NbOneTryMissions", "AllMapMissions", "GlobalScore",
                              "SpecificMissionFinished", "LevelsDone", "SaveThreeSheepInOneMission",
                              "NbMissionInfiltratedWolves"};
  int id = 1;
  for (const char* c : categories) {
    s << "<" << c << ">";
    for (int k = 0; k < 3 && id <= 20; ++k, ++id) {
      s << "<achievement id=\"" << id << "\" requiredValue=\"" << (k + 1) * 1000000 << "\" textId=\"" << 20 + id
        << "\" countForProgress=\"1\"/>";
    }
    s << "</" << c << ">";
  }
  s << "</AchievementList>";
  return s.str();
}

struct Tree {
  Tree() {
    tmp.write("data/gamedesign/levels.ynm", design());
    tmp.write("data/gamedesign/achievementList.ynm", achievements());
    std::ostringstream t;
    t << "<tutos><firtsBlocTuto id=\"10\"/>";
    for (int id = 1; id <= 30; ++id) t << "<tutorial id=\"" << id << "\"><text>" << 196608 + id << "</text></tutorial>";
    t << "</tutos>";
    tmp.write("data/gamedesign/tutorials.ynm", t.str());
    setenv("XDG_DATA_HOME", (tmp.str() + "/home").c_str(), 1);
    if (chdir((tmp.str() + "/data").c_str()) != 0) std::abort();
  }
  // Every level won and tried: the save holds all 200 records.
  void playEveryLevel() {
    LevelsManager& levels = LevelsManager::getInstance();
    for (int id = 1; id <= 200; ++id) {
      levels.recordResult(id, 1000 + id, levels.getMedalForScore(id, 1000 + id), 2);
      levels.addTries(id, 3);
    }
    for (int m = 1; m <= 8; ++m) levels.unlockLevels(m);
    TutorialManager::getInstance().markSeen(4);
  }
  qmtest::TempDir tmp;
};

Tree& tree() {
  static Tree t;
  static const bool played = (t.playEveryLevel(), true);
  (void)played;
  return t;
}

void BM_RecordResultSavesEverything(benchmark::State& state) {
  tree();
  LevelsManager& levels = LevelsManager::getInstance();
  // A better score each time, across every run of this benchmark (its
  // repetitions and the runs that size them): each iteration saves.
  static int score = 5000;
  const int before = score;
  for (auto _ : state) levels.recordResult(100, ++score, 3, 2);
  if (levels.getLevel(100).bestScore != score) state.SkipWithError("the last result was not kept");
  state.counters["saves"] = score - before;
  state.counters["bytes"] = static_cast<double>(levels.progressImage().size());
}
BENCHMARK(BM_RecordResultSavesEverything)->Unit(benchmark::kMicrosecond);

// The same bytes written in place with stdio and fsync: what the safe save
// costs beyond a plain one is the temporary file, its rename and the folder sync.
void BM_PlainWriteWithFsync(benchmark::State& state) {
  Tree& t = tree();
  const std::string bytes = LevelsManager::getInstance().progressImage();
  const std::string path = t.tmp.str() + "/plain.sav";
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fflush(f);
    fsync(fileno(f));
    std::fclose(f);
  }
}
BENCHMARK(BM_PlainWriteWithFsync)->Unit(benchmark::kMicrosecond);

void BM_LoadDesignsAndSaves(benchmark::State& state) {
  tree();
  for (auto _ : state) {
    LevelsManager::resetInstance();
    QMRAchievementManager::resetInstance();
    TutorialManager::resetInstance();
    benchmark::DoNotOptimize(LevelsManager::getInstance().getTotalStars());
    benchmark::DoNotOptimize(QMRAchievementManager::getInstance().earnedCount());
    benchmark::DoNotOptimize(TutorialManager::getInstance().seenLow());
  }
  state.counters["levels"] = static_cast<double>(LevelsManager::getInstance().levels().size());
}
BENCHMARK(BM_LoadDesignsAndSaves)->Unit(benchmark::kMicrosecond);

}  // namespace
