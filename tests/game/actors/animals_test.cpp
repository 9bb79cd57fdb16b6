// Sheep and wolves on real Chipmunk: the goal timer, death inside a real
// collision handler, the wolf that reaches a goal zone, states and bleats.
#include <gtest/gtest.h>

#include "app/Random.h"
#include "game/actors/ActorCasts.h"
#include "game/actors/QMRSheep.h"
#include "tests/game/ActorFixtures.h"

using namespace actortest;
using physicstest::body;
using physicstest::boxShape;
using physicstest::circleShape;

namespace {

template <class Animal>
Animal* makeAnimal(int type, float x, float y) {
  auto* a = new Animal;
  a->setPosition(x, y, 0.0f);
  a->createBody(body(1.0f, {circleShape(10.0f)}, type));
  a->buildVisual();
  a->setState(1);
  return a;
}

int deathZone(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  if (QMRSheep* s = asAnimal(a)) s->die();
  if (QMRSheep* s = asAnimal(b)) s->die();
  return 1;
}

}  // namespace

TEST(Animals, GoalTimerCountsOnlyAtRestInStateOne) {
  ActorEnvironment env;
  QMRSheep* sheep = makeAnimal<QMRSheep>(1, 100, 100);
  sheep->setInGoalZone(true);
  for (int t = 0; t < 1000; t += 100) sheep->update(100);
  EXPECT_EQ(sheep->getGoalTimer(), 0);
  EXPECT_FALSE(sheep->isObjectiveReached()) << "the timer must fall below 0";
  sheep->update(33);
  EXPECT_TRUE(sheep->isObjectiveReached());

  // A nudge at 900 ms starts the count again.
  sheep->setInGoalZone(true);
  for (int t = 0; t < 900; t += 100) sheep->update(100);
  EXPECT_EQ(sheep->getGoalTimer(), 100);
  sheep->setVelocity(Vector3(2.0f, 0.0f, 0.0f));
  sheep->update(100);
  EXPECT_EQ(sheep->getGoalTimer(), 1000);
  sheep->setVelocity(Vector3(0.0f, 0.0f, 0.0f));
  sheep->setAngularVelocity(1.5f);
  EXPECT_TRUE(sheep->isMoving());
  sheep->update(100);
  EXPECT_EQ(sheep->getGoalTimer(), 1000);
  sheep->setAngularVelocity(0.0f);
  EXPECT_FALSE(sheep->isMoving());

  // Outside state 1 nothing counts; leaving the zone resets.
  sheep->setState(3);
  sheep->update(500);
  EXPECT_EQ(sheep->getGoalTimer(), 1000);
  sheep->setState(1);
  sheep->update(500);
  EXPECT_EQ(sheep->getGoalTimer(), 500);
  sheep->setInGoalZone(false);
  EXPECT_EQ(sheep->getGoalTimer(), 1000);
  sheep->update(500);
  EXPECT_EQ(sheep->getGoalTimer(), 1000);
  delete sheep;
}

TEST(Animals, SheepDiesInsideARealBeginHandlerAndLeavesAfterTheStep) {
  ActorEnvironment env;
  CScenePhysics scene;
  initScene(scene);
  scene.addCollisionHandler(1, 8, &deathZone);
  auto* spikes = physicstest::makeNode(body(0.0f, {boxShape(100.0f, 5.0f)}, 8, true), 200, 200);
  scene.addPhysicsItem(spikes);
  QMRSheep* sheep = makeAnimal<QMRSheep>(1, 200, 170);
  scene.addPhysicsItem(sheep);
  g_bannerShown = true;  // no bleats in the way
  playedSounds().clear();
  sheep->setRotation(0, 0, 30);
  for (int i = 0; i < 60 && !sheep->isDead(); ++i) scene.update(33);
  ASSERT_TRUE(sheep->isDead());
  EXPECT_EQ(sheep->getState(), 4);
  EXPECT_EQ(sheep->getScene(), nullptr);
  EXPECT_FALSE(cpSpaceContainsBody(scene.getSpace(), sheep->getBody()));
  EXPECT_NEAR(sheep->getRotation().z, 0.0f, 1e-3f);
  EXPECT_TRUE(sheep->isObjectiveFailed());
  EXPECT_EQ(playedSounds(), std::vector<std::uint32_t>({33})) << "ejected while on screen";
  // A second death in the same way changes nothing.
  sheep->die();
  EXPECT_EQ(playedSounds().size(), 1u);
  scene.update(33);

  QMRSheep* fallen = makeAnimal<QMRSheep>(1, 100, 320);
  playedSounds().clear();
  fallen->die();
  EXPECT_EQ(playedSounds(), std::vector<std::uint32_t>({32})) << "eaten below the screen";
  delete fallen;
}

