#pragma once
// The data tree of the progress fuzz targets: the design files and the save
// folder in one private folder, each input written to its place. Every input
// starts from the same files: saves the previous input left are removed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzDataTree.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "game/progress/TutorialManager.h"

namespace progressfuzz {

inline const char* kLevels =
    "<levels>"
    "<map id=\"1\" name=\"458752\" pack=\"1\">"
    "<level id=\"1\" scoreBronze=\"1000\" scoreSilver=\"2000\" scoreGold=\"3000\"/>"
    "<level id=\"2\" scoreBronze=\"1000\" scoreSilver=\"2000\" scoreGold=\"3000\"><requireLevel id=\"1\"/></level>"
    "<level id=\"0\"/>"
    "</map>"
    "<map id=\"2\" name=\"458753\" pack=\"0\">"
    "<level id=\"26\" scoreBronze=\"500\" scoreSilver=\"900\" scoreGold=\"1500\"/>"
    "<level id=\"27\" scoreBronze=\"500\" scoreSilver=\"900\" scoreGold=\"1500\"/>"
    "</map>"
    "</levels>";

inline const char* kAchievements =
    "<AchievementList>"
    "<NbGoldMedals><achievement id=\"1\" requiredValue=\"3\" textId=\"21\" countForProgress=\"1\"/></NbGoldMedals>"
    "<AllMapMissions><achievement id=\"2\" requiredValue=\"1\" textId=\"22\" countForProgress=\"1\"/></AllMapMissions>"
    "<SpecificMissionFinished><achievement id=\"3\" requiredValue=\"2\" textId=\"23\" countForProgress=\"0\"/>"
    "</SpecificMissionFinished>"
    "<LevelsDone><achievement id=\"4\" requiredValue=\"1\" textId=\"24\" countForProgress=\"1\"/>"
    "<achievement id=\"5\" requiredValue=\"1\" textId=\"25\" countForProgress=\"1\"/>"
    "<achievement id=\"6\" requiredValue=\"5\" textId=\"0\" countForProgress=\"0\"/></LevelsDone>"
    "</AchievementList>";

inline const char* kTutorials =
    "<tutos><firtsBlocTuto id=\"10\"/>"
    "<tutorial id=\"11\"><text>196618</text></tutorial><tutorial id=\"4\"><text>196613</text></tutorial>"
    "</tutos>";

inline std::string savePath(const FuzzDataTree& tree, const char* name) {
  return tree.root() + "/TARNWELL/Quillmoor/" + name;
}

// The tree, made once: the save folder points into it and the three design
// files are in place (a target overwrites the one it fuzzes).
inline FuzzDataTree& tree() {
  static FuzzDataTree t;
  static const bool ready = [] {
    setenv("XDG_DATA_HOME", t.root().c_str(), 1);
    auto put = [](const char* name, const char* text) {
      t.put(name, reinterpret_cast<const std::uint8_t*>(text), std::char_traits<char>::length(text));
    };
    put("gamedesign/levels.ynm", kLevels);
    put("gamedesign/achievementList.ynm", kAchievements);
    put("gamedesign/tutorials.ynm", kTutorials);
    t.put("TARNWELL/Quillmoor/.keep", nullptr, 0);
    return true;
  }();
  (void)ready;
  return t;
}

// A fresh start: no saves, no managers.
inline void freshStart() {
  for (const char* name : {"levels.sav", "achievements.sav", "tutov2.sav"}) {
    std::remove(savePath(tree(), name).c_str());
    std::remove((savePath(tree(), name) + ".bak").c_str());
  }
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
  TutorialManager::resetInstance();
}

}  // namespace progressfuzz
