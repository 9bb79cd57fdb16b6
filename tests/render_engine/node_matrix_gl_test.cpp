// The node's software local matrix against OpenGL's own matrix stack for the
// same transforms, and a real draw leaving the modelview matrix where it found it.
#include <GL/freeglut.h>
#include "support/GlWindow.h"
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "render_engine/CNode.h"

using namespace RenderEngine;

namespace {

struct Transform {
  float px, py, pz;
  float ax, ay;
  float rx, ry, rz;
  float kx, ky;
  float sx, sy, sz;
};

// The same steps through the GL stack, read back.
Matrix4 glMatrixFor(const Transform& t) {
  Matrix4 skew;
  skew.setSkew(t.kx, t.ky);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  if (t.px != 0 || t.py != 0 || t.pz != 0) glTranslatef(t.px, t.py, t.pz);
  if (t.ax != 0 || t.ay != 0) glTranslatef(-t.ax, -t.ay, 0);
  if (t.rx != 0) glRotatef(t.rx, 1, 0, 0);
  if (t.ry != 0) glRotatef(t.ry, 0, 1, 0);
  if (t.rz != 0) glRotatef(t.rz, 0, 0, 1);
  if (!skew.isIdentity()) glMultMatrixf(skew.data());
  if (t.sx != 1 || t.sy != 1 || t.sz != 1) glScalef(t.sx, t.sy, t.sz);
  if (t.ax != 0 || t.ay != 0) glTranslatef(t.ax, t.ay, 0);
  Matrix4 out;
  glGetFloatv(GL_MODELVIEW_MATRIX, out.m);
  glPopMatrix();
  return out;
}

Matrix4 readModelview() {
  Matrix4 out;
  glGetFloatv(GL_MODELVIEW_MATRIX, out.m);
  return out;
}

class NodeMatrixGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(qmtest::openGlWindow("node matrix"));
  }
};

}  // namespace

TEST_F(NodeMatrixGlTest, SoftwareLocalMatrixMatchesTheGlStack) {
  const Transform cases[] = {
      {10, 20, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 30, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 45, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 90, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 123.4f, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 270, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 359.9f, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 200, 0, 0, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 0, 30, 0, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 120, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 0, -100, 45, 1, 1, 1},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0.5f, 1},
      {240, 160, 0, 12, -7, 0, 0, 33, 0, 0, 1.5f, 1.5f, 1},
      {100.25f, -3.5f, 0.5f, 5, 5, 10, 20, 30, 15, -25, 0.75f, 2, 3},
      {-50, 75, 0, -8, 16, 0, 0, 181.5f, 60, 10, -1, 1, 1},
      {0, 0, 0, 3, 4, 0, 0, 0, 0, 0, 2, 2, 1},
  };
  int exact = 0;
  for (const Transform& t : cases) {
    CNode node;
    node.setPosition(t.px, t.py, t.pz);
    node.setAnchor(t.ax, t.ay);
    node.setRotation(t.rx, t.ry, t.rz);
    node.setSkew(t.kx, t.ky);
    node.setScale(t.sx, t.sy, t.sz);
    const Matrix4& soft = node.getLocalMatrix();
    const Matrix4 gl = glMatrixFor(t);
    bool same = true;
    for (int i = 0; i < 16; ++i) {
      // The same result OpenGL gives, to the bit.
      EXPECT_EQ(soft.m[i], gl.m[i]) << "element " << i << " of case rz=" << t.rz << " kx=" << t.kx;
      if (soft.m[i] != gl.m[i]) same = false;
    }
    if (same) ++exact;
  }
  std::printf("%d of %zu cases bit for bit equal\n", exact, sizeof cases / sizeof cases[0]);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(NodeMatrixGlTest, DrawMultipliesIntoTheModelviewAndRestoresIt) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  CNode root;
  root.setPosition(30, 40, 0);
  root.setRotation(0, 0, 15);
  auto* a = new CNode;
  auto* b = new CNode;
  a->setPosition(1, 2, 0);
  b->setScale(2, 2, 1);
  root.addChild(a);
  root.addChild(b);
  root.draw(true, true);
  EXPECT_EQ(readModelview(), Matrix4::identity());

  // Without a push the node's matrix stays multiplied into the caller's.
  CNode single;
  single.setPosition(5, 6, 0);
  single.setRotation(0, 0, 45);
  single.draw(true, false);
  const Matrix4 now = readModelview();
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(now.m[i], single.getLocalMatrix().m[i], 1e-6f);
  glLoadIdentity();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
