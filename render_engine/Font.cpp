#include "render_engine/Font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "app/LocalizedText.h"
#include "render_engine/CNode.h"
#include "render_engine/GlStateCache.h"
#include "render_engine/Texture.h"

namespace RenderEngine {
namespace {

void glPushEntry() { glPushMatrix(); }
void glPopEntry() { glPopMatrix(); }
void glScaleEntry(float x, float y, float z) { glScalef(x, y, z); }
void glTranslateEntry(float x, float y, float z) { glTranslatef(x, y, z); }
void glColorEntry(float r, float g, float b, float a) { glColor4f(r, g, b, a); }
void glBlendFuncEntry(GLenum s, GLenum d) { glBlendFunc(s, d); }
void glDrawTrianglesEntry(const GLshort* xy, const GLfloat* uv, int count) {
  glVertexPointer(2, GL_SHORT, 0, xy);
  glTexCoordPointer(2, GL_FLOAT, 0, uv);
  glDrawArrays(GL_TRIANGLES, 0, count);
}

FontDrawBackend& drawBackend() {
  static FontDrawBackend b = FontDrawBackend::defaultBackend();
  return b;
}

// Fixed layout buffers for short texts.
GLshort gSmallPositions[CFont::kSmallTextBytes * CFont::kVerticesPerGlyph * 2];
GLfloat gSmallTexCoords[CFont::kSmallTextBytes * CFont::kVerticesPerGlyph * 2];

std::uint32_t decodeAt(const char* text, int pos, int& length) {
  length = 1;
  const std::uint32_t c = decodeUtf8Char(reinterpret_cast<const unsigned char*>(text) + pos, &length);
  if (length < 1) length = 1;
  return c;
}

// Clamps [start, end) to the text; end -1 means its length.
void clampRange(const char* text, int& start, int& end) {
  const int length = static_cast<int>(std::strlen(text));
  if (end < 0 || end > length) end = length;
  if (start < 0) start = 0;
  if (start > end) start = end;
}

// The formatted text of a printf call: on the stack up to the buffer size,
// else on the heap, never cut.
class FormattedText {
 public:
  FormattedText(const char* format, va_list args) {
    if (format == nullptr) {
      stack_[0] = '\0';
      return;
    }
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(stack_, sizeof stack_, format, args);
    if (needed < 0) {
      stack_[0] = '\0';
    } else if (static_cast<std::size_t>(needed) >= sizeof stack_) {
      heap_.resize(static_cast<std::size_t>(needed) + 1);
      std::vsnprintf(heap_.data(), heap_.size(), format, again);
    }
    va_end(again);
  }
  const char* c_str() const { return heap_.empty() ? stack_ : heap_.data(); }

