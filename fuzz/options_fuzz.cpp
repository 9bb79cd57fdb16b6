// The options reader on arbitrary file contents: it must never crash, and
// every option must come out of it present and within its range.
#include <cstdint>
#include <cstdlib>

#include "FuzzDataTree.h"
#include "app/Options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  static const bool ready = [] {
    setenv("XDG_DATA_HOME", tree.root().c_str(), 1);
    return true;
  }();
  (void)ready;
  tree.put("TARNWELL/Quillmoor/options.dat", data, size);
  clearOptions();
  loadOptions();
  for (int id = 0; id < kOptionCount; ++id) {
    const int min = getOptionField(id, 2);
    const int max = getOptionField(id, 3);
    const int value = getOptionValue(id);
    if (min < 0 || max < min || value < min || value > max) std::abort();
  }
  return 0;
}
