#include "game/play/InGameSequence.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

#include "app/LocalizedText.h"
#include "app/Random.h"
#include "game/actors/ActorCasts.h"
#include "game/host/ActorHooks.h"
#include "game/play/GameHud.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "game/play/QMRBackground.h"
#include "game/play/QMRGameFX.h"
#include "game/actors/QMRJoint.h"
#include "game/actors/QuillmoorGameplayTest.h"
#include "game/progress/TutorialManager.h"
#include "physics/CScenePhysics.h"
#include "physics/GameConfiguration.h"
#include "render_engine/GlStateCache.h"
#include "sound/AudioEngine.h"

using RenderEngine::CNode;
using RenderEngine::CNodePhysics;
using RenderEngine::CNodePhysicsBaseInterface;
using RenderEngine::CScenePhysics;

namespace {

constexpr std::uint32_t kLevelSounds[] = {7, 6, 10, 9, 8, 18, 17, 29, 30, 31, 32, 34, 35, 36, 38, 33, 23, 24, 26, 27};
constexpr int kBannerTexts[5][3] = {{0x20000, 0x20001, 0x20002},
                                    {0x20005, 0x20006, 0x20007},
                                    {0x20005, 0x20006, 0x20007},
                                    {0x20008, 0x20009, 0x2000A},
                                    {0x2000B, 0x2000C, 0x2000D}};
constexpr int kInfiltratedWolfText = 0x20004;
constexpr int kPauseText = 0x2000E;
constexpr int kFirstWinText = 0x30005;
constexpr int kFirstWinTutorial = 4;
constexpr int kFlockTutorial = 6;
constexpr int kMaskLost = 11;
constexpr int kMaskWon = 19;
constexpr int kMaskPause = 12;
constexpr std::uint32_t kLoseJingle = 42;
constexpr std::uint32_t kWinJingle = 44;
constexpr std::uint32_t kGoldJingle = 45;
constexpr int kIdleHintMs = 10000;

struct ProcessState {
  std::array<std::int32_t, InGameSequence::kTypeCount> counters{};
  int lastScore = 0;
  int lastPick[5] = {-1, -1, -1, -1, -1};
};
ProcessState& process() {
  static ProcessState s;
  return s;
}

}  // namespace

InGameSequence::InGameSequence(InGameHost* host) : host_(host != nullptr ? host : &defaultInGameHost()) {}

InGameSequence::~InGameSequence() {
  if (loaded_) unload();
}

const std::array<std::int32_t, InGameSequence::kTypeCount>& InGameSequence::typeCounters() {
  return process().counters;
}
int InGameSequence::lastScore() { return process().lastScore; }
void InGameSequence::resetProcessState() { process() = ProcessState{}; }

bool InGameSequence::load() {
  scene_ = new CScenePhysics;
  scene_->initSpace();
  loadConfiguration();
  const GameConfiguration& config = gameConfiguration();
  reader_.setScale(getGridSize());
  gridScale_ = static_cast<float>(getGridSize());
  RenderEngine::PhysicsWorldParameters world;
  world.iterations = 15;
  world.elasticIterations = 5;
  world.gravity = config.gravity;
  world.damping = 0.95f;
  scene_->setWorldParameters(world);
  scene_->resizeHashes(config.hashParameters());
  rules_ = new QuillmoorGameplayTest;
  rules_->clearTimedBodies();
  rules_->setSpace(scene_);
  rules_->setLevelSequence(this);
  hud_ = new GameHud;
  hud_->loadScene();
  extraEffects_.push_back(new QMRBottomWolfFX);
  scenery_ = -1;
  effects_ = QMRGameFXManager::instance();
  won_ = false;
  for (std::uint32_t id : kLevelSounds) AudioEngine::loadSoundByIndex(id);
  loaded_ = true;
  return true;
}

