#include "game/actors/QuillmoorGameplayTest.h"

#include <cmath>

#include "game/actors/ActorCasts.h"
#include "game/actors/QMRCNodePhysicsReader.h"
#include "physics/GameConfiguration.h"

using RenderEngine::CNode;
using RenderEngine::CNodePhysics;
using RenderEngine::CollisionCallbacks;
using RenderEngine::ContactList;
using RenderEngine::CScenePhysics;
using RenderEngine::Vector3;

namespace {

constexpr int kAnimalsInOrder[] = {CollisionType::Sheep, CollisionType::Wolf, CollisionType::BlackSheep,
                                   CollisionType::BlackWolf};

float dot2(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y; }

Vector3 flat(const Vector3& v) { return Vector3(v.x, v.y, 0.0f); }

// v - 2 (v . n) n
Vector3 reflect(const Vector3& v, const Vector3& n) {
  const float d = 2.0f * dot2(v, n);
  return Vector3(v.x - d * n.x, v.y - d * n.y, 0.0f);
}

void removeFromLevel(CNode* node) {
  if (LevelSequenceActions* s = GameplayTestInterface::sequence()) {
    s->removeObject(node);
  } else if (CScenePhysics* scene = GameplayTestInterface::scene()) {
    scene->queueRemoval(node);
  }
}

void showTapEffect(CNodePhysics* node) {
  if (LevelSequenceActions* s = GameplayTestInterface::sequence()) s->spawnTapEffect(node);
}

// Breaks the node when it is an ice block still whole and the impact is hard
// enough. Two bodies striking one block in the same step break it once.
bool breakIce(CNodePhysics* node, float impact) {
  if (node->getCollisionType() != CollisionType::IceBlock) return false;
  QMRBloc* ice = asBloc(node);
  if (ice == nullptr || ice->getHitPoints() <= 0) return false;
  if (!(impact > gameConfiguration().iceBreakForce)) return false;
  ice->setHitPoints(0);
  removeFromLevel(ice);
  showTapEffect(ice);
  return true;
}

// Answers false when the explosive is spent (everything passes it).
bool checkExplosive(CNodePhysics* node, float impact) {
  if (node->getCollisionType() != CollisionType::ExplosiveBlock) return true;
  if (!node->isArmed()) return false;
  if (impact > gameConfiguration().explosiveBreakForce && asBloc(node) != nullptr) {
    QuillmoorGameplayTest::explodeBlock(node);
    node->setArmed(false);
  }
  return true;
}

void bounceOffJumper(CNodePhysics* body, const Vector3& n) {
  const float power = gameConfiguration().jumpingForce;
  body->setVelocity(multiply(reflect(body->getVelocity(), n), power));
  // The library clears forces after every step: this one lasts a step, and
  // the game applies none anyway.
  body->setForce(multiply(reflect(body->getForce(), n), power));
}

void bounceIfJumper(CNodePhysics* jumper, CNodePhysics* other) {
  if (jumper->getCollisionType() != CollisionType::JumperBlock || other->isStatic()) return;
  const float a = (jumper->getRotation().z + 90.0f) * 3.1415927f / 180.0f;
  bounceOffJumper(other, Vector3(std::cos(a), std::sin(a), 0.0f));
  if (QMRBloc* bloc = asBloc(jumper)) bloc->playBounce();
}

QMRSheep* animalOf(CNodePhysics* a, CNodePhysics* b) {
  return asAnimal(CollisionType::isAnimal(a->getCollisionType()) ? a : b);
}

}  // namespace

QuillmoorGameplayTest::QuillmoorGameplayTest() = default;

QuillmoorGameplayTest::~QuillmoorGameplayTest() {
  if (scene() != nullptr) unregisterHandlers();
}

