// The levels save reader on arbitrary bytes: it must never crash, and what it
// took must come back unchanged through a save and a second read.
#include <cstdlib>

#include "ProgressFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzDataTree& tree = progressfuzz::tree();
  progressfuzz::freshStart();
  tree.put("TARNWELL/Quillmoor/levels.sav", data, size);
  LevelsManager& levels = LevelsManager::getInstance();
  if (levels.getTotalStars() < 0 || levels.getTotalStars() > 3 * levels.realLevelCount()) std::abort();
  if (levels.packFlag(0) != 1 || levels.packFlag(1) != 1) std::abort();
  const std::string image = levels.progressImage();
  if (!levels.saveProgress()) std::abort();
  LevelsManager::resetInstance();
  if (LevelsManager::getInstance().progressImage() != image) std::abort();
  return 0;
}