void InGameSequence::unload() {
  if (!loaded_) return;
  loaded_ = false;
  for (std::uint32_t id : kLevelSounds) AudioEngine::unloadSound(id);
  // The rules leave the scene before it goes; the scene frees its nodes
  // before its space.
  rules_->setSpace(nullptr);
  rules_->setLevelSequence(nullptr);
  rules_->clearAll();
  delete rules_;
  rules_ = nullptr;
  delete hud_;
  hud_ = nullptr;
  actors_.clear();
  failed_.clear();
  joints_.clear();
  if (scene_ != nullptr) scene_->reset();
  delete scene_;
  scene_ = nullptr;
  delete background_;
  background_ = nullptr;
  for (CNode* n : extraEffects_) delete n;
  extraEffects_.clear();
}

int InGameSequence::levelMusic(int scenery) {
  // Sceneries below 1 take the first piece rather than a negative remainder.
  const int s = scenery < 1 ? 1 : scenery;
  return 39 + (s - 1) % 3;
}

void InGameSequence::setScenery(int index) {
  if (index != scenery_) {
    delete background_;
    background_ = nullptr;
    scenery_ = index;
    if (index != -1) background_ = new QMRBackground(index);
  }
  host_->playMusic(static_cast<std::uint32_t>(levelMusic(scenery_)), true);
  if (background_ != nullptr) background_->stopEffect();
}

void InGameSequence::prepareLevel(int levelId, int scenery, int tutorialId) {
  setScenery(scenery);
  tutorialId_ = tutorialId;
  if (levelId != levelId_) {
    levelId_ = levelId;
    level_ = reader_.loadLevel(levelId);
  }
  loadLevel();
  paused_ = false;
  tries_ = 1;
  visitPlayMs_ = 0;
  visitTries_ = 1;
  won_ = false;
}

void InGameSequence::clearLevel() {
  actors_.clear();
  failed_.clear();
  joints_.clear();
  if (scene_ != nullptr) scene_->reset();
  if (rules_ != nullptr) rules_->clearAll();
}

void InGameSequence::loadLevel() {
  if (scene_ == nullptr) return;
  failWaitMs_ = 0;
  failOffScreen_ = false;
  // A fresh attempt shows a fresh clock, count and marks already behind its
  // briefings, not the figures of the attempt before.
  score_ = clockMs_ = actions_ = 0;
  showCounters();
  if (hud_ != nullptr) hud_->showMarks(3);
  process().counters.fill(0);
  clearLevel();
  const GameConfiguration& config = gameConfiguration();
  scene_->setWorldParameters(config.worldParameters());
  scene_->setStepsPerSecond(
      config.updateRateFor(static_cast<int>(level_.entities.size()), static_cast<int>(level_.joints.size())));
  const bool show106 = background_ != nullptr && background_->isDecorationTag(QMRBackground::kDecorationTag);

  std::vector<CNodePhysicsBaseInterface*> nodes;
  for (const PlacedEntityDescription& placed : level_.entities) {
    CNodePhysicsBaseInterface* node = reader_.createEntity(placed.model.name);
    if (node == nullptr) continue;
    node->setVisibleByTag(show106, QMRBackground::kDecorationTag);
    node->setPosition(placed.x, placed.y, 0.0f);
    node->setRotation(0.0f, 0.0f, placed.angle);
    // A complex entity has no type of its own: it counts nothing and never
    // decides the level.
    auto* body = dynamic_cast<CNodePhysics*>(node);
    const int type = body != nullptr ? body->getCollisionType() : -1;
    if (type >= 0 && type < kTypeCount) ++process().counters[static_cast<std::size_t>(type)];
    QMRSheep* animal = body != nullptr && CollisionType::isAnimal(type) ? asAnimal(body) : nullptr;
    if (animal != nullptr) {
      actors_.push_back(animal);
    } else {
      scene_->addPhysicsItem(node);
    }
    nodes.push_back(node);
  }
  for (QMRSheep* actor : actors_) scene_->addPhysicsItem(actor);
  failed_.assign(actors_.size(), false);

  const auto count = static_cast<int>(nodes.size());
  for (const PhysicsModelDescription& joint : level_.joints) {
    const PhysicsModelDescription model = reader_.getJointTemplate(joint.name);
    RenderEngine::PhysicsJointDescription description = joint.joint;
    description.slideMin = model.joint.slideMin;
    description.slideMax = model.joint.slideMax;
    description.referenceSize = model.joint.referenceSize;
    const int i1 = description.entity1;
    const int i2 = description.entity2;
    auto* n1 = i1 >= 0 && i1 < count ? dynamic_cast<CNodePhysics*>(nodes[static_cast<std::size_t>(i1)]) : nullptr;
    auto* n2 = i2 >= 0 && i2 < count ? dynamic_cast<CNodePhysics*>(nodes[static_cast<std::size_t>(i2)]) : nullptr;
    if (n1 == nullptr || n2 == nullptr || n1 == n2) {
      std::fprintf(stderr, "level %d: joint \"%s\" between entities %d and %d left out\n", levelId_,
                   joint.name.c_str(), i1 + 1, i2 + 1);
      continue;
    }
    auto* node = new QMRJoint;
    node->attach(description, n1, n2);
    if (CNode* visual = reader_.createVisual(model.textureId, model.visualNodeName, model.visualTag)) {
      visual->showFrameByTag(105, QMRCNodePhysicsReader::kJointBarLook);
      node->addChild(visual);
    }
    node->setColor(255.0f, 255.0f, 255.0f, 255.0f);
    scene_->addPhysicsItem(node);
    joints_.push_back(node);
  }

  if (CNodePhysicsBaseInterface* eater = reader_.createEntity("SheepEater")) {
    eater->setPosition(0.0f, 0.0f, 0.0f);
    eater->setRotation(0.0f, 0.0f, 0.0f);
    scene_->addPhysicsItem(eater);
  }
  rules_->onLevelBuilt();

  bool briefing = false;
  TutorialManager& tutorials = TutorialManager::getInstance();
  if (tutorialId_ > 0) {
    tutorials.showTutorial(tutorialId_);
    briefing = true;
  }
  for (int type = 0; type < kTypeCount; ++type) {
    if (process().counters[static_cast<std::size_t>(type)] != 0) briefing = tutorials.showBlockTutorial(type) || briefing;
  }
  if (process().counters[CollisionType::Sheep] > 1) briefing = tutorials.showTutorialOnce(kFlockTutorial) || briefing;
  setState(briefing ? kBriefing : kPlay);
}

