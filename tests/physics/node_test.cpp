// Physics nodes without a display: bodies and shapes from descriptions, the
// moment, the two-way sync with the node, rescaling, rebuilding and cloning.
#include <chipmunk/chipmunk.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "physics/CScenePhysics.h"
#include "physics/PhysicsTestSupport.h"

using namespace RenderEngine;
using namespace physicstest;

namespace {

constexpr double kTol = 1e-5;

TEST(PhysicsNode, CreatesBodyAndShapesFromTheDescription) {
  PhysicsBodyDescription d = body(2.0f, {circleShape(10, 3, 4), boxShape(5, 5), segmentShape(-20, 0, 20, 0, 1)}, 7);
  d.group = 3;
  d.layers = 0x6u;
  CNodePhysics node;
  node.createBody(d);
  ASSERT_EQ(node.getShapeCount(), 3);
  EXPECT_EQ(node.getShapeModel(2), kShapeSegment);
  for (int i = 0; i < 3; ++i) {
    cpShape* s = node.getShape(i);
    EXPECT_EQ(cpShapeGetCollisionType(s), 7u);
    const cpShapeFilter f = cpShapeGetFilter(s);
    EXPECT_TRUE(f.group == 3u && f.categories == 0x6u && f.mask == 0x6u);
  }
  EXPECT_EQ(cpBodyGetUserData(node.getBody()), &node);
  EXPECT_NEAR(cpCircleShapeGetOffset(node.getShape(0)).x, 3.0, kTol);
  // The moment takes the whole mass for each shape; a segment adds nothing.
  const double expected = cpMomentForCircle(2, 0, 10, cpv(3, 4)) + 2.0 * (100.0 / 6.0);
  EXPECT_NEAR(cpBodyGetMoment(node.getBody()), expected, 1e-3);
}

TEST(PhysicsNode, NoShapesGivesZeroMomentButABodyThatCanStep) {
  CScenePhysics scene;
  PhysicsBodyDescription d = body(1.0f, {});
  auto* node = makeNode(d, 0, 0);
  EXPECT_EQ(node->computeMoment(d), 0.0f);
  // A zero moment would stop the library at the first step: the body does not turn instead.
  EXPECT_TRUE(std::isinf(cpBodyGetMoment(node->getBody())));
  scene.setWorldParameters({10, 0, Vector3(0, 100, 0), 1.0f});
  scene.addPhysicsItem(node);
  for (int i = 0; i < 60; ++i) scene.update(33);
  EXPECT_GT(node->getPosition().y, 10.0f);
}

TEST(PhysicsNode, BodyFollowsNodeAndNodeFollowsBody) {
  CNodePhysics node;
  node.createBody(body(1.0f, {circleShape(5)}));
  node.setPosition(12, 34, 0);
  node.setRotation(0, 0, 90);
  EXPECT_NEAR(cpBodyGetAngle(node.getBody()), M_PI / 2, 1e-6);
  node.moveBy(1, 1, 0);
  EXPECT_NEAR(cpBodyGetPosition(node.getBody()).x, 13.0, kTol);
  EXPECT_NEAR(cpBodyGetPosition(node.getBody()).y, 35.0, kTol);

  cpBodySetPosition(node.getBody(), cpv(50, 60));
  cpBodySetAngle(node.getBody(), M_PI);
  node.syncFromBody();
  EXPECT_FLOAT_EQ(node.getPosition().y, 60.0f);
  EXPECT_NEAR(node.getRotation().z, 180.0f, 1e-4);
  EXPECT_NEAR(node.getLocalMatrix().get(0, 3), 50.0f, 1e-4);
}

TEST(PhysicsNode, AngleThresholdOfFiveThousandthsOfADegree) {
  CNodePhysics node;
  node.createBody(body(1.0f, {circleShape(5)}));
  // The body turned by 0.005 degree: within the threshold, not copied.
  cpBodySetAngle(node.getBody(), 0.005f * kPi / 180.0f);
  node.syncFromBody();
  EXPECT_EQ(node.getRotation().z, 0.0f);
  cpBodySetAngle(node.getBody(), 0.0051f * kPi / 180.0f);
  node.syncFromBody();
  EXPECT_NEAR(node.getRotation().z, 0.0051f, 1e-6);
}

TEST(PhysicsNode, StaticNodeIsNeverMovedAndItsMoveIsSeenByQueries) {
  CScenePhysics scene;
  scene.setWorldParameters({10, 0, Vector3(0, 100, 0), 1.0f});
  auto* ground = makeNode(body(1.0f, {boxShape(10, 10)}, 3, true), 100, 100);
  scene.addPhysicsItem(ground);
  for (int i = 0; i < 30; ++i) scene.update(33);
  EXPECT_FLOAT_EQ(ground->getPosition().y, 100.0f);
  EXPECT_EQ(scene.queryNodeAtPoint(100, 100, 1), ground);
  ground->setPosition(300, 100, 0);
  EXPECT_EQ(scene.queryNodeAtPoint(100, 100, 1), nullptr);
  EXPECT_EQ(scene.queryNodeAtPoint(300, 100, 1), ground);
  // Placed before its body is made: the body starts there.
  CNodePhysics node;
  node.setPosition(40, 50, 0);
  node.createBody(body(1.0f, {boxShape(1, 1)}, 0, true));
  EXPECT_NEAR(cpBodyGetPosition(node.getBody()).y, 50.0, kTol);
}

TEST(PhysicsNode, RescaleRoundTripAndZeroScaleDoNotLoseShapes) {
  CNodePhysics node;
  node.createBody(body(1.0f, {circleShape(10, 2, -3), segmentShape(-5, 1, 5, 1, 0.5f), boxShape(4, 2)}));
  node.setScale(2, 2, 1);
  EXPECT_NEAR(cpCircleShapeGetRadius(node.getShape(0)), 20.0, kTol);
  EXPECT_NEAR(cpCircleShapeGetOffset(node.getShape(0)).y, -6.0, kTol);
  EXPECT_NEAR(cpSegmentShapeGetB(node.getShape(1)).y, 2.0, kTol);
  double maxX = 0;
  for (int i = 0; i < cpPolyShapeGetCount(node.getShape(2)); ++i) {
    maxX = std::max(maxX, cpPolyShapeGetVert(node.getShape(2), i).x);
  }
  EXPECT_NEAR(maxX, 8.0, kTol);

  // Non-uniform: the segment's normal stays the unit perpendicular of its ends.
  node.setScale(2, 6, 1);
  const cpVect n = cpSegmentShapeGetNormal(node.getShape(1));
  EXPECT_NEAR(cpvlength(n), 1.0, kTol);

  // Scale 0 leaves the shapes alone; the next scale is taken from their last size.
  node.setScale(0, 0, 1);
  EXPECT_NEAR(cpCircleShapeGetRadius(node.getShape(0)), 20.0, kTol);
  node.setScale(1, 1, 1);
  EXPECT_NEAR(cpCircleShapeGetRadius(node.getShape(0)), 10.0, kTol);
  EXPECT_NEAR(cpCircleShapeGetOffset(node.getShape(0)).x, 2.0, kTol);
  EXPECT_NEAR(cpSegmentShapeGetA(node.getShape(1)).x, -5.0, kTol);

  // A mirrored circle keeps a positive radius.
  node.setScale(-1, 1, 1);
  EXPECT_NEAR(cpCircleShapeGetRadius(node.getShape(0)), 10.0, kTol);
  EXPECT_NEAR(cpCircleShapeGetOffset(node.getShape(0)).x, -2.0, kTol);
  CNodePhysics bare;
  bare.setScale(3, 3, 1);  // no body: nothing physical to change
}

TEST(PhysicsNode, NewBodyOnAScaledNodeGetsShapesOfTheCurrentSize) {
  CNodePhysics node;
  node.setScale(2, 2, 1);
  node.createBody(body(1.0f, {circleShape(10)}));
  EXPECT_NEAR(cpCircleShapeGetRadius(node.getShape(0)), 20.0, kTol);
  // A second body is built from its description again, not compounded.
  node.createBody(body(1.0f, {circleShape(10)}));
  EXPECT_NEAR(cpCircleShapeGetRadius(node.getShape(0)), 20.0, kTol);
}

TEST(PhysicsNode, RebuildKeepsTheMovingBodyAndTheNewShapesCollide) {
  CScenePhysics scene;
  auto* ball = makeNode(body(1.0f, {circleShape(5)}), 0, 0);
  scene.addPhysicsItem(ball);
  ball->setVelocity(Vector3(30, 0, 0));
  cpBodySetAngularVelocity(ball->getBody(), 2.0);
  scene.update(33);
  cpBody* before = ball->getBody();
  const cpVect p = cpBodyGetPosition(before);
  ball->rebuildShapes(body(3.0f, {boxShape(20, 20)}));
  EXPECT_EQ(ball->getBody(), before);
  EXPECT_EQ(cpBodyGetPosition(before).x, p.x);
  EXPECT_FLOAT_EQ(ball->getVelocity().x, 30.0f);
  EXPECT_NEAR(cpBodyGetAngularVelocity(before), 2.0, kTol);
  EXPECT_FLOAT_EQ(ball->getMass(), 3.0f);
  EXPECT_EQ(cpShapeGetSpace(ball->getShape(0)), scene.getSpace());
  // The big box is found by a query far from the old circle.
  scene.recacheShapeBounds();
  EXPECT_EQ(scene.queryNodeAtPoint(static_cast<float>(p.x) + 15, static_cast<float>(p.y) + 15, 1), ball);
}

TEST(PhysicsNode, ImpulseVelocityForceSpinAndVelocityFunction) {
  CNodePhysics node;
  EXPECT_FALSE(node.setVelocityFunc(&cpBodyUpdateVelocity));
  node.setAngularVelocity(3.0f);  // no body: nothing to set
  EXPECT_EQ(node.getAngularVelocity(), 0.0f);
  node.createBody(body(2.0f, {circleShape(1)}));
  EXPECT_FALSE(node.setVelocityFunc(nullptr));
  EXPECT_TRUE(node.setVelocityFunc(&cpBodyUpdateVelocity));
  // Impulse (0, 4) at offset (1, 0): velocity += j / m, spin += cross(r, j) / I.
  node.applyImpulse(Vector3(1, 0, 0), Vector3(0, 4, 0));
  EXPECT_FLOAT_EQ(node.getVelocity().y, 2.0f);
  EXPECT_NEAR(node.getAngularVelocity(), 4.0 / cpBodyGetMoment(node.getBody()), 1e-6);
  node.setVelocity(Vector3(5, 6, 9));
  EXPECT_EQ(node.getVelocity(), Vector3(5, 6, 0));
  node.setForce(Vector3(7, 8, 9));
  EXPECT_EQ(node.getForce(), Vector3(7, 8, 0));
  // At rest by the animals' test once it stops turning.
  EXPECT_GT(node.getAngularVelocity(), 1.0f);
  CScenePhysics scene;
  scene.setWorldParameters({10, 0, Vector3(0, 0, 0), 0.01f});
  node.addToSpace(&scene);
  for (int i = 0; i < 30; ++i) scene.update(33);
  EXPECT_LT(std::fabs(node.getAngularVelocity()), 1.0f);
  node.removeFromSpace();
}

int g_hits = 0;
int countBegin(CNodePhysics*, CNodePhysics*, int, ContactList) {
  ++g_hits;
  return 1;
}

TEST(PhysicsNode, CloneOfANodeInASpaceIsInThatSpaceAndCollidesAtOnce) {
  CScenePhysics scene;
  auto* wall = makeNode(body(1.0f, {boxShape(5, 50)}, 2, true), 100, 0);
  auto* ball = makeNode(body(1.0f, {circleShape(5)}, 1), 0, 0);
  ball->setArmed(false);
  scene.addPhysicsItem(wall);
  scene.addPhysicsItem(ball);
  scene.addCollisionHandler(1, 2, &countBegin);
  ball->setVelocity(Vector3(10, 0, 0));

  std::unique_ptr<CNodePhysics> copy(static_cast<CNodePhysics*>(ball->clone()));
  EXPECT_EQ(copy->getScene(), &scene);
  EXPECT_EQ(cpBodyGetUserData(copy->getBody()), copy.get());
  EXPECT_EQ(cpShapeGetUserData(copy->getShape(0)), copy.get());
  EXPECT_FALSE(copy->isArmed());
  EXPECT_FLOAT_EQ(copy->getVelocity().x, 10.0f);
  // Moved onto the wall, the copy collides at the next step.
  copy->setPosition(92, 0, 0);
  g_hits = 0;
  scene.update(33);
  EXPECT_EQ(g_hits, 1);
  copy.reset();  // out of the space again before the scene goes
  scene.update(33);
}

}  // namespace
