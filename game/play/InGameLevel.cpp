#include "game/play/InGameSequence.h"

#include <cstdio>

#include "game/actors/ActorCasts.h"
#include "game/actors/QMRJoint.h"
#include "game/actors/QuillmoorGameplayTest.h"
#include "game/host/GameHost.h"
#include "game/play/GameHud.h"
#include "game/play/QMRBackground.h"
#include "game/play/QMRGameFX.h"
#include "game/progress/TutorialManager.h"
#include "physics/CScenePhysics.h"
#include "physics/GameConfiguration.h"

// The level screen's level: its scenery and music, the level built from its
// description into the physics scene, nodes taken out of it, and the effect
// of a tap.

using RenderEngine::CNode;
using RenderEngine::CNodePhysics;
using RenderEngine::CNodePhysicsBaseInterface;

namespace {
constexpr int kFlockTutorial = 6;
}  // namespace

int InGameSequence::levelMusic(int scenery) {
  // Sceneries below 1 take the first piece rather than a negative remainder.
  const int s = scenery < 1 ? 1 : scenery;
  return 39 + (s - 1) % 3;
}

void InGameSequence::setScenery(int index) {
  if (index != scenery_) {
    delete background_;
    background_ = nullptr;
    scenery_ = index;
    if (index != -1) background_ = new QMRBackground(index);
  }
  gameHost().playMusic(static_cast<std::uint32_t>(levelMusic(scenery_)), true);
  if (background_ != nullptr) background_->stopEffect();
}

void InGameSequence::prepareLevel(int levelId, int scenery, int tutorialId) {
  setScenery(scenery);
  tutorialId_ = tutorialId;
  if (levelId != levelId_) {
    levelId_ = levelId;
    level_ = reader_.loadLevel(levelId);
  }
  loadLevel();
  paused_ = false;
  tries_ = 1;
  visitPlayMs_ = 0;
  visitTries_ = 1;
  won_ = false;
}

void InGameSequence::clearLevel() {
  actors_.clear();
  failed_.clear();
  joints_.clear();
  if (scene_ != nullptr) scene_->reset();
  if (rules_ != nullptr) rules_->clearAll();
}

