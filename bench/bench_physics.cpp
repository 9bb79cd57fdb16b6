// The physics scene stepping a pile of dynamic boxes and circles, against a
// bare Chipmunk space holding the same bodies, stepped side by side in the same
// run (alternating which goes first) by the same float step length, so both
// make the same contacts (the counters show it). Reported in processor time:
// microseconds per step of each, and the scene's overhead ratio (scene /
// bare), which covers the removal flush, the step and the node visits that
// copy every body into its node.
#include <benchmark/benchmark.h>
#include <chipmunk/chipmunk.h>

#include <ctime>
#include <cmath>
#include <memory>
#include <vector>

#include "physics/CScenePhysics.h"
#include "physics/PhysicsTestSupport.h"  // shape descriptions, shared with the tests

using namespace RenderEngine;
using physicstest::boxShape;
using physicstest::circleShape;
using physicstest::segmentShape;

namespace {

constexpr float kGravity = 400.0f;

// Processor time of this thread: the machine is shared.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Spot {
  float x, y;
  bool box;
};

std::vector<Spot> pileSpots(int count) {
  std::vector<Spot> spots;
  for (int i = 0; i < count; ++i) {
    const int col = i % 25;
    const int row = i / 25;
    spots.push_back({40.0f + 16.0f * col + (row % 2 == 0 ? 0.0f : 4.0f), 300.0f - 18.0f * row, i % 2 == 0});
  }
  return spots;
}

// The walls and floor of both worlds, and the pile's shapes: one description
// each, which the scene takes and the bare side builds by hand (bareShape).
const PhysicsShapeDescription kWalls[] = {segmentShape(0, 320, 480, 320, 2), segmentShape(0, -2000, 0, 320, 2),
                                          segmentShape(480, -2000, 480, 320, 2)};

PhysicsShapeDescription pileShape(const Spot& s) { return s.box ? boxShape(6, 6) : circleShape(6); }

std::unique_ptr<CScenePhysics> makeScene(const std::vector<Spot>& spots) {
  auto scene = std::make_unique<CScenePhysics>();
  scene->setWorldParameters({10, 0, Vector3(0, kGravity, 0), 1.0f});
  PhysicsBodyDescription walls;
  walls.isStatic = true;
  for (const auto& w : kWalls) walls.shapes[walls.shapeCount++] = w;
  auto* ground = new CNodePhysics;
  ground->createBody(walls);
  scene->addPhysicsItem(ground);
  for (const Spot& s : spots) {
    PhysicsBodyDescription d;
    d.mass = 1.0f;
    d.shapeCount = 1;
    d.shapes[0] = pileShape(s);
    auto* n = new CNodePhysics;
    n->setPosition(s.x, s.y, 0);
    n->createBody(d);
    scene->addPhysicsItem(n);
  }
  return scene;
}

// The bare side's shape for a description the scene side is given: the same
// geometry and the same materials, so both worlds hold the same bodies.
cpShape* bareShape(cpBody* body, const PhysicsShapeDescription& d) {
  cpShape* shape = nullptr;
  if (d.model == kShapeCircle) {
    shape = cpCircleShapeNew(body, d.radius, cpv(d.offset.x, d.offset.y));
  } else if (d.model == kShapeSegment) {
    shape = cpSegmentShapeNew(body, cpv(d.pointX(0), d.pointY(0)), cpv(d.pointX(1), d.pointY(1)), d.radius);
  } else {
    std::vector<cpVect> v;
    for (int i = 0; i < d.availablePoints(); ++i) v.push_back(cpv(d.pointX(i), d.pointY(i)));
    shape = cpPolyShapeNew(body, static_cast<int>(v.size()), v.data(), cpTransformIdentity, 0.0);
  }
  cpShapeSetElasticity(shape, d.elasticity);
  cpShapeSetFriction(shape, d.friction);
  return shape;
}

double bareMoment(double mass, const PhysicsShapeDescription& d) {
  if (d.model == kShapeCircle) return cpMomentForCircle(mass, 0, d.radius, cpv(d.offset.x, d.offset.y));
  std::vector<cpVect> v;
  for (int i = 0; i < d.availablePoints(); ++i) v.push_back(cpv(d.pointX(i), d.pointY(i)));
  return cpMomentForPoly(mass, static_cast<int>(v.size()), v.data(), cpvzero, 0.0);
}

