#pragma once
// A texture GL backend for fuzz targets: hands out names, and reads the first
// and last byte of every upload so that a pixel buffer smaller than the sizes
// given with it is caught by the address checker.
#include <cstdint>

#include "render_engine/Texture.h"

inline RenderEngine::TextureGlBackend fuzzTextureGl() {
  // As the headless backend, but an upload must describe memory that is there.
  RenderEngine::TextureGlBackend b = RenderEngine::TextureGlBackend::headless();
  b.texImage2D = [](GLenum, GLint, GLint, GLsizei w, GLsizei h, GLint, GLenum format, GLenum, const void* pixels) {
    if (w <= 0 || h <= 0 || pixels == nullptr) __builtin_trap();
    const std::size_t bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * (format == GL_RGB ? 3u : format == GL_LUMINANCE_ALPHA ? 2u : 4u);
    const auto* p = static_cast<const volatile std::uint8_t*>(pixels);
    (void)p[0];
    (void)p[bytes - 1];
  };
  return b;
}
