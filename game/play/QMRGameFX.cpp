#include "game/play/QMRGameFX.h"

#include "app/Random.h"
#include "game/actors/ActorTemplates.h"
#include "game/host/GameHost.h"

using RenderEngine::CNode;

namespace {
QMRGameFXManager* g_manager = nullptr;
CNode* g_effectTemplate = nullptr;
}  // namespace

QMRGameFXManager::QMRGameFXManager() = default;

QMRGameFXManager* QMRGameFXManager::instance() {
  if (g_manager == nullptr) {
    g_manager = new QMRGameFXManager;
    for (int i = 0; i < kInitialPool; ++i) g_manager->addPooledEffect();
  }
  return g_manager;
}

void QMRGameFXManager::resetInstance() {
  delete g_manager;
  g_manager = nullptr;
  delete g_effectTemplate;
  g_effectTemplate = nullptr;
}

void QMRGameFXManager::addPooledEffect() {
  if (g_effectTemplate == nullptr) {
    g_effectTemplate = ActorTemplates::copyOf(ActorTemplates::get("fx.bin")->getChild(0));
    if (g_effectTemplate == nullptr) g_effectTemplate = new CNode;
  }
  CNode* effect = ActorTemplates::copyOf(g_effectTemplate);
  effect->setVisible(false);
  addChild(effect);
  pool_.push_back(effect);
}

int QMRGameFXManager::soundOfKind(int kind) {
  switch (kind) {
    case 0: return 9;
    case 1: return 10;
    case 2: return 18;
    case 3: return 8;
    case 4:
    case 5: return randomNext() % 2 == 0 ? 26 : 27;
    case 6: return 27;
    default: return -1;
  }
}

void QMRGameFXManager::spawnEffect(int kind, int x, int y, float angle) {
  if (kind < 0 || kind >= kKindCount) return;
  CNode* effect = nullptr;
  for (CNode* e : pool_) {
    if (!e->isVisible()) {
      effect = e;
      break;
    }
  }
  if (effect == nullptr) {
    addPooledEffect();
    effect = pool_.back();
  }
  effect->setVisible(true);
  effect->showFrame(kind);
  effect->setPosition(static_cast<float>(x), static_cast<float>(y), 0.0f);
  effect->setRotation(0.0f, 0.0f, angle);
  // A template short of children shows its look and plays nothing.
  if (CNode* part = effect->getChild(kind)) part->playAnimationRecursive(1);
  gameHost().playSound(soundOfKind(kind));
}

bool QMRGameFXManager::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  const bool changed = CNode::updateVisit(dtMs, mark);
  for (CNode* e : pool_) {
    if (e->isVisible() && !e->isAnimating()) e->setVisible(false);
  }
  return changed;
}

void QMRGameFXManager::unloadTextures() {
  CNode::unloadTextures();
  for (CNode* e : pool_) e->unloadTextures();
}

void QMRGameFXManager::unloadLargeTextures() {
  CNode::unloadLargeTextures();
  for (CNode* e : pool_) e->unloadLargeTextures();
}

QMRBottomWolfFX::QMRBottomWolfFX() { loadVisual(); }

QMRBottomWolfFX::QMRBottomWolfFX(const QMRBottomWolfFX& other) : CNode() {
  loadVisual();
  coolDownMs_ = other.coolDownMs_;
  playing_ = other.playing_;
}

CNode* QMRBottomWolfFX::clone() const { return new QMRBottomWolfFX(*this); }

int QMRBottomWolfFX::newCoolDown() { return 15000 + randomNext() % 30000; }

void QMRBottomWolfFX::loadVisual() {
  CNode* look = ActorTemplates::copyOf(ActorTemplates::get("loup-appear.bin"));
  addChild(look);
  visual_ = look->getChild(0);
  coolDownMs_ = newCoolDown();
  if (visual_ != nullptr) visual_->setVisible(false);
}

bool QMRBottomWolfFX::isReady() { return !playing_ && coolDownMs_ < 1; }

void QMRBottomWolfFX::appear(int animation, int x, int y, bool mirrored) {
  setPosition(static_cast<float>(x), static_cast<float>(y), 0.0f);
  if (mirrored) {
    setScale(-1.0f, 1.0f, 1.0f);
  } else {
    setScale(1.0f, 1.0f, 1.0f);
  }
  if (visual_ != nullptr) {
    visual_->setVisible(true);
    visual_->showFrame(animation);
    visual_->stopAnimationRecursive();
    visual_->playAnimationRecursive(1);
    visual_->stopAnimation();
    visual_->showFrame(animation);
  }
  playing_ = true;
  coolDownMs_ = newCoolDown();
}

bool QMRBottomWolfFX::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  const bool changed = CNode::updateVisit(dtMs, mark);
  if (playing_) {
    playing_ = isAnimating();
    if (!playing_ && visual_ != nullptr) visual_->setVisible(false);
  } else if (coolDownMs_ > 0) {
    coolDownMs_ -= dtMs;
  }
  return changed;
}
