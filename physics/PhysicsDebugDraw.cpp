#include "physics/PhysicsDebugDraw.h"

#include <cmath>

#include "physics/CNodePhysics.h"
#include "physics/CNodePhysicsJoint.h"
#include "physics/PhysicsGuard.h"
#include "render_engine/GlStateCache.h"

namespace RenderEngine {
namespace {

void glColorEntry(float r, float g, float b, float a) { glColor4f(r, g, b, a); }
void glDrawEntry(GLenum mode, const float* xy, int count) {
  glVertexPointer(2, GL_FLOAT, 0, xy);
  glDrawArrays(mode, 0, count);
}

DebugDrawBackend& backend() {
  static DebugDrawBackend b = defaultDebugDrawBackend();
  return b;
}

void push(std::vector<float>& out, cpVect p) {
  out.push_back(static_cast<float>(p.x));
  out.push_back(static_cast<float>(p.y));
}

}  // namespace

DebugDrawBackend defaultDebugDrawBackend() { return DebugDrawBackend{&glColorEntry, &glDrawEntry}; }

DebugDrawBackend setDebugDrawBackend(const DebugDrawBackend& b) {
  DebugDrawBackend old = backend();
  backend() = b;
  return old;
}

void drawDebugPoints(GLenum mode, const std::vector<float>& xy) {
  if (xy.size() < 2) return;
  cachedEnableClientState(GL_VERTEX_ARRAY);
  backend().drawArrays(mode, xy.data(), static_cast<int>(xy.size() / 2));
  cachedDisableClientState(GL_VERTEX_ARRAY);
}

std::vector<float> polyWorldPoints(const cpShape* shape) {
  std::vector<float> out;
  const cpBody* body = cpShapeGetBody(shape);
  const int n = cpPolyShapeGetCount(shape);
  out.reserve(static_cast<std::size_t>(2 * n));
  for (int i = 0; i < n; ++i) push(out, cpBodyLocalToWorld(body, cpPolyShapeGetVert(shape, i)));
  return out;
}

std::vector<float> segmentWorldPoints(const cpShape* shape) {
  std::vector<float> out;
  const cpBody* body = cpShapeGetBody(shape);
  push(out, cpBodyLocalToWorld(body, cpSegmentShapeGetA(shape)));
  push(out, cpBodyLocalToWorld(body, cpSegmentShapeGetB(shape)));
  return out;
}

std::vector<float> circleStrip(float cx, float cy, float radius, float angle) {
  std::vector<float> out;
  out.reserve(34);
  const float step = 2.0f * kPi / 15.0f;
  for (int i = 0; i < 16; ++i) {
    const float a = angle + static_cast<float>(i) * step;
    out.push_back(cx + radius * std::cos(a));
    out.push_back(cy + radius * std::sin(a));
  }
  out.push_back(cx);
  out.push_back(cy);
  return out;
}

void drawPolyShape(const cpShape* shape) { drawDebugPoints(GL_LINE_LOOP, polyWorldPoints(shape)); }

void drawSegmentShape(const cpShape* shape) { drawDebugPoints(GL_LINES, segmentWorldPoints(shape)); }

void drawCircle(float cx, float cy, float radius, float angle) {
  drawDebugPoints(GL_LINE_STRIP, circleStrip(cx, cy, radius, angle));
}

void drawCircleShape(const cpShape* shape) {
  const cpBody* body = cpShapeGetBody(shape);
  const cpVect c = cpBodyLocalToWorld(body, cpCircleShapeGetOffset(shape));
  drawCircle(static_cast<float>(c.x), static_cast<float>(c.y), static_cast<float>(cpCircleShapeGetRadius(shape)),
             static_cast<float>(cpBodyGetAngle(body)));
}

void drawObject(const cpShape* shape, int model) {
  switch (model) {
    case kShapeCircle:
      drawCircleShape(shape);
      break;
    case kShapeSegment:
      drawSegmentShape(shape);
      break;
    case kShapePolygon:
      drawPolyShape(shape);
      break;
    default:
      PhysicsGuard::report("Bad enumeration in drawObject().");
      break;
  }
}

void drawObject(const cpShape* shape) {
  if (shape == nullptr) return;
  const auto* node = static_cast<const CNodePhysics*>(cpShapeGetUserData(shape));
  drawObject(shape, node != nullptr ? node->modelOfShape(shape) : -1);
}

void CNodePhysics::drawDebug() {
  if (body_ == nullptr) return;
  cachedDisable(GL_TEXTURE_2D);
  for (int i = 0; i < shapeCount_; ++i) drawObject(shapes_[i], models_[i]);
  backend().color4f(1.0f, 0.0f, 0.0f, 1.0f);
  std::vector<float> centre;
  push(centre, cpBodyGetPosition(body_));
  drawDebugPoints(GL_POINTS, centre);
  cachedEnable(GL_TEXTURE_2D);
}

void CNodePhysicsJoint::drawDebug() {
  if (body1_ == nullptr) return;
  cachedDisable(GL_TEXTURE_2D);
  cpVect w1;
  cpVect w2;
  if (body2_ != nullptr && endPoints(w1, w2)) {
    std::vector<float> line;
    push(line, w1);
    push(line, w2);
    drawDebugPoints(GL_LINES, line);
  }
  backend().color4f(1.0f, 0.0f, 0.0f, 1.0f);
  drawDebugPoints(GL_POINTS, {position_.x, position_.y});
  cachedEnable(GL_TEXTURE_2D);
}

}  // namespace RenderEngine
