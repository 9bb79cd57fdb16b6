#include "tools/app_art.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace texwriter {
namespace {

constexpr float kTau = 6.28318531f;

// Coverage drawing: a shape is a test "is this point inside", sampled 4x4 per
// pixel so edges come out smooth.
using Inside = std::function<bool(float, float)>;
// The colour of a shape at a point (for gradients); alpha multiplies coverage.
using Paint = std::function<Rgba(float, float)>;

Rgba mix(Rgba a, Rgba b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  auto m = [t](std::uint8_t x, std::uint8_t y) {
    return static_cast<std::uint8_t>(std::lround(static_cast<float>(x) + (static_cast<float>(y) - static_cast<float>(x)) * t));
  };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

// Source-over of c with coverage onto the pixel.
void blend(Picture& p, int x, int y, Rgba c, float coverage) {
  const float sa = static_cast<float>(c.a) / 255.0f * coverage;
  if (sa <= 0.0f) return;
  const Rgba d = p.at(x, y);
  const float da = static_cast<float>(d.a) / 255.0f;
  const float oa = sa + da * (1.0f - sa);
  auto ch = [&](std::uint8_t s, std::uint8_t t) {
    const float v = (static_cast<float>(s) * sa + static_cast<float>(t) * da * (1.0f - sa)) / oa;
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 255.0f)));
  };
  p.set(x, y, {ch(c.r, d.r), ch(c.g, d.g), ch(c.b, d.b), static_cast<std::uint8_t>(std::lround(oa * 255.0f))});
}

void fill(Picture& p, const Inside& inside, const Paint& paint, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
  if (x1 < 0) x1 = p.width();
  if (y1 < 0) y1 = p.height();
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, p.width());
  y1 = std::min(y1, p.height());
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          if (inside(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4.0f,
                     static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4.0f)) {
            ++hits;
          }
        }
      }
      if (hits > 0) blend(p, x, y, paint(static_cast<float>(x), static_cast<float>(y)), static_cast<float>(hits) / 16.0f);
    }
  }
}

Paint solid(Rgba c) {
  return [c](float, float) { return c; };
}
Paint vertical(Rgba top, Rgba bottom, float y0, float y1) {
  return [=](float, float y) { return mix(top, bottom, (y - y0) / (y1 - y0)); };
}
Inside disc(float cx, float cy, float r) {
  return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
Inside ring(float cx, float cy, float r0, float r1) {
  return [=](float x, float y) {
    const float d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d2 >= r0 * r0 && d2 <= r1 * r1;
  };
}
Inside box(float x0, float y0, float x1, float y1) {
  return [=](float x, float y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; };
}
Inside roundBox(float x0, float y0, float x1, float y1, float r) {
  return [=](float x, float y) {
    const float qx = std::max(std::max(x0 + r - x, x - (x1 - r)), 0.0f);
    const float qy = std::max(std::max(y0 + r - y, y - (y1 - r)), 0.0f);
    return x >= x0 && x <= x1 && y >= y0 && y <= y1 && qx * qx + qy * qy <= r * r;
  };
}
// A polygon by the even-odd rule.
Inside poly(std::vector<float> xy) {
  return [xy](float x, float y) {
    bool in = false;
    const std::size_t n = xy.size() / 2;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
      const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  };
}
Inside starShape(float cx, float cy, float outer, float inner, int points) {
  std::vector<float> xy;
  for (int i = 0; i < points * 2; ++i) {
    const float a = -kTau / 4 + kTau * static_cast<float>(i) / static_cast<float>(points * 2);
    const float r = (i % 2 == 0) ? outer : inner;
    xy.push_back(cx + r * std::cos(a));
    xy.push_back(cy + r * std::sin(a));
  }
  return poly(xy);
}
// A thick segment.
Inside bar(float ax, float ay, float bx, float by, float half) {
  return [=](float x, float y) {
    const float dx = bx - ax, dy = by - ay;
    const float t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    const float ex = ax + t * dx - x, ey = ay + t * dy - y;
    return ex * ex + ey * ey <= half * half;
  };
}
Inside both(Inside a, Inside b) {
  return [=](float x, float y) { return a(x, y) && b(x, y); };
}
Inside either(Inside a, Inside b) {
  return [=](float x, float y) { return a(x, y) || b(x, y); };
}
Inside minus(Inside a, Inside b) {
  return [=](float x, float y) { return a(x, y) && !b(x, y); };
}
// A rolling ridge: inside below the curve.
Inside hills(float base, float amp, float wave, float phase) {
  return [=](float x, float y) {
    return y >= base - amp * std::sin(x / wave + phase) - amp * 0.4f * std::sin(x / (wave * 0.37f) + phase * 2.0f);
  };
}

Rgba hex(std::uint32_t v, std::uint8_t a = 255) {
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v), a};
}

// --- text through FreeType --------------------------------------------------

// Draws text centred on cx with its baseline at baseY, pixel height px, extra
// spacing between letters. False when the font cannot be used.
bool drawText(Picture& p, const std::string& fontPath, const std::string& text, float cx, float baseY, int px,
              float letterSpacing, Rgba colour, std::string* error) {
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) {
    if (error) *error = "screen-art: FreeType does not start";
    return false;
  }
  FT_Face face = nullptr;
  if (FT_New_Face(lib, fontPath.c_str(), 0, &face) != 0) {
    FT_Done_FreeType(lib);
    if (error) *error = "screen-art: cannot open the font " + fontPath;
    return false;
  }
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px));
  float width = 0;
  for (char ch : text) {
    if (FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_DEFAULT) != 0) continue;
    width += static_cast<float>(face->glyph->advance.x) / 64.0f + letterSpacing;
  }
  width -= letterSpacing;
  float pen = cx - width / 2.0f;
  for (char ch : text) {
    if (FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    for (unsigned row = 0; row < g->bitmap.rows; ++row) {
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        const std::uint8_t v = g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col];
        if (v == 0) continue;
        const int x = static_cast<int>(std::lround(pen)) + g->bitmap_left + static_cast<int>(col);
        const int y = static_cast<int>(std::lround(baseY)) - g->bitmap_top + static_cast<int>(row);
        if (x >= 0 && y >= 0 && x < p.width() && y < p.height()) blend(p, x, y, colour, static_cast<float>(v) / 255.0f);
      }
    }
    pen += static_cast<float>(g->advance.x) / 64.0f + letterSpacing;
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return true;
}

