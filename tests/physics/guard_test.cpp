// Every input that would make Debian's Chipmunk abort becomes a message and a
// clamped or skipped value, and the simulation goes on stepping. Also the
// filter that keeps the library's start-up banner out of output comparisons.
#include <chipmunk/chipmunk.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <utility>
#include <vector>
#include <sstream>

#include <unistd.h>

#include "physics/CNodePhysicsJoint.h"
#include "physics/CScenePhysics.h"
#include "physics/PhysicsTestSupport.h"
#include "support/TempDir.h"

using namespace RenderEngine;
using namespace physicstest;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

class PhysicsGuardTest : public ::testing::Test {
 protected:
  // Adds the node, steps a second of simulation (an abort would end the test
  // binary here) and answers whether the messages mention the text.
  bool survivesWithMessage(CNodePhysics* node, const std::string& text) {
    scene.addPhysicsItem(node);
    for (int i = 0; i < 30; ++i) scene.update(33);
    const bool found = text.empty() || messages.contains(text);
    messages.clear();
    return found;
  }
  MessageCollector messages;
  CScenePhysics scene;
};

TEST_F(PhysicsGuardTest, BadMassesBecomeOne) {
  for (float mass : {0.0f, -3.0f, kNaN, kInf}) {
    auto* n = makeNode(body(mass, {circleShape(2)}), 0, 0);
    EXPECT_FLOAT_EQ(n->getMass(), 1.0f);
    EXPECT_TRUE(survivesWithMessage(n, "mass")) << mass;
  }
  // Only segments: no moment, so the body does not turn; it still steps.
  auto* n = makeNode(body(1.0f, {segmentShape(-5, 0, 5, 0)}), 0, 0);
  EXPECT_TRUE(std::isinf(cpBodyGetMoment(n->getBody())));
  survivesWithMessage(n, "");
}

TEST_F(PhysicsGuardTest, ShapesThatCannotBeBuiltAreSkipped) {
  auto withPoints = [](PhysicsShapeDescription s, std::vector<float> xy) {
    s.setPoints(std::move(xy));
    return s;
  };
  PhysicsShapeDescription unknown = circleShape(1);
  unknown.model = 9;
  PhysicsShapeDescription noPoints = boxShape(1, 1);
  noPoints.points.reset();
  PhysicsShapeDescription overstated = withPoints(boxShape(1, 1), {0, 0, 4, 0, 0, 4});
  overstated.pointCount = 1000;  // a count the array does not hold

  struct Case {
    PhysicsShapeDescription shape;
    const char* message;
  } cases[] = {{withPoints(boxShape(1, 1), {0, 0, 1, 1}), "needs 3 points"},
               {withPoints(boxShape(1, 1), {0, 0, 1, 1, 2, 2, 3, 3}), "no area"},
               {withPoints(boxShape(1, 1), {0, 0, kNaN, 1, 1, 0}), "usable number"},
               {withPoints(segmentShape(0, 0, 0, 0), {3, 3}), "needs 2 points"},
               {segmentShape(2, 2, 2, 2), "both ends"},
               {circleShape(kNaN), "usable number"},
               {unknown, "unknown model"},
               {noPoints, "needs 3 points"},
               {circleShape(2, 5.0e7f, 0), "usable number"}};
  for (const Case& c : cases) {
    auto* n = makeNode(body(1.0f, {c.shape, circleShape(1)}), 0, 0);
    EXPECT_EQ(n->getShapeCount(), 1) << c.message;
    EXPECT_EQ(n->getShapeModel(0), kShapeCircle);
    EXPECT_TRUE(survivesWithMessage(n, c.message)) << c.message;
  }
  // An overstated count uses the points the array really holds.
  auto* n = makeNode(body(1.0f, {overstated}), 0, 0);
  EXPECT_EQ(n->getShapeCount(), 1);
  EXPECT_EQ(cpPolyShapeGetCount(n->getShape(0)), 3);
  EXPECT_TRUE(survivesWithMessage(n, "holds 3"));
}

