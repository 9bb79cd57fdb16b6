#pragma once
// Fixtures for the physics tests, made in code: body descriptions for a
// circle, a box and a segment, and a collector for the physics layer's messages.
#include <initializer_list>
#include <string>
#include <vector>

#include "physics/CNodePhysics.h"
#include "physics/PhysicsDescriptions.h"
#include "physics/PhysicsGuard.h"

namespace physicstest {

using namespace RenderEngine;

inline PhysicsShapeDescription circleShape(float radius, float ox = 0.0f, float oy = 0.0f) {
  PhysicsShapeDescription s;
  s.model = kShapeCircle;
  s.radius = radius;
  s.elasticity = 0.1f;
  s.friction = 0.8f;
  s.offset = Vector3(ox, oy, 0.0f);
  return s;
}

inline PhysicsShapeDescription boxShape(float halfW, float halfH) {
  PhysicsShapeDescription s;
  s.model = kShapePolygon;
  s.elasticity = 0.1f;
  s.friction = 0.8f;
  s.setPoints({-halfW, -halfH, halfW, -halfH, halfW, halfH, -halfW, halfH});
  return s;
}

inline PhysicsShapeDescription segmentShape(float ax, float ay, float bx, float by, float radius = 0.0f) {
  PhysicsShapeDescription s;
  s.model = kShapeSegment;
  s.radius = radius;
  s.elasticity = 0.1f;
  s.friction = 1.0f;
  s.setPoints({ax, ay, bx, by});
  return s;
}

inline PhysicsBodyDescription body(float mass, std::initializer_list<PhysicsShapeDescription> shapes,
                                   int collisionType = 0, bool isStatic = false) {
  PhysicsBodyDescription d;
  d.mass = mass;
  d.isStatic = isStatic;
  d.collisionType = collisionType;
  for (const auto& s : shapes) d.shapes[d.shapeCount++] = s;
  return d;
}

// A node with its body, placed.
inline CNodePhysics* makeNode(const PhysicsBodyDescription& d, float x, float y) {
  auto* n = new CNodePhysics;
  n->setPosition(x, y, 0.0f);
  n->createBody(d);
  n->setPosition(x, y, 0.0f);
  return n;
}

// Collects the physics layer's messages for the scope.
class MessageCollector {
 public:
  MessageCollector() {
    messages().clear();
    old_ = PhysicsGuard::setMessageSink(&MessageCollector::collect);
  }
  ~MessageCollector() { PhysicsGuard::setMessageSink(old_); }
  MessageCollector(const MessageCollector&) = delete;
  MessageCollector& operator=(const MessageCollector&) = delete;

  static std::vector<std::string>& messages() {
    static std::vector<std::string> m;
    return m;
  }
  void clear() { messages().clear(); }
  bool contains(const std::string& part) const {
    for (const auto& m : messages()) {
      if (m.find(part) != std::string::npos) return true;
    }
    return false;
  }
  // The parts no message mentions, one a line: "" when every one is there.
  std::string missing(std::initializer_list<std::string> parts) const {
    std::string out;
    for (const auto& p : parts) {
      if (!contains(p)) out += p + "\n";
    }
    return out;
  }

 private:
  static void collect(const std::string& m) { messages().push_back(m); }
  PhysicsGuard::MessageSink old_;
};

}  // namespace physicstest
