// Blocks and joints: kinds and hit points, blocks without a look, the
// looping plop, floating bodies, and joint end pieces on real Chipmunk.
#include <gtest/gtest.h>

#include <cmath>

#include "game/actors/QMRBloc.h"
#include "game/actors/QMRJoint.h"
#include "tests/game/ActorFixtures.h"

using namespace actortest;
using physicstest::body;
using physicstest::boxShape;
using physicstest::circleShape;

namespace {

QMRBloc* makeBlock(int kind, int type = 2, float mass = 1.0f, bool withLook = true) {
  auto* b = new QMRBloc;
  b->setPosition(100, 100, 0);
  b->createBody(body(mass, {boxShape(10, 10)}, type));
  if (withLook) b->addChild(ActorTemplates::copyOf(ActorTemplates::get(ActorTemplates::kBlocksScene)));
  b->setBlockKind(kind);
  return b;
}

}  // namespace

TEST(Blocks, TheTwoHitCrateCracksThenGoes) {
  ActorEnvironment env;
  QMRBloc* crate = makeBlock(9);
  EXPECT_EQ(crate->getHitPoints(), 2);
  ASSERT_NE(crate->getVisual(), nullptr);
  EXPECT_EQ(crate->getVisual()->getParent()->getTag(), 909);
  EXPECT_FALSE(crate->takeHit());
  EXPECT_EQ(crate->getKind(), 16);
  EXPECT_EQ(crate->getHitPoints(), 1);
  EXPECT_EQ(crate->getVisual()->getParent()->getTag(), 916);
  auto* list = dynamic_cast<COptionalNodeList*>(crate->findByTag(105)->getChild(0));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->getCurrentOption(), 16);
  EXPECT_TRUE(crate->takeHit());

  QMRBloc* box = makeBlock(0);
  EXPECT_TRUE(box->takeHit());
  EXPECT_TRUE(box->isAnimated());
  EXPECT_GE(box->getTimer(), 5000);
  EXPECT_LT(box->getTimer(), 15000);
  delete crate;
  delete box;
}

TEST(Blocks, ABlockWithoutALookBuildsAndRuns) {
  ActorEnvironment env;
  for (QMRBloc* b : {makeBlock(-1, 7, 0.0f, false), makeBlock(3, 8, 1.0f, false), makeBlock(40), makeBlock(-1)}) {
    EXPECT_EQ(b->getVisual(), nullptr);
    EXPECT_FALSE(b->isAnimated());
    EXPECT_FALSE(b->isLooping());
    b->playBounce();
    for (int i = 0; i < 100; ++i) b->update(200);
    EXPECT_TRUE(b->takeHit());
    delete b;
  }
  QMRBloc* plop = makeBlock(20, 2, 1.0f, false);
  EXPECT_FALSE(plop->isLooping());
  plop->playBounce();
  delete plop;
}

TEST(Blocks, IdleLooksReplayTheirActionPose) {
  ActorEnvironment env;
  QMRBloc* box = makeBlock(0);
  CNode* visual = box->getVisual();
  EXPECT_EQ(visual->getAnimation().getFrame(), 0);
  int actions = 0;
  for (int i = 0; i < 1000; ++i) {
    box->update(33);
    if (box->isPlaying()) {
      EXPECT_EQ(visual->getAnimation().getFrame(), 1);
      ++actions;
    }
  }
  EXPECT_GT(actions, 0);
  // A look with a single part is not animated; a floating block never is.
  QMRBloc* stone = makeBlock(2);
  EXPECT_FALSE(stone->isAnimated());
  EXPECT_EQ(stone->getTimer(), 0);
  stone->playBounce();
  EXPECT_EQ(stone->getVisual()->getAnimation().getFrame(), 1);
  QMRBloc* balloon = makeBlock(21, 14);
  EXPECT_FALSE(balloon->isAnimated());
  delete box;
  delete stone;
  delete balloon;
}

TEST(Blocks, ThePlopBlockWaitsFiftyMillisecondsThenPlopsOnEveryBounce) {
  ActorEnvironment env;
  QMRBloc* plop = makeBlock(20, 10);
  EXPECT_TRUE(plop->isLooping());
  EXPECT_EQ(plop->getTimer(), 50);
  plop->playBounce();
  EXPECT_TRUE(playedSounds().empty());
  EXPECT_FALSE(plop->isPlaying());
  plop->update(30);
  plop->playBounce();
  EXPECT_TRUE(playedSounds().empty());
  plop->update(30);
  EXPECT_EQ(plop->getTimer(), 0);
  for (int n = 1; n <= 6; ++n) {
    plop->playBounce();
    ASSERT_EQ(playedSounds().size(), static_cast<std::size_t>(n));
    EXPECT_TRUE(playedSounds().back() == 23 || playedSounds().back() == 24);
    EXPECT_TRUE(plop->isPlaying());
    EXPECT_EQ(plop->getVisual()->getAnimation().getFrame(), 1);
    for (int i = 0; i < 30; ++i) plop->update(33);
    EXPECT_FALSE(plop->isPlaying());
    EXPECT_EQ(plop->getVisual()->getAnimation().getFrame(), 0);
  }
  delete plop;
}

