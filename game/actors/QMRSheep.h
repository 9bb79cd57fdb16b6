#pragma once
// The animals that decide a level. A sheep must come to rest in a goal zone
// and stay there for a second; a wolf must be got rid of, and wins if it stays
// in a goal zone for a second. The look is a copy of a scene file whose first
// child (the visual) holds one pose per state in its own animation; each
// state change lets the visual's children play once, an idle animation (the
// node tagged 66) plays at random intervals, and a sheep bleats with it.
#include <cstdint>

#include "physics/CNodePhysics.h"

class QMRSheep : public RenderEngine::CNodePhysics {
 public:
  static constexpr int kStateCount = 5;
  static constexpr int kIdleTag = 66;
  static constexpr int kGoalTimeMs = 1000;

  QMRSheep();
  // The body, the in-goal and bleat flags and the source's state on a copy
  // of its look.
  QMRSheep(const QMRSheep& other);
  ~QMRSheep() override;

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  CNode* clone() const override;

  virtual void playStateSound(int state);
  // States 0 to 4; an unchanged or out-of-range state does nothing.
  virtual void setState(int state);
  virtual void setInGoalZone(bool inside);
  // Out of the simulation (after the step when called inside one), dead pose.
  virtual void die();
  virtual bool isObjectiveReached();
  virtual bool isObjectiveFailed();
  virtual bool isStateAnimationDone();
  virtual void buildVisual();
  virtual bool isMoving();

  int getState() const { return state_; }
  CNode* getVisual() const { return visual_; }
  int getGoalTimer() const { return goalTimer_; }
  bool isInGoalZone() const { return inGoal_; }
  bool isDead() const { return dead_; }
  bool bleats() const { return bleats_; }
  int getPose(int state) const;
  int getSoundId(int index) const;

 protected:
  // The first child of a copy of the scene's root becomes the visual.
  void attachLook(const char* sceneName);
  // The pose of the current state on the visual, its children playing once.
  void showStatePose();
  // Finds the copy's visual at the place the source's had.
  void adoptVisualLike(const QMRSheep& other);
  // A change of model keeps the goal timer: the goal zone's separate and
  // begin calls that follow it are held until the space has stepped.
  void holdGoalZoneAcrossRebuild();

  const std::int32_t* poses_;
  const std::int32_t* sounds_;
  std::int32_t state_ = 0;
  CNode* visual_ = nullptr;
  std::int32_t idleTimer_ = 0;
  bool idlePlaying_ = false;
  std::int32_t goalTimer_ = kGoalTimeMs;
  bool inGoal_ = false;
  bool dead_ = false;
  bool bleats_ = true;

 private:
  void settleGoalZoneHold();

  bool holding_ = false;
  bool heldInside_ = false;
  std::uint64_t holdStep_ = 0;
};

class QMRWolf : public QMRSheep {
 public:
  QMRWolf();
  QMRWolf(const QMRWolf& other) = default;
  ~QMRWolf() override;

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  CNode* clone() const override;
  void playStateSound(int state) override;
  void die() override;
  bool isObjectiveReached() override;
  // A wolf in a goal zone past its timer: reached pose, and from then on it
  // collides only with layer 4.
  bool isObjectiveFailed() override;
  void buildVisual() override;
};
