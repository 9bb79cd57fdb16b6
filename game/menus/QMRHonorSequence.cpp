#include "game/menus/QMRHonorSequence.h"

#include <cstdio>

#include "app/Options.h"
#include "game/host/GameHost.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/CNodeText.h"

using RenderEngine::CNode;

namespace {

void setNodeText(CNode* node, const char* text) {
  if (auto* t = dynamic_cast<RenderEngine::CNodeText*>(node)) t->setText(text);
}
void setNodeTextId(CNode* node, int textId) {
  if (auto* t = dynamic_cast<RenderEngine::CNodeText*>(node)) t->setTextId(static_cast<std::uint32_t>(textId));
}
void setTextByTag(CNode* scene, int tag, const char* text) {
  RenderEngine::NodeList nodes;
  scene->collectByTag(nodes, tag);
  for (CNode* n : nodes) setNodeText(n, text);
}
void showButtonState(CNode* node, int state) {
  if (auto* b = dynamic_cast<RenderEngine::CButton*>(node)) {
    b->showState(static_cast<std::int16_t>(state));
  } else if (node != nullptr) {
    node->showFrame(state);
  }
}

}  // namespace

QMRHonorSequence::~QMRHonorSequence() { unload(); }

int QMRHonorSequence::rowTag(int row) {
  switch (row) {
    case 1: return 545;
    case 2: return 543;
    case 3: return 544;
    default: return 542 + row;
  }
}

int QMRHonorSequence::completionPercent(int progressRecordCount, int completedLevels, int realLevelCount,
                                        int earnedProgressCount) {
  if (realLevelCount <= 0) return 0;
  const long long levelsShare = (100LL - progressRecordCount) * completedLevels / realLevelCount;
  return static_cast<int>(levelsShare + earnedProgressCount);
}

bool QMRHonorSequence::load() {
  ExportCNode::CNodeReader reader(kSceneName);
  return loadFrom(reader.read());
}

bool QMRHonorSequence::loadFrom(CNode* scene) {
  unload();
  scene_ = scene != nullptr ? scene : new CNode();
  scene_->setVisible(true);
  setTextByTag(scene_, kPercentTag, texts_[4]);
  titleNode_ = scene_->findByTag(kTitleTag);
  descriptionNode_ = scene_->findByTag(kDescriptionTag);
  setCaption(kDefaultTitleText, kDefaultCaptionText);
  rows_.clear();
  for (int n = 1; n <= kRowCount; ++n) {
    HonorRow row;
    row.node = scene_->findByTag(rowTag(n));
    row.titleTextId = 20 + n;
    row.descriptionTextId = n;
    rows_.push_back(row);
  }
  setEarnedTexts();
  shown_ = false;
  noRowOpen_ = true;
  return true;
}

void QMRHonorSequence::unload() {
  delete scene_;
  scene_ = nullptr;
  titleNode_ = nullptr;
  descriptionNode_ = nullptr;
  rows_.clear();
}

void QMRHonorSequence::setCaption(int titleTextId, int descriptionTextId) {
  setNodeTextId(titleNode_, titleTextId);
  setNodeTextId(descriptionNode_, descriptionTextId);
}

void QMRHonorSequence::setEarnedTexts() {
  if (scene_ == nullptr) return;
  std::snprintf(earnedText_, sizeof earnedText_, "%d", QMRAchievementManager::getInstance().earnedCount());
  setNodeText(scene_->findByTag(kEarnedCountTag), earnedText_);
  setNodeText(scene_->findByTag(kOutOfTag), "/20");
}

