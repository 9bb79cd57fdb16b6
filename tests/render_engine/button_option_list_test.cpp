// Buttons and option lists without a display: counting test nodes stand in for
// drawables.
#include <gtest/gtest.h>

#include <memory>

#include "render_engine/CButton.h"
#include "render_engine/COptionalNodeList.h"
#include "support/BoxNode.h"

using namespace RenderEngine;

namespace {

// A w x h box centred on its origin that counts its draws.
class CountingNode : public qmtest::BoxNode {
 public:
  CountingNode(float w = 10, float h = 10) : BoxNode(w, h) {}
  void draw(bool pass, bool push) override {
    ++draws;
    CNode::draw(pass, push);
  }
  CNode* clone() const override { return new CountingNode(*this); }
  int draws = 0;
};

CPath segment(int frames) {
  CPath p(static_cast<std::uint16_t>(frames));
  KeyframeTransform a;
  a.scale = Vector3(1, 1, 1);
  p.addPoint(a);
  p.addPoint(a);
  return p;
}

// A 10-frame animation, playing.
CountingNode* animated(float x) {
  auto* n = new CountingNode();
  n->setPosition(x, 0, 0);
  n->addAnimationSegment(segment(10));
  n->playAnimation(1);
  return n;
}

struct NullDraw {
  NullDraw() {
    NodeDrawBackend b{[] {}, [] {}, [](const float*) {}, [](float, float, float, float) {}};
    old = CNode::setDrawBackend(b);
  }
  ~NullDraw() { CNode::setDrawBackend(old); }
  NodeDrawBackend old;
};

// A list of three children at x = 0, 100, 200 with options {0, 1} and {2}.
std::unique_ptr<COptionalNodeList> twoOptions(CountingNode* (&kids)[3]) {
  auto list = std::make_unique<COptionalNodeList>();
  for (int i = 0; i < 3; ++i) {
    kids[i] = animated(static_cast<float>(i * 100));
    kids[i]->setTag(50 + i);
    list->addChild(kids[i]);
  }
  const std::uint16_t words[] = {2, 0, 1, 1, 2};
  list->setupOptions(2, 5, words);
  return list;
}

}  // namespace

TEST(OptionalNodeList, OptionNumbersAreHeldToTheList) {
  COptionalNodeList list;
  const std::uint16_t words[] = {0, 0, 0, 0};
  list.setupOptions(4, 4, words);
  list.showFrame(-3);
  EXPECT_EQ(list.getCurrentOption(), 0);
  list.showFrame(99);
  EXPECT_EQ(list.getCurrentOption(), 3);
  EXPECT_EQ(list.getAnimation().getFrame(), 3);
  // Through the selector tag, both ways.
  list.setSelectorTag(105);
  list.showFrameByTag(105, 2);
  EXPECT_EQ(list.getCurrentOption(), 2);
  list.showFrameByTag(105, -7);
  EXPECT_EQ(list.getCurrentOption(), 0);
  list.showFrameByTag(105, 40);
  EXPECT_EQ(list.getCurrentOption(), 3);
}

TEST(OptionalNodeList, SelectorSegmentOnlyWithoutAnAnimation) {
  COptionalNodeList plain;
  const std::uint16_t words[] = {0, 0, 0};
  plain.setupOptions(3, 3, words);
  ASSERT_EQ(plain.getAnimation().getSegmentCount(), 1u);
  EXPECT_EQ(plain.getAnimation().getFrameCount(), 3);

  COptionalNodeList animatedList;
  animatedList.addAnimationSegment(segment(8));
  animatedList.setupOptions(3, 3, words);
  EXPECT_EQ(animatedList.getAnimation().getSegmentCount(), 1u);
  EXPECT_EQ(animatedList.getAnimation().getFrameCount(), 8);
  // Frame 6 of the list's own animation is past its 3 options.
  animatedList.getAnimation().pauseAt(6);
  animatedList.applyAnimation();
  EXPECT_EQ(animatedList.getCurrentOption(), 2);
}

TEST(OptionalNodeList, OwnAnimationPosesOnlyTheCurrentOption) {
  CountingNode* kids[3];
  auto list = twoOptions(kids);
  // Two segments of its own: a pose moves option 0's children to x = 7.
  list->getAnimation().clear();
  CPath move(4);
  KeyframeTransform p;
  p.position = Vector3(7, 0, 0);
  p.scale = Vector3(1, 1, 1);
  move.addPoint(p);
  move.addPoint(p);
  list->addAnimationSegment(move);
  list->addAnimationSegment(move);
  list->showFrame(0);
  list->applyAnimation();
  EXPECT_FLOAT_EQ(kids[0]->getPosition().x, 7);
  EXPECT_FLOAT_EQ(kids[1]->getPosition().x, 7);
  EXPECT_FLOAT_EQ(kids[2]->getPosition().x, 200);
  // With only the selector segment, nothing is posed (its points are zero).
  COptionalNodeList plain;
  auto* child = new CountingNode();
  child->setPosition(5, 5, 0);
  plain.addChild(child);
  const std::uint16_t words[] = {1, 0, 0};
  plain.setupOptions(2, 3, words);
  plain.showFrame(1);
  plain.showFrame(0);
  plain.applyAnimation();
  EXPECT_FLOAT_EQ(child->getPosition().x, 5);
  EXPECT_FLOAT_EQ(child->getScale().x, 1);
}