void QuillmoorGameplayTest::registerHandlers() {
  CScenePhysics* s = scene();
  if (s == nullptr) return;
  const struct {
    int type;
    RenderEngine::CollisionCallback handler;
  } blocks[] = {{CollisionType::IceBlock, &onIceCollision},
                {CollisionType::ExplosiveBlock, &onExplosiveCollision},
                {CollisionType::JumperBlock, &onJumperContact},
                {CollisionType::ExplosionBlast, &onBlastContact}};
  for (const auto& block : blocks) {
    for (int t = 0; t < kTypeCount; ++t) {
      if (t != CollisionType::ExplosionBlast) s->addCollisionHandler(block.type, t, block.handler);
    }
  }
  goalZoneCallbacks_ = CollisionCallbacks{};
  goalZoneCallbacks_.begin = &onAnimalEnterGoalZone;
  goalZoneCallbacks_.separate = &onAnimalLeaveGoalZone;
  ignoreCallbacks_ = CollisionCallbacks{};
  ignoreCallbacks_.begin = &rejectContact;
  ignoreCallbacks_.preSolve = &rejectContact;
  for (int animal : kAnimalsInOrder) {
    s->addCollisionHandlers(animal, CollisionType::GoalZone, &goalZoneCallbacks_);
    s->addCollisionHandler(animal, CollisionType::DeathZone, &onAnimalInDeathZone);
  }
}

void QuillmoorGameplayTest::unregisterHandlers() {
  CScenePhysics* s = scene();
  if (s == nullptr) return;
  for (int t = 0; t < kTypeCount; ++t) {
    s->removeCollisionHandler(CollisionType::IceBlock, t);
    s->removeCollisionHandler(CollisionType::ExplosiveBlock, t);
    s->removeCollisionHandler(CollisionType::ExplosionBlast, t);
  }
}

void QuillmoorGameplayTest::ignoreAnimalCollisions() {
  CScenePhysics* s = scene();
  if (s == nullptr) return;
  const int order[] = {CollisionType::Sheep, CollisionType::Wolf, CollisionType::BlackWolf, CollisionType::BlackSheep};
  for (int t = 0; t < kTypeCount; ++t) {
    if (t == CollisionType::GoalZone) continue;
    for (int animal : order) s->addCollisionHandlers(animal, t, &ignoreCallbacks_);
  }
}

void QuillmoorGameplayTest::restoreAnimalCollisions() {
  CScenePhysics* s = scene();
  if (s == nullptr) return;
  for (int t = 0; t < kTypeCount; ++t) {
    if (t == CollisionType::GoalZone) continue;
    for (int animal : kAnimalsInOrder) s->removeCollisionHandler(animal, t);
  }
  registerHandlers();
}

void QuillmoorGameplayTest::swapItem(ISwappableItem* item) {
  if (item != nullptr) item->swap();
}

bool QuillmoorGameplayTest::takesTap(CNode* node) {
  auto* physics = dynamic_cast<CNodePhysics*>(node);
  if (physics == nullptr) return false;
  switch (physics->getCollisionType()) {
    case CollisionType::TapBlock:
    case CollisionType::IceBlock:
    case CollisionType::FloatingBlock:
      return asBloc(physics) != nullptr;
    case CollisionType::ExplosiveBlock:
      return asBloc(physics) != nullptr && physics->isArmed();
    case CollisionType::BlackSheep:
    case CollisionType::BlackWolf:
      return asSwappable(physics) != nullptr;
    default:
      return false;
  }
}

bool QuillmoorGameplayTest::onObjectTapped(CNode* node) {
  if (!takesTap(node)) return false;
  auto* physics = static_cast<CNodePhysics*>(node);
  switch (physics->getCollisionType()) {
    case CollisionType::ExplosiveBlock:
      explodeBlock(physics);
      physics->setArmed(false);
      return true;
    case CollisionType::BlackSheep:
    case CollisionType::BlackWolf:
      swapItem(asSwappable(physics));
      showTapEffect(physics);
      return false;
    default: {
      QMRBloc* bloc = asBloc(physics);
      if (bloc->takeHit()) removeFromLevel(bloc);
      return true;
    }
  }
}

