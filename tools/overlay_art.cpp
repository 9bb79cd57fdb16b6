#include "tools/overlay_art.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

namespace texwriter {
namespace {

constexpr float kPi = 3.14159265f;

struct Pt {
  float x, y;
};

// A signed distance: negative inside the shape.
using Sdf = std::function<float(float, float)>;

float segmentDistance(float px, float py, Pt a, Pt b) {
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / len2 : 0.0f;
  t = std::clamp(t, 0.0f, 1.0f);
  const float ex = a.x + t * dx - px, ey = a.y + t * dy - py;
  return std::sqrt(ex * ex + ey * ey);
}

Sdf polygon(std::vector<Pt> pts) {
  return [pts](float x, float y) {
    float d = 1e9f;
    bool inside = false;
    for (std::size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
      d = std::min(d, segmentDistance(x, y, pts[j], pts[i]));
      if ((pts[i].y > y) != (pts[j].y > y) &&
          x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x) {
        inside = !inside;
      }
    }
    return inside ? -d : d;
  };
}

Sdf circle(float cx, float cy, float r) {
  return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

Sdf roundRect(float x0, float y0, float x1, float y1, float r) {
  return [=](float x, float y) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
  };
}

// A thick line from a to b with round ends.
Sdf stroke(Pt a, Pt b, float halfWidth) {
  return [=](float x, float y) { return segmentDistance(x, y, a, b) - halfWidth; };
}

// A ring of radius r and half width w between two angles (degrees, 0 = right,
// clockwise on screen).
Sdf arc(float cx, float cy, float r, float w, float fromDeg, float toDeg) {
  return [=](float x, float y) {
    float a = std::atan2(y - cy, x - cx) * 180.0f / kPi;
    if (a < 0) a += 360.0f;
    float from = fromDeg, to = toDeg;
    auto within = [&](float deg) { return from <= to ? (deg >= from && deg <= to) : (deg >= from || deg <= to); };
    if (within(a)) return std::fabs(std::hypot(x - cx, y - cy) - r) - w;
    const Pt e1{cx + r * std::cos(from * kPi / 180), cy + r * std::sin(from * kPi / 180)};
    const Pt e2{cx + r * std::cos(to * kPi / 180), cy + r * std::sin(to * kPi / 180)};
    return std::min(std::hypot(x - e1.x, y - e1.y), std::hypot(x - e2.x, y - e2.y)) - w;
  };
}

Sdf star(float cx, float cy, float outer, float inner, int points, float turnDeg = -90.0f) {
  std::vector<Pt> pts;
  for (int i = 0; i < points * 2; ++i) {
    const float r = i % 2 == 0 ? outer : inner;
    const float a = (turnDeg + 180.0f * static_cast<float>(i) / static_cast<float>(points)) * kPi / 180.0f;
    pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return polygon(pts);
}

Sdf unite(Sdf a, Sdf b) {
  return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

struct Colour {
  float r, g, b, a;
};

Colour hex(unsigned v, float alpha = 1.0f) {
  return {static_cast<float>((v >> 16) & 255) / 255.0f, static_cast<float>((v >> 8) & 255) / 255.0f,
          static_cast<float>(v & 255) / 255.0f, alpha};
}

// Paints in floating point, premultiplied, with 4x4 samples per pixel.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<std::size_t>(w * h) * 4, 0.0f) {}
  int w() const { return w_; }
  int h() const { return h_; }

  // Fills the shape with a colour that may vary with the position.
  void fill(const Sdf& shape, const std::function<Colour(float, float)>& colour) {
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const float cx = static_cast<float>(x) + 0.5f, cy = static_cast<float>(y) + 0.5f;
        const float d0 = shape(cx, cy);
        if (d0 > 1.5f) continue;
        int hits = 16;
        if (d0 > -1.5f) {
          hits = 0;
          for (int sy = 0; sy < 4; ++sy) {
            for (int sx = 0; sx < 4; ++sx) {
              if (shape(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4.0f,
                        static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4.0f) < 0) {
                ++hits;
              }
            }
          }
        }
        if (hits == 0) continue;
        const Colour c = colour(cx, cy);
        const float a = c.a * static_cast<float>(hits) / 16.0f;
        float* p = &px_[static_cast<std::size_t>(y * w_ + x) * 4];
        p[0] = c.r * a + p[0] * (1 - a);
        p[1] = c.g * a + p[1] * (1 - a);
        p[2] = c.b * a + p[2] * (1 - a);
        p[3] = a + p[3] * (1 - a);
      }
    }
  }
  void fill(const Sdf& shape, Colour c) {
    fill(shape, [c](float, float) { return c; });
  }
  // The shape with an outline of width w around a fill.
  void outlined(const Sdf& shape, Colour fillColour, Colour line, float w) {
    fill(shape, line);
    fill([&](float x, float y) { return shape(x, y) + w; }, fillColour);
  }
  // Vertical gradient between two colours over the picture's height.
  std::function<Colour(float, float)> vertical(Colour top, Colour bottom, float y0 = 0, float y1 = -1) const {
    const float a = y0, b = y1 < 0 ? static_cast<float>(h_) : y1;
    return [=](float, float y) {
      const float t = std::clamp((y - a) / std::max(b - a, 1.0f), 0.0f, 1.0f);
      return Colour{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t, top.b + (bottom.b - top.b) * t,
                    top.a + (bottom.a - top.a) * t};
    };
  }