TEST(OptionalNodeList, OnlyTheCurrentOptionIsUpdatedDrawnBoundedAndFound) {
  NullDraw nullDraw;
  CountingNode* kids[3];
  auto list = twoOptions(kids);
  list->update(100);  // three frames
  EXPECT_EQ(kids[0]->getAnimation().getFrame(), 3);
  EXPECT_EQ(kids[1]->getAnimation().getFrame(), 3);
  EXPECT_EQ(kids[2]->getAnimation().getFrame(), 0);

  list->draw(false, true);
  EXPECT_EQ(kids[0]->draws, 1);
  EXPECT_EQ(kids[1]->draws, 1);
  EXPECT_EQ(kids[2]->draws, 0);

  const BoundingRect* box = list->getBoundingBox();
  ASSERT_NE(box, nullptr);
  EXPECT_FLOAT_EQ(box->minX, -5);
  EXPECT_FLOAT_EQ(box->maxX, 105);
  EXPECT_EQ(list->findVisibleByTag(51), kids[1]);
  EXPECT_EQ(list->findVisibleByTag(52), nullptr);
  EXPECT_TRUE(list->isAnimating());
  kids[0]->stopAnimation();
  kids[1]->stopAnimation();
  EXPECT_FALSE(list->isAnimating());  // option 1's child still plays, unseen
  kids[0]->setVisible(false);
  EXPECT_EQ(list->findVisibleByTag(50), nullptr);
  kids[0]->setVisible(true);

  list->showFrame(1);
  box = list->getBoundingBox();
  ASSERT_NE(box, nullptr);
  EXPECT_FLOAT_EQ(box->minX, 195);
  EXPECT_EQ(list->findVisibleByTag(52), kids[2]);
  list->draw(false, true);
  EXPECT_EQ(kids[0]->draws, 1);
  EXPECT_EQ(kids[2]->draws, 1);
}

TEST(OptionalNodeList, SetupSkipsPositionsOutsideTheChildren) {
  CountingNode* kids[3];
  auto list = twoOptions(kids);
  const std::uint16_t words[] = {3, 0, 7, 2, 5, 1};  // the last count runs past the words
  testing::internal::CaptureStderr();
  list->setupOptions(2, 6, words);
  const std::string err = testing::internal::GetCapturedStderr();
  ASSERT_EQ(list->getOption(0).size(), 2u);
  EXPECT_EQ(list->getOption(0)[1], kids[2]);
  ASSERT_EQ(list->getOption(1).size(), 1u);  // what is there is kept
  EXPECT_EQ(list->getOption(1)[0], kids[1]);
  EXPECT_NE(err.find("1 child position(s) outside its 3 children skipped"), std::string::npos) << err;
  EXPECT_NE(err.find("end before"), std::string::npos) << err;
  // A huge option count costs nothing beyond its words.
  const std::uint16_t one[] = {1, 2};
  testing::internal::CaptureStderr();
  list->setupOptions(60000, 2, one);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(list->getOptionCount(), 60000);
  EXPECT_EQ(list->getOption(0)[0], kids[2]);
  list->showFrame(70000);
  EXPECT_EQ(list->getCurrentOption(), 59999);
  EXPECT_TRUE(list->getOption(59999).empty());
  list->draw(false, false);
}

TEST(OptionalNodeList, CopiesRebuildTheirOptionsOverTheirOwnChildren) {
  CountingNode* kids[3];
  auto list = twoOptions(kids);
  list->showFrame(1);
  list->setSelectorTag(9);
  std::unique_ptr<CNode> copy(list->duplicate());
  auto* c = dynamic_cast<COptionalNodeList*>(copy.get());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->getCurrentOption(), 1);
  EXPECT_EQ(c->getSelectorTag(), 9);
  ASSERT_EQ(c->getOption(0).size(), 2u);
  EXPECT_EQ(c->getOption(0)[0], c->getChild(0));
  EXPECT_EQ(c->getOption(1)[0], c->getChild(2));
  EXPECT_NE(c->getOption(1)[0], kids[2]);
}

