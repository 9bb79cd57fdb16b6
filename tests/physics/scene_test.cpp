// The physics scene: step cadence, the collision bridge (order of node A,
// phases, contacts, removal), point queries, changes made from inside a
// callback, reset and destruction.
#include <chipmunk/chipmunk.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "physics/CNodePhysicsJoint.h"
#include "physics/CScenePhysics.h"
#include "physics/PhysicsTestSupport.h"

// Under AddressSanitizer, freed memory is zeroed: the library is not
// instrumented, so a use of a freed part inside it shows as a null body or
// class there (a crash or the library's abort) instead of passing unseen.
extern "C" const char* __asan_default_options() { return "max_free_fill_size=4096:free_fill_byte=0"; }

using namespace RenderEngine;
using namespace physicstest;

namespace {

struct Call {
  std::string phase;
  CNodePhysics* a;
  CNodePhysics* b;
  int count;
  ContactList contacts;
};
std::vector<Call> g_calls;
std::function<int(CNodePhysics*, CNodePhysics*)> g_onBegin;

// Records each call; begin answers what g_onBegin says (1 without it).
constexpr const char* kPhases[] = {"begin", "pre", "post", "separate"};
template <int Phase>
int record(CNodePhysics* a, CNodePhysics* b, int n, ContactList c) {
  g_calls.push_back({kPhases[Phase], a, b, n, c});
  return Phase == 0 && g_onBegin ? g_onBegin(a, b) : 1;
}
constexpr CollisionCallback onBegin = &record<0>, onPre = &record<1>, onPost = &record<2>, onSeparate = &record<3>;
int reject(CNodePhysics*, CNodePhysics*, int, ContactList) { return 0; }

int countPhase(const std::string& phase) {
  int n = 0;
  for (const auto& c : g_calls) n += c.phase == phase ? 1 : 0;
  return n;
}

class PhysicsScene : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    g_onBegin = nullptr;
  }
  void TearDown() override { g_onBegin = nullptr; }
  // A static floor (type 3) with a box of the given type sunk into it.
  void addGroundAndBox(int boxType) {
    ground = makeNode(body(1.0f, {boxShape(50, 5)}, 3, true), 0, 10);
    box = makeNode(body(1.0f, {boxShape(5, 5)}, boxType), 0, 1);
    scene.addPhysicsItem(ground);
    scene.addPhysicsItem(box);
  }
  // A ball falling onto a thin floor of type 3 for two seconds.
  CNodePhysics* dropBallOnFloor(CollisionCallback begin, bool removeHandler) {
    scene.setWorldParameters({10, 0, Vector3(0, 200, 0), 1.0f});
    scene.addPhysicsItem(makeNode(body(1.0f, {boxShape(50, 2)}, 3, true), 0, 20));
    auto* ball = makeNode(body(1.0f, {circleShape(3)}, 1), 0, 0);
    scene.addPhysicsItem(ball);
    scene.addCollisionHandler(1, 3, begin);
    if (removeHandler) scene.removeCollisionHandler(3, 1);
    for (int i = 0; i < 60; ++i) scene.update(33);
    return ball;
  }
  CScenePhysics scene;
  CNodePhysics* ground = nullptr;
  CNodePhysics* box = nullptr;
};

// ---------------------------------------------------------------------------
// Cadence

TEST_F(PhysicsScene, ThirtyPerSecondTakesOneStepPerUpdateWhateverItsLength) {
  EXPECT_EQ(scene.getStepsPerSecond(), 30);
  scene.setWorldParameters({10, 0, Vector3(0, 90, 0), 1.0f});
  auto* ball = makeNode(body(1.0f, {circleShape(1)}), 0, 0);
  scene.addPhysicsItem(ball);
  scene.update(33);
  EXPECT_EQ(scene.getStepCount(), 1u);
  // A 200 ms frame still advances the simulation by a thirtieth of a second.
  scene.update(200);
  EXPECT_EQ(scene.getStepCount(), 2u);
  EXPECT_NEAR(ball->getVelocity().y, 2 * 90.0f / 30.0f, 1e-4);
  scene.update(0);  // no new credit
  EXPECT_EQ(scene.getStepCount(), 2u);
  // At 60 per second a 33 ms frame takes two steps of 1/60 s.
  scene.setStepsPerSecond(60);
  scene.update(33);
  EXPECT_NEAR(ball->getVelocity().y, 2 * 90.0f / 30.0f + 2 * 90.0f / 60.0f, 1e-4);
}

