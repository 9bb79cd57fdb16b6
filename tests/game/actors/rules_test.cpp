// The rules on small scenes over real Chipmunk: the handler table, ice,
// explosives and their blast, jumpers, the zones inside a step, the timed
// bodies and the taps by type.
#include <gtest/gtest.h>

#include <cmath>

#include "game/actors/ActorCasts.h"
#include "game/actors/QMRBlackAnimals.h"
#include "game/actors/QMRCNodePhysicsReader.h"
#include "game/actors/QuillmoorGameplayTest.h"
#include "physics/GameConfiguration.h"
#include "tests/game/ActorData.h"
#include "tests/game/ActorFixtures.h"

using namespace actortest;
using physicstest::body;
using physicstest::boxShape;
using physicstest::circleShape;
using Q = QuillmoorGameplayTest;

namespace {

// Records what the rules ask of the level and does it the plain way.
struct RecordingSequence : LevelSequenceActions {
  std::vector<CNode*> removed;
  std::vector<CNodePhysics*> effects;
  CScenePhysics* scene = nullptr;
  void removeObject(CNode* node) override {
    removed.push_back(node);
    if (scene != nullptr) scene->queueRemoval(node);
  }
  void spawnTapEffect(CNodePhysics* node) override { effects.push_back(node); }
};

struct RulesFixture {
  ActorEnvironment env;
  CScenePhysics scene;
  RecordingSequence sequence;
  Q rules;
  RulesFixture() {
    GameConfiguration& c = gameConfiguration();
    c.iceBreakForce = 300.0f * 300.0f;
    c.explosiveBreakForce = 200.0f * 200.0f;
    c.explosionRadius = 2.0f;
    c.explosionMinPower = 100.0f;
    c.explosionMaxPower = 500.0f;
    c.jumpingForce = 1.5f;
    c.iceTraverse = false;
    initScene(scene);
    sequence.scene = &scene;
    rules.clearAll();
    rules.setSpace(&scene);
    rules.setLevelSequence(&sequence);
  }
  ~RulesFixture() {
    rules.setSpace(nullptr);
    rules.setLevelSequence(nullptr);
    rules.clearAll();
  }
  QMRBloc* block(int type, float x, float y, float mass = 1.0f, bool isStatic = false) {
    auto* b = new QMRBloc;
    b->createBody(body(mass, {boxShape(10, 10)}, type, isStatic));
    b->setPosition(x, y, 0);
    scene.addPhysicsItem(b);
    return b;
  }
  QMRSheep* sheep(float x, float y) {
    auto* s = new QMRSheep;
    s->createBody(body(1.0f, {circleShape(10)}, 1));
    s->setPosition(x, y, 0);
    scene.addPhysicsItem(s);
    return s;
  }
  void frame() {
    scene.update(33);
    rules.update(33);
  }
};

RenderEngine::CollisionCallback beginOf(const CScenePhysics& s, int a, int b) {
  const auto* e = s.findCollisionHandler(a, b);
  return e == nullptr ? nullptr : e->callbacks.begin;
}
int firstType(const CScenePhysics& s, int a, int b) {
  const auto* e = s.findCollisionHandler(a, b);
  return e == nullptr ? -1 : static_cast<int>(e->typeA);
}

ContactList contactAt(float x, float y) {
  ContactList list;
  ContactRecord r;
  r.point = Vector3(x, y, 0);
  list.push_back(r);
  return list;
}

}  // namespace

