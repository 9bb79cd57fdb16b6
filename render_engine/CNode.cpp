#include "render_engine/CNode.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace RenderEngine {

namespace {

ColorRGBA gCurrentColor;
int gBulkDeleteDepth = 0;
TraversalMark gLastMark = 0;
// The child a node copy is cloning right now. Only the copy of exactly that
// node keeps the source's clone links (a node reached twice inside one copy is
// copied once); any other copy made meanwhile (a template cloned by a kind
// whose clone does not go through the copy constructor) clears its source's
// links, so two copies never share nodes.
const CNode* gChildBeingCopied = nullptr;

void glPushEntry() { glPushMatrix(); }
void glPopEntry() { glPopMatrix(); }
void glMultEntry(const float* m) { glMultMatrixf(m); }
void glColorEntry(float r, float g, float b, float a) { glColor4f(r, g, b, a); }

NodeDrawBackend& backend() {
  static NodeDrawBackend b = CNode::defaultDrawBackend();
  return b;
}

// Angles are kept in [0, 360). fmod instead of repeated subtraction: a huge
// angle (a physics body that spun for hours) must not loop for ever, and a
// non-finite one has no meaningful direction.
float wrapDegrees(float v) {
  if (v >= 0.0f && v < 360.0f) return v;
  if (!std::isfinite(v)) return 0.0f;
  float r = std::fmod(v, 360.0f);
  if (r < 0.0f) r += 360.0f;
  if (r >= 360.0f) r -= 360.0f;  // a tiny negative rounds up to 360
  return r;
}

struct DepthGuard {
  explicit DepthGuard(int& d) : depth(d) { ++depth; }
  ~DepthGuard() { --depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  int& depth;
};

}  // namespace

// ---------------------------------------------------------------------------
// Construction, copy, destruction

CNode::CNode() {
  // Defaults go through the setters so the skew matrix and has-transform are
  // derived the same way as for any later change.
  setRotation(0.0f, 0.0f, 0.0f);
  setPosition(0.0f, 0.0f, 0.0f);
  setScale(1.0f, 1.0f, 1.0f);
  setSkew(0.0f, 0.0f);
  setAnchor(0.0f, 0.0f);
  rebuildSkewMatrix();
  updateHasTransform();
  setColor(-1.0f, -1.0f, -1.0f, 255.0f);
}

CNode::CNode(const CNode& o)
    : IRenderEngineItem(o),
      position_(o.position_),
      tag_(o.tag_),
      scale_(o.scale_),
      rotation_(o.rotation_),
      skewX_(o.skewX_),
      skewY_(o.skewY_),
      anchorX_(o.anchorX_),
      anchorY_(o.anchorY_),
      color_(o.color_),
      savedColor_(o.savedColor_),
      // A copy starts detached; it belongs to whoever adds it.
      parent_(nullptr),
      skewMatrix_(o.skewMatrix_),
      skewIsIdentity_(o.skewIsIdentity_),
      visible_(o.visible_),
      updateMark_(o.updateMark_),
      colorMark_(o.colorMark_),
      tagMark_(o.tagMark_),
      matrixDirty_(true),
      boundsDirty_(true),
      animationDirty_(o.animationDirty_),
      animation_(o.animation_) {
  // Links left over from an earlier copy would make this copy share that
  // copy's nodes (two owners, one deletion too many). A copy made for a child of
  // a node being copied keeps them, so a node reached twice is copied once; any
  // other copy (the outermost one, or a template cloned by a derived copy
  // constructor) clears its source's links first.
  const bool nested = gChildBeingCopied == &o;
  gChildBeingCopied = nullptr;
  if (!nested) clearCloneLinksOf(o);
  children_.reserve(o.children_.size());
  for (CNode* child : o.children_) {
    if (child->cloneLink_ == nullptr) {
      gChildBeingCopied = child;
      child->cloneLink_ = child->clone();
      gChildBeingCopied = nullptr;  // a clone that built its node another way left it set
    }
    CNode::addChild(child->cloneLink_);
  }
  updateHasTransform();
}

CNode::~CNode() {
  // A node deleted on its own leaves no entry behind in a parent that lives
  // on (a batch detaches its nodes from live parents before it deletes).
  if (parent_ != nullptr) parent_->forgetChild(this);
  // In a batch the children are in the same batch; a node deleted by some
  // other owner while a batch runs still takes its subtree with it.
  if (!inBatch_) deleteChildren();
}

void CNode::forgetChild(CNode* node) {
  const auto before = children_.size();
  children_.erase(std::remove(children_.begin(), children_.end(), node), children_.end());
  if (children_.size() != before) {
    boundsDirty_ = true;
    childrenLeft();
  }
}

CNode* CNode::clone() const { return new CNode(*this); }

void CNode::clearCloneLinksOf(const CNode& root) {
  root.cloneLink_ = nullptr;
  for (CNode* child : root.children_) clearCloneLinksOf(*child);
}

void CNode::clearCloneLinks() { clearCloneLinksOf(*this); }

CNode* CNode::duplicate() {
  clearCloneLinks();
  return clone();
}

// ---------------------------------------------------------------------------
// Children

void CNode::addChild(CNode* node) {
  if (node == nullptr || node == this) return;  // a node under itself would make every walk endless
  children_.push_back(node);
  node->parent_ = this;
  boundsDirty_ = true;
}

void CNode::removeChild(CNode* node) {
  auto it = std::find(children_.begin(), children_.end(), node);
  if (it == children_.end()) return;
  children_.erase(it);
  boundsDirty_ = true;
  // Forget the parent once the node is really out, so it never points at a
  // parent that may be deleted before it.
  if (node->parent_ == this && std::find(children_.begin(), children_.end(), node) == children_.end()) {
    node->parent_ = nullptr;
  }
  childrenLeft();
}

void CNode::deleteChild(CNode* node) {
  auto it = std::find(children_.begin(), children_.end(), node);
  if (it == children_.end()) return;
  // Every entry goes: one left behind would point at the deleted node.
  children_.erase(std::remove(children_.begin(), children_.end(), node), children_.end());
  boundsDirty_ = true;
  childrenLeft();
  delete node;
}

CNode* CNode::getChild(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= children_.size()) return nullptr;
  return children_[static_cast<std::size_t>(index)];
}

