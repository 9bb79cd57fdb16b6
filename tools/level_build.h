#pragma once
// Builds a level into a physics scene the way the in-game sequence lays it
// out (entities placed and added, animals last, the level's own joints, the
// "SheepEater" at the origin, the physics rate from the configuration), then
// steps it headless and reports where the bodies came to rest. Used by the
// level probe, the tests over the sample levels and the loading benchmark.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "physics/CNodePhysicsReader.h"
#include "physics/CScenePhysics.h"
#include "physics/GameConfiguration.h"
#include "render_engine/Texture.h"

namespace levelbuild {

struct BuiltLevel {
  // One entry per placed entity, null where none was built, so a joint's
  // entity index finds its node.
  std::vector<RenderEngine::CNodePhysicsBaseInterface*> nodes;
  RenderEngine::CNodePhysicsBaseInterface* sheepEater = nullptr;
  std::vector<std::string> leftOut;  // models that built nothing
  std::map<int, int> countsByType;   // single bodies by collision type
  int complexEntities = 0;
  int jointsBuilt = 0;
  int rate = 0;
};

// The collision types the game builds as animals.
bool isAnimalType(int type);

// Builds the level into the scene (which owns every node afterwards).
BuiltLevel buildLevel(CNodePhysicsReader& reader, RenderEngine::CScenePhysics& scene,
                      const EntityGroupDescription& level, const GameConfiguration& configuration);

struct BodyReport {
  int entity = 0;  // 1-based place in the level; 0 for the SheepEater
  std::string model;
  int collisionType = 0;
  bool isStatic = false;
  float startX = 0.0f;
  float startY = 0.0f;
  float x = 0.0f;
  float y = 0.0f;
  float angle = 0.0f;     // degrees
  float speed = 0.0f;     // points per second at the end
  float spin = 0.0f;      // radians per second at the end
  float maxSpeed = 0.0f;  // over the whole run
  bool hanging = false;   // a joint of the level holds it: it may still sway
  // For animals: how it died with no one playing ("" while alive): it touched
  // a death zone or the SheepEater, or left the screen.
  std::string death;
};

struct ProbeResult {
  bool loaded = false;
  std::string levelName;
  int placed = 0;
  int jointsListed = 0;
  BuiltLevel built;
  int frames = 0;
  int visuals = 0;
  int visualsWithoutPicture = 0;
  std::vector<BodyReport> bodies;
  // What the physics layer reported while the level loaded and ran.
  std::vector<std::string> messages;
};

// Loads the configuration and level number `level` from the data tree in
// dataDir (the working folder meanwhile), builds it and steps it `frames`
// frames of 33 ms. Textures are taken without a display.
ProbeResult probeLevel(const std::string& dataDir, int level, int frames);

void printReport(const ProbeResult& result, int level, std::FILE* out);

// Empty when no animal died, every moving body ended at rest inside the world
// and none ever flew off at an absurd speed; otherwise what went wrong.
std::string settleProblem(const ProbeResult& result);

// The limits settleProblem applies, in points and points per second.
inline constexpr float kRestSpeed = 3.0f;
inline constexpr float kRestSpin = 0.3f;
inline constexpr float kExplosionSpeed = 1200.0f;
inline constexpr float kWorldLeft = -80.0f;
inline constexpr float kWorldRight = 560.0f;
inline constexpr float kWorldBottom = 380.0f;
// The screen in points: an animal outside it is lost.
inline constexpr float kScreenWidth = 480.0f;
inline constexpr float kScreenHeight = 320.0f;

}  // namespace levelbuild
