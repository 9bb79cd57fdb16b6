// Loading a font: FreeType rasterises the glyph set, the packer places the
// bitmaps in rows, and the atlas (and for an outlined font the dilated outline
// atlas) is uploaded as a luminance-alpha texture.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_BITMAP_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "app/LocalizedText.h"
#include "app/ResourcePaths.h"
#include "render_engine/Font.h"
#include "render_engine/Texture.h"
#include "render_engine/TexturePng.h"

namespace RenderEngine {
namespace {

// Limits that keep a hostile font file from sizing the atlas: the game's
// fonts are 20 to 60 points with outlines of 2.
constexpr int kMaxPointSize = 256;
constexpr int kMaxPadding = 64;
constexpr int kMaxOutlineWidth = 16;
constexpr int kMaxAtlasSide = 8192;

bool gKeepAtlasPixels = false;

struct LibraryGuard {
  FT_Library library = nullptr;
  ~LibraryGuard() {
    if (library != nullptr) FT_Done_FreeType(library);
  }
};
struct FaceGuard {
  FT_Face face = nullptr;
  ~FaceGuard() {
    if (face != nullptr) FT_Done_Face(face);
  }
};
struct GlyphGuard {
  FT_Glyph glyph = nullptr;
  ~GlyphGuard() {
    if (glyph != nullptr) FT_Done_Glyph(glyph);
  }
};
struct BitmapGuard {
  FT_Library library;
  FT_Bitmap bitmap;
  explicit BitmapGuard(FT_Library lib) : library(lib) { FT_Bitmap_Init(&bitmap); }
  ~BitmapGuard() { FT_Bitmap_Done(library, &bitmap); }
};

}  // namespace

void CFont::setKeepAtlasPixels(bool keep) { gKeepAtlasPixels = keep; }

void CFont::load(const std::string& file, int size, int padding, const char* glyphSet) {
  path_ = resolveResourcePath("font/" + file);
  cellSize_ = static_cast<float>(size);
  spacing_ = 0.0f;
  belowLine_ = 0.0f;
  scale_ = 1.0f;
  setColor(-1.0f, -1.0f, -1.0f, -1.0f);
  clearGlyphTable();
  padding_ = std::clamp(padding, 0, kMaxPadding);
  loadFace(path_, size, padding_, glyphSet);
}

void CFont::load(const std::string& file, int size) { load(file, size, 1, kDefaultGlyphSet); }

void CFont::beginAtlas(int /*capacity*/, const char* glyphSet, int padding) {
  const double bytes = static_cast<double>(std::strlen(glyphSet));
  const double side = std::ceil(std::sqrt(bytes)) * std::ceil(cellSize_ + 2.0f * static_cast<float>(padding));
  packer_ = Packer{};
  packer_.pitch = nextPowerOfTwo(static_cast<int>(std::clamp(side, 1.0, static_cast<double>(kMaxAtlasSide))));
  packer_.lineStep = static_cast<int>(std::ceil(cellSize_));
  packer_.padding = padding;
  packedGlyphs_.clear();
  packedBitmaps_.clear();
}

void CFont::packBitmap(const std::uint8_t* bitmap, int w, int r, int (&rect)[4]) {
  Packer& p = packer_;
  const int pad2 = 2 * p.padding;
  if (p.cursorX + w + pad2 > p.pitch) {
    p.widestRow = std::max(p.widestRow, p.cursorX);
    p.cursorX = 0;
    p.cursorY += p.rowHeight + pad2;
    p.rowHeight = 0;
  }
  rect[0] = p.cursorX;
  rect[1] = p.cursorY;
  rect[2] = p.cursorX + w + pad2;
  rect[3] = p.cursorY + r + pad2;
  PackedGlyph g;
  g.x = p.cursorX;
  g.y = p.cursorY;
  g.width = w;
  g.rows = r;
  g.offset = static_cast<int>(packedBitmaps_.size());
  packedBitmaps_.insert(packedBitmaps_.end(), bitmap, bitmap + static_cast<std::size_t>(w) * r);
  packedGlyphs_.push_back(g);
  p.rowHeight = std::max(p.rowHeight, r);
  p.cursorX += w + pad2;
  // The texture covers every rectangle, the last row's included.
  p.bottom = std::max(p.bottom, rect[3]);
}

void CFont::atlasSize(int& width, int& height) const {
  // Snug where the driver takes any size: the glyphs' padding and the empty
  // texels past them read the same to the filter as a power of two's.
  width = textureSideFor(std::max(packer_.widestRow, packer_.cursorX), textureSides());
  height = textureSideFor(std::max(packer_.cursorY, packer_.bottom), textureSides());
}

PixelBuffer CFont::composeFill(int width, int height) const {
  // Luminance 255, alpha 0: one row written, then copied down; nothing is
  // cleared first, every byte is written once.
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 2;
  PixelBuffer out(static_cast<std::uint8_t*>(std::malloc(rowBytes * static_cast<std::size_t>(height))));
  if (!out) throw std::runtime_error("font atlas: out of memory");
  for (std::size_t i = 0; i < rowBytes; i += 2) {
    out[i] = 255;
    out[i + 1] = 0;
  }
  for (int y = 1; y < height; ++y) std::memcpy(out.get() + rowBytes * y, out.get(), rowBytes);
  const int p = packer_.padding;
  for (const PackedGlyph& g : packedGlyphs_) {
    const std::uint8_t* src = packedBitmaps_.data() + g.offset;
    for (int row = 0; row < g.rows; ++row) {
      std::uint8_t* dst = out.get() + (static_cast<std::size_t>(g.y + p + row) * width + g.x + p) * 2 + 1;
      for (int col = 0; col < g.width; ++col) dst[col * 2] = src[row * g.width + col];
    }
  }
  return out;
}

void CFont::normaliseTexCoords(int width, int height) {
  for (auto& slot : texCoords_) {
    for (int v = 0; v < kVerticesPerGlyph; ++v) {
      slot[v * 2] /= static_cast<float>(width);
      slot[v * 2 + 1] /= static_cast<float>(height);
    }
  }
  atlasWidth_ = width;
  atlasHeight_ = height;
}

void CFont::uploadTexture(GLuint name, const std::uint8_t* pixels, int width, int height) {
  const TextureGlBackend& gl = TextureGlBackend::current();
  gl.pixelStorei(GL_UNPACK_ALIGNMENT, 1);
  bindTextureCached(name);
  gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  gl.texImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, width, height, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, pixels);
  gl.pixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

PixelBuffer CFont::buildFill(int& width, int& height) const {
  atlasSize(width, height);
  if (width > kMaxAtlasSide || height > kMaxAtlasSide || width == 0 || height == 0) {
    throw std::runtime_error("font atlas too large");
  }
  return composeFill(width, height);
}

std::vector<std::uint8_t> CFont::keptCopy(const PixelBuffer& pixels, int width, int height) {
  if (!gKeepAtlasPixels) return {};
  return std::vector<std::uint8_t>(pixels.get(), pixels.get() + static_cast<std::size_t>(width) * height * 2);
}

void CFont::finishAtlas(int width, int height, const PixelBuffer& fill) {
  normaliseTexCoords(width, height);
  atlasPixels_ = keptCopy(fill, width, height);
  packedGlyphs_.clear();
  packedBitmaps_.clear();
  packedBitmaps_.shrink_to_fit();
}

void CFont::uploadAtlas() {
  int width = 0;
  int height = 0;
  const PixelBuffer fill = buildFill(width, height);
  uploadTexture(atlasTexture_, fill.get(), width, height);
  finishAtlas(width, height, fill);
}

void CFont::loadFace(const std::string& path, int size, int padding, const char* glyphSet) {
  try {
    LibraryGuard lib;
    if (FT_Init_FreeType(&lib.library) != 0) throw std::runtime_error("FT_Init_FreeType failed");
    FaceGuard face;
    if (FT_New_Face(lib.library, path.c_str(), 0, &face.face) != 0) {
      throw std::runtime_error("FT_New_Face failed (there is probably a problem with your font file)");
    }
    if (size < 1 || size > kMaxPointSize ||
        FT_Set_Char_Size(face.face, size * 64, size * 64, 72, 72) != 0) {
      throw std::runtime_error("FT_Set_Char_Size failed");
    }
    if (atlasTexture_ == 0) TextureGlBackend::current().genTextures(1, &atlasTexture_);
    const int p = std::clamp(padding, 0, kMaxPadding);
    beginAtlas(kGlyphSlots, glyphSet, p);
    const int s = static_cast<int>(cellSize_);
    // A glyph larger than this is a damaged font's, not a letter: drawn empty.
    const int maxGlyphSide = 4 * size + 64;
    BitmapGuard gray(lib.library);
    const unsigned char* cursor = reinterpret_cast<const unsigned char*>(glyphSet);
    while (*cursor != 0) {
      int length = 1;
      const std::uint32_t c = decodeUtf8Char(cursor, &length);
      cursor += std::max(length, 1);
      const FT_UInt index = FT_Get_Char_Index(face.face, c);
      if (FT_Load_Glyph(face.face, index, FT_LOAD_DEFAULT) != 0) throw std::runtime_error("FT_Load_Glyph failed");
      const int slot = glyphSlotOf(c);
      GlyphGuard glyph;
      if (FT_Get_Glyph(face.face->glyph, &glyph.glyph) != 0) throw std::runtime_error("FT_Get_Glyph failed");
      FT_Glyph_To_Bitmap(&glyph.glyph, FT_RENDER_MODE_NORMAL, nullptr, 1);
      int left = 0;
      int top = 0;
      int width = 0;
      int rows = 0;
      const std::uint8_t* pixels = nullptr;
      if (glyph.glyph->format == FT_GLYPH_FORMAT_BITMAP) {
        const auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(glyph.glyph);
        const FT_Bitmap* bitmap = &bitmapGlyph->bitmap;
        left = bitmapGlyph->left;
        top = bitmapGlyph->top;
        // Embedded strikes can be 1, 2 or 4 bits per pixel or colour: made
        // 8-bit coverage with one byte per column.
        if (bitmap->pixel_mode != FT_PIXEL_MODE_GRAY || bitmap->pitch != static_cast<int>(bitmap->width)) {
          if (FT_Bitmap_Convert(lib.library, bitmap, &gray.bitmap, 1) == 0) {
            if (gray.bitmap.num_grays > 1 && gray.bitmap.num_grays < 256) {
              const unsigned levels = gray.bitmap.num_grays - 1;
              for (unsigned i = 0; i < gray.bitmap.rows * gray.bitmap.width; ++i) {
                gray.bitmap.buffer[i] = static_cast<unsigned char>(std::min(255u, gray.bitmap.buffer[i] * 255u / levels));
              }
            }
            bitmap = &gray.bitmap;
          } else {
            bitmap = nullptr;
          }
        }
        if (bitmap != nullptr && bitmap->buffer != nullptr && static_cast<int>(bitmap->width) <= maxGlyphSide &&
            static_cast<int>(bitmap->rows) <= maxGlyphSide && bitmap->pitch == static_cast<int>(bitmap->width)) {
          width = static_cast<int>(bitmap->width);
          rows = static_cast<int>(bitmap->rows);
          pixels = bitmap->buffer;
        }
      }
      static const std::uint8_t kNothing = 0;
      int rect[4];
      packBitmap(pixels != nullptr ? pixels : &kNothing, width, rows, rect);
      const int x0 = left - p;
      const int x1 = left + width + p;
      const int y0 = s - top - p;
      const int y1 = s - top + rows + p;
      const int xy[12] = {x0, y0, x0, y1, x1, y1, x0, y0, x1, y1, x1, y0};
      const int st[12] = {rect[0], rect[1], rect[0], rect[3], rect[2], rect[3],
                          rect[0], rect[1], rect[2], rect[3], rect[2], rect[1]};
      for (int i = 0; i < 12; ++i) {
        quads_[slot][i] = static_cast<GLshort>(xy[i]);
        texCoords_[slot][i] = static_cast<GLfloat>(st[i]);
      }
      advances_[slot] = static_cast<float>(face.face->glyph->advance.x >> 6);
      if (top != rows) belowLine_ = std::max(belowLine_, static_cast<float>(top + s - rows));
    }
    packer_.cursorY += packer_.lineStep + 2 * p;
    uploadAtlas();
    lineHeight_ = static_cast<float>(face.face->size->metrics.height >> 6);
  } catch (...) {
    // A font that failed draws nothing and measures zero.
    clearGlyphTable();
    belowLine_ = 0.0f;
    lineHeight_ = 0.0f;
    packedGlyphs_.clear();
    packedBitmaps_.clear();
    releaseTexture();
    throw;
  }
}

void CFont::reload(int mode) {
  // Dropped in every mode: a rebuild over live textures would leak them.
  releaseTexture();
  if (mode != 1 && mode != 2) return;
  clearGlyphTable();
  belowLine_ = 0.0f;
  loadFace(path_, static_cast<int>(cellSize_), padding_, kDefaultGlyphSet);
}

// ---------------------------------------------------------------------------
// Outlined font

void COutlinedFont::load(const std::string& file, int size, int outlineWidth, const char* glyphSet) {
  outlineWidth_ = std::clamp(outlineWidth, 0, kMaxOutlineWidth);
  CFont::load(file, size, outlineWidth_ + 1, glyphSet);
}

void COutlinedFont::load(const std::string& file, int size, int outlineWidth) {
  load(file, size, outlineWidth, kDefaultGlyphSet);
}

void COutlinedFont::loadFace(const std::string& path, int size, int padding, const char* glyphSet) {
  if (outlineTexture_ == 0) TextureGlBackend::current().genTextures(1, &outlineTexture_);
  CFont::loadFace(path, size, padding, glyphSet);
  const float grow = 2.0f * static_cast<float>(outlineWidth_);
  cellSize_ += grow;
  for (float& advance : advances_) advance += grow;
}

void COutlinedFont::reload(int mode) {
  if (mode == 1 || mode == 2) cellSize_ -= 2.0f * static_cast<float>(outlineWidth_);
  CFont::reload(mode);
}

void COutlinedFont::uploadAtlas() {
  int width = 0;
  int height = 0;
  const PixelBuffer fill = buildFill(width, height);
  const int o = outlineWidth_;
  const int p = packer_.padding;
  const std::size_t texels = static_cast<std::size_t>(width) * height;
  // Away from the glyphs the outline is empty (luminance and alpha 0).
  PixelBuffer outline(static_cast<std::uint8_t*>(std::calloc(texels * 2, 1)));
  if (!outline) throw std::runtime_error("font atlas: out of memory");
  // Every covered texel adds its alpha to the square of side 2o + 1 around
  // it (capped at 255). A glyph's padding (o + 1) is wider than the outline,
  // so each square stays inside its glyph's rectangle and no two glyphs'
  // squares meet: the box sum is taken glyph by glyph, over its rectangle
  // only, as a row pass and a column pass.
  std::vector<std::uint32_t> rowSums;
  for (const PackedGlyph& g : packedGlyphs_) {
    if (g.width == 0 || g.rows == 0) continue;
    const int w = g.width + 2 * p;
    const int h = g.rows + 2 * p;
    rowSums.assign(static_cast<std::size_t>(w) * h, 0);
    for (int row = 0; row < g.rows; ++row) {
      const std::uint8_t* src = fill.get() + (static_cast<std::size_t>(g.y + p + row) * width + g.x + p) * 2 + 1;
      std::uint32_t* dst = rowSums.data() + static_cast<std::size_t>(p + row) * w + p;
      for (int col = 0; col < g.width; ++col) {
        const std::uint32_t a = src[col * 2];
        if (a == 0) continue;
        for (int dx = -o; dx <= o; ++dx) dst[col + dx] += a;
      }
    }
    for (int y = 0; y < h; ++y) {
      const int top = std::max(0, y - o);
      const int bottom = std::min(h - 1, y + o);
      const std::size_t at = (static_cast<std::size_t>(g.y + y) * width + g.x) * 2;
      const std::uint8_t* in = fill.get() + at;
      std::uint8_t* out = outline.get() + at;
      for (int x = 0; x < w; ++x) {
        std::uint32_t sum = 0;
        for (int yy = top; yy <= bottom; ++yy) sum += rowSums[static_cast<std::size_t>(yy) * w + x];
        if (sum == 0) continue;
        sum = std::min<std::uint32_t>(255, sum);
        const std::uint32_t a = in[x * 2 + 1];
        out[x * 2] = 255;
        // Never below zero: a wrapped byte would show a solid outline texel.
        out[x * 2 + 1] = static_cast<std::uint8_t>(sum > a ? sum - a : 0);
      }
    }
  }
  uploadTexture(outlineTexture_, outline.get(), width, height);
  uploadTexture(atlasTexture_, fill.get(), width, height);
  outlinePixels_ = keptCopy(outline, width, height);
  finishAtlas(width, height, fill);
}

}  // namespace RenderEngine
