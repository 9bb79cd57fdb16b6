// The settings reader on arbitrary file contents.
#include <cstdint>

#include "FuzzDataTree.h"
#include "app/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  tree.put("gamedesign/settings.ynm", data, size);
  clearSettings();
  loadSettings();
  return 0;
}
