#include "app/WindowGlue.h"

#include <GL/freeglut.h>
#include <malloc.h>

#include <cstdio>
#include <cstdint>
#include <ctime>
#include <string>

#include "app/GameLoop.h"
#include "app/Random.h"
#include "app/StartupTrace.h"
#include "app/StringUtils.h"
#include "platform/platform.h"
#include "render_engine/GlStateCache.h"

namespace window {

Viewport computeLetterbox(int width, int height) {
  Viewport vp;
  if (width <= 0 || height <= 0) return vp;  // minimised: nothing to draw into
  const float pictureAspect = 960.0f / 640.0f;
  const float windowAspect = static_cast<float>(width) / static_cast<float>(height);
  if (pictureAspect < windowAspect) {
    vp.height = height;
    vp.width = static_cast<int>(static_cast<float>(height) * 1.5f);
    vp.x = (width - vp.width) / 2;
  } else {
    vp.width = width;
    vp.height = static_cast<int>(static_cast<float>(width) / 1.5f);
    vp.y = (height - vp.height) / 2;
  }
  return vp;
}

static int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool mapWindowToPoints(const Viewport& vp, int x, int y, int& px, int& py) {
  if (vp.empty()) return false;
  // 64-bit products: a huge window position must not overflow before the clamp.
  const long long sx = (static_cast<long long>(x) - vp.x) * kPictureWidth / vp.width;
  const long long sy = (static_cast<long long>(y) - vp.y) * kPictureHeight / vp.height;
  px = clampInt(static_cast<int>(static_cast<double>(sx) / 2.0), 0, kPointsWidth);
  py = clampInt(static_cast<int>(static_cast<double>(sy) / 2.0), 0, kPointsHeight);
  return true;
}

FrameLimiter::FrameLimiter(Clock clock, Sleeper sleeper) : clock_(std::move(clock)), sleeper_(std::move(sleeper)) {}

void FrameLimiter::start() { lastTick_ = clock_(); }

bool FrameLimiter::step(int& elapsedMs, bool pace) {
  // The single-precision value of 100/3, used in double precision.
  constexpr double kFrameMs = static_cast<double>(100.0f / 3.0f);
  int now = clock_();
  const int wait = static_cast<int>(kFrameMs - static_cast<double>(now - lastTick_));
  if (pace && wait > 0) {
    sleeper_(wait);
    now = clock_();
  }
  bool doUpdate = false;
  if (!skipOneUpdate_) {
    doUpdate = true;
    elapsedMs = now - lastTick_;
    if (firstUpdatePending_) {
      firstUpdatePending_ = false;
      skipOneUpdate_ = true;
    }
  } else {
    skipOneUpdate_ = false;
  }
  lastTick_ = now;
  return doUpdate;
}

SpecialKeyAction routeSpecialKey(int key, int modifiers, char& code) {
  if (key == GLUT_KEY_F4 && modifiers == GLUT_ACTIVE_ALT) return SpecialKeyAction::Quit;
  // freeglut reports Shift, Ctrl, Alt and Super pressed alone as special keys.
  if (key >= GLUT_KEY_SHIFT_L && key <= GLUT_KEY_SUPER_R) return SpecialKeyAction::Ignore;
  code = static_cast<char>(key & 0xFF);
  return SpecialKeyAction::KeyPressed;
}

bool isTouchButton(int button) {
  // freeglut reports each wheel notch as a press and release of buttons 3 to 6.
  return button < 3 || button > 6;
}

// ---------------------------------------------------------------------------
// The window and its callbacks.

namespace {

void glutGameModeStringEntry(const char* mode) { glutGameModeString(mode); }
void glutWindowStatusFuncEntry(void (*callback)(int)) { glutWindowStatusFunc(callback); }
void glViewportEntry(int x, int y, int width, int height) { glViewport(x, y, width, height); }

GlutCalls& glutCalls() {
  static GlutCalls calls{&glutGetModifiers, &glutGameModeStringEntry, &glutFullScreen, &glutReshapeWindow,
                         &glutPositionWindow, &glutSetCursor, &glutWindowStatusFuncEntry, &glViewportEntry};
  return calls;
}

GameLoop* g_application = nullptr;
int g_screenWidth = kPictureWidth;
int g_screenHeight = kPictureHeight;
std::string g_gameModeString;
int g_windowId = 0;
bool g_isFullscreen = false;
bool g_reshapePending = false;
Viewport g_viewport;

int elapsedTime() { return glutGet(GLUT_ELAPSED_TIME); }

FrameLimiter& limiter() {
  static FrameLimiter l(&elapsedTime, &platform::sleepMs);
  return l;
}

void setProjection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glScalef(1.0f, -1.0f, 1.0f);
  glOrtho(0, kPictureWidth, 0, kPictureHeight, -1, 0);
}

// A frame waits out the rest of the last one only when that one put a new
// picture on screen: the loading screen draws nothing, and a skipped render
// shows nothing, so frames after them come at once.
bool lastFrameShowedAPicture() {
  return g_application == nullptr || (g_application->lastRenderDrew() && !g_application->isLoadingScreenShown());
}

void onDisplay() {
  int elapsed = 0;
  const bool doUpdate = limiter().step(elapsed, lastFrameShowedAPicture());
  startuptrace::frameBegin();
  if (doUpdate && g_application != nullptr) g_application->update(elapsed);
  drawFrame();
  glFlush();
  // A skipped render drew nothing; swapping would show a stale back buffer.
  if (g_application == nullptr || g_application->lastRenderDrew()) glutSwapBuffers();
  startuptrace::frameEnd();
  glutPostRedisplay();
}

}  // namespace

