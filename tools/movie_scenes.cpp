#include "tools/movie_scenes.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "tools/texture_writer.h"

namespace moviescenes {

namespace {

const char* const kScenes[] = {"dawn-title", "meadow", "dusk", "wolves", "stand",
                               "morning", "road", "farm", "sunset-title"};

struct Rgb {
  float r = 0, g = 0, b = 0;
};
Rgb mix(Rgb a, Rgb b, double t) {
  const float u = static_cast<float>(std::clamp(t, 0.0, 1.0));
  return {a.r + (b.r - a.r) * u, a.g + (b.g - a.g) * u, a.b + (b.b - a.b) * u};
}
double smooth(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3 - 2 * t);
}
// 0 before a, 1 after b, smooth between.
double ramp(double x, double a, double b) { return smooth((x - a) / (b - a)); }

// Times of day: sky top and bottom, far and near hills, and the light that
// falls on the animals.
struct Palette {
  Rgb skyTop, skyBottom, far, nearHill, light;
};
const Palette kNight{{10, 14, 38}, {38, 46, 92}, {28, 38, 62}, {22, 44, 36}, {0.42f, 0.48f, 0.68f}};
const Palette kDawn{{64, 74, 140}, {250, 172, 112}, {96, 100, 126}, {72, 118, 70}, {0.95f, 0.82f, 0.74f}};
const Palette kDay{{84, 146, 222}, {200, 230, 250}, {112, 172, 112}, {82, 160, 72}, {1, 1, 1}};
const Palette kDusk{{66, 38, 92}, {242, 122, 82}, {92, 62, 84}, {58, 82, 52}, {0.9f, 0.62f, 0.6f}};

Palette mix(const Palette& a, const Palette& b, double t) {
  return {mix(a.skyTop, b.skyTop, t), mix(a.skyBottom, b.skyBottom, t), mix(a.far, b.far, t),
          mix(a.nearHill, b.nearHill, t), mix(a.light, b.light, t)};
}

class Canvas {
 public:
  Canvas(std::uint8_t* rgb, int stride, int w, int h) : p_(rgb), stride_(stride), w_(w), h_(h) {}
  int width() const { return w_; }
  int height() const { return h_; }

