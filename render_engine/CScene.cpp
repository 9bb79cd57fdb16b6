#include "render_engine/CScene.h"

#include <algorithm>

#include "render_engine/FrameDrawing.h"

namespace RenderEngine {

CScene::~CScene() { clear(); }

void CScene::applyAnimation() {
  if (animation_.getFrameCount() == 0) return;
  applyPoseTo(this, animation_.interpolate());
}

void CScene::update(int dtMs) {
  flushRemovals();
  CNode::update(dtMs);
  // A node registered by an update in this loop is reached in the same pass.
  for (CNode* node : registered_) {
    if (node->isVisible()) node->update(dtMs);
  }
  flushRemovals();
}

void CScene::unloadTextures() {
  CNode::unloadTextures();
  for (CNode* node : registered_) node->unloadTextures();
}

void CScene::unloadLargeTextures() {
  CNode::unloadLargeTextures();
  for (CNode* node : registered_) node->unloadLargeTextures();
}

void CScene::render() {
  const NodeDrawBackend& gl = drawBackend();
  if (hasTransform()) gl.multMatrix(getLocalMatrix().m);
  gl.color4f(1.0f, 1.0f, 1.0f, 1.0f);
  setTextureEnvMode(0);
  for (CNode* node : registered_) {
    if (node->isVisible()) node->draw(true, true);
  }
  gl.color4f(1.0f, 1.0f, 1.0f, 1.0f);
  setTextureEnvMode(0);
}

void CScene::registerNode(CNode* node) {
  if (node == nullptr) return;
  registered_.push_back(node);
  if (node->isVisible()) rebuildTouchTargets();
}

bool CScene::isRegistered(const CNode* node) const {
  return std::find(registered_.begin(), registered_.end(), node) != registered_.end();
}

void CScene::queueRemoval(CNode* node) {
  if (node != nullptr) removalQueue_.push_back(node);
}

void CScene::flushRemovals() {
  if (removalQueue_.empty()) return;
  // Destructors may queue further removals: work on a private copy.
  NodeList queued;
  queued.swap(removalQueue_);
  NodeList doomed;
  for (CNode* node : queued) {
    const auto before = registered_.size();
    registered_.remove(node);
    // A node queued twice is found registered only once; an unregistered node is
    // not ours to delete.
    if (registered_.size() != before) doomed.push_back(node);
  }
  NodeList gone;
  for (CNode* node : doomed) node->collectAll(gone);
  // One batch, so a joint goes before the bodies it binds whatever the queue order.
  deleteTrees(doomed);
  // Destructors may have queued nodes of this same batch: those addresses are
  // free now and could come back as a new node that nobody queued.
  forgetQueued(gone);
  rebuildTouchTargets();
}

void CScene::forgetQueued(NodeList gone) {
  if (removalQueue_.empty() || gone.empty()) return;
  std::sort(gone.begin(), gone.end());
  std::erase_if(removalQueue_, [&](CNode* n) { return std::binary_search(gone.begin(), gone.end(), n); });
}

void CScene::rebuildTouchTargets() {
  touchTargets_.clear();
  for (CNode* node : registered_) node->collectTouchTargets(touchTargets_);
}

void CScene::clear() {
  // The scene's own children and the registered trees go in one batch: a node
  // that is both a child and registered, or shared between trees, dies once.
  NodeList roots(children_.begin(), children_.end());
  children_.clear();
  roots.insert(roots.end(), registered_.begin(), registered_.end());
  registered_.clear();
  touchTargets_.clear();
  deleteTrees(roots);
  // Emptied after the deletion: destructors may have queued what just died.
  removalQueue_.clear();
  boundsDirty_ = true;
}

}  // namespace RenderEngine