  void toPicture(Picture& out) const {
    out = Picture(w_, h_);
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const float* p = &px_[static_cast<std::size_t>(y * w_ + x) * 4];
        auto byte = [](float v) { return static_cast<std::uint8_t>(std::clamp(v * 255.0f + 0.5f, 0.0f, 255.0f)); };
        if (p[3] <= 0.0f) continue;
        out.set(x, y, Rgba{byte(p[0] / p[3]), byte(p[1] / p[3]), byte(p[2] / p[3]), byte(p[3])});
      }
    }
  }

 private:
  int w_, h_;
  std::vector<float> px_;
};

const Colour kInk = hex(0x2a1a10);
const Colour kNavy = hex(0x1e2850);
const Colour kWhite = hex(0xffffff);
const Colour kParchTop = hex(0xf8ecc8);
const Colour kParchBottom = hex(0xe4c88c);
const Colour kWood = hex(0x9a6232);
const Colour kWoodDark = hex(0x5e3818);
const Colour kWoodLight = hex(0xc88a4e);
const Colour kShadow = hex(0x000000, 0.35f);

// --- Pointer --------------------------------------------------------------------

void arrow(Canvas& c, bool pressed) {
  const float s = static_cast<float>(c.h()) / 32.0f;
  std::vector<Pt> pts = {{2, 2}, {2, 24}, {7.5f, 19}, {11.5f, 28}, {15.5f, 26.5f}, {11.5f, 17.5f}, {19, 17.5f}};
  for (Pt& p : pts) p = {p.x * s, p.y * s};
  std::vector<Pt> shadow = pts;
  for (Pt& p : shadow) p = {p.x + 1.5f * s, p.y + 1.5f * s};
  c.fill(polygon(shadow), kShadow);
  c.outlined(polygon(pts), pressed ? hex(0xffe27a) : kWhite, kNavy, 1.6f * s);
}