CNode* CNode::getParent() const { return parent_; }

void CNode::reserveChildren(std::size_t n) { children_.reserve(children_.size() + n); }

void CNode::collectAll(NodeList& list) {
  list.push_back(this);
  for (CNode* child : children_) child->collectAll(list);
}

void CNode::collectByTag(NodeList& list, int tag) {
  if (tag_ == tag) list.push_back(this);
  for (CNode* child : children_) child->collectByTag(list, tag);
}

void CNode::deleteChildren() {
  NodeList roots;
  roots.swap(children_);
  if (!roots.empty()) {
    boundsDirty_ = true;
    childrenLeft();
  }
  // They die with this node: no need to find them in its emptied list.
  for (CNode* child : roots) {
    if (child->parent_ == this) child->parent_ = nullptr;
  }
  deleteTrees(roots);
}

void CNode::deleteTrees(const NodeList& roots) {
  NodeList all;
  for (CNode* root : roots) {
    if (root != nullptr) root->collectAll(all);
  }
  if (all.empty()) return;
  std::sort(all.begin(), all.end(), std::less<CNode*>());
  all.erase(std::unique(all.begin(), all.end()), all.end());
  std::vector<std::pair<int, CNode*>> ranked;
  ranked.reserve(all.size());
  for (CNode* n : all) {
    // Already doomed by an enclosing batch (a scene cleared by its own
    // destructor while its owner's batch runs): that batch deletes it.
    if (n->inBatch_) continue;
    n->inBatch_ = true;
    ranked.emplace_back(n->deletionRank(), n);
  }
  // A doomed node whose parent lives on (a node both a scene's child and
  // registered with it, flushed as registered) leaves that parent's list now;
  // one under a doomed parent goes with it. Each live parent is combed once.
  std::vector<CNode*> liveParents;
  for (const auto& entry : ranked) {
    CNode* parent = entry.second->parent_;
    if (parent == nullptr) continue;
    if (!parent->inBatch_) liveParents.push_back(parent);
    entry.second->parent_ = nullptr;
  }
  std::sort(liveParents.begin(), liveParents.end());
  liveParents.erase(std::unique(liveParents.begin(), liveParents.end()), liveParents.end());
  for (CNode* parent : liveParents) {
    std::erase_if(parent->children_, [](const CNode* child) { return child->inBatch_; });
    parent->boundsDirty_ = true;
    parent->childrenLeft();
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  DepthGuard bulk(gBulkDeleteDepth);
  for (const auto& entry : ranked) delete entry.second;
}

bool CNode::bulkDeleteInProgress() { return gBulkDeleteDepth > 0; }

// ---------------------------------------------------------------------------
// Transform

void CNode::updateHasTransform() {
  hasTransform_ = !(position_.x == 0.0f && position_.y == 0.0f && position_.z == 0.0f && rotation_.x == 0.0f &&
                    rotation_.y == 0.0f && rotation_.z == 0.0f && skewX_ == 0.0f && skewY_ == 0.0f &&
                    scale_.x == 1.0f && scale_.y == 1.0f && scale_.z == 1.0f);
}

void CNode::setRotation(float x, float y, float z) {
  // Wrapped before the comparison, so 370 on a node at 10 changes nothing.
  const Vector3 r(wrapDegrees(x), wrapDegrees(y), wrapDegrees(z));
  if (r == rotation_) return;
  rotation_ = r;
  transformChanged();
}

void CNode::setPosition(float x, float y, float z) {
  const Vector3 p(x, y, z);
  if (p == position_) return;
  position_ = p;
  transformChanged();
}

void CNode::setScale(float x, float y, float z) {
  const Vector3 s(x, y, z == 0.0f ? 1.0f : z);
  if (s == scale_) return;
  scale_ = s;
  transformChanged();
}

void CNode::setSkew(float x, float y) {
  if (x == skewX_ && y == skewY_) return;
  skewX_ = x;
  skewY_ = y;
  rebuildSkewMatrix();
  transformChanged();
}

void CNode::setAnchor(float x, float y) {
  if (x == anchorX_ && y == anchorY_) return;
  anchorX_ = x;
  anchorY_ = y;
  transformChanged();
}

void CNode::rotateBy(float dx, float dy, float dz) {
  setRotation(rotation_.x + dx, rotation_.y + dy, rotation_.z + dz);
}

void CNode::moveBy(float dx, float dy, float dz) {
  setPosition(position_.x + dx, position_.y + dy, position_.z + dz);
}

void CNode::scaleBy(float fx, float fy, float fz) { setScale(scale_.x * fx, scale_.y * fy, scale_.z * fz); }

void CNode::skewBy(float dx, float dy) {
  if (dx == 0.0f && dy == 0.0f) return;
  skewX_ += dx;
  skewY_ += dy;
  rebuildSkewMatrix();
  transformChanged();
}

void CNode::transformChanged() {
  matrixDirty_ = true;
  boundsDirty_ = true;
  updateHasTransform();
}

void CNode::rebuildSkewMatrix() {
  skewMatrix_.setSkew(skewX_, skewY_);
  skewIsIdentity_ = skewMatrix_.isIdentity();
}

// local = T(position) T(-anchor) Rx Ry Rz K S T(+anchor), each identity step
// left out, in the order and float arithmetic of the OpenGL matrix stack.
void CNode::updateLocalMatrix() {
  Matrix4 m = Matrix4::identity();
  const bool anchored = anchorX_ != 0.0f || anchorY_ != 0.0f;
  if (position_.x != 0.0f || position_.y != 0.0f || position_.z != 0.0f) {
    m.translate(position_.x, position_.y, position_.z);
  }
  if (anchored) m.translate(-anchorX_, -anchorY_, 0.0f);
  if (rotation_.x != 0.0f) m.rotateX(rotation_.x);
  if (rotation_.y != 0.0f) m.rotateY(rotation_.y);
  if (rotation_.z != 0.0f) m.rotateZ(rotation_.z);
  if (!skewIsIdentity_) m.multiply(skewMatrix_);
  if (scale_.x != 1.0f || scale_.y != 1.0f || scale_.z != 1.0f) m.scale(scale_.x, scale_.y, scale_.z);
  if (anchored) m.translate(anchorX_, anchorY_, 0.0f);
  localMatrix_ = m;
  matrixDirty_ = false;
}

const Matrix4& CNode::getLocalMatrix() {
  if (matrixDirty_) updateLocalMatrix();
  return localMatrix_;
}

// ---------------------------------------------------------------------------
// Visibility and colour

void CNode::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  boundsDirty_ = true;
}