  void blend(int x, int y, Rgb c, float a) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || a <= 0) return;
    a = std::min(a, 1.0f);
    std::uint8_t* q = p_ + static_cast<std::ptrdiff_t>(y) * stride_ + x * 3;
    q[0] = static_cast<std::uint8_t>(std::clamp(q[0] + (c.r - q[0]) * a, 0.0f, 255.0f));
    q[1] = static_cast<std::uint8_t>(std::clamp(q[1] + (c.g - q[1]) * a, 0.0f, 255.0f));
    q[2] = static_cast<std::uint8_t>(std::clamp(q[2] + (c.b - q[2]) * a, 0.0f, 255.0f));
  }
  void sky(Rgb top, Rgb bottom, int horizon) {
    for (int y = 0; y < h_; ++y) {
      const Rgb c = mix(top, bottom, static_cast<double>(y) / std::max(1, horizon));
      for (int x = 0; x < w_; ++x) blend(x, y, c, 1);
    }
  }
  void rect(float x, float y, float w, float h, Rgb c, float a = 1) {
    for (int yy = std::max(0, static_cast<int>(y)); yy < std::min(h_, static_cast<int>(y + h)); ++yy)
      for (int xx = std::max(0, static_cast<int>(x)); xx < std::min(w_, static_cast<int>(x + w)); ++xx)
        blend(xx, yy, c, a);
  }
  // Soft-edged ellipse.
  void ellipse(float cx, float cy, float rx, float ry, Rgb c, float a = 1, float soft = 1) {
    if (rx <= 0 || ry <= 0) return;
    for (int y = static_cast<int>(cy - ry - soft); y <= static_cast<int>(cy + ry + soft); ++y) {
      for (int x = static_cast<int>(cx - rx - soft); x <= static_cast<int>(cx + rx + soft); ++x) {
        const float dx = (x + 0.5f - cx) / rx;
        const float dy = (y + 0.5f - cy) / ry;
        const float d = (std::sqrt(dx * dx + dy * dy) - 1.0f) * std::min(rx, ry);
        const float cover = std::clamp(0.5f - d / soft, 0.0f, 1.0f);
        blend(x, y, c, a * cover);
      }
    }
  }
  void triangle(float x0, float y0, float x1, float y1, float x2, float y2, Rgb c, float a = 1) {
    auto edge = [](float ax, float ay, float bx, float by, float px, float py) {
      return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    const float area = edge(x0, y0, x1, y1, x2, y2);
    if (area == 0) return;
    for (int y = static_cast<int>(std::min({y0, y1, y2})); y <= static_cast<int>(std::max({y0, y1, y2})); ++y) {
      for (int x = static_cast<int>(std::min({x0, x1, x2})); x <= static_cast<int>(std::max({x0, x1, x2})); ++x) {
        const float px = x + 0.5f, py = y + 0.5f;
        const float w0 = edge(x1, y1, x2, y2, px, py) / area;
        const float w1 = edge(x2, y2, x0, y0, px, py) / area;
        const float w2 = edge(x0, y0, x1, y1, px, py) / area;
        if (w0 >= 0 && w1 >= 0 && w2 >= 0) blend(x, y, c, a);
      }
    }
  }
  // A hill line: everything below y(x) takes the colour.
  template <class F>
  void hill(F yOf, Rgb c) {
    for (int x = 0; x < w_; ++x) {
      const float top = yOf(static_cast<float>(x));
      for (int y = std::max(0, static_cast<int>(top)); y < h_; ++y) blend(x, y, c, 1);
      blend(x, static_cast<int>(top) - 1, c, top - std::floor(top) > 0 ? 1 - (top - std::floor(top)) : 0);
    }
  }
  // A sprite drawn with its alpha, its colours times light, mirrored on demand,
  // with its bottom centre at (x, y).
  void sprite(const texwriter::Picture& pic, float x, float y, bool mirror, Rgb light, float a = 1) {
    const int x0 = static_cast<int>(x) - pic.width() / 2;
    const int y0 = static_cast<int>(y) - pic.height();
    for (int yy = 0; yy < pic.height(); ++yy) {
      for (int xx = 0; xx < pic.width(); ++xx) {
        const texwriter::Rgba s = pic.at(mirror ? pic.width() - 1 - xx : xx, yy);
        if (s.a == 0) continue;
        blend(x0 + xx, y0 + yy, {s.r * light.r, s.g * light.g, s.b * light.b}, a * s.a / 255.0f);
      }
    }
  }
  void darken(float amount) {
    if (amount <= 0) return;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) blend(x, y, {0, 0, 0}, amount);
  }

 private:
  std::uint8_t* p_;
  int stride_, w_, h_;
};

struct Mask {
  int w = 0, h = 0, halo = 0;
  std::vector<std::uint8_t> a;
  std::vector<std::uint8_t> grown;  // a widened by halo pixels all round, (w + 2 halo) x (h + 2 halo)
};

}  // namespace

struct Painter::Impl {
  int w = 0, h = 0;
  FT_Library ft = nullptr;
  FT_Face face = nullptr;
  std::map<std::pair<std::string, int>, Mask> texts;
  std::map<std::string, texwriter::Picture> sprites;

  const texwriter::Picture& spriteOf(const std::string& drawing, int w0, int h0,
                                     const std::vector<std::string>& args = {}) {
    const std::string key = drawing + std::to_string(w0) + "x" + std::to_string(h0);
    auto it = sprites.find(key);
    if (it != sprites.end()) return it->second;
    texwriter::Picture p;
    texwriter::drawPicture(drawing, args, w0, h0, p, nullptr);
    return sprites.emplace(key, std::move(p)).first->second;
  }