// A gloved hand pointing up with its index finger (tip near the top left
// third), or pressing (the finger bent down onto the palm).
void hand(Canvas& c, bool pressed) {
  const float s = static_cast<float>(c.w()) / 32.0f;
  auto S = [s](float v) { return v * s; };
  const Colour glove = pressed ? hex(0xffe8b0) : hex(0xfff6e4);
  Sdf palm = roundRect(S(9), S(14), S(25), S(30), S(5));
  Sdf finger = pressed ? roundRect(S(10), S(9), S(15.5f), S(20), S(2.7f)) : roundRect(S(10), S(1.5f), S(15.5f), S(20), S(2.7f));
  Sdf knuckles = unite(unite(roundRect(S(15), S(11), S(19.5f), S(20), S(2.2f)), roundRect(S(19), S(12), S(23), S(20), S(2))),
                       roundRect(S(22.2f), S(13.5f), S(26), S(21), S(1.9f)));
  Sdf thumb = polygon({{S(9.5f), S(21)}, {S(4), S(16.5f)}, {S(2.5f), S(18.5f)}, {S(7), S(26)}, {S(10.5f), S(27)}});
  Sdf whole = unite(unite(unite(palm, finger), knuckles), thumb);
  c.fill([&](float x, float y) { return whole(x - S(1.5f), y - S(1.5f)); }, kShadow);
  c.fill(whole, kNavy);
  const float w = S(1.5f);
  for (const Sdf& part : {thumb, palm, knuckles, finger}) {
    c.fill([&](float x, float y) { return part(x, y) + w; }, glove);
  }
  // Creases between the fingers and the cuff.
  c.fill(stroke({S(15.2f), S(14)}, {S(15.2f), S(19)}, S(0.5f)), kNavy);
  c.fill(stroke({S(19.2f), S(15)}, {S(19.2f), S(19.5f)}, S(0.5f)), kNavy);
  c.fill(roundRect(S(10.5f), S(26.5f), S(24), S(29), S(1)), hex(0x3060c0));
}

// --- Banner ---------------------------------------------------------------------

void ribbon(Canvas& c) {
  const float w = static_cast<float>(c.w()), h = static_cast<float>(c.h());
  // Two tails behind, the parchment strip, wooden rollers at both ends.
  const Colour tail = hex(0xb8322c), tailDark = hex(0x7a1c18);
  for (int side = 0; side < 2; ++side) {
    auto X = [&](float v) { return side == 0 ? v : w - v; };
    Sdf t = polygon({{X(4), h * 0.28f}, {X(44), h * 0.28f}, {X(44), h * 0.9f}, {X(4), h * 0.9f}, {X(16), h * 0.59f}});
    c.outlined(t, tail, tailDark, 2.0f);
  }
  Sdf body = roundRect(30, h * 0.1f, w - 30, h * 0.92f, 6);
  c.fill([&](float x, float y) { return body(x - 2, y - 3); }, kShadow);
  c.fill(body, kWoodDark);
  c.fill([&](float x, float y) { return body(x, y) + 3; }, c.vertical(kParchTop, kParchBottom, h * 0.1f, h * 0.92f));
  // A stitched border just inside the edge.
  for (float x = 44; x < w - 44; x += 12) {
    c.fill(stroke({x, h * 0.1f + 8}, {x + 6, h * 0.1f + 8}, 0.9f), hex(0xa07840));
    c.fill(stroke({x, h * 0.92f - 8}, {x + 6, h * 0.92f - 8}, 0.9f), hex(0xa07840));
  }
  for (float x : {26.0f, w - 26.0f}) {
    Sdf roller = roundRect(x - 9, h * 0.02f, x + 9, h * 0.98f, 8);
    c.fill(roller, kWoodDark);
    c.fill([&](float px, float py) { return roller(px, py) + 2; }, [&](float px, float) {
      const float t = std::clamp((px - (x - 9)) / 18.0f, 0.0f, 1.0f);
      const float k = 0.75f + 0.45f * std::sin(t * kPi);
      return Colour{kWood.r * k, kWood.g * k, kWood.b * k, 1};
    });
    c.fill(circle(x, h * 0.06f + 3, 5), kWoodLight);
    c.fill(circle(x, h * 0.94f - 3, 5), kWoodLight);
  }
}

// Round badges for the kinds of message.
void badgeBase(Canvas& c, Colour inner, Colour rim) {
  const float r = static_cast<float>(c.w()) / 2.0f;
  c.fill(circle(r + 1.5f, r + 2, r - 2), kShadow);
  c.fill(circle(r, r, r - 2), rim);
  c.fill(circle(r, r, r - 5), c.vertical(inner, Colour{inner.r * 0.7f, inner.g * 0.7f, inner.b * 0.7f, 1}));
}

