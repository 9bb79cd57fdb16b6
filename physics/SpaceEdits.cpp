#include "physics/SpaceEdits.h"

namespace RenderEngine {

void SpaceEdits::setSpace(cpSpace* space) {
  space_ = space;
  if (space != nullptr) cpSpaceSetUserData(space, this);
}

SpaceEdits* SpaceEdits::of(cpSpace* space) {
  return space != nullptr ? static_cast<SpaceEdits*>(cpSpaceGetUserData(space)) : nullptr;
}

bool SpaceEdits::deferring() const {
  return flushing_ || !pending_.empty() || (space_ != nullptr && cpSpaceIsLocked(space_));
}

void SpaceEdits::submit(Kind kind, void* object) {
  if (object == nullptr) return;
  if (deferring()) {
    pending_.push_back(Edit{kind, object});
    return;
  }
  apply(Edit{kind, object});
  // A removal may have called separate handlers, which queue their own changes.
  if (!pending_.empty()) flush();
}

void SpaceEdits::flush() {
  if (flushing_ || space_ == nullptr || cpSpaceIsLocked(space_)) return;
  flushing_ = true;
  // Applying may queue more (handlers called by a removal): the index walk
  // reaches them too, in order.
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    const Edit edit = pending_[i];
    apply(edit);
  }
  pending_.clear();
  flushing_ = false;
}

void SpaceEdits::apply(const Edit& e) {
  cpSpace* const s = space_;
  switch (e.kind) {
    case Kind::AddShape: {
      auto* shape = static_cast<cpShape*>(e.object);
      if (s != nullptr && cpShapeGetSpace(shape) == nullptr) cpSpaceAddShape(s, shape);
      break;
    }
    case Kind::RemoveShape: {
      auto* shape = static_cast<cpShape*>(e.object);
      if (s != nullptr && cpShapeGetSpace(shape) == s) cpSpaceRemoveShape(s, shape);
      break;
    }
    case Kind::AddBody: {
      auto* body = static_cast<cpBody*>(e.object);
      // Static bodies never enter the space: their shapes go to its static index.
      if (s != nullptr && cpBodyGetSpace(body) == nullptr && cpBodyGetType(body) == CP_BODY_TYPE_DYNAMIC) {
        cpSpaceAddBody(s, body);
      }
      break;
    }
    case Kind::RemoveBody: {
      auto* body = static_cast<cpBody*>(e.object);
      if (s != nullptr && cpBodyGetSpace(body) == s) cpSpaceRemoveBody(s, body);
      break;
    }
    case Kind::AddConstraint: {
      auto* c = static_cast<cpConstraint*>(e.object);
      if (s != nullptr && cpConstraintGetSpace(c) == nullptr) cpSpaceAddConstraint(s, c);
      break;
    }
    case Kind::RemoveConstraint: {
      auto* c = static_cast<cpConstraint*>(e.object);
      if (s != nullptr && cpConstraintGetSpace(c) == s) cpSpaceRemoveConstraint(s, c);
      break;
    }
    case Kind::ReindexBody:
      if (s != nullptr) cpSpaceReindexShapesForBody(s, static_cast<cpBody*>(e.object));
      break;
    case Kind::FreeShape: {
      auto* shape = static_cast<cpShape*>(e.object);
      if (s != nullptr && cpShapeGetSpace(shape) == s) cpSpaceRemoveShape(s, shape);
      cpShapeFree(shape);
      break;
    }
    case Kind::FreeBody: {
      auto* body = static_cast<cpBody*>(e.object);
      if (s != nullptr && cpBodyGetSpace(body) == s) cpSpaceRemoveBody(s, body);
      cpBodyFree(body);
      break;
    }
    case Kind::FreeConstraint: {
      auto* c = static_cast<cpConstraint*>(e.object);
      if (s != nullptr && cpConstraintGetSpace(c) == s) cpSpaceRemoveConstraint(s, c);
      cpConstraintFree(c);
      break;
    }
  }
}

void SpaceEdits::release(cpShape* shape) {
  if (shape == nullptr) return;
  if (SpaceEdits* edits = of(cpShapeGetSpace(shape))) {
    edits->freeShape(shape);
    return;
  }
  cpShapeFree(shape);
}

void SpaceEdits::release(cpBody* body) {
  if (body == nullptr) return;
  if (SpaceEdits* edits = of(cpBodyGetSpace(body))) {
    edits->freeBody(body);
    return;
  }
  cpBodyFree(body);
}

void SpaceEdits::release(cpConstraint* c) {
  if (c == nullptr) return;
  if (SpaceEdits* edits = of(cpConstraintGetSpace(c))) {
    edits->freeConstraint(c);
    return;
  }
  cpConstraintFree(c);
}

}  // namespace RenderEngine