TEST_F(PhysicsScene, OtherRatesSpendTheirStepsOverTheFrames) {
  auto stepsPerUpdate = [this](int rate, int updates) {
    scene.setStepsPerSecond(rate);
    std::vector<int> out;
    for (int i = 0; i < updates; ++i) {
      const auto before = scene.getStepCount();
      scene.update(i % 2 == 0 ? 33 : 200);
      out.push_back(static_cast<int>(scene.getStepCount() - before));
    }
    return out;
  };
  EXPECT_EQ(stepsPerUpdate(60, 4), (std::vector<int>{2, 2, 2, 2}));
  EXPECT_EQ(stepsPerUpdate(45, 4), (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(stepsPerUpdate(15, 4), (std::vector<int>{0, 1, 0, 1}));
  // A frame with no time spends whole steps already owed, takes no new ones.
  scene.setStepsPerSecond(45);
  scene.update(33);
  EXPECT_NEAR(scene.getAccumulator(), 0.5f, 1e-6);
  const auto before = scene.getStepCount();
  scene.update(0);
  EXPECT_EQ(scene.getStepCount(), before);
}

// ---------------------------------------------------------------------------
// Collision bridge

TEST_F(PhysicsScene, NodeACarriesTheFirstTypeOfTheLatestRegistration) {
  for (bool sevenFirst : {true, false}) {
    for (bool registerSevenOne : {true, false}) {
      g_calls.clear();
      CScenePhysics s;
      auto* zone = makeNode(body(1.0f, {boxShape(20, 20)}, 7, true), 0, 0);
      auto* sheep = makeNode(body(1.0f, {circleShape(5)}, 1), 0, 0);
      if (sevenFirst) {
        s.addPhysicsItem(zone);
        s.addPhysicsItem(sheep);
      } else {
        s.addPhysicsItem(sheep);
        s.addPhysicsItem(zone);
      }
      // Registered one way, then the other: the latest order counts.
      s.addCollisionHandler(registerSevenOne ? 1 : 7, registerSevenOne ? 7 : 1, onBegin);
      s.addCollisionHandler(registerSevenOne ? 7 : 1, registerSevenOne ? 1 : 7, onBegin);
      s.update(33);
      ASSERT_EQ(g_calls.size(), 1u);
      EXPECT_EQ(g_calls[0].a, registerSevenOne ? zone : sheep);
      EXPECT_EQ(g_calls[0].b, registerSevenOne ? sheep : zone);
    }
  }
}

TEST_F(PhysicsScene, ContactPointNormalAndDepthMatchAHandComputedCase) {
  // Circles of radius 10 at (0, 0) and (15, 0): 5 apart inside each other.
  auto* left = makeNode(body(1.0f, {circleShape(10)}, 1, true), 0, 0);
  auto* right = makeNode(body(1.0f, {circleShape(10)}, 2), 15, 0);
  scene.addPhysicsItem(left);
  scene.addPhysicsItem(right);
  scene.addCollisionHandler(2, 1, onBegin);
  scene.update(33);
  ASSERT_EQ(g_calls.size(), 1u);
  const Call& c = g_calls[0];
  EXPECT_EQ(c.a, right);
  ASSERT_TRUE(c.count == 1 && c.contacts.size() == 1);
  EXPECT_NEAR(c.contacts[0].point.x, 7.5f, 1e-4);
  // From node A (right) towards node B (left).
  EXPECT_NEAR(c.contacts[0].normal.x, -1.0f, 1e-5);
  EXPECT_NEAR(c.contacts[0].depth, -5.0f, 1e-4);
}

TEST_F(PhysicsScene, PhasesInOrderAndSeparateAroundAShapeRemoval) {
  addGroundAndBox(2);
  CollisionCallbacks cbs{onBegin, onPre, onPost, onSeparate};
  scene.addCollisionHandlers(2, 3, &cbs);
  scene.update(33);
  scene.update(33);
  std::vector<std::string> phases;
  for (const auto& c : g_calls) phases.push_back(c.phase);
  EXPECT_EQ(phases, (std::vector<std::string>{"begin", "pre", "post", "pre", "post"}));

  // Taking the box out of the space separates the pair, with the live node.
  box->removeFromSpace();
  EXPECT_EQ(countPhase("separate"), 1);
  EXPECT_EQ(g_calls.back().a, box);
  g_calls.clear();
  scene.addPhysicsItem(box);
  scene.update(33);
  EXPECT_EQ(countPhase("begin"), 1);
}

TEST_F(PhysicsScene, BeginAnsweringZeroLetsTheBodiesPass) {
  EXPECT_GT(dropBallOnFloor(&reject, false)->getPosition().y, 40.0f);
}

TEST_F(PhysicsScene, RemovedHandlerIsNotCalledAndTheContactStandsAgain) {
  EXPECT_LT(dropBallOnFloor(&reject, true)->getPosition().y, 20.0f);
}

TEST_F(PhysicsScene, HandlerRecordIsCopiedAtRegistration) {
  addGroundAndBox(2);
  {
    CollisionCallbacks cbs{onBegin, nullptr, nullptr, nullptr};
    scene.addCollisionHandlers(2, 3, &cbs);
    cbs.begin = &reject;  // the registering object changes or dies afterwards
  }
  scene.update(33);
  EXPECT_EQ(countPhase("begin"), 1);
}

// A conveyor: the floor's surface moving towards +x carries what rests on it
// towards +x (the sign the level data were written for).
TEST_F(PhysicsScene, SurfaceVelocityCarriesABoxAlongItsDirection) {
  for (float speed : {40.0f, -40.0f}) {
    CScenePhysics s;
    s.setWorldParameters({10, 0, Vector3(0, 100, 0), 1.0f});
    PhysicsBodyDescription belt = body(1.0f, {boxShape(200, 5)}, 3, true);
    belt.shapes[0].surfaceVelocity = Vector3(speed, 0, 0);
    auto* floor = makeNode(belt, 0, 10);
    auto* box = makeNode(body(1.0f, {boxShape(5, 5)}, 2), 0, 0);
    s.addPhysicsItem(floor);
    s.addPhysicsItem(box);
    for (int i = 0; i < 60; ++i) s.update(33);
    EXPECT_GT(box->getPosition().x * speed, 0.0f) << speed;
    EXPECT_GT(box->getVelocity().x * speed, 0.0f) << speed;
    EXPECT_LT(box->getPosition().y, 10.0f);  // still on the belt
  }
}

// A black animal's swap rebuilds its shapes inside a goal zone (a zone whose
// begin answers 0, so bodies pass through it). The zone's handlers see the old
// shapes leave (separate, at once) and the new ones enter (begin, at the next
// step); the game has to keep its goal timer across that itself.
TEST_F(PhysicsScene, ShapesRebuiltInsideAZoneSeparateThenBeginAgain) {
  auto* zone = makeNode(body(1.0f, {boxShape(40, 40)}, 7, true), 0, 0);
  auto* animal = makeNode(body(1.0f, {circleShape(5)}, 1), 0, 0);
  scene.addPhysicsItem(zone);
  scene.addPhysicsItem(animal);
  g_onBegin = [](CNodePhysics*, CNodePhysics*) { return 0; };
  CollisionCallbacks cbs{onBegin, nullptr, nullptr, onSeparate};
  scene.addCollisionHandlers(7, 1, &cbs);
  scene.update(33);
  scene.update(33);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].phase, "begin");
  g_calls.clear();

  animal->rebuildShapes(body(2.0f, {boxShape(6, 6)}, 1));
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].phase, "separate");
  EXPECT_EQ(g_calls[0].a, zone);
  EXPECT_EQ(g_calls[0].b, animal);  // the live node, its old shape still named
  scene.update(33);
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[1].phase, "begin");
  EXPECT_EQ(g_calls[1].b, animal);

  // The same swap asked from inside a callback: the separate comes right
  // after the step, the begin at the following one.
  g_calls.clear();
  auto* trigger = makeNode(body(1.0f, {circleShape(2)}, 1), 0, 0);
  g_onBegin = [&](CNodePhysics*, CNodePhysics* b) {
    if (b == trigger) animal->rebuildShapes(body(1.0f, {circleShape(5)}, 1));
    return 0;
  };
  scene.addPhysicsItem(trigger);
  scene.update(33);
  std::vector<std::string> phases;
  for (const auto& c : g_calls) phases.push_back(c.phase + (c.b == animal ? ":animal" : ":trigger"));
  EXPECT_EQ(phases, (std::vector<std::string>{"begin:trigger", "separate:animal"}));
  scene.update(33);
  EXPECT_EQ(g_calls.back().phase, "begin");
  EXPECT_EQ(g_calls.back().b, animal);
}

