#include "tools/level_build.h"

#include <chipmunk/chipmunk.h>
#include <tinyxml.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <system_error>

#include "app/ResourcePaths.h"
#include "game/actors/QMRBloc.h"
#include "physics/CNodePhysics.h"
#include "physics/CNodePhysicsContainer.h"
#include "physics/CNodePhysicsJoint.h"
#include "physics/PhysicsGuard.h"
#include "render_engine/CSprite.h"
#include "render_engine/Texture.h"

using namespace RenderEngine;

namespace levelbuild {
namespace {

constexpr int kFrameMs = 33;

std::vector<std::string>& collected() {
  static std::vector<std::string> messages;
  return messages;
}

void collect(const std::string& message) { collected().push_back(message); }

constexpr int kDeathZoneType = 8;

// Animals that touched a death zone while the probe ran, and what they touched.
struct DeathRecord {
  CNodePhysics* animal;
  CNodePhysics* killer;
};
std::vector<DeathRecord>& deaths() {
  static std::vector<DeathRecord> records;
  return records;
}

int recordDeath(CNodePhysics* animal, CNodePhysics* zone, int, ContactList) {
  deaths().push_back({animal, zone});
  return 1;
}

}  // namespace


namespace {

// Every single body of a built node: itself, or a container's parts.
void bodiesOf(CNode* node, std::vector<CNodePhysics*>& out) {
  if (auto* body = dynamic_cast<CNodePhysics*>(node)) {
    out.push_back(body);
    return;
  }
  if (dynamic_cast<CNodePhysicsContainer*>(node) != nullptr) {
    for (CNode* child : node->getChildren()) {
      if (auto* part = dynamic_cast<CNodePhysics*>(child)) out.push_back(part);
    }
  }
}

void countVisuals(CNode* node, int& visuals, int& withoutPicture) {
  NodeList all;
  node->collectAll(all);
  for (CNode* n : all) {
    if (auto* sprite = dynamic_cast<CSprite*>(n)) {
      ++visuals;
      if (sprite->getWidth() == 0) ++withoutPicture;
    }
  }
}

// A level file that parses and holds a level element: the level loaded.
bool levelFileLoads(int level) {
  TiXmlDocument document;
  if (!loadXmlResource(document, "levels/" + std::to_string(level) + ".ynm")) return false;
  return document.FirstChildElement("level") != nullptr;
}

std::string typeName(int type) {
  for (const auto& [name, value] : CNodePhysicsReader::typeTable()) {
    if (value == type) return name;
  }
  return "?";
}

class ScopedWorkingFolder {
 public:
  explicit ScopedWorkingFolder(const std::string& dir) {
    std::error_code ec;
    old_ = std::filesystem::current_path(ec);
    std::filesystem::current_path(dir, ec);
    ok_ = !ec;
  }
  ~ScopedWorkingFolder() {
    std::error_code ec;
    if (!old_.empty()) std::filesystem::current_path(old_, ec);
  }
  ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
  ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;
  bool ok() const { return ok_; }

