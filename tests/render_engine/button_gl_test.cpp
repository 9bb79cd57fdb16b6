// A button's hit area drawn through a real OpenGL context: red lines on the
// edges of its box, nothing inside or outside, and the colour and texturing
// given back afterwards.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <vector>

#include "render_engine/CButton.h"
#include "render_engine/GlStateCache.h"
#include "support/GlWindow.h"

using namespace RenderEngine;

namespace {

constexpr int kSize = 64;

class BoxNode : public CNode {
 public:
  BoundingRect* getBoundingBox() override {
    box_ = BoundingRect(10.5f, 20.5f, 40.5f, 50.5f);
    return &box_;
  }
};

}  // namespace

TEST(ButtonGl, HitAreaOutlinesTheBoxInRed) {
  ASSERT_TRUE(qmtest::openGlWindow("button_gl_test", kSize, kSize));
  glViewport(0, 0, kSize, kSize);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kSize, kSize, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  cachedEnable(GL_TEXTURE_2D);
  glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
  CButton button;
  button.addChild(new BoxNode());
  button.drawHitArea();
  std::vector<unsigned char> px(kSize * kSize * 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  auto red = [&](int x, int y) {
    const unsigned char* p = &px[static_cast<std::size_t>((kSize - 1 - y) * kSize + x) * 4];
    return p[0] > 200 && p[1] < 50 && p[2] < 50;
  };
  EXPECT_TRUE(red(10, 35));  // left edge
  EXPECT_TRUE(red(40, 35));  // right edge
  EXPECT_TRUE(red(25, 20));  // top edge
  EXPECT_TRUE(red(25, 50));  // bottom edge
  EXPECT_FALSE(red(25, 35));  // inside
  EXPECT_FALSE(red(5, 5));    // outside
  EXPECT_EQ(GlStateCache::capabilityState(GL_TEXTURE_2D), GlStateCache::Enabled);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[1], CNode::currentColor().g);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
