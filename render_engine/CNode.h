#pragma once
// The scene-graph node. Every drawable, physics node and game object derives
// from it. A node owns its children (drawn and visited in order), turns its
// transform into a cached local matrix, multiplies its own colour into the one it
// inherits, and hands its animation's pose to its children.
//
// Units are the 480x320 point space, angles degrees, times milliseconds. Game
// thread only: the process-wide values below are unguarded.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render_engine/IRenderEngineItem.h"
#include "render_engine/Math.h"
#include "render_engine/NodeAnimation.h"

namespace RenderEngine {

class CNode;
using NodeList = std::vector<CNode*>;

// Colour channels 0..1.
struct ColorRGBA {
  float r = 1.0f;
  float g = 1.0f;
  float b = 1.0f;
  float a = 1.0f;
  bool operator==(const ColorRGBA& o) const = default;
};

// Identifies one traversal of a tree. Every entry operation (update, the
// requests by tag) takes a new mark, and a node acts at most once per mark. A
// node never visited holds 0, which no traversal uses, so a node added to a tree
// is reached by the next traversal whatever happened before.
using TraversalMark = std::uint64_t;

// The OpenGL calls a node's draw makes; tests and benchmarks substitute their own.
struct NodeDrawBackend {
  void (*pushMatrix)();
  void (*popMatrix)();
  void (*multMatrix)(const float* columnMajor16);
  void (*color4f)(float r, float g, float b, float a);
};

class CNode : public IRenderEngineItem {
 public:
  CNode();
  // Copies the node and clones its subtree. A child reached twice in the
  // source (shared by two parents) is cloned once and shared in the copy too.
  CNode(const CNode& other);
  CNode& operator=(const CNode&) = delete;
  ~CNode() override;

  // --- virtual operations -------------------------------------------------
  virtual void applyAnimation();
  virtual void updateLocalMatrix();
  virtual void showFrameByTag(int tag, int frame);
  virtual void showFrameByTagVisit(int tag, int frame, TraversalMark mark);
  // Channels 0..255.
  virtual void setColorByTag(int tag, float r, float g, float b, float a);
  virtual void setColorByTagVisit(int tag, float r, float g, float b, float a, TraversalMark mark);
  virtual void setVisibleByTagVisit(bool visible, int tag, TraversalMark mark);
  virtual CNode* queryVisibleChildren();
  virtual void addChild(CNode* node);
  // Takes the node out (first occurrence) without deleting it; the caller owns it.
  virtual void removeChild(CNode* node);
  virtual void deleteChild(CNode* node);
  virtual void setRotation(float x, float y, float z);
  virtual void setPosition(float x, float y, float z);
  virtual void setScale(float x, float y, float z);
  virtual void setSkew(float x, float y);
  virtual void setAnchor(float x, float y);
  virtual void rotateBy(float dx, float dy, float dz);
  virtual void moveBy(float dx, float dy, float dz);
  virtual void scaleBy(float fx, float fy, float fz);
  virtual void skewBy(float dx, float dy);
  virtual void setVisible(bool visible);
  virtual void setChildrenVisible(bool visible);
  // One node's per-frame update; returns whether its bounds changed. A caller
  // that drives the visit itself passes a mark from newTraversalMark().
  virtual bool updateVisit(int dtMs, TraversalMark mark);
  virtual void update(int dtMs);
  // Channels 0..255; a red of -1 means no colour of its own (inherit).
  virtual void setColor(float r, float g, float b, float a);
  // pass is handed down unchanged; push asks the node to keep the caller's
  // matrix intact.
  virtual void draw(bool pass, bool push);
  virtual CNode* clone() const;
  virtual void showFrame(int frame);
  virtual bool showFrameOnFirstAnimated(int frame);
  virtual void setSelectorTag(int tag);
  virtual void collectTouchTargets(NodeList& list);
  virtual CNode* getParent() const;
  virtual void collectByTag(NodeList& list, int tag);
  // The cached bounds in the parent's space; null for an invisible node or one
  // without extent. The pointer stays valid while the node lives.
  virtual BoundingRect* getBoundingBox();
  virtual void playAnimation(int loops);
  virtual void resumeAnimation();
  virtual void playAnimationRecursive(int loops);
  virtual CNode* findVisibleByTag(int tag);
  virtual CNode* findByTag(int tag);
  virtual bool isAnimating();
  virtual void unloadTextures();
  virtual void unloadLargeTextures();
  // Null when the index is out of range.
  virtual CNode* getChild(int index) const;
  virtual void setOpaque(bool opaque);
  virtual bool isOpaque();
  // Edges included.
  virtual bool containsPoint(int x, int y);
  virtual void refreshLocalizedText();
  // Order within a batch deletion, lowest first. Nodes whose destruction touches
  // objects owned by other nodes (a physics joint unhooks itself from the two
  // bodies it binds) answer 0 so they go before those owners; others answer 1.
  virtual int deletionRank() const { return 1; }

