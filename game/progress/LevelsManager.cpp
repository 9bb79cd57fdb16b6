#include "game/progress/LevelsManager.h"

#include <cstdio>
#include <optional>

#include <tinyxml.h>

#include "app/ResourcePaths.h"
#include "game/progress/ProgressFiles.h"

namespace {

LevelsManager::TotalsFeed g_totalsFeed = nullptr;

constexpr const char* kDesignFile = "gamedesign/levels.ynm";
constexpr const char* kSaveFile = "levels.sav";
constexpr std::uint8_t kVersion1 = '1';
constexpr std::uint8_t kVersion2 = '2';
constexpr int kLevelEntrySize = 26;
constexpr int kPackFlags = 4;
const MapRecord& emptyMap() {
  static const MapRecord none;
  return none;
}

const LevelRecord& emptyLevel() {
  static const LevelRecord none;
  return none;
}

bool isMedal(int medal) { return medal >= 1 && medal <= 3; }

}  // namespace

std::unique_ptr<LevelsManager> LevelsManager::instance_;

LevelsManager::LevelsManager() = default;

LevelsManager& LevelsManager::getInstance() {
  if (!instance_) {
    instance_.reset(new LevelsManager());
    instance_->readLevels();
    instance_->readProgress();
    instance_->recountTotals();
  }
  return *instance_;
}

void LevelsManager::resetInstance() { instance_.reset(); }

const MapRecord& LevelsManager::getMap(int mapId) const {
  if (mapId < 1 || static_cast<std::size_t>(mapId) > maps_.size()) return emptyMap();
  return maps_[static_cast<std::size_t>(mapId) - 1];
}

MapRecord* LevelsManager::findMap(int mapId) {
  if (mapId < 1 || static_cast<std::size_t>(mapId) > maps_.size()) return nullptr;
  return &maps_[static_cast<std::size_t>(mapId) - 1];
}

const LevelRecord* LevelsManager::findLevel(int levelId) const {
  const auto it = levels_.find(levelId);
  return it == levels_.end() ? nullptr : &it->second;
}

LevelRecord* LevelsManager::findLevelRecord(int levelId) {
  const auto it = levels_.find(levelId);
  return it == levels_.end() ? nullptr : &it->second;
}

const LevelRecord& LevelsManager::getLevel(int levelId) const {
  const LevelRecord* level = findLevel(levelId);
  return level != nullptr ? *level : emptyLevel();
}

int LevelsManager::getMapStars(int mapId) const {
  const MapRecord& map = getMap(mapId);
  return map.bronzeCount + 2 * map.silverCount + 3 * map.goldCount;
}

bool LevelsManager::isMapPerfect(int mapId) const { return getMapStars(mapId) == 75; }

int LevelsManager::getTotalStars() const {
  std::int64_t total = 0;
  for (int id = 1; id <= static_cast<int>(maps_.size()); ++id) total += getMapStars(id);
  return progress::saturate(total);
}

int LevelsManager::getCompletedLevelCount(int mapId) const {
  int count = 0;
  for (const LevelRecord* level : getMap(mapId).levels) {
    if (level->id > 0 && level->completed) ++count;
  }
  return count;
}

int LevelsManager::getTotalCompletedLevels() const {
  int total = 0;
  for (int id = 1; id <= static_cast<int>(maps_.size()); ++id) total += getCompletedLevelCount(id);
  return total;
}

int LevelsManager::getMedalForScore(int levelId, int score) const {
  const LevelRecord* level = findLevel(levelId);
  if (level == nullptr) return 0;
  int medal = 0;
  if (score >= level->scoreBronze) ++medal;
  if (score >= level->scoreSilver) ++medal;
  if (score >= level->scoreGold) ++medal;
  return medal;
}

std::uint8_t LevelsManager::packFlag(int index) const {
  return (index >= 0 && index < kPackFlags) ? packFlags_[index] : 0;
}

void LevelsManager::setLastPlayedLevel(int levelId) {
  const LevelRecord* level = findLevel(levelId);
  if (level == nullptr || findMap(level->mapId) == nullptr || getMap(level->mapId).pack != 0) return;
  lastPlayedLevel_ = levelId;
  saveProgress();
}

void LevelsManager::addTries(int levelId, int n) {
  LevelRecord* level = findLevelRecord(levelId);
  if (level == nullptr) return;
  level->tryCount = progress::saturate(static_cast<std::int64_t>(level->tryCount) + n);
  saveProgress();
}