TEST(Animals, WolfFailsInTheGoalZoneAndThenPassesThroughLayerOne) {
  ActorEnvironment env;
  CScenePhysics scene;
  initScene(scene);
  addGoalPad(scene, 9);
  QMRWolf* wolf = makeAnimal<QMRWolf>(9, 200, 184);
  scene.addPhysicsItem(wolf);
  EXPECT_FALSE(wolf->bleats());
  bool failed = false;
  for (int i = 0; i < 120 && !failed; ++i) {
    scene.update(33);
    failed = wolf->isObjectiveFailed();
  }
  ASSERT_TRUE(failed);
  EXPECT_EQ(wolf->getState(), 4);
  for (int i = 0; i < wolf->getShapeCount(); ++i) {
    const cpShapeFilter f = cpShapeGetFilter(wolf->getShape(i));
    EXPECT_EQ(f.categories, 4u);
    EXPECT_EQ(f.mask, 4u);
  }
  EXPECT_FALSE(wolf->isObjectiveReached());

  // A floor of layer 1 no longer holds it.
  PhysicsBodyDescription floor = body(0.0f, {boxShape(100.0f, 5.0f)}, 3, true);
  floor.layers = 1;
  auto* ledge = physicstest::makeNode(floor, 200, 100);
  scene.addPhysicsItem(ledge);
  wolf->setPosition(200, 80, 0);
  wolf->setVelocity(Vector3(0, 0, 0));
  for (int i = 0; i < 15; ++i) scene.update(33);
  EXPECT_GT(wolf->getPosition().y, 110.0f);
}

TEST(Animals, StatesPosesSoundsAndTheEatenWolf) {
  ActorEnvironment env;
  QMRSheep* sheep = makeAnimal<QMRSheep>(1, 100, 100);
  ASSERT_NE(sheep->getVisual(), nullptr);
  EXPECT_EQ(sheep->getVisual()->getAnimation().getFrame(), 77);
  g_bannerShown = true;
  for (int i = 0; i < 40; ++i) sheep->update(33);
  playedSounds().clear();
  sheep->setState(1);
  EXPECT_TRUE(playedSounds().empty());
  EXPECT_FALSE(sheep->getVisual()->getChild(0)->isAnimationPlaying()) << "the same state restarts nothing";
  sheep->setRotation(0, 0, 45);
  sheep->setState(2);
  EXPECT_EQ(sheep->getVisual()->getAnimation().getFrame(), 165);
  EXPECT_FALSE(sheep->getVisual()->isAnimationPlaying());
  EXPECT_TRUE(sheep->getVisual()->getChild(0)->isAnimationPlaying());
  EXPECT_FALSE(sheep->isStateAnimationDone());
  EXPECT_NEAR(sheep->getRotation().z, 0.0f, 1e-4f);
  EXPECT_EQ(playedSounds(), std::vector<std::uint32_t>({35}));
  sheep->setState(0);
  sheep->setState(7);
  sheep->setState(-1);
  EXPECT_EQ(sheep->getState(), 0);
  EXPECT_EQ(playedSounds(), std::vector<std::uint32_t>({35, 34}));
  for (int i = 0; i < 40; ++i) sheep->update(33);
  EXPECT_TRUE(sheep->isStateAnimationDone());

  QMRWolf* wolf = makeAnimal<QMRWolf>(9, 100, 100);
  EXPECT_EQ(wolf->getVisual()->getAnimation().getFrame(), 89);
  playedSounds().clear();
  wolf->die();
  EXPECT_EQ(wolf->getState(), 2);
  EXPECT_TRUE(wolf->isObjectiveReached());
  EXPECT_FALSE(wolf->isObjectiveFailed());
  EXPECT_EQ(playedSounds(), std::vector<std::uint32_t>({36}));
  EXPECT_EQ(wolf->getVisual()->getAnimation().getFrame(), 91);
  for (int i = 0; i < 40 && wolf->isVisible(); ++i) wolf->update(33);
  EXPECT_FALSE(wolf->isVisible()) << "the eaten wolf hides once its animation is done";
  delete sheep;
  delete wolf;
}

