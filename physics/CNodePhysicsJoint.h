#pragma once
// A node that owns one Chipmunk constraint (pin, slide, pivot or groove)
// between the bodies of two physics nodes, and places its visual between the
// constraint's anchors every frame. The bodies are not its own: a body node
// frees the joints on its body before the body, and the joint then stays inert.
#include <chipmunk/chipmunk.h>

#include "physics/CNodePhysicsBaseInterface.h"
#include "physics/PhysicsDescriptions.h"

namespace RenderEngine {

class CNodePhysics;

class CNodePhysicsJoint : public CNodePhysicsBaseInterface {
 public:
  CNodePhysicsJoint();
  // Joins the same bodies as the source with the same local anchors and limits,
  // in the source's space at once.
  CNodePhysicsJoint(const CNodePhysicsJoint& other);
  ~CNodePhysicsJoint() override;

  bool updateVisit(int dtMs, TraversalMark mark) override;
  void draw(bool pass, bool push) override;
  CNode* clone() const override;
  void addToSpace(CScenePhysics* scene) override;
  void removeFromSpace() override;
  void drawDebug() override;
  // Goes before the bodies it binds in a batch deletion.
  int deletionRank() const override { return 0; }

  // Nothing when a node is missing.
  void attach(const PhysicsJointDescription& description, CNodePhysics* node1, CNodePhysics* node2);
  // The bodies must stand where the level puts them: the pivot and the slide
  // limits are taken from their world positions now.
  void createConstraint(const PhysicsJointDescription& description, cpBody* body1, cpBody* body2);
  void freeConstraint();
  // 0 when the node's body is body 1, 1 when it is body 2, else -1.
  int indexOfBody(const CNodePhysics* node) const;
  // The same constraint (local anchors, limits) between two other bodies, in
  // the same space; used when a group of bodies is cloned.
  void rebind(cpBody* body1, cpBody* body2);

  cpConstraint* getConstraint() const { return constraint_; }
  cpBody* getBody1() const { return body1_; }
  cpBody* getBody2() const { return body2_; }
  const PhysicsJointDescription& getDescription() const { return description_; }
  float getReferenceLength() const { return referenceLength_; }
  float getCurrentLength() const { return currentLength_; }
  CScenePhysics* getScene() const { return scene_; }

 private:
  // A new constraint of this joint's type between the bodies, with the local
  // parameters of the given one.
  cpConstraint* makeLike(const cpConstraint* source, cpBody* body1, cpBody* body2) const;
  void install(cpConstraint* constraint, cpBody* body1, cpBody* body2);
  // The world points the visual spans (anchors, or the groove's ends).
  bool endPoints(cpVect& w1, cpVect& w2) const;

  cpBody* body1_ = nullptr;
  cpBody* body2_ = nullptr;
  CNodePhysics* node1_ = nullptr;
  CNodePhysics* node2_ = nullptr;
  cpConstraint* constraint_ = nullptr;
  PhysicsJointDescription description_;
  float referenceLength_ = 0.0f;
  float currentLength_ = 0.0f;
  // The x scale the lengths have put on the node, undone when rebuilt so a
  // second build does not compound the first.
  float lengthScale_ = 1.0f;
  CScenePhysics* scene_ = nullptr;
};

}  // namespace RenderEngine