void CNode::setChildrenVisible(bool visible) {
  for (CNode* child : children_) child->setVisible(visible);
}

void CNode::setColor(float r, float g, float b, float a) {
  if (r == -1.0f) {
    color_.r = -1.0f;
    return;
  }
  color_.r = r / 255.0f;
  color_.g = g / 255.0f;
  color_.b = b / 255.0f;
  color_.a = a / 255.0f;
}

ColorRGBA& CNode::currentColor() { return gCurrentColor; }

// rgb is replaced, alpha multiplies down the tree.
void CNode::applyColor() {
  savedColor_ = gCurrentColor;
  gCurrentColor.r = color_.r;
  gCurrentColor.g = color_.g;
  gCurrentColor.b = color_.b;
  gCurrentColor.a = gCurrentColor.a * color_.a;
}

void CNode::restoreColor() {
  gCurrentColor = savedColor_;
  backend().color4f(savedColor_.r, savedColor_.g, savedColor_.b, savedColor_.a);
}

// ---------------------------------------------------------------------------
// Traversals by tag

TraversalMark CNode::newTraversalMark() { return ++gLastMark; }

void CNode::showFrameByTag(int tag, int frame) { showFrameByTagVisit(tag, frame, newTraversalMark()); }

void CNode::showFrameByTagVisit(int tag, int frame, TraversalMark mark) {
  if (tagMark_ == mark) return;
  tagMark_ = mark;
  if (tag_ == tag) {
    for (CNode* child : children_) child->showFrame(frame);
  }
  for (CNode* child : children_) child->showFrameByTagVisit(tag, frame, mark);
}

