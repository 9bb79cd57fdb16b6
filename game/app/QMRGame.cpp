#include "game/app/QMRGame.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Settings.h"
#include "app/StartupTrace.h"
#include "game/host/GamePorts.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "game/menus/MainMenuSequence.h"
#include "game/overlays/QMRAchievementPopup.h"
#include "game/overlays/QMRTextBanner.h"
#include "game/host/QMRGameSequenceInterface.h"
#include "game/menus/QMRHonorSequence.h"
#include "game/menus/QMRLogoSequence.h"
#include "render_engine/CSpriteVideo.h"
#include "sound/AudioEngine.h"

GameLoop* makeQMRGame() { return new QMRGame(); }

namespace {
// Before main: whoever asks GameLoop first gets the game's object.
const bool g_factoryRegistered = GameLoop::setApplicationFactory(&makeQMRGame);

bool g_videoStartPending = false;

constexpr std::uint32_t kSharedSounds[] = {16, 5, 11, 13, 14, 21, 25};

QMRGameSequenceInterface* asGameSequence(GameSequenceInterface* s) {
  return dynamic_cast<QMRGameSequenceInterface*>(s);
}
}  // namespace

QMRGame* QMRGame::getInstance() {
  (void)g_factoryRegistered;
  return dynamic_cast<QMRGame*>(GameLoop::getInstance());
}

GameLoop* createApplication() { return QMRGame::getInstance(); }

QMRGame::~QMRGame() {
  stopVideo();
  for (std::uint32_t id : kSharedSounds) AudioEngine::unloadSound(id);
}

float QMRGame::volumeFromOption(int value, int max) {
  if (max <= 0 || value < 0) return 0.5f;
  const float v = static_cast<float>(value) / static_cast<float>(max);
  if (!std::isfinite(v)) return 0.5f;
  return v > 1.0f ? 1.0f : v;
}

void QMRGame::init() {
  startuptrace::line("init");
  setDeviceState(1, 0);
  clearSettings();
  loadSettings();
  initTexts();
  loadOptions();
  setLanguage(getLanguageCode(getOptionValue(OPTION_LANGUAGE)));
  requestFullscreen(getOptionValue(OPTION_FULLSCREEN) != 0);
  addSequence(new QMRLogoSequence());
  addSequence(new MainMenuSequence());
  addSequence(new InGameSequence(this));
  addSequence(new QMRHonorSequence());
  gamePorts().loadOverlays();
  // Read on the logo's frames, one piece a frame, rather than all in the
  // frame that first needs them: the overlays' fonts and pictures, then their
  // scenes, then the menu's.
  for (const char* scene : {QMRTextBanner::kWindowScene, QMRTextBanner::kBannerScene, QMRAchievementPopup::kScene}) {
    warmup_.addScene(scene, false);
  }
  warmup_.addStep([] { gamePorts().loadOverlayScenes(); });
  warmup_.addScene(MainMenuSequence::kMenuScene, true);
  // The help page's picture is made when the page is first shown.
  warmup_.addScene(MainMenuSequence::kHelpScene, false);
  warmupHeld_ = true;
  stopVideo();
  startuptrace::line("sound");
  AudioEngine::init();
  AudioEngine::setMusicVolume(volumeFromOption(getOptionValue(OPTION_MUSIC_VOLUME), getOptionMax(OPTION_MUSIC_VOLUME)));
  AudioEngine::setSoundVolume(volumeFromOption(getOptionValue(OPTION_SOUND_VOLUME), getOptionMax(OPTION_SOUND_VOLUME)));
  startuptrace::line("init done");
}

// Began, moved and ended: the cursor hears first; a movie holds the touch
// back; a shown banner takes it; else the screen gets it.
template <typename BannerHandler, typename ScreenHandler>
void QMRGame::routeTouch(int pressState, int count, const TouchPoint points[kMaxTouches], BannerHandler banner,
                         ScreenHandler screen) {
  GamePorts& ports = gamePorts();
  ports.cursorSetPressState(pressState);
  if (pressState == 2 && count > 0) ports.cursorMoveTo(points[0].x, points[0].y, 0);
  if (video_ != nullptr) return;
  if (ports.isBannerShown()) {
    for (int i = 0; i < clampTouchCount(count); ++i) (ports.*banner)(points[i].x, points[i].y);
    return;
  }
  screen();
}

void QMRGame::touchesBegan(int count, const TouchPoint points[kMaxTouches], bool track) {
  routeTouch(1, count, points, &GamePorts::bannerTouchBegan, [&] { GameLoop::touchesBegan(count, points, track); });
}

void QMRGame::touchesMoved(int count, const TouchPoint points[kMaxTouches], bool track) {
  routeTouch(2, count, points, &GamePorts::bannerTouchMoved, [&] { GameLoop::touchesMoved(count, points, track); });
}

void QMRGame::touchesEnded(int count, const TouchPoint points[kMaxTouches], bool track) {
  routeTouch(3, count, points, &GamePorts::bannerTouchEnded, [&] { GameLoop::touchesEnded(count, points, track); });
}