TEST_F(PhysicsGuardTest, MaterialTypeRadiusAndShapeCountAreClamped) {
  PhysicsShapeDescription s = circleShape(-4);
  s.elasticity = -1.0f;
  s.friction = kNaN;
  s.surfaceVelocity = Vector3(kInf, 0, 0);
  PhysicsBodyDescription d = body(1.0f, {s});
  d.collisionType = -1;
  auto* n = makeNode(d, 0, 0);
  ASSERT_EQ(n->getShapeCount(), 1);
  EXPECT_EQ(cpShapeGetElasticity(n->getShape(0)), 0.0);
  EXPECT_EQ(cpShapeGetFriction(n->getShape(0)), 0.0);
  EXPECT_EQ(cpCircleShapeGetRadius(n->getShape(0)), 0.0);
  EXPECT_EQ(n->getCollisionType(), 0);
  EXPECT_EQ(messages.missing({"elasticity", "friction", "collision type -1"}), "");
  EXPECT_TRUE(survivesWithMessage(n, "surface velocity"));

  PhysicsBodyDescription many = body(1.0f, {circleShape(1)});
  many.shapeCount = 7;
  for (auto& shape : many.shapes) shape = circleShape(1);
  for (int count : {7, -2}) {
    many.shapeCount = count;
    auto* m = makeNode(many, 0, 0);
    EXPECT_EQ(m->getShapeCount(), count > 0 ? 5 : 0);
    EXPECT_TRUE(survivesWithMessage(m, "not " + std::to_string(count)));
  }
}

TEST_F(PhysicsGuardTest, NonNumbersFromCallersAreIgnored) {
  auto* n = makeNode(body(1.0f, {circleShape(2)}), 5, 6);
  scene.addPhysicsItem(n);
  n->setPosition(kNaN, 0, 0);
  EXPECT_TRUE(messages.contains("position"));
  EXPECT_EQ(cpBodyGetPosition(n->getBody()).x, 5.0);
  n->setPosition(5, 6, 0);
  n->setVelocity(Vector3(kInf, 0, 0));
  n->setForce(Vector3(0, kNaN, 0));
  n->applyImpulse(Vector3(kNaN, 0, 0), Vector3(1, 1, 0));
  n->setScale(kNaN, 1, 1);
  n->setScale(kInf, kInf, 1);
  EXPECT_EQ(cpCircleShapeGetRadius(n->getShape(0)), 2.0);
  EXPECT_EQ(messages.missing({"velocity", "force", "impulse"}), "");
  EXPECT_TRUE(std::isfinite(n->getVelocity().x));
  EXPECT_TRUE(survivesWithMessage(n, ""));
  EXPECT_EQ(scene.queryNodeAtPoint(kNaN, 0, 1), nullptr);
}

// Past the library's safe range a value is capped, not dropped: a jumper's
// bounce off a fast body must still throw it away at the fastest speed allowed.
TEST_F(PhysicsGuardTest, ValuesPastTheLimitAreCappedNotDropped) {
  const double kMax = PhysicsGuard::kMaxSpeed;
  auto* n = makeNode(body(2.0f, {circleShape(1)}), 5, 6);
  scene.addPhysicsItem(n);
  n->setVelocity(Vector3(4.0e6f, -2.0e6f, 0));
  EXPECT_EQ(cpBodyGetVelocity(n->getBody()).x, kMax);
  EXPECT_EQ(cpBodyGetVelocity(n->getBody()).y, -kMax / 2);  // the direction is kept
  n->setForce(Vector3(0, -3.0e7f, 0));
  EXPECT_EQ(cpBodyGetForce(n->getBody()).y, -kMax);
  n->setVelocity(Vector3(0, 0, 0));
  // Impulse 4e6 at 2e6 off-centre: both capped, j / m = 1e6 / 2.
  n->applyImpulse(Vector3(2.0e6f, 0, 0), Vector3(0, 4.0e6f, 0));
  EXPECT_EQ(cpBodyGetVelocity(n->getBody()).y, kMax / 2);
  EXPECT_DOUBLE_EQ(cpBodyGetAngularVelocity(n->getBody()),
                   PhysicsGuard::kMaxCoordinate * kMax / cpBodyGetMoment(n->getBody()));
  n->setAngularVelocity(-1.0e9f);
  EXPECT_EQ(n->getAngularVelocity(), -PhysicsGuard::kMaxSpin);
  n->setAngularVelocity(kNaN);
  EXPECT_EQ(n->getAngularVelocity(), -PhysicsGuard::kMaxSpin);
  // A node sent far away takes its body to the edge of the usable range.
  n->setPosition(-5.0e6f, 7, 0);
  EXPECT_EQ(cpBodyGetPosition(n->getBody()).x, -PhysicsGuard::kMaxCoordinate);
  EXPECT_EQ(cpBodyGetPosition(n->getBody()).y, 7.0);
  EXPECT_EQ(messages.missing({"velocity beyond", "force beyond", "impulse beyond", "impulse offset beyond",
                              "angular velocity ignored", "position beyond"}),
            "");
  n->setPosition(5, 6, 0);
  EXPECT_TRUE(survivesWithMessage(n, ""));
}