void CNode::setColorByTag(int tag, float r, float g, float b, float a) {
  setColorByTagVisit(tag, r, g, b, a, newTraversalMark());
}

void CNode::setColorByTagVisit(int tag, float r, float g, float b, float a, TraversalMark mark) {
  if (colorMark_ == mark) return;
  colorMark_ = mark;
  if (tag_ == tag) setColor(r, g, b, a);
  for (CNode* child : children_) child->setColorByTagVisit(tag, r, g, b, a, mark);
}

void CNode::setVisibleByTag(bool visible, int tag) { setVisibleByTagVisit(visible, tag, newTraversalMark()); }

void CNode::setVisibleByTagVisit(bool visible, int tag, TraversalMark mark) {
  if (tagMark_ == mark) return;
  tagMark_ = mark;
  if (tag_ == tag) setVisible(visible);
  for (CNode* child : children_) child->setVisibleByTagVisit(visible, tag, mark);
}

CNode* CNode::queryVisibleChildren() {
  if (isTransparent() || !visible_) return nullptr;
  for (CNode* child : children_) {
    if (CNode* found = child->queryVisibleChildren()) return found;
  }
  return nullptr;
}

CNode* CNode::findVisibleByTag(int tag) {
  if (!visible_) return nullptr;
  if (tag_ == tag) return this;
  for (CNode* child : children_) {
    if (CNode* found = child->findVisibleByTag(tag)) return found;
  }
  return nullptr;
}

CNode* CNode::findByTag(int tag) {
  if (tag_ == tag) return this;
  for (CNode* child : children_) {
    if (CNode* found = child->findByTag(tag)) return found;
  }
  return nullptr;
}

void CNode::collectTouchTargets(NodeList& list) {
  if (!visible_) return;
  for (CNode* child : children_) child->collectTouchTargets(list);
}

void CNode::setSelectorTag(int /*tag*/) {}

void CNode::unloadTextures() {
  for (CNode* child : children_) child->unloadTextures();
}

void CNode::unloadLargeTextures() {
  for (CNode* child : children_) child->unloadLargeTextures();
}

void CNode::setOpaque(bool opaque) {
  for (CNode* child : children_) child->setOpaque(opaque);
}

bool CNode::isOpaque() {
  for (CNode* child : children_) {
    if (!child->isOpaque()) return false;
  }
  return true;
}

