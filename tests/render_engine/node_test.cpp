// The scene node without a display: transforms and the software local matrix,
// colour inheritance and the draw discipline (through a recording draw backend),
// bounds and hit tests, clones, traversals by tag, animation and deletion.
#include "render_engine/CNode.h"
#include "support/BoxNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace RenderEngine;

namespace {

using qmtest::BoxNode;

// Records its destruction; rank 0 stands in for a physics joint.
std::vector<std::string> g_deleted;
bool g_sawBulkFlag = false;
class CountedNode : public CNode {
 public:
  explicit CountedNode(std::string name, int rank = 1) : name_(std::move(name)), rank_(rank) {}
  ~CountedNode() override {
    g_deleted.push_back(name_);
    if (bulkDeleteInProgress()) g_sawBulkFlag = true;
  }
  int deletionRank() const override { return rank_; }
  CNode* clone() const override { return new CountedNode(*this); }

 private:
  std::string name_;
  int rank_;
};

// Records the draw calls.
std::vector<std::string> g_gl;
void recPush() { g_gl.push_back("push"); }
void recPop() { g_gl.push_back("pop"); }
void recMult(const float* m) { g_gl.push_back("mult " + std::to_string(static_cast<int>(m[12]))); }
void recColor(float r, float g, float b, float a) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "color %.2f %.2f %.2f %.3f", r, g, b, a);
  g_gl.push_back(buf);
}

class NodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_gl.clear();
    g_deleted.clear();
    g_sawBulkFlag = false;
    old_ = CNode::setDrawBackend(NodeDrawBackend{&recPush, &recPop, &recMult, &recColor});
    CNode::currentColor() = ColorRGBA{1, 1, 1, 1};
  }
  void TearDown() override { CNode::setDrawBackend(old_); }
  NodeDrawBackend old_{};
};

// A new plain node under parent, tagged when tag is not -1.
CNode* under(CNode* parent, int tag = -1) {
  auto* n = new CNode;
  n->setTag(tag);
  parent->addChild(n);
  return n;
}

CPath moveSegment(std::uint16_t frames, Vector3 from, Vector3 to) {
  KeyframeTransform a, b;
  a.position = from;
  b.position = to;
  a.scale = b.scale = Vector3(1, 1, 1);
  CPath p(frames);
  p.addPoint(a);
  p.addPoint(b);
  return p;
}

}  // namespace

TEST_F(NodeTest, RotationWrapsAndNeverHangs) {
  CNode n;
  n.setRotation(-90, 370, 720);
  EXPECT_EQ(n.getRotation(), Vector3(270, 10, 0));
  n.setRotation(1e12f, -1e30f, std::numeric_limits<float>::infinity());
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(n.getRotation()[i] >= 0.0f && n.getRotation()[i] < 360.0f) << i;
  EXPECT_EQ(n.getRotation().z, 0.0f);
  n.setRotation(std::nanf(""), -1e-9f, 0);
  EXPECT_EQ(n.getRotation(), Vector3(0, 0, 0));
  n.rotateBy(0, 0, -30);
  EXPECT_EQ(n.getRotation().z, 330.0f);
}

TEST_F(NodeTest, SettersSkipEqualValuesAndTrackHasTransform) {
  CNode n;
  n.setScale(2, 2, 0);
  EXPECT_EQ(n.getScale(), Vector3(2, 2, 1));
  EXPECT_TRUE(n.hasTransform());
  (void)n.getLocalMatrix();
  (void)n.getBoundingBox();
  n.setScale(2, 2, 1);
  n.setPosition(0, 0, 0);
  n.setRotation(360, 0, 0);  // wraps to the stored 0
  n.setSkew(0, 0);
  n.setAnchor(0, 0);
  n.skewBy(0, 0);
  EXPECT_FALSE(n.isMatrixDirty());
  n.moveBy(1, 0, 0);
  EXPECT_TRUE(n.isMatrixDirty());
  EXPECT_TRUE(n.isBoundsDirty());

  CNode other;
  other.setAnchor(5, 5);  // an anchor alone moves nothing
  EXPECT_FALSE(other.hasTransform());
  other.skewBy(10, 0);
  EXPECT_TRUE(other.hasTransform());
  other.skewBy(-10, 0);
  EXPECT_FALSE(other.hasTransform());
}

