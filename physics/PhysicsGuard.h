#pragma once
// The one gate between outside data and Chipmunk. Debian's Chipmunk is built
// with its assertions on, and an assertion aborts the process; so every value
// that comes from a data file or a caller is checked here first. A bad value
// gives a message and is clamped or the item skipped; the game goes on.
#include <chipmunk/chipmunk.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "physics/PhysicsDescriptions.h"
#include "render_engine/Math.h"

namespace RenderEngine::PhysicsGuard {

// Where the messages go: standard output by default; tests collect them.
using MessageSink = void (*)(const std::string& message);
MessageSink setMessageSink(MessageSink sink);
// printf-style, bounded; a line break is added.
void report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The library prints two lines on stdout when the first space of the process is
// made. They are not the game's output: comparisons of output drop them.
bool isLibraryBannerLine(std::string_view line);
std::string withoutLibraryBanner(std::string_view text);

bool isFinite(float v);
bool isFinite(const Vector3& v);
bool isFinite(cpVect v);

// Lengths, positions and speeds from outside stay within these, so that no
// product inside the library can overflow into an infinity or a NaN (which it
// answers with an abort).
inline constexpr double kMaxCoordinate = 1.0e6;
inline constexpr double kMaxSpeed = 1.0e6;
inline constexpr double kMaxSpin = 1.0e4;
inline constexpr double kMaxScale = 1.0e4;
// Finite and within kMaxCoordinate.
bool isUsable(float v);
bool isUsable(cpVect v);
bool isUsable(const Vector3& v);

// A vector a caller hands to a body (velocity, force, impulse): false, with a
// message naming it, when a component is not finite; one past the limit on an
// axis is scaled back to it, its direction kept, with a message.
bool callerVector(cpVect& v, double limit, const char* what);
// A place for a body: false, with a message, when not finite; each coordinate
// past kMaxCoordinate is brought back to it, with a message.
bool callerPosition(cpVect& p);

// The position step of every dynamic body: a speed that got out of hand (a
// chain of super-elastic bounces, a flood of impulses) is brought back within
// bounds before it moves the body.
void boundedPositionUpdate(cpBody* body, cpFloat dt);

// A dynamic body's mass: finite and above 0, otherwise 1.
cpFloat bodyMass(float mass);
// A moment that is not above 0 or not finite would stop the first step; such a
// body gets an infinite moment (it does not turn).
cpFloat bodyMoment(cpFloat moment);
// A new dynamic body with checked mass and moment.
cpBody* newDynamicBody(float mass, cpFloat moment);

// Elasticity and friction: finite and not below 0.
cpFloat material(float value, const char* what);
// Collision types are unsigned in the library, where -1 would be the wildcard.
cpCollisionType collisionType(std::int32_t type);
cpShapeFilter shapeFilter(std::int32_t group, std::uint32_t layers);

// Checked geometry of one description. Each answers false (with a message)
// when the shape must be skipped.
bool segmentGeometry(const PhysicsShapeDescription& d, cpVect& a, cpVect& b, cpFloat& radius);
bool polygonGeometry(const PhysicsShapeDescription& d, std::vector<cpVect>& vertices, cpVect& offset);
bool circleGeometry(const PhysicsShapeDescription& d, cpFloat& radius, cpVect& offset);

// The moment one shape adds for the whole body mass (0 for a segment or for a
// shape that would be skipped).
cpFloat shapeMoment(cpFloat mass, const PhysicsShapeDescription& d);

// A shape on the body built from the description, with material, filter and
// type set; null when the description is rejected.
cpShape* newShape(cpBody* body, const PhysicsShapeDescription& d, std::int32_t group, std::int32_t type,
                  std::uint32_t layers, void* userData);

// World settings.
int iterations(int value);
cpFloat damping(float value);
cpVect gravity(const Vector3& value);
// Solver passes per step: 1 to kMaxIterations.
inline constexpr int kMaxIterations = 1000;
// Steps per second: below 1 the fallback, above kMaxStepRate kMaxStepRate.
inline constexpr int kMaxStepRate = 600;
int stepRate(int rate, int fallback);

// A joint needs two distinct bodies, and at least one of them must move: a
// constraint between two immovable bodies cannot be solved.
bool canJoin(cpBody* a, cpBody* b);

}  // namespace RenderEngine::PhysicsGuard
