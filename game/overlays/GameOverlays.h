#pragma once
// Puts the game's banner and achievement pop-up behind the progress managers'
// overlay hooks, and answers the online-service questions (never ready here).
#include "game/host/OverlayHooks.h"

class QMRTextBanner;
class QMRAchievementPopup;

class GameOverlays : public OverlayHooks {
 public:
  // before: called first by each hook (null: nothing).
  GameOverlays(QMRTextBanner* banner, QMRAchievementPopup* popup, void (*before)() = nullptr)
      : banner_(banner), popup_(popup), before_(before) {}
  void showBannerMessage(const BannerMessage& message) override;
  void enqueueAchievementPopup(int textId) override;

 private:
  QMRTextBanner* banner_;
  QMRAchievementPopup* popup_;
  void (*before_)();
};

// Installs hooks over the one banner and the one pop-up (once; before as for
// GameOverlays).
void installGameOverlays(void (*before)() = nullptr);

// True only when both online-service flags are set; nothing sets them on this
// platform.
bool isOnlineServiceReady();
bool isOnlineServiceReadyFor(int id);
