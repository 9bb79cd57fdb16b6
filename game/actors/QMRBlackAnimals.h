#pragma once
// The black sheep and the black wolf: a sheep and a wolf with two physics
// models and two looks; a tap swaps the body's shapes and mass to the other
// model (position, angle and velocities kept) and shows the other look.
#include "game/actors/ISwappableItem.h"
#include "game/actors/QMRSheep.h"

// What both black animals share, over their base class.
template <class Base>
class QMRBlackAnimal : public Base, public ISwappableItem {
 public:
  QMRBlackAnimal(const QMRBlackAnimal& other);
  ~QMRBlackAnimal() override = default;

  void createBody(const RenderEngine::PhysicsBodyDescription& description) override;
  void buildVisual() override;
  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  bool canSwap() override;
  // Inside a step the swap waits for the step's end.
  void swap() override;
  // Index 0 or 1; silent; nothing before the looks exist.
  void showModel(int index);

  int getModelIndex() const { return modelIndex_; }
  RenderEngine::CNode* getLook(int index) const { return index == 0 ? look0_ : index == 1 ? look1_ : nullptr; }

 protected:
  QMRBlackAnimal(int collisionType, const char* sceneName);
  void swapNow();
  const SwapModelRecord* record();

  int collisionType_;
  const char* sceneName_;
  int modelIndex_ = 0;
  RenderEngine::CNode* look0_ = nullptr;
  RenderEngine::CNode* look1_ = nullptr;
  int pendingSwaps_ = 0;
};

class QMRBlackSheep : public QMRBlackAnimal<QMRSheep> {
 public:
  static constexpr int kCollisionType = 12;
  QMRBlackSheep();
  QMRBlackSheep(const QMRBlackSheep& other) = default;
  RenderEngine::CNode* clone() const override;
};

class QMRBlackWolf : public QMRBlackAnimal<QMRWolf> {
 public:
  static constexpr int kCollisionType = 13;
  QMRBlackWolf();
  QMRBlackWolf(const QMRBlackWolf& other) = default;
  RenderEngine::CNode* clone() const override;
};
