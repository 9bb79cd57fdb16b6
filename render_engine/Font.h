#pragma once
// TrueType fonts drawn from one glyph atlas texture each (two for an outlined
// font). A font is rasterised once through FreeType from a glyph set (by
// default 203 characters covering the game's languages), keeps a table of 400
// glyph slots (quad, texture coordinates, advance), lays text out into lines
// within a box, measures it, finds the scale at which it fits a box and draws it
// with one glDrawArrays call.
//
// Fonts are shared through the font registry (acquireFont and friends below),
// keyed by file, point size and outline width, and reference counted.
//
// Texts handed to drawText, measureText, countLines and fitScale are drawn
// literally. The "...Formatted" operations and findFitScale take a printf
// format supplied by the caller's code; never pass a text from a data file as
// a format (see literalText). Game thread only.
#include <GL/gl.h>

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

#include "render_engine/PixelBuffer.h"

namespace RenderEngine {

// The text style passed by value between text nodes, fonts and the game.
// Colours are 0..1 per channel; a red of -1 means "not set".
struct fontParameters_ {
  fontParameters_() = default;
  fontParameters_(const fontParameters_&) = default;
  fontParameters_& operator=(const fontParameters_&) = default;
  virtual ~fontParameters_() = default;

  float spacing = 0.0f;      // extra advance after every character, atlas pixels
  float scale = 1.0f;        // drawing scale
  float lineSpacing = 1.0f;  // distance between lines, atlas pixels
  float fillColor[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
  float outlineColor[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
};

// Layout flags of drawText. Horizontal: centre wins over right. Vertical: the
// later of above-top, bottom, middle wins (middle over bottom over above-top).
enum TextLayoutFlag : int {
  kTextAlignBottom = 0x01,
  kTextAlignRight = 0x02,
  kTextAlignCentre = 0x04,
  kTextAlignMiddle = 0x08,
  kTextAboveTop = 0x10,
};

// One line of a text: byte offsets [start, end).
struct TextLine {
  int start = 0;
  int end = 0;
  bool operator==(const TextLine&) const = default;
};

// The default glyph set, UTF-8: a core of 203 characters (319 bytes) with the
// letters of the European languages, signs and digits, then 13 more marks
// the game's French, Spanish and German texts use (« » no-break space ª º ...).
// Characters below U+0190 outside the set draw nothing and advance 0.
extern const char kDefaultGlyphSet[];
constexpr int kCoreGlyphSetBytes = 319;
constexpr int kDefaultGlyphSetBytes = kCoreGlyphSetBytes + 26;

// The glyph slot of a code point: itself below 400; U+2122 slot 1, U+20AC
// slot 2; anything else slot 0 (which shows U+FFFD).
int glyphSlotOf(std::uint32_t codePoint);

// A text from the banks, a scene or the game as it is drawn: "%%" becomes "%",
// every other byte stays as it is.
std::string literalText(const char* text);
void literalText(const char* text, std::string& out);

// The OpenGL calls a font's draw makes (textures go through TextureGlBackend,
// capabilities and arrays through the GL state cache); tests substitute
// recorders.
struct FontDrawBackend {
  void (*pushMatrix)();
  void (*popMatrix)();
  void (*scale)(float x, float y, float z);
  void (*translate)(float x, float y, float z);
  void (*color4f)(float r, float g, float b, float a);
  void (*blendFunc)(GLenum source, GLenum destination);
  // Draws vertexCount vertices as triangles from 2 x GLshort positions and
  // 2 x GLfloat texture coordinates.
  void (*drawTriangles)(const GLshort* positions, const GLfloat* texCoords, int vertexCount);

  static FontDrawBackend defaultBackend();
  // Calls nothing: for tools, fuzzers and benchmarks that lay text out
  // without a context.
  static FontDrawBackend headless();
  // Installs b and returns the previous backend.
  static FontDrawBackend set(const FontDrawBackend& b);
  static const FontDrawBackend& current();
};

class CFont {
 public:
  static constexpr int kGlyphSlots = 400;
  static constexpr int kVerticesPerGlyph = 6;
  // Formatted texts up to this size are built on the stack.
  static constexpr int kFormatBufferSize = 2108;
  // Texts with fewer bytes than this are laid out in fixed buffers.
  static constexpr int kSmallTextBytes = 100;

  CFont();
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  virtual ~CFont();

  // Deletes the atlas texture (outlined: both textures).
  virtual void releaseTexture();

  // --- printf-formatted operations (the caller's code supplies the format) --
  void drawFormatted(float x, float y, int start, int end, int flags, const char* format, ...)
      __attribute__((format(printf, 7, 8)));
  void drawFormatted(float x, float y, int start, int end, const char* format, ...)
      __attribute__((format(printf, 6, 7)));
  void drawFormatted(float x, float y, const char* format, ...) __attribute__((format(printf, 4, 5)));
  void drawFormatted(float x, float y, int flags, const char* format, ...) __attribute__((format(printf, 5, 6)));
  void drawFormatted(float x, float y, float width, float height, int firstLine, int start, int end, int flags,
                     const char* format, ...) __attribute__((format(printf, 10, 11)));
  void drawFormatted(float x, float y, float width, float height, int firstLine, int flags, const char* format, ...)
      __attribute__((format(printf, 8, 9)));
  void drawFormattedV(float x, float y, float width, float height, int firstLine, int start, int end, int flags,
                      const char* format, va_list args);
  float measureWidthFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Width of the bytes from start to end (end -1: to the end).
  float measureWidth(int start, int end, const char* format, ...) __attribute__((format(printf, 4, 5)));
  int splitLinesFormatted(float width, int start, int end, const char* format, ...)
      __attribute__((format(printf, 5, 6)));
  int splitLinesFormatted(float width, const char* format, ...) __attribute__((format(printf, 3, 4)));
  float findFitScale(float width, float height, const char* format, ...) __attribute__((format(printf, 4, 5)));

  // --- literal operations ------------------------------------------------
  // Sum of advance + spacing over the characters from start to end, unscaled.
  float measureText(const char* text, int start = 0, int end = -1) const;
  // The number of lines the text takes in a box of that width (divided by the
  // scale, as drawText does).
  int countLines(const char* text, float width, int start = 0, int end = -1) const;
  // The largest scale, at most 0.5, at which the text fits the box (bisection
  // to 0.02). 0.5 for a box with no room or an empty text.
  float fitScale(float width, float height, const char* text) const;

  // Splits text[start, end) (end -1: its length) into lines no wider than
  // maxWidth (0: no limit) at spaces, or inside a word when a word alone is too
  // wide; with failOnLongWord such a cut gives an empty list.
  std::vector<TextLine> splitLines(const char* text, int start, int end, float maxWidth, bool failOnLongWord) const;

  // Draws text[start, end) at (x, y) in a box of width x height (0: no limit)
  // from line firstLine on, aligned by flags (TextLayoutFlag).
  virtual void drawText(float x, float y, float width, float height, int firstLine, int start, int end, int flags,
                        const char* text);

  // --- style ----------------------------------------------------------------
  float getCellSize() const { return cellSize_; }
  fontParameters_ getParameters() const;
  virtual void applyParameters(const fontParameters_& parameters);
  void setColor(float r, float g, float b, float a);
  void setColor(const float rgba[4]);
  int getLinesDrawn() const { return linesDrawn_; }
  // Whole lines in a height (the width is not used).
  int linesInHeight(float width, float height) const;

  // --- loading ----------------------------------------------------------------
  // Loads "font/<file>" through the resource paths. FreeType failures throw
  // std::runtime_error with FreeType's step in the message; the font is then
  // left empty (draws nothing, measures 0).
  virtual void load(const std::string& file, int size, int padding, const char* glyphSet);
  void load(const std::string& file, int size);
  virtual void loadFace(const std::string& path, int size, int padding, const char* glyphSet);
  // Mode 0 drops the GL textures, 1 rebuilds them from the font file, 2 both.
  virtual void reload(int mode);
  virtual void beginAtlas(int capacity, const char* glyphSet, int padding);
  virtual void uploadAtlas();

  // --- accessors --------------------------------------------------------------
  float getScale() const { return scale_; }
  float getLineHeight() const { return lineHeight_; }
  float getSpacing() const { return spacing_; }
  float getBelowLineExtent() const { return belowLine_; }
  int getPadding() const { return padding_; }
  const std::string& getPath() const { return path_; }
  GLuint getAtlasTexture() const { return atlasTexture_; }
  int getAtlasWidth() const { return atlasWidth_; }
  int getAtlasHeight() const { return atlasHeight_; }
  float getAdvance(int slot) const;
  // The glyph's six vertices (x, y) and texture coordinates (u, v).
  const GLshort* getGlyphQuad(int slot) const;
  const GLfloat* getGlyphTexCoords(int slot) const;
  // The uploaded fill atlas, luminance-alpha (kept only while keepAtlasPixels).
  const std::vector<std::uint8_t>& getAtlasPixels() const { return atlasPixels_; }
  // Keep a copy of the uploaded atlas pixels (tests and tools).
  static void setKeepAtlasPixels(bool keep);

  // Test seam: synthetic metrics, independent of any font file.
  void setGlyphForTests(int slot, float advance, int x0, int y0, int x1, int y1);
  void setMetricsForTests(float cellSize, float lineHeight, float belowLineExtent);
  void setAtlasTextureForTests(GLuint name) { atlasTexture_ = name; }

 protected:
  // One glyph rasterised and placed on the atlas.
  struct PackedGlyph {
    int x = 0;  // rectangle, padding included
    int y = 0;
    int width = 0;   // bitmap columns
    int rows = 0;    // bitmap rows
    int offset = 0;  // into packedBitmaps_
  };
  struct Packer {
    int pitch = 0;
    int cursorX = 0;
    int cursorY = 0;
    int rowHeight = 0;
    int widestRow = 0;
    int lineStep = 0;
    int padding = 0;
    int bottom = 0;  // largest rectangle bottom edge
  };
  // Places a bitmap of width w and rows r (bytes w per row) and returns its
  // rectangle (s0, t0, s1, t1) in texels.
  void packBitmap(const std::uint8_t* bitmap, int w, int r, int (&rect)[4]);
  // Lays the packed glyphs into a luminance-alpha buffer of width x height.
  PixelBuffer composeFill(int width, int height) const;
  // The fill atlas at the size the packed glyphs need; throws when too large.
  PixelBuffer buildFill(int& width, int& height) const;
  // Normalises the texture coordinates, keeps the pixels when asked, and
  // frees the packer's glyphs.
  void finishAtlas(int width, int height, const PixelBuffer& fill);
  // A copy of an atlas for getAtlasPixels, when they are kept; else empty.
  static std::vector<std::uint8_t> keptCopy(const PixelBuffer& pixels, int width, int height);
  // The texture size the packed glyphs need (TextureSides.h).
  void atlasSize(int& width, int& height) const;
  void normaliseTexCoords(int width, int height);
  void uploadTexture(GLuint name, const std::uint8_t* pixels, int width, int height);
  void clearGlyphTable();
  void deleteTextureName(GLuint& name);
  // Vertices of the laid-out text into the scratch buffers; returns the vertex
  // count and sets lines to the number of lines laid out.
  int layout(float width, float height, int firstLine, int start, int end, int flags, const char* text, int& lines);
  // The line height used for layout: never below 1.
  float layoutLineHeight() const { return lineHeight_ < 1.0f ? 1.0f : lineHeight_; }
  // Lays the text out and, when there is something to draw, sets the matrix
  // and arrays up; returns the vertex count (0: nothing was set up).
  int beginTextDraw(float x, float y, float width, float height, int firstLine, int start, int end, int flags,
                    const char* text, float scaleZ);
  void submit(int vertexCount, GLuint texture, const float* color);
  void endTextDraw();

  float scale_ = 1.0f;
  float lineHeight_ = 0.0f;
  float spacing_ = 0.0f;
  std::string path_;
  int linesDrawn_ = 0;
  float fillColor_[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
  float outlineColor_[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
  GLuint atlasTexture_ = 0;
  float cellSize_ = 0.0f;
  float belowLine_ = 0.0f;
  GLshort quads_[kGlyphSlots][kVerticesPerGlyph * 2] = {};
  GLfloat texCoords_[kGlyphSlots][kVerticesPerGlyph * 2] = {};
  float advances_[kGlyphSlots] = {};
  int padding_ = 1;
  int atlasWidth_ = 0;
  int atlasHeight_ = 0;

  Packer packer_;
  std::vector<PackedGlyph> packedGlyphs_;
  std::vector<std::uint8_t> packedBitmaps_;
  std::vector<std::uint8_t> atlasPixels_;

  // Layout scratch: fixed for short texts, grown for long ones.
  const GLshort* vertexPositions_ = nullptr;
  const GLfloat* vertexTexCoords_ = nullptr;
  std::vector<GLshort> largePositions_;
  std::vector<GLfloat> largeTexCoords_;
};

// A font whose glyphs are also drawn dilated by an outline width, in the
// outline colour, under the fill.
class COutlinedFont : public CFont {
 public:
  COutlinedFont();
  ~COutlinedFont() override;

  void releaseTexture() override;
  void applyParameters(const fontParameters_& parameters) override;
  void loadFace(const std::string& path, int size, int padding, const char* glyphSet) override;
  void reload(int mode) override;
  void drawText(float x, float y, float width, float height, int firstLine, int start, int end, int flags,
                const char* text) override;
  using CFont::load;
  // The third argument is the outline width; the padding becomes width + 1.
  void load(const std::string& file, int size, int outlineWidth, const char* glyphSet) override;
  void uploadAtlas() override;

  void setOutlineColor(const float rgba[4]);
  void setOutlineColor(float r, float g, float b, float a);
  void load(const std::string& file, int size, int outlineWidth);

  GLuint getOutlineTexture() const { return outlineTexture_; }
  int getOutlineWidth() const { return outlineWidth_; }
  // The uploaded outline atlas (kept only while keepAtlasPixels).
  const std::vector<std::uint8_t>& getOutlinePixels() const { return outlinePixels_; }

 private:
  GLuint outlineTexture_ = 0;
  int outlineWidth_ = 0;
  std::vector<std::uint8_t> outlinePixels_;
};

// --- the font registry ---------------------------------------------------------

struct FontRegistryEntry {
  std::string file;  // as given, without "font/"
  unsigned size = 0;
  int outlineWidth = 0;  // 0 for a plain font
  CFont* font = nullptr;
  unsigned references = 0;
};

// An outlined font of that file, size and outline width: shared when one is
// registered, else loaded and registered with one reference. A font file that
// fails to load prints "ERROR: font/<file>: <message>" and gives an empty font
// (registered like any other, so the file is not tried again).
CFont* acquireFont(const std::string& file, int size, int outlineWidth);
// The same over plain fonts (outline width 0), padding 1.
CFont* acquirePlainFont(const std::string& file, int size);
// One reference less; the last deletes the font. A font that no entry holds is
// deleted at once; null is ignored.
void releaseFont(CFont* font);
void addFontReference(CFont* font);
// CFont::reload(mode) on every registered font, in order.
void reloadAllFonts(int mode);
const std::vector<FontRegistryEntry>& fontRegistry();
// Deletes every registered font (tests and tools only).
void resetFontRegistryForTests();

}  // namespace RenderEngine
