#pragma once
// Sequence 2, until play is built: a screen that says a level is played there
// and leads back to the menu.
#include "game/PlaceholderScreen.h"

class InGameSequence : public PlaceholderScreen {
 public:
  InGameSequence() : PlaceholderScreen("play-soon.bin") {}
  void prepareLevel(int levelId, int scenery, int tutorialId) {
    levelId_ = levelId;
    scenery_ = scenery;
    tutorialId_ = tutorialId;
  }
  int getLevelId() const { return levelId_; }
  int getScenery() const { return scenery_; }
  int getTutorialId() const { return tutorialId_; }

 protected:
  void buttonReleased(int tag) override;

 private:
  int levelId_ = 0;
  int scenery_ = 0;
  int tutorialId_ = 0;
};
