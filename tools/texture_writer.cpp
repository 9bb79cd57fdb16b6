#include "tools/texture_writer.h"

#include "tools/app_art.h"
#include "tools/overlay_art.h"
#include "tools/actor_drawings.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace texwriter {
namespace {

void setError(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
}

std::uint8_t clampByte(float v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f)); }

}  // namespace

// --- Picture ----------------------------------------------------------------

Picture::Picture(int width, int height, Rgba fill, int density)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), density_(std::max(density, 1)),
      data_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * static_cast<std::size_t>(density_) *
            static_cast<std::size_t>(density_) * 4u) {
  for (std::size_t i = 0; i < data_.size(); i += 4) {
    data_[i] = fill.r;
    data_[i + 1] = fill.g;
    data_[i + 2] = fill.b;
    data_[i + 3] = fill.a;
  }
}

Rgba Picture::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const std::size_t stride = static_cast<std::size_t>(width_) * static_cast<std::size_t>(density_);
  const std::uint8_t* p = &data_[(static_cast<std::size_t>(y) * density_ * stride + static_cast<std::size_t>(x) * density_) * 4u];
  return Rgba{p[0], p[1], p[2], p[3]};
}

void Picture::setStored(int x, int y, Rgba c) {
  const int w = width_ * density_;
  if (x < 0 || y < 0 || x >= w || y >= height_ * density_) return;
  std::uint8_t* p = &data_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 4u];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
  p[3] = c.a;
}

void Picture::set(int x, int y, Rgba c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  for (int yy = 0; yy < density_; ++yy) {
    for (int xx = 0; xx < density_; ++xx) setStored(x * density_ + xx, y * density_ + yy, c);
  }
}

void Picture::fillRect(int x, int y, int w, int h, Rgba c) {
  const int d = density_;
  for (int yy = std::max(y, 0) * d; yy < std::min(y + h, height_) * d; ++yy) {
    for (int xx = std::max(x, 0) * d; xx < std::min(x + w, width_) * d; ++xx) setStored(xx, yy, c);
  }
}

template <typename Inside>
void Picture::fillStored(float x0, float y0, float x1, float y1, Rgba c, Inside inside) {
  const float d = static_cast<float>(density_);
  const int sx0 = std::max(static_cast<int>(std::floor(x0 * d)), 0);
  const int sy0 = std::max(static_cast<int>(std::floor(y0 * d)), 0);
  const int sx1 = std::min(static_cast<int>(std::ceil(x1 * d)), width_ * density_ - 1);
  const int sy1 = std::min(static_cast<int>(std::ceil(y1 * d)), height_ * density_ - 1);
  for (int y = sy0; y <= sy1; ++y) {
    for (int x = sx0; x <= sx1; ++x) {
      if (inside((static_cast<float>(x) + 0.5f) / d, (static_cast<float>(y) + 0.5f) / d)) setStored(x, y, c);
    }
  }
}

void Picture::fillEllipse(float cx, float cy, float rx, float ry, Rgba c) {
  if (rx <= 0 || ry <= 0) return;
  fillStored(cx - rx, cy - ry, cx + rx, cy + ry, c, [=](float px, float py) {
    const float dx = (px - cx) / rx;
    const float dy = (py - cy) / ry;
    return dx * dx + dy * dy <= 1.0f;
  });
}

void Picture::fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2, Rgba c) {
  auto edge = [](float ax, float ay, float bx, float by, float px, float py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
  };
  const float area = edge(x0, y0, x1, y1, x2, y2);
  if (area == 0) return;
  fillStored(std::min({x0, x1, x2}), std::min({y0, y1, y2}), std::max({x0, x1, x2}), std::max({y0, y1, y2}), c,
             [=](float px, float py) {
               const float w0 = edge(x1, y1, x2, y2, px, py) / area;
               const float w1 = edge(x2, y2, x0, y0, px, py) / area;
               const float w2 = edge(x0, y0, x1, y1, px, py) / area;
               return w0 >= 0 && w1 >= 0 && w2 >= 0;
             });
}

void Picture::fillRoundRect(int x, int y, int w, int h, int radius, Rgba c) {
  if (w <= 0 || h <= 0) return;
  radius = std::clamp(radius, 0, std::min(w, h) / 2);
  fillRect(x + radius, y, w - 2 * radius, h, c);
  fillRect(x, y + radius, w, h - 2 * radius, c);
  const float r = static_cast<float>(radius);
  const float left = static_cast<float>(x) + r;
  const float right = static_cast<float>(x + w) - r;
  const float top = static_cast<float>(y) + r;
  const float bottom = static_cast<float>(y + h) - r;
  fillEllipse(left, top, r, r, c);
  fillEllipse(right, top, r, r, c);
  fillEllipse(left, bottom, r, r, c);
  fillEllipse(right, bottom, r, r, c);
}

