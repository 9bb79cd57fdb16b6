#include "game/host/CursorWindowLayer.h"

#include <GL/freeglut.h>

namespace {

class GlutCursorWindowLayer : public CursorWindowLayer {
 public:
  void setSystemCursorVisible(bool visible) override {
    // freeglut aborts the process on a cursor call before its set-up or
    // without a current window.
    if (glutGet(GLUT_INIT_STATE) == 0 || glutGetWindow() == 0) return;
    glutSetCursor(visible ? GLUT_CURSOR_INHERIT : GLUT_CURSOR_NONE);
  }
};

}  // namespace

CursorWindowLayer* glutCursorWindowLayer() {
  static GlutCursorWindowLayer layer;
  return &layer;
}