 private:
  std::filesystem::path old_;
  bool ok_ = false;
};

}  // namespace

bool isAnimalType(int type) { return type == 1 || type == 9 || type == 12 || type == 13; }

BuiltLevel buildLevel(CNodePhysicsReader& reader, CScenePhysics& scene, const EntityGroupDescription& level,
                      const GameConfiguration& configuration) {
  BuiltLevel built;
  scene.setWorldParameters(configuration.worldParameters());
  built.rate =
      configuration.updateRateFor(static_cast<int>(level.entities.size()), static_cast<int>(level.joints.size()));
  scene.setStepsPerSecond(built.rate);

  std::vector<CNodePhysicsBaseInterface*> animals;
  for (const PlacedEntityDescription& placed : level.entities) {
    CNodePhysicsBaseInterface* node = reader.createEntity(placed.model.name);
    built.nodes.push_back(node);
    if (node == nullptr) {
      built.leftOut.push_back(placed.model.name);
      continue;
    }
    node->setPosition(placed.x, placed.y, 0.0f);
    node->setRotation(0.0f, 0.0f, placed.angle);
    auto* body = dynamic_cast<CNodePhysics*>(node);
    if (body == nullptr) {
      ++built.complexEntities;
      scene.addPhysicsItem(node);
      continue;
    }
    ++built.countsByType[body->getCollisionType()];
    if (isAnimalType(body->getCollisionType())) {
      animals.push_back(node);
    } else {
      scene.addPhysicsItem(node);
    }
  }
  for (CNodePhysicsBaseInterface* animal : animals) scene.addPhysicsItem(animal);

  const auto count = static_cast<int>(built.nodes.size());
  for (const PhysicsModelDescription& joint : level.joints) {
    const PhysicsModelDescription model = reader.getJointTemplate(joint.name);
    if (model.name != joint.name) continue;
    PhysicsJointDescription description = joint.joint;
    description.slideMin = model.joint.slideMin;
    description.slideMax = model.joint.slideMax;
    description.referenceSize = model.joint.referenceSize;
    const int i1 = description.entity1;
    const int i2 = description.entity2;
    CNodePhysics* n1 =
        i1 >= 0 && i1 < count ? dynamic_cast<CNodePhysics*>(built.nodes[static_cast<std::size_t>(i1)]) : nullptr;
    CNodePhysics* n2 =
        i2 >= 0 && i2 < count ? dynamic_cast<CNodePhysics*>(built.nodes[static_cast<std::size_t>(i2)]) : nullptr;
    if (n1 == nullptr || n2 == nullptr) {
      PhysicsGuard::report(
          "level: joint \"%s\" between entities %d and %d: one of them is not a single body that "
          "was built: the joint is left out",
          joint.name.c_str(), i1 + 1, i2 + 1);
      continue;
    }
    auto* node = new CNodePhysicsJoint;
    node->attach(description, n1, n2);
    if (CNode* visual = reader.createVisual(model.textureId, model.visualNodeName, model.visualTag)) {
      node->addChild(visual);
    }
    node->setColor(255.0f, 255.0f, 255.0f, 255.0f);
    scene.addPhysicsItem(node);
    if (node->getConstraint() != nullptr) ++built.jointsBuilt;
  }

  built.sheepEater = reader.createEntity("SheepEater");
  if (built.sheepEater != nullptr) {
    built.sheepEater->setPosition(0.0f, 0.0f, 0.0f);
    built.sheepEater->setRotation(0.0f, 0.0f, 0.0f);
    scene.addPhysicsItem(built.sheepEater);
  }
  return built;
}

ProbeResult probeLevel(const std::string& dataDir, int level, int frames) {
  ProbeResult result;
  collected().clear();
  const PhysicsGuard::MessageSink oldSink = PhysicsGuard::setMessageSink(&collect);
  const TextureGlBackend oldTextures = TextureGlBackend::set(TextureGlBackend::headless());
  {
    ScopedWorkingFolder folder(dataDir);
    if (!folder.ok()) {
      PhysicsGuard::report("level probe: cannot enter the data folder %s", dataDir.c_str());
    } else {
      loadConfiguration();
      CNodePhysicsReader reader;
      reader.setScale(getGridSize());
      result.loaded = levelFileLoads(level);
      const EntityGroupDescription description = reader.loadLevel(level);
      if (result.loaded) {
        result.levelName = description.name;
        result.placed = static_cast<int>(description.entities.size());
        result.jointsListed = static_cast<int>(description.joints.size());
        auto scene = std::make_unique<CScenePhysics>();
        scene->resizeHashes(gameConfiguration().hashParameters());
        result.built = buildLevel(reader, *scene, description, gameConfiguration());

        std::vector<CNodePhysics*> bodies;
        std::vector<int> entityOf;
        for (std::size_t i = 0; i < result.built.nodes.size(); ++i) {
          if (result.built.nodes[i] == nullptr) continue;
          bodiesOf(result.built.nodes[i], bodies);
          entityOf.resize(bodies.size(), static_cast<int>(i) + 1);
          countVisuals(result.built.nodes[i], result.visuals, result.visualsWithoutPicture);
        }
        if (result.built.sheepEater != nullptr) {
          bodiesOf(result.built.sheepEater, bodies);
          entityOf.resize(bodies.size(), 0);
        }
        for (CNode* node : scene->getRegisteredNodes()) {
          if (dynamic_cast<CNodePhysicsJoint*>(node) != nullptr) {
            countVisuals(node, result.visuals, result.visualsWithoutPicture);
          }
        }
        const std::vector<std::string> names = [&] {
          std::vector<std::string> n;
          for (std::size_t i = 0; i < bodies.size(); ++i) {
            const int e = entityOf[i];
            std::string name = e == 0 ? "SheepEater" : description.entities[static_cast<std::size_t>(e - 1)].model.name;
            if (dynamic_cast<CNodePhysicsContainer*>(bodies[i]->getParent()) != nullptr) name += " part";
            n.push_back(name);
          }
          return n;
        }();
        std::vector<bool> jointed(description.entities.size() + 1, false);
        for (const PhysicsModelDescription& j : description.joints) {
          for (const int e : {j.joint.entity1, j.joint.entity2}) {
            if (e >= 0 && e < static_cast<int>(description.entities.size())) jointed[static_cast<std::size_t>(e) + 1] = true;
          }
        }
        for (std::size_t i = 0; i < bodies.size(); ++i) {
          BodyReport r;
          r.entity = entityOf[i];
          r.hanging = jointed[static_cast<std::size_t>(r.entity)];
          r.model = names[i];
          r.collisionType = bodies[i]->getCollisionType();
          r.isStatic = bodies[i]->isStatic();
          if (cpBody* b = bodies[i]->getBody()) {
            const cpVect p = cpBodyGetPosition(b);
            r.startX = r.x = static_cast<float>(p.x);
            r.startY = r.y = static_cast<float>(p.y);
          }
          result.bodies.push_back(r);
        }
        // No rules run here, so a lost animal is watched for: a touch of a
        // death zone (the SheepEater is one) or a place off the screen.
        deaths().clear();
        for (const int animal : {1, 9, 12, 13}) scene->addCollisionHandler(animal, kDeathZoneType, &recordDeath);
        // Balloons rise as in the game, or what they hold up would fall here.
        for (CNodePhysics* node : bodies) {
          if (cpBody* b = node->getBody(); b != nullptr && !node->isStatic() &&
                                           node->getCollisionType() == QMRBloc::kFloatingType) {
            cpBodySetVelocityUpdateFunc(b, &floatingBlockVelocity);
          }
        }
        // Each way of dying is told once, at its first frame.
        std::vector<unsigned> waysSeen(bodies.size(), 0u);
        auto noteDeath = [&](std::size_t i, unsigned way, const std::string& how) {
          if ((waysSeen[i] & way) != 0) return;
          waysSeen[i] |= way;
          std::string& death = result.bodies[i].death;
          death += (death.empty() ? "" : "; ") + how;
        };
        for (int frame = 0; frame < frames; ++frame) {
          scene->update(kFrameMs);
          for (std::size_t i = 0; i < bodies.size(); ++i) {
            cpBody* b = bodies[i]->getBody();
            if (b == nullptr || bodies[i]->isStatic()) continue;
            const auto speed = static_cast<float>(cpvlength(cpBodyGetVelocity(b)));
            if (speed > result.bodies[i].maxSpeed) result.bodies[i].maxSpeed = speed;
            if (!isAnimalType(bodies[i]->getCollisionType())) continue;
            const cpVect p = cpBodyGetPosition(b);
            if (p.x < 0.0 || p.x > kScreenWidth || p.y < 0.0 || p.y > kScreenHeight) {
              char where[96];
              std::snprintf(where, sizeof where, "left the screen at frame %d (%.1f, %.1f)", frame + 1, p.x, p.y);
              noteDeath(i, 1u, where);
            }
          }
          for (const DeathRecord& d : deaths()) {
            for (std::size_t i = 0; i < bodies.size(); ++i) {
              if (bodies[i] != d.animal) continue;
              const bool eater = result.built.sheepEater != nullptr &&
                                 d.killer == dynamic_cast<CNodePhysics*>(result.built.sheepEater);
              noteDeath(i, eater ? 2u : 4u,
                        std::string(eater ? "touched the SheepEater" : "touched a death zone") + " at frame " +
                            std::to_string(frame + 1));
            }
          }
          deaths().clear();
        }
        result.frames = frames;
        for (std::size_t i = 0; i < bodies.size(); ++i) {
          cpBody* b = bodies[i]->getBody();
          if (b == nullptr) continue;
          BodyReport& r = result.bodies[i];
          const cpVect p = cpBodyGetPosition(b);
          r.x = static_cast<float>(p.x);
          r.y = static_cast<float>(p.y);
          r.angle = static_cast<float>(cpBodyGetAngle(b) * 180.0 / std::numbers::pi);
          if (!r.isStatic) {
            r.speed = static_cast<float>(cpvlength(cpBodyGetVelocity(b)));
            r.spin = static_cast<float>(std::fabs(cpBodyGetAngularVelocity(b)));
          }
        }
      }
    }
  }
  TextureGlBackend::set(oldTextures);
  PhysicsGuard::setMessageSink(oldSink);
  result.messages = collected();
  collected().clear();
  return result;
}

void printReport(const ProbeResult& r, int level, std::FILE* out) {
  if (!r.loaded) {
    std::fprintf(out, "level %d: could not be loaded\n", level);
  } else {
    std::fprintf(out, "level %d \"%s\"\n", level, r.levelName.c_str());
    std::fprintf(out, "physics rate: %d steps per second (%d entities, %d joints)\n", r.built.rate, r.placed,
                 r.jointsListed);
    const int built = r.placed - static_cast<int>(r.built.leftOut.size());
    std::fprintf(out, "entities: %d placed, %d built, %zu left out\n", r.placed, built, r.built.leftOut.size());
    for (const auto& [type, n] : r.built.countsByType) {
      std::fprintf(out, "  %s (%d): %d\n", typeName(type).c_str(), type, n);
    }
    if (r.built.complexEntities > 0) std::fprintf(out, "  complex entities: %d\n", r.built.complexEntities);
    for (const std::string& name : r.built.leftOut) std::fprintf(out, "  left out: %s\n", name.c_str());
    std::fprintf(out, "sheep eater: %s\n", r.built.sheepEater != nullptr ? "yes" : "missing");
    std::fprintf(out, "joints: %d listed, %d built\n", r.jointsListed, r.built.jointsBuilt);
    std::fprintf(out, "visuals: %d (%d without a picture)\n", r.visuals, r.visualsWithoutPicture);
    std::fprintf(out, "after %d frames (%.1f s):\n", r.frames, r.frames * kFrameMs / 1000.0);
    for (const BodyReport& b : r.bodies) {
      if (b.isStatic) {
        std::fprintf(out, "  #%d %s, %s, static at (%.1f, %.1f) angle %.1f\n", b.entity, b.model.c_str(),
                     typeName(b.collisionType).c_str(), b.x, b.y, b.angle);
      } else {
        std::fprintf(out, "  #%d %s, %s, from (%.1f, %.1f) to (%.1f, %.1f) angle %.1f speed %.2f top speed %.1f\n",
                     b.entity, b.model.c_str(), typeName(b.collisionType).c_str(), b.startX, b.startY, b.x, b.y,
                     b.angle, b.speed, b.maxSpeed);
      }
      if (!b.death.empty()) std::fprintf(out, "    lost: %s\n", b.death.c_str());
    }
  }
  for (const std::string& m : r.messages) std::fprintf(out, "message: %s\n", m.c_str());
  std::fprintf(out, "messages: %zu\n", r.messages.size());
  if (r.loaded) {
    const std::string problem = settleProblem(r);
    std::fprintf(out, "settled: %s\n", problem.empty() ? "yes" : ("no: " + problem).c_str());
  }
}

std::string settleProblem(const ProbeResult& r) {
  char buffer[256];
  for (const BodyReport& b : r.bodies) {
    if (b.death.empty()) continue;
    std::snprintf(buffer, sizeof buffer, "#%d %s %s", b.entity, b.model.c_str(), b.death.c_str());
    return buffer;
  }
  for (const BodyReport& b : r.bodies) {
    if (b.isStatic) continue;
    const char* problem = nullptr;
    if (b.maxSpeed > kExplosionSpeed) {
      problem = "flew off";
    } else if (b.x < kWorldLeft || b.x > kWorldRight || b.y > kWorldBottom) {
      problem = "left the world";
    } else if (!b.hanging && (b.speed > kRestSpeed || b.spin > kRestSpin)) {
      problem = "is still moving";
    }
    if (problem == nullptr) continue;
    std::snprintf(buffer, sizeof buffer, "#%d %s %s (at %.1f, %.1f; speed %.2f, spin %.2f, top speed %.1f)", b.entity,
                  b.model.c_str(), problem, b.x, b.y, b.speed, b.spin, b.maxSpeed);
    return buffer;
  }
  return {};
}

}  // namespace levelbuild
