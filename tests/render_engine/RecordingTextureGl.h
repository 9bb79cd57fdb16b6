#pragma once
// A texture GL backend that records the calls it gets and hands out names, so
// texture management is tested without a GL context.
#include <string>
#include <vector>

#include "render_engine/Texture.h"

namespace qmtest {

struct TexImageCall {
  GLuint texture;  // the name bound when it was made
  GLint internalFormat;
  GLsizei width;
  GLsizei height;
  GLenum format;
  std::vector<std::uint8_t> firstBytes;  // the first few bytes of the pixels
};

struct RecordedGl {
  GLuint nextName = 1;
  GLuint bound = 0;
  std::vector<GLuint> generated;
  std::vector<GLuint> deleted;
  std::vector<GLuint> binds;
  std::vector<TexImageCall> images;
  int parameterCalls = 0;
  int flushes = 0;
  GLenum pendingError = GL_NO_ERROR;
  GLenum errorOnUpload = GL_NO_ERROR;  // raised by the next texImage2D
  // Names deleted go back to a free list and are handed out again first, as
  // some drivers do.
  bool reuseNames = false;
  std::vector<GLuint> freeNames;
  GLint maxTextureSize = 0;  // GL_MAX_TEXTURE_SIZE; 0 answers "unknown"
};

inline RecordedGl& recordedGl() {
  static RecordedGl r;
  return r;
}

inline RenderEngine::TextureGlBackend recordingBackend() {
  RenderEngine::TextureGlBackend b{};
  b.genTextures = [](GLsizei n, GLuint* names) {
    RecordedGl& r = recordedGl();
    for (GLsizei i = 0; i < n; ++i) {
      if (r.reuseNames && !r.freeNames.empty()) {
        names[i] = r.freeNames.back();
        r.freeNames.pop_back();
      } else {
        names[i] = r.nextName++;
      }
      r.generated.push_back(names[i]);
    }
  };
  b.deleteTextures = [](GLsizei n, const GLuint* names) {
    RecordedGl& r = recordedGl();
    for (GLsizei i = 0; i < n; ++i) {
      r.deleted.push_back(names[i]);
      r.freeNames.push_back(names[i]);
      if (r.bound == names[i]) r.bound = 0;  // as OpenGL does
    }
  };
  b.bindTexture = [](GLenum, GLuint name) {
    recordedGl().binds.push_back(name);
    recordedGl().bound = name;
  };
  b.texParameteri = [](GLenum, GLenum, GLint) { ++recordedGl().parameterCalls; };
  b.texImage2D = [](GLenum, GLint, GLint internalFormat, GLsizei w, GLsizei h, GLint, GLenum format, GLenum,
                    const void* pixels) {
    const auto* p = static_cast<const std::uint8_t*>(pixels);
    if (recordedGl().errorOnUpload != GL_NO_ERROR) {
      recordedGl().pendingError = recordedGl().errorOnUpload;
      recordedGl().errorOnUpload = GL_NO_ERROR;
    }
    recordedGl().images.push_back(
        TexImageCall{recordedGl().bound, internalFormat, w, h, format, std::vector<std::uint8_t>(p, p + 4)});
  };
  b.pixelStorei = [](GLenum, GLint) {};
  b.getError = []() -> GLenum {
    const GLenum e = recordedGl().pendingError;
    recordedGl().pendingError = GL_NO_ERROR;
    return e;
  };
  b.flush = []() { ++recordedGl().flushes; };
  b.maxTextureSize = []() -> GLint { return recordedGl().maxTextureSize; };
  return b;
}

}  // namespace qmtest
