#include "game/actors/QMRBloc.h"

#include <algorithm>

#include "app/Random.h"
#include "game/host/GameHost.h"

using RenderEngine::CNode;

void floatingBlockVelocity(cpBody* body, cpVect gravity, cpFloat damping, cpFloat dt) {
  const cpFloat mass = cpBodyGetMass(body);
  // An impulse of -0.1 v at the centre takes 0.1 / mass of the velocity away;
  // for a body lighter than 0.1 that would reverse it, and below 0.05 make it
  // grow every step: the drag never takes more than the whole velocity.
  const cpFloat keep = mass > 0.0 ? std::max<cpFloat>(0.0, 1.0 - 0.1 / mass) : 0.0;
  cpBodySetVelocity(body, cpvmult(cpBodyGetVelocity(body), keep));
  cpBodyUpdateVelocity(body, cpv(gravity.x, -gravity.y), damping, dt);
}

QMRBloc::QMRBloc() = default;

QMRBloc::QMRBloc(const QMRBloc& o) : CNodePhysics(o) { setBlockKind(o.kind_); }

QMRBloc::~QMRBloc() = default;

CNode* QMRBloc::clone() const { return new QMRBloc(*this); }

void QMRBloc::setBlockKind(int kind) {
  kind_ = kind;
  timer_ = 0;
  animated_ = false;
  playing_ = false;
  looping_ = false;
  visual_ = nullptr;
  showFrameByTag(kSelectorTag, kind);
  if (CNode* selector = findByTag(kSelectorTag); selector != nullptr && kind >= 0) {
    if (CNode* list = selector->getChild(0)) {
      if (CNode* look = list->getChild(kind)) visual_ = look->getChild(0);
    }
  }
  if (visual_ != nullptr && visual_->getChildCount() > 1 && getCollisionType() != kFloatingType) {
    animated_ = true;
    timer_ = 5000 + randomNext() % 10000;
  }
  hitPoints_ = kind == kTwoHitKind ? 2 : 1;
  if (kind == kPlopKind && visual_ != nullptr) {
    timer_ = 50;
    animated_ = false;
    looping_ = true;
    showRestPose();
  }
  setVelocityFunc(getCollisionType() == kFloatingType ? &floatingBlockVelocity : &cpBodyUpdateVelocity);
}

bool QMRBloc::takeHit() {
  hitPoints_ -= 1;
  if (hitPoints_ < 1) return true;
  if (kind_ == kTwoHitKind) setBlockKind(kDamagedKind);
  return false;
}

void QMRBloc::showRestPose() {
  visual_->playAnimationRecursive(-1);
  visual_->stopAnimation();
  visual_->showFrame(0);
}

void QMRBloc::showActionPose() {
  visual_->playAnimationRecursive(1);
  visual_->stopAnimation();
  visual_->showFrame(1);
}

void QMRBloc::playBounce() {
  if (timer_ >= 1) return;
  if (visual_ != nullptr) {
    showActionPose();
    playing_ = true;
  }
  playKindSound();
}

void QMRBloc::playKindSound() {
  if (kind_ == kPlopKind) gameHost().playSound(23 + randomNext() % 2);
}

bool QMRBloc::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  if (!visible_ || isTransparent() || updateMark_ == mark) return CNodePhysics::updateVisit(dtMs, mark);
  bool changed = false;
  if ((animated_ || looping_) && visual_ != nullptr) {
    if (!playing_ && !looping_) {
      timer_ -= dtMs;
      if (timer_ < 1) {
        timer_ = 5000 + randomNext() % 10000;
        showActionPose();
        playing_ = true;
        changed = true;
      }
    } else if (!playing_) {
      if (timer_ > 0) timer_ = std::max(0, timer_ - dtMs);
    } else if (!visual_->isAnimating()) {
      showRestPose();
      playing_ = false;
      changed = true;
    }
  }
  return CNodePhysics::updateVisit(dtMs, mark) || changed;
}
