// Vector, matrix and rectangle arithmetic, checked against values worked out by
// hand. The raw array is inspected so a row/column transposition shows.
#include "render_engine/Math.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace RenderEngine;

namespace {

void expectVec(const Vector3& v, float x, float y, float z, float tol = 1e-5f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST(Vector3Test, ArithmeticAndNormalize) {
  Vector3 v(1, 2, 3);
  v += Vector3(1, 1, 1);
  v -= Vector3(0, 1, 0);
  v *= 2.0f;
  v /= 4.0f;
  expectVec(v, 1, 1, 2);
  expectVec(divide(Vector3(1, 2, 3), 4.0f), 0.25f, 0.5f, 0.75f, 0.0f);
  expectVec(subtract(Vector3(5, 5, 5), multiply(2.0f, negate(Vector3(-1, -2, -3)))), 3, 1, -1);
  expectVec(lerp(Vector3(0, 10, -10), Vector3(10, 20, 10), 0.5f), 5, 15, 0);
  EXPECT_FLOAT_EQ(Vector3(3, 4, 0).length(), 5.0f);

  Vector3 n(0, 3, 4);
  n.normalize();
  expectVec(n, 0, 0.6f, 0.8f);
  Vector3 zero;
  zero.normalize();  // stays zero, not NaN
  EXPECT_EQ(zero, Vector3(0, 0, 0));
}

TEST(Matrix4Test, DefaultIsZeroAndIdentityTestIsExact) {
  EXPECT_FALSE(Matrix4().isIdentity());
  EXPECT_TRUE(Matrix4::identity().isIdentity());
  // Diagonal ones with rows that still sum to one are not the identity.
  Matrix4 odd = Matrix4::identity();
  odd.at(0, 1) = 2.0f;
  odd.at(0, 2) = -2.0f;
  EXPECT_FALSE(odd.isIdentity());
}

TEST(Matrix4Test, SkewLayout) {
  Matrix4 m;
  m.setSkew(0, 0);
  EXPECT_TRUE(m.isIdentity());

  m.setSkew(30, 0);
  EXPECT_FLOAT_EQ(m.m[0], 1.0f);
  EXPECT_NEAR(m.m[4], -0.5f, 1e-6f);  // row 0, column 1
  EXPECT_NEAR(m.m[1], 0.0f, 1e-6f);
  EXPECT_NEAR(m.get(1, 1), std::cos(30.0 * M_PI / 180.0), 1e-6);

  m.setSkew(0, 120);
  EXPECT_NEAR(m.m[0], -0.5f, 1e-6f);      // -cos 60
  EXPECT_NEAR(m.m[1], 0.8660254f, 1e-6f);  // row 1, column 0: tan 60 x cos 60
  EXPECT_NEAR(m.get(1, 1), 1.0f, 1e-6f);

  m.setSkew(120, 0);
  EXPECT_NEAR(m.get(1, 1), -0.5f, 1e-6f);  // the sign flips beyond 90 degrees
}

TEST(Matrix4Test, TransformPointIsColumnVectorWithDivideByW) {
  expectVec(transformPoint(Matrix4::identity(), Vector3(1, 2, 3)), 1, 2, 3, 0.0f);

  // Translate (10, 20, 30) after scaling by (2, 3, 4), written column-major.
  Matrix4 m = Matrix4::identity();
  m.m[0] = 2;
  m.m[5] = 3;
  m.m[10] = 4;
  m.m[12] = 10;
  m.m[13] = 20;
  m.m[14] = 30;
  expectVec(transformPoint(m, Vector3(1, 1, 1)), 12, 23, 34, 0.0f);

  m.m[15] = 2;  // w doubles: every coordinate halves
  expectVec(transformPoint(m, Vector3(1, 1, 1)), 6, 11.5f, 17, 0.0f);
}

TEST(Matrix4Test, BuildersMatchHandComputedProducts) {
  Matrix4 m = Matrix4::identity();
  m.translate(5, 6, 0);
  m.rotateZ(90);
  m.scale(2, 3, 1);
  // (1, 1) -> scale (2, 3) -> rotate 90 (-3, 2) -> translate (2, 8)
  expectVec(transformPoint(m, Vector3(1, 1, 0)), 2, 8, 0);

  Matrix4 rx = Matrix4::identity();
  rx.rotateX(90);
  expectVec(transformPoint(rx, Vector3(0, 1, 0)), 0, 0, 1);
  Matrix4 ry = Matrix4::identity();
  ry.rotateY(90);
  expectVec(transformPoint(ry, Vector3(0, 0, 1)), 1, 0, 0);

  // The in-place steps agree with a general multiplication.
  Matrix4 t = Matrix4::identity();
  t.translate(5, 6, 7);
  Matrix4 general = Matrix4::identity();
  general.rotateZ(33);
  Matrix4 viaMultiply = general * t;
  general.translate(5, 6, 7);
  EXPECT_EQ(general, viaMultiply);
}

TEST(BoundingRectTest, EmptyAndUnion) {
  BoundingRect r;
  EXPECT_TRUE(r.isEmpty());
  BoundingRect a(0, 0, 10, 10);
  BoundingRect b(-5, 2, 3, 20);
  unionRect(r, &a, nullptr);
  EXPECT_EQ(r, a);
  unionRect(r, nullptr, &b);
  EXPECT_EQ(r, b);
  unionRect(r, &a, &b);
  EXPECT_EQ(r, BoundingRect(-5, 0, 10, 20));
  BoundingRect e;
  unionRect(e, &e, &a);  // the empty value is neutral
  EXPECT_EQ(e, a);
}