// --- the pictures -------------------------------------------------------------

// The studio's mark: a round emblem (a mountain tarn at dusk, a quill standing
// in it) above the studio's name, on white. The screen shows the picture at
// 480x320, so shapes are drawn narrower by that stretch to come out round.
bool drawLogo(Picture& p, const std::string& font, std::string* error) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  fill(p, box(0, 0, w, h), solid(hex(0xffffff)));
  const float sx = (w / h) / 1.5f;  // horizontal shrink that the screen undoes
  const float cx = w / 2, cy = h * 0.38f, r = h * 0.26f;
  auto squash = [=](const Inside& s) {
    return [=](float x, float y) { return s(cx + (x - cx) / sx, y); };
  };
  const Rgba ink = hex(0x1d3340);
  fill(p, squash(disc(cx, cy, r + 10)), solid(ink));
  fill(p, squash(disc(cx, cy, r)), vertical(hex(0xf6b46a), hex(0xf8e3c0), cy - r, cy + r * 0.1f));
  fill(p, squash(disc(cx + r * 0.32f, cy - r * 0.18f, r * 0.17f)), solid(hex(0xfff6dc)));
  const Inside inner = squash(disc(cx, cy, r));
  fill(p, both(inner, squash(hills(cy + r * 0.05f, r * 0.16f, r * 0.25f, 0.5f))), solid(hex(0x5b6f7a)));
  fill(p, both(inner, squash(hills(cy + r * 0.22f, r * 0.10f, r * 0.33f, 2.1f))), solid(hex(0x3b5260)));
  fill(p, both(inner, squash(box(cx - r, cy + r * 0.36f, cx + r, cy + r))),
       vertical(hex(0x2e6f8e), hex(0x17384a), cy + r * 0.36f, cy + r));
  for (int i = 0; i < 4; ++i) {
    const float y = cy + r * (0.46f + 0.12f * static_cast<float>(i));
    const float half = r * (0.34f - 0.06f * static_cast<float>(i));
    fill(p, both(inner, squash(bar(cx - half, y, cx + half, y, 2.5f))), solid(hex(0xf8d9a8, 150)));
  }
  // The quill, leaning right, its nib in the water.
  const float qx = cx - r * 0.05f, qy = cy + r * 0.45f;
  fill(p, squash(poly({qx, qy, qx + r * 0.52f, cy - r * 0.80f, qx + r * 0.60f, cy - r * 0.62f, qx + r * 0.08f, qy - r * 0.1f})),
       solid(hex(0xfdfbf5)));
  fill(p, squash(bar(qx, qy, qx + r * 0.56f, cy - r * 0.70f, 3.0f)), solid(ink));
  fill(p, squash(ring(cx, cy, r - 1, r + 1.5f)), solid(hex(0xf8f1e0)));
  if (!drawText(p, font, "TARNWELL", w / 2, h * 0.81f, static_cast<int>(h * 0.105f), h * 0.012f, ink, error)) return false;
  fill(p, box(w * 0.30f, h * 0.855f, w * 0.70f, h * 0.855f + 3), solid(hex(0xd08a3a)));
  return drawText(p, font, "G A M E S", w / 2, h * 0.925f, static_cast<int>(h * 0.045f), h * 0.01f, hex(0x4d6470),
                  error);
}

// The honour board's backdrop: a dark oak wall with a carved frame and a
// lighter panel where the medals hang.
void drawBoard(Picture& p) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  fill(p, box(0, 0, w, h), [=](float x, float y) {
    const float grain = 0.5f + 0.5f * std::sin(y * 0.09f + 3.0f * std::sin(x * 0.004f + y * 0.01f));
    return mix(hex(0x3a2416), hex(0x4c301c), grain);
  });
  for (int i = 0; i < 7; ++i) {
    const float y = h * static_cast<float>(i + 1) / 8.0f;
    fill(p, box(0, y - 1, w, y + 1), solid(hex(0x24160d, 150)), 0, static_cast<int>(y) - 2, -1, static_cast<int>(y) + 3);
  }
  fill(p, roundBox(w * 0.03f, h * 0.04f, w * 0.97f, h * 0.80f, 24), solid(hex(0x7a4e2a)));
  fill(p, roundBox(w * 0.04f, h * 0.055f, w * 0.96f, h * 0.785f, 18), vertical(hex(0xe9d7b0), hex(0xcdb283), 0, h * 0.8f));
  fill(p, minus(roundBox(w * 0.055f, h * 0.075f, w * 0.945f, h * 0.765f, 14),
                roundBox(w * 0.06f, h * 0.082f, w * 0.94f, h * 0.758f, 12)),
       solid(hex(0x9c7446, 200)));
  // Brass nails in the corners of the frame.
  for (float nx : {w * 0.06f, w * 0.94f}) {
    for (float ny : {h * 0.085f, h * 0.755f}) {
      fill(p, disc(nx, ny, 7), solid(hex(0xb08a3a)));
      fill(p, disc(nx - 2, ny - 2, 3), solid(hex(0xf2dc8c)));
    }
  }
}

