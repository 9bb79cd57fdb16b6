#include "render_engine/CButton.h"

#include <GL/gl.h>

#include <algorithm>

#include "render_engine/GlStateCache.h"

namespace RenderEngine {

CButton::CButton() { showState(0); }

CButton::CButton(const CButton& other) : CNode(other), state_(other.state_) {}

CButton::~CButton() = default;

CNode* CButton::clone() const { return new CButton(*this); }

void CButton::showState(std::int16_t state) {
  state_ = state;
  showFrame(state);
}

void CButton::addChild(CNode* node) {
  CNode::addChild(node);
  showState(state_);
}

void CButton::showFrame(int frame) {
  for (CNode* child : children_) {
    child->showFrame(frame);
    child->stopAnimation();
  }
}

void CButton::collectTouchTargets(NodeList& list) {
  if (!visible_) return;
  if (std::find(list.begin(), list.end(), this) != list.end()) return;
  list.push_back(this);
  for (CNode* child : children_) child->collectTouchTargets(list);
}

void CButton::drawHitArea() {
  const BoundingRect* box = getBoundingBox();
  if (box == nullptr) return;
  // Top-left, bottom-left, bottom-right, top-right, as four line segments.
  const GLfloat corners[8][2] = {{box->minX, box->minY}, {box->minX, box->maxY}, {box->minX, box->maxY},
                                 {box->maxX, box->maxY}, {box->maxX, box->maxY}, {box->maxX, box->minY},
                                 {box->maxX, box->minY}, {box->minX, box->minY}};
  static const GLubyte indices[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  glPushMatrix();
  const bool coloured = hasOwnColor();
  if (coloured) applyColor();
  glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
  cachedDisable(GL_TEXTURE_2D);
  cachedEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, 0, corners);
  glDrawElements(GL_LINES, 8, GL_UNSIGNED_BYTE, indices);
  cachedDisableClientState(GL_VERTEX_ARRAY);
  cachedEnable(GL_TEXTURE_2D);
  if (coloured) {
    restoreColor();
  } else {
    const ColorRGBA& c = currentColor();
    glColor4f(c.r, c.g, c.b, c.a);
  }
  glPopMatrix();
}

}  // namespace RenderEngine
