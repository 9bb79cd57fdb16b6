#include "physics/CNodePhysics.h"

#include <chipmunk/chipmunk_unsafe.h>

#include <algorithm>
#include <cmath>

#include "physics/CNodePhysicsJoint.h"
#include "physics/CScenePhysics.h"
#include "physics/PhysicsGuard.h"
#include "physics/SpaceEdits.h"

namespace RenderEngine {

CNodePhysics::CNodePhysics() = default;

CNodePhysics::CNodePhysics(const CNodePhysics& o)
    : CNodePhysicsBaseInterface(o),
      builtScaleX_(o.builtScaleX_),
      builtScaleY_(o.builtScaleY_),
      static_(o.static_),
      armed_(o.armed_),
      velocityFunc_(o.velocityFunc_) {
  if (o.body_ != nullptr) {
    cpBody* src = o.body_;
    // Chipmunk 7 objects hold links into their space: they are rebuilt from
    // their state, never copied bytewise.
    body_ = static_ ? cpBodyNewStatic() : cpBodyNew(cpBodyGetMass(src), cpBodyGetMoment(src));
    if (!static_) cpBodySetPositionUpdateFunc(body_, &PhysicsGuard::boundedPositionUpdate);
    cpBodySetPosition(body_, cpBodyGetPosition(src));
    cpBodySetAngle(body_, cpBodyGetAngle(src));
    if (!static_) {
      cpBodySetVelocity(body_, cpBodyGetVelocity(src));
      cpBodySetAngularVelocity(body_, cpBodyGetAngularVelocity(src));
      cpBodySetForce(body_, cpBodyGetForce(src));
      cpBodySetTorque(body_, cpBodyGetTorque(src));
    }
    cpBodySetVelocityUpdateFunc(body_, velocityFunc_);
    cpBodySetUserData(body_, this);
    for (int i = 0; i < o.shapeCount_; ++i) {
      const cpShape* s = o.shapes_[i];
      cpShape* copy = nullptr;
      switch (o.models_[i]) {
        case kShapeCircle:
          copy = cpCircleShapeNew(body_, cpCircleShapeGetRadius(s), cpCircleShapeGetOffset(s));
          break;
        case kShapeSegment:
          copy = cpSegmentShapeNew(body_, cpSegmentShapeGetA(s), cpSegmentShapeGetB(s), cpSegmentShapeGetRadius(s));
          break;
        case kShapePolygon: {
          // The vertices are already a hull: taken as they are.
          std::vector<cpVect> v(static_cast<std::size_t>(cpPolyShapeGetCount(s)));
          for (std::size_t k = 0; k < v.size(); ++k) v[k] = cpPolyShapeGetVert(s, static_cast<int>(k));
          copy = cpPolyShapeNewRaw(body_, static_cast<int>(v.size()), v.data(), cpPolyShapeGetRadius(s));
          break;
        }
        default:
          break;
      }
      if (copy == nullptr) continue;
      cpShapeSetElasticity(copy, cpShapeGetElasticity(s));
      cpShapeSetFriction(copy, cpShapeGetFriction(s));
      cpShapeSetSurfaceVelocity(copy, cpShapeGetSurfaceVelocity(s));
      cpShapeSetFilter(copy, cpShapeGetFilter(s));
      cpShapeSetCollisionType(copy, cpShapeGetCollisionType(s));
      cpShapeSetSensor(copy, cpShapeGetSensor(s));
      cpShapeSetUserData(copy, this);
      shapes_[shapeCount_] = copy;
      models_[shapeCount_] = o.models_[i];
      ++shapeCount_;
    }
  }
  addToSpace(o.scene_);
}

CNodePhysics::~CNodePhysics() {
  destroying_ = true;
  freeBody();
}

CNode* CNodePhysics::clone() const { return new CNodePhysics(*this); }

// ---------------------------------------------------------------------------
// Body and shapes

SpaceEdits* CNodePhysics::editsForParts() const {
  if (scene_ != nullptr) return &scene_->edits();
  // Out of the scene, parts may still sit in a space whose removal is pending
  // (taken out inside a step), or the body may be held by a joint that is in
  // one: they must outlive that step too.
  for (int i = 0; i < shapeCount_; ++i) {
    if (SpaceEdits* e = SpaceEdits::of(cpShapeGetSpace(shapes_[i]))) return e;
  }
  if (body_ != nullptr) {
    if (SpaceEdits* e = SpaceEdits::of(cpBodyGetSpace(body_))) return e;
  }
  for (CNodePhysicsJoint* joint : joints_) {
    if (joint->getScene() != nullptr) return &joint->getScene()->edits();
    if (joint->getConstraint() != nullptr) {
      if (SpaceEdits* e = SpaceEdits::of(cpConstraintGetSpace(joint->getConstraint()))) return e;
    }
  }
  return nullptr;
}

void CNodePhysics::freeBody() {
  if (destroying_) {
    // Handlers must not receive a node that is half gone.
    for (int i = 0; i < shapeCount_; ++i) cpShapeSetUserData(shapes_[i], nullptr);
    if (body_ != nullptr) cpBodySetUserData(body_, nullptr);
  }
  SpaceEdits* edits = editsForParts();
  // Joints first: a constraint must never outlive the bodies it binds.
  const std::vector<CNodePhysicsJoint*> joints = joints_;
  for (CNodePhysicsJoint* joint : joints) joint->freeConstraint();
  joints_.clear();
  removeFromSpace();
  // A part added and taken out again inside one callback is in no space, yet
  // its addition still waits in the queue: release() frees it behind that.
  for (int i = 0; i < kMaxShapesPerBody; ++i) {
    if (shapes_[i] == nullptr) continue;
    SpaceEdits::release(shapes_[i], edits);
    shapes_[i] = nullptr;
    models_[i] = -1;
  }
  if (body_ != nullptr) {
    SpaceEdits::release(body_, edits);
    body_ = nullptr;
  }
  shapeCount_ = 0;
}

float CNodePhysics::momentFor(cpFloat mass, const PhysicsBodyDescription& d) const {
  const int count = std::clamp(d.shapeCount, 0, kMaxShapesPerBody);
  cpFloat sum = 0.0;
  for (int i = 0; i < count; ++i) sum += PhysicsGuard::shapeMoment(mass, d.shapes[i]);
  return static_cast<float>(sum);
}

float CNodePhysics::computeMoment(const PhysicsBodyDescription& d) const { return momentFor(d.mass, d); }

void CNodePhysics::createShapes(const PhysicsBodyDescription& d) {
  if (d.shapeCount < 0 || d.shapeCount > kMaxShapesPerBody) {
    PhysicsGuard::report("physics: a body holds 0 to %d shapes, not %d", kMaxShapesPerBody, d.shapeCount);
  }
  const int count = std::clamp(d.shapeCount, 0, kMaxShapesPerBody);
  // Fresh shapes have the description's size.
  builtScaleX_ = 1.0f;
  builtScaleY_ = 1.0f;
  shapeCount_ = 0;
  for (int i = 0; i < count; ++i) {
    cpShape* s = PhysicsGuard::newShape(body_, d.shapes[i], d.group, d.collisionType, d.layers, this);
    if (s == nullptr) continue;  // reported; the other shapes stand
    shapes_[shapeCount_] = s;
    models_[shapeCount_] = static_cast<std::int8_t>(d.shapes[i].model);
    ++shapeCount_;
  }
}

void CNodePhysics::createBody(const PhysicsBodyDescription& d) {
  freeBody();
  static_ = d.isStatic;
  if (static_) {
    body_ = cpBodyNewStatic();
  } else {
    const cpFloat mass = PhysicsGuard::bodyMass(d.mass);
    body_ = cpBodyNew(mass, PhysicsGuard::bodyMoment(momentFor(mass, d)));
    cpBodySetPositionUpdateFunc(body_, &PhysicsGuard::boundedPositionUpdate);
  }
  cpBodySetVelocityUpdateFunc(body_, velocityFunc_);
  // A static body takes the node's place too: a node placed before its body is
  // made must not leave the body at the origin.
  syncToBody();
  cpBodySetUserData(body_, this);
  createShapes(d);
  if (!static_) rescaleShapes();
}

void CNodePhysics::rebuildShapes(const PhysicsBodyDescription& d) {
  if (body_ == nullptr) return;
  SpaceEdits* edits = editsForParts();
  for (int i = 0; i < kMaxShapesPerBody; ++i) {
    if (shapes_[i] == nullptr) continue;
    SpaceEdits::release(shapes_[i], edits);
    shapes_[i] = nullptr;
    models_[i] = -1;
  }
  shapeCount_ = 0;
  // A static body has no mass of its own to set (the library refuses).
  if (!static_) {
    const cpFloat mass = PhysicsGuard::bodyMass(d.mass);
    cpBodySetMass(body_, mass);
    cpBodySetMoment(body_, PhysicsGuard::bodyMoment(momentFor(mass, d)));
  }
  createShapes(d);
  if (scene_ != nullptr) {
    for (int i = 0; i < shapeCount_; ++i) scene_->edits().addShape(shapes_[i]);
  }
  if (!static_) rescaleShapes();
}

// ---------------------------------------------------------------------------
// Space membership

void CNodePhysics::addToSpace(CScenePhysics* scene) {
  if (scene == nullptr) {
    removeFromSpace();
    return;
  }
  // Adding twice would abort the library: same scene, nothing to do.
  if (scene == scene_) return;
  if (scene_ != nullptr) removeFromSpace();
  if (scene->getSpace() == nullptr) {
    PhysicsGuard::report("physics: node not added: the scene has no space");
    return;
  }
  scene_ = scene;
  scene->attachMember(this);
  SpaceEdits& edits = scene->edits();
  for (int i = 0; i < shapeCount_; ++i) edits.addShape(shapes_[i]);
  if (body_ != nullptr && !static_) edits.addBody(body_);
}

void CNodePhysics::removeFromSpace() {
  if (scene_ == nullptr) return;
  CScenePhysics* scene = scene_;
  SpaceEdits& edits = scene->edits();
  for (int i = 0; i < shapeCount_; ++i) edits.removeShape(shapes_[i]);
  if (body_ != nullptr && !static_) edits.removeBody(body_);
  scene_ = nullptr;
  scene->detachMember(this);
}

// ---------------------------------------------------------------------------
// Node and body in step

void CNodePhysics::syncFromBody() {
  if (body_ == nullptr) return;
  bool changed = false;
  const cpVect p = cpBodyGetPosition(body_);
  const auto x = static_cast<float>(p.x);
  const auto y = static_cast<float>(p.y);
  if (x != position_.x || y != position_.y) {
    position_.x = x;
    position_.y = y;
    changed = true;
  }
  const float degrees = static_cast<float>(cpBodyGetAngle(body_)) * 180.0f / kPi;
  if (std::fabs(degrees - rotation_.z) > 0.005f) {
    rotation_.z = degrees;
    changed = true;
  }
  if (changed) {
    matrixDirty_ = true;
    boundsDirty_ = true;
    updateHasTransform();
  }
}

void CNodePhysics::syncToBody() {
  if (body_ == nullptr) return;
  cpVect p = cpv(position_.x, position_.y);
  if (!PhysicsGuard::callerPosition(p)) return;
  cpBodySetAngle(body_, rotation_.z * kPi / 180.0f);
  cpBodySetPosition(body_, p);
  // Stepping does not reindex static shapes.
  if (static_ && scene_ != nullptr) scene_->edits().reindexBody(body_);
}

void CNodePhysics::rescaleShapes() {
  if (body_ == nullptr || builtScaleX_ == 0.0f || builtScaleY_ == 0.0f) return;
  const float sx = scale_.x;
  const float sy = scale_.y;
  // Shapes scaled to nothing could never be scaled back: a zero scale (or one
  // past the usable range) leaves them as they are, and the next real scale is
  // taken from their last size.
  auto usable = [](float v) {
    const double a = std::fabs(static_cast<double>(v));
    return a >= 1.0 / PhysicsGuard::kMaxScale && a <= PhysicsGuard::kMaxScale;
  };
  if (!usable(sx) || !usable(sy)) return;
  const cpFloat rx = static_cast<cpFloat>(sx / builtScaleX_);
  const cpFloat ry = static_cast<cpFloat>(sy / builtScaleY_);
  if (rx == 1.0 && ry == 1.0) return;
  for (int i = 0; i < shapeCount_; ++i) {
    cpShape* s = shapes_[i];
    switch (models_[i]) {
      case kShapeCircle: {
        const cpVect o = cpCircleShapeGetOffset(s);
        cpCircleShapeSetOffset(s, cpv(o.x * rx, o.y * ry));
        // A mirrored node keeps a positive radius.
        cpCircleShapeSetRadius(s, cpCircleShapeGetRadius(s) * std::fabs(rx));
        break;
      }
      case kShapeSegment: {
        const cpVect a = cpSegmentShapeGetA(s);
        const cpVect b = cpSegmentShapeGetB(s);
        // The library recomputes the segment's normal from the new ends.
        cpSegmentShapeSetEndpoints(s, cpv(a.x * rx, a.y * ry), cpv(b.x * rx, b.y * ry));
        break;
      }
      case kShapePolygon: {
        std::vector<cpVect> v(static_cast<std::size_t>(cpPolyShapeGetCount(s)));
        for (std::size_t k = 0; k < v.size(); ++k) {
          const cpVect p = cpPolyShapeGetVert(s, static_cast<int>(k));
          v[k] = cpv(p.x * rx, p.y * ry);
        }
        // Edges and normals are rebuilt from the hull, so a mirror keeps the
        // winding the library needs.
        cpPolyShapeSetVerts(s, static_cast<int>(v.size()), v.data(), cpTransformIdentity);
        break;
      }
      default:
        break;
    }
    cpShapeCacheBB(s);
  }
  builtScaleX_ = sx;
  builtScaleY_ = sy;
  if (static_ && scene_ != nullptr) scene_->edits().reindexBody(body_);
}

void CNodePhysics::applyImpulse(Vector3 offset, Vector3 impulse) {
  if (body_ == nullptr || static_) return;
  cpVect r = cpv(offset.x, offset.y);
  cpVect j = cpv(impulse.x, impulse.y);
  if (!PhysicsGuard::callerVector(r, PhysicsGuard::kMaxCoordinate, "impulse offset") ||
      !PhysicsGuard::callerVector(j, PhysicsGuard::kMaxSpeed, "impulse")) {
    return;
  }
  cpBodyApplyImpulseAtWorldPoint(body_, j, cpvadd(cpBodyGetPosition(body_), r));
}

bool CNodePhysics::setVelocityFunc(VelocityFunc func) {
  if (body_ == nullptr || func == nullptr) return false;
  velocityFunc_ = func;
  cpBodySetVelocityUpdateFunc(body_, func);
  return true;
}

float CNodePhysics::getMass() const { return body_ != nullptr ? static_cast<float>(cpBodyGetMass(body_)) : 0.0f; }

int CNodePhysics::getCollisionType() const {
  return shapeCount_ > 0 ? static_cast<int>(cpShapeGetCollisionType(shapes_[0])) : 0;
}

void CNodePhysics::setForce(const Vector3& force) {
  if (body_ == nullptr) return;
  cpVect f = cpv(force.x, force.y);
  if (!PhysicsGuard::callerVector(f, PhysicsGuard::kMaxSpeed, "force")) return;
  cpBodySetForce(body_, f);
}

Vector3 CNodePhysics::getForce() const {
  if (body_ == nullptr) return {};
  const cpVect f = cpBodyGetForce(body_);
  return {static_cast<float>(f.x), static_cast<float>(f.y), 0.0f};
}

void CNodePhysics::setVelocity(const Vector3& velocity) {
  if (body_ == nullptr) return;
  // A bounce that comes out too fast is capped, not cancelled.
  cpVect v = cpv(velocity.x, velocity.y);
  if (!PhysicsGuard::callerVector(v, PhysicsGuard::kMaxSpeed, "velocity")) return;
  cpBodySetVelocity(body_, v);
}

Vector3 CNodePhysics::getVelocity() const {
  if (body_ == nullptr) return {};
  const cpVect v = cpBodyGetVelocity(body_);
  return {static_cast<float>(v.x), static_cast<float>(v.y), 0.0f};
}

void CNodePhysics::setAngularVelocity(float radiansPerSecond) {
  if (body_ == nullptr) return;
  if (!std::isfinite(radiansPerSecond)) {
    PhysicsGuard::report("physics: angular velocity ignored: it is not a finite number");
    return;
  }
  cpFloat w = radiansPerSecond;
  if (std::fabs(w) > PhysicsGuard::kMaxSpin) {
    PhysicsGuard::report("physics: angular velocity beyond %g capped", PhysicsGuard::kMaxSpin);
    w = std::copysign(PhysicsGuard::kMaxSpin, w);
  }
  cpBodySetAngularVelocity(body_, w);
}

float CNodePhysics::getAngularVelocity() const {
  return body_ != nullptr ? static_cast<float>(cpBodyGetAngularVelocity(body_)) : 0.0f;
}

void CNodePhysics::setLayers(std::uint32_t layers) {
  for (int i = 0; i < shapeCount_; ++i) {
    cpShapeFilter f = cpShapeGetFilter(shapes_[i]);
    f.categories = layers;
    f.mask = layers;
    cpShapeSetFilter(shapes_[i], f);
  }
}

cpShape* CNodePhysics::getShape(int index) const {
  return index >= 0 && index < shapeCount_ ? shapes_[index] : nullptr;
}

int CNodePhysics::getShapeModel(int index) const { return index >= 0 && index < shapeCount_ ? models_[index] : -1; }

int CNodePhysics::modelOfShape(const cpShape* shape) const {
  for (int i = 0; i < shapeCount_; ++i) {
    if (shapes_[i] == shape) return models_[i];
  }
  return -1;
}

void CNodePhysics::attachJoint(CNodePhysicsJoint* joint) {
  if (joint != nullptr && std::find(joints_.begin(), joints_.end(), joint) == joints_.end()) joints_.push_back(joint);
}

void CNodePhysics::detachJoint(CNodePhysicsJoint* joint) {
  joints_.erase(std::remove(joints_.begin(), joints_.end(), joint), joints_.end());
}

// ---------------------------------------------------------------------------
// Transform overrides

void CNodePhysics::setRotation(float x, float y, float z) {
  CNode::setRotation(x, y, z);
  syncToBody();
}

void CNodePhysics::setPosition(float x, float y, float z) {
  CNode::setPosition(x, y, z);
  syncToBody();
}

void CNodePhysics::rotateBy(float dx, float dy, float dz) {
  CNode::rotateBy(dx, dy, dz);
  syncToBody();
}

void CNodePhysics::moveBy(float dx, float dy, float dz) {
  CNode::moveBy(dx, dy, dz);
  syncToBody();
}

void CNodePhysics::setScale(float x, float y, float z) {
  CNode::setScale(x, y, z);
  rescaleShapes();
}

void CNodePhysics::scaleBy(float fx, float fy, float fz) {
  CNode::scaleBy(fx, fy, fz);
  rescaleShapes();
}

bool CNodePhysics::updateVisit(int dtMs, TraversalMark mark) {
  bool result = false;
  if (!beginUpdateVisit(dtMs, mark, result)) return result;
  syncFromBody();
  return finishUpdateVisit(children_, dtMs, mark);
}

void CNodePhysics::draw(bool pass, bool push) { CNode::draw(pass, push); }

}  // namespace RenderEngine
