#pragma once
// A touch target whose 16-bit state is shown by resting every child on the
// animation frame of that number (a pressed look, a disabled look...). The
// hit test is the base one: the bounding box with its edges included.
#include <cstdint>

#include "render_engine/CNode.h"

namespace RenderEngine {

class CButton : public CNode {
 public:
  CButton();
  CButton(const CButton& other);
  ~CButton() override;

  // A child added later shows the current state at once.
  void addChild(CNode* node) override;
  CNode* clone() const override;
  // Each child goes to the frame and stops there.
  void showFrame(int frame) override;
  // The button once (not again when already listed), then its children's.
  void collectTouchTargets(NodeList& list) override;
  // The outline of the bounding box as four red lines (debugging aid).
  virtual void drawHitArea();

  void showState(std::int16_t state);
  std::int16_t getState() const { return state_; }

 private:
  std::int16_t state_ = 0;
};

}  // namespace RenderEngine
