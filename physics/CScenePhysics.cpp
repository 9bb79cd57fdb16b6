#include "physics/CScenePhysics.h"

#include <algorithm>
#include <cmath>

#include "physics/PhysicsGuard.h"

namespace RenderEngine {
namespace {

using Entry = CScenePhysics::HandlerEntry;

cpBool beginTrampoline(cpArbiter* arbiter, cpSpace* /*space*/, cpDataPointer data) {
  auto* e = static_cast<Entry*>(data);
  if (e == nullptr || !e->active) return cpTrue;
  return e->scene->dispatchCollision(arbiter, e->callbacks.begin, e->typeA) != 0;
}

cpBool preSolveTrampoline(cpArbiter* arbiter, cpSpace* /*space*/, cpDataPointer data) {
  auto* e = static_cast<Entry*>(data);
  if (e == nullptr || !e->active) return cpTrue;
  return e->scene->dispatchCollision(arbiter, e->callbacks.preSolve, e->typeA) != 0;
}

void postSolveTrampoline(cpArbiter* arbiter, cpSpace* /*space*/, cpDataPointer data) {
  auto* e = static_cast<Entry*>(data);
  if (e != nullptr && e->active) e->scene->dispatchCollision(arbiter, e->callbacks.postSolve, e->typeA);
}

void separateTrampoline(cpArbiter* arbiter, cpSpace* /*space*/, cpDataPointer data) {
  auto* e = static_cast<Entry*>(data);
  if (e != nullptr && e->active) e->scene->dispatchCollision(arbiter, e->callbacks.separate, e->typeA);
}

std::pair<cpCollisionType, cpCollisionType> pairKey(cpCollisionType a, cpCollisionType b) {
  return a <= b ? std::make_pair(a, b) : std::make_pair(b, a);
}

void collectHit(cpShape* shape, cpVect /*point*/, cpFloat /*distance*/, cpVect /*gradient*/, void* data) {
  auto* hits = static_cast<NodeList*>(data);
  auto* node = static_cast<CNodePhysics*>(cpShapeGetUserData(shape));
  if (node == nullptr) return;
  if (std::find(hits->begin(), hits->end(), node) == hits->end()) hits->push_back(node);
}

void collectMovingShape(cpShape* shape, void* data) {
  if (cpBodyGetType(cpShapeGetBody(shape)) != CP_BODY_TYPE_STATIC) {
    static_cast<std::vector<cpShape*>*>(data)->push_back(shape);
  }
}

// Chipmunk 5 corrected a tenth of an overlap or a joint's error per step;
// Chipmunk 7 states the part left after a second, so it follows the rate.
cpFloat correctionBias(int stepsPerSecond) { return std::pow(0.9, static_cast<double>(stepsPerSecond)); }

void setErrorBias(cpConstraint* constraint, void* data) {
  cpConstraintSetErrorBias(constraint, *static_cast<cpFloat*>(data));
}

}  // namespace

CScenePhysics::CScenePhysics() { initSpace(); }

CScenePhysics::~CScenePhysics() {
  // No handler may reach the game while the nodes are deleted.
  resetting_ = true;
  clear();
  freeSpace();
}

void CScenePhysics::initSpace() {
  if (space_ == nullptr) {
    space_ = cpSpaceNew();
    edits_.setSpace(space_);
    if (worldSet_) applyWorldParameters();
    for (auto& [key, entry] : handlers_) {
      entry.handler = nullptr;
      if (entry.active) bindLibraryHandler(entry);
    }
  }
  setStepsPerSecond(kDefaultStepsPerSecond);
}

void CScenePhysics::detachAllMembers() {
  const std::vector<CNodePhysicsBaseInterface*> members = members_;
  for (CNodePhysicsBaseInterface* node : members) node->removeFromSpace();
  members_.clear();
}

void CScenePhysics::freeUnownedParts() {
  std::vector<cpConstraint*> constraints;
  std::vector<cpShape*> shapes;
  std::vector<cpBody*> bodies;
  cpSpaceEachConstraint(
      space_, [](cpConstraint* c, void* d) { static_cast<std::vector<cpConstraint*>*>(d)->push_back(c); },
      &constraints);
  cpSpaceEachShape(
      space_, [](cpShape* s, void* d) { static_cast<std::vector<cpShape*>*>(d)->push_back(s); }, &shapes);
  cpSpaceEachBody(
      space_, [](cpBody* b, void* d) { static_cast<std::vector<cpBody*>*>(d)->push_back(b); }, &bodies);
  cpBody* const spaceBody = cpSpaceGetStaticBody(space_);
  for (cpShape* s : shapes) bodies.push_back(cpShapeGetBody(s));
  std::sort(bodies.begin(), bodies.end());
  bodies.erase(std::unique(bodies.begin(), bodies.end()), bodies.end());
  // Freed outside the walks, which lock the space; joints before bodies.
  for (cpConstraint* c : constraints) edits_.freeConstraint(c);
  for (cpShape* s : shapes) edits_.freeShape(s);
  for (cpBody* b : bodies) {
    if (b != nullptr && b != spaceBody) edits_.freeBody(b);
  }
}

void CScenePhysics::freeSpace() {
  if (space_ == nullptr) return;
  const bool wasResetting = resetting_;
  resetting_ = true;
  detachAllMembers();
  edits_.flush();
  freeUnownedParts();
  cpSpaceFree(space_);
  space_ = nullptr;
  edits_.setSpace(nullptr);
  for (auto& [key, entry] : handlers_) entry.handler = nullptr;
  resetting_ = wasResetting;
}

bool CScenePhysics::isLocked() const { return space_ != nullptr && cpSpaceIsLocked(space_); }

void CScenePhysics::setStepsPerSecond(int rate) {
  stepsPerSecond_ = PhysicsGuard::stepRate(rate, stepsPerSecond_);
  applyStepRate();
}

void CScenePhysics::applyStepRate() {
  if (space_ == nullptr) return;
  cpFloat bias = correctionBias(stepsPerSecond_);
  cpSpaceSetCollisionBias(space_, bias);
  if (!isLocked()) cpSpaceEachConstraint(space_, &setErrorBias, &bias);
}

void CScenePhysics::stepOnce(float stepLength) {
  if (space_ == nullptr) return;
  cpSpaceStep(space_, stepLength);
  ++stepCount_;
  edits_.flush();
}

void CScenePhysics::update(int dtMs) {
  flushRemovals();
  if (dtMs != 0) {
    accumulator_ = static_cast<float>(static_cast<long double>(accumulator_) +
                                      static_cast<long double>(stepsPerSecond_) * 1.0L / 30.0L);
  }
  const float stepLength = 1.0f / static_cast<float>(stepsPerSecond_);
  while (accumulator_ >= 1.0f) {
    stepOnce(stepLength);
    accumulator_ -= 1.0f;
    if (resetPending_) break;
  }
  if (resetPending_) {
    resetPending_ = false;
    resetNow();
  }
  CScene::update(dtMs);
}

void CScenePhysics::addPhysicsItem(CNodePhysicsBaseInterface* node) {
  if (node == nullptr) return;
  if (!isRegistered(node)) registerNode(node);
  node->addToSpace(this);
}

void CScenePhysics::setWorldParameters(const PhysicsWorldParameters& p) {
  world_.iterations = PhysicsGuard::iterations(p.iterations);
  // Chipmunk 7 has no elastic iterations: the value is only kept.
  world_.elasticIterations = p.elasticIterations;
  const cpVect g = PhysicsGuard::gravity(p.gravity);
  world_.gravity = Vector3(static_cast<float>(g.x), static_cast<float>(g.y), 0.0f);
  world_.damping = static_cast<float>(PhysicsGuard::damping(p.damping));
  worldSet_ = true;
  applyWorldParameters();
}

void CScenePhysics::applyWorldParameters() {
  if (space_ == nullptr) return;
  cpSpaceSetIterations(space_, world_.iterations);
  cpSpaceSetGravity(space_, cpv(world_.gravity.x, world_.gravity.y));
  cpSpaceSetDamping(space_, world_.damping);
}

void CScenePhysics::resizeHashes(const SpatialHashParameters& parameters) { hashes_ = parameters; }

void CScenePhysics::recacheShapeBounds() {
  if (space_ == nullptr || isLocked()) return;
  std::vector<cpShape*> moving;
  cpSpaceEachShape(space_, &collectMovingShape, &moving);
  for (cpShape* s : moving) cpSpaceReindexShape(space_, s);
}

// ---------------------------------------------------------------------------
// Collision handlers

void CScenePhysics::addCollisionHandler(int typeA, int typeB, CollisionCallback begin) {
  CollisionCallbacks callbacks;
  callbacks.begin = begin;
  setHandler(typeA, typeB, callbacks);
}

void CScenePhysics::addCollisionHandlers(int typeA, int typeB, const CollisionCallbacks* callbacks) {
  setHandler(typeA, typeB, callbacks != nullptr ? *callbacks : CollisionCallbacks{});
}

void CScenePhysics::setHandler(int typeA, int typeB, const CollisionCallbacks& callbacks) {
  const cpCollisionType a = PhysicsGuard::collisionType(typeA);
  const cpCollisionType b = PhysicsGuard::collisionType(typeB);
  Entry& entry = handlers_[pairKey(a, b)];
  entry.scene = this;
  entry.typeA = a;
  entry.typeB = b;
  entry.callbacks = callbacks;
  entry.active = true;
  bindLibraryHandler(entry);
}

void CScenePhysics::bindLibraryHandler(Entry& entry) {
  if (space_ == nullptr) return;
  if (entry.handler == nullptr) {
    entry.handler = cpSpaceAddCollisionHandler(space_, entry.typeA, entry.typeB);
    entry.defaultBegin = entry.handler->beginFunc;
    entry.defaultPreSolve = entry.handler->preSolveFunc;
    entry.defaultPostSolve = entry.handler->postSolveFunc;
    entry.defaultSeparate = entry.handler->separateFunc;
  }
  cpCollisionHandler* h = entry.handler;
  const CollisionCallbacks& cb = entry.callbacks;
  const bool on = entry.active;
  h->beginFunc = on && cb.begin != nullptr ? &beginTrampoline : entry.defaultBegin;
  h->preSolveFunc = on && cb.preSolve != nullptr ? &preSolveTrampoline : entry.defaultPreSolve;
  h->postSolveFunc = on && cb.postSolve != nullptr ? &postSolveTrampoline : entry.defaultPostSolve;
  h->separateFunc = on && cb.separate != nullptr ? &separateTrampoline : entry.defaultSeparate;
  h->userData = on ? &entry : nullptr;
}

// Chipmunk 7 cannot remove a handler: the pair gets the library's default
// functions back and the table entry goes quiet.
void CScenePhysics::removeCollisionHandler(int typeA, int typeB) {
  if (typeA < 0 || typeB < 0) return;
  auto it = handlers_.find(pairKey(static_cast<cpCollisionType>(typeA), static_cast<cpCollisionType>(typeB)));
  if (it == handlers_.end()) return;
  it->second.active = false;
  it->second.callbacks = CollisionCallbacks{};
  if (it->second.handler != nullptr) bindLibraryHandler(it->second);
}

const CScenePhysics::HandlerEntry* CScenePhysics::findCollisionHandler(int typeA, int typeB) const {
  if (typeA < 0 || typeB < 0) return nullptr;
  auto it = handlers_.find(pairKey(static_cast<cpCollisionType>(typeA), static_cast<cpCollisionType>(typeB)));
  if (it == handlers_.end() || !it->second.active) return nullptr;
  return &it->second;
}

int CScenePhysics::dispatchCollision(cpArbiter* arbiter, CollisionCallback callback, cpCollisionType typeA) {
  if (resetting_ || callback == nullptr) return 1;
  cpShape* a = nullptr;
  cpShape* b = nullptr;
  cpArbiterGetShapes(arbiter, &a, &b);
  // The library keeps the order of the pair's first registration; the latest
  // one decides here.
  const bool swapped = cpShapeGetCollisionType(a) != typeA;
  if (swapped) std::swap(a, b);
  auto* nodeA = static_cast<CNodePhysics*>(cpShapeGetUserData(a));
  auto* nodeB = static_cast<CNodePhysics*>(cpShapeGetUserData(b));
  // A node being destroyed has already let go of its shapes.
  if (nodeA == nullptr || nodeB == nullptr) return 1;
  ContactList contacts;
  const int count = std::min(cpArbiterGetCount(arbiter), ContactList::kCapacity);
  cpVect n = cpArbiterGetNormal(arbiter);
  if (swapped) n = cpvneg(n);
  for (int i = 0; i < count; ++i) {
    const cpVect p = cpvlerp(cpArbiterGetPointA(arbiter, i), cpArbiterGetPointB(arbiter, i), 0.5);
    ContactRecord r;
    r.point = Vector3(static_cast<float>(p.x), static_cast<float>(p.y), 0.0f);
    r.normal = Vector3(static_cast<float>(n.x), static_cast<float>(n.y), 0.0f);
    r.depth = static_cast<float>(cpArbiterGetDepth(arbiter, i));
    contacts.push_back(r);
  }
  return callback(nodeA, nodeB, count, contacts);
}

// ---------------------------------------------------------------------------
// Queries and reset

CNode* CScenePhysics::queryNodeAtPoint(float x, float y, int flags) {
  hits_.clear();
  if ((flags & 1) == 0 || space_ == nullptr || isLocked()) return nullptr;
  if (!std::isfinite(x) || !std::isfinite(y)) return nullptr;
  cpSpacePointQuery(space_, cpv(x, y), 0.0, CP_SHAPE_FILTER_ALL, &collectHit, &hits_);
  return hits_.empty() ? nullptr : hits_.back();
}

void CScenePhysics::reset() {
  // From inside a step the space cannot be emptied: right after it.
  if (isLocked()) {
    resetPending_ = true;
    return;
  }
  resetNow();
}

void CScenePhysics::resetNow() {
  resetting_ = true;
  clear();
  // Nodes the scene does not own keep their parts and move to the new space.
  const std::vector<CNodePhysicsBaseInterface*> survivors = members_;
  detachAllMembers();
  edits_.flush();
  if (space_ != nullptr) {
    freeUnownedParts();
    cpSpaceFree(space_);
  }
  // A new space numbers its shapes from the start again, as a fresh level did.
  space_ = cpSpaceNew();
  edits_.setSpace(space_);
  if (worldSet_) applyWorldParameters();
  applyStepRate();
  for (auto& [key, entry] : handlers_) {
    entry.handler = nullptr;
    if (entry.active) bindLibraryHandler(entry);
  }
  for (CNodePhysicsBaseInterface* node : survivors) node->addToSpace(this);
  resetting_ = false;
  accumulator_ = 0.0f;
}

void CScenePhysics::attachMember(CNodePhysicsBaseInterface* node) {
  if (std::find(members_.begin(), members_.end(), node) == members_.end()) members_.push_back(node);
}

void CScenePhysics::detachMember(CNodePhysicsBaseInterface* node) {
  // Searched from the back: the newest members leave first in most cases.
  auto it = std::find(members_.rbegin(), members_.rend(), node);
  if (it != members_.rend()) members_.erase(std::next(it).base());
}

}  // namespace RenderEngine
