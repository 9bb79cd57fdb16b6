#pragma once
// Fixtures for the actor tests: look templates built in code (no pictures, so
// no OpenGL), a recorder in place of the sound engine, and a small physics
// scene with gravity.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/Random.h"
#include "game/actors/ActorTemplates.h"
#include "game/actors/ISwappableItem.h"
#include "game/actors/QMRJoint.h"
#include "game/actors/QMRSheep.h"
#include "physics/CScenePhysics.h"
#include "physics/PhysicsTestSupport.h"
#include "render_engine/COptionalNodeList.h"
#include "tests/game/RecordingHost.h"

namespace actortest {

using namespace RenderEngine;

inline std::vector<std::uint32_t>& playedSounds() {
  static std::vector<std::uint32_t> played;
  return played;
}
inline bool g_bannerShown = false;

// The actors' sounds go to playedSounds(); the banner is shown while
// g_bannerShown says so.
struct ActorHost : qmtest::RecordingHost {
  void playSound(int id) override {
    if (id >= 0) playedSounds().push_back(static_cast<std::uint32_t>(id));
  }
  bool isBannerShown() override { return g_bannerShown; }
};

// A node with one animation segment of that many frames (poses its children).
inline CNode* animated(int frames, CNode* node = nullptr) {
  if (node == nullptr) node = new CNode;
  CPath path(static_cast<std::uint16_t>(frames));
  KeyframeTransform a;
  a.scale = Vector3(1, 1, 1);
  KeyframeTransform b = a;
  b.position = Vector3(0, static_cast<float>(frames), 0);
  path.addPoint(a);
  path.addPoint(b);
  node->addAnimationSegment(path);
  return node;
}

// The visual (poseFrames frames) -> {a part playing 10 frames, the idle node
// tagged 66 playing 5 frames over one child}.
inline CNode* animalVisual(int poseFrames) {
  auto* visual = animated(poseFrames);
  visual->addChild(animated(10, nullptr));
  visual->getChild(0)->addChild(new CNode);
  CNode* idle = animated(5);
  idle->setTag(66);
  idle->addChild(animated(3));
  visual->addChild(idle);
  return visual;
}
// root -> visual.
inline CNode* animalTemplate(int poseFrames) {
  auto* root = new CNode;
  root->addChild(animalVisual(poseFrames));
  return root;
}
// A look: a node over a visual.
inline CNode* animalLook(int poseFrames) {
  auto* look = new CNode;
  look->addChild(animalVisual(poseFrames));
  return look;
}
// root -> pair -> {look 0, look 1}.
inline CNode* blackAnimalTemplate(int poseFrames) {
  auto* pair = new CNode;
  pair->addChild(animalLook(poseFrames));
  pair->addChild(animalLook(poseFrames));
  auto* root = new CNode;
  root->addChild(pair);
  return root;
}

// root -> a -> selector (tag 105) -> option list of 24 looks; look k's visual
// has 2 frames; looks 0, 9, 16, 20 and 21 have two animated children, the
// others one; look 18 (the joint end) is tagged 918.
inline CNode* blocksTemplate() {
  auto* list = new COptionalNodeList;
  std::vector<std::uint16_t> words;
  for (int k = 0; k < 24; ++k) {
    words.push_back(1);
    words.push_back(static_cast<std::uint16_t>(k));
    auto* look = new CNode;
    look->setTag(900 + k);
    auto* visual = new CNode;
    for (int f = 0; f < 2; ++f) {
      CPath path(1);
      KeyframeTransform p;
      p.scale = Vector3(1, 1, 1);
      p.rotationZ = static_cast<float>(f * 10);
      path.addPoint(p);
      visual->addAnimationSegment(path);
    }
    const bool busy = k == 0 || k == 9 || k == 16 || k == 20 || k == 21;
    visual->addChild(animated(8));
    if (busy) visual->addChild(animated(12));
    look->addChild(visual);
    list->addChild(look);
  }
  list->setupOptions(24, static_cast<std::uint32_t>(words.size()), words.data());
  auto* selector = new CNode;
  selector->setTag(105);
  selector->addChild(list);
  auto* a = new CNode;
  a->addChild(selector);
  auto* root = new CNode;
  root->addChild(a);
  return root;
}

// Installs the code-built templates, the recorder and a fixed seed.
struct ActorEnvironment {
  ActorHost host;
  ActorEnvironment() {
    ActorTemplates::clearAll();
    QMRJoint::resetTemplate();
    ActorTemplates::install(ActorTemplates::kSheepScene, animalTemplate(336));
    ActorTemplates::install(ActorTemplates::kWolfScene, animalTemplate(92));
    ActorTemplates::install(ActorTemplates::kBlackSheepScene, blackAnimalTemplate(336));
    ActorTemplates::install(ActorTemplates::kBlackWolfScene, blackAnimalTemplate(92));
    ActorTemplates::install(ActorTemplates::kBlocksScene, blocksTemplate());
    playedSounds().clear();
    g_bannerShown = false;
    seedRandom(1234);
  }
  ~ActorEnvironment() {
    ActorTemplates::clearAll();
    QMRJoint::resetTemplate();
    ISwappableItem::resetSwapModels();
  }
};

// The goal zone's handlers as the rules install them.
inline void setGoalZone(CNodePhysics* a, CNodePhysics* b, bool inside) {
  for (CNode* n : {static_cast<CNode*>(a), static_cast<CNode*>(b)}) {
    if (auto* animal = dynamic_cast<QMRSheep*>(n)) animal->setInGoalZone(inside);
  }
}
inline int enterGoal(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  setGoalZone(a, b, true);
  return 1;
}
inline int leaveGoal(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  setGoalZone(a, b, false);
  return 1;
}

// A goal pad 120 wide at (200, 200), its top at y 195, with the goal
// zone's handlers for the animal type.
inline void addGoalPad(CScenePhysics& scene, int animalType) {
  CollisionCallbacks goal;
  goal.begin = &enterGoal;
  goal.separate = &leaveGoal;
  scene.addCollisionHandlers(animalType, 7, &goal);
  scene.addPhysicsItem(physicstest::makeNode(physicstest::body(0.0f, {physicstest::boxShape(60, 5)}, 7, true), 200, 200));
}

// A scene with a space and downward gravity (y grows downwards).
inline void initScene(CScenePhysics& scene, float gravityY = 400.0f) {
  scene.initSpace();
  PhysicsWorldParameters world;
  world.gravity = Vector3(0.0f, gravityY, 0.0f);
  world.damping = 1.0f;
  scene.setWorldParameters(world);
}

}  // namespace actortest