// ---------------------------------------------------------------------------
// Queries

TEST_F(PhysicsScene, PointQueriesFindMovedBodiesOnceAndStaticShapesLast) {
  auto* block = makeNode(body(1.0f, {boxShape(10, 10), circleShape(8)}, 2), 100, 100);
  scene.addPhysicsItem(block);
  EXPECT_EQ(scene.queryNodeAtPoint(100, 100, 1), block);  // two shapes, one node
  EXPECT_EQ(scene.queryNodeAtPoint(100, 100, 0), nullptr);

  // Moved after the last step: found where it is drawn once the bounds are recached.
  block->setPosition(200, 100, 0);
  scene.recacheShapeBounds();
  EXPECT_EQ(scene.queryNodeAtPoint(200, 100, 1), block);
  EXPECT_EQ(scene.queryNodeAtPoint(100, 100, 1), nullptr);

  auto* zone = makeNode(body(1.0f, {boxShape(30, 30)}, 7, true), 200, 100);
  scene.addPhysicsItem(zone);
  EXPECT_EQ(scene.queryNodeAtPoint(200, 100, 3), zone);
}

// ---------------------------------------------------------------------------
// Changes from inside a callback

TEST_F(PhysicsScene, AddingRemovingAndFreeingInsideACallbackWaitForTheStep) {
  addGroundAndBox(5);
  auto* doomed = makeNode(body(1.0f, {circleShape(2)}, 4), 0, 4);
  auto* outsider = makeNode(body(1.0f, {circleShape(2)}, 4), 40, 4);
  doomed->addToSpace(&scene);  // in the space, owned by the test
  scene.addPhysicsItem(outsider);
  CNodePhysics* blast = nullptr;
  g_onBegin = [&](CNodePhysics* a, CNodePhysics*) {
    if (blast != nullptr) return 1;
    EXPECT_TRUE(scene.isLocked());
    // As an explosion does: a new static body, added at once.
    blast = makeNode(body(1.0f, {circleShape(1)}, 11, true), a->getPosition().x, a->getPosition().y);
    blast->setScale(30, 1, 1);
    scene.addPhysicsItem(blast);
    scene.queueRemoval(a);
    outsider->removeFromSpace();
    // Its shapes are still in the space until the step ends: rebuilding frees
    // them after it too.
    outsider->rebuildShapes(body(1.0f, {circleShape(3)}, 4));
    delete doomed;  // freed outright: its parts go after the step
    doomed = nullptr;
    box->setPosition(0, 0, 0);
    ground->setPosition(0, 11, 0);  // a static reindex, deferred
    return 1;
  };
  scene.addCollisionHandler(5, 3, onBegin);
  scene.update(33);
  ASSERT_NE(blast, nullptr);
  EXPECT_EQ(scene.edits().pendingCount(), 0u);
  EXPECT_EQ(cpShapeGetSpace(blast->getShape(0)), scene.getSpace());
  EXPECT_EQ(outsider->getScene(), nullptr);
  EXPECT_EQ(cpShapeGetSpace(outsider->getShape(0)), nullptr);
  EXPECT_EQ(scene.queryNodeAtPoint(0, 11, 1), blast);  // the blast covers the floor's centre
  scene.update(33);  // the queued removal of the box
  EXPECT_FALSE(scene.isRegistered(box));
}

