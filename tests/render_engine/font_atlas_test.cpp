// Fonts loaded from the game's real font files through FreeType, without a
// display: the glyph set, the atlas packing at every size the scene fonts use,
// the outline atlas, broken and missing files, the registry's sharing and
// counts, and reloads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "render_engine/FontTestSupport.h"

using namespace RenderEngine;
using fonttest::Recorder;

namespace {

class FontAtlasTest : public ::testing::Test {
 protected:
  FontAtlasTest() { fonttest::installGameFonts(dir); }
  void SetUp() override { CFont::setKeepAtlasPixels(true); }
  void TearDown() override { CFont::setKeepAtlasPixels(false); }

  fonttest::HeadlessGl gl;
  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
};

std::vector<std::uint32_t> codePoints(const char* s) {
  std::vector<std::uint32_t> out;
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p != 0) {
    int n = 1;
    out.push_back(decodeUtf8Char(p, &n));
    p += n;
  }
  return out;
}

// The glyph rectangle of a slot in texels: (s0, t0, s1, t1).
struct Rect {
  float s0, t0, s1, t1;
};
Rect rectOf(const CFont& f, int slot) {
  const GLfloat* uv = f.getGlyphTexCoords(slot);
  return Rect{uv[0] * f.getAtlasWidth(), uv[1] * f.getAtlasHeight(), uv[4] * f.getAtlasWidth(),
              uv[5] * f.getAtlasHeight()};
}

TEST(GlyphSet, HoldsTheCoreSetThenTheLanguagesMarks) {
  const std::vector<std::uint32_t> all = codePoints(kDefaultGlyphSet);
  const std::string core(kDefaultGlyphSet, kCoreGlyphSetBytes);
  const std::vector<std::uint32_t> first = codePoints(core.c_str());
  EXPECT_EQ(first.size(), 203u);
  EXPECT_EQ(std::count(first.begin(), first.end(), 0xFFFDu), 8);
  EXPECT_EQ(first.back(), static_cast<std::uint32_t>('9'));
  EXPECT_EQ(all.size(), 216u);
  for (std::uint32_t c : {0xABu, 0xBBu, 0xA0u, 0xE9u, 0xE8u, 0xE0u, 0xE7u, 0xF1u, 0xFCu, 0xDFu, 0xBFu, 0xA1u}) {
    EXPECT_NE(std::find(all.begin(), all.end(), c), all.end()) << std::hex << c;
  }
}

TEST_F(FontAtlasTest, PacksEveryGlyphInsideTheTextureWithoutOverlapAtEverySceneSize) {
  const std::vector<std::uint32_t> set = codePoints(kDefaultGlyphSet);
  std::vector<int> slots;
  for (std::uint32_t c : set) {
    const int slot = glyphSlotOf(c);
    if (c != '?' && std::find(slots.begin(), slots.end(), slot) == slots.end()) slots.push_back(slot);
  }
  for (int size : {20, 22, 24, 25, 28, 30, 32, 34, 36, 38, 60}) {
    for (const char* file : {"Arial Black.ttf", "icannon.ttf"}) {
      COutlinedFont f;
      f.load(file, size, 2);
      SCOPED_TRACE(std::string(file) + " " + std::to_string(size));
      ASSERT_GT(f.getAtlasWidth(), 0);
      EXPECT_EQ(f.getCellSize(), static_cast<float>(size + 4));
      EXPECT_GT(f.getLineHeight(), static_cast<float>(size));
      const std::vector<std::uint8_t>& fill = f.getAtlasPixels();
      const std::vector<std::uint8_t>& outline = f.getOutlinePixels();
      ASSERT_EQ(fill.size(), static_cast<std::size_t>(f.getAtlasWidth()) * f.getAtlasHeight() * 2);
      std::vector<Rect> rects;
      for (int slot : slots) {
        const Rect r = rectOf(f, slot);
        ASSERT_LE(r.s1, f.getAtlasWidth());
        ASSERT_LE(r.t1, f.getAtlasHeight());
        for (const Rect& o : rects) {
          const bool overlap = r.s0 < o.s1 && o.s0 < r.s1 && r.t0 < o.t1 && o.t0 < r.t1;
          ASSERT_FALSE(overlap) << "slot " << slot;
        }
        rects.push_back(r);
      }
      int inkedGlyphs = 0;
      for (const Rect& r : rects) {
        bool ink = false;
        for (int y = static_cast<int>(r.t0); y < static_cast<int>(r.t1) && !ink; ++y) {
          for (int x = static_cast<int>(r.s0); x < static_cast<int>(r.s1); ++x) {
            if (fill[(static_cast<std::size_t>(y) * f.getAtlasWidth() + x) * 2 + 1] != 0) ink = true;
          }
        }
        inkedGlyphs += ink ? 1 : 0;
      }
      EXPECT_GE(inkedGlyphs, static_cast<int>(rects.size()) - 2);  // the two spaces are blank
      // The outline is the ring around the fill: nothing under opaque fill,
      // no byte wrapped below zero.
      int ring = 0;
      for (std::size_t i = 1; i < fill.size(); i += 2) {
        if (fill[i] == 255) {
          ASSERT_EQ(outline[i], 0) << "texel " << i / 2;
        }
        if (fill[i] == 0 && outline[i] != 0) ++ring;
      }
      EXPECT_GT(ring, 1000);
    }
  }
}

