// The language-list and string-bank readers on arbitrary file contents (the
// same bytes serve as both files), then every string they give walked,
// decoded and expanded.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzDataTree.h"
#include "app/LocalizedText.h"

static void walk(const char* s) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  while (*p != 0) {
    int length = 0;
    decodeUtf8Char(p, &length);
    if (length < 1) std::abort();
    p += length;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  tree.put("text/I", data, size);
  tree.put("text/0", data, size);
  resetTexts();
  initTexts();
  for (int bank = 0; bank <= kTextBankCount; ++bank) {
    for (int index = 0; index < 48; ++index) {
      const int id = bank << 16 | index;
      walk(getText(id));
      walk(getText(id, "12", "34"));
      textHasMarkers(id);
    }
  }
  setLanguageIndex(getCurrentLanguageIndex() + 1);
  // The raw bytes as one string, as a font would decode them.
  const std::string text(reinterpret_cast<const char*>(data), size);
  walk(text.c_str());
  hasTextMarkers(text.c_str());
  walk(expandTextMarkers(text.c_str(), text.c_str(), nullptr));
  return 0;
}