TEST(Rules, TheHandlerTableEndsAsRegisteredInOrder) {
  RulesFixture f;
  const CScenePhysics& s = f.scene;
  EXPECT_EQ(beginOf(s, 6, 3), &Q::onIceCollision);
  EXPECT_EQ(firstType(s, 6, 3), 6);
  EXPECT_EQ(beginOf(s, 6, 6), &Q::onIceCollision);
  EXPECT_EQ(beginOf(s, 6, 5), &Q::onExplosiveCollision);
  EXPECT_EQ(firstType(s, 6, 5), 5) << "the explosive's registration came later: its type is node A";
  EXPECT_EQ(beginOf(s, 6, 10), &Q::onJumperContact);
  EXPECT_EQ(firstType(s, 6, 10), 10);
  EXPECT_EQ(beginOf(s, 5, 10), &Q::onJumperContact);
  EXPECT_EQ(beginOf(s, 10, 10), &Q::onJumperContact);
  EXPECT_EQ(beginOf(s, 11, 3), &Q::onBlastContact);
  EXPECT_EQ(firstType(s, 11, 5), 11);
  EXPECT_EQ(s.findCollisionHandler(11, 11), nullptr);
  for (int animal : {1, 9, 12, 13}) {
    const auto* goal = s.findCollisionHandler(animal, 7);
    ASSERT_NE(goal, nullptr);
    EXPECT_EQ(goal->typeA, static_cast<cpCollisionType>(animal));
    EXPECT_EQ(goal->callbacks.begin, &Q::onAnimalEnterGoalZone);
    EXPECT_EQ(goal->callbacks.separate, &Q::onAnimalLeaveGoalZone);
    EXPECT_EQ(beginOf(s, animal, 8), &Q::onAnimalInDeathZone);
    EXPECT_EQ(firstType(s, animal, 8), animal);
  }

  f.rules.ignoreAnimalCollisions();
  for (int animal : {1, 9, 12, 13}) {
    EXPECT_EQ(beginOf(s, animal, 8), &Q::rejectContact);
    EXPECT_EQ(beginOf(s, animal, 3), &Q::rejectContact);
    EXPECT_EQ(beginOf(s, animal, 7), &Q::onAnimalEnterGoalZone) << "the goal zone still counts";
  }
  f.rules.restoreAnimalCollisions();
  EXPECT_EQ(beginOf(s, 1, 8), &Q::onAnimalInDeathZone);
  EXPECT_EQ(beginOf(s, 1, 6), &Q::onIceCollision);
  EXPECT_EQ(s.findCollisionHandler(1, 3), nullptr);
  EXPECT_EQ(s.findCollisionHandler(1, 9), nullptr);

  f.rules.unregisterHandlers();
  EXPECT_EQ(s.findCollisionHandler(6, 3), nullptr);
  EXPECT_EQ(s.findCollisionHandler(10, 5), nullptr);
  EXPECT_EQ(s.findCollisionHandler(10, 6), nullptr);
  EXPECT_EQ(beginOf(s, 10, 3), &Q::onJumperContact);
  EXPECT_EQ(beginOf(s, 1, 8), &Q::onAnimalInDeathZone);
}

TEST(Rules, IceBreaksOnHardImpactsOnlyOncePerStep) {
  RulesFixture f;
  QMRBloc* ice = f.block(6, 100, 100);
  QMRBloc* other = f.block(6, 140, 100);
  // Both slow: never, however they differ.
  ice->setVelocity(Vector3(9, 0, 0));
  other->setVelocity(Vector3(-9, 0, 0));
  EXPECT_EQ(Q::onIceCollision(ice, other, 0, ContactList()), 1);
  EXPECT_EQ(ice->getHitPoints(), 1);
  // Just under and over the threshold.
  ice->setVelocity(Vector3(150, 0, 0));
  other->setVelocity(Vector3(-149, 0, 0));
  Q::onIceCollision(ice, other, 0, ContactList());
  EXPECT_EQ(ice->getHitPoints(), 1);
  other->setVelocity(Vector3(-151, 0, 0));
  EXPECT_EQ(Q::onIceCollision(ice, other, 0, ContactList()), 1);
  EXPECT_EQ(ice->getHitPoints(), 0);
  EXPECT_EQ(other->getHitPoints(), 0);
  EXPECT_EQ(f.sequence.removed.size(), 2u);
  EXPECT_EQ(f.sequence.effects.size(), 2u);
  // A second body striking in the same step breaks nothing again.
  Q::onIceCollision(ice, other, 0, ContactList());
  EXPECT_EQ(f.sequence.effects.size(), 2u);

  gameConfiguration().iceTraverse = true;
  QMRBloc* third = f.block(6, 200, 100);
  QMRBloc* stone = f.block(3, 240, 100);
  stone->setVelocity(Vector3(-400, 0, 0));
  EXPECT_EQ(Q::onIceCollision(third, stone, 0, ContactList()), 0);
  EXPECT_EQ(stone->getHitPoints(), 1) << "only ice breaks";
  // A plain part of a complex entity with the ice type is left alone.
  auto* part = physicstest::makeNode(body(1.0f, {boxShape(5, 5)}, 6), 300, 100);
  f.scene.addPhysicsItem(part);
  EXPECT_EQ(Q::onIceCollision(part, stone, 0, ContactList()), 1);
}

TEST(Rules, AFastBallBreaksIceInsideTheStep) {
  RulesFixture f;
  gameConfiguration().iceTraverse = true;
  f.block(6, 100, 200, 1.0f, true);
  auto* ball = physicstest::makeNode(body(1.0f, {circleShape(5)}, 3), 100, 150);
  f.scene.addPhysicsItem(ball);
  ball->setVelocity(Vector3(0, 600, 0));
  for (int i = 0; i < 10; ++i) f.frame();
  EXPECT_EQ(f.sequence.removed.size(), 1u);
  EXPECT_GT(ball->getPosition().y, 200.0f) << "it passed where the ice was";
}

