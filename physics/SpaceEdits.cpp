#include "physics/SpaceEdits.h"

#include <algorithm>

namespace RenderEngine {
namespace {

// Every queue alive, so a free can find the one still waiting on its object.
std::vector<SpaceEdits*>& liveQueues() {
  static std::vector<SpaceEdits*> queues;
  return queues;
}

}  // namespace

SpaceEdits::SpaceEdits(cpSpace* space) : space_(space) { liveQueues().push_back(this); }

SpaceEdits::~SpaceEdits() {
  auto& queues = liveQueues();
  queues.erase(std::remove(queues.begin(), queues.end(), this), queues.end());
}

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
  for (next_ = 0; next_ < pending_.size(); ++next_) {
    const Edit edit = pending_[next_];
    apply(edit);
  }
  pending_.clear();
  next_ = 0;
  flushing_ = false;
}

bool SpaceEdits::waitsOn(const void* object) const {
  for (std::size_t i = next_; i < pending_.size(); ++i) {
    if (pending_[i].object == object) return true;
  }
  return false;
}

bool SpaceEdits::waitsOnBody(const cpBody* body) const {
  // The shapes and constraints named here are alive: nothing a queue waits on
  // is freed outside it.
  for (std::size_t i = next_; i < pending_.size(); ++i) {
    const Edit& e = pending_[i];
    if (e.object == body) return true;
    switch (e.kind) {
      case Kind::AddShape:
      case Kind::RemoveShape:
      case Kind::FreeShape:
        if (cpShapeGetBody(static_cast<const cpShape*>(e.object)) == body) return true;
        break;
      case Kind::AddConstraint:
      case Kind::RemoveConstraint:
      case Kind::FreeConstraint: {
        const auto* c = static_cast<const cpConstraint*>(e.object);
        if (cpConstraintGetBodyA(c) == body || cpConstraintGetBodyB(c) == body) return true;
        break;
      }
      default:
        break;
    }
  }
  return false;
}

SpaceEdits* SpaceEdits::waitingOn(const cpShape* shape) {
  for (SpaceEdits* q : liveQueues()) {
    if (q->waitsOn(shape)) return q;
  }
  return nullptr;
}

SpaceEdits* SpaceEdits::waitingOn(const cpBody* body) {
  for (SpaceEdits* q : liveQueues()) {
    if (q->waitsOnBody(body)) return q;
  }
  return nullptr;
}

SpaceEdits* SpaceEdits::waitingOn(const cpConstraint* c) {
  for (SpaceEdits* q : liveQueues()) {
    if (q->waitsOn(c)) return q;
  }
  return nullptr;
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

void SpaceEdits::release(cpShape* shape, SpaceEdits* otherwise) {
  if (shape == nullptr) return;
  SpaceEdits* q = waitingOn(shape);
  if (q == nullptr) q = of(cpShapeGetSpace(shape));
  if (q == nullptr) q = otherwise;
  if (q != nullptr) {
    q->freeShape(shape);
  } else {
    cpShapeFree(shape);
  }
}

void SpaceEdits::release(cpBody* body, SpaceEdits* otherwise) {
  if (body == nullptr) return;
  SpaceEdits* q = waitingOn(body);
  if (q == nullptr) q = of(cpBodyGetSpace(body));
  if (q == nullptr) q = otherwise;
  if (q != nullptr) {
    q->freeBody(body);
  } else {
    cpBodyFree(body);
  }
}

void SpaceEdits::release(cpConstraint* c, SpaceEdits* otherwise) {
  if (c == nullptr) return;
  SpaceEdits* q = waitingOn(c);
  if (q == nullptr) q = of(cpConstraintGetSpace(c));
  if (q == nullptr) q = otherwise;
  if (q != nullptr) {
    q->freeConstraint(c);
  } else {
    cpConstraintFree(c);
  }
}

}  // namespace RenderEngine
