#pragma once
// The game's application object: the one GameLoop of the process. It registers
// the four screens (0 logo, 1 main menu, 2 in-game, 3 honour board), applies the
// saved options at start, keeps the overlays above every screen (text banner,
// achievement pop-up, a full-screen movie, the cursor), routes input around
// them, and switches between the screens for them. It is also what the level
// screen reaches above itself (QMRGameHost.cpp).
#include "app/GameLoop.h"
#include "game/host/InGameHost.h"

namespace RenderEngine {
class CSpriteVideo;
}

class QMRGame : public GameLoop, public InGameHost {
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

  void startLevel(int levelId) override;
  void returnToMapPage() override;
  void returnToMenu() override;
  void playVideo(const char* movieName, const char* subtitleName) override;
  // Stops and frees the movie; nothing when none plays.
  void stopVideo() override;
  bool isVideoPlaying() override;

  // The level screen's banner, result window, cursor and screen switch.
  void showBannerMessage(const BannerMessage& message) override;
  void showResult(const BannerMessage& message, int timeMs, int actions, int score, int best, int medal) override;
  bool isBannerShown() override;
  bool showNextQueued() override;
  void setCursorMode(int mode) override;
  void switchToSequence(int id) override;
  void forwardButton(int buttonId);
  void notifyBannerShown();
  void notifyBannerHidden();

  RenderEngine::CSpriteVideo* getVideo() const { return video_; }
  using GameLoop::getSequence;
  using GameLoop::getSequenceCount;

  // A volume from the options: value / max, 0.5 when the pair makes no sense,
  // else kept within [0, 1].
  static float volumeFromOption(int value, int max);

 protected:
  QMRGame() = default;

 private:
  friend GameLoop* makeQMRGame();
  template <typename BannerHandler, typename ScreenHandler>
  void routeTouch(int pressState, int count, const TouchPoint points[kMaxTouches], BannerHandler banner,
                  ScreenHandler screen);
  void traceFirstDraw();

  RenderEngine::CSpriteVideo* video_ = nullptr;
  int tracedIndex_ = -1;
};

// For the entry point.
GameLoop* createApplication();
