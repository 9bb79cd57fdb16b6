#pragma once
// Debug drawing of collision geometry: each shape of a physics node in world
// coordinates as OpenGL lines, the body's centre as a red point, and each joint
// as a line between its world anchors. A debugging aid called by whoever wants
// it, inside the scene's point-space matrix (the points are world points).
#include <GL/gl.h>
#include <chipmunk/chipmunk.h>

#include <vector>

namespace RenderEngine {

// The two OpenGL calls the drawing makes besides the state cache; tests record
// them instead.
struct DebugDrawBackend {
  void (*color4f)(float r, float g, float b, float a);
  // count x, y pairs from xy, drawn as one primitive of the mode.
  void (*drawArrays)(GLenum mode, const float* xy, int count);
};
DebugDrawBackend setDebugDrawBackend(const DebugDrawBackend& backend);
DebugDrawBackend defaultDebugDrawBackend();

// World geometry as float x, y pairs.
std::vector<float> polyWorldPoints(const cpShape* shape);
std::vector<float> segmentWorldPoints(const cpShape* shape);
// 16 ring points from the angle (the last closing on the first), then the
// centre: the ring plus a radius line that shows the rotation.
std::vector<float> circleStrip(float centreX, float centreY, float radius, float angleRadians);

// Draws one shape by its kind (taken from the node that owns it); an unknown
// kind prints "Bad enumeration in drawObject()." and draws nothing.
void drawObject(const cpShape* shape);
void drawObject(const cpShape* shape, int model);
void drawPolyShape(const cpShape* shape);
void drawSegmentShape(const cpShape* shape);
void drawCircleShape(const cpShape* shape);
void drawCircle(float centreX, float centreY, float radius, float angleRadians);

// Points through the current backend, with the vertex array switched on around
// the draw through the state cache.
void drawDebugPoints(GLenum mode, const std::vector<float>& xy);

}  // namespace RenderEngine