void QMRGame::touchesHovered(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (count > 0) gamePorts().cursorMoveTo(points[0].x, points[0].y, 0);
  GameLoop::touchesHovered(count, points, track);
}

void QMRGame::drawOverlay() {
  gamePorts().drawOverlays();
  gamePorts().cursorDraw();
}

void QMRGame::updateCurrentSequence(int ms) {
  if (video_ != nullptr) {
    video_->update(ms);
    if (g_videoStartPending) {
      video_->play(false);
      g_videoStartPending = false;
    }
  }
  GameLoop::updateCurrentSequence(ms);
  gamePorts().updateOverlays(ms);
  gamePorts().cursorUpdate(ms);
  stepWarmup();
}

void QMRGame::stepWarmup() {
  if (!warmupHeld_) return;
  auto* menu = dynamic_cast<MainMenuSequence*>(getSequence(kMainMenu));
  if (menu != nullptr && menu->areScenesBuilt()) {
    // The menu's nodes hold what they took; the rest goes.
    warmup_.release();
    warmupHeld_ = false;
    return;
  }
  warmup_.step();
}

void QMRGame::drawCurrentSequence() {
  if (video_ != nullptr) {
    video_->draw(true, true);
  } else {
    GameLoop::drawCurrentSequence();
  }
  traceFirstDraw();
}

void QMRGame::suspendAllSequences() {
  GameLoop::suspendAllSequences();
  gamePorts().unloadOverlayTextures();
}

void QMRGame::resumeAllSequences() {
  GameLoop::resumeAllSequences();
  gamePorts().unloadOverlayTextures();
}

void QMRGame::keyPressed(char key, int x, int y) {
  if (video_ != nullptr) {
    stopVideo();
    return;
  }
  GameLoop::keyPressed(key, x, y);
}

// The switch hid the system pointer: mode 0 shows it again.
void QMRGame::fullscreenSwitched() { gamePorts().cursorReapplyMode(); }

void QMRGame::startLevel(int levelId) {
  LevelsManager& levels = LevelsManager::getInstance();
  const LevelRecord* record = levels.findLevel(levelId);
  if (record == nullptr) {
    // Not a level of the map (the last one's "next", a damaged design file).
    std::printf("startLevel: no level %d, back to the map\n", levelId);
    returnToMapPage();
    return;
  }
  levels.setLastPlayedLevel(levelId);
  if (auto* play = dynamic_cast<InGameSequence*>(getSequence(kInGame))) {
    play->prepareLevel(levelId, record->scenery, record->tutoId);
  }
  setCurrentSequence(kInGame);
}

void QMRGame::returnToMapPage() {
  setCurrentSequence(kMainMenu);
  if (auto* menu = dynamic_cast<MainMenuSequence*>(getSequence(kMainMenu))) menu->showScreen(5);
}

void QMRGame::returnToMenu() {
  setCurrentSequence(kMainMenu);
  if (auto* menu = dynamic_cast<MainMenuSequence*>(getSequence(kMainMenu))) menu->showScreen(6);
}

void QMRGame::playVideo(const char* movieName, const char* subtitleName) {
  stopVideo();
  video_ = new RenderEngine::CSpriteVideo(movieName != nullptr ? movieName : "", true, true,
                                          subtitleName != nullptr ? subtitleName : "", false);
  video_->setPosition(static_cast<float>(video_->getWidth()) / 2.0f, static_cast<float>(video_->getHeight()) / 2.0f,
                      0);
  AudioEngine::stopAll();
  gamePorts().cursorSetMode(3);
  g_videoStartPending = true;
}

void QMRGame::stopVideo() {
  if (video_ == nullptr) return;
  video_->stop();
  delete video_;
  video_ = nullptr;
  RenderEngine::hideSubtitle();
  g_videoStartPending = false;
}

bool QMRGame::isVideoPlaying() { return video_ != nullptr && !video_->isFinished(); }

void QMRGame::forwardButton(int buttonId) {
  if (QMRGameSequenceInterface* s = asGameSequence(getCurrentSequence())) s->buttonPressed(buttonId);
}

void QMRGame::notifyBannerShown() {
  if (QMRGameSequenceInterface* s = asGameSequence(getCurrentSequence())) s->bannerShown();
}

void QMRGame::notifyBannerHidden() {
  if (QMRGameSequenceInterface* s = asGameSequence(getCurrentSequence())) s->bannerHidden();
}

// QM_TRACE_START=1: a line when a screen is drawn for the first time after a
// switch, and when the menu first shows a screen a player can click.
void QMRGame::traceFirstDraw() {
  if (!startuptrace::enabled() || isLoadingScreenShown()) return;
  if (getCurrentIndex() != tracedIndex_) {
    tracedIndex_ = getCurrentIndex();
    const std::string what = "sequence " + std::to_string(tracedIndex_) + " drawn";
    startuptrace::line(what.c_str());
  }
  if (!menuClickableTraced_ && getCurrentIndex() == kMainMenu) {
    auto* menu = dynamic_cast<MainMenuSequence*>(getSequence(kMainMenu));
    if (menu != nullptr && menu->getScreen() != 0) {
      menuClickableTraced_ = true;
      startuptrace::line("menu clickable");
    }
  }
}
