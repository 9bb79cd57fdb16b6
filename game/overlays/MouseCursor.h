#pragma once
// The game's own mouse pointer: a small scene ("cursors.bin") whose node tagged
// 151 is an arrow and whose node tagged 150 is a hand, each with a pressed look
// while a button is down. The application object moves it with every mouse
// event, tells it about presses, updates it every frame and draws it above
// everything; each screen picks the look with setMode. The window's own
// pointer is shown or hidden through the game's host.
#include "render_engine/CNode.h"

class MouseCursor {
 public:
  enum Mode { kSystemPointer = 0, kArrow = 1, kHand = 2, kHidden = 3 };
  enum PressState { kPressNone = 0, kPressBegan = 1, kPressMoved = 2, kPressEnded = 3 };
  static constexpr int kArrowTag = 151;
  static constexpr int kHandTag = 150;

  // The single cursor, reading "cursors.bin" the first time.
  static MouseCursor* getInstance();

  // A cursor over a scene already read (owned; null: no scene, the cursor then
  // never shows a sprite).
  explicit MouseCursor(RenderEngine::CNode* scene);
  MouseCursor(const MouseCursor&) = delete;
  MouseCursor& operator=(const MouseCursor&) = delete;
  ~MouseCursor();

  void setMode(int mode);
  void setPressState(int state);
  void moveTo(int x, int y, int z);
  void update(int ms);
  void draw();
  // The window changed the system pointer behind the cursor's back (a switch
  // to or from full screen): apply the mode again at the next update.
  void reapplyMode() { modePending_ = true; }

  int getMode() const { return mode_; }
  int getPressState() const { return pressState_; }
  bool isModePending() const { return modePending_; }
  bool isPressPending() const { return pressPending_; }
  RenderEngine::CNode* getScene() const { return scene_; }
  // The node shown now, or null.
  RenderEngine::CNode* getSprite() const { return sprite_; }
  int getX() const { return x_; }
  int getY() const { return y_; }

 private:
  void applyMode();
  void updatePressAnimation();
  void resetPress();

  RenderEngine::CNode* scene_ = nullptr;
  RenderEngine::CNode* sprite_ = nullptr;
  int mode_ = 0;
  int pressState_ = 0;
  int x_ = 0;
  int y_ = 0;
  int z_ = 0;
  bool modePending_ = false;
  bool pressPending_ = false;
  bool pressAnimating_ = false;
};
