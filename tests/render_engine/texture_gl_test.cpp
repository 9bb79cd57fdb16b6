// Textures through a real OpenGL context (Mesa under a virtual display): what
// reaches the GL texture, the bound texture after purges and reloads, broken
// files, raw movie frames.
#include <GL/freeglut.h>
#include "support/GlWindow.h"
#include <gtest/gtest.h>

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
  EXPECT_EQ(w, 128);
  EXPECT_EQ(h, 64);
  std::vector<std::uint8_t> texels(128 * 64 * 4, 0xAB);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  const Picture want = texwriter::expectedDecode(p, PngFormat::GreyAlpha8);
  int wrong = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) {
      const std::uint8_t* q = &texels[(static_cast<std::size_t>(y) * 128 + x) * 4];
      const Rgba e = (x < 100 && y < 50) ? want.at(x, y) : Rgba{0, 0, 0, 0};
      if (Rgba{q[0], q[1], q[2], q[3]} != e) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  t->release(true);
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
