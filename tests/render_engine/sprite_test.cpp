// Sprites without a display: the quad and its texture coordinates, sheet
// sprites, the large-texture rule, releasing and taking the texture again,
// bounds and copies.
#include "render_engine/CSprite.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "RecordingTextureGl.h"
#include "support/TempDir.h"
#include "tools/texture_writer.h"

using namespace RenderEngine;
using texwriter::Picture;

namespace {

class SpriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qmtest::recordedGl() = {};
    old_ = TextureGlBackend::set(qmtest::recordingBackend());
    tm.resetForTests();
    CSprite::setSkipLargeTextures(true);
    writePicture("pic.bin", Picture(64, 32));
    writePicture("hundred.bin", Picture(100, 50));
    writePicture("wide801.bin", Picture(801, 4));
    writePicture("wide800.bin", Picture(800, 4));
    writePicture("7.bin", Picture(960, 640));
    writePicture("tex2.bin", Picture(128, 64));
    ASSERT_TRUE(texwriter::writeFile((dir.path() / "textures/tex.dat").string(),
                                     texwriter::encodeTexIndex({{300, 2, 32, 16, 20, 10}})));
  }
  void TearDown() override {
    tm.resetForTests();
    TextureGlBackend::set(old_);
    CSprite::setSkipLargeTextures(true);
  }
  void writePicture(const std::string& file, const Picture& p) {
    ASSERT_TRUE(texwriter::writePng((dir.path() / "textures" / file).string(), p));
  }

  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
  TextureManager& tm = TextureManager::instance();
  TextureGlBackend old_{};
};

}  // namespace

TEST_F(SpriteTest, QuadIsCentredOnTheOriginWithItsOffset) {
  CSprite sprite("pic");
  sprite.setTextureOffset(10, 0);
  EXPECT_FLOAT_EQ(sprite.getVertex(0).x, 42);
  EXPECT_FLOAT_EQ(sprite.getVertex(3).y, -16);
  const BoundingRect* box = sprite.getBoundingBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(*box, BoundingRect(-22, -16, 42, 16));

  // A 100x50 picture sits in a 128x64 texture.
  CSprite hundred("hundred");
  EXPECT_FLOAT_EQ(hundred.getVertex(0).u, 0.78125f);
  EXPECT_FLOAT_EQ(hundred.getVertex(0).v, 0.78125f);
}

TEST_F(SpriteTest, BoundsFollowTheSpritesOwnPlaceTurnAndScale) {
  CSprite sprite("pic");  // 64 x 32 about its origin
  sprite.setPosition(100, 50, 0);
  sprite.setScale(2, 2, 1);
  sprite.setRotation(0, 0, 90);
  const BoundingRect* box = sprite.getBoundingBox();
  ASSERT_NE(box, nullptr);
  // Scaled to 128 x 64, turned a quarter: 64 wide and 128 tall about (100, 50).
  EXPECT_NEAR(box->minX, 68, 1e-3);
  EXPECT_NEAR(box->maxX, 132, 1e-3);
  EXPECT_NEAR(box->minY, -14, 1e-3);
  EXPECT_NEAR(box->maxY, 114, 1e-3);
}

std::vector<std::string> g_colours;
void recordColour(float r, float g, float b, float a) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f %.2f", r, g, b, a);
  g_colours.push_back(text);
}

TEST_F(SpriteTest, ASpriteIsDrawnInItsOwnColour) {
  NodeDrawBackend gl = CNode::defaultDrawBackend();
  gl.pushMatrix = [] {};
  gl.popMatrix = [] {};
  gl.multMatrix = [](const float*) {};
  gl.color4f = &recordColour;
  const NodeDrawBackend old = CNode::setDrawBackend(gl);
  CNode::currentColor() = ColorRGBA{1, 1, 1, 1};
  g_colours.clear();
  CSprite sprite("pic");
  sprite.setColor(255, 0, 51, 128);
  sprite.draw(true, true);
  CNode::setDrawBackend(old);
  // Its own colour while the quad is drawn, the inherited one back after it.
  EXPECT_EQ(g_colours, (std::vector<std::string>{"1.00 0.00 0.20 0.50", "1.00 1.00 1.00 1.00"}));
}

