#pragma once
// Sequence 1: the main menu. A splash (the game's logo fading in, then the
// menu's intro animation), the main screen with its six buttons, the help page
// scrolled by dragging, the information page, the options page (sound and
// music sliders, full screen, five languages), the map choice and the level
// page of a map. Every screen is an option of the screen list, the first child
// of "main-menu.bin"; the help page comes from "help.bin". The map HUD's back
// button leads out of the inner pages.
//
// Screens: 0 splash, 1 main, 2 help, 3 info, 4 options, 5 map choice, 6 level page.
// The flow of the screens is in MainMenuSequence.cpp, the options page in
// MainMenuOptions.cpp, the map choice and the level pages in MainMenuMaps.cpp.
#include <cstdint>
#include <list>
#include <set>
#include <vector>

#include "game/host/QMRGameSequenceInterface.h"
#include "render_engine/CNode.h"

namespace RenderEngine {
class COptionalNodeList;
}

class MainMenuSequence : public QMRGameSequenceInterface {
 public:
  static constexpr const char* kMenuScene = "main-menu.bin";
  static constexpr const char* kHelpScene = "help.bin";
  static constexpr const char* kLogoTexture = "logo_quillmoor";
  static constexpr int kScreenCount = 7;
  static constexpr int kFadeMs = 500;
  static constexpr int kHoldMs = 2000;
  static constexpr int kRepeatMs = 201;
  static constexpr int kClickSound = 5;
  static constexpr int kUnlockSound = 16;
  static constexpr std::uint32_t kMenuMusic = 46;
  static constexpr int kBackButton = 209;
  static constexpr int kHintTag = 207;
  static constexpr int kSoundKnobTag = 435;
  static constexpr int kMusicKnobTag = 436;
  static constexpr int kOkTag = 437;
  static constexpr int kFullscreenOnTag = 438;
  static constexpr int kFullscreenOffTag = 439;
  static constexpr int kSoundKnobBase = 177;
  static constexpr int kMusicKnobBase = 181;
  static constexpr int kKnobStep = 16;
  static constexpr int kMapCount = 8;
  static constexpr int kLevelsPerMap = 25;
  static constexpr int kPageHitOffsetY = 27;
  static constexpr int kMainButtonTags[6] = {425, 426, 427, 428, 429, 430};
  static constexpr int kOptionItemTags[7] = {434, 433, 432, 431, 435, 436, 437};
  static constexpr int kLanguageTags[5] = {440, 441, 442, 443, 444};
  static constexpr const char* kLanguageCodes[5] = {"en", "fr", "it", "de", "es"};
  static constexpr int kMapButtonTags[kMapCount] = {452, 451, 450, 449, 448, 447, 446, 445};
  static constexpr int kMapNameTags[kMapCount] = {499, 498, 496, 494, 357, 491, 489, 487};
  static constexpr int kMapStarTextTags[kMapCount - 1] = {497, 495, 493, 492, 490, 488, 486};
  static constexpr int kMapStarsNeeded[kMapCount] = {0, 50, 100, 160, 230, 310, 380, 460};

  MainMenuSequence() = default;
  ~MainMenuSequence() override;
  MainMenuSequence(const MainMenuSequence&) = delete;
  MainMenuSequence& operator=(const MainMenuSequence&) = delete;

  bool load() override;
  void unload() override;
  void update(int ms) override;
  void draw() override;
  void enter() override;
  void leave() override;
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override;
  void touchBegan(int x, int y) override;
  void touchMoved(int x, int y) override;
  void touchEnded(int x, int y) override;
  void touchHover(int, int) override {}
  void keyPressed(char key, int x, int y) override;

  void showScreen(int screen);
  int getScreen() const { return screen_; }

  // Reads both scene files and builds the menu on them.
  void buildScenes();
  // The same over scenes already read (both taken; either may be null).
  void buildScenesFrom(RenderEngine::CNode* menuRoot, RenderEngine::CNode* helpRoot);
  void fillTotals();
  void refreshStaticTexts();
  void setTextByTag(int tag, const char* text);

  void setScroll(int x, int y);
  void scrollBy(int dx, int dy);
  void clampScroll();

  void applyVolumeOption();
  void updateLanguageButtons();
  void stepVolumeSlider(int option, int delta);
  void dragVolumeSlider(int x, int y);
  void repeatVolumeButton(int ms);
  void closeOptions(bool confirm);
  void updateIdleAnimation(int ms);

  int mapButtonIndex() const;
  int levelButtonIndex() const;
  void buildMapPage();
  void forgetTreeNodes();
  void finishMapUnlocks();

  // The completion in percent: each achievement that counts for progress is
  // one point, the completed levels share the rest. No levels: no share.
  static int completionPercent(int progressRecordCount, int earnedProgressCount, int completedLevels,
                               int realLevelCount);
  // Whether a map opens at this total (a map without levels never does).
  static bool mapOpensAt(int mapIndex, int stars, bool hasLevels);
  // A volume from the options: value / max, 0.5 when the pair makes no sense,
  // else kept within [0, 1].
  static float volumeFromOption(int value, int max);

