#pragma once
// Drawing into the hidden window of a picture tool as the game draws (960 x
// 640 pixels, the 480 x 320 points scaled by two), and reading the picture
// back. Needs a GL context (a freeglut window).
#include <GL/gl.h>

#include <string>
#include <vector>

#include "render_engine/GlStateCache.h"
#include "tools/texture_writer.h"

namespace screencapture {

inline constexpr int kWidth = 960;
inline constexpr int kHeight = 640;

// Clears the frame and sets the game's projection and point scale.
inline void beginFrame() {
  glViewport(0, 0, kWidth, kHeight);
  glShadeModel(GL_FLAT);
  RenderEngine::cachedEnable(GL_TEXTURE_2D);
  RenderEngine::cachedEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glScalef(1.0f, -1.0f, 1.0f);
  glOrtho(0, kWidth, 0, kHeight, -1, 0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor4f(1, 1, 1, 1);
  glScalef(2.0f, 2.0f, 1.0f);
}

// RGBA rows as GL reads them (bottom row first).
inline std::vector<unsigned char> readFrame() {
  glFinish();
  std::vector<unsigned char> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// The pixel at (x, y), y counted from the top.
inline const unsigned char* pixelAt(const std::vector<unsigned char>& pixels, int x, int y) {
  return &pixels[(static_cast<std::size_t>(kHeight - 1 - y) * kWidth + static_cast<std::size_t>(x)) * 4];
}

inline bool writePng(const std::string& path, const std::vector<unsigned char>& pixels) {
  texwriter::Picture picture(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const unsigned char* p = pixelAt(pixels, x, y);
      picture.set(x, y, texwriter::Rgba{p[0], p[1], p[2], 255});
    }
  }
  return texwriter::writePng(path, picture);
}

}  // namespace screencapture
