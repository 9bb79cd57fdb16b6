// Black animals on real Chipmunk with the sample models: the look follows
// the placed model, a swap keeps the body's state, and a swap in a goal zone
// keeps the goal timer across the next step.
#include <gtest/gtest.h>

#include "game/actors/ActorCasts.h"
#include "game/actors/QMRBlackAnimals.h"
#include "game/actors/QMRCNodePhysicsReader.h"
#include "tests/game/ActorData.h"
#include "tests/game/ActorFixtures.h"

using namespace actortest;

namespace {

// The game's reader at the configured grid size.
struct GameReader : QMRCNodePhysicsReader {
  GameReader() { setScale(getGridSize()); }
};

template <class T>
T* build(QMRCNodePhysicsReader& reader, const std::string& name) {
  auto* node = dynamic_cast<T*>(reader.createEntity(name));
  EXPECT_NE(node, nullptr) << name;
  return node;
}


}  // namespace

TEST(BlackAnimals, SwapKeepsTheBodysStateAndChangesModelAndLook) {
  ActorEnvironment env;
  ActorData data(10);
  GameReader reader;
  QMRBlackSheep* sheep = build<QMRBlackSheep>(reader, "BlackSheepHeavy");
  ASSERT_NE(sheep, nullptr);
  ASSERT_TRUE(sheep->canSwap());
  EXPECT_EQ(sheep->getModelIndex(), 1) << "placed with its second model";
  EXPECT_FALSE(sheep->getLook(0)->isVisible());
  EXPECT_TRUE(sheep->getLook(1)->isVisible());
  EXPECT_EQ(sheep->getVisual(), sheep->getLook(1)->getChild(0));
  EXPECT_EQ(sheep->getPose(0), 77);

  sheep->setPosition(120, 80, 0);
  sheep->setRotation(0, 0, 30);
  sheep->setVelocity(Vector3(12, -7, 0));
  sheep->setAngularVelocity(2.5f);
  const cpVect p = cpBodyGetPosition(sheep->getBody());
  const cpFloat angle = cpBodyGetAngle(sheep->getBody());
  const cpFloat oldElasticity = cpShapeGetElasticity(sheep->getShape(0));
  const float heavy = sheep->getMass();
  asSwappable(sheep)->swap();
  EXPECT_EQ(sheep->getModelIndex(), 0);
  EXPECT_TRUE(cpveql(cpBodyGetPosition(sheep->getBody()), p));
  EXPECT_EQ(cpBodyGetAngle(sheep->getBody()), angle);
  EXPECT_TRUE(cpveql(cpBodyGetVelocity(sheep->getBody()), cpv(12, -7)));
  EXPECT_FLOAT_EQ(sheep->getAngularVelocity(), 2.5f);
  EXPECT_FLOAT_EQ(sheep->getMass(), 0.5f);
  EXPECT_NE(sheep->getMass(), heavy);
  EXPECT_NE(cpShapeGetElasticity(sheep->getShape(0)), oldElasticity);
  EXPECT_TRUE(sheep->getLook(0)->isVisible());
  EXPECT_FALSE(sheep->getLook(1)->isVisible());
  EXPECT_EQ(sheep->getVisual()->getAnimation().getFrame(), 77);
  sheep->swap();
  EXPECT_EQ(sheep->getModelIndex(), 1);
  EXPECT_FLOAT_EQ(sheep->getMass(), heavy);

  QMRBlackWolf* wolf = build<QMRBlackWolf>(reader, "BlackWolfLight");
  ASSERT_NE(wolf, nullptr);
  EXPECT_EQ(wolf->getModelIndex(), 0);
  EXPECT_EQ(wolf->getPose(4), 2);
  EXPECT_FALSE(wolf->bleats());
  wolf->swap();
  EXPECT_FLOAT_EQ(wolf->getMass(), 5.0f);

  auto* copy = dynamic_cast<QMRBlackSheep*>(sheep->clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->getModelIndex(), 1);
  EXPECT_NE(copy->getLook(1), nullptr);
  EXPECT_NE(copy->getLook(1), sheep->getLook(1));
  EXPECT_TRUE(copy->getLook(1)->isVisible());
  delete copy;
  delete sheep;
  delete wolf;
}

