#pragma once
// Items a tap swaps between two physics models (the black animals), and the
// process-wide list of model pairs read from the configuration's black-animal
// records.
#include <cstdint>
#include <optional>
#include <vector>

#include "physics/PhysicsDescriptions.h"

struct SwapModelRecord {
  RenderEngine::PhysicsBodyDescription model1;
  RenderEngine::PhysicsBodyDescription model2;
  std::int32_t collisionType = 0;
};

class ISwappableItem {
 public:
  ISwappableItem();
  virtual ~ISwappableItem();
  virtual bool canSwap();
  virtual void swap();

  // Once per run: the two models of each black-animal record, with their
  // masses scaled by grid size / 10 exactly as the factory scales the placed
  // animals, so a body's mass tells which model it was built from.
  static void loadSwapModels();
  // A copy of the first record of that collision type.
  static std::optional<SwapModelRecord> findSwapModels(std::int32_t collisionType);
  static const std::vector<SwapModelRecord>& swapModels();
  // For tests: the list is read again at the next construction.
  static void resetSwapModels();
  // Changes at every load, so a class's kept record can tell it is stale.
  static int generation();
};
