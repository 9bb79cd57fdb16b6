#include "game/menus/MainMenuSequence.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Random.h"
#include "game/host/GameHost.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/CNodeText.h"
#include "render_engine/COptionalNodeList.h"
#include "render_engine/CSprite.h"
#include "render_engine/GlStateCache.h"
#include "sound/AudioEngine.h"

using RenderEngine::CNode;

namespace {

enum SplashPhase { kStart = 0, kFadeIn = 1, kHold = 2, kIntro = 3, kDone = 4 };

constexpr int kIdleTag = 66;
constexpr int kFitTextTag = 481;
constexpr int kScoreTag = 477;
constexpr int kEmptiedTag = 478;
constexpr int kPercentTag = 479;
constexpr int kTotalsTagA = 404;
constexpr int kTotalsTagB = 405;
constexpr int kStarsOutOfTag = 528;
constexpr int kScoreOutOfTag = 500;
constexpr int kInfoNodeTag = 337;
constexpr int kEscape = 27;

constexpr int kHonourBoardSequence = 3;

}  // namespace

// --- life -------------------------------------------------------------------

MainMenuSequence::~MainMenuSequence() { unload(); }

void MainMenuSequence::showState(CNode* node, int state) {
  if (auto* b = dynamic_cast<RenderEngine::CButton*>(node)) b->showState(static_cast<std::int16_t>(state));
}

bool MainMenuSequence::load() {
  unload();
  // The logo is wider than the large-texture limit: load it anyway.
  const bool skipLarge = RenderEngine::CSprite::isSkipLargeTextures();
  if (skipLarge) RenderEngine::CSprite::setSkipLargeTextures(false);
  logoNode_ = new CNode();
  auto* sprite = new RenderEngine::CSprite(kLogoTexture);
  const int w = sprite->getWidth();
  const int h = sprite->getHeight();
  if (w > 0 && h > 0) sprite->setScale(480.0f / static_cast<float>(w), 320.0f / static_cast<float>(h), 1.0f);
  sprite->setPosition(240, 160, 0);
  logoNode_->addChild(sprite);
  if (skipLarge) RenderEngine::CSprite::setSkipLargeTextures(true);
  root_ = logoNode_;
  splashPhase_ = kStart;
  splashTimer_ = -1;
  // A menu loaded again starts over from its splash.
  firstShowPending_ = true;
  screen_ = 0;
  menuBroken_ = false;
  return true;
}

void MainMenuSequence::unload() {
  delete root_;
  // Before the build the root is the logo; after it the logo hangs in the tree.
  root_ = nullptr;
  logoNode_ = nullptr;
  screenList_ = nullptr;
  scenesBuilt_ = false;
  idleNode_ = nullptr;
  soundSlider_ = musicSlider_ = fullscreenOnButton_ = fullscreenOffButton_ = nullptr;
  mainButtons_.clear();
  mapButtons_.clear();
  levelButtons_.clear();
  optionItems_.clear();
  languageButtons_.clear();
  forgetTreeNodes();
}

// What was kept of the last tree between frames goes with it.
void MainMenuSequence::forgetTreeNodes() {
  pendingUnlocks_.clear();
  for (int& id : shownLevels_) id = 0;
}

void MainMenuSequence::unloadTextures() {
  if (root_ != nullptr) root_->unloadTextures();
  gameHost().mapHudUnloadTextures();
}

CNode* MainMenuSequence::findTag(int tag) const { return root_ != nullptr ? root_->findByTag(tag) : nullptr; }

void MainMenuSequence::hudHint(bool visible) { gameHost().mapHudShowHint(visible); }

// --- building ---------------------------------------------------------------

void MainMenuSequence::buildScenes() {
  ExportCNode::CNodeReader menuReader(kMenuScene);
  menuReader.setQuiet(true);
  CNode* menu = menuReader.read();
  if (!menuReader.getError().empty()) {
    std::fprintf(stderr, "ERROR: %s: %s; the menu stays on the logo\n", kMenuScene, menuReader.getError().c_str());
    delete menu;
    menuBroken_ = true;
    return;
  }
  if (screenListOf(menu) == nullptr) {
    buildScenesFrom(menu, nullptr);  // says so and keeps the logo
    return;
  }
  ExportCNode::CNodeReader helpReader(kHelpScene);
  buildScenesFrom(menu, helpReader.read());
}

