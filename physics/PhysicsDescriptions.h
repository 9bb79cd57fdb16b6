#pragma once
// The plain records the physics reader fills and the physics nodes consume: one
// collision shape, one body, one joint. They are copied by value.
#include <cstdint>
#include <memory>
#include <vector>

#include "render_engine/Math.h"

namespace RenderEngine {

// Shape kinds as the data files number them (not the library's own order).
enum PhysicsShapeModel : std::int32_t { kShapeSegment = 0, kShapePolygon = 1, kShapeCircle = 2 };

struct PhysicsShapeDescription {
  std::int32_t model = kShapeCircle;
  std::int32_t pointCount = 0;
  // x, y pairs, already scaled. Copies share the array; it lives as long as the
  // last description that refers to it.
  std::shared_ptr<const std::vector<float>> points;
  float radius = 0.0f;
  float elasticity = 0.0f;
  float friction = 0.0f;
  Vector3 surfaceVelocity;
  Vector3 offset;

  // Point i of the array; (0, 0) past its end, so a count that overstates the
  // array never reads outside it.
  float pointX(int i) const;
  float pointY(int i) const;
  // How many whole points the array really holds, capped by pointCount.
  int availablePoints() const;
  void setPoints(std::vector<float> xy);
};

inline constexpr int kMaxShapesPerBody = 5;

struct PhysicsBodyDescription {
  float mass = 0.0f;
  std::int32_t shapeCount = 0;
  PhysicsShapeDescription shapes[kMaxShapesPerBody];
  std::int32_t group = 0;
  std::int32_t collisionType = 0;
  std::uint32_t layers = 0xFFFFFFFFu;
  bool isStatic = false;
};

enum PhysicsJointType : std::int32_t { kJointPin = 0, kJointSlide = 1, kJointPivot = 2, kJointGroove = 3 };

struct PhysicsJointDescription {
  std::int32_t type = kJointPin;
  std::int32_t entity1 = 0;
  std::int32_t entity2 = 0;
  Vector3 anchor1;
  Vector3 anchor2;
  Vector3 pivot;
  Vector3 groove1;
  Vector3 groove2;
  float slideMin = 0.0f;
  float slideMax = 0.0f;
  float referenceSize = 0.0f;
};

inline int PhysicsShapeDescription::availablePoints() const {
  if (!points || pointCount <= 0) return 0;
  const auto whole = static_cast<std::int64_t>(points->size() / 2);
  return static_cast<int>(whole < pointCount ? whole : pointCount);
}
inline float PhysicsShapeDescription::pointX(int i) const {
  if (i < 0 || i >= availablePoints()) return 0.0f;
  return (*points)[static_cast<std::size_t>(2 * i)];
}
inline float PhysicsShapeDescription::pointY(int i) const {
  if (i < 0 || i >= availablePoints()) return 0.0f;
  return (*points)[static_cast<std::size_t>(2 * i + 1)];
}
inline void PhysicsShapeDescription::setPoints(std::vector<float> xy) {
  pointCount = static_cast<std::int32_t>(xy.size() / 2);
  points = std::make_shared<const std::vector<float>>(std::move(xy));
}

}  // namespace RenderEngine
