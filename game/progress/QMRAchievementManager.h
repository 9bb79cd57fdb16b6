#pragma once
// The achievements: eight categories of records from the design file
// "gamedesign/achievementList.ynm", each with one current value fed by the
// game; a record is earned once its test passes, which queues its pop-up, and
// the earned flags are kept in "achievements.sav" in the save folder. One
// instance, created on first use.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AchievementRecord {
  std::int32_t requiredValue = 0;
  std::int32_t id = 0;
  std::int32_t textId = 0;  // title text, shown by the pop-up
  bool earned = false;
  bool countForProgress = false;
};

class QMRAchievementManager {
 public:
  enum Category {
    kGoldMedals = 0,          // the star total of all maps
    kOneTryMissions = 1,      // levels won in one try
    kAllMapMissions = 2,      // requiredValue: a map that must be perfect
    kGlobalScore = 3,         // sum of best scores
    kSpecificMission = 4,     // requiredValue: a level that must be completed
    kLevelsDone = 5,          // completed levels
    kThreeSheepSaved = 6,     // sheep of the level just won
    kInfiltratedWolves = 7,   // counts up within one run
  };
  static constexpr int kCategoryCount = 8;
  // The design file's element of each category, by index.
  static const char* categoryElement(int category);

  struct CategoryRecords {
    std::vector<AchievementRecord> records;
    std::int32_t value = 0;
  };

  virtual ~QMRAchievementManager() = default;
  QMRAchievementManager(const QMRAchievementManager&) = delete;
  QMRAchievementManager& operator=(const QMRAchievementManager&) = delete;

  // Created on first use: the design file, then the save file.
  static QMRAchievementManager& getInstance();
  // Drops the instance; the next getInstance reads both files again.
  static void resetInstance();

  // The feeders: each stores its value (where it has one), checks its
  // category and saves when anything was earned.
  void setGoldMedals(int stars);
  void setOneTryMissions(int count);
  void checkAllMapMissions(int mapId = 0);
  void setGlobalScore(int score);
  void checkSpecificMission(int levelId = 0);
  void setLevelsDone(int count);
  void setThreeSheepSaved(int sheep);
  void addInfiltratedWolvesMission();

  // Queues the pop-up of an earned record's title; a title of 0 shows none.
  void showPopup(int textId);
  // Gives a saved flag back to its record: the first record of the category
  // with that required value that no call since the last readProgress has
  // given one (so records sharing a value each get their own); none: nothing.
  void setEarned(int category, std::int32_t requiredValue, bool earned);

  bool isEarnedById(int id) const;
  void reportEarned() const;

  void readList();
  void readProgress();
  bool saveProgress();
  // The bytes saveProgress writes.
  std::string progressImage() const;

  const CategoryRecords& category(int index) const { return categories_[index]; }
  int recordCount() const { return recordCount_; }
  int earnedCount() const { return earnedCount_; }
  int progressRecordCount() const { return progressRecordCount_; }
  int earnedProgressCount() const { return earnedProgressCount_; }

  // Bound on the records of one category in a save file (or the design's own
  // count, when that is larger).
  static constexpr std::int32_t kMaxSavedRecords = 10000;

 protected:
  QMRAchievementManager() = default;

 private:
  bool passes(int category, const AchievementRecord& record) const;
  bool checkCategory(int category);
  void feed(int category, std::int32_t value);
  void checkAndSave(int category);

  CategoryRecords categories_[kCategoryCount];
  // Per category, which records setEarned has given a flag.
  std::vector<bool> restored_[kCategoryCount];
  std::int32_t recordCount_ = 0;
  std::int32_t earnedCount_ = 0;
  std::int32_t progressRecordCount_ = 0;
  std::int32_t earnedProgressCount_ = 0;

  static std::unique_ptr<QMRAchievementManager> instance_;
};
