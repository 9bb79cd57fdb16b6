#include "game/actors/QMRCNodePhysicsReader.h"

#include <climits>

#include "game/actors/ActorTemplates.h"
#include "game/actors/QMRBlackAnimals.h"
#include "game/actors/QMRBloc.h"
#include "game/actors/QMRSheep.h"
#include "physics/CNodePhysicsContainer.h"
#include "physics/CNodePhysicsJoint.h"
#include "physics/GameConfiguration.h"
#include "render_engine/CSprite.h"

using RenderEngine::CNode;
using RenderEngine::CNodePhysics;

QMRCNodePhysicsReader::QMRCNodePhysicsReader() = default;
QMRCNodePhysicsReader::~QMRCNodePhysicsReader() = default;

float QMRCNodePhysicsReader::scaledMass(float mass) { return static_cast<float>(mass * (getGridSize() / 10.0)); }

CNode* QMRCNodePhysicsReader::createVisual(std::int32_t textureId, const std::string& /*nodeName*/,
                                           std::int32_t /*tag*/) {
  if (textureId == -1 || textureId == INT32_MIN) return nullptr;
  if (textureId >= 0) return ActorTemplates::copyOf(ActorTemplates::get(ActorTemplates::kBlocksScene));
  return new RenderEngine::CSprite(static_cast<int>(-textureId));
}

namespace {

QMRSheep* newAnimal(int type) {
  switch (type) {
    case CollisionType::Sheep:
      return new QMRSheep;
    case CollisionType::Wolf:
      return new QMRWolf;
    case CollisionType::BlackSheep:
      return new QMRBlackSheep;
    case CollisionType::BlackWolf:
      return new QMRBlackWolf;
    default:
      return nullptr;
  }
}

}  // namespace

RenderEngine::CNodePhysicsBaseInterface* QMRCNodePhysicsReader::createEntity(const std::string& name) {
  if (hasEntityModel(name)) {
    PhysicsModelDescription model = getEntity(name);
    if (model.name == name) {
      model.body.mass = scaledMass(model.body.mass);
      CNodePhysics* node = nullptr;
      if (QMRSheep* animal = newAnimal(model.body.collisionType)) {
        animal->createBody(model.body);
        animal->buildVisual();
        animal->setState(1);
        node = animal;
      } else {
        auto* block = new QMRBloc;
        block->createBody(model.body);
        if (CNode* visual = createVisual(model.textureId, model.visualNodeName, model.visualTag)) {
          block->addChild(visual);
        }
        block->setBlockKind(model.textureId);
        node = block;
      }
      node->setColor(255.0f, 255.0f, 255.0f, 255.0f);
      return node;
    }
  }
  if (hasComplexEntity(name)) {
    const EntityGroupDescription group = getComplexEntity(name);
    if (group.name == name) {
      RenderEngine::CNodePhysicsBaseInterface* container = buildComplexEntity(group);
      // The parts are plain physics nodes, so nothing picks their look in the
      // block scene copy: each shows its model's kind, each joint the bar.
      std::size_t part = 0;
      for (CNode* child : container->getChildren()) {
        if (auto* joint = dynamic_cast<RenderEngine::CNodePhysicsJoint*>(child)) {
          joint->showFrameByTag(QMRBloc::kSelectorTag, kJointBarLook);
          continue;
        }
        while (part < group.entities.size() && group.entities[part].model.name.empty()) ++part;
        if (part < group.entities.size()) {
          child->showFrameByTag(QMRBloc::kSelectorTag, group.entities[part].model.textureId);
          ++part;
        }
      }
      return container;
    }
  }
  return CNodePhysicsReader::createEntity(name);
}
