#include "render_engine/Texture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "render_engine/FrameDrawing.h"
#include "render_engine/TextureManager.h"
#include "render_engine/TexturePng.h"

namespace RenderEngine {
namespace {

constexpr GLint kTextureFilter = GL_LINEAR;

std::int64_t g_boundTexture = kNoBoundTexture;

void glGenTexturesEntry(GLsizei n, GLuint* names) { glGenTextures(n, names); }
void glDeleteTexturesEntry(GLsizei n, const GLuint* names) { glDeleteTextures(n, names); }
void glBindTextureEntry(GLenum target, GLuint name) { glBindTexture(target, name); }
void glTexParameteriEntry(GLenum target, GLenum pname, GLint value) { glTexParameteri(target, pname, value); }
void glTexImage2DEntry(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint border,
                       GLenum format, GLenum type, const void* pixels) {
  glTexImage2D(target, level, internalFormat, w, h, border, format, type, pixels);
}
void glPixelStoreiEntry(GLenum pname, GLint value) { glPixelStorei(pname, value); }
GLenum glGetErrorEntry() { return glGetError(); }
void glFlushEntry() { glFlush(); }

// OpenGL 2.0 takes any size, as does the extension before it. Asked once a
// context answers.
bool glTakesAnySize() {
  static int answer = -1;
  if (answer < 0) {
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version == nullptr) return false;
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    answer = std::atoi(version) >= 2 ||
             (extensions != nullptr && std::strstr(extensions, "GL_ARB_texture_non_power_of_two") != nullptr);
  }
  return answer == 1;
}

TextureGlBackend& backend() {
  static TextureGlBackend b = TextureGlBackend::defaultBackend();
  return b;
}

}  // namespace

TextureGlBackend TextureGlBackend::defaultBackend() {
  return TextureGlBackend{&glGenTexturesEntry, &glDeleteTexturesEntry, &glBindTextureEntry,
                          &glTexParameteriEntry, &glTexImage2DEntry, &glPixelStoreiEntry,
                          &glGetErrorEntry, &glFlushEntry, &glTakesAnySize};
}
TextureGlBackend TextureGlBackend::headless() {
  TextureGlBackend b{};
  b.genTextures = [](GLsizei n, GLuint* names) {
    static GLuint next = 1;
    for (GLsizei i = 0; i < n; ++i) names[i] = next++;
  };
  b.deleteTextures = [](GLsizei, const GLuint*) {};
  b.bindTexture = [](GLenum, GLuint) {};
  b.texParameteri = [](GLenum, GLenum, GLint) {};
  b.texImage2D = [](GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) {};
  b.pixelStorei = [](GLenum, GLint) {};
  b.getError = []() -> GLenum { return GL_NO_ERROR; };
  b.flush = []() {};
  return b;
}

TextureGlBackend TextureGlBackend::set(const TextureGlBackend& b) {
  TextureGlBackend old = backend();
  backend() = b;
  return old;
}
const TextureGlBackend& TextureGlBackend::current() { return backend(); }

TextureSides textureSides() {
  const TextureGlBackend& gl = backend();
  return gl.takesAnySize != nullptr && gl.takesAnySize() ? TextureSides::Snug : TextureSides::PowerOfTwo;
}

std::int64_t boundTexture() { return g_boundTexture; }
void invalidateBoundTexture() { g_boundTexture = kNoBoundTexture; }

bool bindTextureCached(GLuint name) {
  if (g_boundTexture == static_cast<std::int64_t>(name)) return false;
  const TextureGlBackend& gl = backend();
  gl.bindTexture(GL_TEXTURE_2D, name);
  gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, kTextureFilter);
  gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, kTextureFilter);
  g_boundTexture = name;
  return true;
}

void ITexture::release(bool purge) {
  --refCount_;
  if (refCount_ == 0 && purge) TextureManager::instance().purgeUnused();
}

CTexture::~CTexture() { deleteGlTexture(); }

void CTexture::bind() { bindTextureCached(glName_); }

void CTexture::deleteGlTexture() {
  if (glName_ == 0) return;
  backend().deleteTextures(1, &glName_);
  glName_ = 0;
  // A driver may hand the same name to the next texture made; the cache must
  // not then skip binding it.
  invalidateBoundTexture();
}

bool CTexture::loadFromPng(const std::string& resolvedPath) {
  int textureWidth = 0;
  int textureHeight = 0;
  int imageWidth = 0;
  int imageHeight = 0;
  PixelBuffer pixels = loadPngImage(resolvedPath, textureWidth, textureHeight, imageWidth, imageHeight, textureSides());
  if (!pixels) {
    // Nothing usable: no GL call with sizes the decoder never produced.
    deleteGlTexture();
    imageWidth_ = imageHeight_ = textureWidth_ = textureHeight_ = 0;
    return false;
  }
  const TextureGlBackend& gl = backend();
  if (glName_ == 0) gl.genTextures(1, &glName_);
  bindTextureCached(glName_);
  gl.texImage2D(GL_TEXTURE_2D, 0, GL_RGBA, textureWidth, textureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.get());
  imageWidth_ = imageWidth;
  imageHeight_ = imageHeight;
  textureWidth_ = textureWidth;
  textureHeight_ = textureHeight;
  return true;
}

void CTexture::uploadImage(const std::uint8_t* pixels, int imageWidth, int imageHeight, int textureWidth,
                           int textureHeight, bool alpha) {
  if (pixels == nullptr || imageWidth <= 0 || imageHeight <= 0 || textureWidth < imageWidth ||
      textureHeight < imageHeight) {
    return;
  }
  const TextureGlBackend& gl = backend();
  // The check below is about this upload only.
  drainPendingGlErrors(gl.getError);
  const GLenum format = alpha ? GL_RGBA : GL_RGB;
  // RGB rows of odd widths are not 4-byte aligned.
  gl.pixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (glName_ != 0) {
    bindTextureCached(glName_);
    gl.texImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), textureWidth, textureHeight, 0, format,
                  GL_UNSIGNED_BYTE, pixels);
  } else {
    gl.genTextures(1, &glName_);
    imageWidth_ = imageWidth;
    imageHeight_ = imageHeight;
    textureWidth_ = textureWidth;
    textureHeight_ = textureHeight;
    bindTextureCached(glName_);
    // Linear without mipmaps: movie frames upload no mipmap levels.
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.texImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), textureWidth, textureHeight, 0, format,
                  GL_UNSIGNED_BYTE, pixels);
  }
  gl.pixelStorei(GL_UNPACK_ALIGNMENT, 4);
  const GLenum error = gl.getError();
  if (error != GL_NO_ERROR) {
    std::printf("Error loadTextureFromMovieImage%u\n", static_cast<unsigned>(error));
  }
}

}  // namespace RenderEngine