TEST_F(NodeTest, LocalMatrixOrder) {
  // local = T(pos) T(-anchor) Rz K S T(+anchor)
  CNode n;
  n.setPosition(100, 50, 0);
  n.setAnchor(10, 0);
  n.setRotation(0, 0, 90);
  n.setScale(2, 3, 1);
  // (0, 1): +anchor (10, 1); scale (20, 3); rotate 90 (-3, 20); -anchor (-13, 20); +pos (87, 70)
  const Vector3 p = transformPoint(n.getLocalMatrix(), Vector3(0, 1, 0));
  EXPECT_NEAR(p.x, 87.0f, 1e-4f);
  EXPECT_NEAR(p.y, 70.0f, 1e-4f);

  // Skew sits between rotation and scale: (0, 1) scaled to (0, 2), sheared by
  // 30 degrees about x to (-1, 2 cos 30), then moved.
  CNode s;
  s.setPosition(5, 0, 0);
  s.setSkew(30, 0);
  s.setScale(1, 2, 1);
  const Vector3 q = transformPoint(s.getLocalMatrix(), Vector3(0, 1, 0));
  EXPECT_NEAR(q.x, 5.0f - 1.0f, 1e-5f);
  EXPECT_NEAR(q.y, 2.0f * std::cos(30.0f * kPi / 180.0f), 1e-5f);
}

TEST_F(NodeTest, OwnColourInheritanceAndDraw) {
  CNode root;
  CNode* parent = under(&root);
  CNode* child = under(parent);
  CNode* inherit = under(parent);
  parent->setColor(255, 0, 0, 127.5f);
  child->setColor(0, 255, 0, 127.5f);
  inherit->setColor(-1, 0, 0, 0);  // no colour of its own: draws in the parent's
  EXPECT_FALSE(inherit->isTransparent());
  root.draw(true, true);
  const std::vector<std::string> want{"color 1.00 0.00 0.00 0.500", "color 0.00 1.00 0.00 0.250",
                                      "color 1.00 0.00 0.00 0.500", "color 1.00 1.00 1.00 1.000"};
  EXPECT_EQ(g_gl, want);
  EXPECT_EQ(CNode::currentColor(), (ColorRGBA{1, 1, 1, 1}));
}

TEST_F(NodeTest, TransparentNodeIsNeitherUpdatedNorDrawnNorAnimating) {
  CNode root;
  CNode* ghost = under(&root);
  CNode* below = under(ghost);
  ghost->addAnimationSegment(moveSegment(10, Vector3(0, 0, 0), Vector3(10, 0, 0)));
  below->addAnimationSegment(moveSegment(10, Vector3(0, 0, 0), Vector3(10, 0, 0)));
  ghost->setColor(255, 0, 0, 0);
  ghost->playAnimationRecursive(-1);
  EXPECT_FALSE(root.isAnimating());  // nothing under it would ever advance
  root.update(100);
  EXPECT_EQ(ghost->getAnimation().getFrame(), 0);
  EXPECT_EQ(below->getAnimation().getFrame(), 0);
  root.draw(true, true);
  EXPECT_TRUE(g_gl.empty());

  ghost->setColor(255, 0, 0, 255);
  EXPECT_TRUE(root.isAnimating());
  ghost->setVisible(false);
  EXPECT_FALSE(root.isAnimating());
}

TEST_F(NodeTest, DrawPushesOnlyWhereASiblingWouldSeeTheMatrix) {
  // root (pushed by caller) -> a (moved 1) -> b (moved 2)   single chain
  //                          -> c (moved 3), d (moved 4)    under b: two children
  CNode root;
  CNode* a = under(&root);
  CNode* b = under(a);
  a->setPosition(1, 0, 0);
  b->setPosition(2, 0, 0);
  under(b)->setPosition(3, 0, 0);
  under(b)->setPosition(4, 0, 0);
  root.draw(false, true);
  // root has no transform: it asks a to push. a pushes, so b multiplies into
  // a's matrix. b has two children: each pushes its own.
  const std::vector<std::string> want{"push", "mult 1", "mult 2", "push", "mult 3",
                                      "pop",  "push",   "mult 4", "pop",  "pop"};
  EXPECT_EQ(g_gl, want);

  g_gl.clear();
  CNode bare;
  bare.draw(false, true);
  EXPECT_TRUE(g_gl.empty());  // nothing to multiply: no push either
}