// One medal of the board: a disc with a rim of its tier (1 bronze, 2 silver,
// 3 gold) and the picture of its kind; a medal not earned is a grey, sunken
// token with the picture only outlined.
bool drawMedal(Picture& p, const std::string& kind, int tier, bool earned, std::string* error) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  const float cx = w / 2, cy = h / 2, r = std::min(w, h) / 2 - 3;
  static const Rgba rims[3][2] = {{hex(0x8a4f24), hex(0xe0a070)}, {hex(0x70757c), hex(0xe8edf2)}, {hex(0x9a6d10), hex(0xffe27a)}};
  const int t = std::clamp(tier, 1, 3) - 1;
  Rgba rimDark = rims[t][0], rimLight = rims[t][1];
  Rgba face = mix(rimLight, hex(0xffffff), 0.25f);
  Rgba faceDark = mix(rimDark, rimLight, 0.45f);
  Rgba pictureColour = hex(0x3a2a1a);
  if (!earned) {
    rimDark = hex(0x5c544c);
    rimLight = hex(0x8e867c);
    face = hex(0x77706a);
    faceDark = hex(0x5f5852);
    pictureColour = hex(0x4a443f);
  }
  fill(p, disc(cx + 2, cy + 3, r), solid(hex(0x000000, 90)));
  fill(p, disc(cx, cy, r), vertical(rimLight, rimDark, cy - r, cy + r));
  fill(p, disc(cx, cy, r * 0.80f), vertical(face, faceDark, cy - r, cy + r));
  fill(p, ring(cx, cy, r * 0.80f, r * 0.84f), solid(mix(rimDark, hex(0x000000), 0.3f)));
  const float s = r * 0.5f;
  Inside picture;
  if (kind == "star") {
    picture = starShape(cx, cy + s * 0.05f, s, s * 0.45f, 5);
  } else if (kind == "target") {
    picture = either(ring(cx, cy, s * 0.55f, s * 0.85f), disc(cx, cy, s * 0.28f));
  } else if (kind == "crown") {
    picture = either(poly({cx - s, cy + s * 0.5f, cx - s, cy - s * 0.5f, cx - s * 0.5f, cy, cx, cy - s * 0.8f,
                           cx + s * 0.5f, cy, cx + s, cy - s * 0.5f, cx + s, cy + s * 0.5f}),
                     box(cx - s, cy + s * 0.6f, cx + s, cy + s * 0.8f));
  } else if (kind == "coins") {
    picture = either(either(disc(cx - s * 0.45f, cy + s * 0.3f, s * 0.45f), disc(cx + s * 0.45f, cy + s * 0.3f, s * 0.45f)),
                     disc(cx, cy - s * 0.35f, s * 0.45f));
  } else if (kind == "flag") {
    picture = either(bar(cx - s * 0.6f, cy - s, cx - s * 0.6f, cy + s, s * 0.1f),
                     poly({cx - s * 0.5f, cy - s, cx + s * 0.9f, cy - s * 0.55f, cx - s * 0.5f, cy - s * 0.1f}));
  } else if (kind == "path") {
    picture = either(either(disc(cx - s * 0.6f, cy + s * 0.5f, s * 0.22f), disc(cx, cy, s * 0.22f)),
                     disc(cx + s * 0.6f, cy - s * 0.5f, s * 0.22f));
  } else if (kind == "sheep") {
    picture = either(either(disc(cx - s * 0.3f, cy, s * 0.45f), disc(cx + s * 0.2f, cy - s * 0.1f, s * 0.5f)),
                     either(disc(cx + s * 0.75f, cy - s * 0.25f, s * 0.25f),
                            either(box(cx - s * 0.5f, cy + s * 0.2f, cx - s * 0.35f, cy + s * 0.8f),
                                   box(cx + s * 0.3f, cy + s * 0.2f, cx + s * 0.45f, cy + s * 0.8f))));
  } else if (kind == "wolf") {
    picture = poly({cx - s * 0.8f, cy - s * 0.9f, cx - s * 0.3f, cy - s * 0.35f, cx + s * 0.3f, cy - s * 0.35f,
                    cx + s * 0.8f, cy - s * 0.9f, cx + s * 0.75f, cy + s * 0.1f, cx, cy + s * 0.9f, cx - s * 0.75f,
                    cy + s * 0.1f});
  } else {
    if (error) *error = "screen-art: medal kind must be star, target, crown, coins, flag, path, sheep or wolf";
    return false;
  }
  if (earned) {
    fill(p, [=](float x, float y) { return picture(x - 1.5f, y - 1.5f); }, solid(hex(0xffffff, 140)));
    fill(p, picture, solid(pictureColour));
    // A shine across the top of the rim.
    fill(p, both(ring(cx, cy, r * 0.86f, r * 0.97f), box(0, 0, w, cy - r * 0.4f)), solid(hex(0xffffff, 110)));
  } else {
    fill(p, minus(picture, [=](float x, float y) {
           return picture(x, y) && picture(x - 2.5f, y) && picture(x + 2.5f, y) && picture(x, y - 2.5f) &&
                  picture(x, y + 2.5f);
         }),
         solid(pictureColour));
  }
  return true;
}

// A soft glow that rings a medal while the pointer is on it.
void drawGlow(Picture& p) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  const float cx = w / 2, cy = h / 2, r = std::min(w, h) / 2;
  for (int y = 0; y < p.height(); ++y) {
    for (int x = 0; x < p.width(); ++x) {
      const float d = std::hypot(static_cast<float>(x) + 0.5f - cx, static_cast<float>(y) + 0.5f - cy) / r;
      if (d > 1.0f || d < 0.55f) continue;
      const float a = (1.0f - std::fabs(d - 0.78f) / 0.23f);
      if (a > 0) blend(p, x, y, hex(0xfff2b0), std::clamp(a, 0.0f, 1.0f) * 0.9f);
    }
  }
}


