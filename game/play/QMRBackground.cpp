#include "game/play/QMRBackground.h"

#include <string>

#include "app/Random.h"
#include "game/actors/ActorTemplates.h"

using RenderEngine::CNode;

namespace {
QMRBackgroundFX* g_backgroundFx = nullptr;
int partTimer() { return 5000 + randomNext() % 25000; }
}  // namespace

QMRBackgroundFX* QMRBackgroundFX::instance() {
  if (g_backgroundFx == nullptr) g_backgroundFx = new QMRBackgroundFX;
  return g_backgroundFx;
}

void QMRBackgroundFX::resetInstance() {
  delete g_backgroundFx;
  g_backgroundFx = nullptr;
}

QMRBackgroundFX::QMRBackgroundFX() { loadVisual(); }

int QMRBackgroundFX::newTimer() { return 60000 + randomNext() % 180000; }

void QMRBackgroundFX::loadVisual() {
  CNode* scene = ActorTemplates::copyOf(ActorTemplates::get("extra-fixed.bin"));
  CNode* first = scene->getChild(0);
  visual_ = first != nullptr ? first->getChild(0) : nullptr;
  addChild(scene);
  timerMs_ = newTimer();
  if (visual_ != nullptr) visual_->setVisible(false);
}

void QMRBackgroundFX::start() {
  timerMs_ = newTimer();
  // A missing file or a visual without alternatives has nothing to play.
  if (visual_ == nullptr || visual_->getChildren().empty()) return;
  const int i = randomNext() % static_cast<int>(visual_->getChildren().size());
  visual_->setVisible(true);
  visual_->showFrame(i);
  current_ = visual_->getChild(i);
  for (CNode* c : current_->getChildren()) {
    for (CNode* g : c->getChildren()) {
      g->playAnimationRecursive(-1);
      g->playAnimation(1);
    }
    c->playAnimation(1);
  }
  current_->playAnimation(1);
  playing_ = true;
}

bool QMRBackgroundFX::isRunning() {
  if (current_ == nullptr) return false;
  if (current_->isAnimationPlaying()) return true;
  for (CNode* c : current_->getChildren()) {
    if (c->isAnimationPlaying()) return true;
    for (CNode* g : c->getChildren()) {
      if (g->isAnimationPlaying()) return true;
    }
  }
  return false;
}

void QMRBackgroundFX::stop() {
  if (visual_ != nullptr) {
    visual_->stopAnimationRecursive();
    visual_->setVisible(false);
  }
  playing_ = false;
}

bool QMRBackgroundFX::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  const bool changed = CNode::updateVisit(dtMs, mark);
  if (playing_) {
    playing_ = isRunning();
    if (!playing_ && visual_ != nullptr) visual_->setVisible(false);
  } else if (timerMs_ > 0) {
    timerMs_ -= dtMs;
    if (timerMs_ < 1) start();
  }
  return changed;
}

QMRBackground::QMRBackground(int scenery) : scenery_(scenery) {
  CNode* scene = ActorTemplates::copyOf(ActorTemplates::get("background" + std::to_string(scenery) + ".bin"));
  addChild(scene);
  scene->collectByTag(parts_, kPartTag);
  for (CNode* part : parts_) {
    if (randomNext() % 100 < 50) {
      part->playAnimationRecursive(1);
      CNode* first = part->getChild(0);
      const int frames = first != nullptr ? first->getAnimation().getFrameCount() : 0;
      part->showFrame(frames * (randomNext() % 100) / 100);
      part->resumeAnimation();
      partTimers_.push_back(0);
    } else {
      partTimers_.push_back(partTimer());
    }
  }
  effect_ = QMRBackgroundFX::instance();
}

QMRBackground::QMRBackground(const QMRBackground& other) : CNode(other), effect_(other.effect_), scenery_(other.scenery_) {}

QMRBackground::~QMRBackground() { stopEffect(); }

CNode* QMRBackground::clone() const { return new QMRBackground(*this); }

bool QMRBackground::isDecorationTag(int tag) const {
  return tag == kDecorationTag && (scenery_ == 3 || scenery_ == 7 || scenery_ == 8 || scenery_ == 9);
}

void QMRBackground::stopEffect() {
  if (effect_ != nullptr) effect_->stop();
}

bool QMRBackground::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  if (effect_ != nullptr) effect_->updateVisit(dtMs, RenderEngine::CNode::newTraversalMark());
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    int& timer = partTimers_[i];
    if (timer < 1 && !parts_[i]->isAnimating()) timer = partTimer();
    if (timer >= 1) {
      timer -= dtMs;
      if (timer < 1) parts_[i]->playAnimationRecursive(1);
    }
  }
  return CNode::updateVisit(dtMs, mark);
}

void QMRBackground::draw(bool pass, bool push) {
  CNode::draw(pass, push);
  if (effect_ != nullptr) effect_->draw(pass, push);
}

void QMRBackground::unloadTextures() {
  CNode::unloadTextures();
  if (effect_ != nullptr) effect_->unloadTextures();
}

void QMRBackground::unloadLargeTextures() {
  CNode::unloadLargeTextures();
  if (effect_ != nullptr) effect_->unloadLargeTextures();
}