int countShapes(cpSpace* space) {
  int n = 0;
  cpSpaceEachShape(space, [](cpShape*, void* d) { ++*static_cast<int*>(d); }, &n);
  return n;
}
int countBodies(cpSpace* space) {
  int n = 0;
  cpSpaceEachBody(space, [](cpBody*, void* d) { ++*static_cast<int*>(d); }, &n);
  return n;
}

// Added, taken out and freed within one callback: the additions still queued
// must not reach freed parts after the step (the library itself is not
// checked by the sanitizers; valgrind on this binary shows the invalid reads).
TEST_F(PhysicsScene, NodeAddedRemovedAndFreedInOneCallbackLeavesNothingBehind) {
  addGroundAndBox(5);
  auto* moving = makeNode(body(1.0f, {circleShape(2), boxShape(3, 3)}, 4), 200, 0);
  auto* still = makeNode(body(1.0f, {boxShape(4, 4)}, 4, true), 300, 0);
  auto* swapped = makeNode(body(1.0f, {circleShape(2)}, 4), 400, 0);
  int calls = 0;
  g_onBegin = [&](CNodePhysics*, CNodePhysics*) {
    if (calls++ > 0) return 1;
    for (CNodePhysics* n : {moving, still}) {
      n->addToSpace(&scene);
      n->removeFromSpace();
      delete n;
    }
    // Its first shapes are freed by the rebuild while their addition waits.
    swapped->addToSpace(&scene);
    swapped->removeFromSpace();
    swapped->rebuildShapes(body(2.0f, {boxShape(6, 6)}, 4));
    return 1;
  };
  scene.addCollisionHandler(5, 3, onBegin);
  scene.update(33);
  ASSERT_EQ(calls, 1);
  EXPECT_EQ(scene.edits().pendingCount(), 0u);
  EXPECT_EQ(countShapes(scene.getSpace()), 2);
  EXPECT_EQ(countBodies(scene.getSpace()), 1);
  EXPECT_EQ(cpShapeGetSpace(swapped->getShape(0)), nullptr);
  for (int i = 0; i < 5; ++i) scene.update(33);
  swapped->addToSpace(&scene);
  EXPECT_EQ(countShapes(scene.getSpace()), 3);
  delete swapped;
  EXPECT_EQ(countShapes(scene.getSpace()), 2);
}