// --- the menu's pictures --------------------------------------------------------

// Text with a dark rim: the rim drawn first at offsets around the letters.
bool outlinedText(Picture& p, const std::string& font, const std::string& text, float cx, float baseY, int px,
                  float spacing, Rgba fillColour, Rgba rim, float width, std::string* error) {
  for (int i = 0; i < 16; ++i) {
    const float a = kTau * static_cast<float>(i) / 16.0f;
    if (!drawText(p, font, text, cx + width * std::cos(a), baseY + width * std::sin(a), px, spacing, rim, error)) {
      return false;
    }
  }
  return drawText(p, font, text, cx, baseY, px, spacing, fillColour, error);
}

// A sheep seen from the side: fleece of puffs, dark head and legs.
void sheep(Picture& p, float cx, float cy, float r, Rgba fleece) {
  const Rgba dark = hex(0x2c2830);
  for (float dx : {-0.5f, 0.5f}) fill(p, bar(cx + dx * r, cy + r * 0.3f, cx + dx * r, cy + r * 1.0f, r * 0.1f), solid(dark));
  Inside body = disc(cx, cy, r * 0.55f);
  for (int i = 0; i < 8; ++i) {
    const float a = kTau * static_cast<float>(i) / 8.0f;
    body = either(body, disc(cx + r * 0.55f * std::cos(a) * 1.2f, cy + r * 0.4f * std::sin(a), r * 0.32f));
  }
  fill(p, body, solid(fleece));
  fill(p, disc(cx - r * 0.95f, cy - r * 0.2f, r * 0.3f), solid(dark));
  fill(p, disc(cx - r * 1.02f, cy - r * 0.26f, r * 0.07f), solid(hex(0xffffff)));
}

// The pastoral backdrop: sky, sun, far and near hills, a fence and flowers.
void meadow(Picture& p, Rgba skyTop, Rgba skyBottom, Rgba far, Rgba nearGrass, bool sun, bool fence) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  fill(p, box(0, 0, w, h), vertical(skyTop, skyBottom, 0, h * 0.7f));
  if (sun) {
    fill(p, disc(w * 0.82f, h * 0.2f, h * 0.16f), solid(hex(0xfff4c0, 90)));
    fill(p, disc(w * 0.82f, h * 0.2f, h * 0.1f), solid(hex(0xfff0a0)));
  }
  fill(p, hills(h * 0.58f, h * 0.06f, w * 0.12f, 0.7f), solid(far));
  fill(p, hills(h * 0.7f, h * 0.05f, w * 0.2f, 2.3f), vertical(nearGrass, mix(nearGrass, hex(0x000000), 0.25f), h * 0.62f, h));
  if (fence) {
    const Rgba wood = hex(0x8a6a40);
    for (float x = w * 0.56f; x < w * 0.98f; x += w * 0.05f) fill(p, bar(x, h * 0.66f, x, h * 0.74f, h * 0.008f), solid(wood));
    fill(p, bar(w * 0.56f, h * 0.68f, w * 0.98f, h * 0.68f, h * 0.006f), solid(wood));
    fill(p, bar(w * 0.56f, h * 0.715f, w * 0.98f, h * 0.715f, h * 0.006f), solid(wood));
  }
  // flowers scattered in the near grass
  unsigned seed = 7;
  for (int i = 0; i < 60; ++i) {
    seed = seed * 1103515245u + 12345u;
    const float x = static_cast<float>(seed % 1000) / 1000.0f * w;
    seed = seed * 1103515245u + 12345u;
    const float y = h * (0.8f + static_cast<float>(seed % 1000) / 1000.0f * 0.18f);
    const Rgba c = (i % 3 == 0) ? hex(0xffffff) : (i % 3 == 1 ? hex(0xf8d040) : hex(0xe880b0));
    fill(p, disc(x, y, h * 0.006f), solid(c));
  }
}

// A round button face: a darker rim, the colour, a light on top.
void roundFace(Picture& p, Rgba c) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  const float r = std::min(w, h) / 2 - 1;
  fill(p, disc(w / 2, h / 2 + 2, r - 1), solid(hex(0x000000, 70)));
  fill(p, disc(w / 2, h / 2, r - 2), solid(mix(c, hex(0x000000), 0.35f)));
  fill(p, disc(w / 2, h / 2 - 1, r - 6), vertical(mix(c, hex(0xffffff), 0.3f), c, h * 0.1f, h * 0.9f));
  fill(p, both(disc(w / 2, h / 2 - 1, r - 6), disc(w / 2, h * 0.1f, r * 0.75f)), solid(hex(0xffffff, 60)));
}

// A rounded wooden plank (or grey stone) behind a caption or a number.
void plankFace(Picture& p, Rgba c) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  const float r = h * 0.25f;
  fill(p, roundBox(1, 3, w - 1, h - 1, r), solid(hex(0x000000, 80)));
  fill(p, roundBox(1, 1, w - 1, h - 3, r), solid(mix(c, hex(0x000000), 0.4f)));
  fill(p, roundBox(4, 4, w - 4, h - 6, r * 0.8f), vertical(mix(c, hex(0xffffff), 0.25f), c, 4, h - 6));
  fill(p, roundBox(8, 6, w - 8, h * 0.4f, r * 0.6f), solid(hex(0xffffff, 45)));
}

