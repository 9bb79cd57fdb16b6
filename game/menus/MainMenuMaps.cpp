// The map pages of the main menu: the map choice (maps opened by the star
// total) and the level page of one map.
#include <cstdio>
#include <string>

#include "app/StringUtils.h"
#include "game/host/GameHost.h"
#include "game/menus/MainMenuSequence.h"
#include "game/progress/LevelsManager.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeText.h"

static_assert(MainMenuSequence::kLevelsPerMap == LevelsManager::kLevelsPerPage &&
              MainMenuSequence::kMapCount == LevelsManager::kPagedMaps);

using RenderEngine::CNode;

namespace {

constexpr int kStarTotalTag = 501;
constexpr int kMapPictureTag = 370;
constexpr int kPageTitleTag = 530;
constexpr int kMapStarsTag = 529;
constexpr int kDoneTag = 374;
constexpr int kMedalTag = 424;
constexpr int kFirstMapButton = 452;
constexpr int kFirstLevelButton = 376;
constexpr int kMapNameBank = 7;

int stateOf(CNode* node) {
  auto* b = dynamic_cast<RenderEngine::CButton*>(node);
  return b != nullptr ? b->getState() : 0;
}

void setTextId(CNode* node, int textId) {
  if (auto* t = dynamic_cast<RenderEngine::CNodeText*>(node)) t->setTextId(static_cast<std::uint32_t>(textId));
}

// The number texts of the level buttons, in button order.
int levelNumberTag(int n) {
  if (n == 1) return 512;
  if (n <= 10) return 501 + n;  // 503 to 511
  return 502 + n;               // 513 to 527
}

int levelButtonTag(int n) { return n == 1 ? kFirstLevelButton : 451 + n; }

bool mapHasLevels(int mapIndex) { return !LevelsManager::getInstance().getMap(mapIndex + 1).levels.empty(); }

}  // namespace

bool MainMenuSequence::mapOpensAt(int mapIndex, int stars, bool hasLevels) {
  if (!hasLevels || mapIndex < 0 || mapIndex >= kMapCount) return false;
  return kMapStarsNeeded[mapIndex] <= stars;
}

int MainMenuSequence::mapButtonIndex() const {
  for (int i = 0; i < kMapCount; ++i) {
    if (kMapButtonTags[i] == pressedTag_) return i;
  }
  return -1;
}

int MainMenuSequence::levelButtonIndex() const {
  for (int n = 1; n <= kLevelsPerMap; ++n) {
    if (levelButtonTag(n) == pressedTag_) return n;
  }
  return -1;
}

int MainMenuSequence::getShownLevelId(int n) const {
  if (n < 1 || n > kLevelsPerMap) return -1;
  const int id = shownLevels_[n - 1];
  return id != 0 ? id : -1;
}

void MainMenuSequence::writePageTexts() {
  for (int i = 1; i < kMapCount; ++i) {
    setTextByTag(kMapStarTextTags[i - 1], toString(kMapStarsNeeded[i]).c_str());
  }
  for (int n = 1; n <= kLevelsPerMap; ++n) setTextByTag(levelNumberTag(n), toString(n).c_str());
}

void MainMenuSequence::showMapChoice() {
  pendingUnlocks_.clear();
  const int total = LevelsManager::getInstance().getTotalStars();
  setTextByTag(kStarTotalTag, toString(total).c_str());
  const bool changed = starTotal_ != total;
  CNode* unlockNode = nullptr;
  for (int i = 0; i < kMapCount && i < static_cast<int>(mapButtons_.size()); ++i) {
    setTextId(findTag(kMapNameTags[i]), (kMapNameBank << 16) + i);
    CNode* button = mapButtons_[static_cast<std::size_t>(i)];
    if (button == nullptr) continue;
    button->stopAnimationRecursive();
    showState(button, 0);
    if (i == 0) continue;
    const bool hasLevels = mapHasLevels(i);
    if (mapOpensAt(i, starTotal_, hasLevels)) {
      showState(button, 1);
    } else if (changed && mapOpensAt(i, total, hasLevels)) {
      // Opened since the last visit: it opens when its animation ends.
      CNode* node = button->getChild(0);
      if (node != nullptr && node->getChildCount() > 0) node = node->getChild(0);
      if (node != nullptr) unlockNode = node;
      pendingUnlocks_.push_back(button);
    }
  }
  starTotal_ = total;
  hudHint(false);
  mapHudShown_ = true;
  pageWidth_ = 480;
  pageHeight_ = 498;
  if (unlockNode != nullptr) {
    unlockNode->playAnimationRecursive(1);
    gameHost().playSound(kUnlockSound);
  }
}

void MainMenuSequence::finishMapUnlocks() {
  for (auto it = pendingUnlocks_.begin(); it != pendingUnlocks_.end();) {
    if ((*it)->isAnimating()) {
      ++it;
      continue;
    }
    showState(*it, 1);
    it = pendingUnlocks_.erase(it);
  }
}

