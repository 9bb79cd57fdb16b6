#include "game/play/GameHud.h"

#include <cstdio>
#include <cstring>

#include "game/actors/ActorTemplates.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeText.h"

using RenderEngine::CNode;

GameHud::GameHud() = default;
GameHud::~GameHud() = default;

void GameHud::formatClock(int ms, char (&out)[kTextSize]) {
  const long long s = ms < 0 ? 0 : ms / 1000;
  const long long sec = s % 60;
  std::snprintf(out, kTextSize, sec < 10 ? "%lld:0%lld" : "%lld:%lld", s / 60, sec);
}

void GameHud::loadScene() {
  root_ = ActorTemplates::copyOf(ActorTemplates::get("hud.bin"));
  addChild(root_);
  buttons_.clear();
  root_->collectTouchTargets(buttons_);
  counterText_ = root_->findByTag(kCounterTag);
  clockText_ = root_->findByTag(kClockTag);
  clock_[0] = counter_[0] = '\0';
  setClock(0);
  setCounter(0);
  guideMode_ = idleHint_ = false;
  setTapGuide(false);
  idleHint_ = true;
  setIdleHint(false);
}

void GameHud::showText(CNode* node, const char* text) {
  if (auto* t = dynamic_cast<RenderEngine::CNodeText*>(node)) t->setText(text);
}

void GameHud::setCounter(int n) {
  char text[kTextSize];
  std::snprintf(text, kTextSize, "%d", n);
  if (std::strcmp(text, counter_) == 0) return;
  std::memcpy(counter_, text, kTextSize);
  showText(counterText_, counter_);
}

void GameHud::setClock(int ms) {
  char text[kTextSize];
  formatClock(ms, text);
  if (std::strcmp(text, clock_) == 0) return;
  std::memcpy(clock_, text, kTextSize);
  showText(clockText_, clock_);
}

void GameHud::showMarks(int medal) {
  if (medal == 0 || root_ == nullptr) return;
  // Asked at each call: the visible mark of a tag may change with the scene.
  for (int i = 0; i < 3; ++i) {
    CNode* mark = root_->findVisibleByTag(kFirstMarkTag + i);
    CNode* first = mark != nullptr ? mark->getChild(0) : nullptr;
    if (first != nullptr) first->showFrame(medal > i ? 0 : 1);
  }
}

void GameHud::setTapGuide(bool on) {
  guideMode_ = on;
  if (root_ == nullptr) return;
  root_->setVisibleByTag(on, kGuideTag);
  root_->setVisibleByTag(on, kHintTag);
  if (on) {
    root_->playAnimationByTag(kGuideTag, -1, false);
    return;
  }
  // The stop acts only on a node that carries the tag, so it goes to each
  // guide wherever it lies; the children the play started stop with it.
  RenderEngine::NodeList guides;
  root_->collectByTag(guides, kGuideTag);
  for (CNode* guide : guides) {
    guide->stopAnimationByTag(kGuideTag);
    for (CNode* child : guide->getChildren()) child->stopAnimation();
  }
}

void GameHud::setIdleHint(bool on) {
  if (on == idleHint_) return;
  idleHint_ = on;
  if (root_ != nullptr) root_->setVisibleByTag(idleHint_ || guideMode_, kHintTag);
  hintTimer_ = 1000;
}

bool GameHud::containsButtonAt(int x, int y) {
  for (CNode* b : buttons_) {
    if (b->containsPoint(x, y)) return true;
  }
  return false;
}

bool GameHud::highlightButtonsAt(int x, int y) {
  bool any = false;
  for (CNode* b : buttons_) {
    const bool inside = b->containsPoint(x, y);
    if (auto* button = dynamic_cast<RenderEngine::CButton*>(b)) button->showState(inside ? 1 : 0);
    any = any || inside;
  }
  return any;
}

int GameHud::findButtonAt(int x, int y) {
  for (CNode* b : buttons_) {
    if (b->isVisible() && b->containsPoint(x, y)) return b->getTag();
  }
  return -1;
}

bool GameHud::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  if (idleHint_ && !guideMode_ && root_ != nullptr) {
    const int dt = dtMs < 0 ? 0 : dtMs % 2000;
    hintTimer_ = (hintTimer_ + dt) % 2000;
    root_->setVisibleByTag(hintTimer_ >= 1000, kHintTag);
  }
  return CNode::updateVisit(dtMs, mark);
}
