// Text drawn through a real OpenGL context: a known string, plain and
// outlined, leaves ink where its glyphs are and nowhere else, and looks the
// same after the fonts' textures are dropped and rebuilt.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "render_engine/CNodeText.h"
#include "render_engine/Font.h"
#include "render_engine/FrameDrawing.h"
#include "render_engine/GlStateCache.h"
#include "render_engine/Texture.h"
#include "support/GlWindow.h"
#include "support/TempDir.h"

using namespace RenderEngine;

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 200;

struct Box {
  int x0, y0, x1, y1;
  bool contains(int x, int y, int margin) const {
    return x >= x0 - margin && x < x1 + margin && y >= y0 - margin && y < y1 + margin;
  }
};

class FontGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(qmtest::openGlWindow("font_gl_test", kWidth, kHeight));
    glViewport(0, 0, kWidth, kHeight);
    cachedEnable(GL_TEXTURE_2D);
  }
  void SetUp() override {
    std::filesystem::create_directories(dir.path() / "font");
    std::filesystem::copy_file(QM_FONT_SANS_BOLD, dir.path() / "font/Arial Black.ttf");
    // Pixels, y down, as the game's frame before its scale by two.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0, 0, 0, 1);
    clearScreen();
    glColor4f(1, 1, 1, 1);
    invalidateBoundTexture();
  }
  void TearDown() override { resetFontRegistryForTests(); }

  // Where the glyphs of text drawn at (x, y) with no box put their bitmaps.
  static Box inkBox(const CFont& font, const char* text, int x, int y) {
    Box box{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
    float pen = 0;
    for (const char* p = text; *p != 0; ++p) {
      const GLshort* q = font.getGlyphQuad(static_cast<unsigned char>(*p));
      const int pad = font.getPadding();
      box.x0 = std::min(box.x0, x + static_cast<int>(pen) + q[0] + pad);
      box.x1 = std::max(box.x1, x + static_cast<int>(pen) + q[4] - pad);
      box.y0 = std::min(box.y0, y + q[1] + pad);
      box.y1 = std::max(box.y1, y + q[3] - pad);
      pen += font.getAdvance(static_cast<unsigned char>(*p));
    }
    return box;
  }
  static std::vector<unsigned char> readFrame() {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
  // Counts inked pixels inside the box (grown by margin) and outside it.
  struct Ink {
    int inside = 0, outside = 0, red = 0;
  };
  static Ink countInk(const std::vector<unsigned char>& pixels, const Box& box, int margin) {
    Ink ink;
    for (int row = 0; row < kHeight; ++row) {
      for (int x = 0; x < kWidth; ++x) {
        const unsigned char* p = &pixels[(static_cast<std::size_t>(row) * kWidth + x) * 4];
        if (p[0] < 40 && p[1] < 40 && p[2] < 40) continue;
        const int y = kHeight - 1 - row;
        (box.contains(x, y, margin) ? ink.inside : ink.outside) += 1;
        if (p[0] > 180 && p[1] < 80) ++ink.red;
      }
    }
    return ink;
  }

  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
};

TEST_F(FontGlTest, PlainAndOutlinedTextInkOnlyWhereTheirGlyphsAre) {
  CFont* plain = acquirePlainFont("Arial Black.ttf", 40);
  plain->setColor(1, 1, 1, 1);
  plain->drawText(40, 30, 0, 0, 0, 0, -1, 0, "HIM");
  const Box plainBox = inkBox(*plain, "HIM", 40, 30);
  const Ink plainInk = countInk(readFrame(), plainBox, 1);
  EXPECT_GT(plainInk.inside, (plainBox.x1 - plainBox.x0) * (plainBox.y1 - plainBox.y0) / 3);
  EXPECT_EQ(plainInk.outside, 0);
  EXPECT_EQ(plainInk.red, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  clearScreen();
  auto* outlined = static_cast<COutlinedFont*>(acquireFont("Arial Black.ttf", 40, 2));
  outlined->setColor(1, 1, 1, 1);
  outlined->setOutlineColor(1, 0, 0, 1);
  outlined->drawText(40, 100, 0, 0, 0, 0, -1, 0, "HIM");
  const Box outlinedBox = inkBox(*outlined, "HIM", 40, 100);
  const std::vector<unsigned char> before = readFrame();
  const Ink outlinedInk = countInk(before, outlinedBox, 3);
  EXPECT_GT(outlinedInk.inside, 500);
  EXPECT_EQ(outlinedInk.outside, 0);
  EXPECT_GT(outlinedInk.red, 200);  // the ring around the white fill
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Dropped and rebuilt: the same picture, the old names given back.
  const GLuint oldAtlas = outlined->getAtlasTexture();
  reloadAllFonts(0);
  EXPECT_FALSE(glIsTexture(oldAtlas));
  reloadAllFonts(1);
  clearScreen();
  outlined->drawText(40, 100, 0, 0, 0, 0, -1, 0, "HIM");
  EXPECT_EQ(readFrame(), before);
}

// Text scaled and shifted by fractions of a pixel draws the same from snug
// atlases (Mesa takes any size) as from power-of-two ones.
TEST_F(FontGlTest, ScaledTextDrawsTheSameFromSnugAndPowerOfTwoAtlases) {
  ASSERT_EQ(textureSides(), TextureSides::Snug);
  const auto drawScaled = [] {
    clearScreen();
    glColor4f(1, 1, 1, 1);
    auto* f = static_cast<COutlinedFont*>(acquireFont("Arial Black.ttf", 40, 2));
    f->setOutlineColor(1, 0, 0, 1);
    fontParameters_ p = f->getParameters();
    p.scale = 0.7137f;
    f->applyParameters(p);
    f->drawText(20.3f, 17.6f, 0, 0, 0, 0, -1, 0, "Quillmoor {gx}");
    p.scale = 1.3371f;
    f->applyParameters(p);
    f->drawText(11.45f, 80.2f, 0, 0, 0, 0, -1, 0, "WjyQ@");
    glFinish();
    std::vector<unsigned char> pixels = readFrame();
    const int atlasHeight = f->getAtlasHeight();
    releaseFont(f);
    return std::make_pair(pixels, atlasHeight);
  };
  const auto snug = drawScaled();
  TextureGlBackend powerOfTwo = TextureGlBackend::defaultBackend();
  powerOfTwo.takesAnySize = nullptr;
  const TextureGlBackend saved = TextureGlBackend::set(powerOfTwo);
  invalidateBoundTexture();
  const auto padded = drawScaled();
  TextureGlBackend::set(saved);
  invalidateBoundTexture();
  EXPECT_LT(snug.second, padded.second);  // the snug atlas is smaller
  int worst = 0;
  int differ = 0;
  for (std::size_t i = 0; i < snug.first.size(); ++i) {
    const int d = std::abs(static_cast<int>(snug.first[i]) - static_cast<int>(padded.first[i]));
    worst = std::max(worst, d);
    differ += d != 0 ? 1 : 0;
  }
  EXPECT_LE(worst, 1);  // the texture coordinates differ in their last bits
  EXPECT_LT(differ, 300);
}

TEST_F(FontGlTest, ATextNodeDrawsItsLocalizedTextFittedInItsRectangle) {
  CNodeText node("Arial Black.ttf", 28, 2, CNodeText::kNoText);
  node.setText("Quillmoor");
  fontParameters_ style = node.getFontParameters();
  style.fillColor[0] = style.fillColor[1] = style.fillColor[2] = style.fillColor[3] = 1;
  node.setFontParameters(style);
  node.setLayoutFlags(kTextAlignCentre | kTextAlignMiddle);
  node.setTextRect(100, 50, 200, 60);
  node.setText("Quillmoor");
  node.draw(true, true);
  const Ink ink = countInk(readFrame(), Box{100, 50, 300, 110}, 0);
  EXPECT_GT(ink.inside, 300);
  EXPECT_EQ(ink.outside, 0);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 1.0f);
}

}  // namespace