void badgeTutorial(Canvas& c) {
  badgeBase(c, hex(0x48a848), hex(0xf0e0b0));
  const float s = static_cast<float>(c.w()) / 56.0f;
  // A light bulb.
  c.outlined(circle(28 * s, 23 * s, 11 * s), hex(0xfff070), kInk, 2 * s);
  c.outlined(roundRect(22 * s, 32 * s, 34 * s, 42 * s, 2 * s), hex(0xc8c8d0), kInk, 2 * s);
  c.fill(stroke({23 * s, 36 * s}, {33 * s, 36 * s}, 0.8f * s), kInk);
  c.fill(stroke({24 * s, 39 * s}, {32 * s, 39 * s}, 0.8f * s), kInk);
  c.fill(arc(28 * s, 23 * s, 6 * s, 1.2f * s, 190, 260), kWhite);
}

void badgePause(Canvas& c) {
  badgeBase(c, hex(0x4a78d0), hex(0xf0e0b0));
  const float s = static_cast<float>(c.w()) / 56.0f;
  c.outlined(roundRect(18 * s, 16 * s, 25 * s, 40 * s, 2 * s), kWhite, kNavy, 1.8f * s);
  c.outlined(roundRect(31 * s, 16 * s, 38 * s, 40 * s, 2 * s), kWhite, kNavy, 1.8f * s);
}

void badgeWon(Canvas& c) {
  badgeBase(c, hex(0x3c9c50), hex(0xf8d860));
  const float s = static_cast<float>(c.w()) / 56.0f;
  c.outlined(star(28 * s, 29 * s, 17 * s, 7.5f * s, 5), hex(0xffd830), hex(0x8a5a00), 2 * s);
}

void badgeLost(Canvas& c) {
  badgeBase(c, hex(0xc84030), hex(0xf0e0b0));
  const float s = static_cast<float>(c.w()) / 56.0f;
  // A sad sheep's face.
  c.outlined(circle(28 * s, 29 * s, 15 * s), hex(0xfaf6ea), kInk, 2 * s);
  c.fill(circle(22.5f * s, 26 * s, 2.2f * s), kInk);
  c.fill(circle(33.5f * s, 26 * s, 2.2f * s), kInk);
  c.fill(arc(28 * s, 40 * s, 6.5f * s, 1.2f * s, 215, 325), kInk);
  c.fill(circle(20 * s, 20 * s, 4 * s), hex(0xfaf6ea));
  c.fill(circle(36 * s, 20 * s, 4 * s), hex(0xfaf6ea));
}

// --- Window buttons ---------------------------------------------------------------

void plank(Canvas& c) {
  const float w = static_cast<float>(c.w()), h = static_cast<float>(c.h());
  Sdf body = roundRect(2, 2, w - 2, h - 4, h * 0.3f);
  c.fill([&](float x, float y) { return body(x - 1, y - 3); }, kShadow);
  c.fill(body, kWoodDark);
  c.fill([&](float x, float y) { return body(x, y) + 2.5f; }, c.vertical(hex(0x5cc04c), hex(0x2c7c2c), 2, h - 4));
  c.fill(roundRect(10, 6, w - 10, h * 0.42f, h * 0.15f), hex(0xffffff, 0.22f));
}

void plankPressed(Canvas& c) {
  const float w = static_cast<float>(c.w()), h = static_cast<float>(c.h());
  c.fill(roundRect(2, 2, w - 2, h - 4, h * 0.3f), hex(0x000000, 0.4f));
}

Colour iconFill() { return kWhite; }

void iconRetry(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 28.0f;
  Sdf ring = arc(14 * s, 15 * s, 8 * s, 2.2f * s, 320, 250);
  Sdf head = polygon({{17 * s, 1.5f * s}, {25 * s, 7 * s}, {16 * s, 11.5f * s}});
  Sdf both = unite(ring, head);
  c.fill([&](float x, float y) { return both(x, y) - 1.6f * s; }, kNavy);
  c.fill(both, iconFill());
}

