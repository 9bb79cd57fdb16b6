#include "app/WindowGlue.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GameLoop.h"

using window::computeLetterbox;
using window::FrameLimiter;
using window::mapWindowToPoints;
using window::Viewport;

namespace {
void expectViewport(const Viewport& v, int x, int y, int w, int h) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.width, w);
  EXPECT_EQ(v.height, h);
}
}  // namespace

TEST(Letterbox, KeepsThreeByTwoCentred) {
  expectViewport(computeLetterbox(1200, 640), 120, 0, 960, 640);
  expectViewport(computeLetterbox(960, 800), 0, 80, 960, 640);
  expectViewport(computeLetterbox(960, 640), 0, 0, 960, 640);
  expectViewport(computeLetterbox(1920, 1080), 150, 0, 1620, 1080);
  expectViewport(computeLetterbox(1001, 640), 20, 0, 960, 640);  // odd bar halves toward zero
  expectViewport(computeLetterbox(100, 7), 45, 0, 10, 7);        // 10.5 truncated
  // A minimised window has no picture.
  EXPECT_TRUE(computeLetterbox(960, 0).empty());
  EXPECT_TRUE(computeLetterbox(0, 640).empty());
}

TEST(Letterbox, MapsWindowPositionsToClampedPoints) {
  struct Row {
    int windowW, windowH, x, y, px, py;
  };
  const Row rows[] = {
      {1200, 640, 10, 100, 0, 50},                    // left black bar
      {1200, 640, 1199, 639, 480, 319},               // right bar, bottom edge
      {1200, 640, 120 + 959, 0, 479, 0},
      {960, 800, 480, 790, 240, 320},                 // below the picture
      {960, 800, 480, 5, 240, 0},                     // above it
      {480, 320, 3, 5, 3, 5},                         // each window pixel is two picture pixels
      {480, 320, 2000000000, -2000000000, 480, 0},    // no overflow
  };
  int px = -1;
  int py = -1;
  for (const Row& r : rows) {
    ASSERT_TRUE(mapWindowToPoints(computeLetterbox(r.windowW, r.windowH), r.x, r.y, px, py));
    EXPECT_EQ(px, r.px) << r.x << "," << r.y;
    EXPECT_EQ(py, r.py) << r.x << "," << r.y;
  }

  px = py = 77;
  EXPECT_FALSE(mapWindowToPoints(Viewport{}, 10, 10, px, py));  // empty viewport: ignored
  EXPECT_EQ(px, 77);
}

TEST(FrameLimiterTest, SleepsTheRestOfTheFrameAndSkipsTheSecondUpdate) {
  int now = 1000;
  std::vector<int> sleeps;
  FrameLimiter limiter([&] { return now; }, [&](int ms) {
    sleeps.push_back(ms);
    now += ms + 1;  // a sleep overshoots a little
  });
  limiter.start();

  int elapsed = -1;
  now += 10;  // a fast frame: sleeps 23 ms, and the update gets the whole time
  ASSERT_TRUE(limiter.step(elapsed));
  EXPECT_EQ(sleeps, (std::vector<int>{23}));
  EXPECT_EQ(elapsed, 34);

  now += 5;  // the second frame calls no update; its time is dropped
  EXPECT_FALSE(limiter.step(elapsed));
  EXPECT_EQ(sleeps.back(), 28);

  now += 50;  // a slow frame: no sleep, the long time goes to the update
  const std::size_t sleepsBefore = sleeps.size();
  ASSERT_TRUE(limiter.step(elapsed));
  EXPECT_EQ(sleeps.size(), sleepsBefore);
  EXPECT_EQ(elapsed, 50);

  now += 33;  // 33.333 - 33 truncates to 0: no sleep
  ASSERT_TRUE(limiter.step(elapsed));
  EXPECT_EQ(sleeps.size(), sleepsBefore);
  EXPECT_EQ(elapsed, 33);

  now += 32;  // one millisecond left
  ASSERT_TRUE(limiter.step(elapsed));
  EXPECT_EQ(sleeps.back(), 1);
  EXPECT_EQ(elapsed, 34);
}