void star(Picture& p, Rgba c) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  const float r = std::min(w, h) / 2;
  fill(p, starShape(w / 2, h / 2 + r * 0.05f, r * 0.98f, r * 0.45f, 5), solid(mix(c, hex(0x000000), 0.45f)));
  fill(p, starShape(w / 2, h / 2 + r * 0.05f, r * 0.8f, r * 0.36f, 5), solid(c));
  fill(p, both(starShape(w / 2, h / 2 + r * 0.05f, r * 0.8f, r * 0.36f, 5), box(0, 0, w, h * 0.45f)),
       solid(hex(0xffffff, 70)));
}

void lock(Picture& p) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  fill(p, either(both(ring(w / 2, h * 0.4f, w * 0.22f, w * 0.34f), box(0, 0, w, h * 0.4f)),
                either(box(w * 0.16f, h * 0.4f, w * 0.28f, h * 0.5f), box(w * 0.72f, h * 0.4f, w * 0.84f, h * 0.5f))),
       solid(hex(0x50505c)));
  fill(p, roundBox(w * 0.08f, h * 0.42f, w * 0.92f, h * 0.98f, w * 0.1f), solid(hex(0x3a3018)));
  fill(p, roundBox(w * 0.12f, h * 0.45f, w * 0.88f, h * 0.94f, w * 0.08f), vertical(hex(0xf0c84a), hex(0xb88a20), h * 0.45f, h));
  fill(p, disc(w / 2, h * 0.62f, w * 0.08f), solid(hex(0x3a3018)));
  fill(p, bar(w / 2, h * 0.62f, w / 2, h * 0.8f, w * 0.04f), solid(hex(0x3a3018)));
}

// White glyphs for the round buttons and the options page.
bool icon(Picture& p, const std::string& kind, const std::string& font, std::string* error) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  const Rgba ink = hex(0xffffff);
  const float cx = w / 2, cy = h / 2, r = std::min(w, h) * 0.4f;
  if (kind == "help") return outlinedText(p, font, "?", cx, cy + r * 0.8f, static_cast<int>(h * 0.8f), 0, ink, hex(0x1d3340), 2, error);
  if (kind == "info") return outlinedText(p, font, "i", cx, cy + r * 0.8f, static_cast<int>(h * 0.8f), 0, ink, hex(0x1d3340), 2, error);
  if (kind == "trophy") {
    const Rgba gold = hex(0xf8d040);
    fill(p, either(both(disc(cx, cy - r * 0.55f, r * 0.72f), box(0, cy - r * 0.55f, w, h)),
                   box(cx - r * 0.72f, cy - r * 0.9f, cx + r * 0.72f, cy - r * 0.55f)),
         solid(gold));
    fill(p, ring(cx - r * 0.72f, cy - r * 0.45f, r * 0.16f, r * 0.3f), solid(gold));
    fill(p, ring(cx + r * 0.72f, cy - r * 0.45f, r * 0.16f, r * 0.3f), solid(gold));
    fill(p, box(cx - r * 0.12f, cy + r * 0.1f, cx + r * 0.12f, cy + r * 0.65f), solid(gold));
    fill(p, roundBox(cx - r * 0.5f, cy + r * 0.6f, cx + r * 0.5f, cy + r * 0.92f, 3), solid(gold));
    fill(p, starShape(cx, cy - r * 0.45f, r * 0.3f, r * 0.13f, 5), solid(hex(0xffffff)));
    return true;
  }
  if (kind == "gear") {
    Inside g = disc(cx, cy, r * 0.72f);
    for (int i = 0; i < 8; ++i) {
      const float a = kTau * static_cast<float>(i) / 8.0f;
      g = either(g, bar(cx, cy, cx + r * std::cos(a), cy + r * std::sin(a), r * 0.16f));
    }
    fill(p, minus(g, disc(cx, cy, r * 0.3f)), solid(ink));
    return true;
  }
  if (kind == "quit") {
    fill(p, minus(ring(cx, cy + r * 0.1f, r * 0.6f, r * 0.82f), poly({cx, cy, cx - r * 0.6f, cy - r, cx + r * 0.6f, cy - r})), solid(ink));
    fill(p, bar(cx, cy - r * 0.95f, cx, cy - r * 0.05f, r * 0.12f), solid(ink));
    return true;
  }
  if (kind == "plus" || kind == "minus") {
    fill(p, bar(cx - r * 0.6f, cy, cx + r * 0.6f, cy, r * 0.16f), solid(ink));
    if (kind == "plus") fill(p, bar(cx, cy - r * 0.6f, cx, cy + r * 0.6f, r * 0.16f), solid(ink));
    return true;
  }
  if (kind == "play") {
    fill(p, poly({cx - r * 0.6f, cy - r * 0.8f, cx + r * 0.8f, cy, cx - r * 0.6f, cy + r * 0.8f}), solid(ink));
    return true;
  }
  if (kind == "sound") {
    fill(p, poly({cx - r, cy - r * 0.3f, cx - r * 0.5f, cy - r * 0.3f, cx, cy - r * 0.8f, cx, cy + r * 0.8f, cx - r * 0.5f, cy + r * 0.3f, cx - r, cy + r * 0.3f}), solid(ink));
    fill(p, both(ring(cx, cy, r * 0.4f, r * 0.55f), box(cx + r * 0.2f, 0, w, h)), solid(ink));
    fill(p, both(ring(cx, cy, r * 0.8f, r * 0.95f), box(cx + r * 0.4f, 0, w, h)), solid(ink));
    return true;
  }
  if (kind == "music") {
    fill(p, disc(cx - r * 0.45f, cy + r * 0.6f, r * 0.3f), solid(ink));
    fill(p, disc(cx + r * 0.55f, cy + r * 0.4f, r * 0.3f), solid(ink));
    fill(p, bar(cx - r * 0.2f, cy + r * 0.6f, cx - r * 0.2f, cy - r * 0.8f, r * 0.09f), solid(ink));
    fill(p, bar(cx + r * 0.8f, cy + r * 0.4f, cx + r * 0.8f, cy - r, r * 0.09f), solid(ink));
    fill(p, bar(cx - r * 0.2f, cy - r * 0.8f, cx + r * 0.8f, cy - r, r * 0.16f), solid(ink));
    return true;
  }
  if (kind == "screen") {
    fill(p, minus(roundBox(cx - r, cy - r * 0.75f, cx + r, cy + r * 0.5f, 3), box(cx - r * 0.8f, cy - r * 0.55f, cx + r * 0.8f, cy + r * 0.3f)), solid(ink));
    fill(p, box(cx - r * 0.1f, cy + r * 0.5f, cx + r * 0.1f, cy + r * 0.8f), solid(ink));
    fill(p, box(cx - r * 0.5f, cy + r * 0.75f, cx + r * 0.5f, cy + r * 0.92f), solid(ink));
    return true;
  }
  if (kind == "globe") {
    fill(p, ring(cx, cy, r * 0.82f, r), solid(ink));
    fill(p, minus(ring(cx, cy, 0, r), either(box(0, 0, cx - r * 0.08f, h), box(cx + r * 0.08f, 0, w, h))), solid(ink));
    fill(p, bar(cx - r, cy, cx + r, cy, r * 0.08f), solid(ink));
    fill(p, [=](float x, float y) {
      const float e = (x - cx) * (x - cx) / (r * r * 0.25f) + (y - cy) * (y - cy) / (r * r);
      return e >= 0.8f && e <= 1.0f;
    }, solid(ink));
    return true;
  }
  if (error) *error = "screen-art: unknown icon \"" + kind + "\"";
  return false;
}

