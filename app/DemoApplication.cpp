#include "app/DemoApplication.h"

#include <cstdio>

#include <GL/gl.h>

#include "app/DemoMovie.h"
#include "app/DemoSceneScreen.h"
#include "app/DemoOverlays.h"
#include "app/DemoSound.h"
#include "app/DemoTextScreen.h"
#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Settings.h"
#include "render_engine/GlStateCache.h"

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
  addSequence(createDemoSceneScreen(0, "demo-meadow.bin"));
  addSequence(createDemoSceneScreen(1, "demo-cast.bin"));
  addSequence(createDemoTextScreen(2));
  startDemoOverlays();
}

void DemoApplication::keyPressed(char key, int x, int y) {
  if (!demoOverlaysKey(key)) GameLoop::keyPressed(key, x, y);
}

void DemoApplication::touchesMoved(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (count < 1 || !demoOverlaysTouch(1, points[0].x, points[0].y)) GameLoop::touchesMoved(count, points, track);
}

// The intro movie plays before the screens and takes their place meanwhile.
void DemoApplication::updateCurrentSequence(int ms) {
  if (!demoMovieUpdate(ms)) GameLoop::updateCurrentSequence(ms);
  updateDemoOverlays(ms);
}
void DemoApplication::drawCurrentSequence() {
  if (!demoMovieDraw()) GameLoop::drawCurrentSequence();
}
// A playing movie takes the touch first, then a banner on screen.
void DemoApplication::touchesBegan(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (demoMoviePress()) return;
  if (count < 1 || !demoOverlaysTouch(0, points[0].x, points[0].y)) GameLoop::touchesBegan(count, points, track);
}
void DemoApplication::touchesEnded(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (demoMovieTouch()) return;
  if (count < 1 || !demoOverlaysTouch(2, points[0].x, points[0].y)) GameLoop::touchesEnded(count, points, track);
}

void DemoApplication::touchesHovered(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (count > 0) demoOverlaysTouch(4, points[0].x, points[0].y);
  GameLoop::touchesHovered(count, points, track);
}

void DemoApplication::drawOverlay() {
  drawDemoOverlays();
}

GameLoop* createApplication() { return DemoApplication::getInstance(); }