// The outline atlas, glyph by glyph, is exactly the square sum over the whole
// fill atlas: every texel with a covered neighbour within the outline width
// gets luminance 255 and the capped sum less its own fill alpha.
TEST_F(FontAtlasTest, TheOutlineIsTheCappedSquareSumOfTheFillLessTheFill) {
  for (const int outlineWidth : {1, 2, 3}) {
    COutlinedFont f;
    f.load("Arial Black.ttf", 30, outlineWidth);
    const int w = f.getAtlasWidth();
    const int h = f.getAtlasHeight();
    const std::vector<std::uint8_t>& fill = f.getAtlasPixels();
    const std::vector<std::uint8_t>& outline = f.getOutlinePixels();
    ASSERT_EQ(outline.size(), static_cast<std::size_t>(w) * h * 2);
    const int o = outlineWidth;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        unsigned sum = 0;
        for (int yy = std::max(o, y - o); yy <= std::min(h - 1 - o, y + o); ++yy) {
          for (int xx = std::max(o, x - o); xx <= std::min(w - 1 - o, x + o); ++xx) {
            sum += fill[(static_cast<std::size_t>(yy) * w + xx) * 2 + 1];
          }
        }
        const std::size_t at = (static_cast<std::size_t>(y) * w + x) * 2;
        const unsigned capped = std::min(255u, sum);
        const unsigned own = fill[at + 1];
        const unsigned expectedAlpha = sum == 0 ? 0 : (capped > own ? capped - own : 0);
        ASSERT_EQ(outline[at], sum == 0 ? 0 : 255) << "outline " << o << " texel " << x << "," << y;
        ASSERT_EQ(outline[at + 1], expectedAlpha) << "outline " << o << " texel " << x << "," << y;
      }
    }
  }
}

// The packer's steps, on bitmaps of chosen sizes.
class PackerProbe : public CFont {
 public:
  using CFont::atlasSize;
  using CFont::composeFill;
  void pack(int w, int r) {
    const std::vector<std::uint8_t> bitmap(static_cast<std::size_t>(w) * r, 200);
    int rect[4];
    packBitmap(bitmap.data(), w, r, rect);
  }
  void finishRows() { packer_.cursorY += packer_.lineStep + 2 * packer_.padding; }
};

