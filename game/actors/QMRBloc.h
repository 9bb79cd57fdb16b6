#pragma once
// Every level entity that is not an animal: blocks of every kind, goal and
// death zones. The look is a copy of the block scene, of which the option list
// under the node tagged 105 shows the block's kind; taps use up hit points,
// idle looks replay their action pose at random intervals, and floating
// blocks rise against gravity.
#include <chipmunk/chipmunk.h>

#include <cstdint>

#include "physics/CNodePhysics.h"

// The body's velocity step of a floating block: a drag of a tenth of its
// momentum, then the usual integration with gravity's y reversed.
void floatingBlockVelocity(cpBody* body, cpVect gravity, cpFloat damping, cpFloat dt);

class QMRBloc : public RenderEngine::CNodePhysics {
 public:
  static constexpr int kSelectorTag = 105;
  static constexpr int kTwoHitKind = 9;
  static constexpr int kDamagedKind = 16;
  static constexpr int kPlopKind = 20;
  static constexpr int kFloatingType = 14;

  QMRBloc();
  QMRBloc(const QMRBloc& other);
  ~QMRBloc() override;

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  CNode* clone() const override;

  // Called once the look is a child. A block without a look of that kind
  // (no block scene copy, or a kind past its options) runs without a visual.
  void setBlockKind(int kind);
  // True when the block is used up and must go.
  bool takeHit();
  void playBounce();
  void playKindSound();

  int getKind() const { return kind_; }
  CNode* getVisual() const { return visual_; }
  int getHitPoints() const { return hitPoints_; }
  void setHitPoints(int points) { hitPoints_ = points; }
  int getTimer() const { return timer_; }
  bool isAnimated() const { return animated_; }
  bool isPlaying() const { return playing_; }
  bool isLooping() const { return looping_; }

 private:
  void showRestPose();
  void showActionPose();

  std::int32_t timer_ = 0;
  std::int32_t kind_ = -1;
  bool animated_ = false;
  bool playing_ = false;
  bool looping_ = false;
  CNode* visual_ = nullptr;
  std::int32_t hitPoints_ = 1;
};
