// Drives the real window under a virtual display: the picture's orientation,
// the letterbox bars, the initial GL state and the quit on a GL error.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/GameLoop.h"
#include "app/WindowGlue.h"
#include "platform/platform.h"
#include "render_engine/GlStateCache.h"
#include "render_engine/Texture.h"

namespace {

// Red marker at point (0, 0), 10x10 points, on a blue background.
class MarkerSequence : public GameSequenceInterface {
 public:
  bool load() override { return true; }
  void unload() override {}
  void update(int) override {}
  void draw() override {
    glColor4f(0, 0, 1, 1);
    RenderEngine::drawSolidRect(0, 0, 480, 320);
    glColor4f(1, 0, 0, 1);
    RenderEngine::drawSolidRect(0, 0, 10, 10);
    glColor4f(1, 1, 1, 1);
    if (breakGl) glEnd();  // glEnd without glBegin: an invalid operation
    if (breakGl && uploadAfterBreak) {
      // An upload checks its own calls; the error left before it must still
      // reach the end-of-frame check.
      const unsigned char pixels[4 * 4 * 4] = {};
      RenderEngine::CTexture texture;
      texture.uploadImage(pixels, 4, 4, 4, 4, true);
    }
  }
  void enter() override {}
  void leave() override {}
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override {}
  bool breakGl = false;
  bool uploadAfterBreak = false;
};

class Loop : public GameLoop {
 public:
  explicit Loop(MarkerSequence* s) { addSequence(s); }
  // While a test waits for it, every quit reaches the exit handler (the real
  // one runs only once); the window's close at process exit changes nothing.
  void quit() override {
    if (quitReachesHandler) platform::exitProcess(getExitStatus());
  }
  bool quitReachesHandler = false;
};

struct ExitCalled : std::runtime_error {
  explicit ExitCalled(int s) : std::runtime_error("exit"), status(s) {}
  int status;
};

struct Rgb {
  int r, g, b;
};

// Reads the back buffer at window pixel (x, y) counted from the top left.
Rgb pixelAt(int x, int y) {
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  const int windowHeight = glutGet(GLUT_WINDOW_HEIGHT);
  unsigned char px[4] = {};
  glReadBuffer(GL_BACK);
  glReadPixels(x, windowHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  return Rgb{px[0], px[1], px[2]};
}

void expectColour(Rgb got, Rgb want, const char* where) {
  EXPECT_EQ(got.r, want.r) << where;
  EXPECT_EQ(got.g, want.g) << where;
  EXPECT_EQ(got.b, want.b) << where;
}

// Lets GLUT deliver pending window events (map, reshape) until cond holds.
template <class Cond>
bool pumpUntil(Cond cond) {
  for (int i = 0; i < 200 && !cond(); ++i) {
    glutMainLoopEvent();
    platform::sleepMs(5);
  }
  return cond();
}

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    int argc = 1;
    static char name[] = "window_gl_test";
    static char* argv[] = {name, nullptr};
    window::openWindow(argc, argv);
    sequence = new MarkerSequence();
    loop = new Loop(sequence);
    window::attachApplication(loop);
    loop->start();
    // Loading takes one frame, the switch skips the next one.
    for (int i = 0; i < 3; ++i) {
      loop->update(33);
      loop->render();
    }
  }
  static MarkerSequence* sequence;
  static Loop* loop;
};
MarkerSequence* WindowTest::sequence = nullptr;
Loop* WindowTest::loop = nullptr;

TEST_F(WindowTest, InitialStateGoesThroughTheCache) {
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(RenderEngine::GlStateCache::capabilityState(GL_BLEND), RenderEngine::GlStateCache::Enabled);
  EXPECT_EQ(RenderEngine::GlStateCache::capabilityState(GL_FOG), RenderEngine::GlStateCache::Disabled);
}

TEST_F(WindowTest, PointZeroIsTopLeftAndBarsAppearWhenWidened) {
  ASSERT_TRUE(pumpUntil([] { return window::currentViewport().width == 960; }));
  window::drawFrame();
  ASSERT_TRUE(loop->lastRenderDrew());
  expectColour(pixelAt(2, 2), {255, 0, 0}, "top-left marker");
  expectColour(pixelAt(25, 25), {0, 0, 255}, "background just past the marker");
  expectColour(pixelAt(2, 637), {0, 0, 255}, "bottom-left is background");
  // The rectangle leaves texturing on and the vertex array off.
  EXPECT_EQ(RenderEngine::GlStateCache::capabilityState(GL_TEXTURE_2D), RenderEngine::GlStateCache::Enabled);
  EXPECT_EQ(RenderEngine::GlStateCache::clientState(GL_VERTEX_ARRAY), RenderEngine::GlStateCache::Disabled);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

  glutReshapeWindow(1200, 640);
  ASSERT_TRUE(pumpUntil([] { return window::currentViewport().x == 120; }))
      << "viewport x " << window::currentViewport().x;
  glClearColor(0, 0, 0, 1);
  glViewport(0, 0, 1200, 640);  // clear the whole window, bars included
  glClear(GL_COLOR_BUFFER_BIT);
  window::onReshape(1200, 640);
  window::drawFrame();
  expectColour(pixelAt(60, 320), {0, 0, 0}, "left bar");
  expectColour(pixelAt(1140, 320), {0, 0, 0}, "right bar");
  expectColour(pixelAt(123, 3), {255, 0, 0}, "marker moved right by the bar");
  expectColour(pixelAt(1075, 635), {0, 0, 255}, "picture's bottom-right corner");
}

TEST_F(WindowTest, InvalidOperationQuitsWithFailureStatus) {
  for (const bool upload : {false, true}) {
    SCOPED_TRACE(upload ? "texture upload after the error" : "error alone");
    platform::ExitHandler old = platform::setExitHandler([](int status) { throw ExitCalled(status); });
    sequence->breakGl = true;
    sequence->uploadAfterBreak = upload;
    loop->quitReachesHandler = true;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    int status = -1;
    try {
      window::drawFrame();
    } catch (const ExitCalled& e) {
      status = e.status;
    }
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    sequence->breakGl = false;
    loop->quitReachesHandler = false;
    platform::setExitHandler(old);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("invalid operation"), std::string::npos) << err;
    EXPECT_EQ(out.find("Error loadTextureFromMovieImage"), std::string::npos) << out;
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();  // the quit left drawFrame before it popped
  }
}

}  // namespace