  const Mask& textMask(const std::string& text, int size) {
    auto key = std::make_pair(text, size);
    auto it = texts.find(key);
    if (it != texts.end()) return it->second;
    Mask m;
    if (face != nullptr && FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) == 0) {
      int width = 0;
      for (unsigned char c : text)
        if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0) width += static_cast<int>(face->glyph->advance.x >> 6);
      const int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
      m.w = width + 4;
      m.h = static_cast<int>((face->size->metrics.ascender - face->size->metrics.descender) >> 6) + 4;
      m.a.assign(static_cast<std::size_t>(m.w) * m.h, 0);
      int pen = 2;
      for (unsigned char c : text) {
        if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
        const FT_Bitmap& b = face->glyph->bitmap;
        for (unsigned r = 0; r < b.rows; ++r) {
          for (unsigned col = 0; col < b.width; ++col) {
            const int x = pen + face->glyph->bitmap_left + static_cast<int>(col);
            const int y = 2 + ascent - face->glyph->bitmap_top + static_cast<int>(r);
            if (x >= 0 && y >= 0 && x < m.w && y < m.h)
              m.a[static_cast<std::size_t>(y) * m.w + x] =
                  std::max(m.a[static_cast<std::size_t>(y) * m.w + x], b.buffer[r * b.pitch + col]);
          }
        }
        pen += static_cast<int>(face->glyph->advance.x >> 6);
      }
      m.halo = std::max(2, size / 14);
      const int gw = m.w + 2 * m.halo, gh = m.h + 2 * m.halo;
      m.grown.assign(static_cast<std::size_t>(gw) * gh, 0);
      for (int y = 0; y < gh; ++y)
        for (int x = 0; x < gw; ++x) {
          int best = 0;
          for (int dy = -m.halo; dy <= m.halo; ++dy)
            for (int dx = -m.halo; dx <= m.halo; ++dx) {
              const int sx = x - m.halo + dx, sy = y - m.halo + dy;
              if (sx >= 0 && sy >= 0 && sx < m.w && sy < m.h && dx * dx + dy * dy <= m.halo * m.halo)
                best = std::max<int>(best, m.a[static_cast<std::size_t>(sy) * m.w + sx]);
            }
          m.grown[static_cast<std::size_t>(y) * gw + x] = static_cast<std::uint8_t>(best);
        }
    }
    return texts.emplace(key, std::move(m)).first->second;
  }

  // A title centred on (cx, cy): a soft dark halo, then the fill.
  void title(Canvas& c, const std::string& text, int size, float cx, float cy, Rgb fill, float alpha) {
    if (alpha <= 0) return;
    const Mask& m = textMask(text, size);
    const int x0 = static_cast<int>(cx) - m.w / 2;
    const int y0 = static_cast<int>(cy) - m.h / 2;
    const int halo = m.halo;
    const int gw = m.w + 2 * halo;
    for (int y = -halo; y < m.h + halo; ++y)
      for (int x = -halo; x < m.w + halo; ++x) {
        const int best = m.grown[static_cast<std::size_t>(y + halo) * gw + (x + halo)];
        c.blend(x0 + x, y0 + y + halo / 2, {30, 18, 10}, alpha * 0.8f * best / 255.0f);
      }
    for (int y = 0; y < m.h; ++y)
      for (int x = 0; x < m.w; ++x) {
        const float a = m.a[static_cast<std::size_t>(y) * m.w + x] / 255.0f;
        // A warm gradient down the letters.
        const Rgb shade = mix(fill, {fill.r * 0.75f, fill.g * 0.6f, fill.b * 0.4f}, static_cast<double>(y) / m.h);
        c.blend(x0 + x, y0 + y, shade, alpha * a);
      }
  }

  // The moor: sky, sun or moon, stars, clouds, far and near hills.
  void landscape(Canvas& c, const Palette& p, double t, double scroll, float sunY, float moonAlpha, float stars) {
    const int W = c.width(), H = c.height();
    c.sky(p.skyTop, p.skyBottom, H * 2 / 3);
    if (stars > 0) {
      unsigned seed = 12345;
      for (int i = 0; i < 70; ++i) {
        seed = seed * 1103515245u + 12345u;
        const float x = static_cast<float>(seed % W);
        seed = seed * 1103515245u + 12345u;
        const float y = static_cast<float>(seed % (H / 2));
        const float tw = 0.6f + 0.4f * static_cast<float>(std::sin(t * 3 + i));
        c.blend(static_cast<int>(x), static_cast<int>(y), {255, 255, 240}, stars * tw);
      }
    }
    if (sunY < H) {
      c.ellipse(W * 0.68f, sunY, 44, 44, {255, 236, 170}, 0.25f, 10);
      c.ellipse(W * 0.68f, sunY, 26, 26, {255, 240, 190}, 1, 1.5f);
    }
    if (moonAlpha > 0) {
      c.ellipse(W * 0.2f, H * 0.18f, 30, 30, {220, 225, 255}, 0.15f * moonAlpha, 8);
      c.ellipse(W * 0.2f, H * 0.18f, 16, 16, {235, 238, 250}, moonAlpha, 1.5f);
      c.ellipse(W * 0.2f + 6, H * 0.18f - 3, 13, 13, p.skyTop, moonAlpha * 0.9f, 1.5f);
    }
    const float cloudA = std::clamp(1.0f - stars, 0.0f, 1.0f) * 0.85f;
    for (int i = 0; i < 4; ++i) {
      const float x = static_cast<float>(std::fmod(i * 150.0 + t * (8 + i * 3) - scroll * 0.2 + 1000.0, W + 160.0)) - 80;
      const float y = 40.0f + i * 18.0f;
      const Rgb white = mix(Rgb{255, 255, 255}, p.skyBottom, 0.3);
      c.ellipse(x, y, 34, 12, white, cloudA);
      c.ellipse(x + 22, y - 7, 22, 12, white, cloudA);
      c.ellipse(x - 20, y - 4, 18, 10, white, cloudA);
    }
    const double s = scroll;
    c.hill([&](float x) { return H * 0.56f + 16 * std::sin((x + s * 0.3f) * 0.011f) + 9 * std::sin((x + s * 0.3f) * 0.027f + 1); },
           p.far);
    c.hill([&](float x) { return H * 0.72f + 12 * std::sin((x + s) * 0.008f + 2) + 5 * std::sin((x + s) * 0.031f); },
           p.nearHill);
  }

  float groundY(float x, double scroll) {
    return h * 0.72f + 12 * std::sin((x + scroll) * 0.008f + 2) + 5 * std::sin((x + scroll) * 0.031f) + 14;
  }

  void flowers(Canvas& c, const Palette& p, double scroll) {
    unsigned seed = 99;
    for (int i = 0; i < 60; ++i) {
      seed = seed * 1103515245u + 12345u;
      const float x = static_cast<float>(std::fmod(seed % 2000 - scroll + 4000.0, 2000.0) * w / 2000.0 * 2 - w / 2.0);
      seed = seed * 1103515245u + 12345u;
      const float y = groundY(x, scroll) + static_cast<float>(seed % 60);
      const Rgb petal = (i % 3 == 0) ? Rgb{250, 240, 120} : (i % 3 == 1 ? Rgb{250, 250, 250} : Rgb{240, 130, 170});
      c.ellipse(x, y, 2, 2, {petal.r * p.light.r, petal.g * p.light.g, petal.b * p.light.b}, 1, 0.8f);
    }
  }

  void sheep(Canvas& c, float x, float y, bool faceRight, const Palette& p, float size = 1, float a = 1) {
    c.ellipse(x, y, 20 * size, 4 * size, {0, 0, 0}, 0.25f * a);
    c.sprite(spriteOf("sheep", static_cast<int>(56 * size), static_cast<int>(46 * size)), x, y + 2, faceRight,
             p.light, a);
  }
  void wolf(Canvas& c, float x, float y, bool faceRight, const Palette& p, float size = 1) {
    c.ellipse(x, y, 24 * size, 4 * size, {0, 0, 0}, 0.3f);
    c.sprite(spriteOf("wolf", static_cast<int>(66 * size), static_cast<int>(46 * size)), x, y + 2, faceRight,
             p.light);
  }
  void crate(Canvas& c, float x, float y, const Palette& p) {
    c.sprite(spriteOf("block", 30, 30, {"b07a3c"}), x, y, false, p.light);
  }
  void trees(Canvas& c, float from, Rgb colour) {
    for (int i = 0; i < 9; ++i) {
      const float x = from + i * 22.0f;
      const float base = groundY(x, 0) - 2;
      const float hgt = 70.0f + (i * 37 % 30);
      c.triangle(x - 18, base, x + 18, base, x, base - hgt, colour);
      c.rect(x - 3, base - 4, 6, 10, {colour.r * 0.7f, colour.g * 0.7f, colour.b * 0.7f});
    }
  }
  void barn(Canvas& c, float x, float y, const Palette& p, float doorOpen) {
    const Rgb red{178, 52, 40}, trim{240, 236, 226}, roof{98, 44, 38};
    auto lit = [&](Rgb k) { return Rgb{k.r * p.light.r, k.g * p.light.g, k.b * p.light.b}; };
    c.rect(x - 70, y - 80, 140, 80, lit(red));
    c.triangle(x - 82, y - 78, x + 82, y - 78, x, y - 130, lit(roof));
    c.rect(x - 22, y - 56, 44, 56, lit({60, 30, 24}));
    c.rect(x - 22, y - 56, 44 * (1 - doorOpen), 56, lit(trim), 0.9f);
    c.rect(x - 6, y - 112, 12, 14, lit({250, 220, 140}));
    for (int i = 0; i < 8; ++i) c.rect(x + 90 + i * 18.0f, y - 26, 4, 26, lit(trim));
    c.rect(x + 88, y - 22, 140, 4, lit(trim));
    c.rect(x + 88, y - 12, 140, 4, lit(trim));
  }
  void heart(Canvas& c, float x, float y, float s, float a) {
    const Rgb pink{236, 80, 110};
    c.ellipse(x - s * 0.5f, y, s * 0.55f, s * 0.55f, pink, a);
    c.ellipse(x + s * 0.5f, y, s * 0.55f, s * 0.55f, pink, a);
    c.triangle(x - s * 1.05f, y + s * 0.15f, x + s * 1.05f, y + s * 0.15f, x, y + s * 1.3f, pink, a);
  }

  void scene(Canvas& c, const std::string& name, double u, double d, double t) {
    const float W = static_cast<float>(w);
    const double k = u / d;  // progress through the shot
    if (name == "dawn-title") {
      const Palette p = mix(kNight, kDawn, k * 1.2);
      landscape(c, p, t, 0, static_cast<float>(h * 0.75 - k * 120), 0, static_cast<float>(1 - k * 1.5));
      for (int i = 0; i < 4; ++i) sheep(c, 70 + i * 38.0f, groundY(70 + i * 38.0f, 0) + 6 + (i % 2) * 6, i % 2, p, 0.7f);
      const double a = ramp(u, 1.2, 2.4) * (1 - ramp(u, d - 1.0, d - 0.2));
      title(c, "Quillmoor", 64, W / 2, h * 0.34f + static_cast<float>((1 - ramp(u, 1.2, 2.6)) * 16), {255, 226, 120},
            static_cast<float>(a));
    } else if (name == "meadow") {
      const Palette p = kDay;
      const double scroll = u * 12;
      landscape(c, p, t, scroll, h * 0.2f, 0, 0);
      flowers(c, p, scroll);
      for (int i = 0; i < 3; ++i) crate(c, 400, groundY(400, scroll) - i * 30.0f, p);
      crate(c, 370, groundY(370, scroll), p);
      for (int i = 0; i < 5; ++i) {
        const float x = static_cast<float>(std::fmod(30 + i * 70 + u * 26, W + 80)) - 40;
        const float hop = i == 2 ? static_cast<float>(std::max(0.0, std::sin(u * 3.2)) * 26)
                                 : static_cast<float>(std::fabs(std::sin(u * 7 + i)) * 3);
        sheep(c, x, groundY(x, scroll) + 8 + (i % 2) * 10 - hop, true, p);
      }
    } else if (name == "dusk") {
      const Palette p = mix(mix(kDay, kDusk, k * 1.6), kNight, ramp(k, 0.6, 1.0) * 0.5);
      landscape(c, p, t, 0, static_cast<float>(h * 0.3 + k * 160), 0, static_cast<float>(ramp(k, 0.6, 1.0) * 0.5));
      trees(c, W * 0.62f, mix(Rgb{40, 60, 40}, Rgb{18, 22, 30}, k));
      for (int i = 0; i < 5; ++i) {
        const double on = ramp(u, 1.5 + i * 0.9, 1.9 + i * 0.9);
        const bool blink = std::fmod(u + i * 0.7, 2.3) < 0.12;
        if (on > 0 && !blink) {
          const float x = W * 0.66f + i * 30.0f, y = groundY(x, 0) - 24 - (i % 3) * 12;
          c.ellipse(x, y, 2.5f, 2, {255, 60, 40}, static_cast<float>(on));
          c.ellipse(x + 8, y, 2.5f, 2, {255, 60, 40}, static_cast<float>(on));
        }
      }
      for (int i = 0; i < 4; ++i) {
        const float x = 60 + i * 48.0f - static_cast<float>(ramp(u, 3, 6) * 30);
        sheep(c, x, groundY(x, 0) + 10 + (i % 2) * 8, u < 3.2 || i % 2 == 0, p);
      }
    } else if (name == "wolves") {
      const Palette p = kNight;
      landscape(c, p, t, 0, 1e9f, 1, 1);
      for (int i = 0; i < 6; ++i) {
        // The crates come down one after another and build a wall.
        const double drop = ramp(u, 1.4 + i * 0.35, 1.8 + i * 0.35);
        const float x = 200 + (i % 2) * 30.0f;
        const float rest = groundY(200, 0) + 8 - (i / 2) * 30.0f;
        crate(c, x, static_cast<float>(rest - (1 - drop) * 260), p);
      }
      for (int i = 0; i < 4; ++i) {
        const float x = 70 + i * 26.0f + static_cast<float>(std::sin(u * 9 + i) * 2);
        sheep(c, x, groundY(x, 0) + 10 + (i % 2) * 8, true, p, 0.9f);
      }
      for (int i = 0; i < 3; ++i) {
        const double run = ramp(u, 0.5 + i * 0.4, 4.8 + i * 0.4);
        float x = static_cast<float>(W + 60 - run * (W + 60 - (266 + 48 * i)));
        float lift = static_cast<float>(std::fabs(std::sin(u * 10 + i)) * 6);
        if (i == 0 && u > 5.0) {  // the first wolf hits the wall and is thrown back
          const double b = std::min(1.0, (u - 5.0) / 1.2);
          x = static_cast<float>(266 + b * 110);
          lift = static_cast<float>(std::sin(b * M_PI) * 50);
        }
        wolf(c, x, groundY(x, 0) + 14 + i * 6 - lift, false, p);
      }
    } else if (name == "stand") {
      const Palette p = mix(kNight, kDawn, ramp(k, 0.3, 1.0) * 0.45);
      landscape(c, p, t, 0, 1e9f, 1, static_cast<float>(1 - ramp(k, 0.3, 1.0) * 0.6));
      for (int i = 0; i < 6; ++i) crate(c, 200 + (i % 2) * 30.0f, groundY(200, 0) + 8 - (i / 2) * 30.0f, p);
      for (int i = 0; i < 4; ++i) {
        const float x = 80 + i * 26.0f;
        const float hop = static_cast<float>(std::max(0.0, std::sin(u * 5 + i)) * 10 * ramp(u, 1, 2));
        sheep(c, x, groundY(x, 0) + 10 + (i % 2) * 8 - hop, true, p, 0.9f);
      }
      for (int i = 0; i < 2; ++i) {
        const float x = static_cast<float>(330 + i * 50 + ramp(u, 0.5, 4) * 200);
        wolf(c, x, groundY(x, 0) + 14, true, p, 0.9f);
      }
      title(c, "Quillmoor", 70, W / 2, h * 0.3f, {255, 226, 120}, static_cast<float>(ramp(u, 1.0, 2.2)));
    } else if (name == "morning") {
      const Palette p = mix(kDawn, kDay, k);
      landscape(c, p, t, 0, static_cast<float>(h * 0.55 - k * 100), 0, 0);
      for (int i = 0; i < 6; ++i) crate(c, 200 + (i % 2) * 30.0f, groundY(200, 0) + 8 - (i / 2) * 30.0f, p);
      for (int i = 0; i < 3; ++i) {
        const float x = static_cast<float>(300 + i * 40 + ramp(u, 0, 4) * 260);
        wolf(c, x, static_cast<float>(groundY(x, 0) + 4 - ramp(u, 0, 4) * 40), true, p, 0.6f);
      }
      for (int i = 0; i < 4; ++i) {
        const float x = 90 + i * 26.0f;
        const float hop = static_cast<float>(std::max(0.0, std::sin(u * 6 + i * 1.3)) * 18);
        sheep(c, x, groundY(x, 0) + 10 + (i % 2) * 8 - hop, true, p, 0.9f);
      }
    } else if (name == "road") {
      const Palette p = kDay;
      const double scroll = -u * 40;
      landscape(c, p, t, scroll, h * 0.2f, 0, 0);
      // The path home, winding away to the left.
      for (int x = 0; x < w; ++x) {
        const float y = groundY(static_cast<float>(x), scroll) + 22;
        c.rect(static_cast<float>(x), y, 1, 10, {196, 170, 120}, 0.9f);
      }
      flowers(c, p, scroll);
      const float post = static_cast<float>(std::fmod(120 + u * 40, W + 100.0)) - 50;
      c.rect(post - 2, groundY(post, scroll) - 30, 4, 40, {120, 84, 50});
      c.rect(post - 24, groundY(post, scroll) - 34, 40, 12, {168, 120, 70});
      c.triangle(post - 24, groundY(post, scroll) - 34, post - 24, groundY(post, scroll) - 22, post - 32,
                 groundY(post, scroll) - 28, {168, 120, 70});
      for (int i = 0; i < 5; ++i) {
        const float x = 150 + i * 44.0f;
        const float bob = static_cast<float>(std::fabs(std::sin(u * 7 + i)) * 4);
        sheep(c, x, groundY(x, scroll) + 24 - bob, false, p);
      }
    } else if (name == "farm") {
      const Palette p = mix(kDay, kDusk, k * 0.35);
      landscape(c, p, t, 0, static_cast<float>(h * 0.2 + k * 40), 0, 0);
      flowers(c, p, 0);
      const float bx = 120;
      barn(c, bx, groundY(bx, 0) + 12, p, static_cast<float>(ramp(u, 0.3, 1.3)));
      for (int i = 0; i < 5; ++i) {
        const double go = ramp(u, 0.8 + i * 0.9, 2.6 + i * 0.9);
        const float x = static_cast<float>(420 - go * (420 - bx));
        const float a = static_cast<float>(1 - ramp(go, 0.9, 1.0));
        sheep(c, x, groundY(x, 0) + 14 - static_cast<float>(std::fabs(std::sin(u * 7 + i)) * 3), false, p, 0.9f, a);
      }
      for (int i = 0; i < 4; ++i) {
        const double rise = std::fmod(u - 4.5 - i * 0.6, 3.0);
        if (u > 4.5 + i * 0.6)
          heart(c, bx - 30 + i * 20.0f, static_cast<float>(groundY(bx, 0) - 140 - rise * 30), 6,
                static_cast<float>(1 - rise / 3));
      }
    } else if (name == "sunset-title") {
      const Palette p = mix(kDusk, kNight, k * 0.6);
      landscape(c, p, t, 0, static_cast<float>(h * 0.48 + k * 60), 0, static_cast<float>(k * 0.6));
      const float bx = 120;
      barn(c, bx, groundY(bx, 0) + 12, p, 1);
      c.rect(bx - 6, groundY(bx, 0) + 12 - 112, 12, 14, {255, 214, 120});
      title(c, "Quillmoor", 70, W / 2 + 60, h * 0.3f, {255, 226, 120}, static_cast<float>(ramp(u, 0.6, 1.8)));
    }
  }
};