void InGameSequence::enter() {
  outroPlaying_ = false;
  pressedButton_ = -1;
  host_->setCursorMode(2);
  if (hud_ != nullptr) {
    hud_->setClock(0);
    hud_->setCounter(0);
  }
}

void InGameSequence::leave() {
  if (hud_ != nullptr) hud_->setTapGuide(false);
}

void InGameSequence::suspend() { unloadTextures(); }
void InGameSequence::resume() { unloadTextures(); }

void InGameSequence::unloadTextures() {
  if (background_ != nullptr) background_->unloadTextures();
  if (scene_ != nullptr) scene_->unloadTextures();
  for (CNode* n : extraEffects_) n->unloadTextures();
  if (effects_ != nullptr) effects_->unloadTextures();
  if (hud_ != nullptr) hud_->unloadTextures();
}

void InGameSequence::resetIdleTimer() {
  idleMs_ = 0;
  if (hud_ != nullptr) hud_->setIdleHint(false);
}

void InGameSequence::touchBegan(int x, int y) {
  resetIdleTimer();
  if (paused_) return;
  if (hud_ != nullptr && hud_->highlightButtonsAt(x, y)) {
    pressedButton_ = hud_->findButtonAt(x, y);
    playButtonSound(pressedButton_);
    return;
  }
  if (state_ == kPlay && scene_ != nullptr) {
    scene_->recacheShapeBounds();
    if (CNode* node = scene_->queryNodeAtPoint(static_cast<float>(x), static_cast<float>(y), 3)) useObject(node);
  } else if (state_ == kGoalReached) {
    setState(kWon);
  }
}

void InGameSequence::touchMoved(int x, int y) {
  resetIdleTimer();
  touchHover(x, y);
}

void InGameSequence::touchHover(int x, int y) {
  if (state_ != kPlay || paused_ || hud_ == nullptr) return;
  host_->setCursorMode(hud_->containsButtonAt(x, y) ? 1 : 2);
}

