#pragma once
// The scene of a play screen: owns one Chipmunk space, steps it at a fixed rate
// from the frame updates, registers physics nodes with both the scene graph and
// the space, bridges collision-pair callbacks to plain functions that receive
// the two nodes and their contacts, and answers point queries.
#include <chipmunk/chipmunk.h>

#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "physics/CNodePhysics.h"
#include "physics/CNodePhysicsBaseInterface.h"
#include "physics/SpaceEdits.h"
#include "render_engine/CScene.h"

namespace RenderEngine {

struct PhysicsWorldParameters {
  std::int32_t iterations = 10;
  std::int32_t elasticIterations = 0;
  Vector3 gravity;
  float damping = 1.0f;
};

struct SpatialHashParameters {
  float activeCellSize = 0.0f;
  std::int32_t activeCellCount = 0;
  float staticCellSize = 0.0f;
  std::int32_t staticCellCount = 0;
};

struct ContactRecord {
  Vector3 point;
  Vector3 normal;  // from node A towards node B
  float depth = 0.0f;  // negative while the shapes overlap
};

// The contacts of one colliding pair, held by value. The library reports at
// most two, so they live in place and a callback costs no allocation.
class ContactList {
 public:
  static constexpr int kCapacity = 2;
  void push_back(const ContactRecord& r) {
    if (count_ < kCapacity) records_[static_cast<std::size_t>(count_++)] = r;
  }
  int size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const ContactRecord& operator[](int i) const { return records_[static_cast<std::size_t>(i)]; }
  const ContactRecord* begin() const { return records_.data(); }
  const ContactRecord* end() const { return records_.data() + count_; }

 private:
  std::array<ContactRecord, kCapacity> records_{};
  int count_ = 0;
};

// Node A carries the first collision type of the registered pair. For begin and
// pre-solve, 0 makes the library ignore the contact (begin: until the shapes
// separate; pre-solve: for this step); other results are ignored.
using CollisionCallback = int (*)(CNodePhysics* nodeA, CNodePhysics* nodeB, int contactCount, ContactList contacts);

struct CollisionCallbacks {
  CollisionCallback begin = nullptr;
  CollisionCallback preSolve = nullptr;
  CollisionCallback postSolve = nullptr;
  CollisionCallback separate = nullptr;
};

class CScenePhysics : public CScene {
 public:
  static constexpr int kDefaultStepsPerSecond = 30;

  CScenePhysics();
  CScenePhysics(const CScenePhysics&) = delete;
  CScenePhysics& operator=(const CScenePhysics&) = delete;
  // Deletes the registered nodes (their parts leave the space with them), takes
  // every other node's parts out, frees what no node owns, then the space.
  ~CScenePhysics() override;

  // Makes the space when there is none and sets the default rate.
  void initSpace();
  // Takes every node's parts out of the space (the nodes keep them), frees the
  // parts no node owns, then the space.
  void freeSpace();

  void setStepsPerSecond(int rate);
  int getStepsPerSecond() const { return stepsPerSecond_; }

  // Removals, then the steps this frame owes (every non-zero update counts as a
  // thirtieth of a second whatever its length), then the scene's nodes.
  void update(int dtMs) override;

  // Registers the node with the scene and puts it into the space.
  void addPhysicsItem(CNodePhysicsBaseInterface* node);

  void setWorldParameters(const PhysicsWorldParameters& parameters);
  const PhysicsWorldParameters& getWorldParameters() const { return world_; }
  // Recorded only: the library's bounding-box tree needs no cell sizes.
  void resizeHashes(const SpatialHashParameters& parameters);
  const SpatialHashParameters& getHashParameters() const { return hashes_; }
  // Brings every moving shape's bounds up to date, so a point query finds
  // bodies moved since the last step where they are drawn.
  void recacheShapeBounds();

  // A begin handler for the unordered pair; the other phases keep the library's
  // defaults. Registering a pair again replaces its handler, and the types'
  // order of the latest registration decides which node is A.
  void addCollisionHandler(int typeA, int typeB, CollisionCallback begin);
  // The four functions are copied: the record need not outlive the call.
  void addCollisionHandlers(int typeA, int typeB, const CollisionCallbacks* callbacks);
  void removeCollisionHandler(int typeA, int typeB);

  // Bit 0 of flags asks for shapes; the last node found under the point (moving
  // shapes first, then static ones), or null.
  CNode* queryNodeAtPoint(float x, float y, int flags);

  // Deletes every registered node without reaching the game's handlers, and
  // starts a fresh space (so a retried level replays identically); handlers,
  // world parameters and rate stay.
  void reset();

  cpSpace* getSpace() const { return space_; }
  SpaceEdits& edits() { return edits_; }
  bool isLocked() const;
  bool isResetting() const { return resetting_; }
  float getAccumulator() const { return accumulator_; }
  std::uint64_t getStepCount() const { return stepCount_; }

  // Kept by the nodes whose parts are in the space.
  void attachMember(CNodePhysicsBaseInterface* node);
  void detachMember(CNodePhysicsBaseInterface* node);
  const std::vector<CNodePhysicsBaseInterface*>& getMembers() const { return members_; }

  struct HandlerEntry {
    CScenePhysics* scene = nullptr;
    cpCollisionType typeA = 0;
    cpCollisionType typeB = 0;
    CollisionCallbacks callbacks;
    bool active = false;
    cpCollisionHandler* handler = nullptr;
    // The library's own functions for this pair, put back on removal.
    cpCollisionBeginFunc defaultBegin = nullptr;
    cpCollisionPreSolveFunc defaultPreSolve = nullptr;
    cpCollisionPostSolveFunc defaultPostSolve = nullptr;
    cpCollisionSeparateFunc defaultSeparate = nullptr;
  };
  // The active handler record of the unordered pair (its typeA is the node A
  // type), or null.
  const HandlerEntry* findCollisionHandler(int typeA, int typeB) const;
  // The bridge: builds the contacts in the registered order and calls back.
  int dispatchCollision(cpArbiter* arbiter, CollisionCallback callback, cpCollisionType typeA);

 private:
  void setHandler(int typeA, int typeB, const CollisionCallbacks& callbacks);
  void bindLibraryHandler(HandlerEntry& entry);
  void applyWorldParameters();
  void applyStepRate();
  void freeUnownedParts();
  void detachAllMembers();
  void stepOnce(float stepLength);
  void resetNow();

  float accumulator_ = 0.0f;
  int stepsPerSecond_ = kDefaultStepsPerSecond;
  cpSpace* space_ = nullptr;
  SpaceEdits edits_;
  PhysicsWorldParameters world_;
  bool worldSet_ = false;
  SpatialHashParameters hashes_;
  std::map<std::pair<cpCollisionType, cpCollisionType>, HandlerEntry> handlers_;
  std::vector<CNodePhysicsBaseInterface*> members_;
  NodeList hits_;
  bool resetting_ = false;
  bool resetPending_ = false;
  std::uint64_t stepCount_ = 0;
};

}  // namespace RenderEngine
