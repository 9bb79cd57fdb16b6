#include "render_engine/FrameDrawing.h"

#include <GL/gl.h>

namespace RenderEngine {
namespace {
bool g_drainedInvalidOperation = false;
}  // namespace

void clearScreen() {
  glClear(GL_COLOR_BUFFER_BIT);
  glLoadIdentity();
}

void setTextureEnvMode(int mode) {
  if (mode == 0) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void drainPendingGlErrors(GLenum (*getError)()) {
  // Each kind of error is held once; the guard stops a context that keeps
  // reporting (a lost context answers the same error for ever).
  for (int guard = 0; guard < 32; ++guard) {
    const GLenum error = getError();
    if (error == GL_NO_ERROR) return;
    if (error == GL_INVALID_OPERATION) g_drainedInvalidOperation = true;
  }
}

bool takeDrainedInvalidOperation() {
  const bool seen = g_drainedInvalidOperation;
  g_drainedInvalidOperation = false;
  return seen;
}

}  // namespace RenderEngine