std::vector<int> LevelsManager::unlockLevels(int mapId) {
  std::vector<int> opened;
  MapRecord* map = findMap(mapId);
  if (map == nullptr) return opened;
  bool open = true;
  for (LevelRecord* level : map->levels) {
    if (!level->unlocked && open) {
      level->unlocked = true;
      opened.push_back(level->id);
    }
    open = level->completed || level->tryCount >= 1;
  }
  if (!opened.empty()) saveProgress();
  return opened;
}

void LevelsManager::moveMedal(MapRecord& map, int oldMedal, int newMedal) {
  std::int32_t* mapCounts[] = {nullptr, &map.bronzeCount, &map.silverCount, &map.goldCount};
  std::int32_t* totals[] = {nullptr, &bronzeTotal_, &silverTotal_, &goldTotal_};
  if (isMedal(oldMedal)) {
    --*mapCounts[oldMedal];
    --*totals[oldMedal];
  }
  if (isMedal(newMedal)) {
    ++*mapCounts[newMedal];
    ++*totals[newMedal];
  }
}

void LevelsManager::recordResult(int levelId, int score, int medal, int tries) {
  LevelRecord* level = findLevelRecord(levelId);
  if (level == nullptr) return;
  // A record the save file brought without a level of the design belongs to
  // no map: it keeps its own values, and the map totals (which count only the
  // levels of the maps) stay as they are.
  MapRecord* map = findMap(level->mapId);
  bool changed = false;
  if (!level->completed) {
    level->completed = true;
    if (map != nullptr) {
      ++completedCount_;
      ++completedCount2_;
    }
    changed = true;
  }
  if (level->bestScore < score) {
    changed = true;
    const std::int64_t gain = static_cast<std::int64_t>(score) - level->bestScore;
    if (map != nullptr) {
      map->scoreSum = progress::saturate(map->scoreSum + gain);
      scoreTotal_ = progress::saturate(scoreTotal_ + gain);
    }
    level->bestScore = score;
    if (medal != level->medal) {
      if (map != nullptr) moveMedal(*map, level->medal, medal);
      level->medal = medal;
    }
  }
  if (level->fewestTries == 0 || level->fewestTries > tries) {
    level->fewestTries = tries;
    changed = true;
    if (tries == 1 && map != nullptr) ++oneTryCount_;
  }
  if (!changed) return;
  saveProgress();
  if (g_totalsFeed != nullptr) g_totalsFeed(*this);
}

void LevelsManager::setTotalsFeed(TotalsFeed feed) { g_totalsFeed = feed; }

void LevelsManager::recountMap(MapRecord& map) {
  map.bronzeCount = map.silverCount = map.goldCount = 0;
  std::int64_t sum = 0;
  for (const LevelRecord* level : map.levels) {
    sum += level->bestScore;
    if (level->medal == 1) ++map.bronzeCount;
    if (level->medal == 2) ++map.silverCount;
    if (level->medal == 3) ++map.goldCount;
    if (level->completed) {
      ++completedCount_;
      ++completedCount2_;
    }
    if (level->fewestTries == 1) ++oneTryCount_;
  }
  map.scoreSum = progress::saturate(sum);
}

void LevelsManager::recountTotals() {
  bronzeTotal_ = silverTotal_ = goldTotal_ = 0;
  scoreTotal_ = completedCount_ = completedCount2_ = oneTryCount_ = 0;
  std::int64_t score = 0;
  for (MapRecord& map : maps_) {
    recountMap(map);
    bronzeTotal_ += map.bronzeCount;
    silverTotal_ += map.silverCount;
    goldTotal_ += map.goldCount;
    score += map.scoreSum;
  }
  scoreTotal_ = progress::saturate(score);
}