RenderEngine::COptionalNodeList* MainMenuSequence::screenListOf(CNode* menuRoot) {
  auto* list = menuRoot != nullptr ? dynamic_cast<RenderEngine::COptionalNodeList*>(menuRoot->getChild(0)) : nullptr;
  return list != nullptr && list->getOptionCount() >= kScreenCount ? list : nullptr;
}

void MainMenuSequence::buildScenesFrom(CNode* menuRoot, CNode* helpRoot) {
  RenderEngine::COptionalNodeList* list = screenListOf(menuRoot);
  if (list == nullptr) {
    // Without its screens the menu cannot be shown or left: keep the logo.
    if (!menuBroken_) {
      std::fprintf(stderr, "ERROR: %s: the first child is no list of %d screens; the menu stays on the logo\n",
                   kMenuScene, kScreenCount);
    }
    menuBroken_ = true;
    delete menuRoot;
    delete helpRoot;
    return;
  }
  menuBroken_ = false;
  if (scenesBuilt_) {
    // A second build replaces the first tree, logo included.
    delete root_;
    root_ = nullptr;
    logoNode_ = nullptr;
    forgetTreeNodes();
  }
  screenList_ = list;
  if (logoNode_ != nullptr) {
    if (logoNode_ == root_) root_ = nullptr;
    list->addChild(logoNode_);
  }
  root_ = menuRoot;
  gameHost().skipNextFrame();

  if (helpRoot != nullptr && list->getChildCount() >= static_cast<std::size_t>(kScreenCount)) {
    list->addToOption(helpRoot, 2);
    if (CNode* info = list->getChild(3)) {
      if (CNode* n = info->findByTag(kInfoNodeTag)) n->setPosition(46, 51, 0);
    }
  } else {
    delete helpRoot;
  }

  scenesBuilt_ = true;
  CNode* idleParent = findTag(kIdleTag);
  idleNode_ = idleParent != nullptr ? idleParent->getChild(0) : nullptr;
  fillTotals();

  mainButtons_.clear();
  for (int tag : kMainButtonTags) {
    if (CNode* b = findTag(tag)) mainButtons_.push_back(b);
  }
  if (auto* fit = dynamic_cast<RenderEngine::CNodeText*>(findTag(kFitTextTag))) fit->setFitToRect(true);
  starTotal_ = LevelsManager::getInstance().getTotalStars();

  mapButtons_.assign(kMapCount, nullptr);
  for (int i = 0; i < kMapCount; ++i) mapButtons_[static_cast<std::size_t>(i)] = findTag(kMapButtonTags[i]);
  levelButtons_.assign(kLevelsPerMap, nullptr);
  for (int n = 1; n <= kLevelsPerMap; ++n) {
    levelButtons_[static_cast<std::size_t>(n - 1)] = findTag(n == 1 ? 376 : 451 + n);
  }
  writePageTexts();

  optionItems_.clear();
  for (int tag : kOptionItemTags) {
    if (CNode* item = findTag(tag)) optionItems_.push_back(item);
  }
  languageButtons_.clear();
  for (int tag : kLanguageTags) {
    if (CNode* b = findTag(tag)) languageButtons_.push_back(b);
  }
  fullscreenOnButton_ = findTag(kFullscreenOnTag);
  fullscreenOffButton_ = findTag(kFullscreenOffTag);
  soundSlider_ = findTag(kSoundKnobTag);
  musicSlider_ = findTag(kMusicKnobTag);

  applyVolumeOption();
  holdTimer_ = 0;
  setTextByTag(kStarsOutOfTag, "/75");
  setTextByTag(kScoreOutOfTag, "/600");
  setTextByTag(kEmptiedTag, "");
  for (CNode* b : mainButtons_) b->setColor(0, 0, 0, 0);
  mapHudShown_ = false;
  touchHeld_ = false;
}

void MainMenuSequence::setTextByTag(int tag, const char* text) {
  if (root_ == nullptr) return;
  RenderEngine::NodeList nodes;
  root_->collectByTag(nodes, tag);
  for (CNode* n : nodes) {
    if (auto* t = dynamic_cast<RenderEngine::CNodeText*>(n)) t->setText(text);
  }
}

