#pragma once
// Reference-counted textures. A texture holds one OpenGL texture made from a PNG
// picture (or from raw movie-frame pixels); the picture sits in its top-left
// corner, its sides are powers of two, or snug where the driver takes any
// size (TexturePng.h, TextureSides).
#include <GL/gl.h>

#include <cstdint>
#include <string>

#include "render_engine/IRenderEngineItem.h"
#include "render_engine/TextureSides.h"

namespace RenderEngine {

class ITexture : public IRenderEngineItem {
 public:
  ITexture() = default;
  ~ITexture() override = default;
  ITexture(const ITexture&) = delete;
  ITexture& operator=(const ITexture&) = delete;

  virtual void bind() = 0;

  void addRef() { ++refCount_; }
  // Gives one reference back. With purge set, the last reference deletes every
  // unreferenced texture at once (TextureManager::purgeUnused), this one
  // included: the caller must not touch the texture afterwards.
  void release(bool purge);

  int getRefCount() const { return refCount_; }
  int getImageWidth() const { return imageWidth_; }
  int getImageHeight() const { return imageHeight_; }
  int getTextureWidth() const { return textureWidth_; }
  int getTextureHeight() const { return textureHeight_; }

 protected:
  int refCount_ = 1;
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
};

class CTexture : public ITexture {
 public:
  CTexture() = default;
  ~CTexture() override;

  // Binds the texture unless it is already the bound one, setting both filters.
  void bind() override;

  // Decodes the PNG file at resolvedPath and uploads it. A file that does not
  // decode uploads nothing: the GL texture (if any) is deleted and every size is
  // 0. Returns whether a picture was uploaded.
  bool loadFromPng(const std::string& resolvedPath);

  // Uploads raw pixels (movie frames): RGBA with alpha, RGB without, rows of
  // textureWidth pixels, textureHeight rows. The first upload makes the GL
  // texture and stores the sizes; later ones replace the picture and keep the
  // stored sizes. Sizes that do not describe a buffer (non-positive, or a picture
  // larger than its texture) upload nothing.
  void uploadImage(const std::uint8_t* pixels, int imageWidth, int imageHeight, int textureWidth, int textureHeight,
                   bool alpha);

  // Deletes the GL texture (the object, its count and sizes stay).
  void deleteGlTexture();

  GLuint getGlName() const { return glName_; }
  // Movie textures have no file and are left out of reloads.
  bool isMovieTexture() const { return movie_; }
  void setMovieTexture(bool movie) { movie_ = movie; }

 private:
  GLuint glName_ = 0;
  bool movie_ = false;
};

// The texture name last bound to GL_TEXTURE_2D through bindTextureCached; any
// other code that binds a texture itself must call invalidateBoundTexture.
inline constexpr std::int64_t kNoBoundTexture = -1;
std::int64_t boundTexture();
void invalidateBoundTexture();
// Binds name to GL_TEXTURE_2D unless it is the one recorded as bound, and then
// sets both filters to the texture filter (GL_LINEAR). Returns whether it bound.
bool bindTextureCached(GLuint name);

// How the current backend's textures are sized.
TextureSides textureSides();

// The OpenGL entry points the textures call, so that texture management runs
// and is tested without a GL context. defaultBackend() calls OpenGL.
struct TextureGlBackend {
  void (*genTextures)(GLsizei, GLuint*);
  void (*deleteTextures)(GLsizei, const GLuint*);
  void (*bindTexture)(GLenum, GLuint);
  void (*texParameteri)(GLenum, GLenum, GLint);
  void (*texImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
  void (*pixelStorei)(GLenum, GLint);
  GLenum (*getError)();
  void (*flush)();
  // Whether textures of any size are taken; null: powers of two only.
  bool (*takesAnySize)() = nullptr;

  static TextureGlBackend defaultBackend();
  // Calls nothing: for tools and headless runs that load textures without a
  // context (names are handed out, uploads discarded).
  static TextureGlBackend headless();
  // Installs b and returns the previous backend.
  static TextureGlBackend set(const TextureGlBackend& b);
  static const TextureGlBackend& current();
};

}  // namespace RenderEngine