// ---------------------------------------------------------------------------
// Reset and destruction

TEST_F(PhysicsScene, ResetKeepsTheGameAwayAndTheHandlersRegistered) {
  addGroundAndBox(2);
  CollisionCallbacks cbs{onBegin, nullptr, nullptr, onSeparate};
  scene.addCollisionHandlers(2, 3, &cbs);
  scene.setStepsPerSecond(45);
  scene.update(33);
  // A node the scene does not own stays in the (new) space.
  auto* kept = makeNode(body(1.0f, {circleShape(3)}, 9), 300, 300);
  kept->addToSpace(&scene);
  EXPECT_EQ(countPhase("begin"), 1);
  g_calls.clear();
  scene.reset();
  EXPECT_EQ(countPhase("separate"), 0);
  EXPECT_EQ(scene.getAccumulator(), 0.0f);
  EXPECT_EQ(scene.getStepsPerSecond(), 45);
  EXPECT_TRUE(scene.getRegisteredNodes().empty());
  EXPECT_EQ(cpShapeGetSpace(kept->getShape(0)), scene.getSpace());
  addGroundAndBox(2);
  scene.update(33);
  scene.update(33);
  EXPECT_EQ(countPhase("begin"), 1);
  delete kept;
}

TEST_F(PhysicsScene, ResetAskedInsideACallbackHappensAfterTheStep) {
  addGroundAndBox(2);
  g_onBegin = [this](CNodePhysics*, CNodePhysics*) {
    scene.reset();
    return 1;
  };
  scene.addCollisionHandler(2, 3, onBegin);
  scene.update(33);
  EXPECT_TRUE(scene.getRegisteredNodes().empty());
}