int MainMenuSequence::completionPercent(int progressRecordCount, int earnedProgressCount, int completedLevels,
                                        int realLevelCount) {
  float share = 0.0f;
  if (realLevelCount > 0) {
    share = std::ceil(static_cast<float>(100 - progressRecordCount) * static_cast<float>(completedLevels) /
                      static_cast<float>(realLevelCount));
  }
  return static_cast<int>(static_cast<float>(earnedProgressCount) + share);
}

void MainMenuSequence::fillTotals() {
  const LevelsManager& levels = LevelsManager::getInstance();
  const QMRAchievementManager& achievements = QMRAchievementManager::getInstance();
  std::snprintf(scoreText_, sizeof scoreText_, "%d", levels.scoreTotal());
  setTextByTag(kScoreTag, scoreText_);
  const int percent = completionPercent(achievements.progressRecordCount(), achievements.earnedProgressCount(),
                                        levels.completedCount2(), levels.realLevelCount());
  // A text node shows "%%" as one percent sign.
  std::snprintf(percentText_, sizeof percentText_, "%d%%%%", percent);
  setTextByTag(kPercentTag, percentText_);
  if (root_ != nullptr) {
    root_->setVisibleByTag(true, kTotalsTagA);
    root_->setVisibleByTag(true, kTotalsTagB);
  }
}

void MainMenuSequence::refreshStaticTexts() {
  fillTotals();
  setTextByTag(kStarsOutOfTag, "/75");
  setTextByTag(kScoreOutOfTag, "/600");
  setTextByTag(kEmptiedTag, "");
  writePageTexts();
}

// --- screens ----------------------------------------------------------------

void MainMenuSequence::showScreen(int n) {
  if (n < 0 || n >= kScreenCount) return;
  // A level page needs a map: without one, the map choice.
  if (n == 6 && (mapIndex_ < 0 || mapIndex_ >= kMapCount)) n = 5;
  // Without its scenes the menu has only the logo to show.
  if (menuBroken_) n = 0;
  if (n != 0) gameHost().setCursorMode(1);
  firstShowPending_ = false;
  screen_ = n;
  if (scenesBuilt_) {
    screenList_->showFrame(n);
    if (n < 2) {
      screenList_->playAnimationRecursive(n == 0 ? 1 : -1);
      screenList_->stopAnimation();
      screenList_->showFrame(n);
    } else {
      screenList_->stopAnimationRecursive();
    }
  }
  pageWidth_ = 480;
  pageHeight_ = 320;
  if (idleNode_ != nullptr) {
    idleNode_->stopAnimationRecursive();
    idleNode_->showFrame(1);
    idleAnimating_ = false;
  }
  mapHudShown_ = false;
  switch (n) {
    case 1:
      fillTotals();
      if (screenList_ != nullptr && logoNode_ != nullptr) {
        screenList_->deleteChild(logoNode_);
        logoNode_ = nullptr;
      }
      break;
    case 2:
      hudHint(true);
      mapHudShown_ = true;
      pageWidth_ = 835;
      pageHeight_ = 570;
      break;
    case 3:
      hudHint(false);
      mapHudShown_ = true;
      break;
    case 4:
      for (CNode* item : optionItems_) {
        item->stopAnimationRecursive();
        showState(item, 0);
      }
      updateLanguageButtons();
      hudHint(false);
      mapHudShown_ = true;
      break;
    case 5:
      showMapChoice();
      break;
    case 6:
      showLevelPage();
      break;
    default:
      break;
  }
  if (n < 2) LevelsManager::getInstance();
  // Steps below may run again from inside this update (the splash moves on
  // at once when nothing animates); each of them leaves the same state.
  const int shown = screen_;
  update(0);
  if (screen_ != shown) return;
  dragX_ = dragY_ = -1;
  setScroll(0, 0);
  for (CNode* b : mainButtons_) showState(b, 0);
  // At the player's music volume (0 stays silent).
  if (n > 0) gameHost().playMusic(kMenuMusic, true);
  showTarnwellChannel(n == 1, 200, 285);
}