void Picture::blit(const Picture& src, int x, int y) {
  for (int yy = 0; yy < src.height(); ++yy) {
    for (int xx = 0; xx < src.width(); ++xx) set(x + xx, y + yy, src.at(xx, yy));
  }
}

Picture Picture::reduced(int by) const {
  if (by < 1 || density_ % by != 0) return *this;
  const int d = density_ / by;
  Picture out(width_ * d, height_ * d);
  const int stride = width_ * density_;
  const float n = static_cast<float>(by * by);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      // Colours weighted by their alpha, so a transparent neighbour adds no
      // dark fringe.
      float r = 0, g = 0, b = 0, a = 0;
      for (int yy = 0; yy < by; ++yy) {
        const std::uint8_t* p = &data_[((static_cast<std::size_t>(y) * by + yy) * stride + static_cast<std::size_t>(x) * by) * 4u];
        for (int xx = 0; xx < by; ++xx, p += 4) {
          const float pa = p[3];
          r += p[0] * pa;
          g += p[1] * pa;
          b += p[2] * pa;
          a += pa;
        }
      }
      if (a <= 0) continue;
      out.setStored(x, y, Rgba{clampByte(r / a + 0.5f), clampByte(g / a + 0.5f), clampByte(b / a + 0.5f),
                               clampByte(a / n + 0.5f)});
    }
  }
  return out;
}

// --- PNG encoding -------------------------------------------------------------

namespace {

struct FormatInfo {
  int colourType;
  int bitDepth;
  int channels;  // samples per pixel as written
};

FormatInfo formatInfo(PngFormat f) {
  switch (f) {
    case PngFormat::Rgba8: return {PNG_COLOR_TYPE_RGB_ALPHA, 8, 4};
    case PngFormat::Rgb8: return {PNG_COLOR_TYPE_RGB, 8, 3};
    case PngFormat::Palette8: return {PNG_COLOR_TYPE_PALETTE, 8, 1};
    case PngFormat::Grey1: return {PNG_COLOR_TYPE_GRAY, 1, 1};
    case PngFormat::Grey2: return {PNG_COLOR_TYPE_GRAY, 2, 1};
    case PngFormat::Grey4: return {PNG_COLOR_TYPE_GRAY, 4, 1};
    case PngFormat::Grey8: return {PNG_COLOR_TYPE_GRAY, 8, 1};
    case PngFormat::GreyTrns8: return {PNG_COLOR_TYPE_GRAY, 8, 1};
    case PngFormat::GreyAlpha8: return {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2};
    case PngFormat::Rgb16: return {PNG_COLOR_TYPE_RGB, 16, 3};
    case PngFormat::Rgba16: return {PNG_COLOR_TYPE_RGB_ALPHA, 16, 4};
    case PngFormat::Grey16: return {PNG_COLOR_TYPE_GRAY, 16, 1};
    case PngFormat::GreyAlpha16: return {PNG_COLOR_TYPE_GRAY_ALPHA, 16, 2};
  }
  return {PNG_COLOR_TYPE_RGB_ALPHA, 8, 4};
}

// The channel values a pixel is written with, 8-bit, in the file's order.
// Palette pictures are written by index and do not come here.
void pixelSamples(PngFormat f, Rgba c, std::uint8_t* out) {
  switch (f) {
    case PngFormat::Rgba8:
    case PngFormat::Rgba16:
      out[3] = c.a;
      [[fallthrough]];
    case PngFormat::Rgb8:
    case PngFormat::Rgb16:
      out[0] = c.r;
      out[1] = c.g;
      out[2] = c.b;
      break;
    case PngFormat::Grey1: out[0] = static_cast<std::uint8_t>(c.r >> 7); break;
    case PngFormat::Grey2: out[0] = static_cast<std::uint8_t>(c.r >> 6); break;
    case PngFormat::Grey4: out[0] = static_cast<std::uint8_t>(c.r >> 4); break;
    case PngFormat::Grey8:
    case PngFormat::GreyTrns8:
    case PngFormat::Grey16: out[0] = c.r; break;
    case PngFormat::GreyAlpha8:
    case PngFormat::GreyAlpha16:
      out[0] = c.r;
      out[1] = c.a;
      break;
    case PngFormat::Palette8: break;
  }
}

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> bytes;
  std::vector<std::vector<std::uint8_t>> rowData;
  std::vector<png_bytep> rows;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;
  png_color_16 greyTrns{};
  ~PngWriter() {
    if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  }
};

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
  w->bytes.insert(w->bytes.end(), data, data + length);
}
void noFlush(png_structp) {}
void jumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quietWarning(png_structp, png_const_charp) {}