TEST(OptionalNodeList, TouchTargetsAddToOptionAndRemovals) {
  auto list = std::make_unique<COptionalNodeList>();
  const std::uint16_t none[] = {0, 0};
  list->setupOptions(2, 2, none);
  auto* a = new CButton();
  auto* b = new CButton();
  list->addToOption(a, 0);
  list->addToOption(b, 1);
  list->addToOption(new CButton(), 5);  // a child in no option
  EXPECT_EQ(list->getChildCount(), 3u);
  NodeList targets;
  list->collectTouchTargets(targets);
  ASSERT_EQ(targets.size(), 1u);
  EXPECT_EQ(targets[0], a);
  list->setVisible(false);
  targets.clear();
  list->collectTouchTargets(targets);
  EXPECT_TRUE(targets.empty());
  list->setVisible(true);
  // Copies keep what was added to the options, and what was taken out.
  std::unique_ptr<CNode> copy(list->duplicate());
  auto* c = static_cast<COptionalNodeList*>(copy.get());
  ASSERT_EQ(c->getOption(1).size(), 1u);
  EXPECT_EQ(c->getOption(1)[0], c->getChild(1));
  // A child taken out leaves its option.
  list->deleteChild(a);
  EXPECT_TRUE(list->getOption(0).empty());
  list->removeChild(b);
  EXPECT_TRUE(list->getOption(1).empty());
  delete b;
  auto* d = new CButton();
  list->addToOption(d, 1);
  copy.reset(list->duplicate());
  c = static_cast<COptionalNodeList*>(copy.get());
  ASSERT_EQ(c->getOption(1).size(), 1u);
  EXPECT_EQ(c->getOption(1)[0], c->getChild(1));  // positions moved up with the removals
}

// However a child leaves, it leaves its option: a member left behind would be
// updated, drawn and searched after it was freed.
TEST(OptionalNodeList, EveryWayAChildLeavesKeepsTheOptionsInStep) {
  NullDraw quiet;
  CountingNode* kids[3];
  {  // deleted on its own: its destructor takes it out of the list
    auto list = twoOptions(kids);
    delete kids[1];
    ASSERT_EQ(list->getOption(0).size(), 1u);
    EXPECT_EQ(list->getOption(0)[0], kids[0]);
    EXPECT_EQ(list->getSetupWords(), (std::vector<std::uint16_t>{1, 0, 1, 1}));
    list->update(33);
    list->draw(false, true);
    EXPECT_EQ(list->findVisibleByTag(51), nullptr);
  }
  {  // every child at once
    auto list = twoOptions(kids);
    list->deleteChildren();
    EXPECT_TRUE(list->getOption(0).empty());
    EXPECT_TRUE(list->getOption(1).empty());
    list->showFrame(1);
    list->update(33);
    list->draw(false, true);
    EXPECT_EQ(list->getBoundingBox(), nullptr);
  }
  {  // taken by a batch deletion while the list lives on
    auto list = twoOptions(kids);
    CNode::deleteTrees(NodeList{kids[0], kids[2]});
    ASSERT_EQ(list->getOption(0).size(), 1u);
    EXPECT_EQ(list->getOption(0)[0], kids[1]);
    EXPECT_TRUE(list->getOption(1).empty());
    list->showFrame(1);
    list->update(33);
    list->showFrame(0);
    list->update(33);
    list->draw(false, true);
    EXPECT_EQ(list->findVisibleByTag(51), kids[1]);
    // A copy made now names only what is left.
    std::unique_ptr<CNode> copy(list->duplicate());
    EXPECT_EQ(static_cast<COptionalNodeList*>(copy.get())->getOption(0).size(), 1u);
  }
  {  // a child's own subtree cleared leaves the list alone
    auto list = twoOptions(kids);
    kids[0]->addChild(new CountingNode());
    kids[0]->deleteChildren();
    EXPECT_EQ(list->getOption(0).size(), 2u);
  }
}

TEST(Button, StateIsShownOnEveryChildIncludingLaterOnes) {
  CButton button;
  auto* a = animated(0);
  button.addChild(a);
  button.showState(2);
  EXPECT_EQ(button.getState(), 2);
  EXPECT_EQ(a->getAnimation().getFrame(), 2);
  EXPECT_EQ(a->getAnimation().getState(), AnimationStopped);
  auto* later = animated(0);
  button.addChild(later);
  EXPECT_EQ(later->getAnimation().getFrame(), 2);
  EXPECT_EQ(later->getAnimation().getState(), AnimationStopped);
  std::unique_ptr<CNode> copy(button.clone());
  EXPECT_EQ(static_cast<CButton*>(copy.get())->getState(), 2);
}

TEST(Button, TouchTargetOnceAndInclusiveHitBox) {
  auto* button = new CButton();
  auto* inner = new CButton();
  button->addChild(new CountingNode(20, 10));
  button->addChild(inner);
  CNode root;
  root.addChild(button);
  NodeList targets;
  root.collectTouchTargets(targets);
  button->collectTouchTargets(targets);
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[0], button);
  EXPECT_EQ(targets[1], inner);
  EXPECT_TRUE(button->containsPoint(10, 5));
  EXPECT_TRUE(button->containsPoint(-10, -5));
  EXPECT_FALSE(button->containsPoint(11, 0));
  button->setVisible(false);
  EXPECT_FALSE(button->containsPoint(0, 0));
  targets.clear();
  root.collectTouchTargets(targets);
  EXPECT_TRUE(targets.empty());
}
