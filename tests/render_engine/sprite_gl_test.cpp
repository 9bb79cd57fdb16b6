// Sprites drawn through a real OpenGL context in the game's frame projection:
// where the picture lands, tinting by a parent, and the blending decision.
#include <GL/freeglut.h>
#include "support/GlWindow.h"
#include <gtest/gtest.h>

#include "render_engine/CSprite.h"
#include "render_engine/FrameDrawing.h"
#include "render_engine/GlStateCache.h"
#include "support/TempDir.h"
#include "tools/texture_writer.h"

using namespace RenderEngine;
using texwriter::Picture;
using texwriter::Rgba;

namespace {

struct Pixel {
  int r, g, b;
};

class SpriteGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(qmtest::openGlWindow("sprite_gl_test", 960, 640));
    glViewport(0, 0, 960, 640);
    cachedEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  void SetUp() override {
    tm.resetForTests();
    // A 64x64 picture: red top-left, green top-right, blue bottom-left, white bottom-right.
    Picture q(64, 64);
    q.fillRect(0, 0, 32, 32, Rgba{255, 0, 0, 255});
    q.fillRect(32, 0, 32, 32, Rgba{0, 255, 0, 255});
    q.fillRect(0, 32, 32, 32, Rgba{0, 0, 255, 255});
    q.fillRect(32, 32, 32, 32, Rgba{255, 255, 255, 255});
    ASSERT_TRUE(texwriter::writePng((dir.path() / "textures/quad.bin").string(), q));
    ASSERT_TRUE(texwriter::writeFile((dir.path() / "textures/tex.dat").string(), {}));
    // The frame as the game sets it up: y down, 960x640 pixels, points scaled by two.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(1, -1, 1);
    glOrtho(0, 960, 0, 640, -1, 0);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0, 0, 0, 1);
    clearScreen();
    glScalef(2, 2, 1);
    glColor4f(1, 1, 1, 1);
    CNode::currentColor() = ColorRGBA{};
  }
  void TearDown() override { tm.resetForTests(); }

  // The pixel at (x, y) of the 960x640 picture, counted from the top left.
  static Pixel at(int x, int y) {
    unsigned char p[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(x, 639 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Pixel{p[0], p[1], p[2]};
  }
  static void expectPixel(Pixel got, Pixel want, const char* where) {
    EXPECT_NEAR(got.r, want.r, 2) << where;
    EXPECT_NEAR(got.g, want.g, 2) << where;
    EXPECT_NEAR(got.b, want.b, 2) << where;
  }

  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
  TextureManager& tm = TextureManager::instance();
};

}  // namespace

TEST_F(SpriteGlTest, PictureLandsUprightAtItsPosition) {
  CSprite sprite("quad");
  sprite.setPosition(100, 100, 0);  // points 68..132, pixels 136..264
  sprite.draw(true, true);
  expectPixel(at(150, 150), {255, 0, 0}, "top-left quadrant");
  expectPixel(at(250, 150), {0, 255, 0}, "top-right quadrant");
  expectPixel(at(150, 250), {0, 0, 255}, "bottom-left quadrant");
  expectPixel(at(250, 250), {255, 255, 255}, "bottom-right quadrant");
  expectPixel(at(130, 150), {0, 0, 0}, "left of the sprite");
  expectPixel(at(270, 250), {0, 0, 0}, "right of the sprite");
  // Drawing leaves the client arrays off, as the cache records.
  EXPECT_EQ(GlStateCache::clientState(GL_VERTEX_ARRAY), GlStateCache::Disabled);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
}

TEST_F(SpriteGlTest, RotatedSpriteAndTintingParent) {
  CNode parent;
  parent.setColor(255, 0, 0, 255);  // keeps red only
  auto* sprite = new CSprite("quad");
  sprite->setPosition(240, 160, 0);
  sprite->setRotation(0, 0, 90);  // a quarter turn: the top-left quadrant goes top-right
  parent.addChild(sprite);
  parent.draw(true, true);
  // Modulate with (1, 0, 0): red stays red, white becomes red, green and blue go black.
  expectPixel(at(480 + 32, 320 - 32), {255, 0, 0}, "red quadrant after the turn");
  expectPixel(at(480 - 32, 320 - 32), {0, 0, 0}, "blue quadrant after the turn, tinted");
}

TEST_F(SpriteGlTest, BlendingFollowsTheAlphaTheQuadIsDrawnWith) {
  CSprite::setSkipLargeTextures(true);
  CNode faded;
  faded.setColor(255, 255, 255, 128);
  auto* opaqueUnderFade = new CSprite("quad");
  opaqueUnderFade->setOpaque(true);
  faded.addChild(opaqueUnderFade);
  faded.draw(true, true);
  EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "opaque sprite under a half-transparent parent";

  CSprite opaque("quad");
  opaque.setOpaque(true);
  opaque.draw(true, true);
  EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "opaque sprite, no colour above it";

  opaque.setColor(255, 255, 255, 128);  // its own fade, as an animation sets it
  opaque.draw(true, true);
  EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "opaque sprite faded by its own colour";

  CSprite plain("quad");
  plain.draw(true, true);
  EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "a sprite that is not opaque always blends";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