void InGameSequence::touchEnded(int, int) {
  resetIdleTimer();
  if (paused_ || pressedButton_ == -1) return;
  const int id = pressedButton_;
  pressedButton_ = -1;
  buttonPressed(id);
}

void InGameSequence::playButtonSound(int id) {
  if (id == GameHud::kPauseButton) {
    if (state_ == kPlay) ActorHooks::playSound(6);
  } else if (id == GameHud::kRetryButton) {
    ActorHooks::playSound(7);
  }
}

void InGameSequence::buttonPressed(int id) {
  switch (id) {
    case kButtonRetry:
    case GameHud::kRetryButton:
      if (levelId_ == 1) {
        pressedButton_ = -1;
        if (hud_ != nullptr) hud_->setTapGuide(false);
      }
      retryLevel();
      break;
    case kButtonMenu:
      LevelsManager::getInstance().addTries(levelId_, visitTries_);
      host_->returnToMenu();
      break;
    case kButtonResume:
      resumeGame();
      break;
    case kButtonNext: {
      LevelsManager& levels = LevelsManager::getInstance();
      levels.addTries(levelId_, visitTries_);
      if (won_ && levelId_ == kLastLevel) {
        host_->playVideo("movie1.mp4", "movie1");
        outroPlaying_ = true;
      } else if (levelId_ % 25 != 0 && levels.findLevel(levelId_ + 1) != nullptr) {
        host_->startLevel(levelId_ + 1);
      } else {
        // Past the last level of a short design there is nothing to start.
        host_->returnToMapPage();
      }
      break;
    }
    case GameHud::kPauseButton:
      if (state_ == kPlay) pauseGame();
      break;
    default:
      break;
  }
}

void InGameSequence::bannerShown() { pressedButton_ = -1; }

void InGameSequence::bannerHidden() {
  if (state_ != kBriefing) return;
  setState(kStart);
  if (levelId_ == 1 && hud_ != nullptr) hud_->setTapGuide(true);
}

void InGameSequence::useObject(CNode* node) {
  if (rules_ != nullptr && rules_->onObjectTapped(node)) {
    ++actions_;
    if (hud_ != nullptr) {
      hud_->setCounter(actions_);
      if (levelId_ == 1) hud_->setTapGuide(false);
    }
  }
  spawnTapEffect(dynamic_cast<CNodePhysics*>(node));
}

int InGameSequence::tapEffectKind(CNodePhysics* node) {
  if (node == nullptr) return -1;
  switch (node->getCollisionType()) {
    case CollisionType::TapBlock: return 1;
    case CollisionType::Decor: return 2;
    case CollisionType::ExplosiveBlock: return 0;
    case CollisionType::IceBlock: {
      QMRBloc* ice = asBloc(node);
      return ice != nullptr && ice->getHitPoints() <= 0 ? 3 : -1;
    }
    case CollisionType::BlackSheep:
    case CollisionType::BlackWolf: return 4;
    case CollisionType::FloatingBlock: {
      QMRBloc* bloc = asBloc(node);
      const int kind = bloc != nullptr ? bloc->getKind() : -1;
      return kind == 21 ? 5 : kind == 22 ? 7 : kind == 23 ? 6 : -1;
    }
    default: return -1;
  }
}

void InGameSequence::spawnTapEffect(CNodePhysics* node) {
  if (node == nullptr) return;
  const int kind = tapEffectKind(node);
  if (kind < 0) {
    // An ice block that held: a knock and no effect.
    if (node->getCollisionType() == CollisionType::IceBlock) ActorHooks::playSound(17);
    return;
  }
  if (effects_ == nullptr) return;
  const auto& p = node->getPosition();
  effects_->spawnEffect(kind, static_cast<int>(p.x), static_cast<int>(p.y), node->getRotation().z);
}

void InGameSequence::setActorsState(int state) {
  for (QMRSheep* actor : actors_) actor->setState(state);
}

