// Drives the physics layer with hostile values: bodies and shapes built from
// arbitrary descriptions (counts that overstate their arrays, NaN and infinite
// numbers, unknown kinds), joints between any two nodes, transforms, rates,
// removals, clones and resets, some of them from inside collision callbacks.
// Chipmunk aborts on any input it rejects, so an abort here is a finding.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "physics/CNodePhysicsContainer.h"
#include "physics/CNodePhysicsJoint.h"
#include "physics/CScenePhysics.h"
#include "physics/PhysicsGuard.h"

using namespace RenderEngine;

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::int32_t int32() {
    std::int32_t v = 0;
    take(&v, sizeof v);
    return v;
  }
  // Mostly small numbers, sometimes any bit pattern (NaN, infinities, huge).
  float number() {
    const std::uint8_t kind = byte();
    if (kind < 200) return static_cast<float>(static_cast<std::int8_t>(byte())) * 4.0f;
    float v = 0.0f;
    take(&v, sizeof v);
    return v;
  }

 private:
  void take(void* out, std::size_t n) {
    const std::size_t k = pos_ + n <= size_ ? n : size_ - pos_;
    std::memcpy(out, data_ + pos_, k);
    pos_ += k;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Each node added at a contact can make more contacts: without a bound one
// input grows the scene until the run times out instead of finding anything.
constexpr int kMaxNodesAddedInCallbacks = 64;

struct World {
  CScenePhysics* scene = nullptr;
  std::vector<CNodePhysics*> nodes;  // registered with the scene
  Input* in = nullptr;
  int addedInCallbacks = 0;
};
World g_world;

PhysicsBodyDescription readBody(Input& in) {
  PhysicsBodyDescription d;
  d.mass = in.number();
  d.isStatic = (in.byte() & 1) != 0;
  d.shapeCount = static_cast<std::int8_t>(in.byte()) % 8;
  for (auto& s : d.shapes) {
    s.model = static_cast<std::int8_t>(in.byte()) % 4;
    const int held = in.byte() % 8;
    std::vector<float> xy;
    for (int i = 0; i < 2 * held; ++i) xy.push_back(in.number());
    s.setPoints(std::move(xy));
    s.pointCount = static_cast<std::int8_t>(in.byte());
    s.radius = in.number();
    s.elasticity = in.number();
    s.friction = in.number();
    s.offset = Vector3(in.number(), in.number(), 0.0f);
    s.surfaceVelocity = Vector3(in.number(), in.number(), 0.0f);
  }
  d.group = static_cast<std::int8_t>(in.byte());
  d.collisionType = static_cast<std::int8_t>(in.byte()) % 5;
  d.layers = in.byte() < 128 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(in.int32());
  return d;
}

CNodePhysics* pick(Input& in) {
  if (g_world.nodes.empty()) return nullptr;
  return g_world.nodes[in.byte() % g_world.nodes.size()];
}

void forget(CNode* node) {
  for (auto it = g_world.nodes.begin(); it != g_world.nodes.end();) {
    it = *it == node ? g_world.nodes.erase(it) : it + 1;
  }
}

void step(Input& in);

// What a handler does is read from the input too.
int onContact(CNodePhysics* a, CNodePhysics* b, int, ContactList) {
  Input& in = *g_world.in;
  switch (in.byte() % 6) {
    case 0: {
      if (g_world.addedInCallbacks >= kMaxNodesAddedInCallbacks) break;
      ++g_world.addedInCallbacks;
      auto* n = new CNodePhysics;
      n->setPosition(a->getPosition().x, a->getPosition().y, 0.0f);
      n->createBody(readBody(in));
      n->setScale(in.number(), in.number(), in.number());
      g_world.scene->addPhysicsItem(n);
      g_world.nodes.push_back(n);
      break;
    }
    case 1:
      g_world.scene->queueRemoval(b);
      forget(b);
      break;
    case 2:
      a->removeFromSpace();
      break;
    case 3:
      a->setPosition(in.number(), in.number(), 0.0f);
      break;
    case 4:
      a->rebuildShapes(readBody(in));
      break;
    default:
      return in.byte() & 1;
  }
  return 1;
}

void step(Input& in) {
  CScenePhysics& scene = *g_world.scene;
  switch (in.byte() % 13) {
    case 0:
    case 1: {
      auto* n = new CNodePhysics;
      n->setPosition(in.number(), in.number(), 0.0f);
      n->createBody(readBody(in));
      scene.addPhysicsItem(n);
      g_world.nodes.push_back(n);
      break;
    }
    case 2:
      if (CNodePhysics* n = pick(in)) {
        n->setPosition(in.number(), in.number(), in.number());
        n->setRotation(in.number(), in.number(), in.number());
      }
      break;
    case 3:
      if (CNodePhysics* n = pick(in)) n->setScale(in.number(), in.number(), in.number());
      break;
    case 4: {
      CNodePhysics* a = pick(in);
      CNodePhysics* b = pick(in);
      PhysicsJointDescription d;
      d.type = static_cast<std::int8_t>(in.byte()) % 5;
      d.anchor1 = Vector3(in.number(), in.number(), 0.0f);
      d.anchor2 = Vector3(in.number(), in.number(), 0.0f);
      d.pivot = Vector3(in.number(), in.number(), 0.0f);
      d.groove1 = Vector3(in.number(), in.number(), 0.0f);
      d.groove2 = Vector3(in.number(), in.number(), 0.0f);
      d.slideMin = in.number();
      d.slideMax = in.number();
      d.referenceSize = in.number();
      auto* j = new CNodePhysicsJoint;
      j->attach(d, a, b);
      scene.addPhysicsItem(j);
      break;
    }
    case 5:
    case 6:
      for (int i = in.byte() % 8; i >= 0; --i) scene.update(in.byte() % 3 == 0 ? 0 : 33);
      break;
    case 7:
      if (CNodePhysics* n = pick(in)) {
        scene.queueRemoval(n);
        forget(n);
      }
      break;
    case 8:
      if (CNodePhysics* n = pick(in)) {
        auto* copy = static_cast<CNodePhysics*>(n->clone());
        scene.registerNode(copy);
        g_world.nodes.push_back(copy);
      }
      break;
    case 9:
      scene.setStepsPerSecond(in.int32() % 100);
      scene.setWorldParameters({in.int32() % 30, 0, Vector3(in.number(), in.number(), 0.0f), in.number()});
      break;
    case 10:
      scene.recacheShapeBounds();
      scene.queryNodeAtPoint(in.number(), in.number(), in.byte());
      if (CNodePhysics* n = pick(in)) {
        n->applyImpulse(Vector3(in.number(), in.number(), 0.0f), Vector3(in.number(), in.number(), 0.0f));
        n->setVelocity(Vector3(in.number(), in.number(), 0.0f));
      }
      break;
    case 11: {
      // A group of two joined bodies, moved, scaled and cloned as one.
      auto* group = new CNodePhysicsContainer;
      auto* a = new CNodePhysics;
      auto* b = new CNodePhysics;
      a->createBody(readBody(in));
      b->setPosition(in.number(), in.number(), 0.0f);
      b->createBody(readBody(in));
      group->addChild(a);
      group->addChild(b);
      auto* j = new CNodePhysicsJoint;
      PhysicsJointDescription d;
      d.type = in.byte() % 4;
      j->attach(d, a, b);
      group->addChild(j);
      scene.addPhysicsItem(group);
      group->setPosition(in.number(), in.number(), 0.0f);
      group->setScale(in.number(), in.number(), in.number());
      scene.registerNode(group->clone());
      break;
    }
    default:
      scene.reset();
      g_world.nodes.clear();
      break;
  }
}

void quiet(const std::string&) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PhysicsGuard::setMessageSink(&quiet);
  Input in(data, size);
  auto* scene = new CScenePhysics;
  g_world = World{scene, {}, &in};
  for (int a = 0; a < 5; ++a) {
    for (int b = a; b < 5; ++b) {
      CollisionCallbacks callbacks{&onContact, &onContact, &onContact, &onContact};
      scene->addCollisionHandlers(a, b, &callbacks);
    }
  }
  for (int ops = 0; ops < 64 && !in.empty(); ++ops) step(in);
  delete scene;
  g_world = World{};
  return 0;
}
