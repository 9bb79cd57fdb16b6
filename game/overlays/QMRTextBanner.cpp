#include "game/overlays/QMRTextBanner.h"

#include <GL/gl.h>

#include <cstdio>

#include "app/Random.h"
#include "game/host/GameHost.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/CNodeText.h"
#include "render_engine/GlStateCache.h"

using RenderEngine::CNode;

namespace {

constexpr int kSoundButton = 5;
constexpr int kSoundOpen = 25;
constexpr int kSoundPause = 21;
constexpr int kTutorialVoices[3] = {11, 13, 14};

struct ButtonSlot {
  int bit;
  int buttonId;
  int labelId;
};
// The order in which the bits of a mask take the buttons.
constexpr ButtonSlot kSlots[] = {
    {0x04, 4, 0x80006}, {0x02, 32, 0x8000E}, {0x01, 1, 0x80024}, {0x08, 2, 0x80007}, {0x10, 2, 0x80007},
};

}  // namespace

// --- Result window ------------------------------------------------------------

QMRResultScreen::QMRResultScreen(const CNode* windowTemplate) {
  if (windowTemplate != nullptr) addChild(windowTemplate->clone());
}

void QMRResultScreen::formatTime(int timeMs, char (&out)[kTextSize]) {
  const int s = timeMs > 0 ? timeMs / 1000 : 0;
  std::snprintf(out, kTextSize, s % 60 < 10 ? "%d:0%d" : "%d:%d", s / 60, s % 60);
}

void QMRResultScreen::setValues(int timeMs, int a, int b, int c, int medal) {
  setVisible(true);
  formatTime(timeMs, time_);
  const int values[3] = {a, b, c};
  for (int i = 0; i < 3; ++i) std::snprintf(numbers_[i], kTextSize, "%d", values[i]);
  const int tags[4] = {kTimeTag, kFirstNumberTag, kSecondNumberTag, kThirdNumberTag};
  const char* texts[4] = {time_, numbers_[0], numbers_[1], numbers_[2]};
  for (int i = 0; i < 4; ++i) {
    RenderEngine::NodeList nodes;
    collectByTag(nodes, tags[i]);
    for (CNode* node : nodes) {
      if (auto* text = dynamic_cast<RenderEngine::CNodeText*>(node)) text->setText(texts[i]);
    }
  }
  medal_ = medal < 0 ? 0 : (medal > 3 ? 3 : medal);
  setVisibleByTag(medal_ != 0, kMedalTag);
  setVisibleByTag(medal_ == 3, kGoldTag);
  if (CNode* window = getChild(0)) {
    window->showFrame(0);
    if (CNode* parts = window->getChild(0)) {
      for (CNode* child : parts->getChildren()) child->playAnimationRecursive(1);
    }
  }
  showMedalFrame();
  update(0);
  medalPending_ = true;
}

void QMRResultScreen::showMedalFrame() {
  if (medal_ != 0) showFrameByTag(kMedalTag, medal_ - 1);
}

bool QMRResultScreen::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  if (medalPending_ && !isAnimating()) {
    if (CNode* window = getChild(0)) window->showFrame(1);
    medalPending_ = false;
    showMedalFrame();
  }
  return CNode::updateVisit(dtMs, mark);
}

// --- Banner ---------------------------------------------------------------------

QMRTextBanner* QMRTextBanner::instance() {
  static QMRTextBanner* banner = new QMRTextBanner();
  return banner;
}

QMRTextBanner::QMRTextBanner() = default;
QMRTextBanner::~QMRTextBanner() = default;

void QMRTextBanner::loadScene() {
  // Read once: an application object started again in the same process (a
  // tool playing level after level) finds the banner ready.
  if (resultScreen_ != nullptr) return;
  ExportCNode::CNodeReader windows(kWindowScene);
  CNode* windowScene = windows.read();
  ExportCNode::CNodeReader banner(kBannerScene);
  loadScenes(banner.read(), windowScene);
}