TEST_F(NodeTest, BoundsAndHitTestsOnRotatedAndScaledNodes) {
  CNode bare;
  EXPECT_EQ(bare.getBoundingBox(), nullptr);
  EXPECT_FALSE(bare.containsPoint(0, 0));

  CNode group;
  auto* box = new BoxNode(10, 10);
  group.addChild(box);
  box->setPosition(15, 15, 0);  // 10..20 x 10..20
  EXPECT_TRUE(group.containsPoint(10, 20));
  EXPECT_TRUE(group.containsPoint(20, 10));
  EXPECT_FALSE(group.containsPoint(21, 15));

  // The group's transform maps the union of its children: rotate 90 then scale 2.
  CNode turned;
  auto* wide = new BoxNode(20, 10);  // -10..10 x -5..5
  turned.addChild(wide);
  turned.setRotation(0, 0, 90);
  turned.setScale(2, 2, 1);
  turned.setPosition(100, 100, 0);
  const BoundingRect* r = turned.getBoundingBox();
  ASSERT_NE(r, nullptr);
  EXPECT_NEAR(r->minX, 90.0f, 1e-4f);
  EXPECT_NEAR(r->maxX, 110.0f, 1e-4f);
  EXPECT_NEAR(r->minY, 80.0f, 1e-4f);
  EXPECT_NEAR(r->maxY, 120.0f, 1e-4f);

  // A moved child refreshes the parent's box at the next update.
  wide->setPosition(50, 0, 0);
  turned.update(0);
  r = turned.getBoundingBox();
  EXPECT_NEAR(r->minY, 180.0f, 1e-4f);

  // Removing a child drops its area at once.
  CNode two;
  auto* left = new BoxNode(2, 2);
  auto* right = new BoxNode(2, 2);
  left->setPosition(-10, 0, 0);
  right->setPosition(10, 0, 0);
  two.addChild(left);
  two.addChild(right);
  EXPECT_TRUE(two.containsPoint(10, 0));
  two.removeChild(right);
  EXPECT_FALSE(two.containsPoint(10, 0));
  EXPECT_EQ(right->getParent(), nullptr);
  delete right;

  // Invisible nodes have no box.
  two.setVisible(false);
  EXPECT_EQ(two.getBoundingBox(), nullptr);
}

TEST_F(NodeTest, ChildrenAccessAndDeletion) {
  CNode root;
  auto* a = new CountedNode("a");
  root.addChild(a);
  EXPECT_EQ(root.getChild(1), nullptr);
  EXPECT_EQ(root.getChild(-1), nullptr);
  root.addChild(nullptr);
  root.addChild(&root);  // ignored: a node under itself would never end a walk
  EXPECT_EQ(root.getChildCount(), 1u);
  CNode stranger;
  root.removeChild(&stranger);  // not a child: nothing happens
  root.deleteChild(&stranger);
  root.deleteChild(a);
  EXPECT_EQ(root.getChildCount(), 0u);
  EXPECT_EQ(g_deleted, std::vector<std::string>{"a"});
}

TEST_F(NodeTest, BulkDeletionDeletesSharedNodesOnceAndJointsFirst) {
  {
    auto* root = new CNode;
    auto* p1 = new CountedNode("p1");
    auto* p2 = new CountedNode("p2");
    auto* shared = new CountedNode("shared");
    auto* joint = new CountedNode("joint", 0);
    auto* body = new CountedNode("body");
    root->addChild(body);
    root->addChild(p1);
    root->addChild(p2);
    p1->addChild(shared);
    p2->addChild(shared);  // reachable by two paths
    p2->addChild(joint);
    delete root;
  }
  ASSERT_EQ(g_deleted.size(), 5u);
  EXPECT_EQ(g_deleted.front(), "joint");
  EXPECT_EQ(std::count(g_deleted.begin(), g_deleted.end(), "shared"), 1);
  EXPECT_TRUE(g_sawBulkFlag);
  EXPECT_FALSE(CNode::bulkDeleteInProgress());

  // deleteTrees over several roots with overlapping subtrees.
  g_deleted.clear();
  auto* r1 = new CountedNode("r1");
  auto* r2 = new CountedNode("r2");
  auto* j = new CountedNode("j", 0);
  r1->addChild(j);
  r2->addChild(j);
  CNode::deleteTrees({r2, r1, nullptr, r1});
  EXPECT_EQ(g_deleted.size(), 3u);
  EXPECT_EQ(g_deleted.front(), "j");
}