TEST(FrameLimiterTest, AFrameAfterOneThatShowedNothingDoesNotWait) {
  int now = 1000;
  std::vector<int> sleeps;
  FrameLimiter limiter([&] { return now; }, [&](int ms) {
    sleeps.push_back(ms);
    now += ms;
  });
  limiter.start();
  int elapsed = -1;
  now += 4;
  ASSERT_TRUE(limiter.step(elapsed, false));
  EXPECT_TRUE(sleeps.empty());
  EXPECT_EQ(elapsed, 4);  // only the time that really passed
  now += 3;
  EXPECT_FALSE(limiter.step(elapsed, false));  // the second frame's update is still skipped
  EXPECT_TRUE(sleeps.empty());
  now += 2;
  ASSERT_TRUE(limiter.step(elapsed, true));  // after a picture: the rest of the frame is waited
  EXPECT_EQ(sleeps, (std::vector<int>{31}));
  EXPECT_EQ(elapsed, 33);
}

TEST(Keys, AltF4QuitsModifiersAloneAreIgnored) {
  char code = 0;
  EXPECT_EQ(window::routeSpecialKey(GLUT_KEY_F4, GLUT_ACTIVE_ALT, code), window::SpecialKeyAction::Quit);
  EXPECT_EQ(window::routeSpecialKey(GLUT_KEY_F4, 0, code), window::SpecialKeyAction::KeyPressed);
  EXPECT_EQ(code, 4);
  code = 0;
  EXPECT_EQ(window::routeSpecialKey(GLUT_KEY_F4, GLUT_ACTIVE_ALT | GLUT_ACTIVE_CTRL, code),
            window::SpecialKeyAction::KeyPressed);
  EXPECT_EQ(code, 4);
  EXPECT_EQ(window::routeSpecialKey(GLUT_KEY_LEFT, 0, code), window::SpecialKeyAction::KeyPressed);
  EXPECT_EQ(code, static_cast<char>(GLUT_KEY_LEFT & 0xFF));
  for (int key : {GLUT_KEY_SHIFT_L, GLUT_KEY_SHIFT_R, GLUT_KEY_CTRL_L, GLUT_KEY_CTRL_R, GLUT_KEY_ALT_L,
                  GLUT_KEY_ALT_R, GLUT_KEY_SUPER_L, GLUT_KEY_SUPER_R}) {
    EXPECT_EQ(window::routeSpecialKey(key, GLUT_ACTIVE_SHIFT, code), window::SpecialKeyAction::Ignore) << key;
  }
  EXPECT_TRUE(window::isTouchButton(GLUT_LEFT_BUTTON));
  EXPECT_TRUE(window::isTouchButton(GLUT_RIGHT_BUTTON));
  EXPECT_TRUE(window::isTouchButton(7));
  for (int wheel = 3; wheel <= 6; ++wheel) EXPECT_FALSE(window::isTouchButton(wheel));
}

// --- The callbacks themselves, driven with no window -------------------------

namespace {

std::vector<std::string> g_glut;
int g_modifiers = 0;

window::GlutCalls recordingGlut() {
  window::GlutCalls c{};
  c.getModifiers = [] { return g_modifiers; };
  c.gameModeString = [](const char* mode) { g_glut.push_back(std::string("gameMode ") + mode); };
  c.fullScreen = [] { g_glut.push_back("fullScreen"); };
  c.reshapeWindow = [](int w, int h) { g_glut.push_back("reshape " + std::to_string(w) + "x" + std::to_string(h)); };
  c.positionWindow = [](int, int) { g_glut.push_back("position"); };
  c.setCursor = [](int) {};
  c.windowStatusFunc = [](void (*f)(int)) { g_glut.push_back(f == nullptr ? "status off" : "status on"); };
  c.viewport = [](int, int, int, int) {};
  return c;
}

// Records what the callbacks ask of the application object.
class CallbackApp : public GameLoop {
 public:
  std::vector<std::string> calls;
  void queueTouchBegan(int, const TouchPoint p[kMaxTouches], bool) override { note("began", p); }
  void queueTouchMoved(int, const TouchPoint p[kMaxTouches], bool) override { note("moved", p); }
  void queueTouchEnded(int, const TouchPoint p[kMaxTouches], bool) override { note("ended", p); }
  void queueTouchHover(int, const TouchPoint p[kMaxTouches], bool) override { note("hover", p); }
  void keyPressed(char key, int, int) override { calls.push_back("key " + std::to_string(key)); }
  void quit() override { calls.push_back("quit"); }
  void setActive(bool on) override {
    calls.push_back(on ? "active" : "inactive");
    GameLoop::setActive(on);
  }
  void fullscreenSwitched() override { calls.push_back(window::isFullscreen() ? "switched on" : "switched off"); }

