#include "game/overlays/MouseCursor.h"

#include <cstdio>

#include "game/host/GameHost.h"
#include "render_engine/CNodeReader.h"

using RenderEngine::CNode;

namespace {
// The point of each look that sits on the mouse position, from the node's
// origin.
void hotSpotShift(int mode, int& dx, int& dy) {
  dx = 0;
  dy = 0;
  if (mode == MouseCursor::kArrow) {
    dx = -2;
    dy = 7;
  } else if (mode == MouseCursor::kHand) {
    dx = -13;
    dy = -13;
  }
}
}  // namespace

MouseCursor* MouseCursor::getInstance() {
  static MouseCursor* instance = [] {
    ExportCNode::CNodeReader reader("cursors.bin");
    CNode* scene = reader.read();
    if (scene->findByTag(kArrowTag) == nullptr || scene->findByTag(kHandTag) == nullptr) {
      std::fprintf(stderr, "cursors.bin: no pointer looks (tags 151 and 150); the cursor draws nothing\n");
    }
    return new MouseCursor(scene);
  }();
  return instance;
}

MouseCursor::MouseCursor(CNode* scene) : scene_(scene) {
  applyMode();  // not pending: changes nothing
  moveTo(960, 640, 0);  // off the 480x320 screen until the mouse moves
}

MouseCursor::~MouseCursor() { delete scene_; }

void MouseCursor::setMode(int mode) {
  if (mode == mode_) return;
  resetPress();
  mode_ = mode;
  modePending_ = true;
  pressAnimating_ = false;
  setPressState(kPressNone);
}

void MouseCursor::setPressState(int state) {
  if (state == pressState_) return;
  pressState_ = state;
  pressPending_ = true;
  pressAnimating_ = false;
}

void MouseCursor::moveTo(int x, int y, int z) {
  x_ = x;
  y_ = y;
  z_ = z;
  if (sprite_ == nullptr) return;
  int dx = 0;
  int dy = 0;
  hotSpotShift(mode_, dx, dy);
  sprite_->setPosition(static_cast<float>(x + dx), static_cast<float>(y + dy), static_cast<float>(z));
}

void MouseCursor::update(int ms) {
  applyMode();
  updatePressAnimation();
  if (sprite_ != nullptr) sprite_->update(ms);
}

void MouseCursor::draw() {
  if (sprite_ != nullptr) sprite_->draw(true, true);
}

void MouseCursor::applyMode() {
  if (!modePending_ || scene_ == nullptr) return;
  switch (mode_) {
    case kSystemPointer:
      sprite_ = nullptr;
      gameHost().setSystemCursorVisible(true);
      break;
    case kArrow:
      sprite_ = scene_->findByTag(kArrowTag);
      gameHost().setSystemCursorVisible(false);
      break;
    case kHand:
      sprite_ = scene_->findByTag(kHandTag);
      gameHost().setSystemCursorVisible(false);
      break;
    default:  // hidden, and any mode the game does not know
      sprite_ = nullptr;
      gameHost().setSystemCursorVisible(false);
      break;
  }
  moveTo(x_, y_, z_);
  modePending_ = false;
}

void MouseCursor::updatePressAnimation() {
  if (!pressPending_ || scene_ == nullptr) return;
  if (sprite_ != nullptr && sprite_->getChildCount() > 0) {
    if (pressState_ == kPressNone || pressState_ == kPressBegan) {
      for (CNode* child : sprite_->getChildren()) child->showFrame(pressState_);
    } else if (pressState_ == kPressEnded) {
      resetPress();
    }
  }
  pressPending_ = false;
}

void MouseCursor::resetPress() {
  setPressState(kPressNone);
  updatePressAnimation();
}
