#pragma once
// A double-buffered GLUT window with its OpenGL context, opened once per
// process, for tests and benchmarks that draw (run them under xvfb-run).
#include <GL/freeglut.h>

#include <cstdlib>

namespace qmtest {

// Opens the window on the first call; false when there is no display.
inline bool openGlWindow(const char* title, int width = 64, int height = 64) {
  static const bool open = [&] {
    if (std::getenv("DISPLAY") == nullptr) return false;
    int argc = 1;
    char name[] = "qm_gl";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
    glutInitWindowSize(width, height);
    glutCreateWindow(title);
    return true;
  }();
  return open;
}

}  // namespace qmtest