TEST(Rules, ExplosivesGoOffOnceAndTheirBlastLivesOneStep) {
  RulesFixture f;
  QMRBloc* tnt = f.block(5, 100, 100, 3.0f);
  QMRBloc* stone = f.block(3, 140, 100);
  stone->setVelocity(Vector3(-150, 0, 0));
  EXPECT_EQ(Q::onExplosiveCollision(tnt, stone, 0, ContactList()), 1) << "under the force";
  EXPECT_TRUE(tnt->isArmed());
  stone->setVelocity(Vector3(-250, 0, 0));
  EXPECT_EQ(Q::onExplosiveCollision(stone, tnt, 0, ContactList()), 1);
  EXPECT_FALSE(tnt->isArmed());
  ASSERT_EQ(GameplayTestInterface::addedBodies().size(), 1u);
  CNodePhysics* blast = GameplayTestInterface::addedBodies()[0].node;
  EXPECT_EQ(blast->getCollisionType(), 11);
  EXPECT_TRUE(blast->isStatic());
  EXPECT_FLOAT_EQ(blast->getScale().x, 2.0f * 21.21362f);
  EXPECT_FLOAT_EQ(blast->getScale().z, 3.0f) << "the block's mass rides in z";
  EXPECT_NEAR(cpCircleShapeGetRadius(blast->getShape(0)), 2.0 * 21.21362, 1e-3);
  EXPECT_EQ(blast->getPosition().x, 100.0f);
  EXPECT_EQ(f.sequence.removed, std::vector<CNode*>{tnt});
  EXPECT_EQ(Q::onExplosiveCollision(tnt, stone, 0, ContactList()), 0) << "a spent explosive lets all pass";

  // Created outside a step (as after a tap) the blast takes part in two
  // steps; then it is queued and gone at the next flush.
  const auto start = f.scene.getStepCount();
  f.frame();
  f.frame();
  EXPECT_TRUE(f.scene.isRegistered(blast));
  EXPECT_EQ(f.scene.getStepCount() - start, 2u);
  f.scene.update(33);
  EXPECT_FALSE(f.scene.isRegistered(blast));
}

TEST(Rules, ABlastFromInsideAStepIsNotLostAtALowRate) {
  RulesFixture f;
  f.scene.setStepsPerSecond(10);
  QMRBloc* tnt = f.block(5, 100, 100, 1.0f, true);
  auto* ball = physicstest::makeNode(body(1.0f, {circleShape(5)}, 3), 100, 78);
  f.scene.addPhysicsItem(ball);
  ball->setVelocity(Vector3(0, 300, 0));
  CNodePhysics* blast = nullptr;
  std::uint64_t stepsWithBlast = 0;
  for (int i = 0; i < 30 && (blast == nullptr || f.scene.isRegistered(blast)); ++i) {
    const auto before = f.scene.getStepCount();
    f.scene.update(33);
    if (blast != nullptr && f.scene.isRegistered(blast)) stepsWithBlast += f.scene.getStepCount() - before;
    if (blast == nullptr && !GameplayTestInterface::addedBodies().empty()) {
      blast = GameplayTestInterface::addedBodies()[0].node;
    }
    f.rules.update(33);
  }
  ASSERT_NE(blast, nullptr);
  EXPECT_EQ(f.sequence.removed, std::vector<CNode*>{tnt}) << "went off (and is gone)";
  EXPECT_GE(stepsWithBlast, 1u);
  EXPECT_FALSE(f.scene.isRegistered(blast));
}

TEST(Rules, AStaticExplosivesBlastMovesACrate) {
  RulesFixture f;
  QMRBloc* tnt = f.block(5, 100, 100, 1.0f, true);
  QMRBloc* crate = f.block(3, 130, 100, 2.0f);
  EXPECT_TRUE(f.rules.onObjectTapped(tnt));
  ASSERT_EQ(GameplayTestInterface::addedBodies().size(), 1u);
  CNodePhysics* blast = GameplayTestInterface::addedBodies()[0].node;
  EXPECT_FLOAT_EQ(blast->getScale().z, 1.0f) << "a static block weighs 1 in its blast";
  f.frame();
  f.frame();
  crate->syncFromBody();
  EXPECT_GT(crate->getVelocity().x, 1.0f) << "pushed away from the blast";
  EXPECT_GT(crate->getPosition().x, 130.0f);
}

