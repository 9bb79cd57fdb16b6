#include "game/app/QMRGame.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Settings.h"
#include "app/StartupTrace.h"
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
  startuptrace::line("init");
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
  // Read on the logo's frames, one piece a frame, rather than all in the
  // frame that first needs them: the overlays' fonts and pictures, then their
  // scenes, then the menu's.
  for (const char* scene : {QMRTextBanner::kWindowScene, QMRTextBanner::kBannerScene, QMRAchievementPopup::kScene}) {
    warmup_.addScene(scene, false);
  }
  warmup_.addStep([this] { loadOverlayScenes(); });
  warmup_.addScene(MainMenuSequence::kMenuScene, true);
  // The help page's picture is made when the page is first shown.
  warmup_.addScene(MainMenuSequence::kHelpScene, false);
  warmupHeld_ = true;
  stopVideo();
  startuptrace::line("sound");
  AudioEngine::init();
  AudioEngine::setMusicVolume(MainMenuSequence::volumeFromOption(getOptionValue(OPTION_MUSIC_VOLUME),
                                                                 getOptionMax(OPTION_MUSIC_VOLUME)));
  AudioEngine::setSoundVolume(MainMenuSequence::volumeFromOption(getOptionValue(OPTION_SOUND_VOLUME),
                                                                 getOptionMax(OPTION_SOUND_VOLUME)));
  startuptrace::line("init done");
}

void QMRGame::prepareOverlays() {
  if (overlaysMade_) return;
  overlaysMade_ = true;
  overlayScenesPending_ = true;
}

void QMRGame::loadOverlayScenes() { overlaysReady(); }

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
  stepWarmup();
}

void QMRGame::stepWarmup() {
  if (!warmupHeld_) return;
  auto* menu = dynamic_cast<MainMenuSequence*>(getSequence(kMainMenu));
  if (menu != nullptr && menu->areScenesBuilt()) {
    // Once the intro and the first clickable screen have been drawn, their
    // sprites hold what they took; the rest goes. Released any earlier, the
    // large pictures would be freed before those sprites' first draw and read
    // again in that frame.
    if (menuDrawnClickable_) {
      warmup_.release();
      warmupHeld_ = false;
    }
    return;
  }
  if (getCurrentIndex() == kLogo || getCurrentIndex() == kMainMenu) {
    warmup_.step();
  } else {
    // A level or the honour board came before the menu (started directly):
    // what was made ahead is for screens not coming now.
    warmup_.release();
    warmupHeld_ = false;
  }
}

void QMRGame::drawCurrentSequence() {
  if (video_ != nullptr) {
    video_->draw(true, true);
  } else {
    GameLoop::drawCurrentSequence();
  }
  if (warmupHeld_ && getCurrentIndex() == kMainMenu) {
    auto* menu = dynamic_cast<MainMenuSequence*>(getSequence(kMainMenu));
    if (menu != nullptr && menu->areScenesBuilt() && menu->getScreen() != 0) menuDrawnClickable_ = true;
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

// Until the scenes are read nothing is shown: frames neither read them nor
// update or draw anything (the warm-up reads them on a spare frame).
bool QMRGame::overlayScenesRead() const { return overlaysMade_ && !overlayScenesPending_; }

void QMRGame::updateOverlays(int ms) {
  if (!overlayScenesRead()) return;
  QMRTextBanner::instance()->update(ms);
  QMRAchievementPopup::instance()->update(ms);
}

void QMRGame::updateCursor(int ms) { MouseCursor::getInstance()->update(ms); }

void QMRGame::drawOverlays() {
  if (!overlayScenesRead()) return;
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