void InGameSequence::removeObject(CNode* node) {
  if (scene_ == nullptr || node == nullptr) return;
  scene_->queueRemoval(node);
  auto* body = dynamic_cast<CNodePhysics*>(node);
  if (body == nullptr) return;
  std::vector<QMRJoint*> kept;
  for (QMRJoint* joint : joints_) {
    if (joint->indexOfBody(body) != -1) {
      scene_->queueRemoval(joint);
    } else {
      kept.push_back(joint);
    }
  }
  joints_.swap(kept);
}

void InGameSequence::retryLevel() {
  loadLevel();
  host_->playMusic(static_cast<std::uint32_t>(levelMusic(scenery_)), true);
  ++tries_;
  ++visitTries_;
}

void InGameSequence::pauseGame() {
  host_->setCursorMode(1);
  // Queued behind whatever is shown, so the pause always gets its buttons.
  host_->showBannerMessage({kPauseText, 2, 2, kMaskPause});
  paused_ = true;
}

void InGameSequence::resumeGame() {
  host_->setCursorMode(2);
  paused_ = false;
}

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

bool InGameSequence::isOnScreen(const CNode* node) {
  const auto& p = node->getPosition();
  return p.x > -10.0f && p.x < 490.0f && p.y > 0.0f;
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

void InGameSequence::showCounters() {
  if (hud_ == nullptr) return;
  hud_->setCounter(actions_);
  hud_->setClock(clockMs_);
}

bool InGameSequence::anyStateAnimationRunning() {
  for (QMRSheep* actor : actors_) {
    if (!actor->isStateAnimationDone()) return true;
  }
  return false;
}

void InGameSequence::evaluateActors(bool& allReached, bool& anyFailed) {
  allReached = !actors_.empty();
  anyFailed = false;
  for (std::size_t i = 0; i < actors_.size(); ++i) {
    const bool reached = actors_[i]->isObjectiveReached();
    const bool failed = actors_[i]->isObjectiveFailed();
    if (failed) failed_[i] = true;
    allReached = allReached && reached;
    anyFailed = anyFailed || failed_[i];
  }
}

void InGameSequence::setState(int state) {
  resetIdleTimer();
  // A HUD press from before the change must not act in the new state (the
  // next level starts on this same screen, without enter).
  pressedButton_ = -1;
  state_ = state;
  switch (state) {
    case kIdle:
      if (rules_ != nullptr) rules_->restoreAnimalCollisions();
      setActorsState(0);
      showCounters();
      break;
    case kStart:
    case kPlay:
      if (state == kPlay) host_->setCursorMode(2);
      score_ = clockMs_ = actions_ = 0;
      showCounters();
      if (rules_ != nullptr) rules_->restoreAnimalCollisions();
      setActorsState(state == kStart ? 0 : 1);
      break;
    case kGoalReached: {
      if (rules_ != nullptr) rules_->ignoreAnimalCollisions();
      setActorsState(2);
      bool seen = false;
      for (QMRSheep* actor : actors_) seen = seen || (actor->isObjectiveReached() && isOnScreen(actor));
      if (!seen) setState(kWon);
      break;
    }
    case kFailing: {
      bool seen = false;
      for (std::size_t i = 0; i < actors_.size(); ++i) seen = seen || (failed_[i] && isOnScreen(actors_[i]));
      failOffScreen_ = !seen;
      break;
    }
    case kLost:
      host_->setCursorMode(1);
      lastBannerText_ = pickBannerText(0);
      host_->showBannerMessage({lastBannerText_, 4, 2, kMaskLost});
      host_->playMusic(kLoseJingle, false);
      break;
    case kWon:
      enterWon();
      break;
    case kBriefing:
      if (rules_ != nullptr) rules_->restoreAnimalCollisions();
      setActorsState(3);
      break;
    default:
      break;
  }
}

void InGameSequence::reportInfiltratedWolves() {
  const LevelRecord* record = LevelsManager::getInstance().findLevel(levelId_);
  const auto& c = process().counters;
  if ((record == nullptr || !record->completed) && c[CollisionType::Wolf] + c[CollisionType::BlackWolf] > 0) {
    QMRAchievementManager::getInstance().addInfiltratedWolvesMission();
  }
}

void InGameSequence::enterWon() {
  host_->setCursorMode(1);
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
  host_->showResult({text, 3, 2, kMaskWon}, clockMs_, actions_, score_, best, medal_);
  showCounters();
  host_->playMusic(medal_ == 3 ? kGoldJingle : kWinJingle, false);
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

void InGameSequence::tickActors(int dtMs) {
  bool moving = false;
  for (QMRSheep* actor : actors_) {
    // A dead animal keeps the speed it had: it no longer counts as moving.
    if (!actor->isDead() && actor->isMoving()) moving = true;
  }
  if (moving) {
    resetIdleTimer();
    return;
  }
  idleMs_ += dtMs;
  if (idleMs_ > kIdleHintMs && hud_ != nullptr) hud_->setIdleHint(true);
}

void InGameSequence::updateWolfAppearance(int dtMs) {
  for (CNode* node : extraEffects_) {
    node->update(dtMs);
    auto* wolf = dynamic_cast<QMRBottomWolfFX*>(node);
    if (wolf == nullptr || !wolf->isReady() || (state_ != kStart && state_ != kPlay) || actors_.empty()) continue;
    QMRSheep* actor = actors_[static_cast<std::size_t>(randomNext()) % actors_.size()];
    const int px = static_cast<int>(actor->getPosition().x);
    bool right;
    if (px < 40) {
      right = true;
    } else if (px < 441) {
      right = randomNext() % 2 == 0;
    } else {
      right = false;
    }
    const int offset = 40 + randomNext() % 260;
    int x = right ? px + offset : px - offset;
    x = x < 0 ? 0 : (x > 480 ? 480 : x);
    wolf->appear(0, x, 320, !right);
  }
}

void InGameSequence::update(int dtMs) {
  if (outroPlaying_) {
    if (!host_->isVideoPlaying()) {
      host_->stopVideo();
      outroPlaying_ = false;
      host_->switchToSequence(1);
    }
    return;
  }
  if (paused_ || scene_ == nullptr) return;
  scene_->update(dtMs);
  if (background_ != nullptr) background_->update(dtMs);
  if (hud_ != nullptr) hud_->update(dtMs);
  rules_->update(dtMs);
  if (effects_ != nullptr) effects_->update(dtMs);

  switch (state_) {
    case kStart:
      if (!anyStateAnimationRunning()) setState(kPlay);
      break;
    case kPlay: {
      clockMs_ += dtMs;
      visitPlayMs_ += dtMs;
      if (hud_ != nullptr) hud_->setClock(clockMs_);
      tickActors(dtMs);
      bool allReached = false;
      bool anyFailed = false;
      evaluateActors(allReached, anyFailed);
      if (allReached) {
        setState(kGoalReached);
      } else if (anyFailed) {
        setState(kFailing);
      }
      break;
    }
    case kGoalReached:
      if (!anyStateAnimationRunning()) setState(kWon);
      break;
    case kFailing:
      if (failOffScreen_) {
        failWaitMs_ += dtMs;
        if (failWaitMs_ > 1000) {
          failWaitMs_ = 0;
          failOffScreen_ = false;
          setState(kLost);
        }
      } else if (!anyStateAnimationRunning()) {
        setState(kLost);
      }
      break;
    default:
      break;
  }
  computeScore();
  if (hud_ != nullptr) hud_->showMarks(LevelsManager::getInstance().getMedalForScore(levelId_, score_));
  updateWolfAppearance(dtMs);
}

void InGameSequence::draw() {
  if (outroPlaying_) {
    RenderEngine::cachedDisable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(960.0f, 0.0f);
    glVertex2f(960.0f, 640.0f);
    glVertex2f(0.0f, 640.0f);
    glEnd();
    RenderEngine::cachedEnable(GL_TEXTURE_2D);
    return;
  }
  glPushMatrix();
  if (background_ != nullptr) background_->draw(true, true);
  if (scene_ != nullptr) scene_->render();
  for (CNode* n : extraEffects_) n->draw(true, true);
  if (effects_ != nullptr) effects_->draw(true, true);
  if (rules_ != nullptr) rules_->draw();
  if (hud_ != nullptr) hud_->draw(true, true);
  glPopMatrix();
}