bool runWrite(PngWriter& w, int width, int height, const FormatInfo& fi, bool interlaced, bool withGreyTrns) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, &w, &appendBytes, &noFlush);
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), fi.bitDepth,
               fi.colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!w.palette.empty()) {
    png_set_PLTE(w.png, w.info, w.palette.data(), static_cast<int>(w.palette.size()));
  }
  if (!w.paletteAlpha.empty()) {
    png_set_tRNS(w.png, w.info, w.paletteAlpha.data(), static_cast<int>(w.paletteAlpha.size()), nullptr);
  }
  if (withGreyTrns) png_set_tRNS(w.png, w.info, nullptr, 0, &w.greyTrns);
  png_write_info(w.png, w.info);
  if (fi.bitDepth < 8) png_set_packing(w.png);
  png_write_image(w.png, w.rows.data());
  png_write_end(w.png, nullptr);
  return true;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Picture& picture, const PngOptions& options, std::string* error) {
  if (picture.width() <= 0 || picture.height() <= 0) {
    setError(error, "a picture needs a width and a height");
    return {};
  }
  const FormatInfo fi = formatInfo(options.format);
  PngWriter w;
  const int bytesPerSample = fi.bitDepth == 16 ? 2 : 1;
  const std::size_t rowBytes =
      static_cast<std::size_t>(picture.width()) * static_cast<std::size_t>(fi.channels * bytesPerSample);

  std::map<std::uint32_t, int> paletteIndex;
  if (options.format == PngFormat::Palette8) {
    // Transparent colours first, so the tRNS chunk stays short.
    std::set<std::uint32_t> translucent;
    std::set<std::uint32_t> opaque;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        const Rgba c = picture.at(x, y);
        const std::uint32_t key = (std::uint32_t{c.r} << 24) | (std::uint32_t{c.g} << 16) |
                                  (std::uint32_t{c.b} << 8) | c.a;
        (c.a == 255 ? opaque : translucent).insert(key);
      }
    }
    if (translucent.size() + opaque.size() > 256) {
      setError(error, "more than 256 colours for a palette picture");
      return {};
    }
    for (const auto* group : {&translucent, &opaque}) {
      for (std::uint32_t key : *group) {
        paletteIndex[key] = static_cast<int>(w.palette.size());
        w.palette.push_back(png_color{static_cast<png_byte>(key >> 24), static_cast<png_byte>(key >> 16),
                                      static_cast<png_byte>(key >> 8)});
        if (group == &translucent) w.paletteAlpha.push_back(static_cast<png_byte>(key));
      }
    }
  }

  w.rowData.assign(static_cast<std::size_t>(picture.height()), std::vector<std::uint8_t>(rowBytes));
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* out = w.rowData[static_cast<std::size_t>(y)].data();
    for (int x = 0; x < picture.width(); ++x) {
      const Rgba c = picture.at(x, y);
      if (options.format == PngFormat::Palette8) {
        const std::uint32_t key = (std::uint32_t{c.r} << 24) | (std::uint32_t{c.g} << 16) |
                                  (std::uint32_t{c.b} << 8) | c.a;
        *out++ = static_cast<std::uint8_t>(paletteIndex[key]);
        continue;
      }
      std::uint8_t samples[4] = {};
      pixelSamples(options.format, c, samples);
      for (int s = 0; s < fi.channels; ++s) {
        *out++ = samples[s];
        // 16-bit: big-endian; the low byte differs from the high one so a
        // reader that keeps the wrong byte is caught.
        if (bytesPerSample == 2) *out++ = static_cast<std::uint8_t>(255 - samples[s]);
      }
    }
    w.rows.push_back(w.rowData[static_cast<std::size_t>(y)].data());
  }

  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &jumpOnError, &quietWarning);
  if (w.png != nullptr) w.info = png_create_info_struct(w.png);
  const bool greyTrns = options.format == PngFormat::GreyTrns8;
  if (w.info == nullptr || !runWrite(w, picture.width(), picture.height(), fi, options.interlaced, greyTrns)) {
    setError(error, "libpng could not write the picture");
    return {};
  }
  return std::move(w.bytes);
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::error_code ec;
  const std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  std::uint8_t buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

bool writePng(const std::string& path, const Picture& picture, const PngOptions& options, std::string* error) {
  std::vector<std::uint8_t> bytes = encodePng(picture, options, error);
  if (bytes.empty()) return false;
  if (!writeFile(path, bytes)) {
    setError(error, "cannot write " + path);
    return false;
  }
  return true;
}

