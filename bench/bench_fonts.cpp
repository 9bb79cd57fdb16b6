// Font costs on the CPU (no display: uploads and draws go to no-op backends).
//
// The atlases against FreeType doing the same glyphs, side by side in one run
// (alternating, processor time, the ratio as a counter):
//   BM_PlainAtlasAgainstFreeType: the atlas of a 32-point face against
//     FreeType alone loading and rendering each glyph of the set (library,
//     face, size, then load, get, render and free each glyph);
//   BM_OutlinedAtlasAgainstFreeType: the outlined atlas (outline 2, as the
//     game's scenes build them) against FreeType rendering each glyph and
//     stroking it with its own stroker at the same width, rendering that too.
// BM_Paragraph* lay out and draw a 1,000-character paragraph as one frame does.
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/LocalizedText.h"
#include "render_engine/CNodeText.h"
#include "render_engine/Font.h"
#include "render_engine/GlStateCache.h"
#include "render_engine/Texture.h"
#include "support/TempDir.h"

using namespace RenderEngine;

namespace {

// A data folder with the font, and the no-op GL backends, for the whole run.
struct Setup {
  Setup() {
    std::filesystem::create_directories(dir.path() / "font");
    std::filesystem::copy_file(QM_FONT_SANS_BOLD, dir.path() / "font/Arial Black.ttf");
    std::filesystem::current_path(dir.path());
    TextureGlBackend::set(TextureGlBackend::headless());
    FontDrawBackend b = FontDrawBackend::headless();
    b.drawTriangles = [](const GLshort* xy, const GLfloat* uv, int n) {
      benchmark::DoNotOptimize(xy);
      benchmark::DoNotOptimize(uv);
      benchmark::DoNotOptimize(n);
    };
    FontDrawBackend::set(b);
    GlStateCache::setBackend(GlStateCache::Backend{[](GLenum) {}, [](GLenum) {}, [](GLenum) {}, [](GLenum) {}});
    NodeDrawBackend node{};
    node.pushMatrix = [] {};
    node.popMatrix = [] {};
    node.multMatrix = [](const float*) {};
    node.color4f = [](float, float, float, float) {};
    CNode::setDrawBackend(node);
  }
  qmtest::TempDir dir;
};

void setup() { static Setup s; }

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

constexpr int kSize = 32;
constexpr int kOutline = 2;

// FreeType alone over the glyph set: each glyph rendered, and with
// outlineWidth > 0 also stroked at that width and rendered.
void freeTypeGlyphs(int outlineWidth) {
  const std::string path = (std::filesystem::current_path() / "font/Arial Black.ttf").string();
  FT_Library library;
  FT_Init_FreeType(&library);
  FT_Face face;
  FT_New_Face(library, path.c_str(), 0, &face);
  FT_Set_Char_Size(face, kSize * 64, kSize * 64, 72, 72);
  FT_Stroker stroker = nullptr;
  if (outlineWidth > 0) {
    FT_Stroker_New(library, &stroker);
    FT_Stroker_Set(stroker, outlineWidth * 64, FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
  }
  const auto* p = reinterpret_cast<const unsigned char*>(kDefaultGlyphSet);
  while (*p != 0) {
    int length = 1;
    const std::uint32_t c = decodeUtf8Char(p, &length);
    p += length;
    FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_DEFAULT);
    FT_Glyph glyph;
    FT_Get_Glyph(face->glyph, &glyph);
    if (stroker != nullptr) {
      FT_Glyph stroked;
      FT_Glyph_Copy(glyph, &stroked);
      FT_Glyph_Stroke(&stroked, stroker, 1);
      FT_Glyph_To_Bitmap(&stroked, FT_RENDER_MODE_NORMAL, nullptr, 1);
      benchmark::DoNotOptimize(reinterpret_cast<FT_BitmapGlyph>(stroked)->bitmap.buffer);
      FT_Done_Glyph(stroked);
    }
    FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1);
    benchmark::DoNotOptimize(reinterpret_cast<FT_BitmapGlyph>(glyph)->bitmap.buffer);
    FT_Done_Glyph(glyph);
  }
  if (stroker != nullptr) FT_Stroker_Done(stroker);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

double oursMs(int outlineWidth) {
  const double t0 = cpuMs();
  if (outlineWidth > 0) {
    COutlinedFont font;
    font.load("Arial Black.ttf", kSize, outlineWidth);
    benchmark::DoNotOptimize(font.getAtlasWidth());
  } else {
    CFont font;
    font.load("Arial Black.ttf", kSize);
    benchmark::DoNotOptimize(font.getAtlasWidth());
  }
  return cpuMs() - t0;
}

double freeTypeMs(int outlineWidth) {
  const double t0 = cpuMs();
  freeTypeGlyphs(outlineWidth);
  return cpuMs() - t0;
}

void atlasAgainstFreeType(benchmark::State& state, int outlineWidth) {
  setup();
  double ours = 0, freeType = 0;
  int n = 0;
  for (auto _ : state) {
    // Alternating which goes first.
    if (n++ % 2 == 0) {
      ours += oursMs(outlineWidth);
      freeType += freeTypeMs(outlineWidth);
    } else {
      freeType += freeTypeMs(outlineWidth);
      ours += oursMs(outlineWidth);
    }
  }
  state.counters["ours_ms"] = ours / n;
  state.counters["freetype_ms"] = freeType / n;
  state.counters["ratio"] = freeType > 0 ? ours / freeType : 0;
}

void BM_PlainAtlasAgainstFreeType(benchmark::State& state) { atlasAgainstFreeType(state, 0); }
BENCHMARK(BM_PlainAtlasAgainstFreeType)->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_OutlinedAtlasAgainstFreeType(benchmark::State& state) { atlasAgainstFreeType(state, kOutline); }
BENCHMARK(BM_OutlinedAtlasAgainstFreeType)->Unit(benchmark::kMillisecond)->Iterations(100);

std::string paragraph() {
  const std::string sentence =
      "Les loups ont franchi la rivi\xC3\xA8re et les moutons sont \xC3\xA9parpill\xC3\xA9s sur les collines. ";
  std::string text;
  while (text.size() < 1000) text += sentence;
  text.resize(1000);
  while ((static_cast<unsigned char>(text.back()) & 0xC0) == 0x80 || static_cast<unsigned char>(text.back()) >= 0xC0) {
    text.pop_back();
  }
  return text;
}

// The font alone: the paragraph laid out and drawn into a 380 x 156 box.
void BM_ParagraphDraw(benchmark::State& state) {
  setup();
  CFont* font = acquirePlainFont("Arial Black.ttf", 28);
  const std::string text = paragraph();
  fontParameters_ p = font->getParameters();
  p.scale = 0.3f;
  font->applyParameters(p);
  for (auto _ : state) font->drawText(52, 72, 376, 156, 0, 0, -1, kTextAlignCentre | kTextAlignMiddle, text.c_str());
  state.counters["lines"] = font->getLinesDrawn();
}
BENCHMARK(BM_ParagraphDraw)->Unit(benchmark::kMicrosecond);

// A text node's whole frame: the fit search, then the draw.
void BM_ParagraphNodeFitAndDraw(benchmark::State& state) {
  setup();
  CNodeText node("Arial Black.ttf", 28, CNodeText::kNoText);
  node.setLayoutFlags(kTextAlignCentre | kTextAlignMiddle);
  node.setTextRect(-190, -78, 380, 156);
  node.setText(paragraph().c_str());
  for (auto _ : state) node.draw(true, true);
  state.counters["scale"] = node.getFontParameters().scale;
  state.counters["lines"] = node.getLinesDrawn();
}
BENCHMARK(BM_ParagraphNodeFitAndDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
