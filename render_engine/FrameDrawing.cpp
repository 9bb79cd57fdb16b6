#include "render_engine/FrameDrawing.h"

#include <GL/gl.h>

namespace RenderEngine {

void clearScreen() {
  glClear(GL_COLOR_BUFFER_BIT);
  glLoadIdentity();
}

void setTextureEnvMode(int mode) {
  if (mode == 0) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

}  // namespace RenderEngine
