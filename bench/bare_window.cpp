// The floor under the game's start-up: a program that opens the window the
// game opens (GLUT, double-buffered with depth, 960x640 centred, "Quillmoor"),
// clears it, swaps once and says when, in the game's start-up trace format:
//   startup: sequence 0 drawn at <monotonic ms> cpu <process cpu ms>
// bench_startup runs it beside the game.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

long long clockMs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void display() {
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glFlush();
  glutSwapBuffers();
  std::printf("startup: sequence 0 drawn at %lld cpu %lld\n", clockMs(CLOCK_MONOTONIC),
              clockMs(CLOCK_PROCESS_CPUTIME_ID));
  std::fflush(stdout);
  std::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  int w = glutGet(GLUT_SCREEN_WIDTH);
  int h = glutGet(GLUT_SCREEN_HEIGHT);
  if (w == 0 || h == 0) {
    w = 960;
    h = 640;
  }
  glutInitWindowSize(960, 640);
  glutInitWindowPosition(w / 2 - 480, h / 2 - 320);
  glutCreateWindow("Quillmoor");
  glutDisplayFunc(&display);
  glutMainLoop();
  return 0;
}
