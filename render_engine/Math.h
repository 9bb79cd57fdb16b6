#pragma once
// Small value types of the scene graph: a three-float vector, a column-major 4x4
// float matrix and a bounding rectangle. Every result is stored as a float after
// each operation, so the software matrices match what OpenGL computes.
#include <cmath>

namespace RenderEngine {

inline float sqrtFloat(float v) { return std::sqrt(v); }
inline float cosFloat(float v) { return std::cos(v); }
inline float sinFloat(float v) { return std::sin(v); }
inline float tanFloat(float v) { return std::tan(v); }

// The float value of pi that angle conversions use.
inline constexpr float kPi = 3.1415927f;

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  constexpr Vector3() = default;
  constexpr Vector3(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}

  // Component i: 0 x, 1 y, anything else z.
  float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  float operator[](int i) const { return get(i); }
  float get(int i) const { return i == 0 ? x : (i == 1 ? y : z); }

  Vector3& operator+=(const Vector3& o) {
    x += o.x;
    y += o.y;
    z += o.z;
    return *this;
  }
  Vector3& operator-=(const Vector3& o) {
    x -= o.x;
    y -= o.y;
    z -= o.z;
    return *this;
  }
  Vector3& operator*=(float s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  Vector3& operator/=(float s) {
    x /= s;
    y /= s;
    z /= s;
    return *this;
  }

  float lengthSquared() const { return x * x + y * y + z * z; }
  float length() const { return sqrtFloat(lengthSquared()); }
  // Divides by the length in place. A zero vector stays zero instead of turning
  // into NaNs.
  void normalize() {
    const float len = length();
    if (len == 0.0f) return;
    x /= len;
    y /= len;
    z /= len;
  }

  bool operator==(const Vector3& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const Vector3& o) const { return !(*this == o); }
};

inline Vector3 operator+(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 negate(const Vector3& v) { return {-v.x, -v.y, -v.z}; }
inline Vector3 subtract(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 multiply(const Vector3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
inline Vector3 multiply(float s, const Vector3& v) { return multiply(v, s); }
// The reciprocal is taken first, then multiplied (so 1/3 rounds once).
inline Vector3 divide(const Vector3& v, float s) { return multiply(v, 1.0f / s); }
inline float lerp(float a, float b, float t) { return a + (b - a) * t; }
inline Vector3 lerp(const Vector3& a, const Vector3& b, float t) {
  return {lerp(a.x, b.x, t), lerp(a.y, b.y, t), lerp(a.z, b.z, t)};
}

// Sixteen floats in OpenGL's column-major order: row r, column c at r + 4c.
// Default-constructed it is all zeros, not the identity.
struct Matrix4 {
  float m[16] = {};

  static Matrix4 identity();

  float get(int row, int col) const { return m[row + 4 * col]; }
  float& at(int row, int col) { return m[row + 4 * col]; }
  const float* data() const { return m; }

  // Exactly the identity, element by element.
  bool isIdentity() const;

  // The shear of the two angles in degrees (every element is written).
  void setSkew(float ax, float ay);

  // Post-multiplications, each giving the same floats as the OpenGL call of the
  // same name on the current matrix: this := this * step.
  void translate(float x, float y, float z);
  void rotateX(float degrees);
  void rotateY(float degrees);
  void rotateZ(float degrees);
  void scale(float x, float y, float z);
  void multiply(const Matrix4& right);

  bool operator==(const Matrix4& o) const;
  bool operator!=(const Matrix4& o) const { return !(*this == o); }
};

// a * b (b applied first to a point).
Matrix4 operator*(const Matrix4& a, const Matrix4& b);

// The point (x, y, z, 1) through the matrix, divided by w.
Vector3 transformPoint(const Matrix4& matrix, const Vector3& point);

// minX, minY, maxX, maxY; empty while min is 9999999 and max -9999999.
struct BoundingRect {
  static constexpr float kEmptyMin = 9999999.0f;
  static constexpr float kEmptyMax = -9999999.0f;

  float minX = kEmptyMin;
  float minY = kEmptyMin;
  float maxX = kEmptyMax;
  float maxY = kEmptyMax;

  constexpr BoundingRect() = default;
  constexpr BoundingRect(float x0, float y0, float x1, float y1) : minX(x0), minY(y0), maxX(x1), maxY(y1) {}

  void setEmpty() { *this = BoundingRect(); }
  bool isEmpty() const {
    return minX == kEmptyMin && minY == kEmptyMin && maxX == kEmptyMax && maxY == kEmptyMax;
  }
  // Grows the rectangle to hold the point.
  void addPoint(float x, float y) {
    if (x < minX) minX = x;
    if (y < minY) minY = y;
    if (x > maxX) maxX = x;
    if (y > maxY) maxY = y;
  }
  bool operator==(const BoundingRect& o) const = default;
};

// out := the union of a and b. With both null out is left as it was; with one
// null it becomes the other.
void unionRect(BoundingRect& out, const BoundingRect* a, const BoundingRect* b);

}  // namespace RenderEngine
