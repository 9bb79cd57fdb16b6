#pragma once
// A scene node that owns one Chipmunk body and up to five collision shapes.
// The body drives the node: every update copies the body's position and angle
// into the node, and every transform set on the node from outside is pushed
// into the body. Base of every game actor and block.
#include <chipmunk/chipmunk.h>

#include <cstdint>
#include <vector>

#include "physics/CNodePhysicsBaseInterface.h"
#include "physics/PhysicsDescriptions.h"

namespace RenderEngine {

class CNodePhysicsJoint;
class SpaceEdits;

class CNodePhysics : public CNodePhysicsBaseInterface {
 public:
  using VelocityFunc = cpBodyVelocityFunc;

  CNodePhysics();
  // A new body and new shapes with the source's library state, in the source's
  // space at once.
  CNodePhysics(const CNodePhysics& other);
  ~CNodePhysics() override;

  void setRotation(float x, float y, float z) override;
  void setPosition(float x, float y, float z) override;
  void setScale(float x, float y, float z) override;
  void rotateBy(float dx, float dy, float dz) override;
  void moveBy(float dx, float dy, float dz) override;
  void scaleBy(float fx, float fy, float fz) override;
  bool updateVisit(int dtMs, TraversalMark mark) override;
  void draw(bool pass, bool push) override;
  CNode* clone() const override;

  void addToSpace(CScenePhysics* scene) override;
  void removeFromSpace() override;
  void drawDebug() override;

  // Replaces any earlier body and shapes; adds nothing to a space.
  virtual void createBody(const PhysicsBodyDescription& description);
  // Out of the space, the joints on the body freed first, then shapes and body.
  virtual void freeBody();

  // New mass, moment and shapes on the same body (position, velocity and angle
  // survive); the shapes enter the space at once when the node is in one.
  void rebuildShapes(const PhysicsBodyDescription& description);
  // The sum of the shapes' moments, each taking the whole body mass.
  float computeMoment(const PhysicsBodyDescription& description) const;
  void syncFromBody();
  void syncToBody();
  // Scales the shapes from the scale they were built for to the node's scale.
  void rescaleShapes();
  // The impulse at the offset from the body's centre, both in world orientation.
  void applyImpulse(Vector3 offset, Vector3 impulse);
  bool setVelocityFunc(VelocityFunc func);

  float getMass() const;
  int getCollisionType() const;
  bool isStatic() const { return static_; }
  void setForce(const Vector3& force);
  Vector3 getForce() const;
  // Velocity, force and impulse past the library's safe range are capped
  // (direction kept); non-finite ones are ignored. Both with a message.
  void setVelocity(const Vector3& velocity);
  Vector3 getVelocity() const;
  // The body's spin in radians per second, as the library keeps it (the sign
  // of a growing angle); 0 without a body.
  void setAngularVelocity(float radiansPerSecond);
  float getAngularVelocity() const;
  // Every shape's layer bit set (its collision group kept).
  void setLayers(std::uint32_t layers);

  bool isArmed() const { return armed_; }
  void setArmed(bool armed) { armed_ = armed; }

  cpBody* getBody() const { return body_; }
  int getShapeCount() const { return shapeCount_; }
  cpShape* getShape(int index) const;
  // The data model of the shape in a slot (segment, polygon, circle); -1 when empty.
  int getShapeModel(int index) const;
  // The model of one of this node's shapes, -1 when it is not one of them.
  int modelOfShape(const cpShape* shape) const;
  CScenePhysics* getScene() const { return scene_; }
  float getBuiltScaleX() const { return builtScaleX_; }
  float getBuiltScaleY() const { return builtScaleY_; }
  // The joints whose constraint holds this body.
  const std::vector<CNodePhysicsJoint*>& getJoints() const { return joints_; }

  // Kept by joints: a body is never freed while a joint still holds it.
  void attachJoint(CNodePhysicsJoint* joint);
  void detachJoint(CNodePhysicsJoint* joint);

 private:
  // The moment for a mass already checked.
  float momentFor(cpFloat mass, const PhysicsBodyDescription& description) const;
  void createShapes(const PhysicsBodyDescription& description);
  // Where changes to this node's library objects must go, or null when they
  // are in no space and can be made at once.
  SpaceEdits* editsForParts() const;

  cpBody* body_ = nullptr;
  int shapeCount_ = 0;
  cpShape* shapes_[kMaxShapesPerBody] = {};
  // Chipmunk 7 does not tell a shape's kind: each slot remembers its model.
  std::int8_t models_[kMaxShapesPerBody] = {-1, -1, -1, -1, -1};
  float builtScaleX_ = 1.0f;
  float builtScaleY_ = 1.0f;
  bool static_ = false;
  CScenePhysics* scene_ = nullptr;
  bool armed_ = true;
  VelocityFunc velocityFunc_ = cpBodyUpdateVelocity;
  std::vector<CNodePhysicsJoint*> joints_;
  bool destroying_ = false;
};

}  // namespace RenderEngine