void iconMenu(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 28.0f;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const float x = (4 + 7.5f * static_cast<float>(i)) * s, y = (4 + 7.5f * static_cast<float>(j)) * s;
      c.outlined(roundRect(x, y, x + 6 * s, y + 6 * s, 1.2f * s), iconFill(), kNavy, 1.4f * s);
    }
  }
}

void iconResume(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 28.0f;
  c.outlined(polygon({{7 * s, 3 * s}, {24 * s, 14 * s}, {7 * s, 25 * s}}), iconFill(), kNavy, 1.8f * s);
}

void iconNext(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 28.0f;
  Sdf a = polygon({{3 * s, 5 * s}, {14 * s, 14 * s}, {3 * s, 23 * s}});
  Sdf b = polygon({{13 * s, 5 * s}, {24 * s, 14 * s}, {13 * s, 23 * s}});
  Sdf bar = roundRect(23 * s, 5 * s, 26.5f * s, 23 * s, 1 * s);
  Sdf all = unite(unite(a, b), bar);
  c.fill([&](float x, float y) { return all(x, y) - 1.6f * s; }, kNavy);
  c.fill(all, iconFill());
}

// --- Result window -----------------------------------------------------------------

void panel(Canvas& c) {
  const float w = static_cast<float>(c.w()), h = static_cast<float>(c.h());
  Sdf body = roundRect(4, 4, w - 4, h - 4, 12);
  c.fill([&](float x, float y) { return body(x - 3, y - 4); }, kShadow);
  c.fill(body, kWoodDark);
  c.fill([&](float x, float y) { return body(x, y) + 3; }, c.vertical(kWoodLight, kWood));
  Sdf inner = roundRect(14, 14, w - 14, h - 14, 8);
  c.fill(inner, kWoodDark);
  c.fill([&](float x, float y) { return inner(x, y) + 2; }, c.vertical(kParchTop, kParchBottom, 14, h - 14));
  for (float x : {9.0f, w - 9.0f}) {
    for (float y : {9.0f, h - 9.0f}) c.outlined(circle(x, y, 3.2f), hex(0xd8d0c0), kWoodDark, 1);
  }
  // Separator lines between the rows.
  for (int i = 1; i < 4; ++i) {
    const float y = 14 + (h - 28) * static_cast<float>(i) / 4.0f;
    c.fill(stroke({28, y}, {w * 0.66f, y}, 1.4f), hex(0xb89860));
  }
}

void medal(Canvas& c, Colour metal, Colour dark) {
  const float w = static_cast<float>(c.w()), h = static_cast<float>(c.h());
  const float cx = w / 2, r = w * 0.38f, cy = h - r - 3;
  // The ribbon, then the disc with a star.
  c.outlined(polygon({{cx - r * 0.95f, 2}, {cx - r * 0.1f, 2}, {cx + r * 0.35f, cy}, {cx - r * 0.5f, cy}}), hex(0x3058c0),
             hex(0x1a2c68), 1.5f);
  c.outlined(polygon({{cx + r * 0.1f, 2}, {cx + r * 0.95f, 2}, {cx + r * 0.5f, cy}, {cx - r * 0.35f, cy}}), hex(0xd03c34),
             hex(0x701c18), 1.5f);
  c.fill(circle(cx + 1.5f, cy + 2, r), kShadow);
  c.fill(circle(cx, cy, r), dark);
  c.fill(circle(cx, cy, r - 2), c.vertical(Colour{std::min(1.0f, metal.r * 1.25f), std::min(1.0f, metal.g * 1.25f),
                                                   std::min(1.0f, metal.b * 1.25f), 1},
                                            metal, cy - r, cy + r));
  c.fill(arc(cx, cy, r * 0.78f, 1.0f, 0, 360), dark);
  c.fill(star(cx, cy, r * 0.55f, r * 0.24f, 5), dark);
  c.fill(star(cx, cy - 0.8f, r * 0.5f, r * 0.2f, 5), Colour{std::min(1.0f, metal.r * 1.3f), std::min(1.0f, metal.g * 1.3f),
                                                              std::min(1.0f, metal.b * 1.3f), 1});
}