Picture expectedDecode(const Picture& picture, PngFormat format) {
  // A grey level quantised to bits and expanded back to 8 bits as PNG readers do.
  auto level = [](std::uint8_t v, int bits) {
    const int q = v >> (8 - bits);
    return static_cast<std::uint8_t>(q * 255 / ((1 << bits) - 1));
  };
  auto grey = [](std::uint8_t v, std::uint8_t a) { return Rgba{v, v, v, a}; };
  Picture out(picture.width(), picture.height());
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const Rgba c = picture.at(x, y);
      Rgba e = c;
      switch (format) {
        case PngFormat::Rgba8:
        case PngFormat::Rgba16:
        case PngFormat::Palette8: break;
        case PngFormat::Rgb8:
        case PngFormat::Rgb16: e.a = 255; break;
        case PngFormat::Grey1: e = grey(level(c.r, 1), 255); break;
        case PngFormat::Grey2: e = grey(level(c.r, 2), 255); break;
        case PngFormat::Grey4: e = grey(level(c.r, 4), 255); break;
        case PngFormat::Grey8:
        case PngFormat::Grey16: e = grey(c.r, 255); break;
        case PngFormat::GreyTrns8: e = grey(c.r, c.r == 0 ? 0 : 255); break;
        case PngFormat::GreyAlpha8:
        case PngFormat::GreyAlpha16: e = grey(c.r, c.a); break;
      }
      out.set(x, y, e);
    }
  }
  return out;
}

// --- Sheets and the index ------------------------------------------------------

std::vector<std::uint8_t> encodeTexIndex(const std::vector<SpriteRecord>& records) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(records.size() * 12);
  for (const SpriteRecord& r : records) {
    for (std::int16_t v : {r.id, r.sheet, r.x, r.y, r.width, r.height}) {
      const auto u = static_cast<std::uint16_t>(v);
      bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
  }
  return bytes;
}

bool packSheet(int number, const std::vector<NamedSprite>& sprites, int maxSide, int padding, PackedSheet& out,
               std::string* error) {
  if (maxSide <= 0 || maxSide > 32767 || padding < 0) {
    setError(error, "bad sheet size");
    return false;
  }
  std::vector<const NamedSprite*> order;
  for (const NamedSprite& s : sprites) order.push_back(&s);
  std::stable_sort(order.begin(), order.end(),
                   [](const NamedSprite* a, const NamedSprite* b) { return a->picture.height() > b->picture.height(); });

  struct Place {
    const NamedSprite* sprite;
    int x, y;
  };
  std::vector<Place> places;
  int x = 0;
  int y = 0;
  int shelfHeight = 0;
  int usedWidth = 0;
  for (const NamedSprite* s : order) {
    const int w = s->picture.width();
    const int h = s->picture.height();
    if (w <= 0 || h <= 0 || w > maxSide || h > maxSide) {
      setError(error, "sprite " + std::to_string(s->id) + " (" + s->label + ") does not fit a sheet");
      return false;
    }
    if (x > 0 && x + w > maxSide) {
      y += shelfHeight + padding;
      x = 0;
      shelfHeight = 0;
    }
    if (y + h > maxSide) {
      setError(error, "sheet " + std::to_string(number) + " is full at sprite " + std::to_string(s->id) + " (" +
                          s->label + ")");
      return false;
    }
    places.push_back({s, x, y});
    usedWidth = std::max(usedWidth, x + w);
    shelfHeight = std::max(shelfHeight, h);
    x += w + padding;
  }
  out = PackedSheet{};
  out.number = number;
  out.picture = Picture(std::max(usedWidth, 1), std::max(y + shelfHeight, 1));
  // Records in id order, whatever order the shelves took.
  std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) { return a.sprite->id < b.sprite->id; });
  for (const Place& p : places) {
    out.picture.blit(p.sprite->picture, p.x, p.y);
    out.records.push_back(SpriteRecord{static_cast<std::int16_t>(p.sprite->id), static_cast<std::int16_t>(number),
                                       static_cast<std::int16_t>(p.x), static_cast<std::int16_t>(p.y),
                                       static_cast<std::int16_t>(p.sprite->picture.width()),
                                       static_cast<std::int16_t>(p.sprite->picture.height())});
  }
  return true;
}

// --- Drawings -------------------------------------------------------------------