void CNode::refreshLocalizedText() {
  for (CNode* child : children_) child->refreshLocalizedText();
}

// ---------------------------------------------------------------------------
// Animation

void CNode::applyPoseTo(CNode* node, const KeyframeTransform& pose) {
  node->setScale(pose.scale.x, pose.scale.y, pose.scale.z);
  node->setPosition(pose.position.x, pose.position.y, pose.position.z);
  node->setRotation(0.0f, 0.0f, pose.rotationZ);
  node->setSkew(pose.skewX, pose.skewY);
  node->setColor(255.0f + pose.colorOffsetR, 255.0f + pose.colorOffsetG, 255.0f + pose.colorOffsetB,
                 255.0f + pose.alphaOffset);
}

// An animated node is a group: its children take the pose, it stays put.
void CNode::applyAnimation() {
  if (animation_.getFrameCount() == 0) return;
  const KeyframeTransform pose = animation_.interpolate();
  for (CNode* child : children_) applyPoseTo(child, pose);
}

void CNode::showFrame(int frame) {
  animation_.pauseAt(frame);
  applyAnimation();
  boundsDirty_ = true;
}

bool CNode::showFrameOnFirstAnimated(int frame) {
  if (animation_.getFrameCount() > 0) {
    showFrame(frame);
    return true;
  }
  for (CNode* child : children_) {
    if (child->showFrameOnFirstAnimated(frame)) return true;
  }
  return false;
}

void CNode::playAnimation(int loops) {
  animation_.play(loops);
  animationDirty_ = true;
}

void CNode::resumeAnimation() {
  animation_.resume();
  animationDirty_ = true;
}

void CNode::stopAnimation() {
  animation_.stop();
  animationDirty_ = true;
}

void CNode::playAnimationRecursive(int loops) {
  playAnimation(loops);
  for (CNode* child : children_) child->playAnimationRecursive(loops);
}

void CNode::stopAnimationRecursive() {
  stopAnimation();
  for (CNode* child : children_) child->stopAnimationRecursive();
}

void CNode::stopAnimationByTag(int tag) {
  if (tag_ != tag) return;
  stopAnimation();
  for (CNode* child : children_) child->stopAnimationByTag(tag);
}

void CNode::playAnimationByTag(int tag, int loops, bool recursive) {
  if (tag_ != tag) {
    for (CNode* child : children_) child->playAnimationByTag(tag, loops, recursive);
    return;
  }
  playAnimation(loops);
  for (CNode* child : children_) {
    if (recursive) {
      child->playAnimationRecursive(loops);
    } else {
      child->playAnimation(loops);
    }
  }
}

void CNode::playAnimationByTagDeep(int tag, int loops, bool recursive) {
  if (tag_ == tag) {
    playAnimation(loops);
    for (CNode* child : children_) {
      if (recursive) {
        child->playAnimationRecursive(loops);
      } else {
        child->playAnimation(loops);
      }
    }
  }
  for (CNode* child : children_) child->playAnimationByTagDeep(tag, loops, recursive);
}

void CNode::playAndShowFrameByTag(int tag, int frame, int loops) {
  playAnimationByTagDeep(tag, loops, true);
  showFrameByTag(tag, frame);
}

void CNode::addAnimationSegment(const CPath& path) {
  const bool hadFrames = animation_.getFrameCount() > 0;
  animation_.addSegment(path);
  if (!hadFrames) applyAnimation();
}

