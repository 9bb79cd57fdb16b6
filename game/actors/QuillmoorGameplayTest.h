#pragma once
// The game's rules: ice blocks that break on hard impacts, explosive blocks
// that blow up, the blast that pushes bodies away, jumper blocks that bounce
// bodies off, the goal and death zones of the animals, and the taps on blocks
// and black animals. Every node a rule acts on is checked for its class: a
// plain part of a complex entity with a game collision type is left alone.
#include "game/actors/GameplayTestInterface.h"
#include "game/actors/ISwappableItem.h"

class QuillmoorGameplayTest : public GameplayTestInterface {
 public:
  // The blast's radius per unit of the configured explosion radius.
  static constexpr float kBlastRadiusFactor = 21.21362f;
  static constexpr int kTypeCount = 15;

  QuillmoorGameplayTest();
  ~QuillmoorGameplayTest() override;

  void registerHandlers() override;
  void unregisterHandlers() override;
  bool onObjectTapped(RenderEngine::CNode* node) override;
  // Whether a tap on the node does anything: a block that breaks, an armed
  // explosive, a black animal that swaps.
  static bool takesTap(RenderEngine::CNode* node);

  virtual void swapItem(ISwappableItem* item);
  // A won level: the animals pass through everything but the goal zone.
  virtual void ignoreAnimalCollisions();
  virtual void restoreAnimalCollisions();

  // The blast of an explosive: a static circle in its place, the block out
  // of the level, its effect shown; the blast lives for one step.
  static void explodeBlock(RenderEngine::CNodePhysics* block);

  // The handlers, public for tests that call them on a pair directly.
  static int onIceCollision(RenderEngine::CNodePhysics* a, RenderEngine::CNodePhysics* b, int count,
                            RenderEngine::ContactList contacts);
  static int onExplosiveCollision(RenderEngine::CNodePhysics* a, RenderEngine::CNodePhysics* b, int count,
                                  RenderEngine::ContactList contacts);
  static int onJumperContact(RenderEngine::CNodePhysics* a, RenderEngine::CNodePhysics* b, int count,
                             RenderEngine::ContactList contacts);
  static int onBlastContact(RenderEngine::CNodePhysics* a, RenderEngine::CNodePhysics* b, int count,
                            RenderEngine::ContactList contacts);
  static int onAnimalEnterGoalZone(RenderEngine::CNodePhysics* a, RenderEngine::CNodePhysics* b, int count,
                                   RenderEngine::ContactList contacts);
  static int onAnimalLeaveGoalZone(RenderEngine::CNodePhysics* a, RenderEngine::CNodePhysics* b, int count,
                                   RenderEngine::ContactList contacts);
  static int onAnimalInDeathZone(RenderEngine::CNodePhysics* a, RenderEngine::CNodePhysics* b, int count,
                                 RenderEngine::ContactList contacts);
  static int rejectContact(RenderEngine::CNodePhysics* a, RenderEngine::CNodePhysics* b, int count,
                           RenderEngine::ContactList contacts);

 private:
  RenderEngine::CollisionCallbacks goalZoneCallbacks_;
  RenderEngine::CollisionCallbacks ignoreCallbacks_;
};
