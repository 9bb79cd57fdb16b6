#pragma once
// The root of a play screen's scene graph. Top-level nodes are registered with
// it (it owns them, draws them in registration order and offers their buttons as
// touch targets) and removed through a queue flushed at the start and the end of
// every update, so a node can be removed from inside an update or a handler.
#include <list>

#include "render_engine/CNode.h"

namespace RenderEngine {

class CScene : public CNode {
 public:
  CScene() = default;
  CScene(const CScene&) = delete;
  CScene& operator=(const CScene&) = delete;
  // Deletes everything the scene holds.
  ~CScene() override;

  void applyAnimation() override;
  // Flush, the scene's own children and animation, each visible registered
  // node, flush again.
  void update(int dtMs) override;
  void unloadTextures() override;
  void unloadLargeTextures() override;

  // Draws the visible registered nodes (not the scene's own children) inside
  // the caller's frame projection.
  void render();
  // Takes ownership. A node must be registered at most once.
  void registerNode(CNode* node);
  // The node is deleted at the next flush (when it is registered).
  void queueRemoval(CNode* node);
  void flushRemovals();
  void rebuildTouchTargets();
  // Deletes the scene's children and every registered node, each once, and
  // leaves the scene empty and reusable.
  void clear();

  const std::list<CNode*>& getRegisteredNodes() const { return registered_; }
  const NodeList& getTouchTargets() const { return touchTargets_; }
  bool isRegistered(const CNode* node) const;
  std::size_t getQueuedRemovalCount() const { return removalQueue_.size(); }

 private:
  // Drops queued entries that point at nodes just deleted.
  void forgetQueued(NodeList gone);

  NodeList removalQueue_;
  std::list<CNode*> registered_;
  NodeList touchTargets_;
};

}  // namespace RenderEngine
