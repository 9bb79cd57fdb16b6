#include "game/app/QMRGame.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Settings.h"
#include "game/host/GamePorts.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "game/menus/MainMenuSequence.h"
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

namespace {
// QM_TRACE_START=1: a line at the steps of start-up and when a screen is drawn
// for the first time after a switch, for the start-up probe (milliseconds on
// the monotonic clock).
bool traceStart() {
  static const bool trace = [] {
    const char* v = std::getenv("QM_TRACE_START");
    return v != nullptr && v[0] != '\0' && v[0] != '0';
  }();
  return trace;
}
void traceLine(const char* what, int sequence) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long ms = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  if (sequence >= 0) {
    std::printf("startup: sequence %d drawn at %lld\n", sequence, ms);
  } else {
    std::printf("startup: %s at %lld\n", what, ms);
  }
  std::fflush(stdout);
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
  if (traceStart()) traceLine("init", -1);
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
  stopVideo();
  if (traceStart()) traceLine("sound", -1);
  AudioEngine::init();
  AudioEngine::setMusicVolume(volumeFromOption(getOptionValue(OPTION_MUSIC_VOLUME), getOptionMax(OPTION_MUSIC_VOLUME)));
  AudioEngine::setSoundVolume(volumeFromOption(getOptionValue(OPTION_SOUND_VOLUME), getOptionMax(OPTION_SOUND_VOLUME)));
  if (traceStart()) traceLine("init done", -1);
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

void QMRGame::traceFirstDraw() {
  if (!traceStart() || getCurrentIndex() == tracedIndex_ || isLoadingScreenShown()) return;
  tracedIndex_ = getCurrentIndex();
  traceLine("", tracedIndex_);
}
