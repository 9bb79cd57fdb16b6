#include "physics/GameConfiguration.h"

#include <tinyxml.h>

#include <cmath>
#include <string>

#include "app/ResourcePaths.h"
#include "physics/PhysicsGuard.h"
#include "physics/PhysicsXml.h"

namespace {

const std::string kConfigFile = std::string("config") + "." + "ynm";

std::int32_t gGridSize = 0;
std::int32_t gRotationAngle = 0;

using RenderEngine::PhysicsGuard::report;

// Element text read as the file's values are: a missing section was reported
// once already, so its values quietly take their defaults.
class SectionReader {
 public:
  SectionReader(const TiXmlElement* section, std::string path) : section_(section), path_(std::move(path)) {}

  SectionReader child(const char* name) const {
    if (section_ == nullptr) return SectionReader(nullptr, path_ + "/" + name);
    const TiXmlElement* e = section_->FirstChildElement(name);
    if (e == nullptr) {
      report("%s: missing <%s/%s>, using the defaults of its values", kConfigFile.c_str(), path_.c_str(), name);
    }
    return SectionReader(e, path_ + "/" + name);
  }

  // Element texts convert as atoi and atof do ("20.0" is 20, "ten" is 0);
  // the values' ranges are checked where they are used.
  std::int32_t integer(const char* name, std::int32_t fallback) const {
    const char* text = textOf(name, std::to_string(fallback));
    if (text == nullptr) return fallback;
    return PhysicsXml::leadingInteger(text);
  }

  double real(const char* name, double fallback) const {
    char shown[32];
    std::snprintf(shown, sizeof shown, "%g", fallback);
    const char* text = textOf(name, shown);
    if (text == nullptr) return fallback;
    const double v = PhysicsXml::leadingReal(text);
    if (std::isfinite(v)) return v;
    report("%s: <%s/%s> \"%s\" is not a finite number, using %s", kConfigFile.c_str(), path_.c_str(), name, text,
           shown);
    return fallback;
  }

  const TiXmlElement* element() const { return section_; }
  const std::string& path() const { return path_; }

 private:
  // The element's text, or null (with a message when the section exists) when
  // the element is missing or empty.
  const char* textOf(const char* name, const std::string& shownDefault) const {
    if (section_ == nullptr) return nullptr;
    const TiXmlElement* e = section_->FirstChildElement(name);
    if (e == nullptr) {
      report("%s: missing <%s/%s>, using %s", kConfigFile.c_str(), path_.c_str(), name, shownDefault.c_str());
      return nullptr;
    }
    const char* text = e->GetText();
    if (text == nullptr) {
      report("%s: <%s/%s> is empty, using %s", kConfigFile.c_str(), path_.c_str(), name, shownDefault.c_str());
    }
    return text;
  }

