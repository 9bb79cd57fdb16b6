// The achievements save reader on arbitrary bytes: it must never crash, its
// counts must match the records it marked, and a save read back is the same.
#include <cstdlib>

#include "ProgressFuzz.h"

namespace {

int earnedRecords(const QMRAchievementManager& a, bool progressOnly) {
  int n = 0;
  for (int c = 0; c < QMRAchievementManager::kCategoryCount; ++c) {
    for (const AchievementRecord& r : a.category(c).records) {
      if (r.earned && (!progressOnly || r.countForProgress)) ++n;
    }
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzDataTree& tree = progressfuzz::tree();
  progressfuzz::freshStart();
  tree.put("TARNWELL/Quillmoor/achievements.sav", data, size);
  QMRAchievementManager& a = QMRAchievementManager::getInstance();
  if (a.earnedCount() != earnedRecords(a, false) || a.earnedProgressCount() != earnedRecords(a, true)) std::abort();
  const std::string image = a.progressImage();
  if (!a.saveProgress()) std::abort();
  QMRAchievementManager::resetInstance();
  if (QMRAchievementManager::getInstance().progressImage() != image) std::abort();
  return 0;
}