  // --- non-virtual operations -------------------------------------------
  void setVisibleByTag(bool visible, int tag);
  void reserveChildren(std::size_t n);
  bool isTransparent() const { return hasOwnColor() && color_.a == 0.0f; }
  bool isVisible() const { return visible_; }
  bool isAnimationPlaying() const { return animation_.isPlaying(); }
  void applyColor();
  void restoreColor();
  void updateHasTransform();
  void stopAnimation();
  void stopAnimationRecursive();
  // Acts only when this node carries the tag, and then descends through its
  // children; an untagged node stops the search (unlike playAnimationByTag).
  void stopAnimationByTag(int tag);
  void playAnimationByTag(int tag, int loops, bool recursive);
  void playAnimationByTagDeep(int tag, int loops, bool recursive);
  void playAndShowFrameByTag(int tag, int frame, int loops);
  void setAnimationLoopStart(int frame) { animation_.setLoopStart(frame); }
  void addAnimationSegment(const CPath& path);
  void clearCloneLinks();
  // A fresh copy of the subtree (clone links cleared first).
  CNode* duplicate();
  // This node, then every descendant, pre-order.
  void collectAll(NodeList& list);
  // Deletes every descendant once, even those reachable by two paths.
  void deleteChildren();

  // --- accessors ----------------------------------------------------------
  int getTag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  const Vector3& getPosition() const { return position_; }
  const Vector3& getRotation() const { return rotation_; }
  const Vector3& getScale() const { return scale_; }
  float getSkewX() const { return skewX_; }
  float getSkewY() const { return skewY_; }
  float getAnchorX() const { return anchorX_; }
  float getAnchorY() const { return anchorY_; }
  bool hasTransform() const { return hasTransform_; }
  bool hasOwnColor() const { return color_.r != -1.0f; }
  const ColorRGBA& getColor() const { return color_; }
  const Matrix4& getSkewMatrix() const { return skewMatrix_; }
  // The local matrix, rebuilt first when stale.
  const Matrix4& getLocalMatrix();
  const NodeList& getChildren() const { return children_; }
  std::size_t getChildCount() const { return children_.size(); }
  CNode* getCloneLink() const { return cloneLink_; }
  NodeAnimation& getAnimation() { return animation_; }
  const NodeAnimation& getAnimation() const { return animation_; }
  bool isMatrixDirty() const { return matrixDirty_; }
  bool isBoundsDirty() const { return boundsDirty_; }
  bool isAnimationDirty() const { return animationDirty_; }