  const TiXmlElement* section_;
  std::string path_;
};

// Squared, scaled break forces and scaled powers, in float range.
float scaledSquare(double value, double g) { return PhysicsXml::toFloat(value * value * g * g); }
float scaled(double value, double g) { return PhysicsXml::toFloat(value * g); }

// The values as the file would give them, before the grid scaling.
struct RawValues {
  std::int32_t gridSize = kDefaultGridSize;
  std::int32_t rotationAngle = 0;
  double gravityX = 0.0;
  double gravityY = 400.0;
  double damping = 0.95;
  std::int32_t iterations = 15;
  std::int32_t elasticIterations = 5;
  std::int32_t hashStdCount = 1000;
  std::int32_t hashStdDim = 20;
  std::int32_t hashStaticCount = 1000;
  std::int32_t hashStaticDim = 40;
  double iceBreak = 120.0;
  std::int32_t iceTraverse = 1;
  double explodeBreak = 150.0;
  double explosionMin = 50.0;
  double explosionMax = 300.0;
  double explosionRadius = 3.0;
  double jumpingForce = 1.1;
  std::int32_t defaultRate = 30;
};

GameConfiguration derive(const RawValues& raw, std::vector<BlackAnimalRecord> blackAnimals,
                         std::vector<EngineTweakRecord> tweaks) {
  GameConfiguration c;
  const double g = raw.gridSize / 10.0;
  c.iceBreakForce = scaledSquare(raw.iceBreak, g);
  c.iceTraverse = raw.iceTraverse != 0;
  c.explosiveBreakForce = scaledSquare(raw.explodeBreak, g);
  c.explosionRadius = PhysicsXml::toFloat(raw.explosionRadius);
  c.explosionMaxPower = scaled(raw.explosionMax, g);
  c.explosionMinPower = scaled(raw.explosionMin, g);
  c.jumpingForce = PhysicsXml::toFloat(raw.jumpingForce);
  c.activeHashCount = raw.hashStdCount;
  c.activeHashSize = raw.hashStdDim;
  c.staticHashCount = raw.hashStaticCount;
  c.staticHashSize = raw.hashStaticDim;
  c.gravity = RenderEngine::Vector3(scaled(raw.gravityX, g), scaled(raw.gravityY, g), 0.0f);
  c.damping = PhysicsXml::toFloat(raw.damping);
  c.iterations = raw.iterations;
  c.elasticIterations = raw.elasticIterations;
  c.blackAnimals = std::move(blackAnimals);
  tweaks.insert(tweaks.begin(), EngineTweakRecord{raw.defaultRate, 0});
  c.engineTweaks = std::move(tweaks);
  return c;
}

void apply(const RawValues& raw, std::vector<BlackAnimalRecord> blackAnimals, std::vector<EngineTweakRecord> tweaks) {
  gameConfiguration() = derive(raw, std::move(blackAnimals), std::move(tweaks));
  gGridSize = raw.gridSize;
  gRotationAngle = raw.rotationAngle;
}

std::vector<BlackAnimalRecord> readBlackAnimals(const SectionReader& list) {
  std::vector<BlackAnimalRecord> out;
  if (list.element() == nullptr) return out;
  int index = 0;
  for (const TiXmlElement* e = list.element()->FirstChildElement("black_animal"); e != nullptr;
       e = e->NextSiblingElement("black_animal"), ++index) {
    const char* type = e->Attribute("collType");
    const char* model1 = e->Attribute("model1");
    const char* model2 = e->Attribute("model2");
    if (type == nullptr || model1 == nullptr || model2 == nullptr || *model1 == '\0' || *model2 == '\0') {
      report("%s: <%s/black_animal> number %d skipped: it needs collType, model1 and model2", kConfigFile.c_str(),
             list.path().c_str(), index + 1);
      continue;
    }
    out.push_back(BlackAnimalRecord{model1, model2, PhysicsXml::leadingInteger(type)});
  }
  return out;
}

std::vector<EngineTweakRecord> readTweaks(const SectionReader& table, std::int32_t& defaultRate) {
  std::vector<EngineTweakRecord> out;
  if (table.element() == nullptr) return out;
  const char* rate = table.element()->Attribute("default");
  if (rate != nullptr) {
    defaultRate = PhysicsXml::leadingInteger(rate);
  } else {
    report("%s: <%s> attribute default is missing, using %d", kConfigFile.c_str(), table.path().c_str(), defaultRate);
  }
  int index = 0;
  std::int32_t previous = 0;
  for (const TiXmlElement* e = table.element()->FirstChildElement("tweak"); e != nullptr;
       e = e->NextSiblingElement("tweak"), ++index) {
    const char* itemsText = e->Attribute("nbitems");
    const char* updateText = e->Attribute("update_rate");
    if (itemsText == nullptr || updateText == nullptr) {
      report("%s: <%s/tweak> number %d skipped: it needs nbitems and update_rate", kConfigFile.c_str(),
             table.path().c_str(), index + 1);
      continue;
    }
    const std::int32_t items = PhysicsXml::leadingInteger(itemsText);
    const std::int32_t update = PhysicsXml::leadingInteger(updateText);
    // The list is walked in order and the walk stops at the first larger
    // count: an entry below an earlier one only overrides the larger tier.
    if (items < previous) {
      report("%s: <%s/tweak> nbitems=%d comes after nbitems=%d: it applies only from %d entities on, "
             "where it overrides the earlier rate; the list should ascend",
             kConfigFile.c_str(), table.path().c_str(), items, previous, previous);
    }
    previous = items > previous ? items : previous;
    out.push_back(EngineTweakRecord{update, items});
  }
  return out;
}

}  // namespace

GameConfiguration& gameConfiguration() {
  static GameConfiguration configuration;
  return configuration;
}

std::int32_t getGridSize() { return gGridSize; }
std::int32_t getRotationAngle() { return gRotationAngle; }

