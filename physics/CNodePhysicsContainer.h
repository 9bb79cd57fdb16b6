#pragma once
// A group node for an entity made of several bodies joined by joints. It enters
// and leaves the physics space as one, and hands the transforms set on it to
// its children as changes (each child moves, turns and scales about its own
// origin). Its own matrix is never used: it draws its children in its parent's
// space.
#include <utility>
#include <vector>

#include "physics/CNodePhysicsBaseInterface.h"

namespace RenderEngine {

class CNodePhysicsContainer : public CNodePhysicsBaseInterface {
 public:
  CNodePhysicsContainer() = default;
  // Clones the children; joints in the copy bind the copied bodies.
  CNodePhysicsContainer(const CNodePhysicsContainer& other);
  ~CNodePhysicsContainer() override = default;

  void setRotation(float x, float y, float z) override;
  void setPosition(float x, float y, float z) override;
  void setScale(float x, float y, float z) override;
  void rotateBy(float dx, float dy, float dz) override;
  void moveBy(float dx, float dy, float dz) override;
  void scaleBy(float fx, float fy, float fz) override;
  void draw(bool pass, bool push) override;
  CNode* clone() const override;
  void addToSpace(CScenePhysics* scene) override;
  void removeFromSpace() override;

 private:
  // The children's scales when a component of the container's went to 0, so
  // they can come back from it (a ratio from 0 cannot).
  std::vector<std::pair<CNode*, Vector3>> scaleBeforeZero_;
  Vector3 lastNonZeroScale_{1.0f, 1.0f, 1.0f};
};

}  // namespace RenderEngine