 private:
  char stack_[CFont::kFormatBufferSize];
  std::vector<char> heap_;
};

}  // namespace

// 203 characters: letters, the accented letters of the game's languages and
// their neighbours, signs and digits; the eight "?" + U+FFFD pairs leave slot 0
// holding the replacement character. Then the marks French, Spanish and German
// texts need besides: guillemets, the no-break space, ordinals, and the
// capitals the first part leaves out.
const char kDefaultGlyphSet[] =
    "abcdefghijklmnopqrstuvwxyz"
    "\u00e6\u0153\u0111\u0142"
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "\u00c6\u0152"
    "\u00df"
    " "
    "\u0105\u00e3\u0103\u00e1\u00e2\u00e0\u00e4\u00e7\u0107?\ufffd\u00e9\u00ea\u00e8\u00eb\u011b\u0119\u011f"
    "\u00ed\u00ee\u00ec\u00ef\u0148\u00f1\u0144?\ufffd\u00f3\u00f4\u00f2\u00f6\u00f5\u0159\u0161\u015b\u015f"
    "\u0163?\ufffd\u016f\u0171\u00fa\u00fb\u00f9\u00fc\u00fd\u017e\u017c\u017a?\ufffd"
    "\u0104\u00c3\u0102\u00c2\u00c0\u00c4\u00c7\u0106\u010c\u010e\u00c9\u00ca\u00c8\u00cb\u011a\u0118\u011e?\ufffd"
    "\u00ce\u00cc?\ufffd\u0147\u00d1\u0143\u00d3\u00d4\u00d2\u00d6\u0158?\ufffd\u0160\u015a\u015e\u0164\u0162"
    "\u016e\u0170\u00da\u00db\u00d9\u00dc\u017d\u017b\u0179?\ufffd"
    "?!\u00bf\u00a1'\"#%$\u20ac&*+-=,.;:<>()@[]/\\_\u00a9\u00b0\u00ae\u2122"
    "0123456789"
    "\u00ab\u00bb\u00a0\u00aa\u00ba\u00cd\u00cf\u00d5\u00dd\u0178\u00ff\u00b7\u00a3";
static_assert(sizeof kDefaultGlyphSet == kDefaultGlyphSetBytes + 1);

int glyphSlotOf(std::uint32_t codePoint) {
  if (codePoint < static_cast<std::uint32_t>(CFont::kGlyphSlots)) return static_cast<int>(codePoint);
  return getSpecialGlyphCode(codePoint);
}

void literalText(const char* text, std::string& out) {
  out.clear();
  if (text == nullptr) return;
  for (const char* p = text; *p != '\0'; ++p) {
    out.push_back(*p);
    if (p[0] == '%' && p[1] == '%') ++p;
  }
}

std::string literalText(const char* text) {
  std::string out;
  literalText(text, out);
  return out;
}

FontDrawBackend FontDrawBackend::defaultBackend() {
  return FontDrawBackend{&glPushEntry,  &glPopEntry,       &glScaleEntry,        &glTranslateEntry,
                         &glColorEntry, &glBlendFuncEntry, &glDrawTrianglesEntry};
}
FontDrawBackend FontDrawBackend::headless() {
  FontDrawBackend b{};
  b.pushMatrix = [] {};
  b.popMatrix = [] {};
  b.scale = [](float, float, float) {};
  b.translate = [](float, float, float) {};
  b.color4f = [](float, float, float, float) {};
  b.blendFunc = [](GLenum, GLenum) {};
  b.drawTriangles = [](const GLshort*, const GLfloat*, int) {};
  return b;
}
FontDrawBackend FontDrawBackend::set(const FontDrawBackend& b) {
  FontDrawBackend old = drawBackend();
  drawBackend() = b;
  return old;
}
const FontDrawBackend& FontDrawBackend::current() { return drawBackend(); }

// ---------------------------------------------------------------------------
// Construction and style

CFont::CFont() = default;

CFont::~CFont() { CFont::releaseTexture(); }

void CFont::deleteTextureName(GLuint& name) {
  if (name == 0) return;
  TextureGlBackend::current().deleteTextures(1, &name);
  name = 0;
  // The driver may hand the name out again; the cache must not skip its bind.
  invalidateBoundTexture();
}

void CFont::releaseTexture() { deleteTextureName(atlasTexture_); }

fontParameters_ CFont::getParameters() const {
  fontParameters_ p;
  p.spacing = spacing_;
  p.scale = scale_;
  p.lineSpacing = lineHeight_;
  std::copy(fillColor_, fillColor_ + 4, p.fillColor);
  std::copy(outlineColor_, outlineColor_ + 4, p.outlineColor);
  return p;
}

void CFont::applyParameters(const fontParameters_& p) {
  spacing_ = p.spacing;
  scale_ = p.scale;
  lineHeight_ = p.lineSpacing;
  std::copy(p.fillColor, p.fillColor + 4, fillColor_);
  std::copy(p.outlineColor, p.outlineColor + 4, outlineColor_);
}

namespace {

void setRgba(float* out, float r, float g, float b, float a) {
  out[0] = r;
  out[1] = g;
  out[2] = b;
  out[3] = a;
}

}  // namespace

void CFont::setColor(float r, float g, float b, float a) { setRgba(fillColor_, r, g, b, a); }

void CFont::setColor(const float rgba[4]) { setColor(rgba[0], rgba[1], rgba[2], rgba[3]); }

int CFont::linesInHeight(float /*width*/, float height) const {
  const float h = height / scale_;
  if (h == 0.0f || !std::isfinite(h)) return 0;
  const double lines = std::trunc((static_cast<double>(h) + cellSize_) / layoutLineHeight());
  return static_cast<int>(std::clamp(lines, -1e9, 1e9));
}

float CFont::getAdvance(int slot) const {
  return slot >= 0 && slot < kGlyphSlots ? advances_[slot] : 0.0f;
}
const GLshort* CFont::getGlyphQuad(int slot) const { return quads_[slot >= 0 && slot < kGlyphSlots ? slot : 0]; }
const GLfloat* CFont::getGlyphTexCoords(int slot) const {
  return texCoords_[slot >= 0 && slot < kGlyphSlots ? slot : 0];
}

void CFont::setGlyphForTests(int slot, float advance, int x0, int y0, int x1, int y1) {
  if (slot < 0 || slot >= kGlyphSlots) return;
  advances_[slot] = advance;
  const int xy[12] = {x0, y0, x0, y1, x1, y1, x0, y0, x1, y1, x1, y0};
  for (int i = 0; i < 12; ++i) quads_[slot][i] = static_cast<GLshort>(xy[i]);
}

void CFont::setMetricsForTests(float cellSize, float lineHeight, float belowLineExtent) {
  cellSize_ = cellSize;
  lineHeight_ = lineHeight;
  belowLine_ = belowLineExtent;
}

void CFont::clearGlyphTable() {
  std::memset(quads_, 0, sizeof quads_);
  std::memset(texCoords_, 0, sizeof texCoords_);
  std::memset(advances_, 0, sizeof advances_);
}

// ---------------------------------------------------------------------------
// Layout

std::vector<TextLine> CFont::splitLines(const char* text, int start, int end, float maxWidth,
                                        bool failOnLongWord) const {
  std::vector<TextLine> lines;
  if (text == nullptr) return lines;
  clampRange(text, start, end);
  bool cutInWord = false;
  int lineStart = start;
  float width = 0.0f;
  int lastSpace = -1;
  int previous = -1;  // start of the character before the current one, in this line
  int pos = start;
  while (pos < end) {
    int length = 1;
    const std::uint32_t c = decodeAt(text, pos, length);
    if (c == '\n') {
      lines.push_back({lineStart, pos});
      lineStart = pos + length;
      if (maxWidth != -1.0f) {
        width = 0.0f;
        lastSpace = -1;
      }
      previous = -1;
      pos = lineStart;
      continue;
    }
    if (maxWidth != 0.0f) {
      width += advances_[glyphSlotOf(c)] + spacing_;
      if (c == ' ') lastSpace = pos;
      if (width >= maxWidth) {
        int breakAt = 0;
        int next = 0;
        if (lastSpace >= 0) {
          breakAt = lastSpace;
          next = lastSpace + 1;
        } else {
          // Inside a word: the line keeps the characters before the last two.
          cutInWord = true;
          breakAt = previous >= 0 ? previous : pos;
          if (breakAt - lineStart < 2) {
            // Too short a line: one whole character more, and at least one.
            breakAt = previous >= 0 ? pos : pos + length;
          }
          next = breakAt;
        }
        lines.push_back({lineStart, breakAt});
        lineStart = next;
        width = 0.0f;
        lastSpace = -1;
        previous = -1;
        pos = lineStart;
        continue;
      }
    }
    previous = pos;
    pos += length;
  }
  if (lineStart < end) lines.push_back({lineStart, end});
  if (failOnLongWord && cutInWord) lines.clear();
  return lines;
}

float CFont::measureText(const char* text, int start, int end) const {
  if (text == nullptr) return 0.0f;
  clampRange(text, start, end);
  float width = 0.0f;
  int pos = start;
  while (pos < end) {
    int length = 1;
    const std::uint32_t c = decodeAt(text, pos, length);
    width += advances_[glyphSlotOf(c)] + spacing_;
    pos += length;
  }
  return width;
}

int CFont::countLines(const char* text, float width, int start, int end) const {
  return static_cast<int>(splitLines(text, start, end, width / scale_, false).size());
}

float CFont::fitScale(float width, float height, const char* text) const {
  float lo = 0.0f;
  float hi = 0.5f;
  float mid = 0.5f;
  float best = 0.5f;
  constexpr float kTolerance = 0.02f;
  // A box with no room, or nothing to fit, never narrows down to a scale.
  if (!(width > 0.0f) || !(height > 0.0f) || text == nullptr || text[0] == '\0') return best;
  const int length = static_cast<int>(std::strlen(text));
  const double lineHeight = layoutLineHeight();
  const auto wholeLineHeight = static_cast<long long>(lineHeight);
  // The bisection halves the interval each round; the cap only stops a
  // text that never fits from running on below float resolution.
  for (int round = 0; round < 64; ++round) {
    std::size_t lines = 1;
    const double heightAtScale = static_cast<double>(height) / mid;
    double room = std::trunc(heightAtScale / lineHeight);
    bool cut = false;
    if (room > 0.0) {
      if (heightAtScale < 9e15 && static_cast<long long>(heightAtScale) % wholeLineHeight == 0) room -= 1.0;
      const std::vector<TextLine> split = splitLines(text, 0, length, width / mid, true);
      cut = split.empty();
      lines = split.size();
    }
    if (cut) {
      hi = mid;
      mid = lo + (hi - lo) / 2.0f;
      continue;
    }
    if (room >= static_cast<double>(lines)) {
      lo = mid;
      best = mid;
    } else {
      hi = mid;
    }
    if (hi - lo < kTolerance) break;
    mid = lo + (hi - lo) / 2.0f;
  }
  return best;
}

int CFont::layout(float width, float height, int firstLine, int start, int end, int flags, const char* text,
                  int& lineCountOut) {
  lineCountOut = 0;
  if (text == nullptr) return 0;
  clampRange(text, start, end);
  const float k = scale_;
  const float L = layoutLineHeight();
  const float s = cellSize_;
  const float w = width / k;
  float h = height / k;
  const std::vector<TextLine> lines = splitLines(text, start, end, w, false);
  if (firstLine < 0) firstLine = 0;
  int n = static_cast<int>(lines.size()) - firstLine;
  if (n <= 0) return 0;
  float extent = static_cast<float>(n - 1) * L;
  if (h != 0.0f) {
    h += s;
    if (h < static_cast<float>(n) * L) {
      n = static_cast<int>(std::clamp(std::trunc(h / L), 0.0f, static_cast<float>(n)));
      extent = static_cast<float>(n - 1) * L;
    }
  }
  if (n <= 0) return 0;
  float dy = 0.0f;
  if (flags & kTextAboveTop) dy = -(extent + s);
  if (flags & kTextAlignBottom) dy = h - (extent + belowLine_);
  if (flags & kTextAlignMiddle) dy = (h - (extent + L + s)) / 2.0f;
  dy = std::floor(dy);

  const int bytes = end - start;
  GLshort* xy = gSmallPositions;
  GLfloat* uv = gSmallTexCoords;
  if (bytes >= kSmallTextBytes) {
    const std::size_t values = static_cast<std::size_t>(bytes) * kVerticesPerGlyph * 2;
    largePositions_.assign(values, 0);
    largeTexCoords_.assign(values, 0.0f);
    xy = largePositions_.data();
    uv = largeTexCoords_.data();
  }
  int vertices = 0;
  for (int i = firstLine; i < firstLine + n; ++i) {
    const TextLine& line = lines[static_cast<std::size_t>(i)];
    float dx = 0.0f;
    if (flags & kTextAlignRight) dx = w - measureText(text, line.start, line.end);
    if (flags & kTextAlignCentre) dx = (w - measureText(text, line.start, line.end)) / 2.0f;
    dx = std::floor(dx);
    const float lineY = static_cast<float>(i - firstLine) * L;
    float penX = 0.0f;
    int pos = line.start;
    while (pos < line.end) {
      int length = 1;
      const int slot = glyphSlotOf(decodeAt(text, pos, length));
      const int offsetX = static_cast<int>(dx + penX);
      const int offsetY = static_cast<int>(dy + lineY);
      GLshort* outXy = xy + static_cast<std::size_t>(vertices) * 2;
      GLfloat* outUv = uv + static_cast<std::size_t>(vertices) * 2;
      for (int v = 0; v < kVerticesPerGlyph; ++v) {
        outXy[v * 2] = static_cast<GLshort>(quads_[slot][v * 2] + offsetX);
        outXy[v * 2 + 1] = static_cast<GLshort>(quads_[slot][v * 2 + 1] + offsetY);
      }
      std::memcpy(outUv, texCoords_[slot], sizeof texCoords_[slot]);
      vertices += kVerticesPerGlyph;
      penX += advances_[slot] + spacing_;
      pos += length;
    }
  }
  vertexPositions_ = xy;
  vertexTexCoords_ = uv;
  lineCountOut = n;
  return vertices;
}

void CFont::submit(int vertexCount, GLuint texture, const float* color) {
  const FontDrawBackend& gl = drawBackend();
  if (bindTextureCached(texture)) gl.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // Blending is switched through the cache every time: something that turned
  // it off without rebinding would otherwise leave glyphs as solid boxes.
  cachedEnable(GL_BLEND);
  if (color[0] != -1.0f) gl.color4f(color[0], color[1], color[2], color[3]);
  gl.drawTriangles(vertexPositions_, vertexTexCoords_, vertexCount);
}

int CFont::beginTextDraw(float x, float y, float width, float height, int firstLine, int start, int end,
                         int flags, const char* text, float scaleZ) {
  int lines = 0;
  const int vertices = layout(width, height, firstLine, start, end, flags, text, lines);
  // Outlined fonts count their lines too, so paging works on outlined text.
  linesDrawn_ = lines;
  if (vertices == 0 || atlasTexture_ == 0) return 0;
  const FontDrawBackend& gl = drawBackend();
  const float k = scale_;
  gl.pushMatrix();
  gl.scale(k, k, scaleZ);
  gl.translate(x / k, y / k, 0.0f);
  cachedEnableClientState(GL_VERTEX_ARRAY);
  cachedEnableClientState(GL_TEXTURE_COORD_ARRAY);
  return vertices;
}

void CFont::endTextDraw() {
  cachedDisableClientState(GL_VERTEX_ARRAY);
  cachedDisableClientState(GL_TEXTURE_COORD_ARRAY);
  drawBackend().popMatrix();
}

void CFont::drawText(float x, float y, float width, float height, int firstLine, int start, int end, int flags,
                     const char* text) {
  const int vertices = beginTextDraw(x, y, width, height, firstLine, start, end, flags, text, scale_);
  if (vertices == 0) return;
  submit(vertices, atlasTexture_, fillColor_);
  endTextDraw();
}

// ---------------------------------------------------------------------------
// Formatted operations

void CFont::drawFormattedV(float x, float y, float width, float height, int firstLine, int start, int end, int flags,
                           const char* format, va_list args) {
  const FormattedText text(format, args);
  drawText(x, y, width, height, firstLine, start, end, flags, text.c_str());
}

void CFont::drawFormatted(float x, float y, int start, int end, int flags, const char* format, ...) {
  va_list args;
  va_start(args, format);
  drawFormattedV(x, y, 0.0f, 0.0f, 0, start, end, flags, format, args);
  va_end(args);
}

void CFont::drawFormatted(float x, float y, int start, int end, const char* format, ...) {
  va_list args;
  va_start(args, format);
  drawFormattedV(x, y, 0.0f, 0.0f, 0, start, end, 0, format, args);
  va_end(args);
}

void CFont::drawFormatted(float x, float y, const char* format, ...) {
  va_list args;
  va_start(args, format);
  drawFormattedV(x, y, 0.0f, 0.0f, 0, 0, -1, 0, format, args);
  va_end(args);
}

void CFont::drawFormatted(float x, float y, int flags, const char* format, ...) {
  va_list args;
  va_start(args, format);
  drawFormattedV(x, y, 0.0f, 0.0f, 0, 0, -1, flags, format, args);
  va_end(args);
}

void CFont::drawFormatted(float x, float y, float width, float height, int firstLine, int start, int end, int flags,
                          const char* format, ...) {
  va_list args;
  va_start(args, format);
  drawFormattedV(x, y, width, height, firstLine, start, end, flags, format, args);
  va_end(args);
}

void CFont::drawFormatted(float x, float y, float width, float height, int firstLine, int flags, const char* format,
                          ...) {
  va_list args;
  va_start(args, format);
  drawFormattedV(x, y, width, height, firstLine, 0, -1, flags, format, args);
  va_end(args);
}

float CFont::measureWidthFormatted(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const FormattedText text(format, args);
  va_end(args);
  return measureText(text.c_str());
}

float CFont::measureWidth(int start, int end, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const FormattedText text(format, args);
  va_end(args);
  return measureText(text.c_str(), start, end);
}

int CFont::splitLinesFormatted(float width, int start, int end, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const FormattedText text(format, args);
  va_end(args);
  return countLines(text.c_str(), width, start, end);
}

int CFont::splitLinesFormatted(float width, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const FormattedText text(format, args);
  va_end(args);
  return countLines(text.c_str(), width);
}

float CFont::findFitScale(float width, float height, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const FormattedText text(format, args);
  va_end(args);
  return fitScale(width, height, text.c_str());
}

// ---------------------------------------------------------------------------
// Outlined font: construction, style, draw

COutlinedFont::COutlinedFont() { setOutlineColor(0.0f, 0.0f, 0.0f, 0.0f); }

COutlinedFont::~COutlinedFont() { COutlinedFont::releaseTexture(); }

void COutlinedFont::releaseTexture() {
  deleteTextureName(outlineTexture_);
  CFont::releaseTexture();
}

void COutlinedFont::applyParameters(const fontParameters_& parameters) { CFont::applyParameters(parameters); }

void COutlinedFont::setOutlineColor(float r, float g, float b, float a) { setRgba(outlineColor_, r, g, b, a); }

void COutlinedFont::setOutlineColor(const float rgba[4]) { setOutlineColor(rgba[0], rgba[1], rgba[2], rgba[3]); }

void COutlinedFont::drawText(float x, float y, float width, float height, int firstLine, int start, int end,
                             int flags, const char* text) {
  const int vertices = beginTextDraw(x, y, width, height, firstLine, start, end, flags, text, 1.0f);
  if (vertices == 0) return;
  if (outlineColor_[0] != -1.0f && outlineTexture_ != 0) {
    submit(vertices, outlineTexture_, outlineColor_);
    // An unset fill draws in the colour in force, not in the outline's.
    if (fillColor_[0] == -1.0f) {
      const ColorRGBA& c = CNode::currentColor();
      drawBackend().color4f(c.r, c.g, c.b, c.a);
    }
  }
  submit(vertices, atlasTexture_, fillColor_);
  endTextDraw();
}

}  // namespace RenderEngine