TEST(FontPacker, TheTextureCoversGlyphsTallerThanTheLineAndWiderThanThePitch) {
  PackerProbe probe;
  probe.setMetricsForTests(10, 12, 0);
  probe.beginAtlas(400, "a", 1);  // pitch 16
  probe.pack(40, 8);   // wider than the pitch, on a row of its own
  probe.pack(5, 30);   // the last row, taller than the 10-pixel line step
  probe.finishRows();  // cursor at 24, the last glyph reaches 44
  int width = 0;
  int height = 0;
  probe.atlasSize(width, height);
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 64);
  const PixelBuffer pixels = probe.composeFill(width, height);  // every byte written inside (ASan)
  const auto alpha = [&](int x, int y) { return pixels[(static_cast<std::size_t>(y) * width + x) * 2 + 1]; };
  EXPECT_EQ(pixels[(static_cast<std::size_t>(63) * width + 63) * 2], 255);  // luminance everywhere
  EXPECT_EQ(alpha(40, 3), 200);  // the wide glyph's last column
  EXPECT_EQ(alpha(1, 42), 200);  // the tall glyph's last row
  EXPECT_EQ(alpha(1, 43), 0);    // its padding
}

TEST_F(FontAtlasTest, AdvancesAndQuadsFollowTheFace) {
  CFont plain;
  plain.load("Arial Black.ttf", 28);
  COutlinedFont outlined;
  outlined.load("Arial Black.ttf", 28, 2);
  for (int c : {65, 87, 105, 32, 0xE9}) {
    EXPECT_GT(plain.getAdvance(c), 0.0f) << c;
    EXPECT_EQ(outlined.getAdvance(c), plain.getAdvance(c) + 4) << c;
  }
  EXPECT_EQ(plain.getAdvance('{'), 0.0f);  // not in the set: nothing
  EXPECT_GT(plain.getAdvance(2), 0.0f);    // the euro sign
  // Capitals sit on the baseline, a cell below the line's top.
  const GLshort* quad = plain.getGlyphQuad('H');
  EXPECT_EQ(quad[3] - plain.getPadding(), 28);  // y1 = s - top + rows with rows == top
  EXPECT_GT(plain.getBelowLineExtent(), 0.0f);
}

TEST_F(FontAtlasTest, BrokenEmptyOrMissingFontsGiveTheMessageAndAnEmptyFont) {
  dir.write("font/broken.ttf", std::string(5000, '\x5a'));
  dir.write("font/empty.ttf", "");
  for (const char* file : {"broken.ttf", "empty.ttf", "missing.ttf"}) {
    CFont direct;
    try {
      direct.load(file, 28);
      ADD_FAILURE() << file << " loaded";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "FT_New_Face failed (there is probably a problem with your font file)");
    }
    testing::internal::CaptureStderr();
    CFont* f = acquirePlainFont(file, 28);
    CFont* again = acquirePlainFont(file, 28);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, std::string("ERROR: font/") + file +
                       ": FT_New_Face failed (there is probably a problem with your font file)\n");
    EXPECT_EQ(f, again);
    EXPECT_EQ(f->measureText("Hello"), 0.0f);
    EXPECT_EQ(f->getAtlasTexture(), 0u);
    f->drawText(0, 0, 100, 100, 0, 0, -1, 0, "Hello");
    EXPECT_EQ(f->fitScale(100, 100, "Hello"), 0.5f);
    EXPECT_TRUE(Recorder::get().draws.empty());
  }
  EXPECT_TRUE(Recorder::get().liveTextures.empty());
  CFont tooBig;
  EXPECT_THROW(tooBig.load("Arial Black.ttf", 100000), std::runtime_error);
  EXPECT_THROW(tooBig.load("Arial Black.ttf", 0), std::runtime_error);
}