void burst(Canvas& c) {
  const float w = static_cast<float>(c.w());
  const float cx = w / 2, cy = static_cast<float>(c.h()) / 2;
  for (int i = 0; i < 12; ++i) {
    const float a = static_cast<float>(i) * kPi / 6.0f;
    const float b = a + kPi / 18.0f, d = a - kPi / 18.0f;
    c.fill(polygon({{cx, cy}, {cx + std::cos(b) * w * 0.47f, cy + std::sin(b) * w * 0.47f},
                    {cx + std::cos(d) * w * 0.47f, cy + std::sin(d) * w * 0.47f}}),
           hex(0xfff0a0, 0.55f));
  }
  c.fill(circle(cx, cy, w * 0.3f), hex(0xfff8d0, 0.5f));
}

void iconClock(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 20.0f;
  c.outlined(circle(10 * s, 10 * s, 8.5f * s), kWhite, kInk, 1.6f * s);
  c.fill(stroke({10 * s, 10 * s}, {10 * s, 4.5f * s}, 0.9f * s), kInk);
  c.fill(stroke({10 * s, 10 * s}, {14 * s, 12 * s}, 0.9f * s), kInk);
}

void iconTap(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 20.0f;
  c.outlined(roundRect(7 * s, 2 * s, 11 * s, 14 * s, 2 * s), hex(0xfff6e4), kInk, 1.3f * s);
  c.outlined(roundRect(5 * s, 9 * s, 16 * s, 19 * s, 3 * s), hex(0xfff6e4), kInk, 1.3f * s);
  c.fill(roundRect(7.6f * s, 3 * s, 10.4f * s, 13 * s, 1.4f * s), hex(0xfff6e4));
}

void iconStar(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 20.0f;
  c.outlined(star(10 * s, 10.8f * s, 9 * s, 4 * s, 5), hex(0xffd830), hex(0x7a4a00), 1.4f * s);
}

void iconCrown(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 20.0f;
  c.outlined(polygon({{2 * s, 6 * s}, {6.5f * s, 10 * s}, {10 * s, 3 * s}, {13.5f * s, 10 * s}, {18 * s, 6 * s},
                      {16 * s, 16 * s}, {4 * s, 16 * s}}),
             hex(0xffc830), hex(0x7a4a00), 1.4f * s);
  c.fill(circle(10 * s, 12 * s, 1.6f * s), hex(0xd03030));
}

// --- Achievement plaque -------------------------------------------------------------

void plaque(Canvas& c) {
  const float w = static_cast<float>(c.w()), h = static_cast<float>(c.h());
  Sdf body = roundRect(4, 4, w - 4, h - 4, h * 0.22f);
  c.fill([&](float x, float y) { return body(x - 4, y - 6); }, kShadow);
  c.fill(body, hex(0x8a6010));
  c.fill([&](float x, float y) { return body(x, y) + 4; }, hex(0xf0c848));
  c.fill([&](float x, float y) { return body(x, y) + 8; }, c.vertical(hex(0x3a3c8c), hex(0x1c1c50)));
  c.fill(roundRect(20, 14, w - 20, h * 0.45f, h * 0.12f), hex(0xffffff, 0.1f));
}

void trophy(Canvas& c) {
  const float s = static_cast<float>(c.w()) / 64.0f;
  const Colour gold = hex(0xf4c430), dark = hex(0x7a5000);
  c.fill(arc(13 * s, 22 * s, 8 * s, 2.6f * s, 90, 270), dark);
  c.fill(arc(51 * s, 22 * s, 8 * s, 2.6f * s, 270, 90), dark);
  c.fill(arc(13 * s, 22 * s, 8 * s, 1.3f * s, 90, 270), gold);
  c.fill(arc(51 * s, 22 * s, 8 * s, 1.3f * s, 270, 90), gold);
  Sdf cup = polygon({{12 * s, 8 * s}, {52 * s, 8 * s}, {48 * s, 30 * s}, {38 * s, 40 * s}, {26 * s, 40 * s}, {16 * s, 30 * s}});
  c.outlined(cup, gold, dark, 2.2f * s);
  c.outlined(roundRect(28 * s, 39 * s, 36 * s, 50 * s, 1 * s), gold, dark, 2 * s);
  c.outlined(roundRect(18 * s, 49 * s, 46 * s, 58 * s, 2 * s), hex(0x8a5a30), hex(0x3a2010), 2 * s);
  c.fill(star(32 * s, 22 * s, 8 * s, 3.4f * s, 5), hex(0xfff2b0));
  c.fill(roundRect(17 * s, 11 * s, 21 * s, 27 * s, 2 * s), hex(0xffffff, 0.35f));
}

