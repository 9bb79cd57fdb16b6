#include "physics/PhysicsGuard.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace RenderEngine::PhysicsGuard {
namespace {

void printToStdout(const std::string& message) {
  std::fputs(message.c_str(), stdout);
  std::fputc('\n', stdout);
}

MessageSink& sink() {
  static MessageSink s = &printToStdout;
  return s;
}

// The library's own text, as it prints it when its first space is made.
constexpr std::string_view kBannerHead = "Initializing cpSpace - Chipmunk v";
constexpr std::string_view kBannerTail = "Compile with -DNDEBUG defined to disable debug mode";

constexpr cpFloat kInfinity = std::numeric_limits<cpFloat>::infinity();

bool segmentGeometryImpl(const PhysicsShapeDescription& d, cpVect& a, cpVect& b, cpFloat& radius, bool quiet) {
  if (d.availablePoints() < 2) {
    if (!quiet) report("physics: segment skipped: it needs 2 points, it has %d", d.availablePoints());
    return false;
  }
  a = cpv(d.pointX(0), d.pointY(0));
  b = cpv(d.pointX(1), d.pointY(1));
  if (!isUsable(a) || !isUsable(b) || !isUsable(d.radius)) {
    if (!quiet) report("physics: segment skipped: a point or the radius is not a usable number");
    return false;
  }
  if (cpveql(a, b)) {
    if (!quiet) report("physics: segment skipped: both ends are at (%g, %g)", a.x, a.y);
    return false;
  }
  radius = d.radius;
  if (radius < 0.0) {
    if (!quiet) report("physics: segment radius %g below 0, using 0", radius);
    radius = 0.0;
  }
  return true;
}

bool polygonGeometryImpl(const PhysicsShapeDescription& d, std::vector<cpVect>& vertices, cpVect& offset,
                         bool quiet) {
  const int n = d.availablePoints();
  if (n < d.pointCount && !quiet) {
    report("physics: polygon lists %d points but holds %d", d.pointCount, n);
  }
  if (n < 3) {
    if (!quiet) report("physics: polygon skipped: it needs 3 points, it has %d", n);
    return false;
  }
  // Room to spare in both arrays: the library's hull reduction reads an entry
  // past the points it is given (seen under valgrind); the spare entries are
  // zero and never part of the result.
  constexpr std::size_t kSpare = 2;
  std::vector<cpVect> in(static_cast<std::size_t>(n) + kSpare, cpvzero);
  for (int i = 0; i < n; ++i) {
    in[static_cast<std::size_t>(i)] = cpv(d.pointX(i), d.pointY(i));
    if (!isUsable(in[static_cast<std::size_t>(i)])) {
      if (!quiet) report("physics: polygon skipped: point %d is not a usable number", i);
      return false;
    }
  }
  offset = cpv(d.offset.x, d.offset.y);
  if (!isUsable(offset)) {
    if (!quiet) report("physics: polygon skipped: its offset is not a usable number");
    return false;
  }
  // The library keeps the convex hull of the points; a hull without area has
  // no moment and would stop the simulation.
  vertices.assign(in.size(), cpvzero);
  const int hull = cpConvexHull(n, in.data(), vertices.data(), nullptr, 0.0);
  vertices.resize(static_cast<std::size_t>(hull < 0 ? 0 : hull));
  if (hull < 3 || !(cpAreaForPoly(hull, vertices.data(), 0.0) > 0.0)) {
    if (!quiet) report("physics: polygon skipped: its points enclose no area");
    return false;
  }
  return true;
}

bool circleGeometryImpl(const PhysicsShapeDescription& d, cpFloat& radius, cpVect& offset, bool quiet) {
  offset = cpv(d.offset.x, d.offset.y);
  if (!isUsable(d.radius) || !isUsable(offset)) {
    if (!quiet) report("physics: circle skipped: its radius or offset is not a usable number");
    return false;
  }
  radius = d.radius;
  if (radius < 0.0) {
    if (!quiet) report("physics: circle radius %g below 0, using 0", radius);
    radius = 0.0;
  }
  return true;
}

}  // namespace

MessageSink setMessageSink(MessageSink s) {
  MessageSink old = sink();
  sink() = s != nullptr ? s : &printToStdout;
  return old;
}

void report(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  sink()(buffer);
}

bool isLibraryBannerLine(std::string_view line) {
  return line.substr(0, kBannerHead.size()) == kBannerHead || line.substr(0, kBannerTail.size()) == kBannerTail;
}

