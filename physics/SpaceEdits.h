#pragma once
// Changes to a Chipmunk space that may be asked for while the space steps.
// Inside a step (a collision callback) or a query the library refuses to add,
// remove or reindex anything, and its refusal aborts; so while the space is
// locked every change is queued and applied, in the order asked, right after
// the step. Each change is checked again when it is applied (a shape already
// in the space is not added twice, one not in it is not removed), so a queue
// that adds and then removes the same object in one callback is harmless.
//
// The free operations take ownership: the object leaves the space (when in it)
// and is freed, at once or after the step. An object a queue still has to
// touch is never freed before it: release() frees through that queue (an
// object added and taken out again inside one callback is in no space yet, but
// its addition still waits), and a body counts as touched when a waiting
// change names one of its shapes or a constraint on it.
#include <chipmunk/chipmunk.h>

#include <cstdint>
#include <vector>

namespace RenderEngine {

class SpaceEdits {
 public:
  explicit SpaceEdits(cpSpace* space = nullptr);
  SpaceEdits(const SpaceEdits&) = delete;
  SpaceEdits& operator=(const SpaceEdits&) = delete;
  ~SpaceEdits();

  // The space's user data points back here, so an object found in a space
  // leads to the queue that guards it.
  void setSpace(cpSpace* space);
  static SpaceEdits* of(cpSpace* space);
  cpSpace* space() const { return space_; }

  void addShape(cpShape* shape) { submit(Kind::AddShape, shape); }
  void removeShape(cpShape* shape) { submit(Kind::RemoveShape, shape); }
  void addBody(cpBody* body) { submit(Kind::AddBody, body); }
  void removeBody(cpBody* body) { submit(Kind::RemoveBody, body); }
  void addConstraint(cpConstraint* c) { submit(Kind::AddConstraint, c); }
  void removeConstraint(cpConstraint* c) { submit(Kind::RemoveConstraint, c); }
  // Recomputes the bounds of the body's shapes in the space's indexes (a static
  // body's shapes are not reindexed by stepping).
  void reindexBody(cpBody* body) { submit(Kind::ReindexBody, body); }
  void freeShape(cpShape* shape) { submit(Kind::FreeShape, shape); }
  void freeBody(cpBody* body) { submit(Kind::FreeBody, body); }
  void freeConstraint(cpConstraint* c) { submit(Kind::FreeConstraint, c); }

  // True while changes are being queued rather than applied.
  bool deferring() const;
  std::size_t pendingCount() const { return pending_.size(); }
  // Applies the queue; does nothing while the space is locked.
  void flush();

  // The live queue with a change still to apply to the object (for a body, also
  // to one of its shapes or constraints), or null.
  static SpaceEdits* waitingOn(const cpShape* shape);
  static SpaceEdits* waitingOn(const cpBody* body);
  static SpaceEdits* waitingOn(const cpConstraint* c);

  // Frees an object through the first of: a queue still waiting on it, the
  // queue of the space it is in, the given queue (which keeps it behind other
  // frees of the same owner); at once when there is none.
  static void release(cpShape* shape, SpaceEdits* otherwise = nullptr);
  static void release(cpBody* body, SpaceEdits* otherwise = nullptr);
  static void release(cpConstraint* c, SpaceEdits* otherwise = nullptr);

 private:
  enum class Kind : std::uint8_t {
    AddShape,
    RemoveShape,
    AddBody,
    RemoveBody,
    AddConstraint,
    RemoveConstraint,
    ReindexBody,
    FreeShape,
    FreeBody,
    FreeConstraint
  };
  struct Edit {
    Kind kind;
    void* object;
  };
  void submit(Kind kind, void* object);
  void apply(const Edit& edit);
  // Whether a change not yet applied names the object; edits before next_ are
  // done (their objects may be gone) and are not looked at.
  bool waitsOn(const void* object) const;
  bool waitsOnBody(const cpBody* body) const;

  cpSpace* space_;
  std::vector<Edit> pending_;
  std::size_t next_ = 0;
  bool flushing_ = false;
};

}  // namespace RenderEngine
