#include "app/DemoApplication.h"

#include <cstdio>

#include <GL/gl.h>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Settings.h"
#include "render_engine/GlStateCache.h"

namespace {

// One screen: a backdrop and a few blocks; a click (press and release) switches
// to the other screen.
class DemoSequence : public GameSequenceInterface {
 public:
  DemoSequence(int id, float r, float g, float b) : id_(id), r_(r), g_(g), b_(b) {}

  bool load() override { return ++loadSteps_ >= 3; }  // a few frames, like real loading
  void unload() override {}
  void update(int ms) override { clock_ += ms; }
  void draw() override {
    glColor4f(r_ * 0.35f, g_ * 0.35f, b_ * 0.35f, 1.0f);
    RenderEngine::drawSolidRect(0, 0, 480, 320);
    // A marker in the top-left corner: point (0, 0) is the top left.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    RenderEngine::drawSolidRect(0, 0, 24, 24);
    // A block that slides across to show the frame loop running.
    const float t = static_cast<float>(clock_ % 4000) / 4000.0f;
    glColor4f(r_, g_, b_, 1.0f);
    RenderEngine::drawSolidRect(40 + t * 360, 140, 40, 40);
    if (pressed_) {
      glColor4f(1.0f, 1.0f, 0.2f, 1.0f);
      RenderEngine::drawSolidRect(static_cast<float>(pressX_ - 6), static_cast<float>(pressY_ - 6), 12, 12);
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  }
  void enter() override { pressed_ = false; }
  void leave() override {}
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override {}
  void touchBegan(int x, int y) override {
    pressed_ = true;
    pressX_ = x;
    pressY_ = y;
  }
  void touchMoved(int x, int y) override {
    pressX_ = x;
    pressY_ = y;
  }
  void touchEnded(int, int) override {
    if (!pressed_) return;
    pressed_ = false;
    GameLoop::getInstance()->setCurrentSequence(1 - id_);
  }

 private:
  int id_;
  float r_, g_, b_;
  int loadSteps_ = 0;
  int clock_ = 0;
  bool pressed_ = false;
  int pressX_ = 0;
  int pressY_ = 0;
};

}  // namespace

DemoApplication* DemoApplication::getInstance() {
  static DemoApplication* instance = nullptr;
  if (instance == nullptr) {
    instance = new DemoApplication();
    installInstance(instance);
  }
  return instance;
}

void DemoApplication::init() {
  // The start-up the game's own application object does.
  setDeviceState(1, 0);
  clearSettings();
  loadSettings();
  initTexts();
  loadOptions();
  setLanguage(getLanguageCode(getOptionValue(OPTION_LANGUAGE)));
  requestFullscreen(getOptionValue(OPTION_FULLSCREEN) != 0);
  // Nothing here draws text yet, so say which language the options chose.
  std::printf("Language: %s\n", getLanguageCode(getCurrentLanguageIndex()));
  std::fflush(stdout);
  addSequence(new DemoSequence(0, 0.2f, 0.6f, 1.0f));
  addSequence(new DemoSequence(1, 1.0f, 0.45f, 0.2f));
}

void DemoApplication::touchesHovered(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (count > 0) pointer_ = points[0];
  GameLoop::touchesHovered(count, points, track);
}

void DemoApplication::drawOverlay() {
  // A small pointer, since the system cursor is hidden.
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  RenderEngine::drawSolidRect(static_cast<float>(pointer_.x - 2), static_cast<float>(pointer_.y - 2), 4, 4);
}

GameLoop* createApplication() { return DemoApplication::getInstance(); }