void QMRTextBanner::loadScenes(CNode* bannerScene, CNode* windowScene) {
  // The result window's tree: the first child of the second child of the
  // scene root's first child.
  CNode* level1 = windowScene != nullptr ? windowScene->getChild(0) : nullptr;
  CNode* level2 = level1 != nullptr ? level1->getChild(1) : nullptr;
  const CNode* windowTemplate = level2 != nullptr ? level2->getChild(0) : nullptr;
  if (windowTemplate == nullptr) std::fprintf(stderr, "boutons-fenetres.bin: no result window; results show no window\n");
  if (windowTemplate != nullptr) const_cast<CNode*>(windowTemplate)->clearCloneLinks();
  resultScreen_ = new QMRResultScreen(windowTemplate);
  delete windowScene;
  resultScreen_->setVisible(false);
  resultScreen_->setPosition(160, 106, 0);
  addChild(resultScreen_);

  if (bannerScene != nullptr) {
    addChild(bannerScene);
    root_ = bannerScene->getChild(0);
  }
  if (root_ == nullptr) {
    std::fprintf(stderr, "bandeau.bin: no banner frame; messages are queued and dismissed but not drawn\n");
  } else {
    root_->collectByTag(textNodes_, kTextTag);
  }
  for (int i = 0; i < kButtonCount; ++i) {
    auto* button = new QMRButton();
    button->loadScene();
    buttons_.push_back(button);
    addChild(button);
  }
}

void QMRTextBanner::showMessage(int textId, int kind, int position, int buttonMask) {
  showMessage(BannerMessage{textId, kind, position, buttonMask});
}

void QMRTextBanner::showMessage(const BannerMessage& message) {
  Entry entry;
  entry.message = message;
  enqueue(entry);
}

void QMRTextBanner::showResult(const BannerMessage& message, int timeMs, int a, int b, int c, int medal) {
  // The values travel with the message, so a result that has to wait is
  // still there when its turn comes.
  Entry entry;
  entry.message = message;
  entry.hasResult = true;
  entry.timeMs = timeMs;
  entry.values[0] = a;
  entry.values[1] = b;
  entry.values[2] = c;
  entry.medal = medal;
  enqueue(entry);
}

void QMRTextBanner::enqueue(const Entry& entry) {
  if (!shown_) {
    showMessageNow(entry);
    return;
  }
  if (queue_.size() >= kMaxQueued) {
    if (!droppedReported_) {
      std::fprintf(stderr, "banner: %zu messages already waiting; further ones are dropped\n", kMaxQueued);
      droppedReported_ = true;
    }
    return;
  }
  queue_.push_back(entry);
}

void QMRTextBanner::showMessageNow(const Entry& entry) {
  const bool wasHidden = !shown_;
  current_ = entry;
  const BannerMessage& m = entry.message;
  ++serial_;
  if (wasHidden) {
    openingPending_ = true;
    if (root_ != nullptr) {
      root_->showFrame(0);
      if (CNode* opening = root_->getChild(0)) {
        for (CNode* child : opening->getChildren()) child->playAnimation(1);
      }
      root_->playAndShowFrameByTag(kKindTag, 0, 1);
      root_->update(0);
    }
    gameHost().playSound(kSoundOpen);
    gameHost().notifyBannerShown();
  } else {
    openingPending_ = false;
    if (root_ != nullptr) {
      root_->showFrame(1);
      root_->update(0);
      root_->playAndShowFrameByTag(kKindTag, m.kind, 1);
    }
    playVoice(m.kind);
  }
  if (root_ != nullptr) {
    const float y = m.position == 1 ? 100.0f : (m.position == 2 ? 200.0f : 0.0f);
    root_->setPosition(0, y, 0);
  }
  for (CNode* node : textNodes_) {
    if (auto* text = dynamic_cast<RenderEngine::CNodeText*>(node)) text->setTextId(static_cast<std::uint32_t>(m.textId));
  }
  for (QMRButton* button : buttons_) button->hide();
  if (resultScreen_ != nullptr) resultScreen_->setVisible(false);
  pressedButton_ = -1;
  buttonsEnabled_ = m.buttonMask != 0;
  shown_ = true;
  if (entry.hasResult && resultScreen_ != nullptr) {
    resultScreen_->setValues(entry.timeMs, entry.values[0], entry.values[1], entry.values[2], entry.medal);
  }
  // A message that replaces another gets no opening, but its buttons must
  // still come, or nothing could ever dismiss it.
  if (!wasHidden && buttonsEnabled_) layoutButtons();
}

