#include "physics/CNodePhysicsContainer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>

#include "physics/CNodePhysics.h"
#include "physics/CNodePhysicsJoint.h"

namespace RenderEngine {

CNodePhysicsContainer::CNodePhysicsContainer(const CNodePhysicsContainer& o)
    : CNodePhysicsBaseInterface(o), lastNonZeroScale_(o.lastNonZeroScale_) {
  // The node copy has cloned the children, each joint still binding the
  // source's bodies; the clone links (set by that copy) give each copied
  // joint the copies of its bodies.
  NodeList sourceNodes;
  for (CNode* child : o.children_) child->collectAll(sourceNodes);
  const std::unordered_set<const CNode*> inSource(sourceNodes.begin(), sourceNodes.end());
  auto copiedBody = [&inSource](cpBody* body) -> cpBody* {
    if (body == nullptr) return nullptr;
    auto* owner = static_cast<CNodePhysics*>(cpBodyGetUserData(body));
    if (owner == nullptr || inSource.count(owner) == 0) return body;
    auto* copy = dynamic_cast<CNodePhysics*>(owner->getCloneLink());
    return copy != nullptr && copy->getBody() != nullptr ? copy->getBody() : body;
  };
  for (CNode* node : sourceNodes) {
    auto* joint = dynamic_cast<CNodePhysicsJoint*>(node);
    if (joint == nullptr) continue;
    auto* copy = dynamic_cast<CNodePhysicsJoint*>(joint->getCloneLink());
    if (copy == nullptr || copy->getConstraint() == nullptr) continue;
    cpBody* b1 = copiedBody(joint->getBody1());
    cpBody* b2 = copiedBody(joint->getBody2());
    if (b1 != copy->getBody1() || b2 != copy->getBody2()) copy->rebind(b1, b2);
  }
}

CNode* CNodePhysicsContainer::clone() const { return new CNodePhysicsContainer(*this); }

void CNodePhysicsContainer::addToSpace(CScenePhysics* scene) {
  for (CNode* child : children_) {
    if (auto* p = dynamic_cast<CNodePhysicsBaseInterface*>(child)) p->addToSpace(scene);
  }
}

void CNodePhysicsContainer::removeFromSpace() {
  for (CNode* child : children_) {
    if (auto* p = dynamic_cast<CNodePhysicsBaseInterface*>(child)) p->removeFromSpace();
  }
}

// The new values go into the container's fields with no dirty flag: its matrix
// is never used.
void CNodePhysicsContainer::setPosition(float x, float y, float z) {
  const Vector3 delta = subtract(Vector3(x, y, z), position_);
  position_ = Vector3(x, y, z);
  for (CNode* child : children_) child->moveBy(delta.x, delta.y, delta.z);
}

// The parts turn as one body about the container's origin: turning each about
// its own origin alone (as the parts of a complex entity placed at an angle
// once did) pulls the joints between them apart.
void CNodePhysicsContainer::setRotation(float x, float y, float z) {
  const Vector3 delta = subtract(Vector3(x, y, z), rotation_);
  rotation_ = Vector3(x, y, z);
  const double radians = static_cast<double>(delta.z) * std::numbers::pi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  for (CNode* child : children_) {
    // A joint follows its bodies; its own place is taken from them.
    if (delta.z != 0.0f && dynamic_cast<CNodePhysicsJoint*>(child) == nullptr) {
      const Vector3 at = child->getPosition();
      const double rx = static_cast<double>(at.x) - position_.x;
      const double ry = static_cast<double>(at.y) - position_.y;
      const auto nx = static_cast<float>(position_.x + c * rx - s * ry);
      const auto ny = static_cast<float>(position_.y + s * rx + c * ry);
      child->moveBy(nx - at.x, ny - at.y, 0.0f);
    }
    child->rotateBy(delta.x, delta.y, delta.z);
  }
}

void CNodePhysicsContainer::setScale(float x, float y, float z) {
  const Vector3 next(x, y, z);
  const Vector3 current = scale_;
  const bool wasZero = current.x == 0.0f || current.y == 0.0f || current.z == 0.0f;
  const bool goesZero = next.x == 0.0f || next.y == 0.0f || next.z == 0.0f;
  if (!wasZero && goesZero) {
    scaleBeforeZero_.clear();
    for (CNode* child : children_) scaleBeforeZero_.emplace_back(child, child->getScale());
    lastNonZeroScale_ = current;
  }
  for (CNode* child : children_) {
    Vector3 ratio(1.0f, 1.0f, 1.0f);
    for (int axis = 0; axis < 3; ++axis) {
      if (current[axis] != 0.0f) ratio[axis] = next[axis] / current[axis];
    }
    child->scaleBy(ratio.x, ratio.y, ratio.z);
    if (!wasZero) continue;
    // Back from 0: the child's size before the container went to 0, scaled by
    // the change since then.
    auto it = std::find_if(scaleBeforeZero_.begin(), scaleBeforeZero_.end(),
                           [child](const auto& e) { return e.first == child; });
    if (it == scaleBeforeZero_.end()) continue;
    Vector3 s = child->getScale();
    for (int axis = 0; axis < 3; ++axis) {
      if (current[axis] == 0.0f && lastNonZeroScale_[axis] != 0.0f) {
        s[axis] = it->second[axis] * (next[axis] / lastNonZeroScale_[axis]);
      }
    }
    child->setScale(s.x, s.y, s.z);
  }
  scale_ = next;
  if (!goesZero) scaleBeforeZero_.clear();
}

void CNodePhysicsContainer::moveBy(float dx, float dy, float dz) {
  setPosition(position_.x + dx, position_.y + dy, position_.z + dz);
}

void CNodePhysicsContainer::rotateBy(float dx, float dy, float dz) {
  setRotation(rotation_.x + dx, rotation_.y + dy, rotation_.z + dz);
}

void CNodePhysicsContainer::scaleBy(float fx, float fy, float fz) {
  setScale(scale_.x * fx, scale_.y * fy, scale_.z * fz);
}

void CNodePhysicsContainer::draw(bool pass, bool push) {
  if (!visible_ || isTransparent()) return;
  if (animationDirty_) {
    applyAnimation();
    animationDirty_ = false;
  }
  DrawFrame frame;
  beginDrawColor(frame);
  drawChildList(children_, pass, push, frame);
  endDraw(frame);
}

}  // namespace RenderEngine
