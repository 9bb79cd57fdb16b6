#include "game/overlays/QMRMapHud.h"

#include <cstdio>

#include "render_engine/CButton.h"
#include "render_engine/CNodeReader.h"

using RenderEngine::CNode;

namespace {
QMRMapHud* theHud = nullptr;
}

QMRMapHud* QMRMapHud::instance() {
  if (theHud == nullptr) {
    theHud = new QMRMapHud();
    theHud->loadScene();
  }
  return theHud;
}

bool QMRMapHud::exists() { return theHud != nullptr; }

QMRMapHud::QMRMapHud() = default;

void QMRMapHud::loadScene() {
  ExportCNode::CNodeReader reader("hud-map.bin");
  loadSceneFrom(reader.read());
}

void QMRMapHud::loadSceneFrom(CNode* root) {
  if (root == nullptr) return;
  if (sceneRoot_ != nullptr) deleteChild(sceneRoot_);
  sceneRoot_ = root;
  addChild(root);
  buttons_.clear();
  root->collectTouchTargets(buttons_);
  backButton_ = root->findByTag(kBackButtonTag);
  if (backButton_ == nullptr) std::fprintf(stderr, "hud-map.bin: no back button (tag 209)\n");
}

void QMRMapHud::setBackState(int state) {
  if (backButton_ == nullptr) return;
  backButton_->playAnimationRecursive(-1);
  if (auto* button = dynamic_cast<RenderEngine::CButton*>(backButton_)) {
    button->showState(static_cast<std::int16_t>(state));
  }
}

bool QMRMapHud::handleTouch(int x, int y) {
  if (backButton_ == nullptr) return false;
  const bool hit = backButton_->isVisible() && backButton_->containsPoint(x, y);
  setBackState(hit ? 1 : 0);
  return hit;
}

int QMRMapHud::findButtonAt(int x, int y) {
  if (backButton_ != nullptr && backButton_->isVisible() && backButton_->containsPoint(x, y)) return kBackButtonTag;
  return -1;
}

void QMRMapHud::setButtonsHighlighted(int state) {
  for (CNode* node : buttons_) {
    if (auto* button = dynamic_cast<RenderEngine::CButton*>(node)) button->showState(static_cast<std::int16_t>(state));
  }
}

void QMRMapHud::setHintVisible(bool visible) { setVisibleByTag(visible, kHintTag); }