Painter::Painter(int width, int height, const std::string& fontFile) : impl_(new Impl) {
  impl_->w = width;
  impl_->h = height;
  if (FT_Init_FreeType(&impl_->ft) == 0) {
    if (FT_New_Face(impl_->ft, fontFile.c_str(), 0, &impl_->face) != 0) impl_->face = nullptr;
  }
}

Painter::~Painter() {
  if (impl_->face != nullptr) FT_Done_Face(impl_->face);
  if (impl_->ft != nullptr) FT_Done_FreeType(impl_->ft);
  delete impl_;
}

void Painter::paint(const Story& story, double t, std::uint8_t* rgb, int stride) {
  Canvas c(rgb, stride, impl_->w, impl_->h);
  const Shot* shot = nullptr;
  for (const Shot& s : story.shots)
    if (t >= s.start && t < s.end) shot = &s;
  if (shot == nullptr) {
    c.rect(0, 0, static_cast<float>(impl_->w), static_cast<float>(impl_->h), {0, 0, 0});
    return;
  }
  const double u = t - shot->start;
  const double d = shot->end - shot->start;
  impl_->scene(c, shot->scene, u, d, t);
  // A short dip between shots, a fade in at the start and out at the end.
  float dark = 0;
  if (shot->start > 0) dark = std::max(dark, static_cast<float>(1 - ramp(u, 0, 0.35)));
  else dark = std::max(dark, static_cast<float>(1 - ramp(u, 0, 1.0)));
  if (shot->end < story.seconds - 0.01) dark = std::max(dark, static_cast<float>(ramp(u, d - 0.35, d)));
  else dark = std::max(dark, static_cast<float>(ramp(u, d - 1.5, d - 0.1)));
  c.darken(dark);
}