TEST_F(SpriteTest, NumberedSpriteDrawsItsPartOfTheSheet) {
  CSprite sprite(300);
  EXPECT_EQ(sprite.getWidth(), 20);
  EXPECT_EQ(sprite.getTexture(), tm.findStored("tex2"));
  EXPECT_FLOAT_EQ(sprite.getVertex(0).u, 52.0f / 128);
  EXPECT_FLOAT_EQ(sprite.getVertex(0).v, 26.0f / 64);
  EXPECT_FLOAT_EQ(sprite.getVertex(3).u, 32.0f / 128);
  EXPECT_FLOAT_EQ(sprite.getVertex(3).v, 16.0f / 64);
}

TEST_F(SpriteTest, LargeSceneSpriteKeepsItsSizeAndLoadsOnFirstDraw) {
  CSprite sprite(7, 960, 640);
  EXPECT_EQ(sprite.getTexture(), nullptr);
  // Bounds are defined before the texture is there: hit tests work.
  ASSERT_NE(sprite.getBoundingBox(), nullptr);
  EXPECT_EQ(*sprite.getBoundingBox(), BoundingRect(-480, -320, 480, 320));
  EXPECT_TRUE(sprite.containsPoint(470, 0));

  CSprite::setSkipLargeTextures(false);  // loading follows the first draw whatever the flag says then
  CSprite::setSkipLargeTextures(true);
  sprite.draw(true, true);
  ASSERT_NE(sprite.getTexture(), nullptr);
  EXPECT_EQ(sprite.getTexture()->getImageWidth(), 960);

  // By name, a skipped sprite has no size until it is drawn.
  CSprite byName("wide801");
  EXPECT_EQ(byName.getTexture(), nullptr);
  EXPECT_EQ(byName.getWidth(), 0);
  CSprite::setSkipLargeTextures(false);
  CSprite loaded("wide801");
  EXPECT_NE(loaded.getTexture(), nullptr);
}

TEST_F(SpriteTest, ReleasedTexturesComeBackAndOnlyLargeOnesAreUnloaded) {
  CSprite::setSkipLargeTextures(false);
  CSprite wide("wide801");
  CSprite edge("wide800");
  ASSERT_NE(wide.getTexture(), nullptr);
  wide.unloadLargeTextures();
  edge.unloadLargeTextures();
  EXPECT_EQ(wide.getTexture(), nullptr);
  EXPECT_NE(edge.getTexture(), nullptr);
  // The last reference went with a purge: the texture is gone from the registry.
  EXPECT_EQ(tm.findStored("wide801"), nullptr);

  edge.unloadTextures();
  EXPECT_EQ(edge.getTexture(), nullptr);
  edge.draw(true, true);
  ASSERT_NE(edge.getTexture(), nullptr);
  EXPECT_EQ(edge.getTexture()->getRefCount(), 1);
}

TEST_F(SpriteTest, MissingTextureGivesAPointAtTheOffset) {
  CSprite sprite("nothing-here");
  EXPECT_EQ(sprite.getWidth(), 0);
  sprite.setTextureOffset(3, 4);
  ASSERT_NE(sprite.getBoundingBox(), nullptr);
  EXPECT_EQ(*sprite.getBoundingBox(), BoundingRect(3, 4, 3, 4));
  sprite.draw(true, true);  // draws nothing visible, and does not retry
}

TEST_F(SpriteTest, CopiesTakeTheirOwnReferenceAndKeepOffsetAndOpacity) {
  auto* sprite = new CSprite("pic");
  sprite->setTextureOffset(5, 6);
  sprite->setOpaque(true);
  sprite->setPosition(10, 20, 0);
  sprite->setVisible(false);  // an invisible sprite still reports its box
  EXPECT_NE(sprite->getBoundingBox(), nullptr);
  std::unique_ptr<CNode> copy(sprite->clone());
  auto* s = dynamic_cast<CSprite*>(copy.get());
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->isOpaque());
  EXPECT_FLOAT_EQ(s->getVertex(0).x, 37);
  EXPECT_EQ(s->getTexture(), sprite->getTexture());
  EXPECT_EQ(s->getTexture()->getRefCount(), 2);
  delete sprite;
  EXPECT_EQ(s->getTexture()->getRefCount(), 1);
}
