#pragma once
// A stand-in application object for the program until the game's own lands: two
// screens of solid rectangles that swap on a click, so the window, the frame
// loop and the input can be seen working.
#include "app/GameLoop.h"

class DemoApplication : public GameLoop {
 public:
  static DemoApplication* getInstance();
  void init() override;
  void drawOverlay() override;
  void touchesHovered(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void touchesBegan(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void touchesEnded(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void updateCurrentSequence(int ms) override;
  void drawCurrentSequence() override;
  // Screens go round in id order.
  using GameLoop::getSequenceCount;

 private:
  TouchPoint pointer_{-100, -100};
};

GameLoop* createApplication();
