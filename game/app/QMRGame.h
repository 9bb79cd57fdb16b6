#pragma once
// The game's application object: the one GameLoop of the process. It registers
// the four screens (0 logo, 1 main menu, 2 in-game, 3 honour board), applies the
// saved options at start, keeps the overlays above every screen (text banner,
// achievement pop-up, a full-screen movie, the cursor), routes input around
// them, and switches between the screens for them. It is the game's host: what
// everything below it reaches above the screens, installed when it is made.
#include "app/GameLoop.h"
#include "game/host/GameHost.h"
#include "render_engine/ResourceWarmup.h"

namespace RenderEngine {
class CSpriteVideo;
}

class QMRGame : public GameLoop, public GameHost {
 public:
  enum SequenceId { kLogo = 0, kMainMenu = 1, kInGame = 2, kHonor = 3 };

  // The one instance; GameLoop::getInstance gives the same object.
  static QMRGame* getInstance();

  ~QMRGame() override;

  void init() override;
  void touchesBegan(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void touchesMoved(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void touchesEnded(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void touchesHovered(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void drawOverlay() override;
  void updateCurrentSequence(int ms) override;
  void drawCurrentSequence() override;
  void suspendAllSequences() override;
  void resumeAllSequences() override;
  void keyPressed(char key, int x, int y) override;
  void fullscreenSwitched() override;

  // --- the host ---------------------------------------------------------------
  void playSound(int soundId) override;
  void playMusic(std::uint32_t id, bool loop) override;
  void showBannerMessage(const BannerMessage& message) override;
  void showResult(const BannerMessage& message, int timeMs, int actions, int score, int best, int medal) override;
  bool isBannerShown() override;
  bool showNextQueued() override;
  void forwardButton(int buttonId) override;
  void notifyBannerShown() override;
  void notifyBannerHidden() override;
  void showAchievementPopup(int textId) override;
  void setCursorMode(int mode) override;
  void setSystemCursorVisible(bool visible) override;
  bool mapHudPress(int x, int y) override;
  int mapHudButtonAt(int x, int y) override;
  void mapHudHighlight(bool on) override;
  void mapHudShowHint(bool visible) override;
  void mapHudUpdate(int ms) override;
  void mapHudDraw() override;
  void mapHudUnloadTextures() override;
  void switchToSequence(int id) override;
  void startLevel(int levelId) override;
  void returnToMapPage() override;
  void returnToMenu() override;
  void playVideo(const char* movieName, const char* subtitleName) override;
  // Stops and frees the movie; nothing when none plays.
  void stopVideo() override;
  bool isVideoPlaying() override;
  void skipNextFrame() override;
  void requestFullscreen(bool on) override;
  void quit() override;

  RenderEngine::CSpriteVideo* getVideo() const { return video_; }
  using GameLoop::getSequence;
  using GameLoop::getSequenceCount;

 protected:
  QMRGame();

  // The banner and the pop-up may read their scenes from now on (init does
  // this; the scenes are read at the first use of either).
  void prepareOverlays();
  // Reads the banner's and the pop-up's scenes now, if not read yet (the
  // warm-up does this on one of the logo's frames).
  void loadOverlayScenes();

  // The overlays as the frame and the touches drive them (a test watches
  // these): the cursor hears every press and move first; the banner takes
  // the touches while it is shown; the banner and the pop-up update and draw
  // before the cursor.
  virtual void pressCursor(int pressState);
  virtual void moveCursor(int x, int y);
  virtual void bannerTouchBegan(int x, int y);
  virtual void bannerTouchMoved(int x, int y);
  virtual void bannerTouchEnded(int x, int y);
  virtual void updateOverlays(int ms);
  virtual void updateCursor(int ms);
  virtual void drawOverlays();
  virtual void drawCursor();

 private:
  friend GameLoop* makeQMRGame();
  template <typename BannerHandler, typename ScreenHandler>
  void routeTouch(int pressState, int count, const TouchPoint points[kMaxTouches], BannerHandler banner,
                  ScreenHandler screen);
  // The banner's and the pop-up's scenes are read at their first use after
  // init or on a spare frame of the logo's (the warm-up), not in init. False
  // before init.
  bool overlaysReady();
  bool overlayScenesRead() const;
  void unloadOverlayTextures();
  void traceFirstDraw();

  // Made ahead on the logo's frames: the overlays' scenes, the menu's fonts
  // and pictures (held until the menu has drawn a screen a player can click:
  // its sprites take their large pictures at their first draw).
  void stepWarmup();
  RenderEngine::ResourceWarmup warmup_;
  bool warmupHeld_ = false;
  bool menuDrawnClickable_ = false;
  bool menuClickableTraced_ = false;

  GameHost* previousHost_ = nullptr;
  RenderEngine::CSpriteVideo* video_ = nullptr;
  int tracedIndex_ = -1;
  bool overlaysMade_ = false;
  bool overlayScenesPending_ = false;
};

// For the entry point.
GameLoop* createApplication();
