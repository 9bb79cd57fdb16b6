#pragma once
// The common base of every node that can live in a physics space: single
// bodies, groups of bodies and joints.
#include "render_engine/CNode.h"

namespace RenderEngine {

class CScenePhysics;

class CNodePhysicsBaseInterface : public CNode {
 public:
  CNodePhysicsBaseInterface() = default;
  CNodePhysicsBaseInterface(const CNodePhysicsBaseInterface& other) = default;
  ~CNodePhysicsBaseInterface() override = default;

  // Puts the node's body, shapes or constraint into the scene's space and
  // remembers the scene; a null scene takes the node out.
  virtual void addToSpace(CScenePhysics* scene) = 0;
  // Takes the node's parts out of the remembered scene's space.
  virtual void removeFromSpace() = 0;
  // Draws the physics outline in world coordinates; nothing by default.
  virtual void drawDebug() {}
};

}  // namespace RenderEngine