void QMRHonorSequence::fillTotals() {
  const LevelsManager& levels = LevelsManager::getInstance();
  const QMRAchievementManager& achievements = QMRAchievementManager::getInstance();
  std::snprintf(texts_[0], kBufferSize, "%d", levels.bronzeTotal());
  std::snprintf(texts_[1], kBufferSize, "%d", levels.silverTotal());
  std::snprintf(texts_[2], kBufferSize, "%d", levels.goldTotal());
  std::snprintf(texts_[3], kBufferSize, "%d", levels.scoreTotal());
  const int percent = completionPercent(achievements.progressRecordCount(), levels.completedCount2(),
                                        levels.realLevelCount(), achievements.earnedProgressCount());
  std::snprintf(texts_[4], kBufferSize, "%d%%", percent);
  if (scene_ == nullptr) return;
  // A text node keeps a copy: give it the fresh figure each time.
  setTextByTag(scene_, kPercentTag, texts_[4]);
  scene_->setVisibleByTag(true, kTotalsTagA);
  scene_->setVisibleByTag(true, kTotalsTagB);
}

void QMRHonorSequence::closeOpenRows() {
  for (HonorRow& row : rows_) {
    if (row.open) toggleRow(row);
    row.pending = false;
  }
  noRowOpen_ = true;
}

void QMRHonorSequence::enter() {
  gameHost().setCursorMode(1);
  fillTotals();
  gameHost().mapHudShowHint(false);
  shown_ = true;
  closeOpenRows();
  const QMRAchievementManager& achievements = QMRAchievementManager::getInstance();
  for (int n = 1; n <= static_cast<int>(rows_.size()); ++n) {
    HonorRow& row = rows_[static_cast<std::size_t>(n - 1)];
    row.earned = achievements.isEarnedById(n);
    CNode* medals = row.node != nullptr ? row.node->getChild(0) : nullptr;
    if (medals != nullptr) medals->showFrame(row.earned ? 1 : 0);
  }
  setEarnedTexts();
}

void QMRHonorSequence::leave() { showTarnwellChannel(false, 200, 285); }

void QMRHonorSequence::unloadTextures() {
  if (scene_ != nullptr) scene_->unloadTextures();
  gameHost().mapHudUnloadTextures();
}

void QMRHonorSequence::update(int ms) {
  if (scene_ != nullptr) scene_->update(ms);
  if (shown_) gameHost().mapHudUpdate(ms);
}

void QMRHonorSequence::draw() {
  if (scene_ != nullptr) scene_->draw(true, true);
  if (shown_) gameHost().mapHudDraw();
}

void QMRHonorSequence::touchBegan(int x, int y) {
  if (shown_ && gameHost().mapHudPress(x, y)) gameHost().playSound(kClickSound);
}

void QMRHonorSequence::touchEnded(int x, int y) {
  gameHost().mapHudHighlight(false);
  if (shown_ && gameHost().mapHudButtonAt(x, y) == kBackButton) gameHost().switchToSequence(kMenuSequence);
}

void QMRHonorSequence::toggleRow(HonorRow& row) {
  const bool wasOpen = row.open;
  CNode* medals = row.node != nullptr ? row.node->getChild(0) : nullptr;
  if (medals != nullptr && medals->getChildCount() == 2) {
    CNode* medal = medals->getChild(row.earned ? 1 : 0);
    if (!wasOpen) {
      setCaption(row.titleTextId, row.descriptionTextId);
      showButtonState(medal, 1);
    } else {
      setCaption(kDefaultTitleText, kDefaultCaptionText);
      showButtonState(medal, 0);
    }
  }
  // A row that closes frees the board, whatever its shape.
  if (wasOpen) noRowOpen_ = true;
  row.open = !row.open;
  row.pending = false;
}

void QMRHonorSequence::touchHover(int x, int y) {
  if (x != -1) {
    hoverX_ = x;
    hoverY_ = y;
  }
  HonorRow* pending = nullptr;
  for (HonorRow& row : rows_) {
    if (row.node == nullptr) continue;
    const bool inside = row.node->containsPoint(x, y);
    if ((!inside && row.open) || (inside && !row.open && noRowOpen_)) {
      row.pending = true;
      noRowOpen_ = false;
      pending = &row;
      break;
    }
  }
  if (pending != nullptr && !noRowOpen_) toggleRow(*pending);
}