void MainMenuSequence::showLevelPage() {
  if (CNode* picture = findTag(kMapPictureTag)) {
    picture->stopAnimationRecursive();
    picture->showFrame(mapIndex_);
  }
  buildMapPage();
  hudHint(false);
  mapHudShown_ = true;
  pageWidth_ = 480;
  pageHeight_ = 498;
}

void MainMenuSequence::buildMapPage() {
  for (int& id : shownLevels_) id = 0;
  if (mapIndex_ < 0 || mapIndex_ >= kMapCount) return;
  LevelsManager& levels = LevelsManager::getInstance();
  const int mapId = mapIndex_ + 1;
  levels.unlockLevels(mapId);
  setTextId(findTag(kPageTitleTag), (kMapNameBank << 16) + mapIndex_);
  setTextByTag(kMapStarsTag, toString(levels.getMapStars(mapId)).c_str());

  const std::vector<LevelRecord*>& list = levels.getMap(mapId).levels;
  if (warnedMaps_.insert(mapId).second) levels.warnAboutPageLayout(mapId);
  for (int n = 1; n <= kLevelsPerMap && n <= static_cast<int>(levelButtons_.size()); ++n) {
    CNode* button = levelButtons_[static_cast<std::size_t>(n - 1)];
    if (button == nullptr) continue;
    button->stopAnimationRecursive();
    if (n > static_cast<int>(list.size())) {
      showState(button, 0);  // no level behind this button
      continue;
    }
    const LevelRecord& level = *list[static_cast<std::size_t>(n - 1)];
    shownLevels_[n - 1] = level.id;
    if (!level.unlocked) {
      showState(button, 0);
      continue;
    }
    showState(button, 1);
    CNode* done = button->findVisibleByTag(kDoneTag);
    if (done == nullptr) continue;
    if (CNode* parent = done->getParent(); parent != nullptr && done->getChildCount() == 2) {
      for (CNode* child : parent->getChildren()) child->showFrame(level.completed ? 1 : 0);
    }
    // The medal is looked for whatever the indicator holds.
    if (!level.completed) continue;
    CNode* medal = done->findVisibleByTag(kMedalTag);
    if (medal == nullptr || medal->getChildCount() != 9) continue;
    medal->setPosition(-2, 3, 0);
    for (int c : {0, 1, 3}) medal->getChild(c)->setColor(0, 0, 0, 102);
    medal->showFrame(level.medal == 3 ? 2 : level.medal == 2 ? 1 : 0);
  }
}

void MainMenuSequence::pageTouchBegan(int x, int y) {
  const std::vector<CNode*>& buttons = screen_ == 5 ? mapButtons_ : levelButtons_;
  for (CNode* b : buttons) {
    if (b == nullptr || !b->containsPoint(x, y + kPageHitOffsetY)) continue;
    pressedTag_ = b->getTag();
    gameHost().playSound(kClickSound);
  }
}

void MainMenuSequence::pageTouchEnded(int x, int y) {
  const int hy = y + kPageHitOffsetY;
  if (screen_ == 5) {
    for (std::size_t i = 0; i < mapButtons_.size(); ++i) {
      CNode* b = mapButtons_[i];
      if (b == nullptr || b->getTag() != pressedTag_ || !b->containsPoint(x, hy)) continue;
      if (b->getTag() != kFirstMapButton && stateOf(b) == 0) continue;
      const int index = mapButtonIndex();
      // A map without levels stays shut, the first one too.
      if (index != -1 && !mapHasLevels(index)) continue;
      mapIndex_ = index;
      if (mapIndex_ != -1) showScreen(6);
      return;
    }
    return;
  }
  for (CNode* b : levelButtons_) {
    if (b == nullptr || b->getTag() != pressedTag_ || !b->containsPoint(x, hy)) continue;
    if (b->getTag() != kFirstLevelButton && stateOf(b) == 0) continue;
    const int n = levelButtonIndex();
    if (n != -1) chooseLevel(n);
    return;
  }
}

void MainMenuSequence::chooseLevel(int n) {
  const int shown = getShownLevelId(n);
  if (shown == -1) return;  // no level behind the button
  levelId_ = mapIndex_ * kLevelsPerMap + n;
  if (levelId_ != shown) {
    // The design file breaks the page's layout: start what the button shows.
    std::printf("WARNING: button %d of map %d shows level %d, not %d; starting level %d\n", n, mapIndex_ + 1, shown,
                levelId_, shown);
    levelId_ = shown;
  }
  if (levelId_ == 1) {
    gameHost().playVideo("INTRO.m4v", "movie0");
    introPlaying_ = true;
    return;
  }
  gameHost().startLevel(levelId_);
}