// A node that owns a subtree outside its children, as a joint owns the end
// pieces it draws: its destructor deletes them itself.
class OwnerNode : public CountedNode {
 public:
  explicit OwnerNode(std::string name, int rank) : CountedNode(std::move(name), rank) {
    owned_ = new CountedNode("owned");
    owned_->addChild(new CountedNode("ownedChild"));
  }
  ~OwnerNode() override { delete owned_; }

 private:
  CNode* owned_;
};

TEST_F(NodeTest, NodesDeletedByAnOwnerDuringABatchTakeTheirSubtree) {
  auto* root = new CNode;
  root->addChild(new OwnerNode("joint", 0));
  root->addChild(new CountedNode("body"));
  delete root;  // a batch; the owned subtree is not part of it
  std::sort(g_deleted.begin(), g_deleted.end());
  EXPECT_EQ(g_deleted, (std::vector<std::string>{"body", "joint", "owned", "ownedChild"}));
}

// A node whose copy constructor clones a template of its own, as effect nodes
// do when they are copied.
CNode* g_template = nullptr;
class TemplateUser : public CNode {
 public:
  TemplateUser() = default;
  TemplateUser(const TemplateUser& o) : CNode(o) { addChild(g_template->clone()); }
  CNode* clone() const override { return new TemplateUser(*this); }
};

TEST_F(NodeTest, TemplateClonedInsideANestedCopyIsNotShared) {
  CNode templ;
  under(&templ);
  g_template = &templ;
  CNode holder;
  holder.addChild(new TemplateUser);
  std::unique_ptr<CNode> a(holder.clone());
  std::unique_ptr<CNode> b(holder.clone());
  // Each copy got its own clone of the template's child.
  CNode* pieceA = a->getChild(0)->getChild(0)->getChild(0);
  CNode* pieceB = b->getChild(0)->getChild(0)->getChild(0);
  ASSERT_NE(pieceA, nullptr);
  EXPECT_NE(pieceA, pieceB);
  g_template = nullptr;
}  // deleting both copies must not free one piece twice (ASan)

// A kind whose clone builds a fresh node (not through the copy constructor)
// and gives it a clone of a template.
class FreshCloneUser : public CNode {
 public:
  CNode* clone() const override {
    auto* n = new FreshCloneUser;
    n->addChild(g_template->clone());
    return n;
  }
};

TEST_F(NodeTest, TemplateClonedByAFreshlyBuiltCloneIsNotShared) {
  CNode templ;
  under(under(&templ));
  g_template = &templ;
  CNode holder;
  holder.addChild(new FreshCloneUser);
  std::unique_ptr<CNode> a(holder.clone());
  std::unique_ptr<CNode> b(holder.clone());
  NodeList inA, inB;
  a->collectAll(inA);
  b->collectAll(inB);
  EXPECT_EQ(inA.size(), 5u);
  for (CNode* n : inA) EXPECT_EQ(std::count(inB.begin(), inB.end(), n), 0);
  g_template = nullptr;
}  // deleting both copies must not free one piece twice (ASan)

