#include "game/actors/ISwappableItem.h"

#include <cstdio>

#include "physics/CNodePhysicsReader.h"
#include "physics/GameConfiguration.h"

namespace {
std::vector<SwapModelRecord>& records() {
  static std::vector<SwapModelRecord> list;
  return list;
}
bool g_loaded = false;
int g_generation = 0;
}  // namespace

ISwappableItem::ISwappableItem() { loadSwapModels(); }
ISwappableItem::~ISwappableItem() = default;
bool ISwappableItem::canSwap() { return false; }
void ISwappableItem::swap() {}

void ISwappableItem::loadSwapModels() {
  if (g_loaded) return;
  g_loaded = true;
  ++g_generation;
  CNodePhysicsReader reader;
  reader.setScale(getGridSize());
  std::vector<SwapModelRecord>& list = records();
  list.clear();
  const double factor = getGridSize() / 10.0;
  for (const BlackAnimalRecord& animal : gameConfiguration().blackAnimals) {
    const PhysicsModelDescription m1 = reader.getEntity(animal.model1);
    const PhysicsModelDescription m2 = reader.getEntity(animal.model2);
    if (m1.name != animal.model1 || m2.name != animal.model2) {
      std::printf("black animal of collision type %d: model \"%s\" or \"%s\" is missing: it cannot swap\n",
                  animal.collisionType, animal.model1.c_str(), animal.model2.c_str());
      continue;
    }
    SwapModelRecord r;
    r.model1 = m1.body;
    r.model2 = m2.body;
    r.model1.mass = static_cast<float>(r.model1.mass * factor);
    r.model2.mass = static_cast<float>(r.model2.mass * factor);
    r.collisionType = animal.collisionType;
    list.push_back(r);
  }
}

std::optional<SwapModelRecord> ISwappableItem::findSwapModels(std::int32_t collisionType) {
  for (const SwapModelRecord& r : records()) {
    if (r.collisionType == collisionType) return r;
  }
  return std::nullopt;
}

const std::vector<SwapModelRecord>& ISwappableItem::swapModels() { return records(); }

void ISwappableItem::resetSwapModels() {
  g_loaded = false;
  records().clear();
  ++g_generation;
}

int ISwappableItem::generation() { return g_generation; }
