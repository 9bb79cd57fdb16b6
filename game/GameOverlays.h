#pragma once
// Puts the game's banner and achievement pop-up behind the progress managers'
// overlay hooks, and answers the online-service questions (never ready here).
#include "game/OverlayHooks.h"

class QMRTextBanner;
class QMRAchievementPopup;

class GameOverlays : public OverlayHooks {
 public:
  GameOverlays(QMRTextBanner* banner, QMRAchievementPopup* popup) : banner_(banner), popup_(popup) {}
  void showBannerMessage(const BannerMessage& message) override;
  void enqueueAchievementPopup(int textId) override;

 private:
  QMRTextBanner* banner_;
  QMRAchievementPopup* popup_;
};

// Installs hooks over the one banner and the one pop-up.
void installGameOverlays();

// True only when both online-service flags are set; nothing sets them on this
// platform.
bool isOnlineServiceReady();
bool isOnlineServiceReadyFor(int id);
