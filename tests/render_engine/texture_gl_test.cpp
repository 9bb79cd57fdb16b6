// Textures through a real OpenGL context (Mesa under a virtual display): what
// reaches the GL texture, the bound texture after purges and reloads, broken
// files, raw movie frames.
#include <GL/freeglut.h>
#include "support/GlWindow.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "render_engine/TextureManager.h"
#include "render_engine/TexturePng.h"
#include "support/TempDir.h"
#include "tools/texture_writer.h"

using RenderEngine::CTexture;
using RenderEngine::ITexture;
using RenderEngine::TextureManager;
using texwriter::Picture;
using texwriter::PngFormat;
using texwriter::Rgba;

namespace {

class TextureGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(qmtest::openGlWindow("texture_gl_test"));
  }
  void SetUp() override {
    tm.resetForTests();
    texwriter::writeFile((dir.path() / "textures" / "tex.dat").string(), {});
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  void TearDown() override { tm.resetForTests(); }

  void writeTexture(const std::string& name, const Picture& p, PngFormat f = PngFormat::Rgba8) {
    ASSERT_TRUE(texwriter::writePng((dir.path() / "textures" / (name + ".bin")).string(), p, {f, false}));
  }
  static GLint boundName() {
    GLint n = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &n);
    return n;
  }
  static CTexture* asC(ITexture* t) { return static_cast<CTexture*>(t); }

  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
  TextureManager& tm = TextureManager::instance();
};

}  // namespace

TEST_F(TextureGlTest, GreyPictureReachesTheTextureAsPaddedRgba) {
  Picture p(100, 50);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 100; ++x) p.set(x, y, Rgba{static_cast<std::uint8_t>(x + y), 0, 0, static_cast<std::uint8_t>(x)});
  }
  writeTexture("grey", p, PngFormat::GreyAlpha8);
  ITexture* t = tm.getTexture("grey");
  ASSERT_NE(asC(t)->getGlName(), 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  t->bind();
  EXPECT_EQ(boundName(), static_cast<GLint>(asC(t)->getGlName()));
  GLint w = 0;
  GLint h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  // Mesa takes any size: 101 x 51 (one row and column of padding), else 128 x 64.
  EXPECT_EQ(w, RenderEngine::textureSideFor(100, RenderEngine::textureSides()));
  EXPECT_EQ(h, RenderEngine::textureSideFor(50, RenderEngine::textureSides()));
  EXPECT_EQ(t->getTextureWidth(), w);
  std::vector<std::uint8_t> texels(static_cast<std::size_t>(w) * h * 4, 0xAB);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  const Picture want = texwriter::expectedDecode(p, PngFormat::GreyAlpha8);
  int wrong = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* q = &texels[(static_cast<std::size_t>(y) * w + x) * 4];
      const Rgba e = (x < 100 && y < 50) ? want.at(x, y) : Rgba{0, 0, 0, 0};
      if (Rgba{q[0], q[1], q[2], q[3]} != e) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  t->release(true);
}

// What a picture looks like drawn scaled, shifted by a fraction of a pixel,
// with linear filtering over a grey ground: the pixels read back.
std::vector<std::uint8_t> drawScaled(ITexture* t) {
  glViewport(0, 0, 200, 160);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 200, 160, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  RenderEngine::invalidateBoundTexture();
  t->bind();
  const float u = static_cast<float>(t->getImageWidth()) / static_cast<float>(t->getTextureWidth());
  const float v = static_cast<float>(t->getImageHeight()) / static_cast<float>(t->getTextureHeight());
  // Enlarged at one place, shrunk at another; every edge between pixels.
  const float quads[2][4] = {{3.3f, 2.7f, 3.3f + 137.0f, 2.7f + 68.5f}, {10.45f, 90.2f, 10.45f + 63.0f, 90.2f + 31.7f}};
  glBegin(GL_QUADS);
  for (const auto& q : quads) {
    glTexCoord2f(0, 0), glVertex2f(q[0], q[1]);
    glTexCoord2f(u, 0), glVertex2f(q[2], q[1]);
    glTexCoord2f(u, v), glVertex2f(q[2], q[3]);
    glTexCoord2f(0, v), glVertex2f(q[0], q[3]);
  }
  glEnd();
  glFinish();
  std::vector<std::uint8_t> pixels(200 * 160 * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 200, 160, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glDisable(GL_TEXTURE_2D);
  return pixels;
}

TEST_F(TextureGlTest, APictureDrawsTheSameInASnugTextureAsInAPowerOfTwoOne) {
  ASSERT_EQ(RenderEngine::textureSides(), RenderEngine::TextureSides::Snug);  // Mesa takes any size
  // Opaque, with a different colour along each edge and a transparent corner.
  Picture p(100, 50);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 100; ++x) {
      Rgba c{static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(y * 5), 90, 255};
      if (x == 0) c = Rgba{255, 0, 0, 255};
      if (x == 99) c = Rgba{0, 255, 0, 255};
      if (y == 0) c = Rgba{0, 0, 255, 255};
      if (y == 49) c = Rgba{255, 255, 0, 255};
      if (x > 90 && y > 40) c.a = 0;
      p.set(x, y, c);
    }
  }
  writeTexture("edges", p);
  ITexture* snug = tm.getTexture("edges");
  ASSERT_EQ(snug->getTextureWidth(), 101);
  const std::vector<std::uint8_t> snugPixels = drawScaled(snug);
  snug->release(true);

  RenderEngine::TextureGlBackend powerOfTwo = RenderEngine::TextureGlBackend::defaultBackend();
  powerOfTwo.takesAnySize = nullptr;
  const RenderEngine::TextureGlBackend saved = RenderEngine::TextureGlBackend::set(powerOfTwo);
  ITexture* padded = tm.getTexture("edges");
  ASSERT_EQ(padded->getTextureWidth(), 128);
  const std::vector<std::uint8_t> paddedPixels = drawScaled(padded);
  padded->release(true);
  RenderEngine::TextureGlBackend::set(saved);

  int differ = 0;
  int worst = 0;
  for (std::size_t i = 0; i < snugPixels.size(); ++i) {
    const int d = std::abs(static_cast<int>(snugPixels[i]) - static_cast<int>(paddedPixels[i]));
    worst = std::max(worst, d);
    if (d != 0) ++differ;
  }
  // The texture coordinates differ in their last bits (100/101 against
  // 100/128): at most a step of one in a channel, here and there.
  EXPECT_LE(worst, 1);
  EXPECT_LT(differ, 200);
}

