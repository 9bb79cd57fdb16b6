#include "physics/CNodePhysicsJoint.h"

#include <cmath>

#include "physics/CNodePhysics.h"
#include "physics/CScenePhysics.h"
#include "physics/PhysicsGuard.h"

namespace RenderEngine {
namespace {

cpVect toCp(const Vector3& v) { return cpv(v.x, v.y); }

bool finiteFor(const PhysicsJointDescription& d) {
  using PhysicsGuard::isUsable;
  switch (d.type) {
    case kJointPin:
      return isUsable(d.anchor1) && isUsable(d.anchor2);
    case kJointSlide:
      return isUsable(d.anchor1) && isUsable(d.anchor2) && isUsable(d.slideMin) && isUsable(d.slideMax);
    case kJointPivot:
      return isUsable(d.pivot);
    case kJointGroove:
      return isUsable(d.groove1) && isUsable(d.groove2) && isUsable(d.anchor2);
    default:
      return true;
  }
}

}  // namespace

CNodePhysicsJoint::CNodePhysicsJoint() = default;

CNodePhysicsJoint::CNodePhysicsJoint(const CNodePhysicsJoint& o)
    : CNodePhysicsBaseInterface(o),
      description_(o.description_),
      referenceLength_(o.referenceLength_),
      currentLength_(o.currentLength_),
      lengthScale_(o.lengthScale_) {
  // Built from the source's constraint, not from its description: the pivot
  // is held in body 1's coordinates by now, and the slide limits must not be
  // taken again from where the bodies happen to stand.
  if (o.constraint_ != nullptr) {
    if (cpConstraint* c = makeLike(o.constraint_, o.body1_, o.body2_)) install(c, o.body1_, o.body2_);
  }
  addToSpace(o.scene_);
}

CNodePhysicsJoint::~CNodePhysicsJoint() {
  freeConstraint();
  // An inert joint may still be listed by a scene.
  removeFromSpace();
}

CNode* CNodePhysicsJoint::clone() const { return new CNodePhysicsJoint(*this); }

void CNodePhysicsJoint::attach(const PhysicsJointDescription& description, CNodePhysics* node1, CNodePhysics* node2) {
  if (node1 == nullptr || node2 == nullptr) return;
  createConstraint(description, node1->getBody(), node2->getBody());
}

void CNodePhysicsJoint::createConstraint(const PhysicsJointDescription& d, cpBody* b1, cpBody* b2) {
  freeConstraint();
  if (lengthScale_ != 1.0f && lengthScale_ != 0.0f) CNode::setScale(scale_.x / lengthScale_, scale_.y, scale_.z);
  lengthScale_ = 1.0f;
  description_ = d;
  referenceLength_ = 0.0f;
  currentLength_ = 0.0f;
  if (!PhysicsGuard::canJoin(b1, b2)) return;
  if (!finiteFor(d)) {
    PhysicsGuard::report("physics: joint skipped: an anchor or a limit is not a usable number");
    return;
  }
  cpVect w1 = cpvzero;
  cpVect w2 = cpvzero;
  cpConstraint* c = nullptr;
  switch (d.type) {
    case kJointPin:
      c = cpPinJointNew(b1, b2, toCp(d.anchor1), toCp(d.anchor2));
      w1 = cpBodyLocalToWorld(b1, toCp(d.anchor1));
      w2 = cpBodyLocalToWorld(b2, toCp(d.anchor2));
      break;
    case kJointSlide: {
      w1 = cpBodyLocalToWorld(b1, toCp(d.anchor1));
      w2 = cpBodyLocalToWorld(b2, toCp(d.anchor2));
      const cpFloat dist = cpvdist(w1, w2);
      c = cpSlideJointNew(b1, b2, toCp(d.anchor1), toCp(d.anchor2), dist * d.slideMin / 100.0,
                          dist * d.slideMax / 100.0);
      break;
    }
    case kJointPivot: {
      c = cpPivotJointNew(b1, b2, toCp(d.pivot));
      const cpVect local = cpPivotJointGetAnchorA(c);
      description_.pivot = Vector3(static_cast<float>(local.x), static_cast<float>(local.y), 0.0f);
      break;
    }
    case kJointGroove:
      // A groove without length has no direction: the library divides by it.
      if (cpveql(toCp(d.groove1), toCp(d.groove2))) {
        PhysicsGuard::report("physics: joint skipped: the groove's ends are the same point");
        return;
      }
      c = cpGrooveJointNew(b1, b2, toCp(d.groove1), toCp(d.groove2), toCp(d.anchor2));
      w1 = toCp(d.groove1);
      w2 = toCp(d.groove2);
      break;
    default:
      PhysicsGuard::report("physics: joint skipped: unknown type %d", d.type);
      return;
  }
  install(c, b1, b2);
  if (d.type != kJointPivot) {
    const auto dist = static_cast<float>(cpvdist(w1, w2));
    float reference = d.referenceSize;
    if (!PhysicsGuard::isUsable(reference) || reference < 0.0f) {
      PhysicsGuard::report("physics: joint reference size %g is not 0 or more, using 0",
                           static_cast<double>(reference));
      reference = 0.0f;
    }
    if (reference == 0.0f) {
      referenceLength_ = currentLength_ = dist;
    } else {
      referenceLength_ = currentLength_ = reference;
      if (dist != reference && dist != 0.0f) {
        lengthScale_ = dist / reference;
        CNode::scaleBy(lengthScale_, 1.0f, 1.0f);
        currentLength_ = dist;
      }
    }
  }
  // A joint already placed in a scene (inert until now) takes its constraint there.
  if (scene_ != nullptr) {
    CScenePhysics* scene = scene_;
    scene_ = nullptr;
    addToSpace(scene);
  }
}

void CNodePhysicsJoint::install(cpConstraint* c, cpBody* b1, cpBody* b2) {
  constraint_ = c;
  body1_ = b1;
  body2_ = b2;
  cpConstraintSetUserData(c, this);
  node1_ = static_cast<CNodePhysics*>(cpBodyGetUserData(b1));
  node2_ = static_cast<CNodePhysics*>(cpBodyGetUserData(b2));
  if (node1_ != nullptr) node1_->attachJoint(this);
  if (node2_ != nullptr) node2_->attachJoint(this);
}

cpConstraint* CNodePhysicsJoint::makeLike(const cpConstraint* src, cpBody* b1, cpBody* b2) const {
  if (src == nullptr || !PhysicsGuard::canJoin(b1, b2)) return nullptr;
  cpConstraint* c = nullptr;
  if (cpConstraintIsPinJoint(src)) {
    c = cpPinJointNew(b1, b2, cpPinJointGetAnchorA(src), cpPinJointGetAnchorB(src));
    cpPinJointSetDist(c, cpPinJointGetDist(src));
  } else if (cpConstraintIsSlideJoint(src)) {
    c = cpSlideJointNew(b1, b2, cpSlideJointGetAnchorA(src), cpSlideJointGetAnchorB(src), cpSlideJointGetMin(src),
                        cpSlideJointGetMax(src));
  } else if (cpConstraintIsPivotJoint(src)) {
    c = cpPivotJointNew2(b1, b2, cpPivotJointGetAnchorA(src), cpPivotJointGetAnchorB(src));
  } else if (cpConstraintIsGrooveJoint(src)) {
    c = cpGrooveJointNew(b1, b2, cpGrooveJointGetGrooveA(src), cpGrooveJointGetGrooveB(src),
                         cpGrooveJointGetAnchorB(src));
  }
  if (c != nullptr) {
    cpConstraintSetMaxForce(c, cpConstraintGetMaxForce(src));
    cpConstraintSetMaxBias(c, cpConstraintGetMaxBias(src));
    cpConstraintSetErrorBias(c, cpConstraintGetErrorBias(src));
    cpConstraintSetCollideBodies(c, cpConstraintGetCollideBodies(src));
  }
  return c;
}

void CNodePhysicsJoint::rebind(cpBody* b1, cpBody* b2) {
  if (constraint_ == nullptr) return;
  cpConstraint* c = makeLike(constraint_, b1, b2);
  if (c == nullptr) return;
  CScenePhysics* scene = scene_;
  freeConstraint();
  install(c, b1, b2);
  if (scene != nullptr) addToSpace(scene);
}

void CNodePhysicsJoint::freeConstraint() {
  if (constraint_ != nullptr) {
    cpConstraint* c = constraint_;
    SpaceEdits* edits = scene_ != nullptr ? &scene_->edits() : nullptr;
    removeFromSpace();
    // Freed behind any change still queued for it (added and taken out again
    // inside one callback, it is in no space yet its addition waits).
    SpaceEdits::release(c, edits);
    constraint_ = nullptr;
  }
  if (node1_ != nullptr) node1_->detachJoint(this);
  if (node2_ != nullptr) node2_->detachJoint(this);
  node1_ = nullptr;
  node2_ = nullptr;
  body1_ = nullptr;
  body2_ = nullptr;
}

int CNodePhysicsJoint::indexOfBody(const CNodePhysics* node) const {
  if (node == nullptr || node->getBody() == nullptr) return -1;
  if (node->getBody() == body1_) return 0;
  if (node->getBody() == body2_) return 1;
  return -1;
}

void CNodePhysicsJoint::addToSpace(CScenePhysics* scene) {
  if (scene != nullptr && scene == scene_) return;
  removeFromSpace();
  if (scene == nullptr) return;
  if (scene->getSpace() == nullptr) {
    PhysicsGuard::report("physics: joint not added: the scene has no space");
    return;
  }
  scene_ = scene;
  scene->attachMember(this);
  if (constraint_ != nullptr) {
    cpConstraintSetErrorBias(constraint_, std::pow(0.9, static_cast<double>(scene->getStepsPerSecond())));
    scene->edits().addConstraint(constraint_);
  }
}

void CNodePhysicsJoint::removeFromSpace() {
  if (scene_ == nullptr) return;
  CScenePhysics* scene = scene_;
  if (constraint_ != nullptr) scene->edits().removeConstraint(constraint_);
  scene_ = nullptr;
  scene->detachMember(this);
}

bool CNodePhysicsJoint::endPoints(cpVect& w1, cpVect& w2) const {
  switch (description_.type) {
    case kJointPin:
    case kJointSlide:
      w1 = cpBodyLocalToWorld(body1_, toCp(description_.anchor1));
      w2 = cpBodyLocalToWorld(body2_, toCp(description_.anchor2));
      return true;
    case kJointGroove:
      w1 = cpBodyLocalToWorld(body1_, toCp(description_.groove1));
      w2 = cpBodyLocalToWorld(body1_, toCp(description_.groove2));
      return true;
    default:
      return false;
  }
}

bool CNodePhysicsJoint::updateVisit(int dtMs, TraversalMark mark) {
  bool result = false;
  if (!beginUpdateVisit(dtMs, mark, result)) return result;
  if (constraint_ != nullptr && body1_ != nullptr && body2_ != nullptr) {
    cpVect w1;
    cpVect w2;
    if (endPoints(w1, w2)) {
      const cpVect mid = cpvlerp(w1, w2, 0.5);
      CNode::setPosition(static_cast<float>(mid.x), static_cast<float>(mid.y), position_.z);
      if (description_.type == kJointSlide) {
        const auto d = static_cast<float>(cpvdist(w1, w2));
        // A length of 0 has no ratio: the visual keeps its size until the
        // anchors part again.
        if (d > 0.0f && currentLength_ > 0.0f && d != currentLength_) {
          const float f = d / currentLength_;
          CNode::scaleBy(f, 1.0f, 1.0f);
          lengthScale_ *= f;
          currentLength_ = d;
        } else if (d > 0.0f && currentLength_ == 0.0f) {
          currentLength_ = d;
        }
      }
      const cpVect dir = cpvsub(w2, w1);
      const float angle = std::atan2(static_cast<float>(dir.y), static_cast<float>(dir.x)) * 180.0f / kPi;
      CNode::setRotation(rotation_.x, rotation_.y, angle);
    } else if (description_.type == kJointPivot) {
      const cpVect p = cpBodyLocalToWorld(body1_, toCp(description_.pivot));
      CNode::setPosition(static_cast<float>(p.x), static_cast<float>(p.y), position_.z);
    }
  }
  return finishUpdateVisit(children_, dtMs, mark);
}

void CNodePhysicsJoint::draw(bool pass, bool push) { CNode::draw(pass, push); }

}  // namespace RenderEngine