GlutCalls setGlutCalls(const GlutCalls& calls) {
  GlutCalls old = glutCalls();
  glutCalls() = calls;
  return old;
}

bool isFullscreen() { return g_isFullscreen; }

namespace {

// Every position-carrying callback maps through the letterbox; with no picture
// on screen yet the input has nowhere to land and is ignored.
bool toPoints(int x, int y, TouchPoint points[kMaxTouches]) {
  int px = 0;
  int py = 0;
  if (g_application == nullptr || !mapWindowToPoints(g_viewport, x, y, px, py)) return false;
  points[0] = TouchPoint{px, py};
  return true;
}

}  // namespace

void onMouse(int button, int state, int x, int y) {
  if (!isTouchButton(button)) return;
  TouchPoint points[kMaxTouches] = {};
  if (!toPoints(x, y, points)) return;
  if (state == GLUT_DOWN) {
    g_application->queueTouchBegan(1, points, false);
  } else if (state == GLUT_UP) {
    g_application->queueTouchEnded(1, points, false);
  }
}

void onMotion(int x, int y) {
  TouchPoint points[kMaxTouches] = {};
  if (toPoints(x, y, points)) g_application->queueTouchMoved(1, points, false);
}

void onPassiveMotion(int x, int y) {
  TouchPoint points[kMaxTouches] = {};
  if (toPoints(x, y, points)) g_application->queueTouchHover(1, points, false);
}

void onKeyboard(unsigned char key, int x, int y) {
  TouchPoint points[kMaxTouches] = {};
  if (toPoints(x, y, points)) g_application->keyPressed(static_cast<char>(key), points[0].x, points[0].y);
}

void onSpecialKey(int key, int x, int y) {
  if (g_application == nullptr) return;
  char code = 0;
  switch (routeSpecialKey(key, glutCalls().getModifiers(), code)) {
    case SpecialKeyAction::Quit: g_application->quit(); break;
    case SpecialKeyAction::Ignore: break;
    case SpecialKeyAction::KeyPressed: {
      TouchPoint points[kMaxTouches] = {};
      if (toPoints(x, y, points)) g_application->keyPressed(code, points[0].x, points[0].y);
      break;
    }
  }
}

namespace {

void registerWindowStatus() { glutCalls().windowStatusFunc(&onWindowStatus); }

void setFullscreen(bool on) {
  if (on == g_isFullscreen) return;
  const GlutCalls& glut = glutCalls();
  if (on) {
    glut.gameModeString(g_gameModeString.c_str());
    glut.fullScreen();
    glut.setCursor(GLUT_CURSOR_NONE);
    g_reshapePending = true;
  } else {
    glut.reshapeWindow(kPictureWidth, kPictureHeight);
    onReshape(kPictureWidth, kPictureHeight);
    glut.positionWindow((g_screenWidth >> 1) - kPictureWidth / 2, (g_screenHeight >> 1) - kPictureHeight / 2);
    glut.setCursor(GLUT_CURSOR_NONE);
  }
  g_isFullscreen = on;
  if (g_application != nullptr) g_application->fullscreenSwitched();
}

}  // namespace

