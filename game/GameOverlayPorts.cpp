#include "game/GameOverlayPorts.h"

#include "game/GameOverlays.h"
#include "game/GamePorts.h"
#include "game/GameSound.h"
#include "game/MouseCursor.h"
#include "game/QMRAchievementPopup.h"
#include "game/QMRGame.h"
#include "game/QMRMapHud.h"
#include "game/QMRTextBanner.h"

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

  void loadOverlays() override {
    banner_ = QMRTextBanner::instance();
    banner_->loadScene();
    banner_->setListener(&listener_);
    popup_ = QMRAchievementPopup::instance();
    popup_->loadScene();
    installGameOverlays();
  }
  bool isBannerShown() override { return banner_ != nullptr && banner_->isShown(); }
  void bannerTouchBegan(int x, int y) override {
    if (banner_ != nullptr) banner_->touchBegan(x, y);
  }
  void bannerTouchMoved(int x, int y) override {
    if (banner_ != nullptr) banner_->touchMoved(x, y);
  }
  void bannerTouchEnded(int x, int y) override {
    if (banner_ != nullptr) banner_->touchEnded(x, y);
  }
  void updateOverlays(int ms) override {
    if (banner_ != nullptr) banner_->update(ms);
    if (popup_ != nullptr) popup_->update(ms);
  }
  void drawOverlays() override {
    if (banner_ != nullptr && banner_->isShown()) banner_->draw(true, true);
    if (popup_ != nullptr && popup_->isShown()) popup_->draw(true, true);
  }
  void unloadOverlayTextures() override {
    if (banner_ != nullptr) banner_->unloadTextures();
    if (popup_ != nullptr) popup_->unloadTextures();
  }

  bool hudHandleTouch(int x, int y) override { return QMRMapHud::instance()->handleTouch(x, y); }
  int hudFindButtonAt(int x, int y) override { return QMRMapHud::instance()->findButtonAt(x, y); }
  void hudSetButtonsHighlighted(bool on) override { QMRMapHud::instance()->setButtonsHighlighted(on ? 1 : 0); }
  void hudSetHintVisible(bool visible) override { QMRMapHud::instance()->setHintVisible(visible); }
  void hudUpdate(int ms) override { QMRMapHud::instance()->update(ms); }
  void hudDraw() override { QMRMapHud::instance()->draw(true, true); }
  void hudUnloadTextures() override { QMRMapHud::instance()->unloadTextures(); }

  void playSound(int soundId) override { playGameSound(soundId); }

 private:
  QMRTextBanner* banner_ = nullptr;
  QMRAchievementPopup* popup_ = nullptr;
  GameBannerListener listener_;
};

}  // namespace

void installOverlayPorts() {
  static OverlayPorts ports;
  setGamePorts(&ports);
}