namespace {

bool parseColour(const std::string& text, Rgba& out) {
  if (text.size() != 6 && text.size() != 8) return false;
  unsigned v[4] = {0, 0, 0, 255};
  for (std::size_t i = 0; i < text.size() / 2; ++i) {
    const std::string byte = text.substr(i * 2, 2);
    if (byte.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    v[i] = static_cast<unsigned>(std::stoul(byte, nullptr, 16));
  }
  out = Rgba{static_cast<std::uint8_t>(v[0]), static_cast<std::uint8_t>(v[1]), static_cast<std::uint8_t>(v[2]),
             static_cast<std::uint8_t>(v[3])};
  return true;
}

bool parseInt(const std::string& text, int& out) {
  if (text.empty() || text.size() > 9) return false;
  std::size_t start = text[0] == '-' ? 1 : 0;
  if (start == text.size() || text.find_first_not_of("0123456789", start) != std::string::npos) return false;
  out = std::stoi(text);
  return true;
}

Rgba shade(Rgba c, float k) {
  return Rgba{clampByte(c.r * k), clampByte(c.g * k), clampByte(c.b * k), c.a};
}

void drawSheep(Picture& p) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  const Rgba wool{245, 245, 235, 255};
  const Rgba woolShade{215, 215, 205, 255};
  const Rgba dark{40, 40, 45, 255};
  // Legs, then the fleece as overlapping puffs, then the head.
  for (float lx : {0.3f, 0.45f, 0.6f, 0.72f}) {
    p.fillRect(static_cast<int>(w * lx), static_cast<int>(h * 0.65f), std::max(2, static_cast<int>(w * 0.06f)),
               static_cast<int>(h * 0.33f), dark);
  }
  p.fillEllipse(w * 0.52f, h * 0.5f, w * 0.34f, h * 0.27f, woolShade);
  for (float px : {0.3f, 0.45f, 0.6f, 0.74f}) {
    p.fillEllipse(w * px, h * 0.38f, w * 0.12f, h * 0.13f, wool);
    p.fillEllipse(w * px, h * 0.58f, w * 0.12f, h * 0.12f, wool);
  }
  p.fillEllipse(w * 0.52f, h * 0.48f, w * 0.28f, h * 0.2f, wool);
  p.fillEllipse(w * 0.16f, h * 0.42f, w * 0.13f, h * 0.15f, dark);
  p.fillEllipse(w * 0.12f, h * 0.38f, w * 0.025f + 1, h * 0.03f + 1, Rgba{255, 255, 255, 255});
}

void drawWolf(Picture& p) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  const Rgba fur{110, 110, 125, 255};
  const Rgba furDark{70, 70, 85, 255};
  const Rgba belly{170, 170, 180, 255};
  for (float lx : {0.3f, 0.42f, 0.62f, 0.74f}) {
    p.fillRect(static_cast<int>(w * lx), static_cast<int>(h * 0.62f), std::max(2, static_cast<int>(w * 0.06f)),
               static_cast<int>(h * 0.36f), furDark);
  }
  p.fillTriangle(w * 0.8f, h * 0.45f, w * 0.99f, h * 0.2f, w * 0.86f, h * 0.6f, furDark);  // tail
  p.fillEllipse(w * 0.55f, h * 0.5f, w * 0.3f, h * 0.2f, fur);
  p.fillEllipse(w * 0.55f, h * 0.58f, w * 0.22f, h * 0.1f, belly);
  p.fillEllipse(w * 0.2f, h * 0.38f, w * 0.14f, h * 0.16f, fur);
  p.fillTriangle(w * 0.02f, h * 0.45f, w * 0.14f, h * 0.33f, w * 0.14f, h * 0.5f, fur);  // snout
  p.fillTriangle(w * 0.14f, h * 0.28f, w * 0.18f, h * 0.05f, w * 0.24f, h * 0.26f, furDark);  // ears
  p.fillTriangle(w * 0.22f, h * 0.27f, w * 0.28f, h * 0.06f, w * 0.31f, h * 0.3f, furDark);
  p.fillEllipse(w * 0.17f, h * 0.35f, w * 0.025f + 1, h * 0.03f + 1, Rgba{230, 40, 30, 255});
}

void drawBlock(Picture& p, Rgba c) {
  const int w = p.width();
  const int h = p.height();
  const int border = std::max(1, std::min(w, h) / 10);
  p.fillRect(0, 0, w, h, shade(c, 0.6f));
  p.fillRect(border, border, w - 2 * border, h - 2 * border, c);
  // Grain lines across the face.
  for (int y = border + 3; y < h - border; y += std::max(3, h / 6)) {
    p.fillRect(border + 1, y, w - 2 * border - 2, 1, shade(c, 0.85f));
  }
  p.fillRect(border, border, w - 2 * border, 1, shade(c, 1.25f));
}

void drawButton(Picture& p, Rgba c) {
  const int w = p.width();
  const int h = p.height();
  const int r = std::min(w, h) / 3;
  p.fillRoundRect(0, 0, w, h, r, shade(c, 0.55f));
  p.fillRoundRect(2, 2, w - 4, h - 4, r - 1, c);
  p.fillRoundRect(4, 3, w - 8, h / 2 - 3, r / 2, shade(c, 1.3f));
}

void drawGradient(Picture& p, Rgba top, Rgba bottom) {
  for (int y = 0; y < p.height(); ++y) {
    const float t = p.height() > 1 ? static_cast<float>(y) / static_cast<float>(p.height() - 1) : 0.0f;
    auto mix = [t](std::uint8_t a, std::uint8_t b) {
      return clampByte(static_cast<float>(a) + (static_cast<float>(b) - static_cast<float>(a)) * t + 0.5f);
    };
    p.fillRect(0, y, p.width(), 1, Rgba{mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), mix(top.a, bottom.a)});
  }
}

void drawChecker(Picture& p, Rgba a, Rgba b, int cell) {
  cell = std::max(cell, 1);
  for (int y = 0; y < p.height(); ++y) {
    for (int x = 0; x < p.width(); ++x) p.set(x, y, ((x / cell + y / cell) % 2 == 0) ? a : b);
  }
}

