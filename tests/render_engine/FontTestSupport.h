#pragma once
// Fonts and text nodes without a display: every OpenGL entry point the fonts,
// textures, the state cache and nodes call is replaced by a recorder, and the
// game's two font files are copied from Debian's DejaVu faces into a temporary
// data folder.
#include <GL/gl.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "render_engine/CNode.h"
#include "render_engine/Font.h"
#include "render_engine/GlStateCache.h"
#include "render_engine/Texture.h"
#include "support/TempDir.h"

namespace fonttest {

// One glDrawArrays of a font.
struct DrawCall {
  std::vector<GLshort> positions;  // x, y per vertex
  std::vector<GLfloat> texCoords;
  std::int64_t texture = -1;
  float color[4] = {-2, -2, -2, -2};  // the last colour set before the draw
};

struct Recorder {
  std::vector<DrawCall> draws;
  std::set<GLuint> liveTextures;
  int uploads = 0;
  float color[4] = {-2, -2, -2, -2};
  float scale = 0, translateX = 0, translateY = 0;

  static Recorder& get() {
    static Recorder r;
    return r;
  }
};

inline RenderEngine::FontDrawBackend recordingFontBackend() {
  RenderEngine::FontDrawBackend b = RenderEngine::FontDrawBackend::headless();
  b.scale = [](float x, float, float) { Recorder::get().scale = x; };
  b.translate = [](float x, float y, float) {
    Recorder::get().translateX = x;
    Recorder::get().translateY = y;
  };
  b.color4f = [](float r, float g, float bl, float a) {
    float* c = Recorder::get().color;
    c[0] = r, c[1] = g, c[2] = bl, c[3] = a;
  };
  b.drawTriangles = [](const GLshort* xy, const GLfloat* uv, int n) {
    DrawCall call;
    call.positions.assign(xy, xy + n * 2);
    call.texCoords.assign(uv, uv + n * 2);
    call.texture = RenderEngine::boundTexture();
    std::copy(Recorder::get().color, Recorder::get().color + 4, call.color);
    Recorder::get().draws.push_back(std::move(call));
  };
  return b;
}

inline RenderEngine::TextureGlBackend recordingTextureBackend() {
  RenderEngine::TextureGlBackend b = RenderEngine::TextureGlBackend::headless();
  b.genTextures = [](GLsizei n, GLuint* names) {
    static GLuint next = 1;
    for (GLsizei i = 0; i < n; ++i) {
      names[i] = next++;
      Recorder::get().liveTextures.insert(names[i]);
    }
  };
  b.deleteTextures = [](GLsizei n, const GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) Recorder::get().liveTextures.erase(names[i]);
  };
  b.texImage2D = [](GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) {
    ++Recorder::get().uploads;
  };
  return b;
}

// Installs the recorders for the scope and restores what was there.
class HeadlessGl {
 public:
  HeadlessGl() {
    Recorder::get() = Recorder{};
    oldFont_ = RenderEngine::FontDrawBackend::set(recordingFontBackend());
    oldTexture_ = RenderEngine::TextureGlBackend::set(recordingTextureBackend());
    RenderEngine::GlStateCache::resetForTests();
    oldCache_ = RenderEngine::GlStateCache::setBackend(
        RenderEngine::GlStateCache::Backend{[](GLenum) {}, [](GLenum) {}, [](GLenum) {}, [](GLenum) {}});
    RenderEngine::NodeDrawBackend node{};
    node.pushMatrix = [] {};
    node.popMatrix = [] {};
    node.multMatrix = [](const float*) {};
    node.color4f = [](float r, float g, float b, float a) {
      float* c = Recorder::get().color;
      c[0] = r, c[1] = g, c[2] = b, c[3] = a;
    };
    oldNode_ = RenderEngine::CNode::setDrawBackend(node);
    RenderEngine::invalidateBoundTexture();
  }
  ~HeadlessGl() {
    RenderEngine::resetFontRegistryForTests();
    RenderEngine::FontDrawBackend::set(oldFont_);
    RenderEngine::TextureGlBackend::set(oldTexture_);
    RenderEngine::GlStateCache::setBackend(oldCache_);
    RenderEngine::GlStateCache::resetForTests();
    RenderEngine::CNode::setDrawBackend(oldNode_);
    RenderEngine::invalidateBoundTexture();
  }
  HeadlessGl(const HeadlessGl&) = delete;
  HeadlessGl& operator=(const HeadlessGl&) = delete;

 private:
  RenderEngine::FontDrawBackend oldFont_{};
  RenderEngine::TextureGlBackend oldTexture_{};
  RenderEngine::GlStateCache::Backend oldCache_{};
  RenderEngine::NodeDrawBackend oldNode_{};
};

// Copies the game's fonts ("font/Arial Black.ttf", "font/icannon.ttf") below dir.
inline void installGameFonts(const qmtest::TempDir& dir) {
  std::filesystem::create_directories(dir.path() / "font");
  std::filesystem::copy_file(QM_FONT_SANS_BOLD, dir.path() / "font/Arial Black.ttf",
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(QM_FONT_SERIF_BOLD, dir.path() / "font/icannon.ttf",
                             std::filesystem::copy_options::overwrite_existing);
}

// A font with synthetic metrics: every letter and digit w wide, a space s wide,
// quads from (0, 0) to (advance, cell), cell size 16, line height 20.
inline void setSyntheticMetrics(RenderEngine::CFont& font, float w = 10, float space = 5) {
  for (int c = 33; c < 400; ++c) font.setGlyphForTests(c, w, 0, 0, static_cast<int>(w), 16);
  font.setGlyphForTests(' ', space, 0, 0, static_cast<int>(space), 16);
  font.setMetricsForTests(16, 20, 4);
}

}  // namespace fonttest
