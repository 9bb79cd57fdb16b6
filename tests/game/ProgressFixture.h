#pragma once
// A data tree with the game's design files and a save folder, both private to
// the test, with the three progress managers made afresh and a recorder in
// place of what the game reaches above its screens.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "game/progress/TutorialManager.h"
#include "support/TempDir.h"
#include "tests/game/RecordingHost.h"

namespace qmtest {

inline std::string bytesOf(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

inline std::string le32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return bytesOf({static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF), static_cast<int>((u >> 16) & 0xFF),
                  static_cast<int>(u >> 24)});
}

class ProgressTest : public ::testing::Test {
 protected:
  ProgressTest() {
    std::filesystem::create_directories(tmp.path() / "data/gamedesign");
    // Lists without entries, so that tests which do not care stay quiet.
    writeDesign("achievementList.ynm", "<AchievementList/>");
    writeDesign("tutorials.ynm", "<tutos/>");
    cwd.emplace(tmp.path() / "data");
  }
  void SetUp() override { resetManagers(); }
  void TearDown() override { resetManagers(); }

  static void resetManagers() {
    LevelsManager::resetInstance();
    QMRAchievementManager::resetInstance();
    TutorialManager::resetInstance();
  }
  // A restart: the managers read their files again on their next use.
  void restart() {
    resetManagers();
    overlays.clear();
  }

  void writeDesign(const std::string& name, const std::string& xml) const {
    tmp.write("data/gamedesign/" + name, xml);
  }
  std::filesystem::path savePath(const std::string& name) const { return tmp.path() / "home/TARNWELL/Quillmoor" / name; }
  void writeSave(const std::string& name, const std::string& bytes) const {
    tmp.write("home/TARNWELL/Quillmoor/" + name, bytes);
  }
  std::optional<std::string> readSave(const std::string& name) const {
    std::ifstream in(savePath(name), std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  TempDir tmp;
  ScopedEnv home{"XDG_DATA_HOME", tmp.str() + "/home"};
  std::optional<ScopedCwd> cwd;
  // In place of what the game reaches above its screens.
  RecordingHost overlays;
};

// A level element with the given thresholds.
inline std::string levelXml(int id, int bronze = 1000, int silver = 2100, int gold = 3000, const std::string& inner = "") {
  std::ostringstream s;
  s << "<level id=\"" << id << "\" posX=\"10\" posY=\"20\" difficulty=\"1\" scoreBronze=\"" << bronze
    << "\" scoreSilver=\"" << silver << "\" scoreGold=\"" << gold << "\" scenery=\"1\" tutoId=\"0\"";
  if (inner.empty()) {
    s << "/>";
  } else {
    s << ">" << inner << "</level>";
  }
  return s.str();
}

// A map of consecutive levels first..last.
inline std::string mapXml(int id, int pack, int first, int last) {
  std::ostringstream s;
  s << "<map id=\"" << id << "\" name=\"" << (458752 + id - 1) << "\" pack=\"" << pack << "\">";
  for (int l = first; l <= last; ++l) s << levelXml(l);
  s << "</map>";
  return s.str();
}

}  // namespace qmtest
