#include "game/MainMenuSequence.h"
#include "game/QMRGame.h"

void MainMenuSequence::buttonReleased(int tag) {
  QMRGame* game = QMRGame::getInstance();
  if (game == nullptr) return;
  if (tag == kFirstButtonTag) {
    game->setCurrentSequence(QMRGame::kHonor);
  } else if (tag == kSecondButtonTag) {
    game->startLevel(1);
  }
}