TEST_F(FontAtlasTest, TheRegistrySharesByFileSizeAndOutlineAndCounts) {
  CFont* a = acquireFont("Arial Black.ttf", 28, 2);
  CFont* b = acquireFont("Arial Black.ttf", 28, 2);
  CFont* plain = acquirePlainFont("Arial Black.ttf", 28);
  CFont* thin = acquireFont("Arial Black.ttf", 28, 1);
  CFont* other = acquireFont("icannon.ttf", 28, 2);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, plain);
  EXPECT_NE(a, thin);
  EXPECT_NE(a, other);
  EXPECT_NE(dynamic_cast<COutlinedFont*>(a), nullptr);
  EXPECT_EQ(dynamic_cast<COutlinedFont*>(plain), nullptr);
  ASSERT_EQ(fontRegistry().size(), 4u);
  EXPECT_EQ(fontRegistry()[0].references, 2u);
  EXPECT_EQ(fontRegistry()[0].file, "Arial Black.ttf");
  addFontReference(a);
  EXPECT_EQ(fontRegistry()[0].references, 3u);
  releaseFont(a);
  releaseFont(b);
  EXPECT_EQ(fontRegistry().size(), 4u);
  releaseFont(a);
  EXPECT_EQ(fontRegistry().size(), 3u);  // deleted with its entry (ASan sees any later use)
  releaseFont(nullptr);
  releaseFont(new CFont());  // held by no entry: deleted at once
  EXPECT_EQ(fontRegistry().size(), 3u);
}

TEST_F(FontAtlasTest, ReloadsDropAndRebuildEveryTextureWithoutLeaksOrGrowth) {
  CFont* outlined = acquireFont("Arial Black.ttf", 28, 2);
  CFont* plain = acquirePlainFont("icannon.ttf", 25);
  const float advance = outlined->getAdvance('A');
  const float cell = outlined->getCellSize();
  EXPECT_EQ(Recorder::get().liveTextures.size(), 3u);
  reloadAllFonts(0);
  EXPECT_TRUE(Recorder::get().liveTextures.empty());
  EXPECT_EQ(outlined->getAtlasTexture(), 0u);
  reloadAllFonts(1);
  EXPECT_EQ(Recorder::get().liveTextures.size(), 3u);
  reloadAllFonts(1);  // rebuilt over live textures: the old ones are given back
  reloadAllFonts(2);
  EXPECT_EQ(Recorder::get().liveTextures.size(), 3u);
  EXPECT_EQ(outlined->getAdvance('A'), advance);
  EXPECT_EQ(outlined->getAdvance('{'), 4.0f);  // outside the set: only the outline's growth, once
  EXPECT_EQ(outlined->getCellSize(), cell);
  outlined->drawText(0, 0, 0, 0, 0, 0, -1, 0, "Hi");
  plain->drawText(0, 0, 0, 0, 0, 0, -1, 0, "Hi");
  EXPECT_EQ(Recorder::get().draws.size(), 3u);
}

TEST_F(FontAtlasTest, AnOutlinedFontDrawsItsOutlineFirstAndAnUnsetFillInTheColourInForce) {
  COutlinedFont* f = static_cast<COutlinedFont*>(acquireFont("Arial Black.ttf", 28, 2));
  f->setOutlineColor(1, 0, 0, 1);
  CNode::currentColor() = ColorRGBA{0.5f, 0.5f, 0.5f, 1.0f};
  f->drawText(0, 0, 0, 0, 0, 0, -1, 0, "Hi");
  CNode::currentColor() = ColorRGBA{};
  ASSERT_EQ(Recorder::get().draws.size(), 2u);
  EXPECT_EQ(Recorder::get().draws[0].texture, f->getOutlineTexture());
  EXPECT_EQ(Recorder::get().draws[0].color[0], 1.0f);
  EXPECT_EQ(Recorder::get().draws[1].texture, f->getAtlasTexture());
  EXPECT_EQ(Recorder::get().draws[1].color[0], 0.5f);
  EXPECT_EQ(f->getLinesDrawn(), 1);
  // With the outline colour unset only the fill is drawn, in its colour.
  f->setOutlineColor(-1, -1, -1, -1);
  f->setColor(0, 1, 0, 1);
  f->drawText(0, 0, 0, 0, 0, 0, -1, 0, "Hi");
  ASSERT_EQ(Recorder::get().draws.size(), 3u);
  EXPECT_EQ(Recorder::get().draws[2].color[1], 1.0f);
}

}  // namespace
