#include "app/DemoApplication.h"

#include <cstdio>

#include <GL/gl.h>

#include "app/DemoMovie.h"
#include "app/DemoSound.h"
#include "app/DemoTextScreen.h"
#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Settings.h"
#include "render_engine/CScene.h"
#include "render_engine/CSprite.h"
#include "render_engine/GlStateCache.h"

namespace {

// One screen: a textured backdrop, sprites from the sample sheets and a tinted
// block sliding across; a click (press and release) goes on to the next screen.
class DemoSequence : public GameSequenceInterface {
 public:
  DemoSequence(int id, float r, float g, float b) : id_(id), r_(r), g_(g), b_(b) {}
  ~DemoSequence() override { delete scene_; }

  bool load() override {
    if (scene_ == nullptr) {
      scene_ = new RenderEngine::CScene();
      // The backdrop is one large picture: allow it to load now.
      RenderEngine::CSprite::setSkipLargeTextures(false);
      auto* backdrop = new RenderEngine::CSprite("background");
      RenderEngine::CSprite::setSkipLargeTextures(true);
      backdrop->setPosition(240, 160, 0);
      backdrop->setScale(0.5f, 0.5f, 1.0f);  // 960x640 pixels onto 480x320 points
      backdrop->setOpaque(true);
      scene_->registerNode(backdrop);
      // Sheet sprites by number: a sheep, a wolf, blocks and a button.
      const int ids[] = {100, 101, 102, 103, 104, 105, 200};
      const float xs[] = {120, 360, 180, 240, 300, 420, 240};
      const float ys[] = {250, 250, 280, 280, 296, 60, 40};
      for (int i = 0; i < 7; ++i) {
        auto* sprite = new RenderEngine::CSprite(ids[i]);
        sprite->setPosition(xs[i], ys[i], 0);
        scene_->registerNode(sprite);
      }
      slider_ = new RenderEngine::CSprite(102);
      slider_->setColor(r_ * 255.0f, g_ * 255.0f, b_ * 255.0f, 255.0f);
      scene_->registerNode(slider_);
    }
    return ++loadSteps_ >= 3;  // a few frames, like real loading
  }
  void unload() override {}
  void update(int ms) override {
    clock_ += ms;
    const float t = static_cast<float>(clock_ % 4000) / 4000.0f;
    slider_->setPosition(40 + t * 400, 160, 0);
    slider_->setRotation(0, 0, t * 360.0f);
    scene_->update(ms);
  }
  void draw() override {
    scene_->render();
    // A marker in the top-left corner: point (0, 0) is the top left.
    glColor4f(r_, g_, b_, 1.0f);
    RenderEngine::drawSolidRect(0, 0, 24, 24);
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
    playDemoClick();
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
    DemoApplication* loop = DemoApplication::getInstance();
    loop->setCurrentSequence((id_ + 1) % loop->getSequenceCount());
  }

 private:
  int id_;
  float r_, g_, b_;
  RenderEngine::CScene* scene_ = nullptr;
  RenderEngine::CSprite* slider_ = nullptr;
  int loadSteps_ = 0;
  int clock_ = 0;
  bool pressed_ = false;
  int pressX_ = 0;
  int pressY_ = 0;
};

}  // namespace

namespace {
GameLoop* makeDemoApplication() { return new DemoApplication(); }
// Before main: whoever asks GameLoop first gets this class's one object.
const bool g_factoryRegistered = GameLoop::setApplicationFactory(&makeDemoApplication);
}  // namespace

DemoApplication* DemoApplication::getInstance() {
  (void)g_factoryRegistered;
  return static_cast<DemoApplication*>(GameLoop::getInstance());
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
  startDemoSound();
  // Say which language the options chose (the text screen shows it too).
  std::printf("Language: %s\n", getLanguageCode(getCurrentLanguageIndex()));
  std::fflush(stdout);
  addSequence(new DemoSequence(0, 0.2f, 0.6f, 1.0f));
  addSequence(new DemoSequence(1, 1.0f, 0.45f, 0.2f));
  addSequence(createDemoTextScreen(2));
}

// The intro movie plays before the screens and takes their place meanwhile.
void DemoApplication::updateCurrentSequence(int ms) {
  if (!demoMovieUpdate(ms)) GameLoop::updateCurrentSequence(ms);
}
void DemoApplication::drawCurrentSequence() {
  if (!demoMovieDraw()) GameLoop::drawCurrentSequence();
}
void DemoApplication::touchesBegan(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (!demoMoviePress()) GameLoop::touchesBegan(count, points, track);
}
void DemoApplication::touchesEnded(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (!demoMovieTouch()) GameLoop::touchesEnded(count, points, track);
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