TEST(Blocks, FloatingVelocityDragsThenRises) {
  cpBody* b = cpBodyNew(1.0, 1.0);
  const double dt = 1.0 / 30.0;
  cpBodySetVelocity(b, cpv(0, 10));
  floatingBlockVelocity(b, cpv(0, 100), 1.0, dt);
  EXPECT_NEAR(cpBodyGetVelocity(b).y, 10 * 0.9 - 100 * dt, 1e-9);
  cpBodySetVelocity(b, cpv(0, 0));
  floatingBlockVelocity(b, cpv(3, 100), 1.0, dt);
  EXPECT_LT(cpBodyGetVelocity(b).y, 0.0);
  EXPECT_NEAR(cpBodyGetVelocity(b).x, 3 * dt, 1e-9);
  // A very light body is never sped up or turned round by its drag.
  cpBodySetMass(b, 0.01);
  cpBodySetVelocity(b, cpv(50, 0));
  for (int i = 0; i < 100; ++i) floatingBlockVelocity(b, cpv(0, 0), 1.0, dt);
  EXPECT_GE(cpBodyGetVelocity(b).x, 0.0);
  EXPECT_LE(cpBodyGetVelocity(b).x, 50.0);
  cpBodyFree(b);
}

TEST(Blocks, AFloatingBlockRisesInTheSceneAndOthersFall) {
  ActorEnvironment env;
  CScenePhysics scene;
  initScene(scene, 100.0f);
  QMRBloc* balloon = makeBlock(21, 14);
  QMRBloc* box = makeBlock(0, 2);
  box->setPosition(300, 100, 0);
  scene.addPhysicsItem(balloon);
  scene.addPhysicsItem(box);
  for (int i = 0; i < 30; ++i) scene.update(33);
  EXPECT_LT(balloon->getPosition().y, 95.0f);
  EXPECT_LT(balloon->getVelocity().y, 0.0f);
  EXPECT_GT(box->getPosition().y, 105.0f);
  // The kind can change; the floating step stays with the type.
  balloon->setBlockKind(22);
  const float y = balloon->getPosition().y;
  for (int i = 0; i < 5; ++i) scene.update(33);
  EXPECT_LT(balloon->getPosition().y, y);
}

namespace {

struct JointRig {
  CScenePhysics scene;
  CNodePhysics* a;
  CNodePhysics* b;
  explicit JointRig() {
    initScene(scene, 0.0f);
    a = physicstest::makeNode(body(1.0f, {circleShape(5)}), 100, 100);
    b = physicstest::makeNode(body(1.0f, {circleShape(5)}), 200, 100);
    scene.addPhysicsItem(a);
    scene.addPhysicsItem(b);
  }
};

void expectAt(CNode* piece, cpVect w) {
  ASSERT_NE(piece, nullptr);
  EXPECT_NEAR(piece->getPosition().x, w.x, 1e-3);
  EXPECT_NEAR(piece->getPosition().y, w.y, 1e-3);
}

}  // namespace

TEST(Joints, EndPiecesFollowTheAnchorsOfMovedAndTurnedBodies) {
  ActorEnvironment env;
  JointRig rig;
  PhysicsJointDescription d;
  d.type = kJointPin;
  d.anchor1 = Vector3(10, 0, 0);
  d.anchor2 = Vector3(-10, 0, 0);
  auto* joint = new QMRJoint;
  joint->attach(d, rig.a, rig.b);
  rig.scene.addPhysicsItem(joint);
  ASSERT_NE(joint->getEndPiece1(), nullptr);
  EXPECT_EQ(joint->getEndPiece1()->getTag(), 918);
  EXPECT_NE(joint->getEndPiece1(), joint->getEndPiece2());
  EXPECT_EQ(joint->getEndPiece1()->getParent(), nullptr);
  rig.a->setPosition(120, 140, 0);
  rig.a->setRotation(0, 0, 90);
  rig.b->setRotation(0, 0, -90);
  joint->update(33);
  expectAt(joint->getEndPiece1(), cpBodyLocalToWorld(rig.a->getBody(), cpv(10, 0)));
  expectAt(joint->getEndPiece2(), cpBodyLocalToWorld(rig.b->getBody(), cpv(-10, 0)));
  EXPECT_NEAR(joint->getEndPiece1()->getPosition().x, 120, 1e-3);
  EXPECT_NEAR(joint->getEndPiece1()->getPosition().y, 150, 1e-3);
  auto* copy = dynamic_cast<QMRJoint*>(joint->clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->getEndPiece1(), joint->getEndPiece1());
  delete copy;
}

TEST(Joints, APivotPlacesOnePieceAndAGrooveStartsOnBodyOne) {
  ActorEnvironment env;
  JointRig rig;
  PhysicsJointDescription pivot;
  pivot.type = kJointPivot;
  pivot.pivot = Vector3(150, 100, 0);
  auto* hinge = new QMRJoint;
  hinge->attach(pivot, rig.a, rig.b);
  rig.scene.addPhysicsItem(hinge);
  rig.a->setRotation(0, 0, 90);
  hinge->update(33);
  // The pivot point sits 50 to the right of body 1, turned with it.
  expectAt(hinge->getEndPiece1(), cpv(100, 150));

  PhysicsJointDescription groove;
  groove.type = kJointGroove;
  groove.groove1 = Vector3(0, 0, 0);
  groove.groove2 = Vector3(80, 0, 0);
  groove.anchor2 = Vector3(0, 0, 0);
  auto* rail = new QMRJoint;
  rail->attach(groove, rig.a, rig.b);
  rig.scene.addPhysicsItem(rail);
  rig.a->setPosition(90, 80, 0);
  rail->update(33);
  expectAt(rail->getEndPiece1(), cpv(90, 80));
  expectAt(rail->getEndPiece2(), cpBodyGetPosition(rig.b->getBody()));
}

TEST(Joints, NoBlockSceneMeansNoEndPieces) {
  ActorEnvironment env;
  ActorTemplates::install(ActorTemplates::kBlocksScene, new CNode);
  JointRig rig;
  PhysicsJointDescription d;
  auto* joint = new QMRJoint;
  joint->attach(d, rig.a, rig.b);
  rig.scene.addPhysicsItem(joint);
  EXPECT_EQ(joint->getEndPiece1(), nullptr);
  joint->update(33);
  rig.scene.update(33);
}
