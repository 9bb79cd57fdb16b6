#include "game/actors/QMRJoint.h"

#include <memory>

#include "game/actors/ActorTemplates.h"

using RenderEngine::CNode;
using RenderEngine::Vector3;

namespace {

std::unique_ptr<CNode>& endPieceTemplate() {
  static std::unique_ptr<CNode> t;
  return t;
}
bool& templateBuilt() {
  static bool built = false;
  return built;
}

}  // namespace

QMRJoint::QMRJoint() { buildVisual(); }

QMRJoint::QMRJoint(const QMRJoint& o) : CNodePhysicsJoint(o) { buildVisual(); }

QMRJoint::~QMRJoint() {
  delete endPiece1_;
  delete endPiece2_;
}

CNode* QMRJoint::clone() const { return new QMRJoint(*this); }

void QMRJoint::resetTemplate() {
  endPieceTemplate().reset();
  templateBuilt() = false;
}

void QMRJoint::buildVisual() {
  if (!templateBuilt()) {
    templateBuilt() = true;
    CNode* root = ActorTemplates::get(ActorTemplates::kBlocksScene);
    CNode* list = nullptr;
    if (CNode* a = root->getChild(0)) {
      if (CNode* b = a->getChild(0)) list = b->getChild(0);
    }
    CNode* piece = list != nullptr ? list->getChild(kEndPieceLook) : nullptr;
    endPieceTemplate().reset(ActorTemplates::copyOf(piece));
  }
  delete endPiece1_;
  delete endPiece2_;
  endPiece1_ = ActorTemplates::copyOf(endPieceTemplate().get());
  endPiece2_ = ActorTemplates::copyOf(endPieceTemplate().get());
}

Vector3 QMRJoint::anchorToWorld(cpBody* body, const Vector3& local) {
  const cpVect w = cpBodyLocalToWorld(body, cpv(local.x, local.y));
  return {static_cast<float>(w.x), static_cast<float>(w.y), 0.0f};
}

bool QMRJoint::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  const bool result = CNodePhysicsJoint::updateVisit(dtMs, mark);
  if (getConstraint() == nullptr || getBody1() == nullptr || getBody2() == nullptr) return result;
  const RenderEngine::PhysicsJointDescription& d = getDescription();
  const float z = position_.z;
  auto place = [z](CNode* piece, const Vector3& p) {
    if (piece != nullptr) piece->setPosition(p.x, p.y, z);
  };
  switch (d.type) {
    case RenderEngine::kJointPin:
    case RenderEngine::kJointSlide:
    case RenderEngine::kJointGroove:
      place(endPiece1_, anchorToWorld(getBody1(), d.anchor1));
      place(endPiece2_, anchorToWorld(getBody2(), d.anchor2));
      break;
    case RenderEngine::kJointPivot:
      place(endPiece1_, anchorToWorld(getBody1(), d.pivot));
      break;
    default:
      break;
  }
  return result;
}

void QMRJoint::draw(bool pass, bool push) {
  CNodePhysicsJoint::draw(pass, push);
  if (endPiece1_ != nullptr) endPiece1_->draw(pass, push);
  if (endPiece2_ != nullptr && getDescription().type != RenderEngine::kJointPivot) endPiece2_->draw(pass, push);
}
