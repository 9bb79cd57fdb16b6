// Font costs on the CPU (no display: uploads and draws go to no-op backends).
//
// BM_AtlasOurs / BM_AtlasFreeTypeOnly is the figure to watch: building the
// atlas of a 32-point face against FreeType alone loading and rendering the
// same glyphs (library, face, size, then load, get, render and free each
// glyph). Other builds running at the same time move both; compare medians of
// an interleaved run (one command line):
//   build/bench/bench_fonts --benchmark_repetitions=15
//     --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
// BM_Paragraph* lay out and draw a 1,000-character paragraph as one frame does.
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <cstdlib>
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

void BM_AtlasOurs(benchmark::State& state) {
  setup();
  for (auto _ : state) {
    CFont font;
    font.load("Arial Black.ttf", 32);
    benchmark::DoNotOptimize(font.getAtlasWidth());
  }
}
BENCHMARK(BM_AtlasOurs)->Unit(benchmark::kMillisecond);

void BM_AtlasOursOutlined(benchmark::State& state) {
  setup();
  for (auto _ : state) {
    COutlinedFont font;
    font.load("Arial Black.ttf", 32, 2);
    benchmark::DoNotOptimize(font.getAtlasWidth());
  }
}
BENCHMARK(BM_AtlasOursOutlined)->Unit(benchmark::kMillisecond);

void BM_AtlasFreeTypeOnly(benchmark::State& state) {
  setup();
  const std::string path = (std::filesystem::current_path() / "font/Arial Black.ttf").string();
  for (auto _ : state) {
    FT_Library library;
    FT_Init_FreeType(&library);
    FT_Face face;
    FT_New_Face(library, path.c_str(), 0, &face);
    FT_Set_Char_Size(face, 32 * 64, 32 * 64, 72, 72);
    const auto* p = reinterpret_cast<const unsigned char*>(kDefaultGlyphSet);
    while (*p != 0) {
      int length = 1;
      const std::uint32_t c = decodeUtf8Char(p, &length);
      p += length;
      FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_DEFAULT);
      FT_Glyph glyph;
      FT_Get_Glyph(face->glyph, &glyph);
      FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1);
      benchmark::DoNotOptimize(reinterpret_cast<FT_BitmapGlyph>(glyph)->bitmap.buffer);
      FT_Done_Glyph(glyph);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
  }
}
BENCHMARK(BM_AtlasFreeTypeOnly)->Unit(benchmark::kMillisecond);

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
