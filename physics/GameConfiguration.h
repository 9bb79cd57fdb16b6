#pragma once
// The physics and gameplay tuning read from "config.ynm": the grid size that
// scales the level data, the world's gravity, damping and solver settings, the
// break forces and powers of the block kinds, the black animals' model pairs,
// and the table that picks a level's physics rate from its size. One record
// for the process; every load replaces all of it.
#include <cstdint>
#include <string>
#include <vector>

#include "physics/CScenePhysics.h"
#include "render_engine/Math.h"

class TiXmlDocument;

struct EngineTweakRecord {
  std::int32_t updateRate = 0;  // steps per second
  std::int32_t itemCount = 0;
};

struct BlackAnimalRecord {
  std::string model1;
  std::string model2;
  std::int32_t collisionType = 0;
};

struct GameConfiguration {
  // Compared with squared relative speeds: stored squared and scaled.
  float iceBreakForce = 0.0f;
  // A breaking ice block lets the body that broke it pass through.
  bool iceTraverse = false;
  float explosiveBreakForce = 0.0f;
  float explosionRadius = 0.0f;
  float explosionMaxPower = 0.0f;
  float explosionMinPower = 0.0f;
  float jumpingForce = 0.0f;
  std::int32_t activeHashCount = 0;
  std::int32_t activeHashSize = 0;
  std::int32_t staticHashCount = 0;
  std::int32_t staticHashSize = 0;
  RenderEngine::Vector3 gravity;
  float damping = 0.0f;
  std::int32_t iterations = 0;
  std::int32_t elasticIterations = 0;
  // In file order, the default rate first (with item count 0).
  std::vector<EngineTweakRecord> engineTweaks;
  std::vector<BlackAnimalRecord> blackAnimals;

  // The steps per second for a level of that many entities and joints: the
  // joints count only in a level of more than 70 of them; the tweak list is
  // walked while an entry's item count is at most the count, and the last
  // entry walked gives the rate (30 while the list is empty).
  std::int32_t updateRateFor(int entityCount, int jointCount) const;
  RenderEngine::PhysicsWorldParameters worldParameters() const;
  RenderEngine::SpatialHashParameters hashParameters() const;
};

// The process-wide record and integers.
GameConfiguration& gameConfiguration();
std::int32_t getGridSize();
std::int32_t getRotationAngle();

// The values used for anything the file lacks (the grid size 10 among them).
GameConfiguration defaultGameConfiguration();
inline constexpr std::int32_t kDefaultGridSize = 10;
// Larger grids make lengths and forces overflow what the physics accepts.
inline constexpr std::int32_t kMaxGridSize = 1000;

// Loads "config.ynm" through the resource paths and reads it. A file that does
// not load gives a message and the default configuration; the answer says
// whether the file was read.
bool loadConfiguration();
// Fills the record and the two integers from the document. A missing, empty or
// unreadable value gives a message and its default.
void readConfiguration(const TiXmlDocument& document);
