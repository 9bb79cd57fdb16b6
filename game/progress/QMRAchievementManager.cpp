#include "game/progress/QMRAchievementManager.h"

#include <algorithm>

#include <tinyxml.h>

#include "app/ResourcePaths.h"
#include "game/host/GameHost.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/ProgressFiles.h"

namespace {

constexpr const char* kDesignFile = "gamedesign/achievementList.ynm";
constexpr const char* kSaveFile = "achievements.sav";
constexpr const char* kCategoryElements[QMRAchievementManager::kCategoryCount] = {
    "NbGoldMedals", "NbOneTryMissions", "AllMapMissions", "GlobalScore",
    "SpecificMissionFinished", "LevelsDone", "SaveThreeSheepInOneMission", "NbMissionInfiltratedWolves",
};

// The levels hand the totals of every result that changed them to the
// achievements, in this order (a record of each may be earned at once).
void feedTotals(const LevelsManager& levels) {
  QMRAchievementManager& achievements = QMRAchievementManager::getInstance();
  achievements.setGlobalScore(levels.scoreTotal());
  achievements.setGoldMedals(levels.getTotalStars());
  achievements.setOneTryMissions(levels.oneTryCount());
}
// Before main, so that no result goes unheard.
const bool g_fedByLevels = (LevelsManager::setTotalsFeed(&feedTotals), true);
}  // namespace

std::unique_ptr<QMRAchievementManager> QMRAchievementManager::instance_;

const char* QMRAchievementManager::categoryElement(int category) {
  return (category >= 0 && category < kCategoryCount) ? kCategoryElements[category] : "";
}

QMRAchievementManager& QMRAchievementManager::getInstance() {
  (void)g_fedByLevels;
  if (!instance_) {
    instance_.reset(new QMRAchievementManager());
    instance_->readList();
    instance_->readProgress();
  }
  return *instance_;
}

void QMRAchievementManager::resetInstance() { instance_.reset(); }

void QMRAchievementManager::readList() {
  recordCount_ = earnedCount_ = progressRecordCount_ = earnedProgressCount_ = 0;
  for (CategoryRecords& c : categories_) c = CategoryRecords();
  for (std::vector<bool>& r : restored_) r.clear();

  TiXmlDocument doc;
  const TiXmlElement* root = progress::loadDesignRoot(doc, kDesignFile, "AchievementList", "achievements");
  if (root == nullptr) return;
  for (int c = 0; c < kCategoryCount; ++c) {
    // A category the file leaves out has no records.
    const TiXmlElement* element = root->FirstChildElement(kCategoryElements[c]);
    if (element == nullptr) continue;
    for (const TiXmlElement* a = element->FirstChildElement("achievement"); a != nullptr;
         a = a->NextSiblingElement("achievement")) {
      AchievementRecord record;
      record.id = progress::intAttribute(*a, "id");
      record.requiredValue = progress::intAttribute(*a, "requiredValue");
      record.textId = progress::intAttribute(*a, "textId");
      record.countForProgress = progress::intAttribute(*a, "countForProgress") != 0;
      categories_[c].records.push_back(record);
      ++recordCount_;
      if (record.countForProgress) ++progressRecordCount_;
    }
  }
}

bool QMRAchievementManager::passes(int category, const AchievementRecord& record) const {
  switch (category) {
    case kAllMapMissions:
      return LevelsManager::getInstance().isMapPerfect(record.requiredValue);
    case kSpecificMission: {
      const LevelRecord* level = LevelsManager::getInstance().findLevel(record.requiredValue);
      return level != nullptr && level->completed;
    }
    default:
      return record.requiredValue <= categories_[category].value;
  }
}

bool QMRAchievementManager::checkCategory(int category) {
  bool earnedAny = false;
  GameHost& host = gameHost();
  for (AchievementRecord& record : categories_[category].records) {
    if (record.earned || !passes(category, record)) continue;
    record.earned = true;
    earnedAny = true;
    ++earnedCount_;
    if (record.countForProgress) ++earnedProgressCount_;
    if (record.id > 0 && host.isOnlineServiceReady()) host.reportAchievement(record.id, 100);
    showPopup(record.textId);
  }
  return earnedAny;
}

void QMRAchievementManager::showPopup(int textId) {
  if (textId > 0) gameHost().showAchievementPopup(textId);
}

