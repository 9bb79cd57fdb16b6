// The scene without a display: registration, the removal queue, clearing, touch
// targets, and what render draws (through a recording draw backend).
#include "render_engine/CScene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace RenderEngine;

namespace {

std::vector<std::string> g_log;

// Records its destruction, updates and draws; rank 0 stands in for a joint.
class Probe : public CNode {
 public:
  explicit Probe(std::string name, int rank = 1) : name_(std::move(name)), rank_(rank) {}
  ~Probe() override { g_log.push_back("delete " + name_); }
  int deletionRank() const override { return rank_; }
  bool updateVisit(int dtMs, TraversalMark mark) override {
    g_log.push_back("update " + name_);
    if (onUpdate) onUpdate();
    return CNode::updateVisit(dtMs, mark);
  }
  void draw(bool pass, bool push) override {
    g_log.push_back("draw " + name_ + (pass ? " pass" : "") + (push ? " push" : ""));
    CNode::draw(pass, push);
  }
  std::function<void()> onUpdate;

 protected:
  std::string name_;
  int rank_;
};

// Offers itself as a touch target, as a button does.
class ButtonProbe : public Probe {
 public:
  using Probe::Probe;
  void collectTouchTargets(NodeList& list) override {
    if (isVisible()) list.push_back(this);
  }
};

void recPush() {}
void recPop() {}
void recMult(const float* m) { g_log.push_back("mult " + std::to_string(static_cast<int>(m[12]))); }
void recColor(float r, float g, float b, float a) {
  g_log.push_back("color " + std::to_string(static_cast<int>(r * 10)) + std::to_string(static_cast<int>(g * 10)) +
                  std::to_string(static_cast<int>(b * 10)) + std::to_string(static_cast<int>(a * 10)));
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    old_ = CNode::setDrawBackend(NodeDrawBackend{&recPush, &recPop, &recMult, &recColor});
  }
  void TearDown() override { CNode::setDrawBackend(old_); }
  NodeDrawBackend old_{};
};

std::vector<std::string> only(const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& e : g_log) {
    if (e.rfind(prefix, 0) == 0) out.push_back(e);
  }
  return out;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(SceneTest, RemovalsWaitForTheFlushAndDeleteOnce) {
  CScene scene;
  auto* a = new Probe("a");
  auto* b = new Probe("b");
  scene.registerNode(a);
  scene.registerNode(b);
  auto* stranger = new Probe("stranger");

  // Queued from inside an update: still updated this frame, gone at its end.
  a->onUpdate = [&] {
    scene.queueRemoval(b);
    scene.queueRemoval(b);
    scene.queueRemoval(stranger);
  };
  scene.update(33);
  EXPECT_EQ(only("update"), (Strings{"update a", "update b"}));
  EXPECT_EQ(only("delete"), (Strings{"delete b"}));
  EXPECT_TRUE(scene.isRegistered(a));
  delete stranger;  // not registered: the scene left it alone
}

TEST_F(SceneTest, ANodeBothChildAndRegisteredLeavesTheChildrenWhenFlushed) {
  CScene scene;
  auto* n = new Probe("n");
  scene.addChild(n);
  scene.registerNode(n);
  scene.queueRemoval(n);
  scene.update(33);  // flushed: deleted once
  scene.update(33);  // the children no longer hold it (ASan)
  EXPECT_EQ(only("delete"), (Strings{"delete n"}));
  EXPECT_EQ(scene.getChildCount(), 0u);
}

TEST_F(SceneTest, OneFlushDeletesJointsBeforeTheBodiesTheyBind) {
  CScene scene;
  auto* body = new Probe("body");
  auto* joint = new Probe("joint", 0);
  auto* holder = new Probe("holder");
  holder->addChild(new Probe("jointInHolder", 0));
  scene.registerNode(body);
  scene.registerNode(holder);
  scene.registerNode(joint);
  scene.queueRemoval(body);  // the bodies are queued first
  scene.queueRemoval(holder);
  scene.queueRemoval(joint);
  scene.flushRemovals();
  const Strings deleted = only("delete");
  ASSERT_EQ(deleted.size(), 4u);
  EXPECT_TRUE((deleted[0] == "delete joint" || deleted[0] == "delete jointInHolder"));
  EXPECT_TRUE((deleted[1] == "delete joint" || deleted[1] == "delete jointInHolder"));
  EXPECT_TRUE(scene.getRegisteredNodes().empty());
}

TEST_F(SceneTest, ClearDeletesSharedAndDoublyHeldNodesOnceAndStaysUsable) {
  CScene scene;
  auto* shared = new Probe("shared");
  auto* p = new Probe("p");
  auto* q = new Probe("q");
  p->addChild(shared);
  q->addChild(shared);
  scene.registerNode(p);
  scene.registerNode(q);
  auto* both = new Probe("both");  // a child of the scene and registered too
  scene.addChild(both);
  scene.registerNode(both);
  scene.addChild(new Probe("child"));
  scene.queueRemoval(p);
  scene.clear();
  Strings deleted = only("delete");
  std::sort(deleted.begin(), deleted.end());
  EXPECT_EQ(deleted, (Strings{"delete both", "delete child", "delete p", "delete q", "delete shared"}));

  g_log.clear();
  scene.registerNode(new Probe("again"));
  scene.update(33);
  scene.render();
  EXPECT_EQ(only("update"), (Strings{"update again"}));
  EXPECT_EQ(only("draw"), (Strings{"draw again pass push"}));
}

