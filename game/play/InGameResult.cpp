#include "game/play/InGameSequence.h"

#include <climits>

#include "app/LocalizedText.h"
#include "app/Random.h"
#include "game/actors/QMRSheep.h"
#include "game/host/GameHost.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "game/progress/TutorialManager.h"

// The level screen's bookkeeping: the process-wide counters and last score,
// the score, the banner texts, and what a won level records.

namespace {

constexpr int kBannerTexts[5][3] = {{0x20000, 0x20001, 0x20002},
                                    {0x20005, 0x20006, 0x20007},
                                    {0x20005, 0x20006, 0x20007},
                                    {0x20008, 0x20009, 0x2000A},
                                    {0x2000B, 0x2000C, 0x2000D}};
constexpr int kInfiltratedWolfText = 0x20004;
constexpr int kFirstWinText = 0x30005;
constexpr int kFirstWinTutorial = 4;
constexpr int kMaskWon = 19;
constexpr std::uint32_t kWinJingle = 44;
constexpr std::uint32_t kGoldJingle = 45;

}  // namespace

InGameSequence::ProcessState& InGameSequence::process() {
  static ProcessState s;
  return s;
}

const std::array<std::int32_t, InGameSequence::kTypeCount>& InGameSequence::typeCounters() {
  return process().counters;
}

int InGameSequence::lastScore() { return process().lastScore; }

void InGameSequence::resetProcessState() { process() = ProcessState{}; }

int InGameSequence::scoreFor(int actions, int clockMs) {
  if (clockMs <= 0) return INT_MIN;
  const double taps = actions > 1 ? actions : 1;
  const double value = 1000.0 * (2.0 / taps + 1.0 / (clockMs / 1000.0));
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(value);
}

void InGameSequence::computeScore() {
  score_ = scoreFor(actions_, clockMs_);
  process().lastScore = score_;
  // Texts with a number marker show the score.
  setMarkerValue(score_);
}

int InGameSequence::pickBannerText(int kind) {
  if (kind < 0 || kind > 4) kind = 0;
  const auto& c = process().counters;
  if (kind == 0 && c[CollisionType::Wolf] + c[CollisionType::BlackWolf] > 0) {
    for (std::size_t i = 0; i < actors_.size(); ++i) {
      const int type = actors_[i]->getCollisionType();
      if (failed_[i] && (type == CollisionType::Wolf || type == CollisionType::BlackWolf)) return kInfiltratedWolfText;
    }
  }
  int& last = process().lastPick[kind];
  const int pick = last == -1 ? 0 : randomNext() % 3;
  last = pick;
  return kBannerTexts[kind][pick];
}

void InGameSequence::reportInfiltratedWolves() {
  const LevelRecord* record = LevelsManager::getInstance().findLevel(levelId_);
  const auto& c = process().counters;
  if ((record == nullptr || !record->completed) && c[CollisionType::Wolf] + c[CollisionType::BlackWolf] > 0) {
    QMRAchievementManager::getInstance().addInfiltratedWolvesMission();
  }
}

void InGameSequence::enterWon() {
  gameHost().setCursorMode(1);
  reportInfiltratedWolves();
  computeScore();
  LevelsManager& levels = LevelsManager::getInstance();
  medal_ = levels.getMedalForScore(levelId_, score_);
  levels.recordResult(levelId_, score_, medal_, tries_);
  const LevelRecord* record = levels.findLevel(levelId_);
  const int best = record != nullptr ? record->bestScore : score_;
  int text = pickBannerText(medal_ + 1);
  won_ = true;
  TutorialManager& tutorials = TutorialManager::getInstance();
  if (tutorials.isUnseen(kFirstWinTutorial)) {
    text = kFirstWinText;
    tutorials.markSeen(kFirstWinTutorial);
  }
  lastBannerText_ = text;
  gameHost().showResult({text, 3, 2, kMaskWon}, clockMs_, actions_, score_, best, medal_);
  showCounters();
  gameHost().playMusic(medal_ == 3 ? kGoldJingle : kWinJingle, false);
  updateLevelAchievements();
}

void InGameSequence::updateLevelAchievements() {
  QMRAchievementManager& achievements = QMRAchievementManager::getInstance();
  LevelsManager& levels = LevelsManager::getInstance();
  achievements.checkSpecificMission(levelId_);
  if (const LevelRecord* record = levels.findLevel(levelId_)) {
    if (levels.isMapPerfect(record->mapId)) achievements.checkAllMapMissions(record->mapId);
  }
  achievements.setLevelsDone(levels.getTotalCompletedLevels());
  achievements.setThreeSheepSaved(process().counters[CollisionType::Sheep]);
}