TEST_F(PhysicsGuardTest, WorldSettingsAndRatesAreChecked) {
  scene.setWorldParameters({0, 5, Vector3(kNaN, 1, 0), -2.0f});
  EXPECT_EQ(cpSpaceGetIterations(scene.getSpace()), 1);
  EXPECT_EQ(cpSpaceGetDamping(scene.getSpace()), 1.0);
  EXPECT_EQ(cpSpaceGetGravity(scene.getSpace()).x, 0.0);
  EXPECT_EQ(messages.missing({"iterations", "damping", "gravity"}), "");
  scene.setWorldParameters({5000, 0, Vector3(0, 1.0e9f, 0), 2.0f});
  EXPECT_EQ(cpSpaceGetIterations(scene.getSpace()), PhysicsGuard::kMaxIterations);
  EXPECT_EQ(cpSpaceGetDamping(scene.getSpace()), 1.0);  // above 1 every body would speed up for ever
  EXPECT_EQ(cpSpaceGetGravity(scene.getSpace()).y, 0.0);
  // Too fast a rate runs at the fastest one allowed, not at the old one.
  for (auto [rate, kept] : {std::pair{0, 30}, {-3, 30}, {100000, PhysicsGuard::kMaxStepRate},
                            {-1, PhysicsGuard::kMaxStepRate}}) {
    scene.setStepsPerSecond(rate);
    EXPECT_EQ(scene.getStepsPerSecond(), kept) << rate;
  }
  EXPECT_TRUE(messages.contains("steps per second"));
  scene.setStepsPerSecond(30);
  EXPECT_TRUE(survivesWithMessage(makeNode(body(1.0f, {circleShape(1)}), 0, 0), ""));
}

TEST_F(PhysicsGuardTest, SpaceMembershipCannotBeDoubled) {
  auto* n = makeNode(body(1.0f, {circleShape(2)}), 0, 0);
  scene.addPhysicsItem(n);
  scene.addPhysicsItem(n);  // once only
  n->addToSpace(&scene);
  n->removeFromSpace();
  n->removeFromSpace();
  n->addToSpace(&scene);
  EXPECT_EQ(scene.getRegisteredNodes().size(), 1u);
  EXPECT_EQ(scene.getMembers().size(), 1u);
  // A second scene takes the node over from the first.
  CScenePhysics other;
  n->addToSpace(&other);
  EXPECT_EQ(cpShapeGetSpace(n->getShape(0)), other.getSpace());
  EXPECT_TRUE(scene.getMembers().empty());
  n->addToSpace(&scene);
  // Static bodies: rebuilt without a mass, never added as bodies.
  auto* wall = makeNode(body(1.0f, {boxShape(2, 2)}, 0, true), 50, 0);
  scene.addPhysicsItem(wall);
  wall->rebuildShapes(body(5.0f, {boxShape(4, 4)}, 0, true));
  EXPECT_EQ(wall->getShapeCount(), 1);
  EXPECT_TRUE(survivesWithMessage(wall, ""));
  scene.freeSpace();
  EXPECT_EQ(n->getScene(), nullptr);
  n->addToSpace(&scene);
  EXPECT_TRUE(messages.contains("no space"));
  scene.initSpace();
  scene.addPhysicsItem(n);
  EXPECT_TRUE(survivesWithMessage(n, ""));
}