  // --- process-wide -------------------------------------------------------
  // The colour in force while a tree is drawn (starts 1, 1, 1, 1).
  static ColorRGBA& currentColor();
  // True while a batch deletion runs: destructors must then leave their
  // children alone (they are in the batch).
  static bool bulkDeleteInProgress();
  // True once a batch deletion has taken this node.
  bool isInDeletionBatch() const { return inBatch_; }
  // Deletes every node of the given trees exactly once, ranked by
  // deletionRank(); the roots must be detached or their parents dying too.
  static void deleteTrees(const NodeList& roots);
  static TraversalMark newTraversalMark();
  static NodeDrawBackend setDrawBackend(const NodeDrawBackend& backend);
  static NodeDrawBackend defaultDrawBackend();
  static const NodeDrawBackend& drawBackend();

 protected:
  // Steps of draw, update and bounds for kinds that visit only some children
  // or add a step between the node's own work and its children's.
  struct DrawFrame {
    bool pushed = false;    // glPushMatrix was issued and must be popped
    bool coloured = false;  // own colour applied and must be restored
  };
  // Step 3 of draw: multiplies the local matrix, pushing first when asked.
  DrawFrame beginDrawTransform(bool push);
  // Applies the own colour when there is one.
  void beginDrawColor(DrawFrame& frame);
  // Draws the list, asking each to push when this node was asked to but pushed
  // nothing itself, or when the list holds two or more nodes.
  void drawChildList(const NodeList& list, bool pass, bool push, const DrawFrame& frame);
  void endDraw(const DrawFrame& frame);
  // The whole base draw over the given children.
  void drawOver(const NodeList& list, bool pass, bool push);

  // Steps 1-4 of the update visit. False when the visit ends here, with the
  // answer in result.
  bool beginUpdateVisit(int dtMs, TraversalMark mark, bool& result);
  // Steps 5-7: visit the list, rebuild a stale matrix, answer bounds-dirty.
  bool finishUpdateVisit(const NodeList& list, int dtMs, TraversalMark mark);

  // The base bounds over the given children.
  BoundingRect* boundingBoxOver(const NodeList& list);
  // Replaces box_ by the bounds of its corners through the local matrix.
  void mapBoxThroughLocalMatrix();

  // Called whenever children have left the child list, however they left
  // (removed, deleted one by one or all at once, dying on their own, taken
  // by a batch deletion), before any of them is deleted: kinds that keep
  // their own lists of children drop what is no longer a child. Not called
  // while this node itself is being destroyed.
  virtual void childrenLeft() {}

  // Puts a pose on a node: scale, position, z rotation, skew, colour.
  static void applyPoseTo(CNode* node, const KeyframeTransform& pose);

  BoundingRect box_;
  Vector3 position_;
  int tag_ = -1;
  NodeList children_;
  Vector3 scale_{1.0f, 1.0f, 1.0f};
  Vector3 rotation_;
  float skewX_ = 0.0f;
  float skewY_ = 0.0f;
  float anchorX_ = 0.0f;
  float anchorY_ = 0.0f;
  ColorRGBA color_{-1.0f, 1.0f, 1.0f, 1.0f};
  ColorRGBA savedColor_;
  Matrix4 localMatrix_ = Matrix4::identity();
  CNode* parent_ = nullptr;
  mutable CNode* cloneLink_ = nullptr;
  Matrix4 skewMatrix_ = Matrix4::identity();
  bool skewIsIdentity_ = true;
  bool visible_ = true;
  TraversalMark updateMark_ = 0;
  TraversalMark colorMark_ = 0;
  TraversalMark tagMark_ = 0;
  bool matrixDirty_ = true;
  bool hasTransform_ = false;
  bool boundsDirty_ = true;
  bool animationDirty_ = false;
  NodeAnimation animation_;
  // Set when a batch deletion has taken this node; its destructor then leaves
  // the children to the batch.
  bool inBatch_ = false;

 private:
  void rebuildSkewMatrix();
  // After a change of position, rotation, scale, skew or anchor.
  void transformChanged();
  static void clearCloneLinksOf(const CNode& root);
  // Drops every entry of node from the children (node is dying).
  void forgetChild(CNode* node);
};

}  // namespace RenderEngine
