// The PNG decoder and the texture registry on arbitrary picture files.
#include <cstdint>
#include <cstdlib>

#include "FuzzDataTree.h"
#include "TextureFuzzGl.h"
#include "render_engine/TextureManager.h"
#include "render_engine/TexturePng.h"

namespace {

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// What every decoded picture must satisfy: sane sizes, zeros around it.
void checkDecoded(const std::uint8_t* px, int tw, int th, int iw, int ih) {
  if (iw < 1 || ih < 1 || iw > tw || ih > th || !isPowerOfTwo(tw) || !isPowerOfTwo(th) ||
      iw > RenderEngine::kMaxPictureSide || ih > RenderEngine::kMaxPictureSide) {
    std::abort();
  }
  if (static_cast<std::size_t>(tw) * static_cast<std::size_t>(th) > (1u << 20)) return;  // too slow to scan
  for (int y = 0; y < th; ++y) {
    for (int x = (y < ih ? iw : 0); x < tw; ++x) {
      const std::uint8_t* p = px + (static_cast<std::size_t>(y) * tw + x) * 4;
      if ((p[0] | p[1] | p[2] | p[3]) != 0) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  static const bool ready = [] {
    RenderEngine::TextureGlBackend::set(fuzzTextureGl());
    tree.put("textures/tex.dat", nullptr, 0);
    return true;
  }();
  (void)ready;
  tree.put("textures/p.bin", data, size);

  int tw = -1, th = -1, iw = -1, ih = -1;
  RenderEngine::PixelBuffer px = RenderEngine::loadPngImage("textures/p.bin", tw, th, iw, ih);
  if (px) {
    checkDecoded(px.get(), tw, th, iw, ih);
  } else if (tw != 0 || th != 0 || iw != 0 || ih != 0) {
    std::abort();
  }

  // The same file through the registry: upload, coordinates, purge.
  RenderEngine::TextureManager& tm = RenderEngine::TextureManager::instance();
  tm.resetForTests();
  RenderEngine::ITexture* t = tm.getTexture("p");
  if ((t->getImageWidth() != 0) != static_cast<bool>(px)) std::abort();
  RenderEngine::TexVertex v[4];
  tm.setupTexCoords(v, "p");
  t->release(true);
  if (tm.storedCount() != 0) std::abort();
  return 0;
}