void onWindowStatus(int state) {
  if (g_application != nullptr) g_application->setActive(state != GLUT_HIDDEN);
  glutCalls().windowStatusFunc(nullptr);
  registerWindowStatus();
}

void onIdle() {
  if (g_application == nullptr) return;
  if (g_application->isFullscreenChangeRequested()) setFullscreen(g_application->takeFullscreenRequest());
  // A hidden window gets no redisplay but idle keeps coming: do not spin.
  if (!g_application->isActive()) platform::sleepMs(10);
}

void onClose() {
  // The window manager closed the window: leave through the application object
  // so the sound is shut down as on Alt+F4.
  if (g_application != nullptr) g_application->quit();
}

namespace {

void registerCallbacks() {
  glutDisplayFunc(&onDisplay);
  glutReshapeFunc(&onReshape);
  glutMouseFunc(&onMouse);
  glutMotionFunc(&onMotion);
  glutPassiveMotionFunc(&onPassiveMotion);
  glutKeyboardFunc(&onKeyboard);
  glutSpecialFunc(&onSpecialKey);
  glutIdleFunc(&onIdle);
  registerWindowStatus();
  glutCloseFunc(&onClose);
}

}  // namespace

void onReshape(int width, int height) {
  g_viewport = computeLetterbox(width, height);
  glutCalls().viewport(g_viewport.x, g_viewport.y, g_viewport.width, g_viewport.height);
}

const Viewport& currentViewport() { return g_viewport; }

void setInitialGLState() {
  using RenderEngine::cachedDisable;
  using RenderEngine::cachedEnable;
  glShadeModel(GL_FLAT);
  cachedDisable(GL_DEPTH_TEST);
  cachedDisable(GL_DITHER);
  cachedDisable(GL_NORMALIZE);
  cachedDisable(GL_ALPHA_TEST);
  cachedDisable(GL_LIGHTING);
  cachedDisable(GL_FOG);
  cachedEnable(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  cachedEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void openWindow(int& argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  // Leaving the main loop on close lets onClose run instead of an abrupt exit.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  g_screenWidth = glutGet(GLUT_SCREEN_WIDTH);
  g_screenHeight = glutGet(GLUT_SCREEN_HEIGHT);
  if (g_screenWidth == 0 || g_screenHeight == 0) {
    g_screenWidth = kPictureWidth;
    g_screenHeight = kPictureHeight;
  }
  g_gameModeString = toString(g_screenWidth) + "x" + toString(g_screenHeight) + ":" + "16";
  glutInitWindowSize(kPictureWidth, kPictureHeight);
  glutInitWindowPosition((g_screenWidth >> 1) - kPictureWidth / 2, (g_screenHeight >> 1) - kPictureHeight / 2);
  g_windowId = glutCreateWindow("Quillmoor");
  g_isFullscreen = false;
  setInitialGLState();
  registerCallbacks();
  glutSetCursor(GLUT_CURSOR_NONE);
}

void attachApplication(GameLoop* app) { g_application = app; }

void keepFreedMemory() {
  // Pictures, font atlases and sounds are decoded into blocks of megabytes
  // that are freed once uploaded. By default each such block is mapped
  // afresh and handed back when freed, and every page of it is faulted in
  // again for the next one, which costs more than the decoding. Served from
  // the heap and kept there when freed, the next block reuses pages that
  // are already there.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

void drawFrame() {
  if (g_reshapePending) {
    // Lay out for the size the window really got; the desktop size is only a guess.
    int w = glutGet(GLUT_WINDOW_WIDTH);
    int h = glutGet(GLUT_WINDOW_HEIGHT);
    if (w <= 0 || h <= 0) {
      w = g_screenWidth;
      h = g_screenHeight;
    }
    onReshape(w, h);
    g_reshapePending = false;
  }
  setProjection();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  if (g_application != nullptr) g_application->render();
  glPopMatrix();
}

void runProgram(int argc, char** argv, GameLoop* (*createApplication)()) {
  startuptrace::line("main");
  keepFreedMemory();
  seedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
  openWindow(argc, argv);
  startuptrace::line("window");
  GameLoop* app = createApplication();
  attachApplication(app);
  app->start();
  app->setFrameInterval(33);
  limiter().start();
  glutMainLoop();
  // glutMainLoop returns only when the window went away without onClose quitting.
  app->quit();
  platform::exitProcess(0);
}

}  // namespace window