void QMRAchievementManager::setEarned(int category, std::int32_t requiredValue, bool earned) {
  if (category < 0 || category >= kCategoryCount) return;
  std::vector<AchievementRecord>& records = categories_[category].records;
  std::vector<bool>& restored = restored_[category];
  restored.resize(records.size(), false);
  for (std::size_t r = 0; r < records.size(); ++r) {
    if (restored[r] || records[r].requiredValue != requiredValue) continue;
    restored[r] = true;
    records[r].earned = earned;
    if (earned) {
      ++earnedCount_;
      if (records[r].countForProgress) ++earnedProgressCount_;
    }
    return;
  }
}

void QMRAchievementManager::checkAndSave(int category) {
  if (checkCategory(category)) saveProgress();
}

void QMRAchievementManager::feed(int category, std::int32_t value) {
  categories_[category].value = value;
  checkAndSave(category);
}

void QMRAchievementManager::setGoldMedals(int stars) { feed(kGoldMedals, stars); }
void QMRAchievementManager::setOneTryMissions(int count) { feed(kOneTryMissions, count); }
void QMRAchievementManager::checkAllMapMissions(int /*mapId*/) { checkAndSave(kAllMapMissions); }
void QMRAchievementManager::setGlobalScore(int score) { feed(kGlobalScore, score); }
void QMRAchievementManager::checkSpecificMission(int /*levelId*/) { checkAndSave(kSpecificMission); }
void QMRAchievementManager::setLevelsDone(int count) { feed(kLevelsDone, count); }
void QMRAchievementManager::setThreeSheepSaved(int sheep) { feed(kThreeSheepSaved, sheep); }

void QMRAchievementManager::addInfiltratedWolvesMission() {
  feed(kInfiltratedWolves, progress::saturate(static_cast<std::int64_t>(categories_[kInfiltratedWolves].value) + 1));
}

bool QMRAchievementManager::isEarnedById(int id) const {
  for (const CategoryRecords& c : categories_) {
    for (const AchievementRecord& record : c.records) {
      if (record.id == id) return record.earned;
    }
  }
  return false;
}

void QMRAchievementManager::reportEarned() const {
  GameHost& host = gameHost();
  if (!host.isOnlineServiceReady()) return;
  for (const CategoryRecords& c : categories_) {
    for (const AchievementRecord& record : c.records) {
      if (record.earned && record.id > 0) host.reportAchievement(record.id, 100);
    }
  }
}

std::string QMRAchievementManager::progressImage() const {
  progress::ByteWriter out;
  out.i32(kCategoryCount);
  for (const CategoryRecords& c : categories_) {
    out.i32(static_cast<std::int32_t>(c.records.size()));
    for (const AchievementRecord& record : c.records) {
      out.i32(record.requiredValue);
      out.boolean(record.earned);
    }
  }
  return out.bytes();
}

bool QMRAchievementManager::saveProgress() {
  return progress::writeSaveFile(getSaveFilePath(kSaveFile), progressImage());
}

void QMRAchievementManager::readProgress() {
  earnedCount_ = earnedProgressCount_ = 0;
  for (std::vector<bool>& r : restored_) r.clear();
  // A category saved with more records than its bound (or than the design
  // holds now, when that is more) is no save of this game; only the first
  // eight categories are read.
  std::size_t maxBytes = 4;
  std::int32_t maxRecords[kCategoryCount];
  for (int c = 0; c < kCategoryCount; ++c) {
    maxRecords[c] = std::max(kMaxSavedRecords, static_cast<std::int32_t>(categories_[c].records.size()));
    maxBytes += 4 + 5 * static_cast<std::size_t>(maxRecords[c]);
  }
  const std::string path = getSaveFilePath(kSaveFile);
  std::string bytes;
  if (progress::readSaveFile(path, maxBytes, bytes) != progress::SaveRead::Read) return;

  progress::ByteReader in(bytes);
  std::string damage;
  std::int32_t categories = 0;
  if (!in.i32(categories)) {
    damage = bytes.empty() ? "is empty" : "is cut short";
  } else if (categories < 0) {
    damage = "holds an impossible number of categories";
  }
  if (categories > kCategoryCount) categories = kCategoryCount;
  for (int c = 0; c < categories && damage.empty(); ++c) {
    std::int32_t n = 0;
    if (!in.i32(n)) {
      damage = "is cut short";
      break;
    }
    if (n < 0 || n > maxRecords[c]) {
      damage = "holds an impossible number of achievements";
      break;
    }
    for (std::int32_t i = 0; i < n; ++i) {
      std::int32_t requiredValue = 0;
      bool earned = false;
      if (!in.i32(requiredValue) || !in.boolean(earned)) {
        damage = "is cut short";
        break;
      }
      setEarned(c, requiredValue, earned);
    }
  }
  if (!damage.empty()) progress::keepDamagedSave(path, bytes, damage);
}
