#pragma once
// The interface of a rules object: collision handlers installed on a level's
// physics scene, the reaction to a tap, and the timed bodies (short-lived
// bodies that leave the scene after a given time). The scene, the sequence
// and the timed lists are one set for the process, as the handlers are plain
// functions that reach them without an object.
#include <cstdint>
#include <vector>

#include "game/actors/LevelSequenceActions.h"
#include "physics/CScenePhysics.h"

class GameplayTestInterface {
 public:
  struct TimedBody {
    RenderEngine::CNodePhysics* node = nullptr;
    std::int32_t remainingMs = 0;
  };

  GameplayTestInterface() = default;
  GameplayTestInterface(const GameplayTestInterface&) = delete;
  GameplayTestInterface& operator=(const GameplayTestInterface&) = delete;
  // Takes the handlers off the scene, which is forgotten.
  virtual ~GameplayTestInterface();

  virtual void registerHandlers() {}
  virtual void unregisterHandlers() {}
  virtual void clearTimedBodies();
  // Counts the live bodies' time down (only over frames in which the scene
  // stepped, so a body of lifetime 0 always takes part in one step), queues
  // those whose time is up for removal, then makes the added ones live.
  virtual void update(int dtMs);
  virtual void draw() {}
  virtual void onLevelBuilt() {}
  virtual void clearAll();
  // Handlers leave the old scene and are installed on the new one.
  virtual void setSpace(RenderEngine::CScenePhysics* scene);
  virtual void setLevelSequence(LevelSequenceActions* sequence);
  // True when the tap counts as an action.
  virtual bool onObjectTapped(RenderEngine::CNode* node);

  // Adds the node to the scene; it is removed after that many milliseconds.
  static void addTimedBody(RenderEngine::CNodePhysics* node, std::int32_t lifetimeMs);

  static RenderEngine::CScenePhysics* scene();
  static LevelSequenceActions* sequence();
  static const std::vector<TimedBody>& liveBodies();
  static const std::vector<TimedBody>& addedBodies();
};
