#include "game/app/GameOverlayPorts.h"

#include "game/host/ActorHooks.h"
#include "game/overlays/GameOverlays.h"
#include "game/host/GamePorts.h"
#include "game/host/GameSound.h"
#include "game/overlays/MouseCursor.h"
#include "game/overlays/QMRAchievementPopup.h"
#include "game/app/QMRGame.h"
#include "game/overlays/QMRMapHud.h"
#include "game/overlays/QMRTextBanner.h"

namespace {

// The banner's buttons and openings go to the screen through the game.
class GameBannerListener : public BannerListener {
 public:
  void forwardButton(int buttonId) override {
    if (QMRGame* g = QMRGame::getInstance()) g->forwardButton(buttonId);
  }
  void notifyBannerShown() override {
    if (QMRGame* g = QMRGame::getInstance()) g->notifyBannerShown();
  }
  void notifyBannerHidden() override {
    if (QMRGame* g = QMRGame::getInstance()) g->notifyBannerHidden();
  }
};

class OverlayPorts : public GamePorts {
 public:
  void cursorSetMode(int mode) override { MouseCursor::getInstance()->setMode(mode); }
  void cursorSetPressState(int state) override { MouseCursor::getInstance()->setPressState(state); }
  void cursorMoveTo(int x, int y, int z) override { MouseCursor::getInstance()->moveTo(x, y, z); }
  void cursorUpdate(int ms) override { MouseCursor::getInstance()->update(ms); }
  void cursorDraw() override { MouseCursor::getInstance()->draw(); }
  void cursorReapplyMode() override { MouseCursor::getInstance()->reapplyMode(); }

  void loadOverlays() override;
  bool isBannerShown() override { return readScenes() && banner_->isShown(); }
  void bannerTouchBegan(int x, int y) override {
    if (readScenes()) banner_->touchBegan(x, y);
  }
  void bannerTouchMoved(int x, int y) override {
    if (readScenes()) banner_->touchMoved(x, y);
  }
  void bannerTouchEnded(int x, int y) override {
    if (readScenes()) banner_->touchEnded(x, y);
  }
  void updateOverlays(int ms) override {
    if (!readScenes()) return;
    banner_->update(ms);
    popup_->update(ms);
  }
  void drawOverlays() override {
    if (!readScenes()) return;
    if (banner_->isShown()) banner_->draw(true, true);
    if (popup_->isShown()) popup_->draw(true, true);
  }
  void unloadOverlayTextures() override {
    if (!readScenes()) return;
    banner_->unloadTextures();
    popup_->unloadTextures();
  }

  bool hudHandleTouch(int x, int y) override { return QMRMapHud::instance()->handleTouch(x, y); }
  int hudFindButtonAt(int x, int y) override { return QMRMapHud::instance()->findButtonAt(x, y); }
  void hudSetButtonsHighlighted(bool on) override { QMRMapHud::instance()->setButtonsHighlighted(on ? 1 : 0); }
  void hudSetHintVisible(bool visible) override { QMRMapHud::instance()->setHintVisible(visible); }
  void hudUpdate(int ms) override { QMRMapHud::instance()->update(ms); }
  void hudDraw() override { QMRMapHud::instance()->draw(true, true); }
  void hudUnloadTextures() override { QMRMapHud::instance()->unloadTextures(); }
  bool hudExists() override { return QMRMapHud::exists(); }

  void playSound(int soundId) override { playGameSound(soundId); }

  // False until loadOverlays; reads the scenes the first time.
  bool readScenes() {
    if (banner_ == nullptr) return false;
    if (scenesPending_) {
      scenesPending_ = false;
      banner_->loadScene();
      popup_->loadScene();
    }
    return true;
  }

 private:
  QMRTextBanner* banner_ = nullptr;
  QMRAchievementPopup* popup_ = nullptr;
  GameBannerListener listener_;
  bool scenesPending_ = false;
};

OverlayPorts* g_ports = nullptr;

void readOverlayScenes() {
  if (g_ports != nullptr) g_ports->readScenes();
}

// The scenes are read at the first use of an overlay (a port call or a hook),
// not here: this runs before the first frame, and the first frame's drawing
// (which comes before any screen can show a banner) has time to spare.
void OverlayPorts::loadOverlays() {
  banner_ = QMRTextBanner::instance();
  banner_->setListener(&listener_);
  popup_ = QMRAchievementPopup::instance();
  scenesPending_ = true;
  g_ports = this;
  installGameOverlays(&readOverlayScenes);
  // The animals keep quiet while a message is up.
  ActorHooks::setBannerQuery([] { return QMRTextBanner::instance()->isShown(); });
}

}  // namespace

void installOverlayPorts() {
  static OverlayPorts ports;
  setGamePorts(&ports);
}
