#include "render_engine/Math.h"

#include <numbers>

namespace RenderEngine {

Matrix4 Matrix4::identity() {
  Matrix4 r;
  r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
  return r;
}

bool Matrix4::isIdentity() const {
  for (int i = 0; i < 16; ++i) {
    const float want = (i % 5 == 0) ? 1.0f : 0.0f;
    if (m[i] != want) return false;
  }
  return true;
}

bool Matrix4::operator==(const Matrix4& o) const {
  for (int i = 0; i < 16; ++i) {
    if (m[i] != o.m[i]) return false;
  }
  return true;
}

void Matrix4::setSkew(float ax, float ay) {
  float sy = 1.0f;
  float b = ay;
  if (std::fabs(ay) > 90.0f) {
    sy = -1.0f;
    b = 180.0f - ay;
  }
  float sx = 1.0f;
  float a = ax;
  if (std::fabs(ax) > 90.0f) {
    sx = -1.0f;
    a = 180.0f - ax;
  }
  const float B = b * kPi / 180.0f;
  const float A = -(a * kPi / 180.0f);
  // tan x cos is kept as two calls and a product: the results must match the
  // matrices the scene data was authored against, not a mathematically equal sine.
  const float cosA = cosFloat(A);
  const float cosB = cosFloat(B);
  const float tanA = tanFloat(A);
  const float tanB = tanFloat(B);
  // Row 0
  at(0, 0) = sy * cosB;
  at(0, 1) = tanA * cosA;
  at(0, 2) = 0.0f;
  at(0, 3) = 0.0f;
  // Row 1
  at(1, 0) = tanB * cosB;
  at(1, 1) = sx * cosA;
  at(1, 2) = 0.0f;
  at(1, 3) = 0.0f;
  // Rows 2 and 3
  at(2, 0) = 0.0f;
  at(2, 1) = 0.0f;
  at(2, 2) = 1.0f;
  at(2, 3) = 0.0f;
  at(3, 0) = 0.0f;
  at(3, 1) = 0.0f;
  at(3, 2) = 0.0f;
  at(3, 3) = 1.0f;
}

// The column updates below are the multiplications by the step matrices with
// their zero terms left out; OpenGL's matrix code does the same, and a zero term
// never changes a float sum, so the results are identical.
void Matrix4::translate(float x, float y, float z) {
  for (int r = 0; r < 4; ++r) {
    m[r + 12] = m[r] * x + m[r + 4] * y + m[r + 8] * z + m[r + 12];
  }
}

namespace {

// Sine and cosine of an angle in degrees, converted as OpenGL's glRotatef does
// (in double, then evaluated in float).
void sinCosDegrees(float degrees, float& s, float& c) {
  const float radians = static_cast<float>(static_cast<double>(degrees) * std::numbers::pi / 180.0);
  s = sinFloat(radians);
  c = cosFloat(radians);
}

// Columns i and j of m become (ci*c + cj*s) and (ci*-s + cj*c): a rotation in
// the plane of axes i and j.
void rotateColumns(float* m, int i, int j, float s, float c) {
  for (int r = 0; r < 4; ++r) {
    const float ci = m[r + 4 * i];
    const float cj = m[r + 4 * j];
    m[r + 4 * i] = ci * c + cj * s;
    m[r + 4 * j] = ci * -s + cj * c;
  }
}

}  // namespace

void Matrix4::rotateX(float degrees) {
  float s, c;
  sinCosDegrees(degrees, s, c);
  rotateColumns(m, 1, 2, s, c);
}

void Matrix4::rotateY(float degrees) {
  float s, c;
  sinCosDegrees(degrees, s, c);
  // About y the sine sits at row 0, column 2: the plane is (z, x).
  rotateColumns(m, 2, 0, s, c);
}

void Matrix4::rotateZ(float degrees) {
  float s, c;
  sinCosDegrees(degrees, s, c);
  rotateColumns(m, 0, 1, s, c);
}

void Matrix4::scale(float x, float y, float z) {
  for (int r = 0; r < 4; ++r) {
    m[r] *= x;
    m[r + 4] *= y;
    m[r + 8] *= z;
  }
}

void Matrix4::multiply(const Matrix4& right) { *this = *this * right; }

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
  Matrix4 p;
  for (int r = 0; r < 4; ++r) {
    const float a0 = a.m[r], a1 = a.m[r + 4], a2 = a.m[r + 8], a3 = a.m[r + 12];
    for (int c = 0; c < 4; ++c) {
      p.m[r + 4 * c] = a0 * b.m[4 * c] + a1 * b.m[4 * c + 1] + a2 * b.m[4 * c + 2] + a3 * b.m[4 * c + 3];
    }
  }
  return p;
}

Vector3 transformPoint(const Matrix4& mat, const Vector3& p) {
  const float w = mat.get(3, 0) * p.x + mat.get(3, 1) * p.y + mat.get(3, 2) * p.z + mat.get(3, 3);
  return {(mat.get(0, 0) * p.x + mat.get(0, 1) * p.y + mat.get(0, 2) * p.z + mat.get(0, 3)) / w,
          (mat.get(1, 0) * p.x + mat.get(1, 1) * p.y + mat.get(1, 2) * p.z + mat.get(1, 3)) / w,
          (mat.get(2, 0) * p.x + mat.get(2, 1) * p.y + mat.get(2, 2) * p.z + mat.get(2, 3)) / w};
}

void unionRect(BoundingRect& out, const BoundingRect* a, const BoundingRect* b) {
  if (a == nullptr && b == nullptr) return;
  if (a == nullptr) {
    out = *b;
    return;
  }
  if (b == nullptr) {
    out = *a;
    return;
  }
  out = BoundingRect(std::fmin(a->minX, b->minX), std::fmin(a->minY, b->minY), std::fmax(a->maxX, b->maxX),
                     std::fmax(a->maxY, b->maxY));
}

}  // namespace RenderEngine
