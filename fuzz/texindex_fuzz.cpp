// The sheet index "textures/tex.dat" on arbitrary contents, followed by the
// lookups a scene makes by sprite number.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzDataTree.h"
#include "TextureFuzzGl.h"
#include "render_engine/TextureManager.h"
#include "tools/texture_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  static const bool ready = [] {
    RenderEngine::TextureGlBackend::set(fuzzTextureGl());
    // Sheets 0 to 3 exist, of different sizes; any other number is missing.
    for (int n = 0; n < 4; ++n) {
      const std::vector<std::uint8_t> png =
          texwriter::encodePng(texwriter::Picture(10 + 30 * n, 7 + 20 * n, texwriter::Rgba{1, 2, 3, 255}));
      tree.put("textures/tex" + std::to_string(n) + ".bin", png.data(), png.size());
    }
    return true;
  }();
  (void)ready;
  tree.put("textures/tex.dat", data, size);

  RenderEngine::TextureManager& tm = RenderEngine::TextureManager::instance();
  tm.resetForTests();
  for (std::size_t at = 0; at + 2 <= size && at < 12 * 32; at += 12) {
    const auto id = static_cast<std::int16_t>(static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8)));
    const std::string name = std::to_string(id);
    const int width = tm.getTextureWidth(name);
    const int height = tm.getTextureHeight(name);
    const int sheet = tm.findAtlasSheet(name);
    if (sheet != -1) {
      const RenderEngine::TextureAtlasEntry* e = tm.findAtlasEntry(name);
      if (e == nullptr || width != static_cast<int>(e->width) || height != static_cast<int>(e->height)) std::abort();
    }
    RenderEngine::TexVertex v[4];
    tm.setupTexCoords(v, name);
    for (const RenderEngine::TexVertex& c : v) {
      if (!std::isfinite(c.u) || !std::isfinite(c.v)) std::abort();
    }
    tm.getTexture(name)->release(true);
  }
  tm.purgeUnused();
  if (tm.storedCount() != 0) std::abort();
  return 0;
}
