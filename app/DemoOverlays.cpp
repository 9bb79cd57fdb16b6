#include "app/DemoOverlays.h"

#include <cctype>
#include <cstdio>

#include "game/GameOverlays.h"
#include "game/MouseCursor.h"
#include "game/QMRAchievementPopup.h"
#include "game/QMRTextBanner.h"

namespace {

constexpr int kBank5 = 5 << 16;

// Says on the console what the banner would hand on to the screen.
class DemoBannerListener : public BannerListener {
 public:
  void forwardButton(int buttonId) override {
    const char* name = buttonId == 1 ? "retry" : buttonId == 2 ? "menu" : buttonId == 4 ? "resume" : buttonId == 32 ? "next" : "?";
    std::printf("Banner button %d (%s)\n", buttonId, name);
    std::fflush(stdout);
  }
};

DemoBannerListener g_listener;
bool g_started = false;
int g_resultCount = 0;

}  // namespace

void startDemoOverlays() {
  QMRTextBanner::instance()->loadScene();
  QMRTextBanner::instance()->setListener(&g_listener);
  QMRAchievementPopup::instance()->loadScene();
  installGameOverlays();
  MouseCursor::getInstance()->setMode(MouseCursor::kArrow);
  g_started = true;
}

void updateDemoOverlays(int ms) {
  if (!g_started) return;
  QMRTextBanner::instance()->update(ms);
  QMRAchievementPopup::instance()->update(ms);
  MouseCursor::getInstance()->update(ms);
}

void drawDemoOverlays() {
  if (!g_started) return;
  if (QMRTextBanner::instance()->isShown()) QMRTextBanner::instance()->draw(false, true);
  if (QMRAchievementPopup::instance()->isShown()) QMRAchievementPopup::instance()->draw(false, true);
  MouseCursor::getInstance()->draw();
}

bool demoOverlaysTouch(int phase, int x, int y) {
  if (!g_started) return false;
  MouseCursor* cursor = MouseCursor::getInstance();
  cursor->moveTo(x, y, 0);
  if (phase == 0) cursor->setPressState(MouseCursor::kPressBegan);
  if (phase == 1) cursor->setPressState(MouseCursor::kPressMoved);
  if (phase == 2) cursor->setPressState(MouseCursor::kPressEnded);
  QMRTextBanner* banner = QMRTextBanner::instance();
  if (phase == 4 || !banner->isShown()) return false;
  if (phase == 0) banner->touchBegan(x, y);
  if (phase == 1) banner->touchMoved(x, y);
  if (phase == 2) banner->touchEnded(x, y);
  return true;
}

bool demoOverlaysKey(char key) {
  if (!g_started) return false;
  QMRTextBanner* banner = QMRTextBanner::instance();
  switch (std::tolower(static_cast<unsigned char>(key))) {
    case 'c': {
      MouseCursor* cursor = MouseCursor::getInstance();
      // Arrow, hand, system pointer, hidden, and round again.
      static const int next[4] = {MouseCursor::kHidden, MouseCursor::kHand, MouseCursor::kSystemPointer,
                                  MouseCursor::kArrow};
      const int mode = cursor->getMode();
      cursor->setMode(mode >= 0 && mode < 4 ? next[mode] : MouseCursor::kArrow);
      return true;
    }
    case 'b':
      banner->showMessage(kBank5 + 210, QMRTextBanner::kTutorial, 2, 0);
      banner->showMessage(kBank5 + 215, QMRTextBanner::kTutorial, 2, 0);
      return true;
    case 'p':
      banner->showMessage(kBank5 + 211, QMRTextBanner::kPause, 2, 0x04 | 0x08);
      return true;
    case 'l':
      banner->showMessage(kBank5 + 213, QMRTextBanner::kLost, 2, 11);
      return true;
    case 'r': {
      // Medals in turn: bronze, silver, gold.
      const int medal = g_resultCount++ % 3 + 1;
      banner->showResult(BannerMessage{kBank5 + 212, QMRTextBanner::kWon, 2, 19}, 45000 + medal * 20000, 4 - medal,
                         9000 + medal * 4100, 21900, medal);
      return true;
    }
    case 'a':
      QMRAchievementPopup::instance()->enqueue(21);
      QMRAchievementPopup::instance()->enqueue(34);
      return true;
    default:
      return false;
  }
}