void QuillmoorGameplayTest::explodeBlock(CNodePhysics* block) {
  if (block == nullptr) return;
  RenderEngine::PhysicsBodyDescription d;
  d.mass = 1.0f;
  d.isStatic = true;
  d.shapeCount = 1;
  d.shapes[0].model = RenderEngine::kShapeCircle;
  d.shapes[0].radius = 1.0f;
  d.group = 10;
  d.collisionType = CollisionType::ExplosionBlast;
  d.layers = 0xFFFFFFFFu;
  auto* blast = new CNodePhysics;
  blast->createBody(d);
  const Vector3& at = block->getPosition();
  blast->setPosition(at.x, at.y, at.z);
  // A static block's mass is infinite: its blast would push with an infinite
  // power, which the physics refuses, so it weighs 1 here.
  const float mass = block->getMass();
  const float blastMass = block->isStatic() || !std::isfinite(mass) ? 1.0f : mass;
  blast->setScale(gameConfiguration().explosionRadius * kBlastRadiusFactor, 1.0f, blastMass);
  removeFromLevel(block);
  showTapEffect(block);
  if (scene() == nullptr) {
    delete blast;
    return;
  }
  addTimedBody(blast, 0);
}

int QuillmoorGameplayTest::onIceCollision(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  a->syncFromBody();
  b->syncFromBody();
  const Vector3 va = flat(a->getVelocity());
  const Vector3 vb = flat(b->getVelocity());
  if (va.lengthSquared() < 100.0f && vb.lengthSquared() < 100.0f) return 1;
  const float impact = subtract(va, vb).lengthSquared();
  bool broke = breakIce(a, impact);
  broke = breakIce(b, impact) || broke;
  return broke && gameConfiguration().iceTraverse ? 0 : 1;
}

int QuillmoorGameplayTest::onExplosiveCollision(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  a->syncFromBody();
  b->syncFromBody();
  const float impact = subtract(flat(a->getVelocity()), flat(b->getVelocity())).lengthSquared();
  if (!checkExplosive(a, impact)) return 0;
  if (!checkExplosive(b, impact)) return 0;
  return 1;
}

int QuillmoorGameplayTest::onJumperContact(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  a->syncFromBody();
  b->syncFromBody();
  bounceIfJumper(a, b);
  bounceIfJumper(b, a);
  return 1;
}

int QuillmoorGameplayTest::onBlastContact(CNodePhysics* a, CNodePhysics* b, int count, ContactList contacts) {
  a->syncFromBody();
  b->syncFromBody();
  CNodePhysics* blast = a->getCollisionType() == CollisionType::ExplosionBlast ? a : b;
  CNodePhysics* other = blast == a ? b : a;
  if (other->isStatic()) return 1;
  if (!other->isArmed()) return 0;
  const int n = contacts.size() < count ? contacts.size() : count;
  if (n <= 0) return 0;
  Vector3 c;
  for (int i = 0; i < n; ++i) c += divide(flat(contacts[i].point), static_cast<float>(n));
  const Vector3 b0 = flat(blast->getPosition());
  const float radius = blast->getScale().x;
  const float mass = blast->getScale().z;
  if (!(radius > 0.0f)) return 0;
  const Vector3 toContact = subtract(c, b0);
  const float dist = toContact.length();
  // At the centre, or at half the radius, there is no direction to push in.
  const float k = radius - 2.0f * (radius - dist);
  const float tiny = radius * 1e-5f;
  if (dist <= tiny || std::fabs(k) <= tiny) return 0;
  const Vector3 u = divide(toContact, dist);
  const Vector3 p = b0 + multiply(u, k);
  const float f = 1.0f - std::fabs(k) / radius;
  const GameConfiguration& config = gameConfiguration();
  const float power = (config.explosionMaxPower - (config.explosionMaxPower - config.explosionMinPower) * f) * mass;
  // unit(b - p) x -power: away from the centre when k > 0, towards it otherwise.
  const Vector3 impulse = multiply(k > 0.0f ? u : negate(u), power);
  other->applyImpulse(subtract(p, flat(other->getPosition())), impulse);
  return 0;
}

int QuillmoorGameplayTest::onAnimalEnterGoalZone(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  if (QMRSheep* animal = animalOf(a, b)) animal->setInGoalZone(true);
  return 1;
}

int QuillmoorGameplayTest::onAnimalLeaveGoalZone(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  if (QMRSheep* animal = animalOf(a, b)) animal->setInGoalZone(false);
  return 1;
}

int QuillmoorGameplayTest::onAnimalInDeathZone(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  if (QMRSheep* animal = animalOf(a, b)) animal->die();
  return 1;
}

int QuillmoorGameplayTest::rejectContact(CNodePhysics*, CNodePhysics*, int, ContactList) { return 0; }
