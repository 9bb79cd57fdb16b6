// The application object as the level screen's host: the one banner (and its
// result window), the cursor through the game ports, and the screen switches.
#include "game/host/GamePorts.h"
#include "game/app/QMRGame.h"
#include "game/overlays/QMRTextBanner.h"

void QMRGame::showBannerMessage(const BannerMessage& message) { QMRTextBanner::instance()->showMessage(message); }

void QMRGame::showResult(const BannerMessage& message, int timeMs, int actions, int score, int best, int medal) {
  QMRTextBanner::instance()->showResult(message, timeMs, actions, score, best, medal);
}

bool QMRGame::isBannerShown() { return QMRTextBanner::instance()->isShown(); }

bool QMRGame::showNextQueued() { return QMRTextBanner::instance()->showNextQueued(); }

void QMRGame::setCursorMode(int mode) { gamePorts().cursorSetMode(mode); }

void QMRGame::switchToSequence(int id) { setCurrentSequence(id); }