// A transparent node is never updated, so animations below it never advance:
// it must not report them as running, or a wait for them would never end.
bool CNode::isAnimating() {
  if (!visible_ || isTransparent()) return false;
  if (animation_.isPlaying()) return true;
  for (CNode* child : children_) {
    if (child->isAnimating()) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Update

void CNode::update(int dtMs) { updateVisit(dtMs, newTraversalMark()); }

bool CNode::updateVisit(int dtMs, TraversalMark mark) {
  bool result = false;
  if (!beginUpdateVisit(dtMs, mark, result)) return result;
  return finishUpdateVisit(children_, dtMs, mark);
}

bool CNode::beginUpdateVisit(int dtMs, TraversalMark mark, bool& result) {
  if (!visible_) {
    updateMark_ = mark;
    result = boundsDirty_;
    return false;
  }
  if (isTransparent()) {
    result = false;
    return false;
  }
  if (updateMark_ == mark) {
    result = boundsDirty_;
    return false;
  }
  updateMark_ = mark;
  if (animation_.isPlaying()) {
    animation_.advance(dtMs);
    applyAnimation();
    animationDirty_ = false;
  }
  return true;
}

bool CNode::finishUpdateVisit(const NodeList& list, int dtMs, TraversalMark mark) {
  for (CNode* child : list) {
    if (child->updateVisit(dtMs, mark)) boundsDirty_ = true;
  }
  if (matrixDirty_) updateLocalMatrix();
  return boundsDirty_;
}

// ---------------------------------------------------------------------------
// Draw

NodeDrawBackend CNode::defaultDrawBackend() {
  return NodeDrawBackend{&glPushEntry, &glPopEntry, &glMultEntry, &glColorEntry};
}

NodeDrawBackend CNode::setDrawBackend(const NodeDrawBackend& b) {
  NodeDrawBackend old = backend();
  backend() = b;
  return old;
}

const NodeDrawBackend& CNode::drawBackend() { return backend(); }

void CNode::draw(bool pass, bool push) { drawOver(children_, pass, push); }

void CNode::drawOver(const NodeList& list, bool pass, bool push) {
  if (!visible_ || isTransparent()) return;
  if (animationDirty_) {
    applyAnimation();
    animationDirty_ = false;
  }
  DrawFrame frame = beginDrawTransform(push);
  beginDrawColor(frame);
  drawChildList(list, pass, push, frame);
  endDraw(frame);
}

CNode::DrawFrame CNode::beginDrawTransform(bool push) {
  DrawFrame frame;
  if (!hasTransform_) return frame;
  if (matrixDirty_) updateLocalMatrix();
  if (push) {
    backend().pushMatrix();
    frame.pushed = true;
  }
  backend().multMatrix(localMatrix_.data());
  return frame;
}

void CNode::beginDrawColor(DrawFrame& frame) {
  if (!hasOwnColor()) return;
  applyColor();
  backend().color4f(gCurrentColor.r, gCurrentColor.g, gCurrentColor.b, gCurrentColor.a);
  frame.coloured = true;
}

void CNode::drawChildList(const NodeList& list, bool pass, bool push, const DrawFrame& frame) {
  // A single child may multiply into this node's matrix: nothing after it needs
  // the matrix back. Siblings each need their own copy.
  const bool childPush = (push && !frame.pushed) || list.size() >= 2;
  for (CNode* child : list) child->draw(pass, childPush);
}

void CNode::endDraw(const DrawFrame& frame) {
  if (frame.coloured) restoreColor();
  if (frame.pushed) backend().popMatrix();
}

// ---------------------------------------------------------------------------
// Bounds and hit test

BoundingRect* CNode::getBoundingBox() { return boundingBoxOver(children_); }

BoundingRect* CNode::boundingBoxOver(const NodeList& list) {
  if (!visible_) return nullptr;
  if (!boundsDirty_ && box_.minX != BoundingRect::kEmptyMin) return &box_;
  boundsDirty_ = false;
  box_.setEmpty();
  for (CNode* child : list) {
    if (const BoundingRect* childBox = child->getBoundingBox()) unionRect(box_, &box_, childBox);
  }
  if (box_.isEmpty()) return nullptr;
  if (hasTransform_) mapBoxThroughLocalMatrix();
  return &box_;
}

void CNode::mapBoxThroughLocalMatrix() {
  if (matrixDirty_) updateLocalMatrix();
  const BoundingRect in = box_;
  const Vector3 corners[4] = {
      {in.minX, in.minY, 0.0f}, {in.minX, in.maxY, 0.0f}, {in.maxX, in.minY, 0.0f}, {in.maxX, in.maxY, 0.0f}};
  box_.setEmpty();
  for (const Vector3& c : corners) {
    const Vector3 p = transformPoint(localMatrix_, c);
    box_.addPoint(p.x, p.y);
  }
}

bool CNode::containsPoint(int x, int y) {
  const BoundingRect* box = getBoundingBox();
  if (box == nullptr) return false;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  return box->minX <= fx && fx <= box->maxX && box->minY <= fy && fy <= box->maxY;
}

}  // namespace RenderEngine
