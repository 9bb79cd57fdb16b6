#pragma once
// A test node with an animation of plain poses (scale 1): one segment per
// entry, each that many frames long, over one child (a fresh node when none
// is given), which the poses move.
#include <cstdint>
#include <vector>

#include "render_engine/CNode.h"

namespace qmtest {

inline RenderEngine::CNode* animated(std::vector<int> segmentFrames, RenderEngine::CNode* child = nullptr) {
  auto* node = new RenderEngine::CNode();
  for (int frames : segmentFrames) {
    RenderEngine::CPath path(static_cast<std::uint16_t>(frames));
    RenderEngine::KeyframeTransform pose;
    pose.scale = RenderEngine::Vector3{1, 1, 1};
    path.addPoint(pose);
    path.addPoint(pose);
    node->addAnimationSegment(path);
  }
  node->addChild(child != nullptr ? child : new RenderEngine::CNode());
  return node;
}

}  // namespace qmtest
