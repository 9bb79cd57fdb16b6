#include "game/overlays/GameOverlays.h"

#include "game/overlays/QMRAchievementPopup.h"
#include "game/overlays/QMRTextBanner.h"

namespace {
bool g_serviceSignedIn = false;
bool g_serviceAvailable = false;
}  // namespace

void GameOverlays::showBannerMessage(const BannerMessage& message) {
  if (before_ != nullptr) before_();
  if (banner_ != nullptr) banner_->showMessage(message);
}

void GameOverlays::enqueueAchievementPopup(int textId) {
  if (before_ != nullptr) before_();
  if (popup_ != nullptr) popup_->enqueue(textId);
}

void installGameOverlays(void (*before)()) {
  static GameOverlays hooks(QMRTextBanner::instance(), QMRAchievementPopup::instance(), before);
  setOverlayHooks(&hooks);
}

bool isOnlineServiceReady() { return g_serviceSignedIn && g_serviceAvailable; }
bool isOnlineServiceReadyFor(int) { return isOnlineServiceReady(); }