 private:
  void note(const char* what, const TouchPoint p[kMaxTouches]) {
    calls.push_back(std::string(what) + " " + std::to_string(p[0].x) + "," + std::to_string(p[0].y));
  }
};

}  // namespace

TEST(WindowCallbacks, InputReachesTheApplicationObjectAsTheGameExpects) {
  g_glut.clear();
  const window::GlutCalls old = window::setGlutCalls(recordingGlut());
  CallbackApp app;
  window::attachApplication(&app);
  window::onReshape(960, 640);

  // Any button but the wheel's is the touch: press began, release ended.
  window::onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 60);
  window::onMotion(120, 80);
  window::onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 120, 80);
  for (int wheel = 3; wheel <= 6; ++wheel) window::onMouse(wheel, GLUT_DOWN, 10, 10);
  window::onPassiveMotion(2000, -5);  // clamped into the point space
  EXPECT_EQ(app.calls, (std::vector<std::string>{"began 50,30", "moved 60,40", "ended 60,40", "hover 480,0"}));

  // Alt+F4 quits; F4 alone is a key.
  app.calls.clear();
  g_modifiers = GLUT_ACTIVE_ALT;
  window::onSpecialKey(GLUT_KEY_F4, 0, 0);
  g_modifiers = 0;
  window::onSpecialKey(GLUT_KEY_F4, 0, 0);
  window::onKeyboard('p', 0, 0);
  EXPECT_EQ(app.calls, (std::vector<std::string>{"quit", "key 4", "key 112"}));

  // A full-screen request waits for the idle callback, which applies it once.
  app.calls.clear();
  app.requestFullscreen(true);
  EXPECT_TRUE(g_glut.empty());
  window::onIdle();
  EXPECT_TRUE(window::isFullscreen());
  EXPECT_FALSE(app.isFullscreenChangeRequested());
  ASSERT_EQ(g_glut.size(), 2u);
  EXPECT_EQ(g_glut[1], "fullScreen");
  window::onIdle();
  EXPECT_EQ(g_glut.size(), 2u);
  app.requestFullscreen(false);
  window::onIdle();
  EXPECT_FALSE(window::isFullscreen());
  EXPECT_EQ(g_glut[2], "reshape 960x640");
  // Each switch, once applied, is told: the pointer is to be shown again.
  EXPECT_EQ(app.calls, (std::vector<std::string>{"switched on", "switched off"}));
  app.calls.clear();

  // Hiding the window makes the application inactive (its sound paused), and
  // the callback registers itself again.
  g_glut.clear();
  window::onWindowStatus(GLUT_HIDDEN);
  EXPECT_FALSE(app.isActive());
  window::onWindowStatus(GLUT_FULLY_RETAINED);
  EXPECT_TRUE(app.isActive());
  EXPECT_EQ(app.calls, (std::vector<std::string>{"inactive", "active"}));
  EXPECT_EQ(g_glut, (std::vector<std::string>{"status off", "status on", "status off", "status on"}));

  // Closing the window leaves through the application object.
  app.calls.clear();
  window::onClose();
  EXPECT_EQ(app.calls, (std::vector<std::string>{"quit"}));

  window::attachApplication(nullptr);
  window::setGlutCalls(old);
}