void MainMenuSequence::enter() {
  introPlaying_ = false;
  fillTotals();
  if (!firstShowPending_) showScreen(1);
  refreshStaticTexts();
  gameHost().playMusic(kMenuMusic, true);
}

void MainMenuSequence::leave() { showTarnwellChannel(false, 200, 285); }

// --- frame ------------------------------------------------------------------

void MainMenuSequence::update(int ms) {
  if (firstShowPending_) showScreen(0);
  if (introPlaying_ && !gameHost().isVideoPlaying()) {
    introPlaying_ = false;
    gameHost().stopVideo();
    gameHost().startLevel(levelId_);
  }
  if (root_ != nullptr) root_->update(ms);
  switch (screen_) {
    case 0:
      if (splashTimer_ > 0) splashTimer_ = ms >= splashTimer_ ? 0 : splashTimer_ - (ms > 0 ? ms : 0);
      runSplash();
      break;
    case 1: updateIdleAnimation(ms); break;
    case 4: repeatVolumeButton(ms); break;
    case 5: finishMapUnlocks(); break;
    default: break;
  }
  if (mapHudShown_) gameHost().mapHudUpdate(ms);
}

void MainMenuSequence::runSplash() {
  switch (splashPhase_) {
    case kStart:
      splashTimer_ = kFadeMs;
      splashPhase_ = kFadeIn;
      break;
    case kFadeIn:
      if (root_ != nullptr) {
        root_->setColor(255, 255, 255,
                        (1.0f - static_cast<float>(splashTimer_) / static_cast<float>(kFadeMs)) * 255.0f);
      }
      if (splashTimer_ == 0) {
        splashTimer_ = kHoldMs;
        splashPhase_ = kHold;
      }
      break;
    case kHold:
      if (splashTimer_ != 0) break;
      if (!scenesBuilt_ && !menuBroken_) buildScenes();
      if (!scenesBuilt_) break;  // a broken menu: the logo stays
      splashPhase_ = kIntro;
      showScreen(0);
      QMRAchievementManager::getInstance().reportEarned();
      break;
    case kIntro:
      if (root_ != nullptr && !root_->isAnimating()) {
        splashPhase_ = kDone;
        showScreen(1);
      }
      break;
    default:
      break;
  }
}

void MainMenuSequence::draw() {
  if (screen_ == 0) {
    glColor4f(1, 1, 1, 1);
    RenderEngine::drawSolidRect(0, 0, 960, 640);
    glColor4f(0, 0, 0, 1);
  }
  if (introPlaying_) {
    glColor4f(0, 0, 0, 1);
    RenderEngine::drawSolidRect(0, 0, 960, 640);
    return;
  }
  if (root_ != nullptr) root_->draw(true, true);
  if (mapHudShown_) gameHost().mapHudDraw();
}

void MainMenuSequence::updateIdleAnimation(int ms) {
  if (idleNode_ == nullptr) return;
  if (idleAnimating_) {
    if (!idleNode_->isAnimating()) {
      idleNode_->stopAnimationRecursive();
      idleNode_->showFrame(0);
      idleAnimating_ = false;
    }
    return;
  }
  idleTimer_ -= ms;
  if (idleTimer_ >= 1) return;
  idleTimer_ = randomNext() % 10000 + 5000;
  idleNode_->playAnimationRecursive(1);
  idleNode_->stopAnimation();
  idleNode_->showFrame(1);
  idleAnimating_ = true;
}

// --- scrolling --------------------------------------------------------------

void MainMenuSequence::setScroll(int x, int y) {
  scrollX_ = -x;
  scrollY_ = -y;
  clampScroll();
}

void MainMenuSequence::scrollBy(int dx, int dy) {
  if (screen_ != 4) {
    scrollX_ += dx;
    scrollY_ += dy;
  }
  clampScroll();
}

void MainMenuSequence::clampScroll() {
  if (scrollX_ > 0) scrollX_ = 0;
  if (scrollX_ < 480 - pageWidth_) scrollX_ = 480 - pageWidth_;
  if (scrollY_ > 0) scrollY_ = 0;
  if (scrollY_ < 320 - pageHeight_) scrollY_ = 320 - pageHeight_;
  if (root_ != nullptr) root_->setPosition(static_cast<float>(scrollX_), static_cast<float>(scrollY_), 0);
}

