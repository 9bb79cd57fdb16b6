#include "game/app/QMRGame.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Settings.h"
#include "game/host/QMRGameSequenceInterface.h"
#include "game/menus/MainMenuSequence.h"
#include "game/menus/QMRHonorSequence.h"
#include "game/menus/QMRLogoSequence.h"
#include "game/overlays/MouseCursor.h"
#include "game/overlays/QMRAchievementPopup.h"
#include "game/overlays/QMRMapHud.h"
#include "game/overlays/QMRTextBanner.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
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

QMRGame::QMRGame() : previousHost_(setGameHost(this)) {}

QMRGame::~QMRGame() {
  stopVideo();
  for (std::uint32_t id : kSharedSounds) AudioEngine::unloadSound(id);
  if (&gameHost() == this) setGameHost(previousHost_);
}

void QMRGame::init() {
  if (traceStart()) traceLine("init", -1);
  setDeviceState(1, 0);
  clearSettings();
  loadSettings();
  initTexts();
  loadOptions();
  setLanguage(getLanguageCode(getOptionValue(OPTION_LANGUAGE)));
  GameLoop::requestFullscreen(getOptionValue(OPTION_FULLSCREEN) != 0);
  addSequence(new QMRLogoSequence());
  addSequence(new MainMenuSequence());
  addSequence(new InGameSequence());
  addSequence(new QMRHonorSequence());
  prepareOverlays();
  stopVideo();
  if (traceStart()) traceLine("sound", -1);
  AudioEngine::init();
  AudioEngine::setMusicVolume(MainMenuSequence::volumeFromOption(getOptionValue(OPTION_MUSIC_VOLUME),
                                                                 getOptionMax(OPTION_MUSIC_VOLUME)));
  AudioEngine::setSoundVolume(MainMenuSequence::volumeFromOption(getOptionValue(OPTION_SOUND_VOLUME),
                                                                 getOptionMax(OPTION_SOUND_VOLUME)));
  if (traceStart()) traceLine("init done", -1);
}

void QMRGame::prepareOverlays() {
  if (overlaysMade_) return;
  overlaysMade_ = true;
  overlayScenesPending_ = true;
}

bool QMRGame::overlaysReady() {
  if (!overlaysMade_) return false;
  if (overlayScenesPending_) {
    overlayScenesPending_ = false;
    QMRTextBanner::instance()->loadScene();
    QMRAchievementPopup::instance()->loadScene();
  }
  return true;
}

// --- touches and the frame ----------------------------------------------------

// Began, moved and ended: the cursor hears first; a movie holds the touch
// back; a shown banner takes it; else the screen gets it.
template <typename BannerHandler, typename ScreenHandler>
void QMRGame::routeTouch(int pressState, int count, const TouchPoint points[kMaxTouches], BannerHandler banner,
                         ScreenHandler screen) {
  pressCursor(pressState);
  if (pressState == 2 && count > 0) moveCursor(points[0].x, points[0].y);
  if (video_ != nullptr) return;
  if (isBannerShown()) {
    for (int i = 0; i < clampTouchCount(count); ++i) (this->*banner)(points[i].x, points[i].y);
    return;
  }
  screen();
}

void QMRGame::touchesBegan(int count, const TouchPoint points[kMaxTouches], bool track) {
  routeTouch(1, count, points, &QMRGame::bannerTouchBegan, [&] { GameLoop::touchesBegan(count, points, track); });
}

void QMRGame::touchesMoved(int count, const TouchPoint points[kMaxTouches], bool track) {
  routeTouch(2, count, points, &QMRGame::bannerTouchMoved, [&] { GameLoop::touchesMoved(count, points, track); });
}

void QMRGame::touchesEnded(int count, const TouchPoint points[kMaxTouches], bool track) {
  routeTouch(3, count, points, &QMRGame::bannerTouchEnded, [&] { GameLoop::touchesEnded(count, points, track); });
}

void QMRGame::touchesHovered(int count, const TouchPoint points[kMaxTouches], bool track) {
  if (count > 0) moveCursor(points[0].x, points[0].y);
  GameLoop::touchesHovered(count, points, track);
}

void QMRGame::drawOverlay() {
  drawOverlays();
  drawCursor();
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
  updateOverlays(ms);
  updateCursor(ms);
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
  unloadOverlayTextures();
}

void QMRGame::resumeAllSequences() {
  GameLoop::resumeAllSequences();
  unloadOverlayTextures();
}

void QMRGame::keyPressed(char key, int x, int y) {
  if (video_ != nullptr) {
    stopVideo();
    return;
  }
  GameLoop::keyPressed(key, x, y);
}

// The switch hid the system pointer: mode 0 shows it again.
void QMRGame::fullscreenSwitched() { MouseCursor::getInstance()->reapplyMode(); }

// --- the overlays -------------------------------------------------------------

void QMRGame::pressCursor(int pressState) { MouseCursor::getInstance()->setPressState(pressState); }

void QMRGame::moveCursor(int x, int y) { MouseCursor::getInstance()->moveTo(x, y, 0); }

