#include "game/play/InGameSequence.h"

#include <GL/gl.h>

#include "app/Random.h"
#include "game/actors/QMRSheep.h"
#include "game/actors/QuillmoorGameplayTest.h"
#include "game/host/GameHost.h"
#include "game/play/GameHud.h"
#include "game/play/QMRBackground.h"
#include "game/play/QMRGameFX.h"
#include "game/progress/LevelsManager.h"
#include "physics/CScenePhysics.h"
#include "physics/GameConfiguration.h"
#include "render_engine/GlStateCache.h"
#include "sound/AudioEngine.h"

// The level screen's flow: its life, its touches and buttons, the state
// machine and the frame. The level's building is in InGameLevel.cpp, the
// score and the result in InGameResult.cpp.

using RenderEngine::CNode;
using RenderEngine::CNodePhysics;
using RenderEngine::CScenePhysics;

namespace {

constexpr std::uint32_t kLevelSounds[] = {7, 6, 10, 9, 8, 18, 17, 29, 30, 31, 32, 34, 35, 36, 38, 33, 23, 24, 26, 27};
constexpr int kPauseText = 0x2000E;
constexpr int kMaskLost = 11;
constexpr int kMaskPause = 12;
constexpr std::uint32_t kLoseJingle = 42;
constexpr int kIdleHintMs = 10000;

}  // namespace

InGameSequence::InGameSequence() = default;

InGameSequence::~InGameSequence() {
  if (loaded_) unload();
}

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

void InGameSequence::enter() {
  outroPlaying_ = false;
  pressedButton_ = -1;
  gameHost().setCursorMode(2);
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
  gameHost().setCursorMode(hud_->containsButtonAt(x, y) ? 1 : 2);
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
    if (state_ == kPlay) gameHost().playSound(6);
  } else if (id == GameHud::kRetryButton) {
    gameHost().playSound(7);
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
      gameHost().returnToMenu();
      break;
    case kButtonResume:
      resumeGame();
      break;
    case kButtonNext: {
      LevelsManager& levels = LevelsManager::getInstance();
      levels.addTries(levelId_, visitTries_);
      if (won_ && levelId_ == kLastLevel) {
        gameHost().playVideo("movie1.mp4", "movie1");
        outroPlaying_ = true;
      } else if (levelId_ % 25 != 0 && levels.findLevel(levelId_ + 1) != nullptr) {
        gameHost().startLevel(levelId_ + 1);
      } else {
        // Past the last level of a short design there is nothing to start.
        gameHost().returnToMapPage();
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

void InGameSequence::setActorsState(int state) {
  for (QMRSheep* actor : actors_) actor->setState(state);
}

void InGameSequence::retryLevel() {
  loadLevel();
  gameHost().playMusic(static_cast<std::uint32_t>(levelMusic(scenery_)), true);
  ++tries_;
  ++visitTries_;
}

void InGameSequence::pauseGame() {
  gameHost().setCursorMode(1);
  // Queued behind whatever is shown, so the pause always gets its buttons.
  gameHost().showBannerMessage({kPauseText, 2, 2, kMaskPause});
  paused_ = true;
}

void InGameSequence::resumeGame() {
  gameHost().setCursorMode(2);
  paused_ = false;
}

bool InGameSequence::isOnScreen(const CNode* node) {
  const auto& p = node->getPosition();
  return p.x > -10.0f && p.x < 490.0f && p.y > 0.0f;
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
      if (state == kPlay) gameHost().setCursorMode(2);
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
      gameHost().setCursorMode(1);
      lastBannerText_ = pickBannerText(0);
      gameHost().showBannerMessage({lastBannerText_, 4, 2, kMaskLost});
      gameHost().playMusic(kLoseJingle, false);
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
    if (!gameHost().isVideoPlaying()) {
      gameHost().stopVideo();
      outroPlaying_ = false;
      gameHost().switchToSequence(1);
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
