#pragma once
// Sequence 1, until the main menu is built: a screen that says what comes
// there, with the way to the honour board and to the first level.
#include "game/PlaceholderScreen.h"

class MainMenuSequence : public PlaceholderScreen {
 public:
  MainMenuSequence() : PlaceholderScreen("menu-soon.bin") {}
  // The page of the menu to show (5 the level map, 6 the title page).
  void showScreen(int screen) { screen_ = screen; }
  int getScreen() const { return screen_; }

 protected:
  void buttonReleased(int tag) override;

 private:
  int screen_ = 6;
};