TEST(Animals, IdleAnimationsRunButBleatsWaitForTheBanner) {
  ActorEnvironment env;
  QMRSheep* sheep = makeAnimal<QMRSheep>(1, 100, 100);
  CNode* idle = sheep->findByTag(66);
  ASSERT_NE(idle, nullptr);
  for (int i = 0; i < 20; ++i) sheep->update(33);
  playedSounds().clear();
  g_bannerShown = true;
  int idles = 0;
  for (int i = 0; i < 1000; ++i) {
    sheep->update(33);
    if (idle->isAnimationPlaying()) ++idles;
  }
  EXPECT_GT(idles, 0);
  EXPECT_TRUE(playedSounds().empty());
  g_bannerShown = false;
  for (int i = 0; i < 1000; ++i) sheep->update(33);
  ASSERT_FALSE(playedSounds().empty());
  for (std::uint32_t id : playedSounds()) EXPECT_TRUE(id >= 29 && id <= 31) << id;

  // A wolf never bleats.
  QMRWolf* wolf = makeAnimal<QMRWolf>(9, 100, 100);
  playedSounds().clear();
  for (int i = 0; i < 1000; ++i) wolf->update(33);
  EXPECT_TRUE(playedSounds().empty());
  delete sheep;
  delete wolf;
}

TEST(Animals, TheBannerDoesNotMoveTheRandomTimers) {
  ActorEnvironment env;
  // The same sheep run twice from one seed, heard and muted: the draws match.
  const auto drawAfter = [](bool banner) {
    seedRandom(7);
    g_bannerShown = banner;
    QMRSheep* sheep = makeAnimal<QMRSheep>(1, 100, 100);
    for (int i = 0; i < 1000; ++i) sheep->update(33);
    delete sheep;
    g_bannerShown = false;
    return randomNext();
  };
  playedSounds().clear();
  const int muted = drawAfter(true);
  EXPECT_TRUE(playedSounds().empty());
  EXPECT_EQ(drawAfter(false), muted);
  EXPECT_FALSE(playedSounds().empty());
}

TEST(Animals, WithoutALookEverythingStillRuns) {
  ActorEnvironment env;
  ActorTemplates::install(ActorTemplates::kSheepScene, new CNode);
  QMRSheep* sheep = makeAnimal<QMRSheep>(1, 100, 100);
  EXPECT_EQ(sheep->getVisual(), nullptr);
  sheep->setState(2);
  for (int i = 0; i < 500; ++i) sheep->update(33);
  EXPECT_TRUE(sheep->isStateAnimationDone());
  delete sheep;
}

TEST(Animals, ACopyHasItsOwnLookInTheSourcesState) {
  ActorEnvironment env;
  QMRSheep* sheep = makeAnimal<QMRSheep>(1, 100, 100);
  sheep->setState(2);
  sheep->setInGoalZone(true);
  playedSounds().clear();
  auto* copy = dynamic_cast<QMRSheep*>(sheep->clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->getState(), 2);
  EXPECT_TRUE(copy->isInGoalZone());
  ASSERT_NE(copy->getVisual(), nullptr);
  EXPECT_NE(copy->getVisual(), sheep->getVisual());
  EXPECT_EQ(copy->getVisual()->getParent()->getParent(), copy);
  EXPECT_EQ(copy->getVisual()->getAnimation().getFrame(), 165);
  EXPECT_TRUE(playedSounds().empty());
  auto* wolfCopy = dynamic_cast<QMRWolf*>(QMRWolf().clone());
  EXPECT_NE(wolfCopy, nullptr);
  delete wolfCopy;
  delete copy;
  delete sheep;
}