TEST(Rules, TheBlastPushesByItsGeometry) {
  RulesFixture f;
  const float R = 2.0f * 21.21362f;
  auto blastAt = [&](float x, float y) {
    auto* b = physicstest::makeNode(body(1.0f, {circleShape(1)}, 11, true), x, y);
    b->setScale(R, 1.0f, 2.0f);
    f.scene.addPhysicsItem(b);
    return b;
  };
  CNodePhysics* blast = blastAt(100, 100);
  QMRBloc* rim = f.block(3, 100 + R, 100);
  EXPECT_EQ(Q::onBlastContact(blast, rim, 1, contactAt(100 + R, 100)), 0);
  // At the rim: the most power, away from the centre (mass 1: velocity = impulse).
  EXPECT_NEAR(rim->getVelocity().x, 500.0f * 2.0f, 0.5f);
  EXPECT_NEAR(rim->getVelocity().y, 0.0f, 1e-3f);

  QMRBloc* inner = f.block(3, 100, 100 + 0.75f * R);
  Q::onBlastContact(inner, blast, 1, contactAt(100, 100 + 0.75f * R));
  // k = R/2, f = 1/2: (500 - 400 / 2) x 2.
  EXPECT_NEAR(inner->getVelocity().y, 600.0f, 0.5f);

  QMRBloc* near = f.block(3, 100 - 0.25f * R, 100);
  Q::onBlastContact(blast, near, 1, contactAt(100 - 0.25f * R, 100));
  EXPECT_GT(near->getVelocity().x, 0.0f) << "nearer than R/2: towards the centre";

  // No direction at the centre or at half the radius: nothing, and no NaN.
  QMRBloc* centre = f.block(3, 100, 100);
  Q::onBlastContact(blast, centre, 1, contactAt(100, 100));
  Q::onBlastContact(blast, centre, 1, contactAt(100 + 0.5f * R, 100));
  EXPECT_EQ(centre->getVelocity(), Vector3());

  QMRBloc* wall = f.block(3, 120, 100, 0.0f, true);
  EXPECT_EQ(Q::onBlastContact(blast, wall, 1, contactAt(120, 100)), 1);
  QMRBloc* spent = f.block(5, 110, 100);
  spent->setArmed(false);
  EXPECT_EQ(Q::onBlastContact(blast, spent, 1, contactAt(110, 100)), 0);
  EXPECT_EQ(spent->getVelocity(), Vector3());
}

TEST(Rules, JumpersReflectAndScale) {
  RulesFixture f;
  QMRBloc* jumper = f.block(10, 100, 100, 0.0f, true);
  QMRBloc* crate = f.block(2, 100, 80);
  crate->setVelocity(Vector3(10, 50, 0));
  EXPECT_EQ(Q::onJumperContact(crate, jumper, 0, ContactList()), 1);
  EXPECT_NEAR(crate->getVelocity().x, 15.0f, 1e-3f);
  EXPECT_NEAR(crate->getVelocity().y, -75.0f, 1e-3f);

  jumper->setRotation(0, 0, 90);  // n = (-1, 0)
  crate->setVelocity(Vector3(20, 0, 0));
  Q::onJumperContact(jumper, crate, 0, ContactList());
  EXPECT_NEAR(crate->getVelocity().x, -30.0f, 1e-3f);

  QMRBloc* wall = f.block(3, 200, 100, 0.0f, true);
  Q::onJumperContact(jumper, wall, 0, ContactList());
  EXPECT_EQ(wall->getVelocity(), Vector3());
}

TEST(Rules, ZonesFindTheAnimalOnEitherSideAndDieInsideAStep) {
  RulesFixture f;
  QMRSheep* sheep = f.sheep(100, 100);
  QMRBloc* zone = f.block(7, 100, 130, 0.0f, true);
  Q::onAnimalEnterGoalZone(zone, sheep, 0, ContactList());
  EXPECT_TRUE(sheep->isInGoalZone());
  Q::onAnimalLeaveGoalZone(sheep, zone, 0, ContactList());
  EXPECT_FALSE(sheep->isInGoalZone());
  // A plain part typed as a sheep is not one.
  auto* part = physicstest::makeNode(body(1.0f, {circleShape(5)}, 1), 300, 100);
  f.scene.addPhysicsItem(part);
  EXPECT_EQ(Q::onAnimalInDeathZone(part, zone, 0, ContactList()), 1);

  // Falling on a death zone: the animal dies in the step, without an abort.
  QMRSheep* faller = f.sheep(200, 100);
  f.block(8, 200, 200, 0.0f, true);
  for (int i = 0; i < 40 && !faller->isDead(); ++i) f.frame();
  EXPECT_TRUE(faller->isDead());
  for (int i = 0; i < 3; ++i) f.frame();
  EXPECT_EQ(faller->getBody() == nullptr || !cpSpaceContainsBody(f.scene.getSpace(), faller->getBody()), true);

  // Ignoring animal collisions: through the death zone, still into the goal.
  QMRSheep* walker = f.sheep(300, 100);
  f.block(8, 300, 160, 0.0f, true);
  f.block(7, 300, 240, 0.0f, true);
  f.rules.ignoreAnimalCollisions();
  bool reachedGoal = false;
  for (int i = 0; i < 60; ++i) {
    f.frame();
    reachedGoal = reachedGoal || walker->isInGoalZone();
  }
  EXPECT_FALSE(walker->isDead());
  EXPECT_TRUE(reachedGoal);
}