// The eight maps' little landscapes.
void mapPicture(Picture& p, int map) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  switch (map) {
    case 1:  // clover meadow
      meadow(p, hex(0x6fa4e0), hex(0xe4f2fb), hex(0x8cc860), hex(0x5a9a40), true, true);
      sheep(p, w * 0.3f, h * 0.78f, h * 0.1f, hex(0xf8f6ee));
      break;
    case 2:  // orchard: round trees with red apples
      meadow(p, hex(0x70a8e0), hex(0xe8f4fc), hex(0x98c868), hex(0x6aa040), false, false);
      for (float x : {0.2f, 0.45f, 0.7f, 0.9f}) {
        fill(p, box(w * x - 3, h * 0.55f, w * x + 3, h * 0.75f), solid(hex(0x6a4a28)));
        fill(p, disc(w * x, h * 0.48f, h * 0.15f), solid(hex(0x3a8a30)));
        for (int i = 0; i < 4; ++i) fill(p, disc(w * x + (i - 1.5f) * 7, h * (0.44f + 0.04f * (i % 2)), 3), solid(hex(0xe03020)));
      }
      break;
    case 3:  // willow brook: a river winding down
      meadow(p, hex(0x5a90d0), hex(0xd0e8f8), hex(0x78b070), hex(0x4a8a50), false, false);
      fill(p, [=](float x, float y) { return y > h * 0.62f && std::fabs(x - w * (0.5f + 0.25f * std::sin(y / h * 9))) < h * (0.04f + 0.2f * (y / h - 0.6f)); },
           solid(hex(0x5ab0e8)));
      break;
    case 4:  // bramble wood: dark firs
      meadow(p, hex(0x6088c0), hex(0xc8e0f0), hex(0x3a7a40), hex(0x2a6a30), false, false);
      for (float x : {0.1f, 0.28f, 0.5f, 0.66f, 0.86f}) {
        fill(p, poly({w * x, h * 0.25f, w * x - h * 0.14f, h * 0.72f, w * x + h * 0.14f, h * 0.72f}), solid(hex(0x1a4a28)));
      }
      break;
    case 5:  // heather hills
      meadow(p, hex(0x8a90d0), hex(0xf0d8f0), hex(0xa070b0), hex(0x8a5a9a), true, false);
      break;
    case 6:  // stony pass: grey peaks
      meadow(p, hex(0x7a8aa0), hex(0xd8e0e8), hex(0x909088), hex(0x7a7a70), false, false);
      fill(p, poly({w * 0.2f, h * 0.62f, w * 0.4f, h * 0.15f, w * 0.62f, h * 0.62f}), solid(hex(0x6a6a70)));
      fill(p, poly({w * 0.5f, h * 0.62f, w * 0.72f, h * 0.25f, w * 0.95f, h * 0.62f}), solid(hex(0x80808a)));
      fill(p, poly({w * 0.36f, h * 0.25f, w * 0.4f, h * 0.15f, w * 0.44f, h * 0.25f}), solid(hex(0xffffff)));
      break;
    case 7:  // frost fell: snow
      meadow(p, hex(0xa0c0e0), hex(0xf4f8fc), hex(0xdce8f4), hex(0xf0f4f8), true, true);
      break;
    default:  // moonlit moor
      meadow(p, hex(0x101838), hex(0x404878), hex(0x2a3a4a), hex(0x1a2a34), false, true);
      fill(p, minus(disc(w * 0.78f, h * 0.22f, h * 0.12f), disc(w * 0.81f, h * 0.19f, h * 0.1f)), solid(hex(0xfff4c0)));
      for (int i = 0; i < 12; ++i) fill(p, disc(w * (0.05f + 0.08f * i), h * (0.08f + 0.05f * (i % 4)), 1.2f), solid(hex(0xffffff)));
      break;
  }
}