std::int32_t GameConfiguration::updateRateFor(int entityCount, int jointCount) const {
  const long long count = static_cast<long long>(entityCount) + (jointCount > 70 ? jointCount : 0);
  std::int32_t rate = RenderEngine::CScenePhysics::kDefaultStepsPerSecond;
  for (const EngineTweakRecord& t : engineTweaks) {
    if (t.itemCount > count) break;
    rate = t.updateRate;
  }
  return rate;
}

RenderEngine::PhysicsWorldParameters GameConfiguration::worldParameters() const {
  RenderEngine::PhysicsWorldParameters p;
  p.iterations = iterations;
  p.elasticIterations = elasticIterations;
  p.gravity = gravity;
  p.damping = damping;
  return p;
}

RenderEngine::SpatialHashParameters GameConfiguration::hashParameters() const {
  RenderEngine::SpatialHashParameters p;
  p.activeCellCount = activeHashCount;
  p.activeCellSize = static_cast<float>(activeHashSize);
  p.staticCellCount = staticHashCount;
  p.staticCellSize = static_cast<float>(staticHashSize);
  return p;
}

GameConfiguration defaultGameConfiguration() { return derive(RawValues{}, {}, {}); }

bool loadConfiguration() {
  TiXmlDocument document;
  if (!loadXmlResource(document, kConfigFile)) {
    report("loadConfiguration: %s could not be read (%s), using the default configuration", kConfigFile.c_str(),
           document.ErrorDesc());
    apply(RawValues{}, {}, {});
    return false;
  }
  readConfiguration(document);
  return true;
}

void readConfiguration(const TiXmlDocument& document) {
  RawValues raw;
  const RawValues defaults;
  const TiXmlElement* top = document.FirstChildElement("configuration");
  if (top == nullptr) {
    report("%s: no <configuration> element, using the default configuration", kConfigFile.c_str());
    apply(raw, {}, {});
    return;
  }
  const SectionReader root(top, "configuration");

  const SectionReader general = root.child("general");
  raw.gridSize = general.integer("grid_size", defaults.gridSize);
  if (raw.gridSize <= 0 || raw.gridSize > kMaxGridSize) {
    // 0 would collapse every shape; the physics cannot take a huge one.
    report("%s: grid_size %d is outside 1 to %d, using %d", kConfigFile.c_str(), raw.gridSize, kMaxGridSize,
           defaults.gridSize);
    raw.gridSize = defaults.gridSize;
  }
  raw.rotationAngle = general.integer("rotation_angle", defaults.rotationAngle);

  const SectionReader gameplay = root.child("gameplay");
  const SectionReader world = gameplay.child("world");
  raw.gravityX = world.real("gravity_x", defaults.gravityX);
  raw.gravityY = world.real("gravity_y", defaults.gravityY);
  raw.damping = world.real("dampling", defaults.damping);
  raw.iterations = world.integer("iterations", defaults.iterations);
  raw.elasticIterations = world.integer("elasticiterations", defaults.elasticIterations);
  raw.hashStdCount = world.integer("hash_std_count", defaults.hashStdCount);
  raw.hashStdDim = world.integer("hash_std_dim", defaults.hashStdDim);
  raw.hashStaticCount = world.integer("hash_static_count", defaults.hashStaticCount);
  raw.hashStaticDim = world.integer("hash_static_dim", defaults.hashStaticDim);

  const SectionReader ice = gameplay.child("block_type_ice");
  raw.iceBreak = ice.real("collision_force_for_break", defaults.iceBreak);
  raw.iceTraverse = ice.integer("traverse_without_coll_if_break", defaults.iceTraverse);

  const SectionReader explode = gameplay.child("block_type_explode");
  raw.explodeBreak = explode.real("collision_force_for_break", defaults.explodeBreak);
  raw.explosionMin = explode.real("explosion_min_power", defaults.explosionMin);
  raw.explosionMax = explode.real("explosion_max_power", defaults.explosionMax);
  raw.explosionRadius = explode.real("explosion_radius", defaults.explosionRadius);

  const SectionReader jumper = gameplay.child("block_type_jumper");
  raw.jumpingForce = jumper.real("jumping_force_power", defaults.jumpingForce);

  std::vector<BlackAnimalRecord> blackAnimals = readBlackAnimals(gameplay.child("black_animals"));
  std::vector<EngineTweakRecord> tweaks = readTweaks(gameplay.child("engine_tweak"), raw.defaultRate);
  apply(raw, std::move(blackAnimals), std::move(tweaks));
}