TEST_F(TextureGlTest, BindReallyBindsAfterPurgesAndReloads) {
  writeTexture("a", Picture(8, 8, Rgba{255, 0, 0, 255}));
  writeTexture("b", Picture(8, 8, Rgba{0, 255, 0, 255}));
  ITexture* a = tm.getTexture("a");
  ITexture* b = tm.getTexture("b");
  const GLuint oldA = asC(a)->getGlName();
  a->bind();
  EXPECT_EQ(boundName(), static_cast<GLint>(oldA));

  tm.getTextureWidth("gone");  // an unreferenced entry for the purge to delete
  writeTexture("c", Picture(4, 4));
  tm.getTextureWidth("c");
  const GLuint nameC = asC(tm.findStored("c"))->getGlName();
  ASSERT_TRUE(glIsTexture(nameC));
  tm.purgeUnused();
  EXPECT_FALSE(glIsTexture(nameC));
  glBindTexture(GL_TEXTURE_2D, 0);  // what a font or anything else might do
  a->bind();
  EXPECT_EQ(boundName(), static_cast<GLint>(oldA));

  tm.reloadAll(2);
  EXPECT_NE(asC(a)->getGlName(), 0u);
  b->bind();
  EXPECT_EQ(boundName(), static_cast<GLint>(asC(b)->getGlName()));
  a->bind();
  EXPECT_EQ(boundName(), static_cast<GLint>(asC(a)->getGlName()));
  std::vector<std::uint8_t> texels(8 * 8 * 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(texels[0], 255);  // a's picture is back in a's texture
  EXPECT_EQ(texels[1], 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  a->release(true);
  b->release(true);
}

TEST_F(TextureGlTest, BrokenFilesLeaveNoGlErrorAndNoTexture) {
  std::vector<std::uint8_t> png = texwriter::encodePng(Picture(64, 64, Rgba{1, 2, 3, 4}));
  png.resize(100);
  texwriter::writeFile((dir.path() / "textures" / "cut.bin").string(), png);
  const std::string text = "no picture here";
  texwriter::writeFile((dir.path() / "textures" / "text.bin").string(), {text.begin(), text.end()});
  testing::internal::CaptureStdout();
  ITexture* cut = tm.getTexture("cut");
  ITexture* notPng = tm.getTexture("text");
  testing::internal::GetCapturedStdout();
  ITexture* missing = tm.getTexture("missing");
  for (ITexture* t : {cut, notPng, missing}) {
    EXPECT_EQ(asC(t)->getGlName(), 0u);
    EXPECT_EQ(t->getTextureWidth(), 0);
    t->bind();
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  for (ITexture* t : {cut, notPng, missing}) t->release(true);
}

TEST_F(TextureGlTest, MovieFramesOfOddRowLengthsUploadIntact) {
  // 1x1 picture in a 2x2 RGB texture: 6-byte rows, not 4-byte aligned.
  const std::vector<std::uint8_t> rgb = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  ITexture* t = tm.createMovieTexture("videotextureslot0", rgb.data(), 1, 1, 2, 2, false);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  t->bind();
  std::vector<std::uint8_t> back(12, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(back, rgb);

  const std::vector<std::uint8_t> rgba(2 * 2 * 4, 99);
  ITexture* same = tm.updateMovieTexture("videotextureslot0", rgba.data(), 1, 1, 2, 2, true);
  same->release(false);
  std::vector<std::uint8_t> back4(16, 0);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back4.data());
  EXPECT_EQ(back4, rgba);
  EXPECT_EQ(t->getImageWidth(), 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  t->release(true);
}
