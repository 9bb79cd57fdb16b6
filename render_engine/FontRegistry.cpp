// The process-wide registry of shared fonts, keyed by file, size and outline
// width, in the order they were first asked for.
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "render_engine/Font.h"

namespace RenderEngine {
namespace {

// Never destroyed: text nodes held by other statics release their fonts
// during static destruction, in no set order.
std::vector<FontRegistryEntry>& entries() {
  static std::vector<FontRegistryEntry>* const list = new std::vector<FontRegistryEntry>();
  return *list;
}

FontRegistryEntry* entryOf(const CFont* font) {
  for (FontRegistryEntry& e : entries()) {
    if (e.font == font) return &e;
  }
  return nullptr;
}

// Loads a font; a failure leaves it empty and says so, and the game goes on.
template <typename Load>
void loadReporting(const std::string& file, Load&& load) {
  try {
    load();
  } catch (const std::runtime_error& e) {
    std::fprintf(stderr, "ERROR: font/%s: %s\n", file.c_str(), e.what());
  }
}

}  // namespace

CFont* acquireFont(const std::string& file, int size, int outlineWidth) {
  for (FontRegistryEntry& e : entries()) {
    if (e.size == static_cast<unsigned>(size) && e.outlineWidth == outlineWidth && e.file == file) {
      ++e.references;
      return e.font;
    }
  }
  auto* font = new COutlinedFont();
  loadReporting(file, [&] { font->load(file, size, outlineWidth); });
  entries().push_back(FontRegistryEntry{file, static_cast<unsigned>(size), outlineWidth, font, 1});
  return font;
}

CFont* acquirePlainFont(const std::string& file, int size) {
  for (FontRegistryEntry& e : entries()) {
    if (e.size == static_cast<unsigned>(size) && e.outlineWidth == 0 && e.file == file) {
      ++e.references;
      return e.font;
    }
  }
  auto* font = new CFont();
  loadReporting(file, [&] { font->load(file, size); });
  entries().push_back(FontRegistryEntry{file, static_cast<unsigned>(size), 0, font, 1});
  return font;
}

void releaseFont(CFont* font) {
  if (font == nullptr) return;
  std::vector<FontRegistryEntry>& list = entries();
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->font != font) continue;
    if (--it->references == 0) {
      list.erase(it);
      delete font;
    }
    return;
  }
  delete font;
}

void addFontReference(CFont* font) {
  if (FontRegistryEntry* e = entryOf(font)) ++e->references;
}

void reloadAllFonts(int mode) {
  for (FontRegistryEntry& e : entries()) {
    loadReporting(e.file, [&] { e.font->reload(mode); });
  }
}

const std::vector<FontRegistryEntry>& fontRegistry() { return entries(); }

void resetFontRegistryForTests() {
  std::vector<FontRegistryEntry> list;
  list.swap(entries());
  for (FontRegistryEntry& e : list) delete e.font;
}

}  // namespace RenderEngine
