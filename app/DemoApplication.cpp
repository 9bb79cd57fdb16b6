#include "app/DemoApplication.h"

#include <cstdio>

#include <GL/gl.h>

#include "app/DemoSceneScreen.h"
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