// Red, green, blue and white quarters (top left, top right, bottom left,
// bottom right): shows at a glance whether a picture is flipped or turned.
void drawQuadrants(Picture& p) {
  const int hw = p.width() / 2;
  const int hh = p.height() / 2;
  p.fillRect(0, 0, hw, hh, Rgba{255, 0, 0, 255});
  p.fillRect(hw, 0, p.width() - hw, hh, Rgba{0, 255, 0, 255});
  p.fillRect(0, hh, hw, p.height() - hh, Rgba{0, 0, 255, 255});
  p.fillRect(hw, hh, p.width() - hw, p.height() - hh, Rgba{255, 255, 255, 255});
}

// A smooth field with grain, which compresses about as badly as a painted
// picture does.
void drawNoise(Picture& p, unsigned seed) {
  std::uint32_t state = seed * 2654435761u + 1u;
  for (int y = 0; y < p.height(); ++y) {
    for (int x = 0; x < p.width(); ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      const int grain = static_cast<int>(state & 15u) - 8;
      const float fx = static_cast<float>(x) / static_cast<float>(std::max(p.width(), 1));
      const float fy = static_cast<float>(y) / static_cast<float>(std::max(p.height(), 1));
      p.set(x, y,
            Rgba{clampByte(60 + 150 * fx + grain), clampByte(90 + 120 * fy + grain),
                 clampByte(200 - 120 * fx * fy + grain), clampByte(255 - 40 * fy + grain)});
    }
  }
}

// A meadow under a sky: rolling hills in two greens, a far one paler.
void drawHills(Picture& p, Rgba skyTop, Rgba skyBottom, Rgba grass) {
  drawGradient(p, skyTop, skyBottom);
  const int w = p.width();
  const int h = p.height();
  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  p.fillEllipse(fw * 0.25f, fh * 1.05f, fw * 0.55f, fh * 0.42f, shade(grass, 1.25f));
  p.fillEllipse(fw * 0.85f, fh * 1.1f, fw * 0.5f, fh * 0.45f, shade(grass, 1.1f));
  p.fillEllipse(fw * 0.5f, fh * 1.25f, fw * 0.8f, fh * 0.5f, grass);
  // Tufts of grass along the front hill.
  for (int x = 6; x < w; x += 23) {
    const float fx = static_cast<float>(x);
    const float top = fh * 1.25f - fh * 0.5f * std::sqrt(std::max(0.0f, 1.0f - std::pow((fx - fw * 0.5f) / (fw * 0.8f), 2.0f)));
    p.fillTriangle(fx - 3, top + 10, fx, top + 2, fx + 3, top + 10, shade(grass, 0.75f));
  }
}

// A framed panel with round corners: a dark border, the face, a light edge.
void drawPanel(Picture& p, Rgba face, Rgba border) {
  const int w = p.width();
  const int h = p.height();
  const int r = std::max(2, std::min(w, h) / 8);
  p.fillRoundRect(0, 0, w, h, r, border);
  p.fillRoundRect(3, 3, w - 6, h - 6, r - 2, face);
  p.fillRect(r, 4, w - 2 * r, 2, shade(face, 1.15f));
}

// An arrow pointing right with a darker rim.
void drawArrow(Picture& p, Rgba c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  const Rgba rim = shade(c, 0.55f);
  p.fillRect(0, static_cast<int>(h * 0.3f), static_cast<int>(w * 0.6f), static_cast<int>(h * 0.4f) + 1, rim);
  p.fillTriangle(w * 0.5f, 0, w, h / 2, w * 0.5f, h, rim);
  p.fillRect(2, static_cast<int>(h * 0.3f) + 2, static_cast<int>(w * 0.6f) - 2, static_cast<int>(h * 0.4f) - 3, c);
  p.fillTriangle(w * 0.5f + 2, 5, w - 4, h / 2, w * 0.5f + 2, h - 5, c);
}

// A soft white cloud of overlapping puffs.
void drawCloud(Picture& p, Rgba c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillEllipse(w * 0.3f, h * 0.62f, w * 0.26f, h * 0.3f, c);
  p.fillEllipse(w * 0.55f, h * 0.42f, w * 0.28f, h * 0.38f, c);
  p.fillEllipse(w * 0.75f, h * 0.62f, w * 0.23f, h * 0.28f, c);
  p.fillRect(static_cast<int>(w * 0.3f), static_cast<int>(h * 0.6f), static_cast<int>(w * 0.45f), static_cast<int>(h * 0.32f), c);
}