TEST_F(NodeTest, ADeletedNodeLeavesNoEntryInALiveParent) {
  CNode root;
  auto* a = new CountedNode("a");
  auto* b = new CountedNode("b");
  root.addChild(a);
  root.addChild(b);
  root.addChild(a);  // twice: both entries go
  delete a;          // deleted while still attached
  ASSERT_EQ(root.getChildCount(), 1u);
  EXPECT_EQ(root.getChild(0), b);
  // A batch over a child of a parent outside the batch detaches it too.
  auto* c = new CountedNode("c");
  b->addChild(c);
  CNode::deleteTrees({b});
  EXPECT_EQ(root.getChildCount(), 0u);
  root.update(33);  // walks the children: nothing freed is reached (ASan)
  std::sort(g_deleted.begin(), g_deleted.end());
  EXPECT_EQ(g_deleted, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(NodeTest, ACopyKeepsAnimationVisibilityAndColour) {
  CNode src;
  src.addAnimationSegment(moveSegment(10, Vector3(0, 0, 0), Vector3(90, 0, 0)));
  src.playAnimation(2);
  src.update(100);
  src.setVisible(false);
  src.setColor(51, 102, 204, 128);
  std::unique_ptr<CNode> copy(src.clone());
  EXPECT_FALSE(copy->isVisible());
  EXPECT_FLOAT_EQ(copy->getColor().r, 0.2f);
  EXPECT_FLOAT_EQ(copy->getColor().g, 0.4f);
  EXPECT_FLOAT_EQ(copy->getColor().b, 0.8f);
  EXPECT_FLOAT_EQ(copy->getColor().a, 128.0f / 255.0f);
  EXPECT_EQ(copy->getAnimation().getFrameCount(), 10);
  EXPECT_EQ(copy->getAnimation().getFrame(), src.getAnimation().getFrame());
  EXPECT_TRUE(copy->isAnimationPlaying());
}

TEST_F(NodeTest, CloneKeepsSharingInsideOneCopyOnly) {
  CNode src;
  CNode* shared = under(under(&src), 9);
  under(&src)->addChild(shared);

  std::unique_ptr<CNode> c1(src.clone());
  EXPECT_NE(c1->getId(), src.getId());
  ASSERT_EQ(c1->getChildCount(), 2u);
  CNode* s1a = c1->getChild(0)->getChild(0);
  CNode* s1b = c1->getChild(1)->getChild(0);
  EXPECT_EQ(s1a, s1b);  // shared in the copy as in the source
  EXPECT_NE(s1a, shared);
  EXPECT_EQ(shared->getCloneLink(), s1a);  // readable right after the copy

  // A second plain clone must not reuse the first copy's nodes.
  std::unique_ptr<CNode> c2(src.clone());
  EXPECT_NE(c2->getChild(0)->getChild(0), s1a);
  std::unique_ptr<CNode> d1(src.duplicate());
  std::unique_ptr<CNode> d2(src.duplicate());
  NodeList all1, all2;
  d1->collectAll(all1);
  d2->collectAll(all2);
  for (CNode* n : all1) EXPECT_EQ(std::count(all2.begin(), all2.end(), n), 0);
  EXPECT_EQ(d1->findByTag(9), d1->getChild(1)->getChild(0));
}  // destroying the sources and copies deletes every node exactly once (ASan)

TEST_F(NodeTest, FindAndCollectByTag) {
  CNode root;
  CNode* a = under(&root, 1);
  CNode* b = under(a, 2);
  CNode* c = under(&root, 2);
  a->setVisible(false);
  EXPECT_EQ(root.findVisibleByTag(2), c);
  EXPECT_EQ(root.findByTag(2), b);
  EXPECT_EQ(root.findByTag(5), nullptr);
  NodeList found;
  root.collectByTag(found, 2);
  EXPECT_EQ(found, (NodeList{b, c}));
  EXPECT_EQ(root.queryVisibleChildren(), nullptr);
}

TEST_F(NodeTest, TagRequestsReachNodesAddedAfterATraversal) {
  CNode root;
  CNode* a = under(&root, 4);
  root.setVisibleByTag(false, 4);

  // Added with fresh marks under a root already visited: reached at once.
  CNode* late = under(a, 4);
  root.setVisibleByTag(false, 4);
  EXPECT_FALSE(late->isVisible());

  CNode* late2 = under(&root, 4);
  root.setColorByTag(4, 255, 128, 0, 255);
  EXPECT_FLOAT_EQ(late2->getColor().g, 128.0f / 255.0f);

  // showFrameByTag puts the children of a tagged node on the frame.
  CNode* animated = under(late2);
  animated->addAnimationSegment(moveSegment(10, Vector3(0, 0, 0), Vector3(90, 0, 0)));
  root.showFrameByTag(4, 8);
  EXPECT_EQ(animated->getAnimation().getFrame(), 8);
  EXPECT_EQ(animated->getAnimation().getState(), AnimationPaused);

  // A node shared by two parents is visited once per request.
  CNode* shared = under(&root);
  CNode* tagged = under(shared, 6);
  late2->addChild(shared);
  root.setVisibleByTag(false, 6);
  EXPECT_FALSE(tagged->isVisible());
  root.setVisibleByTag(true, 6);
  EXPECT_TRUE(tagged->isVisible());
}

TEST_F(NodeTest, UpdateAdvancesOncePerCallAndSkipsInvisibleNodes) {
  CNode root;
  CNode* p1 = under(&root);
  CNode* p2 = under(&root);
  CNode* shared = under(p1);
  p2->addChild(shared);
  shared->addAnimationSegment(moveSegment(100, Vector3(0, 0, 0), Vector3(100, 0, 0)));
  shared->playAnimation(1);
  root.update(100);  // three frames, once, although two paths lead there
  EXPECT_EQ(shared->getAnimation().getFrame(), 3);
  p1->setVisible(false);
  p2->setVisible(false);
  root.update(100);
  EXPECT_EQ(shared->getAnimation().getFrame(), 3);

  // A node added after the root's first update is updated by the next one.
  CNode top;
  top.update(10);
  CNode* fresh = under(&top);
  fresh->addAnimationSegment(moveSegment(100, Vector3(0, 0, 0), Vector3(100, 0, 0)));
  fresh->playAnimation(1);
  top.update(100);
  EXPECT_EQ(fresh->getAnimation().getFrame(), 3);
}

TEST_F(NodeTest, AnimatedGroupMovesItsChildrenNotItself) {
  CNode group;
  group.setPosition(7, 7, 0);
  CNode* a = under(&group);
  CNode* b = under(&group);
  KeyframeTransform from, to;
  from.scale = to.scale = Vector3(1, 1, 1);
  to.position = Vector3(30, 60, 0);
  to.rotationZ = 90;
  to.alphaOffset = -255;
  CPath path(3);
  path.addPoint(from);
  path.addPoint(to);
  group.addAnimationSegment(path);  // the first segment is applied at once
  EXPECT_NEAR(a->getPosition().x, 10.0f, 1e-4f);
  group.playAnimation(1);
  group.update(34);  // frame 1: t = 2/3
  EXPECT_EQ(group.getPosition(), Vector3(7, 7, 0));
  EXPECT_NEAR(a->getPosition().x, 20.0f, 1e-4f);
  EXPECT_NEAR(b->getPosition().y, 40.0f, 1e-4f);
  EXPECT_NEAR(a->getRotation().z, 60.0f, 1e-4f);
  EXPECT_NEAR(a->getColor().a, 1.0f / 3.0f, 1e-4f);
  group.update(1000);
  EXPECT_FALSE(group.isAnimating());
  EXPECT_EQ(a->getPosition(), Vector3(30, 60, 0));
  EXPECT_TRUE(a->isTransparent());

  // Drawing applies a pose left pending by play or stop.
  group.playAnimation(1);
  group.draw(false, false);
  EXPECT_NEAR(a->getPosition().x, 10.0f, 1e-4f);

  EXPECT_TRUE(group.showFrameOnFirstAnimated(2));
  EXPECT_EQ(a->getPosition(), Vector3(30, 60, 0));
  CNode plain;
  EXPECT_FALSE(plain.showFrameOnFirstAnimated(2));
}

TEST_F(NodeTest, PlayAndStopByTag) {
  const CPath seg = moveSegment(10, Vector3(0, 0, 0), Vector3(1, 0, 0));
  CNode root;
  CNode* tagged = under(&root, 3);
  CNode* child = under(tagged);
  CNode* grandchild = under(child);
  CNode* deeper = under(grandchild, 3);
  for (CNode* n : {tagged, child, grandchild, deeper}) n->addAnimationSegment(seg);

  root.playAnimationByTag(3, 1, false);  // the match and its direct children only
  EXPECT_TRUE(tagged->isAnimationPlaying());
  EXPECT_TRUE(child->isAnimationPlaying());
  EXPECT_FALSE(grandchild->isAnimationPlaying());
  EXPECT_FALSE(deeper->isAnimationPlaying());

  root.stopAnimationRecursive();
  root.playAnimationByTagDeep(3, 1, false);  // also searches below a match
  EXPECT_FALSE(grandchild->isAnimationPlaying());
  EXPECT_TRUE(deeper->isAnimationPlaying());

  root.playAnimationByTag(3, 1, true);
  EXPECT_TRUE(grandchild->isAnimationPlaying());

  // stopAnimationByTag only acts from a tagged node, through tagged nodes.
  root.stopAnimationByTag(3);
  EXPECT_TRUE(tagged->isAnimationPlaying());
  tagged->stopAnimationByTag(3);
  EXPECT_FALSE(tagged->isAnimationPlaying());
  EXPECT_TRUE(child->isAnimationPlaying());

  root.stopAnimationRecursive();
  root.playAndShowFrameByTag(3, 5, 1);
  EXPECT_EQ(child->getAnimation().getFrame(), 5);
  EXPECT_EQ(child->getAnimation().getState(), AnimationPaused);
}