bool isKnownScene(const std::string& scene) {
  return std::find(std::begin(kScenes), std::end(kScenes), scene) != std::end(kScenes);
}

bool parseStory(const std::string& text, Story& out, std::string* error) {
  out = Story{};
  std::istringstream in(text);
  std::string line;
  int number = 0;
  auto bad = [&](const std::string& why) {
    if (error != nullptr) *error = "line " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    if (word == "movie") {
      if (!(words >> out.file >> out.seconds) || out.seconds <= 0 || out.seconds > 600) return bad("movie FILE SECONDS");
    } else if (word == "music") {
      if (!(words >> out.music)) return bad("music SCORE");
    } else if (word == "shot") {
      Shot s;
      if (!(words >> s.start >> s.end >> s.scene) || s.end <= s.start) return bad("shot START END SCENE");
      if (!isKnownScene(s.scene)) return bad("unknown scene " + s.scene);
      out.shots.push_back(s);
    } else if (word == "effect") {
      EffectCue e;
      if (!(words >> e.at >> e.name)) return bad("effect AT NAME [GAIN]");
      words >> e.gain;
      out.effects.push_back(e);
    } else {
      return bad("unknown word " + word);
    }
  }
  if (out.file.empty()) return bad("no movie line");
  return true;
}

}  // namespace moviescenes