TEST(BlackAnimals, AtGridTwentyTheLookStillFollowsTheModel) {
  ActorEnvironment env;
  ActorData data(20);
  GameReader reader;
  QMRBlackSheep* heavy = build<QMRBlackSheep>(reader, "BlackSheepHeavy");
  QMRBlackSheep* light = build<QMRBlackSheep>(reader, "BlackSheepLight");
  ASSERT_TRUE(heavy && light);
  EXPECT_FLOAT_EQ(heavy->getMass(), 8.0f);
  EXPECT_EQ(heavy->getModelIndex(), 1);
  EXPECT_EQ(light->getModelIndex(), 0);
  // Swapping keeps the scaled masses.
  heavy->swap();
  EXPECT_FLOAT_EQ(heavy->getMass(), 1.0f);
  heavy->swap();
  EXPECT_FLOAT_EQ(heavy->getMass(), 8.0f);
  delete heavy;
  delete light;
}

TEST(BlackAnimals, WithoutARecordNothingSwaps) {
  ActorEnvironment env;
  ActorData data(10, false);
  GameReader reader;
  QMRBlackSheep* sheep = build<QMRBlackSheep>(reader, "BlackSheepHeavy");
  ASSERT_NE(sheep, nullptr);
  EXPECT_FALSE(sheep->canSwap());
  const float mass = sheep->getMass();
  sheep->swap();
  EXPECT_EQ(sheep->getModelIndex(), 0);
  EXPECT_EQ(sheep->getMass(), mass);
  EXPECT_TRUE(sheep->getLook(0)->isVisible());
  EXPECT_FALSE(sheep->getLook(1)->isVisible());
  delete sheep;
}

TEST(BlackAnimals, ASwapInTheGoalZoneKeepsTheGoalTimerAcrossTheNextStep) {
  ActorEnvironment env;
  ActorData data(10);
  GameReader reader;
  CScenePhysics scene;
  initScene(scene);
  addGoalPad(scene, 13);
  QMRBlackWolf* wolf = build<QMRBlackWolf>(reader, "BlackWolfLight");
  ASSERT_NE(wolf, nullptr);
  wolf->setPosition(200, 181, 0);
  scene.addPhysicsItem(wolf);
  for (int i = 0; i < 20; ++i) scene.update(33);
  ASSERT_TRUE(wolf->isInGoalZone());
  const int before = wolf->getGoalTimer();
  ASSERT_LT(before, 1000) << "at rest on the pad";
  wolf->swap();
  EXPECT_TRUE(wolf->isInGoalZone());
  EXPECT_EQ(wolf->getGoalTimer(), before);
  scene.update(33);
  EXPECT_TRUE(wolf->isInGoalZone());
  EXPECT_EQ(wolf->getGoalTimer(), before - 33);
  scene.update(33);
  EXPECT_EQ(wolf->getGoalTimer(), before - 66);

  // Swapped and carried away from the zone at once: out of it once the space
  // has stepped.
  wolf->swap();
  wolf->setPosition(200, 60, 0);
  EXPECT_TRUE(wolf->isInGoalZone());
  scene.update(33);
  EXPECT_FALSE(wolf->isInGoalZone());
  EXPECT_EQ(wolf->getGoalTimer(), 1000);
}

namespace {
QMRBlackSheep* g_swapInside = nullptr;
int g_indexInside = -1;
int swapOnContact(CNodePhysics*, CNodePhysics*, int, ContactList) {
  if (g_swapInside != nullptr) {
    g_swapInside->swap();
    g_indexInside = g_swapInside->getModelIndex();
  }
  g_swapInside = nullptr;
  return 1;
}
}  // namespace

TEST(BlackAnimals, ASwapAskedInsideAStepWaitsForItsEnd) {
  ActorEnvironment env;
  ActorData data(10);
  GameReader reader;
  CScenePhysics scene;
  initScene(scene);
  scene.addCollisionHandler(12, 3, &swapOnContact);
  auto* floor = physicstest::makeNode(physicstest::body(0.0f, {physicstest::boxShape(100, 5)}, 3, true), 200, 200);
  scene.addPhysicsItem(floor);
  QMRBlackSheep* sheep = build<QMRBlackSheep>(reader, "BlackSheepLight");
  sheep->setPosition(200, 150, 0);
  scene.addPhysicsItem(sheep);
  g_swapInside = sheep;
  for (int i = 0; i < 40 && g_swapInside != nullptr; ++i) scene.update(33);
  EXPECT_EQ(g_swapInside, nullptr);
  EXPECT_EQ(g_indexInside, 0) << "nothing changes while the space steps";
  EXPECT_EQ(sheep->getModelIndex(), 1);
  EXPECT_FLOAT_EQ(sheep->getMass(), 4.0f);
  EXPECT_TRUE(cpSpaceContainsShape(scene.getSpace(), sheep->getShape(0)));
}