// Draws a drawing of plain shapes into out, in out's own coordinates.
bool drawShapes(const std::string& drawing, const std::vector<std::string>& args, int width, int height,
                Picture& out, std::string* error) {
  auto colourArg = [&](std::size_t i, Rgba& c) {
    if (i < args.size() && parseColour(args[i], c)) return true;
    setError(error, drawing + ": argument " + std::to_string(i + 1) + " must be a colour RRGGBB or RRGGBBAA");
    return false;
  };
  auto intArg = [&](std::size_t i, int& v) {
    if (i < args.size() && parseInt(args[i], v)) return true;
    setError(error, drawing + ": argument " + std::to_string(i + 1) + " must be a number");
    return false;
  };
  Rgba a;
  Rgba b;
  int n = 0;
  if (drawing == "sheep") {
    drawSheep(out);
  } else if (drawing == "wolf") {
    drawWolf(out);
  } else if (drawing == "block") {
    if (!colourArg(0, a)) return false;
    drawBlock(out, a);
  } else if (drawing == "button") {
    if (!colourArg(0, a)) return false;
    drawButton(out, a);
  } else if (drawing == "disc") {
    if (!colourArg(0, a)) return false;
    out.fillEllipse(width / 2.0f, height / 2.0f, width / 2.0f, height / 2.0f, a);
  } else if (drawing == "fill") {
    if (!colourArg(0, a)) return false;
    out.fillRect(0, 0, width, height, a);
  } else if (drawing == "gradient") {
    if (!colourArg(0, a) || !colourArg(1, b)) return false;
    drawGradient(out, a, b);
  } else if (drawing == "checker") {
    if (!colourArg(0, a) || !colourArg(1, b) || !intArg(2, n)) return false;
    drawChecker(out, a, b, n);
  } else if (drawing == "quadrants") {
    drawQuadrants(out);
  } else if (drawing == "hills") {
    Rgba grass;
    if (!colourArg(0, a) || !colourArg(1, b) || !colourArg(2, grass)) return false;
    drawHills(out, a, b, grass);
  } else if (drawing == "panel") {
    if (!colourArg(0, a) || !colourArg(1, b)) return false;
    drawPanel(out, a, b);
  } else if (drawing == "arrow") {
    if (!colourArg(0, a)) return false;
    drawArrow(out, a);
  } else if (drawing == "cloud") {
    if (!colourArg(0, a)) return false;
    drawCloud(out, a);
  } else if (drawing == "noise") {
    if (!intArg(0, n)) return false;
    drawNoise(out, static_cast<unsigned>(n));
  } else if (isActorDrawing(drawing)) {
    std::vector<Rgba> colours(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (!colourArg(i, colours[i])) return false;
    }
    if (!drawActorPicture(drawing, colours, out, error)) return false;
  } else {
    setError(error, "unknown drawing \"" + drawing + "\"");
    return false;
  }
  return true;
}

// Drawings that fill whole pixels: nothing to smooth.
bool isFlatDrawing(const std::string& drawing) {
  return drawing == "fill" || drawing == "gradient" || drawing == "checker" || drawing == "quadrants" ||
         drawing == "noise";
}

}  // namespace

bool drawPicture(const std::string& drawing, const std::vector<std::string>& args, int width, int height,
                 Picture& out, std::string* error, int scale) {
  if (scale < 1 || scale > 4 || width <= 0 || height <= 0 || width * scale > 8192 || height * scale > 8192) {
    setError(error, "picture size out of range");
    return false;
  }
  // The overlays' and screens' pictures draw their own smooth shapes at the
  // size they are given.
  if (drawing == "screen-art") {
    out = Picture(width * scale, height * scale);
    return drawScreenArt(args, width * scale, height * scale, out, error);
  }
  if (drawing == "art") {
    if (args.empty()) {
      setError(error, "art: a picture name must follow");
      return false;
    }
    out = Picture(width * scale, height * scale);
    return drawOverlayArt(args[0], width * scale, height * scale, out, error);
  }
  // 4 x 4 samples a pixel; fewer for a picture so large that they would not
  // fit in a few tens of megabytes.
  int samples = isFlatDrawing(drawing) ? 1 : 4;
  while (samples > 1 && static_cast<double>(width) * height * scale * scale * samples * samples > 16e6) samples /= 2;
  Picture canvas(width, height, {}, scale * samples);
  if (!drawShapes(drawing, args, width, height, canvas, error)) return false;
  out = canvas.reduced(samples);
  return true;
}

// --- Manifest -------------------------------------------------------------------

namespace {

bool parseFormat(const std::string& word, PngFormat& out) {
  static const std::map<std::string, PngFormat> names = {
      {"rgba", PngFormat::Rgba8},          {"rgb", PngFormat::Rgb8},
      {"palette", PngFormat::Palette8},    {"grey1", PngFormat::Grey1},
      {"grey2", PngFormat::Grey2},         {"grey4", PngFormat::Grey4},
      {"grey", PngFormat::Grey8},          {"grey-trns", PngFormat::GreyTrns8},
      {"grey-alpha", PngFormat::GreyAlpha8}, {"rgb16", PngFormat::Rgb16},
      {"rgba16", PngFormat::Rgba16},       {"grey16", PngFormat::Grey16},
      {"grey-alpha16", PngFormat::GreyAlpha16},
  };
  auto it = names.find(word);
  if (it == names.end()) return false;
  out = it->second;
  return true;
}

bool validName(const std::string& name) {
  return !name.empty() && name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") ==
                              std::string::npos;
}

}  // namespace