void InGameSequence::loadLevel() {
  if (scene_ == nullptr) return;
  failWaitMs_ = 0;
  failOffScreen_ = false;
  // A fresh attempt shows a fresh clock, count and marks already behind its
  // briefings, not the figures of the attempt before.
  score_ = clockMs_ = actions_ = 0;
  showCounters();
  if (hud_ != nullptr) hud_->showMarks(3);
  process().counters.fill(0);
  clearLevel();
  const GameConfiguration& config = gameConfiguration();
  scene_->setWorldParameters(config.worldParameters());
  scene_->setStepsPerSecond(
      config.updateRateFor(static_cast<int>(level_.entities.size()), static_cast<int>(level_.joints.size())));
  const bool show106 = background_ != nullptr && background_->isDecorationTag(QMRBackground::kDecorationTag);

  std::vector<CNodePhysicsBaseInterface*> nodes;
  for (const PlacedEntityDescription& placed : level_.entities) {
    CNodePhysicsBaseInterface* node = reader_.createEntity(placed.model.name);
    if (node == nullptr) continue;
    node->setVisibleByTag(show106, QMRBackground::kDecorationTag);
    node->setPosition(placed.x, placed.y, 0.0f);
    node->setRotation(0.0f, 0.0f, placed.angle);
    // A complex entity has no type of its own: it counts nothing and never
    // decides the level.
    auto* body = dynamic_cast<CNodePhysics*>(node);
    const int type = body != nullptr ? body->getCollisionType() : -1;
    if (type >= 0 && type < kTypeCount) ++process().counters[static_cast<std::size_t>(type)];
    QMRSheep* animal = body != nullptr && CollisionType::isAnimal(type) ? asAnimal(body) : nullptr;
    if (animal != nullptr) {
      actors_.push_back(animal);
    } else {
      scene_->addPhysicsItem(node);
    }
    nodes.push_back(node);
  }
  for (QMRSheep* actor : actors_) scene_->addPhysicsItem(actor);
  failed_.assign(actors_.size(), false);

  const auto count = static_cast<int>(nodes.size());
  for (const PhysicsModelDescription& joint : level_.joints) {
    const PhysicsModelDescription model = reader_.getJointTemplate(joint.name);
    RenderEngine::PhysicsJointDescription description = joint.joint;
    description.slideMin = model.joint.slideMin;
    description.slideMax = model.joint.slideMax;
    description.referenceSize = model.joint.referenceSize;
    const int i1 = description.entity1;
    const int i2 = description.entity2;
    auto* n1 = i1 >= 0 && i1 < count ? dynamic_cast<CNodePhysics*>(nodes[static_cast<std::size_t>(i1)]) : nullptr;
    auto* n2 = i2 >= 0 && i2 < count ? dynamic_cast<CNodePhysics*>(nodes[static_cast<std::size_t>(i2)]) : nullptr;
    if (n1 == nullptr || n2 == nullptr || n1 == n2) {
      std::fprintf(stderr, "level %d: joint \"%s\" between entities %d and %d left out\n", levelId_,
                   joint.name.c_str(), i1 + 1, i2 + 1);
      continue;
    }
    auto* node = new QMRJoint;
    node->attach(description, n1, n2);
    if (CNode* visual = reader_.createVisual(model.textureId, model.visualNodeName, model.visualTag)) {
      visual->showFrameByTag(105, QMRCNodePhysicsReader::kJointBarLook);
      node->addChild(visual);
    }
    node->setColor(255.0f, 255.0f, 255.0f, 255.0f);
    scene_->addPhysicsItem(node);
    joints_.push_back(node);
  }

  if (CNodePhysicsBaseInterface* eater = reader_.createEntity("SheepEater")) {
    eater->setPosition(0.0f, 0.0f, 0.0f);
    eater->setRotation(0.0f, 0.0f, 0.0f);
    scene_->addPhysicsItem(eater);
  }
  rules_->onLevelBuilt();

  bool briefing = false;
  TutorialManager& tutorials = TutorialManager::getInstance();
  if (tutorialId_ > 0) {
    tutorials.showTutorial(tutorialId_);
    briefing = true;
  }
  for (int type = 0; type < kTypeCount; ++type) {
    if (process().counters[static_cast<std::size_t>(type)] != 0) briefing = tutorials.showBlockTutorial(type) || briefing;
  }
  if (process().counters[CollisionType::Sheep] > 1) briefing = tutorials.showTutorialOnce(kFlockTutorial) || briefing;
  setState(briefing ? kBriefing : kPlay);
}

int InGameSequence::tapEffectKind(CNodePhysics* node) {
  if (node == nullptr) return -1;
  switch (node->getCollisionType()) {
    case CollisionType::TapBlock: return 1;
    case CollisionType::Decor: return 2;
    case CollisionType::ExplosiveBlock: return 0;
    case CollisionType::IceBlock: {
      QMRBloc* ice = asBloc(node);
      return ice != nullptr && ice->getHitPoints() <= 0 ? 3 : -1;
    }
    case CollisionType::BlackSheep:
    case CollisionType::BlackWolf: return 4;
    case CollisionType::FloatingBlock: {
      QMRBloc* bloc = asBloc(node);
      const int kind = bloc != nullptr ? bloc->getKind() : -1;
      return kind == 21 ? 5 : kind == 22 ? 7 : kind == 23 ? 6 : -1;
    }
    default: return -1;
  }
}

void InGameSequence::spawnTapEffect(CNodePhysics* node) {
  if (node == nullptr) return;
  const int kind = tapEffectKind(node);
  if (kind < 0) {
    // An ice block that held: a knock and no effect.
    if (node->getCollisionType() == CollisionType::IceBlock) gameHost().playSound(17);
    return;
  }
  if (effects_ == nullptr) return;
  const auto& p = node->getPosition();
  effects_->spawnEffect(kind, static_cast<int>(p.x), static_cast<int>(p.y), node->getRotation().z);
}

void InGameSequence::removeObject(CNode* node) {
  if (scene_ == nullptr || node == nullptr) return;
  scene_->queueRemoval(node);
  auto* body = dynamic_cast<CNodePhysics*>(node);
  if (body == nullptr) return;
  std::vector<QMRJoint*> kept;
  for (QMRJoint* joint : joints_) {
    if (joint->indexOfBody(body) != -1) {
      scene_->queueRemoval(joint);
    } else {
      kept.push_back(joint);
    }
  }
  joints_.swap(kept);
}