TEST_F(SceneTest, InvisibleNodesAndTheScenesChildrenAreNotDrawn) {
  CScene scene;
  auto* shown = new Probe("shown");
  auto* hidden = new Probe("hidden");
  hidden->setVisible(false);
  scene.registerNode(shown);
  scene.registerNode(hidden);
  scene.addChild(new Probe("own"));
  scene.update(33);
  EXPECT_EQ(only("update"), (Strings{"update own", "update shown"}));

  g_log.clear();
  scene.setPosition(7, 0, 0);
  scene.update(0);
  g_log.clear();
  scene.render();
  EXPECT_EQ(g_log, (Strings{"mult 7", "color 10101010", "draw shown pass push", "color 10101010"}));
}

TEST_F(SceneTest, TouchTargetsChangeOnlyOnVisibleRegistrationOrAFlush) {
  CScene scene;
  auto* button = new ButtonProbe("button");
  auto* group = new Probe("group");
  group->addChild(new ButtonProbe("inner"));
  scene.registerNode(button);
  scene.registerNode(group);
  EXPECT_EQ(scene.getTouchTargets().size(), 2u);

  button->setVisible(false);  // hiding alone changes nothing yet
  auto* hiddenButton = new ButtonProbe("hiddenButton");
  hiddenButton->setVisible(false);
  scene.registerNode(hiddenButton);  // an invisible node does not rebuild
  EXPECT_EQ(scene.getTouchTargets().size(), 2u);

  scene.queueRemoval(hiddenButton);
  scene.flushRemovals();  // a flush that removed something rebuilds
  ASSERT_EQ(scene.getTouchTargets().size(), 1u);
  EXPECT_EQ(scene.getTouchTargets()[0], group->getChild(0));
}

TEST_F(SceneTest, ASceneDeletedInsideABatchFreesEachNodeOnce) {
  auto* owner = new CNode;
  auto* scene = new CScene;
  scene->addChild(new Probe("own"));
  scene->registerNode(new Probe("registered"));
  owner->addChild(scene);
  delete owner;  // the batch holds the scene and its child, not its registered node
  Strings deleted = only("delete");
  std::sort(deleted.begin(), deleted.end());
  EXPECT_EQ(deleted, (Strings{"delete own", "delete registered"}));
}

namespace {
// Queues another node for removal when it dies, as game objects do.
class QueuesOnDeath : public Probe {
 public:
  QueuesOnDeath(std::string name, CScene& scene, CNode*& victim) : Probe(std::move(name)), scene_(scene), victim_(victim) {}
  ~QueuesOnDeath() override {
    if (victim_ != nullptr) scene_.queueRemoval(victim_);
  }

 private:
  CScene& scene_;
  CNode*& victim_;
};
}  // namespace

TEST_F(SceneTest, NodesQueuedByDestructorsOfTheSameBatchAreForgotten) {
  for (bool viaClear : {false, true}) {
    CScene scene;
    CNode* victim = nullptr;
    auto* a = new QueuesOnDeath("a", scene, victim);
    auto* b = new Probe("b");
    victim = b;
    scene.registerNode(a);
    scene.registerNode(b);
    if (viaClear) {
      scene.clear();
    } else {
      scene.queueRemoval(a);
      scene.queueRemoval(b);
      scene.flushRemovals();
    }
    // b is deleted, and its stale entry must not reach a node registered later
    // (which may get the same address).
    EXPECT_EQ(scene.getQueuedRemovalCount(), 0u) << (viaClear ? "clear" : "flush");
    auto* fresh = new Probe("fresh");
    scene.registerNode(fresh);
    scene.queueRemoval(fresh);  // stands for any later flush: only fresh itself goes
    g_log.clear();
    scene.flushRemovals();
    EXPECT_EQ(only("delete"), (Strings{"delete fresh"})) << (viaClear ? "clear" : "flush");
  }
}

TEST_F(SceneTest, AnimationMovesTheSceneItself) {
  CScene scene;
  auto* child = new CNode;
  scene.addChild(child);
  KeyframeTransform pose;
  pose.position = Vector3(12, 0, 0);
  pose.scale = Vector3(1, 1, 1);
  CPath path(10);
  path.addPoint(pose);
  path.addPoint(pose);
  scene.addAnimationSegment(path);
  scene.playAnimation(1);
  scene.update(33);
  EXPECT_FLOAT_EQ(scene.getPosition().x, 12);
  EXPECT_FLOAT_EQ(child->getPosition().x, 0);  // the pose goes to the scene itself
}
