// The tutorials save reader on arbitrary bytes: a whole file gives its bits,
// anything shorter none.
#include <cstdlib>

#include "ProgressFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzDataTree& tree = progressfuzz::tree();
  progressfuzz::freshStart();
  tree.put("TARNWELL/Quillmoor/tutov2.sav", data, size);
  const TutorialManager& t = TutorialManager::getInstance();
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  if (size >= 9) {
    for (int i = 0; i < 4; ++i) {
      low |= static_cast<std::uint32_t>(data[1 + i]) << (8 * i);
      high |= static_cast<std::uint32_t>(data[5 + i]) << (8 * i);
    }
  }
  if (t.seenLow() != low || t.seenHigh() != high) std::abort();
  return 0;
}