  // For tests and tools.
  RenderEngine::CNode* getRoot() const { return root_; }
  RenderEngine::COptionalNodeList* getScreenList() const { return screenList_; }
  bool areScenesBuilt() const { return scenesBuilt_; }
  bool isMenuBroken() const { return menuBroken_; }
  int getSplashPhase() const { return splashPhase_; }
  int getSplashTimer() const { return splashTimer_; }
  int getPressedTag() const { return pressedTag_; }
  int getMapIndex() const { return mapIndex_; }
  int getLevelId() const { return levelId_; }
  int getStarTotal() const { return starTotal_; }
  bool isIntroPlaying() const { return introPlaying_; }
  bool isMapHudShown() const { return mapHudShown_; }
  int getScrollX() const { return scrollX_; }
  int getScrollY() const { return scrollY_; }
  const char* getScoreText() const { return scoreText_; }
  const char* getPercentText() const { return percentText_; }
  const std::list<RenderEngine::CNode*>& getPendingUnlocks() const { return pendingUnlocks_; }
  const std::vector<RenderEngine::CNode*>& getMapButtons() const { return mapButtons_; }
  const std::vector<RenderEngine::CNode*>& getLevelButtons() const { return levelButtons_; }
  RenderEngine::CNode* getSoundKnob() const { return soundSlider_; }
  RenderEngine::CNode* getMusicKnob() const { return musicSlider_; }
  // The level id button n (1 to 25) of the current page starts; -1 for none.
  int getShownLevelId(int n) const;

 private:
  // A button's state; nodes of other kinds are left as they are.
  static void showState(RenderEngine::CNode* node, int state);
  // The first child of the menu's root when it is a list of the seven screens.
  static RenderEngine::COptionalNodeList* screenListOf(RenderEngine::CNode* menuRoot);
  void runSplash();
  RenderEngine::CNode* findTag(int tag) const;
  void mainPoint(int& x, int& y) const;
  void mainTouchBegan(int x, int y);
  void mainTouchEnded(int x, int y);
  void optionsTouchBegan(int x, int y);
  void optionsTouchEnded(int x, int y);
  void pageTouchBegan(int x, int y);
  void pageTouchEnded(int x, int y);
  void showMapChoice();
  void showLevelPage();
  void chooseLevel(int n);
  void writePageTexts();
  void setKnob(RenderEngine::CNode* knob, int base, int value, int max);
  RenderEngine::CNode* knobOf(int option) const;
  RenderEngine::CNode* optionItem(int tag) const;
  void hudHint(bool visible);

  RenderEngine::CNode* root_ = nullptr;
  RenderEngine::CNode* logoNode_ = nullptr;
  RenderEngine::COptionalNodeList* screenList_ = nullptr;
  bool firstShowPending_ = true;
  int screen_ = 0;
  std::vector<RenderEngine::CNode*> mainButtons_;
  std::vector<RenderEngine::CNode*> mapButtons_;
  std::vector<RenderEngine::CNode*> levelButtons_;
  std::vector<RenderEngine::CNode*> optionItems_;
  std::vector<RenderEngine::CNode*> languageButtons_;
  RenderEngine::CNode* soundSlider_ = nullptr;
  RenderEngine::CNode* musicSlider_ = nullptr;
  RenderEngine::CNode* fullscreenOnButton_ = nullptr;
  RenderEngine::CNode* fullscreenOffButton_ = nullptr;
  bool touchHeld_ = false;
  bool mapHudShown_ = false;
  bool scenesBuilt_ = false;
  bool menuBroken_ = false;
  int splashPhase_ = 0;
  int splashTimer_ = -1;
  char scoreText_[50] = {};
  char percentText_[50] = {};
  RenderEngine::CNode* idleNode_ = nullptr;
  int idleTimer_ = 0;
  bool idleAnimating_ = false;
  bool introPlaying_ = false;
  int scrollX_ = 0;
  int scrollY_ = 0;
  int pageWidth_ = 480;
  int pageHeight_ = 320;
  int dragX_ = -1;
  int dragY_ = -1;
  int pressedTag_ = -1;
  int mapIndex_ = -1;
  int levelId_ = -1;
  int starTotal_ = 0;
  int savedSound_ = 0;
  int savedMusic_ = 0;
  int holdTimer_ = 0;
  int savedFullscreen_ = 0;
  int savedLanguage_ = 0;
  std::list<RenderEngine::CNode*> pendingUnlocks_;
  // The level each button of the current page starts (0 for none).
  int shownLevels_[kLevelsPerMap] = {};
  // Maps whose level list was found off the 25-per-map layout (said once).
  std::set<int> warnedMaps_;
};
