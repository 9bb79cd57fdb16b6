#pragma once
// A screen of the game: a sequence that also hears the buttons of the game's
// overlays and when the banner opens and closes.
#include "app/GameSequenceInterface.h"

class QMRGameSequenceInterface : public GameSequenceInterface {
 public:
  // A button of the screen or of the text banner was released.
  virtual void buttonPressed(int /*buttonId*/) {}
  virtual void bannerShown() {}
  virtual void bannerHidden() {}
};