// A wolf seen from the side: grey body, pointed ears and snout, tail.
void wolf(Picture& p, float cx, float cy, float r, Rgba fur) {
  const Rgba dark = mix(fur, hex(0x000000), 0.45f);
  for (float dx : {-0.5f, 0.45f}) fill(p, bar(cx + dx * r, cy + r * 0.2f, cx + dx * r, cy + r * 0.95f, r * 0.1f), solid(dark));
  fill(p, bar(cx + r * 0.7f, cy - r * 0.1f, cx + r * 1.25f, cy - r * 0.5f, r * 0.14f), solid(fur));
  fill(p, either(disc(cx - r * 0.25f, cy, r * 0.45f), disc(cx + r * 0.35f, cy + r * 0.02f, r * 0.42f)), solid(fur));
  fill(p, disc(cx - r * 0.85f, cy - r * 0.35f, r * 0.32f), solid(fur));
  fill(p, poly({cx - r * 1.05f, cy - r * 0.45f, cx - r * 1.5f, cy - r * 0.22f, cx - r * 1.0f, cy - r * 0.12f}), solid(fur));
  fill(p, poly({cx - r * 0.95f, cy - r * 0.55f, cx - r * 0.85f, cy - r * 0.95f, cx - r * 0.72f, cy - r * 0.55f}), solid(dark));
  fill(p, disc(cx - r * 0.95f, cy - r * 0.42f, r * 0.06f), solid(hex(0xf8e060)));
}

void crate(Picture& p, float x0, float y0, float x1, float y1) {
  fill(p, box(x0, y0, x1, y1), solid(hex(0x6a4420)));
  fill(p, box(x0 + 3, y0 + 3, x1 - 3, y1 - 3), solid(hex(0xb07a3c)));
  fill(p, bar(x0 + 4, y0 + 4, x1 - 4, y1 - 4, 2.5f), solid(hex(0x8a5a2a)));
  fill(p, bar(x0 + 4, y1 - 4, x1 - 4, y0 + 4, 2.5f), solid(hex(0x8a5a2a)));
}

void arrowBar(Picture& p, float x0, float x1, float y, Rgba c) {
  const float dir = x1 > x0 ? 1.0f : -1.0f;
  fill(p, bar(x0, y, x1 - dir * 10, y, 4), solid(c));
  fill(p, poly({x1, y, x1 - dir * 14, y - 10, x1 - dir * 14, y + 10}), solid(c));
}

// The help page's four pictures, on a soft sky.
void helpPicture(Picture& p, const std::string& kind) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  fill(p, roundBox(0, 0, w, h, 14), vertical(hex(0x9ccaf0), hex(0xe8f4fc), 0, h));
  const Inside frame = roundBox(0, 0, w, h, 14);
  if (kind == "tap") {
    fill(p, both(frame, box(0, h * 0.82f, w, h)), solid(hex(0x5a9a40)));
    crate(p, w * 0.34f, h * 0.5f, w * 0.66f, h * 0.82f);
    sheep(p, w * 0.5f, h * 0.36f, h * 0.11f, hex(0xf8f6ee));
    // a finger pressing the crate, with a burst
    fill(p, ring(w * 0.72f, h * 0.62f, h * 0.08f, h * 0.1f), solid(hex(0xffffff)));
    fill(p, bar(w * 0.74f, h * 0.66f, w * 0.92f, h * 0.95f, h * 0.055f), solid(hex(0xf2c8a0)));
    fill(p, disc(w * 0.74f, h * 0.66f, h * 0.055f), solid(hex(0xf2c8a0)));
  } else if (kind == "swap") {
    fill(p, both(frame, box(0, h * 0.78f, w, h)), solid(hex(0x5a9a40)));
    sheep(p, w * 0.25f, h * 0.52f, h * 0.13f, hex(0x3c3a44));
    wolf(p, w * 0.78f, h * 0.52f, h * 0.14f, hex(0x34343e));
    arrowBar(p, w * 0.4f, w * 0.6f, h * 0.3f, hex(0xf0a020));
    arrowBar(p, w * 0.6f, w * 0.4f, h * 0.42f, hex(0xf0a020));
  } else if (kind == "goal") {
    fill(p, both(frame, box(0, h * 0.82f, w, h)), solid(hex(0x5a9a40)));
    fill(p, box(w * 0.2f, h * 0.7f, w * 0.8f, h * 0.8f), solid(hex(0x3cb450)));
    for (int i = 0; i < 4; ++i) {
      const float x = w * (0.28f + 0.14f * static_cast<float>(i));
      fill(p, poly({x, h * 0.72f, x + 10, h * 0.75f, x, h * 0.78f}), solid(hex(0xffffff)));
    }
    sheep(p, w * 0.5f, h * 0.58f, h * 0.11f, hex(0xf8f6ee));
    fill(p, both(ring(w * 0.82f, h * 0.26f, h * 0.1f, h * 0.13f), box(0, 0, w, h)), solid(hex(0x2e8a3a)));
    fill(p, bar(w * 0.77f, h * 0.26f, w * 0.81f, h * 0.31f, 3.5f), solid(hex(0x2e8a3a)));
    fill(p, bar(w * 0.81f, h * 0.31f, w * 0.88f, h * 0.2f, 3.5f), solid(hex(0x2e8a3a)));
  } else {  // doom: a wolf tumbling into the ravine
    fill(p, both(frame, either(box(0, h * 0.55f, w * 0.35f, h), box(w * 0.68f, h * 0.55f, w, h))), solid(hex(0x6a5a48)));
    fill(p, both(frame, either(box(0, h * 0.52f, w * 0.35f, h * 0.58f), box(w * 0.68f, h * 0.52f, w, h * 0.58f))),
         solid(hex(0x5a9a40)));
    fill(p, both(frame, box(w * 0.35f, h * 0.86f, w * 0.68f, h)), solid(hex(0x402040)));
    for (int i = 0; i < 5; ++i) {
      const float x = w * (0.37f + 0.062f * static_cast<float>(i));
      fill(p, poly({x, h * 0.87f, x + w * 0.031f, h * 0.74f, x + w * 0.062f, h * 0.87f}), solid(hex(0xb8bcc8)));
    }
    wolf(p, w * 0.52f, h * 0.38f, h * 0.12f, hex(0x7a7a8c));
    arrowBar(p, w * 0.52f, w * 0.52f + 1, h * 0.62f, hex(0xffffff));
    fill(p, bar(w * 0.52f, h * 0.52f, w * 0.52f, h * 0.66f, 3), solid(hex(0xe04030)));
    fill(p, poly({w * 0.52f, h * 0.72f, w * 0.48f, h * 0.64f, w * 0.56f, h * 0.64f}), solid(hex(0xe04030)));
  }
}

