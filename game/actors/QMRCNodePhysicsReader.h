#pragma once
// The game's physics reader: entity models become the game's classes by
// collision type (sheep, wolf, black sheep, black wolf, any other a block),
// with masses scaled by grid size / 10, and texture ids become looks from the
// block scene (0 and up), sprites (-2 and below) or nothing (-1).
#include "physics/CNodePhysicsReader.h"

namespace CollisionType {
enum : int {
  Default = 0,
  Sheep = 1,
  TapBlock = 2,
  Solid = 3,
  Decor = 4,
  ExplosiveBlock = 5,
  IceBlock = 6,
  GoalZone = 7,
  DeathZone = 8,
  Wolf = 9,
  JumperBlock = 10,
  ExplosionBlast = 11,
  BlackSheep = 12,
  BlackWolf = 13,
  FloatingBlock = 14,
};
inline bool isAnimal(int type) { return type == Sheep || type == Wolf || type == BlackSheep || type == BlackWolf; }
}  // namespace CollisionType

class QMRCNodePhysicsReader : public CNodePhysicsReader {
 public:
  // The look the level builder shows on a joint's visual.
  static constexpr int kJointBarLook = 17;

  QMRCNodePhysicsReader();
  ~QMRCNodePhysicsReader() override;

  RenderEngine::CNode* createVisual(std::int32_t textureId, const std::string& nodeName, std::int32_t tag) override;
  RenderEngine::CNodePhysicsBaseInterface* createEntity(const std::string& name) override;

  // The mass a placed simple entity gets: mass x (grid size / 10), as a float.
  static float scaledMass(float mass);
};