// --- touches ----------------------------------------------------------------

void MainMenuSequence::touchBegan(int x, int y) {
  if (screen_ == 0) return;
  touchHeld_ = true;
  if (mapHudShown_ && gameHost().mapHudPress(x, y)) {
    gameHost().playSound(kClickSound);
    return;
  }
  switch (screen_) {
    case 1: mainTouchBegan(x, y); break;
    case 2:
      dragX_ = x;
      dragY_ = y;
      break;
    case 4: optionsTouchBegan(x, y); break;
    case 5:
    case 6: pageTouchBegan(x, y); break;
    default: break;
  }
}

void MainMenuSequence::touchMoved(int x, int y) {
  if (screen_ == 0 || dragX_ == -1) return;
  if (screen_ == 4) dragVolumeSlider(x, y);
  scrollBy(x - dragX_, y - dragY_);
  dragX_ = x;
  dragY_ = y;
}

void MainMenuSequence::touchEnded(int x, int y) {
  if (screen_ == 0) return;
  touchHeld_ = false;
  gameHost().mapHudHighlight(false);
  if (dragX_ != -1 && screen_ != 4) {
    scrollBy(x - dragX_, y - dragY_);
    dragX_ = dragY_ = -1;
    return;
  }
  if (mapHudShown_ && gameHost().mapHudButtonAt(x, y) == kBackButton) {
    if (screen_ == 4) {
      closeOptions(false);
      showScreen(1);
    } else if (screen_ == 6) {
      showScreen(5);
    } else {
      showScreen(1);
    }
    return;
  }
  switch (screen_) {
    case 1: mainTouchEnded(x, y); break;
    case 4: optionsTouchEnded(x, y); break;
    case 5:
    case 6: pageTouchEnded(x, y); break;
    default: break;
  }
}

void MainMenuSequence::keyPressed(char key, int, int) {
  if (key != kEscape || screen_ == 0 || screen_ == 1) return;
  if (screen_ == 4) closeOptions(false);
  showScreen(1);
}

namespace {
// A point in whole numbers, held within reach of an int whatever the scene.
int wholePoint(float v) {
  if (!(v > -1.0e8f)) return -100000000;
  if (v > 1.0e8f) return 100000000;
  return static_cast<int>(v);
}
}  // namespace

// The main page's own space: the list's and the page's offsets and scale.
void MainMenuSequence::mainPoint(int& x, int& y) const {
  if (screenList_ == nullptr) return;
  CNode* page = screenList_->getChild(1);
  if (page == nullptr) return;
  const RenderEngine::Vector3& scale = page->getScale();
  const float sx = scale.x != 0.0f ? scale.x : 1.0f;
  const float sy = scale.y != 0.0f ? scale.y : 1.0f;
  int px = wholePoint(static_cast<float>(x) / sx);
  int py = wholePoint(static_cast<float>(y) / sy);
  px = wholePoint(static_cast<float>(px) - screenList_->getPosition().x);
  py = wholePoint(static_cast<float>(py) - screenList_->getPosition().y);
  x = wholePoint(static_cast<float>(px) - page->getPosition().x);
  y = wholePoint(static_cast<float>(py) - page->getPosition().y);
}

void MainMenuSequence::mainTouchBegan(int x, int y) {
  mainPoint(x, y);
  for (CNode* b : mainButtons_) showState(b, 0);
  for (CNode* b : mainButtons_) {
    if (!b->containsPoint(x, y)) continue;
    pressedTag_ = b->getTag();
    showState(b, 1);
    gameHost().playSound(kClickSound);
  }
}

void MainMenuSequence::mainTouchEnded(int x, int y) {
  mainPoint(x, y);
  for (CNode* b : mainButtons_) showState(b, 0);
  for (CNode* b : mainButtons_) {
    if (b->getTag() != pressedTag_ || !b->containsPoint(x, y)) continue;
    switch (b->getTag()) {
      case 425: showScreen(5); break;
      case 426: showScreen(2); break;
      case 427: showScreen(3); break;
      case 428: gameHost().switchToSequence(kHonourBoardSequence); break;
      case 429: showScreen(4); break;
      case 430: gameHost().quit(); break;
      default: break;
    }
    return;
  }
}