// The splash: the game's name over a round meadow emblem, on cream.
bool quillmoorLogo(Picture& p, const std::string& font, std::string* error) {
  const float w = static_cast<float>(p.width()), h = static_cast<float>(p.height());
  fill(p, box(0, 0, w, h), solid(hex(0xfbf6e8)));
  const float cx = w / 2, cy = h * 0.36f, r = h * 0.25f;
  fill(p, disc(cx, cy, r + 8), solid(hex(0x2e5a2a)));
  Picture scene(static_cast<int>(2 * r), static_cast<int>(2 * r));
  meadow(scene, hex(0x6fa4e0), hex(0xe4f2fb), hex(0x8cc860), hex(0x5a9a40), true, true);
  sheep(scene, r * 0.75f, r * 1.45f, r * 0.22f, hex(0xf8f6ee));
  for (int y = 0; y < scene.height(); ++y) {
    for (int x = 0; x < scene.width(); ++x) {
      const float dx = static_cast<float>(x) + 0.5f - r, dy = static_cast<float>(y) + 0.5f - r;
      if (dx * dx + dy * dy <= r * r) p.set(static_cast<int>(cx - r) + x, static_cast<int>(cy - r) + y, scene.at(x, y));
    }
  }
  // a quill across the emblem's edge
  const float qx = cx + r * 0.55f, qy = cy + r * 0.75f;
  fill(p, poly({qx, qy, qx + r * 0.5f, cy - r * 0.95f, qx + r * 0.68f, cy - r * 0.8f, qx + r * 0.1f, qy - r * 0.05f}), solid(hex(0xfdfbf5)));
  fill(p, bar(qx, qy, qx + r * 0.58f, cy - r * 0.88f, 2.5f), solid(hex(0x2e5a2a)));
  if (!outlinedText(p, font, "Quillmoor", cx, h * 0.83f, static_cast<int>(h * 0.17f), 2, hex(0xf8e8b0), hex(0x2e5a2a), 5, error)) return false;
  return drawText(p, font, "~ a shepherd's puzzle ~", cx, h * 0.92f, static_cast<int>(h * 0.04f), 1, hex(0x6a5030), error);
}

}  // namespace

bool drawScreenArt(const std::vector<std::string>& args, int width, int height, Picture& out, std::string* error) {
  const std::string name = args.empty() ? "" : args[0];
  if (name == "logo" && args.size() == 2) return drawLogo(out, args[1], error);
  if (name == "quillmoor-logo" && args.size() == 2) return quillmoorLogo(out, args[1], error);
  if (name == "wordmark" && args.size() == 2) {
    return outlinedText(out, args[1], "Quillmoor", static_cast<float>(width) / 2, static_cast<float>(height) * 0.78f,
                        static_cast<int>(static_cast<float>(height) * 0.56f), 3, hex(0xfff0c0), hex(0x3a2a18), 7, error);
  }
  if (name == "meadow") {
    meadow(out, hex(0x5f9ce0), hex(0xe4f2fb), hex(0x8cc860), hex(0x5a9a40), true, true);
    return true;
  }
  if (name == "sky") {
    fill(out, box(0, 0, static_cast<float>(width), static_cast<float>(height)),
         vertical(hex(0x8cc0e8), hex(0xeaf6fc), 0, static_cast<float>(height)));
    fill(out, hills(static_cast<float>(height) * 0.9f, static_cast<float>(height) * 0.03f, static_cast<float>(width) * 0.15f, 1.0f),
         solid(hex(0x8cc860)));
    return true;
  }
  if (name == "map" && args.size() == 2) {
    mapPicture(out, std::atoi(args[1].c_str()));
    return true;
  }
  if (name == "icon" && args.size() == 3) return icon(out, args[1], args[2], error);
  if (name == "round" && args.size() == 2) {
    roundFace(out, hex(static_cast<std::uint32_t>(std::strtoul(args[1].c_str(), nullptr, 16))));
    return true;
  }
  if (name == "plank" && args.size() == 2) {
    plankFace(out, hex(static_cast<std::uint32_t>(std::strtoul(args[1].c_str(), nullptr, 16))));
    return true;
  }
  if (name == "star" && args.size() == 2) {
    star(out, hex(static_cast<std::uint32_t>(std::strtoul(args[1].c_str(), nullptr, 16))));
    return true;
  }
  if (name == "help" && args.size() == 2) {
    helpPicture(out, args[1]);
    return true;
  }
  if (name == "lock") {
    lock(out);
    return true;
  }
  if (name == "board") {
    drawBoard(out);
    return true;
  }
  if (name == "glow") {
    drawGlow(out);
    return true;
  }
  if (name == "medal" && args.size() == 4) {
    return drawMedal(out, args[1], std::atoi(args[2].c_str()), args[3] == "earned", error);
  }
  (void)width;
  (void)height;
  if (error) *error = "screen-art: unknown picture \"" + name + "\" (logo FONT, board, glow, medal KIND TIER earned|locked)";
  return false;
}

}  // namespace texwriter