TEST(Rules, TapsByType) {
  RulesFixture f;
  QMRBloc* crate = f.block(2, 100, 100);
  crate->setBlockKind(QMRBloc::kTwoHitKind);
  EXPECT_TRUE(QuillmoorGameplayTest::takesTap(crate));
  EXPECT_TRUE(f.rules.onObjectTapped(crate));
  EXPECT_TRUE(f.sequence.removed.empty());
  EXPECT_TRUE(f.rules.onObjectTapped(crate));
  EXPECT_EQ(f.sequence.removed, std::vector<CNode*>{crate});

  QMRBloc* zone = f.block(7, 200, 100, 0.0f, true);
  EXPECT_FALSE(QuillmoorGameplayTest::takesTap(zone));
  EXPECT_FALSE(f.rules.onObjectTapped(zone));
  EXPECT_FALSE(QuillmoorGameplayTest::takesTap(nullptr));
  EXPECT_FALSE(f.rules.onObjectTapped(nullptr));
  auto* part = physicstest::makeNode(body(1.0f, {boxShape(5, 5)}, 2), 300, 100);
  f.scene.addPhysicsItem(part);
  EXPECT_FALSE(QuillmoorGameplayTest::takesTap(part));
  EXPECT_FALSE(f.rules.onObjectTapped(part)) << "a plain part is no block";

  QMRBloc* tnt = f.block(5, 150, 100);
  EXPECT_TRUE(QuillmoorGameplayTest::takesTap(tnt));
  EXPECT_TRUE(f.rules.onObjectTapped(tnt));
  EXPECT_EQ(GameplayTestInterface::addedBodies().size(), 1u);
  EXPECT_FALSE(QuillmoorGameplayTest::takesTap(tnt));
  EXPECT_FALSE(f.rules.onObjectTapped(tnt)) << "gone off already";
}

TEST(Rules, ATapOnABlackAnimalSwapsItUncounted) {
  ActorData data(10);
  RulesFixture f;
  QMRCNodePhysicsReader reader;
  reader.setScale(getGridSize());
  auto* sheep = dynamic_cast<QMRBlackSheep*>(reader.createEntity("BlackSheepHeavy"));
  ASSERT_NE(sheep, nullptr);
  sheep->setPosition(100, 100, 0);
  f.scene.addPhysicsItem(sheep);
  const int model = sheep->getModelIndex();
  EXPECT_TRUE(QuillmoorGameplayTest::takesTap(sheep)) << "acted on, though not counted";
  EXPECT_FALSE(f.rules.onObjectTapped(sheep));
  EXPECT_NE(sheep->getModelIndex(), model);
  EXPECT_EQ(f.sequence.effects.size(), 1u);
}

TEST(Rules, TimedBodiesLiveTheirTime) {
  RulesFixture f;
  auto* a = physicstest::makeNode(body(1.0f, {circleShape(3)}, 3, true), 10, 10);
  auto* b = physicstest::makeNode(body(1.0f, {circleShape(3)}, 3, true), 30, 10);
  GameplayTestInterface::addTimedBody(a, 0);
  GameplayTestInterface::addTimedBody(b, 100);
  EXPECT_TRUE(f.scene.isRegistered(a));
  f.frame();
  EXPECT_EQ(GameplayTestInterface::liveBodies().size(), 2u);
  f.frame();
  EXPECT_EQ(GameplayTestInterface::liveBodies().size(), 1u);
  f.frame();
  EXPECT_FALSE(f.scene.isRegistered(a));
  f.frame();
  f.frame();
  EXPECT_TRUE(f.scene.isRegistered(b));
  f.frame();
  EXPECT_FALSE(f.scene.isRegistered(b));
  f.rules.clearAll();
  EXPECT_TRUE(GameplayTestInterface::liveBodies().empty());
}
