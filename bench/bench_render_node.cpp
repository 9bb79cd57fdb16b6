// Scene-node costs per node: the update and draw visits of a 10,000-node tree
// (drawing into a draw layer that does nothing, so only the node's own work is
// measured), the local-matrix rebuild, a full bounds recomputation, and the
// evaluation of one animation (advance plus pose).
#include <benchmark/benchmark.h>

#include <memory>

#include "render_engine/CNode.h"

using namespace RenderEngine;

namespace {

void noPush() {}
void noPop() {}
void noMult(const float* m) { benchmark::DoNotOptimize(m); }
void noColor(float r, float, float, float) { benchmark::DoNotOptimize(r); }

CPath twoPointPath(std::uint16_t frames) {
  KeyframeTransform a, b;
  a.scale = b.scale = Vector3(1, 1, 1);
  b.position = Vector3(40, 20, 0);
  b.rotationZ = 90;
  b.alphaOffset = -100;
  CPath p(frames);
  p.addPoint(a);
  p.addPoint(b);
  return p;
}

// root -> 100 groups -> 99 leaves each: 10,000 nodes below the root. One node
// in animatedEvery carries a looping animation (its children follow the pose),
// three in ten a transform of their own, one in five a colour.
std::unique_ptr<CNode> makeTree(int animatedEvery, int& count) {
  auto root = std::make_unique<CNode>();
  count = 0;
  for (int g = 0; g < 100; ++g) {
    auto* group = new CNode;
    root->addChild(group);
    ++count;
    for (int l = 0; l < 99; ++l) {
      auto* leaf = new CNode;
      group->addChild(leaf);
      ++count;
      if (count % 10 < 3) {
        leaf->setPosition(static_cast<float>(l), static_cast<float>(g), 0);
        leaf->setRotation(0, 0, static_cast<float>(count % 360));
      }
      if (count % 5 == 0) leaf->setColor(255, 200, 100, 230);
      if (count % animatedEvery == 0) {
        leaf->addAnimationSegment(twoPointPath(20));
        leaf->addAnimationSegment(twoPointPath(10));
        leaf->addChild(new CNode);
        ++count;
        leaf->playAnimation(-1);
      }
    }
  }
  return root;
}

void setPerNode(benchmark::State& state, int nodes) {
  // Seconds per node, shown with a unit prefix ("16n" is 16 ns).
  state.counters["per_node"] = benchmark::Counter(
      static_cast<double>(nodes), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TreeUpdate(benchmark::State& state) {
  int nodes = 0;
  auto root = makeTree(static_cast<int>(state.range(0)), nodes);
  for (auto _ : state) root->update(33);
  setPerNode(state, nodes);
}
BENCHMARK(BM_TreeUpdate)->Arg(10)->Arg(1000000)->ArgName("animated_every");

void BM_TreeDraw(benchmark::State& state) {
  const NodeDrawBackend old = CNode::setDrawBackend(NodeDrawBackend{&noPush, &noPop, &noMult, &noColor});
  int nodes = 0;
  auto root = makeTree(10, nodes);
  root->update(33);
  for (auto _ : state) root->draw(true, true);
  setPerNode(state, nodes);
  CNode::setDrawBackend(old);
}
BENCHMARK(BM_TreeDraw);

void BM_TreeBoundsRecompute(benchmark::State& state) {
  int nodes = 0;
  auto root = makeTree(1000000, nodes);
  for (auto _ : state) {
    // Plain nodes have no extent, and an empty box is never cached: every query
    // walks the whole tree, which is the worst case of a hit test.
    root->moveBy(1, 0, 0);
    benchmark::DoNotOptimize(root->getBoundingBox());
  }
  setPerNode(state, nodes);
}
BENCHMARK(BM_TreeBoundsRecompute);

void BM_LocalMatrixRebuild(benchmark::State& state) {
  CNode node;
  node.setPosition(10, 20, 0);
  node.setAnchor(3, 4);
  node.setRotation(0, 0, 33);
  node.setSkew(10, 5);
  node.setScale(2, 1.5f, 1);
  for (auto _ : state) {
    node.updateLocalMatrix();
    benchmark::DoNotOptimize(node.getLocalMatrix().m[0]);
  }
}
BENCHMARK(BM_LocalMatrixRebuild);

// One animation per iteration: advance by a frame's time and take the pose.
void BM_AnimationEvaluate(benchmark::State& state) {
  NodeAnimation anim;
  anim.addSegment(twoPointPath(20));
  anim.addSegment(twoPointPath(10));
  anim.play(-1);
  for (auto _ : state) {
    anim.advance(33);
    benchmark::DoNotOptimize(anim.interpolate());
  }
}
BENCHMARK(BM_AnimationEvaluate);

// An animated group with one child: advance, pose, and the child's setters.
void BM_AnimatedNodeUpdate(benchmark::State& state) {
  CNode group;
  group.addAnimationSegment(twoPointPath(20));
  group.addChild(new CNode);
  group.playAnimation(-1);
  for (auto _ : state) group.update(33);
}
BENCHMARK(BM_AnimatedNodeUpdate);

}  // namespace