void QMRGame::bannerTouchBegan(int x, int y) {
  if (overlaysReady()) QMRTextBanner::instance()->touchBegan(x, y);
}

void QMRGame::bannerTouchMoved(int x, int y) {
  if (overlaysReady()) QMRTextBanner::instance()->touchMoved(x, y);
}

void QMRGame::bannerTouchEnded(int x, int y) {
  if (overlaysReady()) QMRTextBanner::instance()->touchEnded(x, y);
}

void QMRGame::updateOverlays(int ms) {
  if (!overlaysReady()) return;
  QMRTextBanner::instance()->update(ms);
  QMRAchievementPopup::instance()->update(ms);
}

void QMRGame::updateCursor(int ms) { MouseCursor::getInstance()->update(ms); }

void QMRGame::drawOverlays() {
  if (!overlaysReady()) return;
  QMRTextBanner* banner = QMRTextBanner::instance();
  QMRAchievementPopup* popup = QMRAchievementPopup::instance();
  if (banner->isShown()) banner->draw(true, true);
  if (popup->isShown()) popup->draw(true, true);
}

void QMRGame::drawCursor() { MouseCursor::getInstance()->draw(); }

void QMRGame::unloadOverlayTextures() {
  // Scenes not read yet hold no textures.
  if (!overlaysMade_ || overlayScenesPending_) return;
  QMRTextBanner::instance()->unloadTextures();
  QMRAchievementPopup::instance()->unloadTextures();
}

// --- the host: sound, banner, pop-up, pointer, map HUD ------------------------

void QMRGame::playSound(int soundId) {
  if (soundId >= 0) AudioEngine::playSound(static_cast<std::uint32_t>(soundId), false);
}

// -1: the music volume as it stands.
void QMRGame::playMusic(std::uint32_t id, bool loop) { AudioEngine::playMusic(id, loop, -1.0f); }

void QMRGame::showBannerMessage(const BannerMessage& message) {
  overlaysReady();
  QMRTextBanner::instance()->showMessage(message);
}

void QMRGame::showResult(const BannerMessage& message, int timeMs, int actions, int score, int best, int medal) {
  overlaysReady();
  QMRTextBanner::instance()->showResult(message, timeMs, actions, score, best, medal);
}

bool QMRGame::isBannerShown() { return QMRTextBanner::instance()->isShown(); }

bool QMRGame::showNextQueued() { return QMRTextBanner::instance()->showNextQueued(); }

void QMRGame::forwardButton(int buttonId) {
  if (QMRGameSequenceInterface* s = asGameSequence(getCurrentSequence())) s->buttonPressed(buttonId);
}

void QMRGame::notifyBannerShown() {
  if (QMRGameSequenceInterface* s = asGameSequence(getCurrentSequence())) s->bannerShown();
}

void QMRGame::notifyBannerHidden() {
  if (QMRGameSequenceInterface* s = asGameSequence(getCurrentSequence())) s->bannerHidden();
}

void QMRGame::showAchievementPopup(int textId) {
  overlaysReady();
  QMRAchievementPopup::instance()->enqueue(textId);
}

void QMRGame::setCursorMode(int mode) { MouseCursor::getInstance()->setMode(mode); }

void QMRGame::setSystemCursorVisible(bool visible) {
  // freeglut aborts the process on a cursor call before its set-up or
  // without a current window.
  if (glutGet(GLUT_INIT_STATE) == 0 || glutGetWindow() == 0) return;
  glutSetCursor(visible ? GLUT_CURSOR_INHERIT : GLUT_CURSOR_NONE);
}

bool QMRGame::mapHudPress(int x, int y) { return QMRMapHud::instance()->handleTouch(x, y); }
int QMRGame::mapHudButtonAt(int x, int y) { return QMRMapHud::instance()->findButtonAt(x, y); }
void QMRGame::mapHudHighlight(bool on) { QMRMapHud::instance()->setButtonsHighlighted(on ? 1 : 0); }
void QMRGame::mapHudShowHint(bool visible) { QMRMapHud::instance()->setHintVisible(visible); }
void QMRGame::mapHudUpdate(int ms) { QMRMapHud::instance()->update(ms); }
void QMRGame::mapHudDraw() { QMRMapHud::instance()->draw(true, true); }

void QMRGame::mapHudUnloadTextures() {
  // Asking would make it.
  if (QMRMapHud::exists()) QMRMapHud::instance()->unloadTextures();
}

// --- the host: screens and movies ---------------------------------------------

void QMRGame::switchToSequence(int id) { setCurrentSequence(id); }

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
  setCursorMode(3);
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

void QMRGame::skipNextFrame() { GameLoop::skipNextFrame(); }
void QMRGame::requestFullscreen(bool on) { GameLoop::requestFullscreen(on); }
void QMRGame::quit() { GameLoop::quit(); }

void QMRGame::traceFirstDraw() {
  if (!traceStart() || getCurrentIndex() == tracedIndex_ || isLoadingScreenShown()) return;
  tracedIndex_ = getCurrentIndex();
  traceLine("", tracedIndex_);
}
