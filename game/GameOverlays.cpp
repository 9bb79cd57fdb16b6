#include "game/GameOverlays.h"

#include "game/QMRAchievementPopup.h"
#include "game/QMRTextBanner.h"

namespace {
bool g_serviceSignedIn = false;
bool g_serviceAvailable = false;
}  // namespace

void GameOverlays::showBannerMessage(const BannerMessage& message) {
  if (banner_ != nullptr) banner_->showMessage(message);
}

void GameOverlays::enqueueAchievementPopup(int textId) {
  if (popup_ != nullptr) popup_->enqueue(textId);
}

void installGameOverlays() {
  static GameOverlays hooks(QMRTextBanner::instance(), QMRAchievementPopup::instance());
  setOverlayHooks(&hooks);
}

bool isOnlineServiceReady() { return g_serviceSignedIn && g_serviceAvailable; }
bool isOnlineServiceReadyFor(int) { return isOnlineServiceReady(); }
