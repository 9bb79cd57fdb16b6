#pragma once
// The level map and the player's progress: maps of levels from the design file
// "gamedesign/levels.ynm", and per level its best score, medal, completion,
// unlocking and tries, kept in "levels.sav" in the save folder. One instance,
// created on first use.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct LevelRecord {
  std::int32_t id = 0;
  std::int32_t mapId = 0;
  std::int32_t displayNumber = 0;
  std::int32_t posX = 0;
  std::int32_t posY = 0;
  std::int32_t difficulty = 0;
  std::int32_t scenery = 0;
  std::int32_t tutoId = 0;
  std::int32_t scoreBronze = 0;
  std::int32_t scoreSilver = 0;
  std::int32_t scoreGold = 0;
  std::vector<std::int32_t> requiredLevels;
  bool leaf = false;
  std::int32_t bestScore = 0;
  bool completed = false;
  std::int32_t medal = 0;  // 0 none, 1 bronze, 2 silver, 3 gold
  bool unlocked = false;
  std::int32_t fewestTries = 0;  // 0 until won
  std::int32_t tryCount = 0;
  std::int32_t reserved = 0;
};

struct MapRecord {
  std::int32_t name = 0;  // text id of the map's name
  std::vector<LevelRecord*> levels;  // in file order; records live in the manager
  bool firstOfPack = false;
  std::int32_t pack = -1;
  std::int32_t id = 0;
  std::int32_t bronzeCount = 0;
  std::int32_t silverCount = 0;
  std::int32_t goldCount = 0;
  std::int32_t scoreSum = 0;
};

class LevelsManager {
 public:
  virtual ~LevelsManager() = default;
  LevelsManager(const LevelsManager&) = delete;
  LevelsManager& operator=(const LevelsManager&) = delete;

  // Created on first use: the design file, then the save file, then the totals.
  static LevelsManager& getInstance();
  // Drops the instance; the next getInstance reads both files again.
  static void resetInstance();

  // maps[mapId - 1]; an empty map (no levels, pack -1) for an id outside them.
  const MapRecord& getMap(int mapId) const;
  // The record of a level; an empty record for an id that has none (the
  // lookup never adds one).
  const LevelRecord& getLevel(int levelId) const;
  const LevelRecord* findLevel(int levelId) const;

  int getMapStars(int mapId) const;
  bool isMapPerfect(int mapId) const;
  int getTotalStars() const;
  int getCompletedLevelCount(int mapId) const;
  int getTotalCompletedLevels() const;
  int getMedalForScore(int levelId, int score) const;

  // The menu pages maps 1 to 8 by 25 levels each, map m holding levels
  // (m-1)*25+1 onwards in order. Prints a warning where map mapId holds more
  // or lists a level out of its place; the design read warns once for all.
  static constexpr int kPagedMaps = 8;
  static constexpr int kLevelsPerPage = 25;
  void warnAboutPageLayout(int mapId) const;

  void setLastPlayedLevel(int levelId);
  void addTries(int levelId, int n);
  std::vector<int> unlockLevels(int mapId);
  // Records a result; when anything changed, saves and hands the totals on
  // to the totals feed.
  void recordResult(int levelId, int score, int medal, int tries);

  // Who hears the totals (score, stars, one-try levels) after a recorded
  // result changed them: the achievements, which read the levels and so sit
  // above them, set themselves here when their code is part of the program.
  // Null: nobody.
  using TotalsFeed = void (*)(const LevelsManager& levels);
  static void setTotalsFeed(TotalsFeed feed);

  bool saveProgress();
  void readProgress();
  // The bytes saveProgress writes.
  std::string progressImage() const;

  void readLevels();
  void recountTotals();

  int mapCount() const { return mapCount_; }
  int realLevelCount() const { return realLevelCount_; }
  int specialMapId() const { return specialMapId_; }
  int lastPlayedLevel() const { return lastPlayedLevel_; }
  int oneTryCount() const { return oneTryCount_; }
  int bronzeTotal() const { return bronzeTotal_; }
  int silverTotal() const { return silverTotal_; }
  int goldTotal() const { return goldTotal_; }
  int scoreTotal() const { return scoreTotal_; }
  int completedCount() const { return completedCount_; }
  int completedCount2() const { return completedCount2_; }
  std::uint8_t packFlag(int index) const;
  // Every record by id, the phantom ones from the save file included.
  const std::map<std::int32_t, LevelRecord>& levels() const { return levels_; }

  // What a save file may hold beyond the design's own maps and records (the
  // maps and levels of an earlier design); more is not a save of this game.
  static constexpr std::int32_t kMaxSavedMaps = 1000;
  static constexpr std::int32_t kMaxSavedLevels = 100000;

 protected:
  LevelsManager();

 private:
  MapRecord* findMap(int mapId);
  LevelRecord* findLevelRecord(int levelId);
  void recountMap(MapRecord& map);
  void moveMedal(MapRecord& map, int oldMedal, int newMedal);

  std::map<std::int32_t, LevelRecord> levels_;
  std::vector<MapRecord> maps_;
  std::int32_t specialMapId_ = 0;
  std::int32_t mapCount_ = 0;
  std::int32_t realLevelCount_ = 0;
  std::int32_t packFlagCount_ = 4;
  std::uint8_t packFlags_[4] = {1, 1, 0, 0};
  std::int32_t lastPlayedLevel_ = -1000;
  std::int32_t oneTryCount_ = 0;
  std::int32_t bronzeTotal_ = 0;
  std::int32_t silverTotal_ = 0;
  std::int32_t goldTotal_ = 0;
  std::int32_t scoreTotal_ = 0;
  std::int32_t completedCount_ = 0;
  std::int32_t completedCount2_ = 0;

  static std::unique_ptr<LevelsManager> instance_;
};