TEST_F(PhysicsGuardTest, JointsThatCannotBeSolvedAreNotBuilt) {
  auto* s1 = makeNode(body(1.0f, {circleShape(1)}, 0, true), 0, 0);
  auto* s2 = makeNode(body(1.0f, {circleShape(1)}, 0, true), 10, 0);
  auto* d1 = makeNode(body(1.0f, {circleShape(1)}), 20, 0);
  scene.addPhysicsItem(s1);
  scene.addPhysicsItem(s2);
  scene.addPhysicsItem(d1);
  PhysicsJointDescription pin, nanSlide, flatGroove, unknown, badSize;
  nanSlide.type = kJointSlide;
  nanSlide.slideMax = kNaN;
  flatGroove.type = kJointGroove;
  flatGroove.groove1 = flatGroove.groove2 = Vector3(3, 3, 0);  // no length: no direction
  unknown.type = 7;
  badSize.referenceSize = -5;
  struct Case {
    const PhysicsJointDescription& d;
    CNodePhysics* a;
    CNodePhysics* b;
    const char* message;
  } cases[] = {{pin, s1, s2, "both bodies are static"}, {pin, d1, d1, "same body"},
               {nanSlide, s1, d1, "usable number"},      {flatGroove, s1, d1, "groove's ends"},
               {unknown, s1, d1, "unknown type 7"}};
  auto* j = new CNodePhysicsJoint;
  for (const Case& c : cases) {
    j->createConstraint(c.d, c.a->getBody(), c.b->getBody());
    EXPECT_EQ(j->getConstraint(), nullptr) << c.message;
    EXPECT_TRUE(messages.contains(c.message)) << c.message;
  }
  // A bad reference size is mended, the joint still built.
  j->createConstraint(badSize, s1->getBody(), d1->getBody());
  EXPECT_NE(j->getConstraint(), nullptr);
  EXPECT_TRUE(messages.contains("reference size"));
  scene.addPhysicsItem(j);
  EXPECT_TRUE(survivesWithMessage(d1, ""));
}

TEST_F(PhysicsGuardTest, RunawaySpeedsAreBroughtBackBeforeTheyMoveABody) {
  // Super-elastic walls feed a ball more speed at every bounce; the library
  // would abort once a speed overflowed.
  auto* box = makeNode(body(1.0f, {segmentShape(-50, -50, 50, -50), segmentShape(-50, 50, 50, 50),
                                    segmentShape(-50, -50, -50, 50), segmentShape(50, -50, 50, 50)},
                                   0, true),
                       0, 0);
  for (int i = 0; i < 4; ++i) cpShapeSetElasticity(box->getShape(i), 50.0);
  auto* ball = makeNode(body(1.0f, {circleShape(5)}), 0, 0);
  cpShapeSetElasticity(ball->getShape(0), 50.0);
  scene.addPhysicsItem(box);
  scene.addPhysicsItem(ball);
  ball->setVelocity(Vector3(900, 700, 0));
  for (int i = 0; i < 300; ++i) {
    scene.update(33);
    ASSERT_TRUE(std::isfinite(cpBodyGetVelocity(ball->getBody()).x));
  }
  cpBodySetVelocity(ball->getBody(), cpv(1.0e12, 0));
  cpBodySetAngularVelocity(ball->getBody(), 1.0e9);
  scene.update(33);
  EXPECT_LE(cpvlength(cpBodyGetVelocity(ball->getBody())), PhysicsGuard::kMaxSpeed * 1.0001);
  EXPECT_TRUE(std::isfinite(ball->getPosition().x));
}

TEST(PhysicsBanner, OutputComparisonsDropTheLibraryBanner) {
  const std::string banner =
      "Initializing cpSpace - Chipmunk v7.0.3 (Debug Enabled)\n"
      "Compile with -DNDEBUG defined to disable debug mode and runtime assertion checks\n";
  EXPECT_EQ(PhysicsGuard::withoutLibraryBanner("a\n" + banner + "b\n"), "a\nb\n");
  EXPECT_EQ(PhysicsGuard::withoutLibraryBanner("no banner"), "no banner");

  // The default sink writes the game's messages to standard output, next to
  // the banner the first space of the process prints there.
  qmtest::TempDir dir;
  const std::string path = (dir.path() / "out.txt").string();
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  ASSERT_NE(std::freopen(path.c_str(), "w", stdout), nullptr);
  {
    CScenePhysics scene;
    scene.setStepsPerSecond(0);
  }
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(PhysicsGuard::withoutLibraryBanner(text.str()),
            "physics: 0 steps per second is outside 1 to 600, keeping 30\n");
}

}  // namespace
