// Debug drawing on a real OpenGL context (Mesa under Xvfb): a box body's
// outline in the current colour and its centre as a red point, read back from
// the frame buffer.
#include <GL/freeglut.h>
#include "support/GlWindow.h"
#include <gtest/gtest.h>

#include <array>

#include "physics/PhysicsDebugDraw.h"
#include "physics/PhysicsTestSupport.h"
#include "render_engine/GlStateCache.h"

using namespace RenderEngine;
using namespace physicstest;

namespace {

constexpr int kSize = 64;

std::array<unsigned char, 3> pixelAt(int x, int yDown) {
  std::array<unsigned char, 4> rgba{};
  glReadPixels(x, kSize - 1 - yDown, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return {rgba[0], rgba[1], rgba[2]};
}

TEST(PhysicsDebugDrawGl, BoxOutlineAndRedCentre) {
  ASSERT_TRUE(qmtest::openGlWindow("physics debug draw", kSize, kSize));
  glViewport(0, 0, kSize, kSize);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kSize, kSize, 0, -1, 1);  // y down, as the game's point space
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor4f(0, 1, 0, 1);

  // Pixel centres sit at .5: the box's edges and centre land on them.
  CNodePhysics node;
  node.setPosition(32.5f, 32.5f, 0);
  node.createBody(body(1.0f, {boxShape(10, 10)}));
  node.drawDebug();
  glFinish();
  glReadBuffer(GL_BACK);

  EXPECT_EQ(pixelAt(32, 32), (std::array<unsigned char, 3>{255, 0, 0}));
  EXPECT_EQ(pixelAt(22, 32), (std::array<unsigned char, 3>{0, 255, 0}));  // left edge
  EXPECT_EQ(pixelAt(32, 42), (std::array<unsigned char, 3>{0, 255, 0}));  // bottom edge (y down)
  EXPECT_EQ(pixelAt(27, 32), (std::array<unsigned char, 3>{0, 0, 0}));    // inside: outline only
  EXPECT_EQ(pixelAt(5, 5), (std::array<unsigned char, 3>{0, 0, 0}));
  EXPECT_EQ(GlStateCache::capabilityState(GL_TEXTURE_2D), GlStateCache::Enabled);
  EXPECT_EQ(GlStateCache::clientState(GL_VERTEX_ARRAY), GlStateCache::Disabled);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
