#include "tools/app_art.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
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

}  // namespace

bool drawScreenArt(const std::vector<std::string>& args, int width, int height, Picture& out, std::string* error) {
  const std::string name = args.empty() ? "" : args[0];
  if (name == "logo" && args.size() == 2) return drawLogo(out, args[1], error);
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
