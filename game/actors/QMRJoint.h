#pragma once
// The game's joint: draws two end pieces, copies of look 18 of the block
// scene, at the joint's anchors (a pivot has one, at its pivot point).
#include "physics/CNodePhysicsJoint.h"

class QMRJoint : public RenderEngine::CNodePhysicsJoint {
 public:
  static constexpr int kEndPieceLook = 18;

  QMRJoint();
  QMRJoint(const QMRJoint& other);
  ~QMRJoint() override;

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  void draw(bool pass, bool push) override;
  CNode* clone() const override;

  void buildVisual();
  static RenderEngine::Vector3 anchorToWorld(cpBody* body, const RenderEngine::Vector3& local);

  CNode* getEndPiece1() const { return endPiece1_; }
  CNode* getEndPiece2() const { return endPiece2_; }
  // For tests: forgets the kept end-piece template.
  static void resetTemplate();

 private:
  CNode* endPiece1_ = nullptr;
  CNode* endPiece2_ = nullptr;
};
