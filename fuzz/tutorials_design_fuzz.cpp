// The tutorial list reader on arbitrary design files, then the calls of a
// level start and of a first win.
#include <cstdlib>

#include "ProgressFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzDataTree& tree = progressfuzz::tree();
  progressfuzz::freshStart();
  tree.put("gamedesign/tutorials.ynm", data, size);
  TutorialManager& t = TutorialManager::getInstance();
  for (int type = 0; type <= 14; ++type) t.showBlockTutorial(type);
  t.showTutorialOnce(6);
  if (t.isUnseen(4)) t.markSeen(4);
  int n = 0;
  for (const auto& entry : t.tutorials()) {
    if (++n > 64) break;
    t.showTutorial(entry.first);
  }
  return 0;
}