// Contact points in a space right now, each touching pair counted once.
int contactCount(cpSpace* space) {
  int count = 0;
  cpSpaceEachBody(
      space,
      [](cpBody* body, void* data) {
        cpBodyEachArbiter(
            body,
            [](cpBody* owner, cpArbiter* arbiter, void* total) {
              CP_ARBITER_GET_BODIES(arbiter, a, b);
              (void)b;
              if (a == owner) *static_cast<int*>(total) += cpArbiterGetCount(arbiter);
            },
            data);
      },
      &count);
  return count;
}

// The same world made straight on the library, from the same descriptions.
struct BareSpace {
  cpSpace* space = nullptr;
  std::vector<cpShape*> shapes;
  std::vector<cpBody*> bodies;
  explicit BareSpace(const std::vector<Spot>& spots) {
    space = cpSpaceNew();
    cpSpaceSetIterations(space, 10);
    cpSpaceSetGravity(space, cpv(0, kGravity));
    cpSpaceSetCollisionBias(space, std::pow(0.9, 30.0));
    cpBody* ground = cpBodyNewStatic();
    bodies.push_back(ground);
    for (const auto& w : kWalls) {
      cpShape* s = bareShape(ground, w);
      cpSpaceAddShape(space, s);
      shapes.push_back(s);
    }
    for (const Spot& sp : spots) {
      const PhysicsShapeDescription d = pileShape(sp);
      cpBody* b = cpBodyNew(1.0, bareMoment(1.0, d));
      cpShape* s = bareShape(b, d);
      cpBodySetPosition(b, cpv(sp.x, sp.y));
      cpSpaceAddShape(space, s);
      cpSpaceAddBody(space, b);
      shapes.push_back(s);
      bodies.push_back(b);
    }
  }
  ~BareSpace() {
    for (cpShape* s : shapes) {
      cpSpaceRemoveShape(space, s);
      cpShapeFree(s);
    }
    for (cpBody* b : bodies) {
      if (cpBodyGetSpace(b) != nullptr) cpSpaceRemoveBody(space, b);
      cpBodyFree(b);
    }
    cpSpaceFree(space);
  }
  BareSpace(const BareSpace&) = delete;
  BareSpace& operator=(const BareSpace&) = delete;
};

// Every 300 steps (10 s of play) both piles start again from the top, so the
// measured mix of falling and resting bodies is the same for both.
void BM_PhysicsPile(benchmark::State& state) {
  const auto spots = pileSpots(static_cast<int>(state.range(0)));
  std::unique_ptr<CScenePhysics> scene;
  std::unique_ptr<BareSpace> bare;
  double sceneSeconds = 0;
  double bareSeconds = 0;
  std::int64_t steps = 0;
  std::int64_t sceneContacts = 0;
  std::int64_t bareContacts = 0;
  for (auto _ : state) {
    if (steps % 300 == 0) {
      state.PauseTiming();
      scene.reset();
      bare.reset();
      scene = makeScene(spots);
      bare = std::make_unique<BareSpace>(spots);
      state.ResumeTiming();
    }
    const bool sceneFirst = steps % 2 == 0;
    for (int k = 0; k < 2; ++k) {
      const double t0 = cpuSeconds();
      if ((k == 0) == sceneFirst) {
        scene->update(33);
        sceneSeconds += cpuSeconds() - t0;
      } else {
        cpSpaceStep(bare->space, 1.0f / 30.0f);  // the scene steps by a float length
        bareSeconds += cpuSeconds() - t0;
      }
    }
    state.PauseTiming();
    sceneContacts += contactCount(scene->getSpace());
    bareContacts += contactCount(bare->space);
    state.ResumeTiming();
    ++steps;
  }
  state.counters["scene_us_per_step"] = 1e6 * sceneSeconds / static_cast<double>(steps);
  state.counters["bare_us_per_step"] = 1e6 * bareSeconds / static_cast<double>(steps);
  state.counters["overhead_ratio"] = sceneSeconds / bareSeconds;
  // The same bodies and materials give the same contacts; a mismatch shows here.
  state.counters["scene_contacts"] = static_cast<double>(sceneContacts) / static_cast<double>(steps);
  state.counters["bare_contacts"] = static_cast<double>(bareContacts) / static_cast<double>(steps);
}
BENCHMARK(BM_PhysicsPile)->Arg(100)->Arg(500)->Iterations(1800)->Unit(benchmark::kMicrosecond);

}  // namespace