TEST_F(PhysicsScene, NodeDeletedWhileTouchingDoesNotReachTheHandlers) {
  addGroundAndBox(2);
  CollisionCallbacks cbs{onBegin, nullptr, nullptr, onSeparate};
  scene.addCollisionHandlers(2, 3, &cbs);
  scene.update(33);
  scene.queueRemoval(box);
  scene.update(33);
  EXPECT_EQ(countPhase("separate"), 0);
}

// Bodies chained by joints of every kind, some inside a container, deleted
// every way the game does it: the removal queue with a body before its joint,
// reset, and the scene's own destruction. AddressSanitizer checks that no
// library object is used after it is freed or freed twice.
TEST(PhysicsSceneLifetime, DestroyingAFullSceneOfJoinedBodiesFreesEachPartOnce) {
  for (int round = 0; round < 3; ++round) {
    auto* scene = new CScenePhysics;
    scene->setWorldParameters({10, 0, Vector3(0, 100, 0), 1.0f});
    std::vector<CNodePhysics*> bodies;
    std::vector<CNodePhysicsJoint*> joints;
    for (int i = 0; i < 12; ++i) {
      auto* n = makeNode(body(1.0f, {boxShape(4, 4)}, 2, i == 0), 20.0f * i, 0);
      scene->addPhysicsItem(n);
      bodies.push_back(n);
    }
    for (int i = 0; i + 1 < 12; ++i) {
      PhysicsJointDescription d;
      d.type = i % 4;
      d.pivot = Vector3(20.0f * i + 10, 0, 0);
      d.groove1 = Vector3(0, -5, 0);
      d.groove2 = Vector3(0, 5, 0);
      d.slideMin = 50;
      d.slideMax = 100;
      auto* j = new CNodePhysicsJoint;
      j->attach(d, bodies[static_cast<std::size_t>(i)], bodies[static_cast<std::size_t>(i + 1)]);
      scene->addPhysicsItem(j);
      joints.push_back(j);
    }
    for (int i = 0; i < 10; ++i) scene->update(33);
    // A body goes before its joint in the queue.
    scene->queueRemoval(bodies[5]);
    scene->queueRemoval(joints[5]);
    scene->update(33);
    EXPECT_EQ(joints[4]->getConstraint(), nullptr);  // freed with the body it held
    scene->update(33);
    if (round == 1) scene->reset();
    if (round == 2) {
      // A joint outside the scene's ownership, on bodies that die with it.
      auto* loose = new CNodePhysicsJoint;
      PhysicsJointDescription d;
      loose->attach(d, bodies[8], bodies[9]);
      loose->addToSpace(scene);
      delete scene;
      EXPECT_EQ(loose->getConstraint(), nullptr);
      delete loose;
      continue;
    }
    delete scene;
  }
}

}  // namespace
