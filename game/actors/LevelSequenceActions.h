#pragma once
// What the rules ask of the screen that plays a level: take a node out of
// the level (with the joints on it) and show the effect of a tap on it. The
// in-game sequence is the one implementation; tests give a recorder.
namespace RenderEngine {
class CNode;
class CNodePhysics;
}  // namespace RenderEngine

class LevelSequenceActions {
 public:
  virtual ~LevelSequenceActions() = default;
  virtual void removeObject(RenderEngine::CNode* node) = 0;
  virtual void spawnTapEffect(RenderEngine::CNodePhysics* node) = 0;
};