void LevelsManager::readLevels() {
  levels_.clear();
  maps_.clear();
  specialMapId_ = mapCount_ = realLevelCount_ = 0;

  TiXmlDocument doc;
  const TiXmlElement* root = progress::loadDesignRoot(doc, kDesignFile, "levels", "levels");
  if (root == nullptr) return;
  std::optional<std::int32_t> previousPack;
  std::int32_t displayNumber = 1;
  for (const TiXmlElement* m = root->FirstChildElement("map"); m != nullptr; m = m->NextSiblingElement("map")) {
    MapRecord map;
    map.id = progress::intAttribute(*m, "id");
    map.name = progress::intAttribute(*m, "name");
    map.pack = progress::intAttribute(*m, "pack");
    if (!previousPack || *previousPack != map.pack) {
      displayNumber = 1;
      map.firstOfPack = true;
    }
    previousPack = map.pack;
    if (map.pack == 0 && map.id > specialMapId_) specialMapId_ = map.id;

    for (const TiXmlElement* l = m->FirstChildElement("level"); l != nullptr; l = l->NextSiblingElement("level")) {
      LevelRecord level;
      level.mapId = map.id;
      level.id = progress::intAttribute(*l, "id");
      level.posX = progress::intAttribute(*l, "posX");
      level.posY = progress::intAttribute(*l, "posY");
      level.difficulty = progress::intAttribute(*l, "difficulty");
      level.scoreBronze = progress::intAttribute(*l, "scoreBronze");
      level.scoreSilver = progress::intAttribute(*l, "scoreSilver");
      level.scoreGold = progress::intAttribute(*l, "scoreGold");
      level.scenery = progress::intAttribute(*l, "scenery");
      if (level.scenery == 0) level.scenery = 1;
      level.tutoId = progress::intAttribute(*l, "tutoId");
      level.leaf = true;
      for (const TiXmlElement* r = l->FirstChildElement("requireLevel"); r != nullptr;
           r = r->NextSiblingElement("requireLevel")) {
        const std::int32_t required = progress::intAttribute(*r, "id");
        level.requiredLevels.push_back(required);
        // A level named before it is defined is stored afresh later anyway;
        // one never defined gets no record.
        if (LevelRecord* target = findLevelRecord(required)) target->leaf = false;
      }
      if (level.id < 1) {
        level.displayNumber = 0;
        level.completed = true;
      } else {
        level.displayNumber = displayNumber++;
        ++realLevelCount_;
      }
      LevelRecord& stored = levels_[level.id];
      stored = std::move(level);
      map.levels.push_back(&stored);
    }
    maps_.push_back(std::move(map));
    ++mapCount_;
  }
  for (MapRecord& map : maps_) {
    if (!map.levels.empty()) map.levels.back()->leaf = false;
  }
  if (MapRecord* special = findMap(specialMapId_)) {
    std::int32_t number = 1000;
    for (LevelRecord* level : special->levels) level->displayNumber = number++;
  }
  for (int mapId = 1; mapId <= kPagedMaps; ++mapId) warnAboutPageLayout(mapId);
}

void LevelsManager::warnAboutPageLayout(int mapId) const {
  if (mapId < 1 || mapId > kPagedMaps) return;
  const std::vector<LevelRecord*>& list = getMap(mapId).levels;
  if (list.size() > static_cast<std::size_t>(kLevelsPerPage)) {
    std::printf("WARNING: map %d has %zu levels; its page shows the first %d\n", mapId, list.size(), kLevelsPerPage);
  }
  for (std::size_t k = 0; k < list.size() && k < static_cast<std::size_t>(kLevelsPerPage); ++k) {
    const int expected = (mapId - 1) * kLevelsPerPage + static_cast<int>(k) + 1;
    if (list[k]->id != expected) {
      std::printf("WARNING: map %d lists level %d in place %zu, where level %d belongs\n", mapId, list[k]->id, k + 1,
                  expected);
    }
  }
}

std::string LevelsManager::progressImage() const {
  progress::ByteWriter out;
  out.u8(kVersion2);
  out.i32(lastPlayedLevel_);
  out.i32(static_cast<std::int32_t>(maps_.size()));
  for (const MapRecord& map : maps_) out.boolean(map.firstOfPack);
  out.i32(static_cast<std::int32_t>(levels_.size()));
  for (const auto& [id, level] : levels_) {
    out.i32(id);
    out.i32(level.bestScore);
    out.boolean(level.completed);
    out.i32(level.medal);
    out.boolean(level.unlocked);
    out.i32(level.fewestTries);
    out.i32(level.tryCount);
    out.i32(level.reserved);
  }
  out.i32(packFlagCount_);
  for (int i = 0; i < kPackFlags; ++i) {
    out.i32(i);
    out.u8(packFlags_[i]);
  }
  return out.bytes();
}

bool LevelsManager::saveProgress() { return progress::writeSaveFile(getSaveFilePath(kSaveFile), progressImage()); }

