#include "game/actors/QMRSheep.h"

#include <cmath>

#include "app/Random.h"
#include "game/actors/ActorTemplates.h"
#include "game/host/GameHost.h"
#include "physics/CScenePhysics.h"

using RenderEngine::CNode;

namespace {

const std::int32_t kSheepPoses[QMRSheep::kStateCount] = {0, 77, 165, 247, 335};
const std::int32_t kSheepSounds[6] = {34, -1, 35, -1, 32, 33};
const std::int32_t kWolfPoses[QMRSheep::kStateCount] = {89, 89, 91, 89, 2};
const std::int32_t kWolfSounds[6] = {-1, -1, 36, -1, 38, 36};
const std::int32_t kBleats[3] = {29, 30, 31};
// Below this y (points, growing downwards) an animal is still on screen.
constexpr float kScreenBottom = 320.0f;

bool atRest(const RenderEngine::CNodePhysics& node) {
  const RenderEngine::Vector3 v = node.getVelocity();
  return std::fabs(node.getAngularVelocity()) < 1.0f && v.x * v.x + v.y * v.y < 1.0f;
}

}  // namespace

QMRSheep::QMRSheep() : poses_(kSheepPoses), sounds_(kSheepSounds) {}

QMRSheep::QMRSheep(const QMRSheep& o)
    : CNodePhysics(o), poses_(o.poses_), sounds_(o.sounds_), inGoal_(o.inGoal_), bleats_(o.bleats_) {
  adoptVisualLike(o);
  state_ = o.state_;
  showStatePose();
}

QMRSheep::~QMRSheep() = default;

CNode* QMRSheep::clone() const { return new QMRSheep(*this); }

int QMRSheep::getPose(int state) const { return state >= 0 && state < kStateCount ? poses_[state] : -1; }

int QMRSheep::getSoundId(int index) const { return index >= 0 && index < 6 ? sounds_[index] : -1; }

void QMRSheep::adoptVisualLike(const QMRSheep& o) {
  visual_ = nullptr;
  if (o.visual_ == nullptr) return;
  // The visual is the first child of one of the source's children: the copy's
  // child at the same place holds its copy.
  const CNode* look = o.visual_->getParent();
  for (std::size_t i = 0; i < o.children_.size(); ++i) {
    if (o.children_[i] == look && i < children_.size()) {
      visual_ = children_[i]->getChild(0);
      return;
    }
  }
}

void QMRSheep::attachLook(const char* sceneName) {
  CNode* look = ActorTemplates::copyOf(ActorTemplates::get(sceneName));
  visual_ = look->getChild(0);
  addChild(look);
}

void QMRSheep::buildVisual() { attachLook(ActorTemplates::kSheepScene); }

void QMRSheep::showStatePose() {
  if (visual_ == nullptr) return;
  const int pose = poses_[state_];
  visual_->showFrame(pose);
  visual_->playAnimationRecursive(1);
  visual_->stopAnimation();
  visual_->showFrame(pose);
}

void QMRSheep::setState(int state) {
  if (state == state_ || state < 0 || state >= kStateCount) return;
  state_ = state;
  showStatePose();
  idlePlaying_ = false;
  if (state == 2) setRotation(0.0f, 0.0f, 0.0f);
  playStateSound(state);
}

void QMRSheep::playStateSound(int state) {
  if (state < 0 || state >= kStateCount) return;
  const int index = state == 4 && position_.y < kScreenBottom ? 5 : state;
  gameHost().playSound(sounds_[index]);
}

void QMRSheep::setInGoalZone(bool inside) {
  if (holding_) {
    heldInside_ = inside;
    return;
  }
  goalTimer_ = kGoalTimeMs;
  inGoal_ = inside;
}

void QMRSheep::holdGoalZoneAcrossRebuild() {
  if (!holding_) heldInside_ = inGoal_;
  holding_ = true;
  RenderEngine::CScenePhysics* scene = getScene();
  holdStep_ = scene != nullptr ? scene->getStepCount() : 0;
}

void QMRSheep::settleGoalZoneHold() {
  if (!holding_) return;
  RenderEngine::CScenePhysics* scene = getScene();
  if (scene != nullptr && scene->getStepCount() <= holdStep_) return;
  holding_ = false;
  // Old shapes out and new ones in the same zone: nothing changed for the game.
  if (heldInside_ != inGoal_) setInGoalZone(heldInside_);
}

void QMRSheep::die() {
  setRotation(0.0f, 0.0f, 0.0f);
  removeFromSpace();
  dead_ = true;
  setState(4);
}

bool QMRSheep::isObjectiveReached() { return inGoal_ && goalTimer_ < 0; }

bool QMRSheep::isObjectiveFailed() { return dead_; }

bool QMRSheep::isStateAnimationDone() {
  if (!isVisible()) return true;
  return visual_ == nullptr || !visual_->isAnimating();
}

bool QMRSheep::isMoving() {
  const RenderEngine::Vector3 v = getVelocity();
  return std::fabs(getAngularVelocity()) > 1.0f || v.x * v.x + v.y * v.y > 1.0f;
}

bool QMRSheep::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  if (!visible_ || isTransparent() || updateMark_ == mark) return CNodePhysics::updateVisit(dtMs, mark);
  bool changed = false;
  if (!idlePlaying_) {
    idleTimer_ -= dtMs;
    if (idleTimer_ < 1) {
      idleTimer_ = 5000 + randomNext() % 10000;
      if (visual_ != nullptr) visual_->playAnimationByTag(kIdleTag, 1, false);
      changed = true;
      idlePlaying_ = true;
      if (bleats_) {
        // Drawn whether or not it is heard, so a message on screen does not
        // change the timers that follow.
        const std::int32_t bleat = kBleats[randomNext() % 3];
        if (!gameHost().isBannerShown()) gameHost().playSound(bleat);
      }
    }
  } else if (visual_ == nullptr || !visual_->isAnimating()) {
    idlePlaying_ = false;
    changed = true;
  }
  settleGoalZoneHold();
  if (state_ == 1 && inGoal_) {
    if (atRest(*this)) {
      goalTimer_ -= dtMs;
    } else {
      goalTimer_ = kGoalTimeMs;
    }
  }
  return CNodePhysics::updateVisit(dtMs, mark) || changed;
}

// ---------------------------------------------------------------------------

QMRWolf::QMRWolf() {
  poses_ = kWolfPoses;
  sounds_ = kWolfSounds;
  bleats_ = false;
}

QMRWolf::~QMRWolf() = default;

CNode* QMRWolf::clone() const { return new QMRWolf(*this); }

void QMRWolf::buildVisual() { attachLook(ActorTemplates::kWolfScene); }

void QMRWolf::playStateSound(int state) {
  if (state < 0 || state >= kStateCount) return;
  const int index = state == 2 && position_.y < kScreenBottom ? 5 : state;
  gameHost().playSound(sounds_[index]);
}

void QMRWolf::die() {
  setRotation(0.0f, 0.0f, 0.0f);
  removeFromSpace();
  dead_ = true;
  setState(2);
}

bool QMRWolf::isObjectiveReached() { return dead_; }

bool QMRWolf::isObjectiveFailed() {
  if (!(inGoal_ && goalTimer_ < 0)) return false;
  setRotation(0.0f, 0.0f, 0.0f);
  setState(4);
  setLayers(4);
  return true;
}

bool QMRWolf::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  const bool result = QMRSheep::updateVisit(dtMs, mark);
  if (state_ == 2 && isVisible() && isStateAnimationDone()) {
    setVisible(false);
    return true;
  }
  return result;
}
