// Fonts on arbitrary bytes: a font file made of the input, the game's real
// font with bytes of it overwritten, and arbitrary UTF-8 laid out, measured,
// fitted and drawn with both.
//
// Input: mode, point size, text length (2 bytes), the text, then the font
// bytes (mode 0), patches of (3-byte offset, value) on the real font (mode 1),
// or nothing (mode 2: the real font, loaded once).
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzDataTree.h"
#include "TextureFuzzGl.h"
#include "render_engine/Font.h"
#include "render_engine/GlStateCache.h"

using namespace RenderEngine;

namespace {

std::vector<std::uint8_t> readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void layOut(CFont& font, const std::string& text, std::uint8_t knob) {
  const float width = static_cast<float>(knob % 64) * 8.0f - 16.0f;
  const float height = static_cast<float>(knob / 4 % 16) * 10.0f - 10.0f;
  font.splitLines(text.c_str(), knob % 5, -1, width, knob & 1);
  font.measureText(text.c_str(), 0, static_cast<int>(text.size()) - (knob % 3));
  font.fitScale(width, height, text.c_str());
  font.drawText(0, 0, width, height, knob % 7 - 1, 0, -1, knob, text.c_str());
  font.linesInHeight(width, height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  static std::vector<std::uint8_t> realFont;
  static COutlinedFont* cached = nullptr;
  static const bool ready = [] {
    TextureGlBackend::set(fuzzTextureGl());
    FontDrawBackend b = FontDrawBackend::headless();
    b.drawTriangles = [](const GLshort* xy, const GLfloat* uv, int n) {
      if (n > 0) {
        const volatile GLshort* p = xy;
        const volatile GLfloat* q = uv;
        (void)p[n * 2 - 1];
        (void)q[n * 2 - 1];
      }
    };
    FontDrawBackend::set(b);
    GlStateCache::setBackend(GlStateCache::Backend{[](GLenum) {}, [](GLenum) {}, [](GLenum) {}, [](GLenum) {}});
    realFont = readFile(QM_FONT_SANS_BOLD);
    tree.put("font/real.ttf", realFont.data(), realFont.size());
    cached = new COutlinedFont();
    cached->load("real.ttf", 20, 2);
    return true;
  }();
  (void)ready;
  if (size < 4) return 0;
  const int mode = data[0] % 3;
  const int pointSize = 6 + data[1] % 40;
  const std::size_t textLength = std::min<std::size_t>(data[2] | data[3] << 8, size - 4);
  const std::string text(reinterpret_cast<const char*>(data + 4), textLength);
  const std::uint8_t* rest = data + 4 + textLength;
  const std::size_t restSize = size - 4 - textLength;
  const std::uint8_t knob = data[1];
  if (mode == 2) {
    layOut(*cached, text, knob);
    return 0;
  }
  if (mode == 0) {
    tree.put("font/input.ttf", rest, restSize);
  } else {
    std::vector<std::uint8_t> patched = realFont;
    for (std::size_t i = 0; i + 4 <= restSize; i += 4) {
      const std::size_t offset = (rest[i] | rest[i + 1] << 8 | rest[i + 2] << 16) % patched.size();
      patched[offset] = rest[i + 3];
    }
    tree.put("font/input.ttf", patched.data(), patched.size());
  }
  CFont plain;
  COutlinedFont outlined;
  CFont& font = (knob & 2) ? static_cast<CFont&>(outlined) : plain;
  try {
    if (&font == &outlined) {
      outlined.load("input.ttf", pointSize, 1 + knob % 3);
    } else {
      plain.load("input.ttf", pointSize);
    }
  } catch (const std::runtime_error&) {
  }
  layOut(font, text, knob);
  try {
    font.reload(2);
  } catch (const std::runtime_error&) {
  }
  layOut(font, text, knob);
  return 0;
}