std::string withoutLibraryBanner(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const std::string_view withBreak = end == std::string_view::npos ? text : text.substr(0, end + 1);
    if (!isLibraryBannerLine(line)) out.append(withBreak);
    text.remove_prefix(withBreak.size());
  }
  return out;
}

bool isUsable(float v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate; }
bool isUsable(cpVect v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::fabs(v.x) <= kMaxCoordinate &&
         std::fabs(v.y) <= kMaxCoordinate;
}
bool isUsable(const Vector3& v) { return isUsable(cpv(v.x, v.y)) && isUsable(v.z); }

bool callerVector(cpVect& v, double limit, const char* what) {
  if (!isFinite(v)) {
    report("physics: %s ignored: it is not a finite number", what);
    return false;
  }
  const double largest = std::max(std::fabs(v.x), std::fabs(v.y));
  if (largest > limit) {
    report("physics: %s beyond %g capped", what, limit);
    v = cpvmult(v, limit / largest);
    // Rounding must not leave the largest component a hair past the limit.
    v.x = std::clamp(v.x, -limit, limit);
    v.y = std::clamp(v.y, -limit, limit);
  }
  return true;
}

bool callerPosition(cpVect& p) {
  if (!isFinite(p)) {
    report("physics: node position is not a finite number; the body stays where it is");
    return false;
  }
  if (!isUsable(p)) {
    report("physics: node position beyond %g capped", kMaxCoordinate);
    p.x = std::clamp(p.x, -kMaxCoordinate, kMaxCoordinate);
    p.y = std::clamp(p.y, -kMaxCoordinate, kMaxCoordinate);
  }
  return true;
}

void boundedPositionUpdate(cpBody* body, cpFloat dt) {
  const cpFloat w = cpBodyGetAngularVelocity(body);
  if (!(std::fabs(w) <= kMaxSpin)) cpBodySetAngularVelocity(body, std::isfinite(w) ? std::copysign(kMaxSpin, w) : 0.0);
  const cpVect v = cpBodyGetVelocity(body);
  // Squared, so the common case costs no square root.
  if (!(cpvlengthsq(v) <= kMaxSpeed * kMaxSpeed)) {
    const cpFloat speed = cpvlength(v);
    cpBodySetVelocity(body, std::isfinite(speed) ? cpvmult(v, kMaxSpeed / speed) : cpvzero);
  }
  cpBodyUpdatePosition(body, dt);
}

bool isFinite(float v) { return std::isfinite(v); }
bool isFinite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool isFinite(cpVect v) { return std::isfinite(v.x) && std::isfinite(v.y); }

cpFloat bodyMass(float mass) {
  if (std::isfinite(mass) && mass > 0.0f) return mass;
  report("physics: body mass %g is not above 0 and finite, using 1", static_cast<double>(mass));
  return 1.0;
}

cpFloat bodyMoment(cpFloat moment) {
  if (std::isfinite(moment) && moment > 0.0) return moment;
  return kInfinity;
}

cpBody* newDynamicBody(float mass, cpFloat moment) {
  cpBody* body = cpBodyNew(bodyMass(mass), bodyMoment(moment));
  cpBodySetPositionUpdateFunc(body, &boundedPositionUpdate);
  return body;
}

cpFloat material(float value, const char* what) {
  if (std::isfinite(value) && value >= 0.0f) return value;
  report("physics: %s %g is not 0 or more, using 0", what, static_cast<double>(value));
  return 0.0;
}

cpCollisionType collisionType(std::int32_t type) {
  if (type >= 0) return static_cast<cpCollisionType>(type);
  report("physics: collision type %d is below 0, using 0", type);
  return 0;
}

cpShapeFilter shapeFilter(std::int32_t group, std::uint32_t layers) {
  // Same non-zero group never collides; layers must share a bit.
  return cpShapeFilterNew(static_cast<cpGroup>(static_cast<std::uint32_t>(group)), layers, layers);
}

bool segmentGeometry(const PhysicsShapeDescription& d, cpVect& a, cpVect& b, cpFloat& radius) {
  return segmentGeometryImpl(d, a, b, radius, false);
}
bool polygonGeometry(const PhysicsShapeDescription& d, std::vector<cpVect>& vertices, cpVect& offset) {
  return polygonGeometryImpl(d, vertices, offset, false);
}
bool circleGeometry(const PhysicsShapeDescription& d, cpFloat& radius, cpVect& offset) {
  return circleGeometryImpl(d, radius, offset, false);
}