void LevelsManager::readProgress() {
  // A save holds the design's maps and records and, beside them, what an
  // earlier design had: at most kMaxSavedMaps maps and kMaxSavedLevels records
  // more. Larger counts are no save of this game, and nothing beyond the
  // largest possible file can be read.
  const std::int64_t maxMaps = kMaxSavedMaps + static_cast<std::int64_t>(maps_.size());
  const std::int64_t maxLevels = kMaxSavedLevels + static_cast<std::int64_t>(levels_.size());
  const std::size_t maxBytes = static_cast<std::size_t>(1 + 4 + 4 + maxMaps + 4 + maxLevels * kLevelEntrySize + 4 +
                                                        kPackFlags * 5);
  const std::string path = getSaveFilePath(kSaveFile);
  std::string bytes;
  if (progress::readSaveFile(path, maxBytes, bytes) != progress::SaveRead::Read) return;

  progress::ByteReader in(bytes);
  std::string damage;
  std::uint8_t version = 0;
  if (!in.u8(version)) {
    damage = "is empty";
  } else if (version != kVersion1 && version != kVersion2) {
    damage = "is not a save of this game (unknown version byte)";
  }
  std::int32_t count = 0;
  bool badMedal = false;
  std::int32_t phantoms = 0;
  bool tooMany = false;
  if (damage.empty()) {
    std::int32_t last = 0;
    if (!in.i32(last) || !in.i32(count)) {
      damage = "is cut short";
    } else {
      lastPlayedLevel_ = last;
      if (count < 0 || count > maxMaps) damage = "holds an impossible number of maps";
    }
  }
  if (damage.empty()) {
    // A save made with more maps than the design has now keeps the flags of
    // the maps that still exist.
    for (std::int32_t i = 0; i < count && damage.empty(); ++i) {
      bool first = false;
      if (!in.boolean(first)) {
        damage = "is cut short";
      } else if (static_cast<std::size_t>(i) < maps_.size()) {
        maps_[static_cast<std::size_t>(i)].firstOfPack = first;
      }
    }
  }
  if (damage.empty()) {
    if (!in.i32(count)) {
      damage = "is cut short";
    } else if (count < 0 || count > maxLevels) {
      damage = "holds an impossible number of levels";
    }
  }
  if (damage.empty()) {
    for (std::int32_t i = 0; i < count && damage.empty(); ++i) {
      std::int32_t id = 0;
      LevelRecord entry;
      if (!in.i32(id) || !in.i32(entry.bestScore) || !in.boolean(entry.completed) || !in.i32(entry.medal) ||
          !in.boolean(entry.unlocked) || !in.i32(entry.fewestTries) || !in.i32(entry.tryCount) ||
          !in.i32(entry.reserved)) {
        damage = "is cut short";
        break;
      }
      if (!isMedal(entry.medal) && entry.medal != 0) {
        badMedal = true;
        entry.medal = 0;
      }
      // A level the design no longer has keeps its record, so the progress
      // comes back if the level does; their number stays within the bound.
      if (levels_.count(id) == 0) {
        if (phantoms == kMaxSavedLevels) {
          tooMany = true;
          continue;
        }
        ++phantoms;
      }
      LevelRecord& level = levels_[id];
      level.id = id;
      level.bestScore = entry.bestScore;
      level.completed = entry.completed;
      level.medal = entry.medal;
      level.unlocked = entry.unlocked;
      level.fewestTries = entry.fewestTries;
      level.tryCount = entry.tryCount;
      level.reserved = entry.reserved;
    }
  }
  if (damage.empty() && version == kVersion2) {
    std::int32_t flags = 0;
    if (!in.i32(flags)) {
      damage = "is cut short";
    } else {
      if (flags > kPackFlags) flags = kPackFlags;
      for (std::int32_t i = 0; i < flags; ++i) {
        std::int32_t index = 0;
        std::uint8_t value = 0;
        if (!in.i32(index) || !in.u8(value)) {
          damage = "is cut short";
          break;
        }
        if (index >= 0 && index < kPackFlags) packFlags_[index] = value;
      }
    }
  }
  packFlags_[0] = 1;
  packFlags_[1] = 1;
  if (damage.empty() && badMedal) damage = "holds medals that do not exist (read as none)";
  if (damage.empty() && tooMany) damage = "holds more levels than the design and the bound allow";
  if (!damage.empty()) progress::keepDamagedSave(path, bytes, damage);
}
