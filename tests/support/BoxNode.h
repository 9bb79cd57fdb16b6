#pragma once
// A test node with an extent of its own: a w x h rectangle centred on its
// origin, mapped through its transform (as drawables do).
#include "render_engine/CNode.h"

namespace qmtest {

class BoxNode : public RenderEngine::CNode {
 public:
  BoxNode(float w, float h) : w_(w), h_(h) {}
  RenderEngine::BoundingRect* getBoundingBox() override {
    if (!isVisible()) return nullptr;
    boundsDirty_ = false;
    box_ = RenderEngine::BoundingRect(-w_ / 2, -h_ / 2, w_ / 2, h_ / 2);
    if (hasTransform()) mapBoxThroughLocalMatrix();
    return &box_;
  }
  RenderEngine::CNode* clone() const override { return new BoxNode(*this); }

 private:
  float w_, h_;
};

}  // namespace qmtest