cpFloat shapeMoment(cpFloat mass, const PhysicsShapeDescription& d) {
  switch (d.model) {
    case kShapePolygon: {
      std::vector<cpVect> vertices;
      cpVect offset;
      if (!polygonGeometryImpl(d, vertices, offset, true)) return 0.0;
      return cpMomentForPoly(mass, static_cast<int>(vertices.size()), vertices.data(), offset, 0.0);
    }
    case kShapeCircle: {
      cpFloat radius = 0.0;
      cpVect offset;
      if (!circleGeometryImpl(d, radius, offset, true)) return 0.0;
      return cpMomentForCircle(mass, 0.0, radius, offset);
    }
    default:
      return 0.0;
  }
}

cpShape* newShape(cpBody* body, const PhysicsShapeDescription& d, std::int32_t group, std::int32_t type,
                  std::uint32_t layers, void* userData) {
  if (body == nullptr) return nullptr;
  cpShape* shape = nullptr;
  switch (d.model) {
    case kShapeSegment: {
      cpVect a, b;
      cpFloat radius = 0.0;
      // The offset does not apply to a segment.
      if (segmentGeometry(d, a, b, radius)) shape = cpSegmentShapeNew(body, a, b, radius);
      break;
    }
    case kShapePolygon: {
      std::vector<cpVect> vertices;
      cpVect offset;
      if (polygonGeometry(d, vertices, offset)) {
        shape = cpPolyShapeNew(body, static_cast<int>(vertices.size()), vertices.data(), cpTransformTranslate(offset),
                               0.0);
      }
      break;
    }
    case kShapeCircle: {
      cpFloat radius = 0.0;
      cpVect offset;
      if (circleGeometry(d, radius, offset)) shape = cpCircleShapeNew(body, radius, offset);
      break;
    }
    default:
      report("physics: shape skipped: unknown model %d", d.model);
      return nullptr;
  }
  if (shape == nullptr) return nullptr;
  cpShapeSetElasticity(shape, material(d.elasticity, "elasticity"));
  cpShapeSetFriction(shape, material(d.friction, "friction"));
  const cpVect surface = cpv(d.surfaceVelocity.x, d.surfaceVelocity.y);
  if (isUsable(surface)) {
    cpShapeSetSurfaceVelocity(shape, surface);
  } else {
    report("physics: surface velocity is not a usable number, using 0");
  }
  cpShapeSetUserData(shape, userData);
  cpShapeSetFilter(shape, shapeFilter(group, layers));
  cpShapeSetCollisionType(shape, collisionType(type));
  return shape;
}

int iterations(int value) {
  if (value >= 1 && value <= kMaxIterations) return value;
  const int used = value < 1 ? 1 : kMaxIterations;
  report("physics: iterations %d outside 1 to %d, using %d", value, kMaxIterations, used);
  return used;
}

// The part of the velocity kept per second: above 1 every body would speed up
// for ever.
cpFloat damping(float value) {
  if (std::isfinite(value) && value >= 0.0f && value <= 1.0f) return value;
  report("physics: damping %g is outside 0 to 1, using 1", static_cast<double>(value));
  return 1.0;
}

cpVect gravity(const Vector3& value) {
  const cpVect g = cpv(value.x, value.y);
  if (isUsable(g)) return g;
  report("physics: gravity is not a usable number, using (0, 0)");
  return cpvzero;
}

int stepRate(int rate, int fallback) {
  if (rate >= 1 && rate <= kMaxStepRate) return rate;
  if (rate > kMaxStepRate) {
    report("physics: %d steps per second is outside 1 to %d, using %d", rate, kMaxStepRate, kMaxStepRate);
    return kMaxStepRate;
  }
  // No rate is nearest to 0 or below: the one in use stays.
  report("physics: %d steps per second is outside 1 to %d, keeping %d", rate, kMaxStepRate, fallback);
  return fallback;
}

bool canJoin(cpBody* a, cpBody* b) {
  if (a == nullptr || b == nullptr) {
    report("physics: joint skipped: it needs two bodies");
    return false;
  }
  if (a == b) {
    report("physics: joint skipped: both ends are on the same body");
    return false;
  }
  if (cpBodyGetType(a) != CP_BODY_TYPE_DYNAMIC && cpBodyGetType(b) != CP_BODY_TYPE_DYNAMIC) {
    report("physics: joint skipped: both bodies are static");
    return false;
  }
  return true;
}

}  // namespace RenderEngine::PhysicsGuard
