#pragma once
// A stand-in application object for the program until the game's own lands: two
// screens read from scene files and a text screen, so the window, the frame
// loop, the input and the engine can be seen working.
#include "app/GameLoop.h"

class DemoApplication : public GameLoop {
 public:
  static DemoApplication* getInstance();
  void init() override;
  void drawOverlay() override;
  void updateCurrentSequence(int ms) override;
  void keyPressed(char key, int x, int y) override;
  void touchesBegan(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void touchesMoved(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void touchesEnded(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void touchesHovered(int count, const TouchPoint points[kMaxTouches], bool track) override;
  void drawCurrentSequence() override;
  // Screens go round in id order.
  using GameLoop::getSequenceCount;
};

GameLoop* createApplication();
