#pragma once
// The frame as the game sets it up before drawing: a 960x640 viewport, y down,
// textures and blending on; the caller then scales points by two.
#include <GL/gl.h>

#include "render_engine/GlStateCache.h"

namespace qmtest {

inline void setUpGameFrame() {
  glViewport(0, 0, 960, 640);
  RenderEngine::cachedEnable(GL_TEXTURE_2D);
  RenderEngine::cachedEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glScalef(1, -1, 1);
  glOrtho(0, 960, 0, 640, -1, 0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// Each frame after that: a cleared screen, points scaled to pixels.
inline void startGameFrame() {
  glLoadIdentity();
  glClear(GL_COLOR_BUFFER_BIT);
  glScalef(2, 2, 1);
}

}  // namespace qmtest