bool QMRTextBanner::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  if (openingPending_ && (root_ == nullptr || !root_->isAnimating())) {
    if (root_ != nullptr) {
      root_->showFrame(1);
      root_->playAndShowFrameByTag(kKindTag, current_.message.kind, 1);
    }
    layoutButtons();
    openingPending_ = false;
    playVoice(current_.message.kind);
  }
  return CNode::updateVisit(dtMs, mark);
}

void QMRTextBanner::layoutButtons() {
  const int mask = current_.message.buttonMask;
  int n = 0;
  for (int bit = 0; bit < 5; ++bit) {
    if ((mask >> bit) & 1) ++n;
  }
  if (n > kButtonCount) n = kButtonCount;  // bits beyond the third button are ignored
  const int spacing = n == 0 ? 200 : 200 / n;
  const int h = -spacing / 2;
  const int x = resultScreen_ != nullptr && resultScreen_->isVisible() ? 384 : 240;
  int k = 0;
  for (const ButtonSlot& slot : kSlots) {
    if ((mask & slot.bit) == 0) continue;
    if (k >= n || static_cast<std::size_t>(k) >= buttons_.size()) break;
    buttons_[static_cast<std::size_t>(k)]->show(slot.buttonId, slot.labelId, x, (k + 1) * spacing + h);
    ++k;
  }
}

void QMRTextBanner::playVoice(int kind) {
  if (kind == kTutorial) {
    gameHost().playSound(kTutorialVoices[randomNext() % 3]);
  } else if (kind == kPause) {
    gameHost().playSound(kSoundPause);
  }
}

void QMRTextBanner::draw(bool pass, bool push) {
  // The dim needs blending whatever the last sprite left.
  RenderEngine::cachedEnable(GL_BLEND);
  glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
  RenderEngine::drawSolidRect(0, 0, 960, 640);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  CNode::draw(pass, push);
}

void QMRTextBanner::touchBegan(int x, int y) {
  if (!shown_) return;
  if (!buttonsEnabled_) {
    showNextQueued();
    return;
  }
  pressedButton_ = pressButtonAt(x, y);
}

int QMRTextBanner::buttonAt(int x, int y) {
  int found = -1;
  for (QMRButton* button : buttons_) {
    if (button->containsPoint(x, y)) found = button->getTag();
  }
  return found;
}

int QMRTextBanner::pressButtonAt(int x, int y) {
  int found = -1;
  for (QMRButton* button : buttons_) {
    if (button->containsPoint(x, y)) {
      button->showFaceState(1);
      gameHost().playSound(kSoundButton);
      found = button->getTag();
    } else {
      button->showFaceState(0);
    }
  }
  return found;
}

void QMRTextBanner::touchEnded(int x, int y) {
  if (!shown_ || !buttonsEnabled_ || pressedButton_ == -1) return;
  const int pressed = pressedButton_;
  if (buttonAt(x, y) == pressed) {
    const unsigned before = serial_;
    gameHost().forwardButton(pressed);
    pressButtonAt(-1, -1);
    // The screen may already have moved the banner on (a resume shows the
    // next message itself); moving on again would skip a message.
    if (serial_ == before) showNextQueued();
  }
  for (QMRButton* button : buttons_) {
    if (button->getTag() == pressed) button->showFaceState(0);
  }
  pressedButton_ = -1;
}

void QMRTextBanner::touchMoved(int, int) {}

bool QMRTextBanner::showNextQueued() {
  if (!queue_.empty()) {
    const Entry next = queue_.front();
    queue_.pop_front();
    showMessageNow(next);
  } else {
    const bool was = shown_;
    hideAll();
    if (was) gameHost().notifyBannerHidden();
  }
  return shown_;
}

void QMRTextBanner::hideAll() {
  shown_ = false;
  openingPending_ = false;
  buttonsEnabled_ = false;
  pressedButton_ = -1;
  droppedReported_ = false;
  ++serial_;
  for (QMRButton* button : buttons_) button->hide();
}
