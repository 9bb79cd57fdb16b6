#include "game/overlays/QMRAchievementPopup.h"

#include <cstdio>

#include "render_engine/CNodeReader.h"
#include "render_engine/CNodeText.h"

using RenderEngine::CNode;

QMRAchievementPopup* QMRAchievementPopup::instance() {
  static QMRAchievementPopup* popup = new QMRAchievementPopup();
  return popup;
}

QMRAchievementPopup::QMRAchievementPopup() = default;

void QMRAchievementPopup::loadScene() {
  ExportCNode::CNodeReader reader(kScene);
  loadSceneFrom(reader.read());
}

void QMRAchievementPopup::loadSceneFrom(CNode* scene) {
  if (scene == nullptr || scene_ != nullptr) {
    delete scene;
    return;
  }
  scene_ = scene;
  // The scene is drawn at the picture's scale: half of it makes points.
  scene_->scaleBy(0.5f, 0.5f, 1.0f);
  scene_->moveBy(35, 150, 0);
  addChild(scene_);
  textNode_ = scene_->findByTag(kTitleTag);
  if (textNode_ != nullptr) {
    textNode_->scaleBy(2, 2, 1);
    textNode_->moveBy(15, -35, 0);
  }
  if (CNode* badge = scene_->findByTag(kBadgeTag)) badge->moveBy(50, -25, 0);
  if (textNode_ == nullptr) std::fprintf(stderr, "success_achievement.bin: no title text (tag 540)\n");
}

void QMRAchievementPopup::enqueue(int textId) {
  if (queue_.size() >= kMaxQueued) {
    if (!droppedReported_) std::fprintf(stderr, "achievement pop-up: too many waiting; further ones are dropped\n");
    droppedReported_ = true;
    return;
  }
  queue_.push_back(textId);
}

void QMRAchievementPopup::advance() {
  if (showing_) {
    if (scene_ == nullptr || !scene_->isAnimating()) {
      if (!queue_.empty()) queue_.pop_front();
      showing_ = false;
      if (queue_.empty()) droppedReported_ = false;
    }
    return;
  }
  if (queue_.empty()) return;
  showing_ = true;
  if (auto* text = dynamic_cast<RenderEngine::CNodeText*>(textNode_)) {
    text->setTextId(static_cast<std::uint32_t>(queue_.front()));
  }
  if (scene_ != nullptr) scene_->playAnimationRecursive(1);
}

// One step of the queue per frame, before the scene's own update, so a pop-up
// that has just ended leaves a frame's gap before the next.
bool QMRAchievementPopup::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  advance();
  return CNode::updateVisit(dtMs, mark);
}