// --- Map HUD -----------------------------------------------------------------------

void backButton(Canvas& c, bool pressed) {
  const float w = static_cast<float>(c.w());
  const float r = w / 2 - 3;
  c.fill(circle(w / 2 + 1.5f, w / 2 + 2.5f, r), kShadow);
  c.fill(circle(w / 2, w / 2, r), kWoodDark);
  c.fill(circle(w / 2, w / 2, r - 3), c.vertical(pressed ? kWood : kWoodLight, pressed ? kWoodDark : kWood));
  const float s = w / 44.0f;
  Sdf head = polygon({{10 * s, 22 * s}, {22 * s, 11 * s}, {22 * s, 33 * s}});
  Sdf shaft = roundRect(20 * s, 17.5f * s, 33 * s, 26.5f * s, 2 * s);
  Sdf both = unite(head, shaft);
  c.fill([&](float x, float y) { return both(x, y) - 1.8f * s; }, kNavy);
  c.fill(both, kWhite);
}

void hintTag(Canvas& c) {
  const float w = static_cast<float>(c.w()), h = static_cast<float>(c.h());
  Sdf body = roundRect(2, 2, w - 2, h - 2, h * 0.35f);
  c.fill([&](float x, float y) { return body(x - 2, y - 3); }, kShadow);
  c.fill(body, kWoodDark);
  c.fill([&](float x, float y) { return body(x, y) + 2.5f; }, c.vertical(hex(0x6a88c8), hex(0x3a5090)));
}

}  // namespace

bool drawOverlayArt(const std::string& name, int width, int height, Picture& out, std::string* error) {
  static const std::map<std::string, std::function<void(Canvas&)>> pieces = {
      {"arrow", [](Canvas& c) { arrow(c, false); }},
      {"arrow-pressed", [](Canvas& c) { arrow(c, true); }},
      {"hand", [](Canvas& c) { hand(c, false); }},
      {"hand-pressed", [](Canvas& c) { hand(c, true); }},
      {"ribbon", ribbon},
      {"badge-tutorial", badgeTutorial},
      {"badge-pause", badgePause},
      {"badge-won", badgeWon},
      {"badge-lost", badgeLost},
      {"plank", plank},
      {"plank-pressed", plankPressed},
      {"icon-retry", iconRetry},
      {"icon-menu", iconMenu},
      {"icon-resume", iconResume},
      {"icon-next", iconNext},
      {"panel", panel},
      {"medal-bronze", [](Canvas& c) { medal(c, hex(0xc07838), hex(0x5a3010)); }},
      {"medal-silver", [](Canvas& c) { medal(c, hex(0xb8bcc8), hex(0x50545e)); }},
      {"medal-gold", [](Canvas& c) { medal(c, hex(0xf0c020), hex(0x7a5400)); }},
      {"burst", burst},
      {"icon-clock", iconClock},
      {"icon-tap", iconTap},
      {"icon-star", iconStar},
      {"icon-crown", iconCrown},
      {"plaque", plaque},
      {"trophy", trophy},
      {"back", [](Canvas& c) { backButton(c, false); }},
      {"back-pressed", [](Canvas& c) { backButton(c, true); }},
      {"hint-tag", hintTag},
  };
  const auto it = pieces.find(name);
  if (it == pieces.end()) {
    if (error != nullptr) *error = "art: no picture named \"" + name + "\"";
    return false;
  }
  Canvas canvas(width, height);
  it->second(canvas);
  canvas.toPicture(out);
  return true;
}

}  // namespace texwriter