bool parseManifest(const std::string& text, Manifest& out, std::string* error) {
  out = Manifest{};
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  std::set<int> ids;
  std::set<std::string> names;
  auto fail = [&](const std::string& message) {
    setError(error, "line " + std::to_string(lineNumber) + ": " + message);
    return false;
  };
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (const std::size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    if (w[0] == "sheet") {
      ManifestSheet sheet;
      if (w.size() > 2 && w.back() == "double") {
        sheet.scale = 2;
        w.pop_back();
      }
      if (w.size() < 2 || w.size() > 3 || !parseInt(w[1], sheet.number) || sheet.number < 0 || sheet.number > 32767) {
        return fail("sheet <number 0-32767> [<largest side>] [double]");
      }
      if (w.size() == 3 && (!parseInt(w[2], sheet.maxSide) || sheet.maxSide < 1 || sheet.maxSide > 8192)) {
        return fail("the largest side of a sheet is 1 to 8192");
      }
      for (const ManifestSheet& s : out.sheets) {
        if (s.number == sheet.number) return fail("sheet " + w[1] + " appears twice");
      }
      out.sheets.push_back(sheet);
    } else if (w[0] == "sprite") {
      if (out.sheets.empty()) return fail("a sprite must follow a sheet line");
      NamedSprite sprite;
      int width = 0;
      int height = 0;
      if (w.size() < 6 || !parseInt(w[1], sprite.id) || sprite.id < 0 || sprite.id > 32767 ||
          !parseInt(w[3], width) || !parseInt(w[4], height)) {
        return fail("sprite <id 0-32767> <label> <width> <height> <drawing> [arguments]");
      }
      if (!ids.insert(sprite.id).second) return fail("sprite id " + w[1] + " appears twice");
      sprite.label = w[2];
      const int maxSide = out.sheets.back().maxSide;
      const int scale = out.sheets.back().scale;
      if (width * scale > maxSide || height * scale > maxSide) {
        return fail("sprite " + w[1] + " is larger than its sheet (" + std::to_string(maxSide) + ")");
      }
      std::string drawError;
      if (!drawPicture(w[5], {w.begin() + 6, w.end()}, width, height, sprite.picture, &drawError, scale)) {
        return fail(drawError);
      }
      out.sheets.back().sprites.push_back(std::move(sprite));
    } else if (w[0] == "texture") {
      ManifestTexture texture;
      int width = 0;
      int height = 0;
      if (w.size() < 6 || !validName(w[1]) || !parseInt(w[2], width) || !parseInt(w[3], height) ||
          !parseFormat(w[4], texture.options.format)) {
        return fail("texture <name> <width> <height> <format> [interlaced] <drawing> [arguments]");
      }
      if (!names.insert(w[1]).second) return fail("texture " + w[1] + " appears twice");
      if (w[1].size() > 3 && w[1].compare(0, 3, "tex") == 0 &&
          w[1].find_first_not_of("0123456789", 3) == std::string::npos) {
        return fail("texture " + w[1] + " would overwrite the sheet file of the same name");
      }
      texture.name = w[1];
      std::size_t drawingAt = 5;
      if (w[5] == "interlaced") {
        texture.options.interlaced = true;
        drawingAt = 6;
        if (w.size() < 7) return fail("a drawing must follow \"interlaced\"");
      }
      std::string drawError;
      if (!drawPicture(w[drawingAt], {w.begin() + static_cast<long>(drawingAt) + 1, w.end()}, width, height,
                       texture.picture, &drawError)) {
        return fail(drawError);
      }
      out.textures.push_back(std::move(texture));
    } else {
      return fail("unknown line \"" + w[0] + "\"");
    }
  }
  return true;
}

bool buildTextures(const Manifest& manifest, const std::string& outDir, std::string* error) {
  const std::string dir = outDir + "/textures/";
  std::vector<SpriteRecord> records;
  for (const ManifestSheet& sheet : manifest.sheets) {
    PackedSheet packed;
    if (!packSheet(sheet.number, sheet.sprites, sheet.maxSide, 2, packed, error)) return false;
    if (!writePng(dir + "tex" + std::to_string(sheet.number) + ".bin", packed.picture, {}, error)) return false;
    records.insert(records.end(), packed.records.begin(), packed.records.end());
  }
  for (const ManifestTexture& texture : manifest.textures) {
    if (!writePng(dir + texture.name + ".bin", texture.picture, texture.options, error)) return false;
  }
  if (!writeFile(dir + "tex.dat", encodeTexIndex(records))) {
    setError(error, "cannot write " + dir + "tex.dat");
    return false;
  }
  return true;
}

}  // namespace texwriter
