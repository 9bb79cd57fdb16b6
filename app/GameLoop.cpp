#include "app/GameLoop.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/Options.h"
#include "platform/platform.h"
#include "render_engine/FrameDrawing.h"
#include "sound/AudioEngine.h"

namespace {
constexpr int kMaxFrameMs = 200;
}

LoadingScreen* LoadingScreen::getInstance() {
  static LoadingScreen instance;
  return &instance;
}

GameLoop* GameLoop::instance_ = nullptr;

GameLoop::ApplicationFactory GameLoop::factory_ = nullptr;

GameLoop* GameLoop::getInstance() {
  if (instance_ == nullptr) {
    // The program's own application class when it named one, so an early
    // call from anywhere makes that object and never a plain one beside it.
    GameLoop* made = factory_ != nullptr ? factory_() : new GameLoop();
    if (instance_ == nullptr) instance_ = made;
  }
  return instance_;
}

bool GameLoop::setApplicationFactory(ApplicationFactory make) {
  if (instance_ != nullptr) {
    std::fprintf(stderr, "GameLoop: the application object exists already\n");
    return false;
  }
  factory_ = make;
  return true;
}

bool GameLoop::hasInstance() { return instance_ != nullptr; }

bool GameLoop::installInstance(GameLoop* app) {
  if (instance_ != nullptr && instance_ != app) {
    std::fprintf(stderr, "GameLoop: an application object exists already\n");
    return false;
  }
  instance_ = app;
  return true;
}

GameLoop::~GameLoop() {
  unloadAllSequences();
  if (instance_ == this) instance_ = nullptr;
  for (GameSequenceInterface* s : sequences_) delete s;
  sequences_.clear();
  eventQueue_.clear();
}

GameSequenceInterface* GameLoop::getSequence(int id) const {
  return (id >= 0 && id < getSequenceCount()) ? sequences_[static_cast<std::size_t>(id)] : nullptr;
}

void GameLoop::forEachPoint(int count, const TouchPoint points[kMaxTouches],
                            void (GameSequenceInterface::*handler)(int, int)) {
  if (current_ == nullptr) return;
  const int n = clampTouchCount(count);
  for (int i = 0; i < n; ++i) (current_->*handler)(points[i].x, points[i].y);
}

void GameLoop::touchesBegan(int count, const TouchPoint points[kMaxTouches], bool) {
  forEachPoint(count, points, &GameSequenceInterface::touchBegan);
}
void GameLoop::touchesMoved(int count, const TouchPoint points[kMaxTouches], bool) {
  forEachPoint(count, points, &GameSequenceInterface::touchMoved);
}
void GameLoop::touchesEnded(int count, const TouchPoint points[kMaxTouches], bool) {
  forEachPoint(count, points, &GameSequenceInterface::touchEnded);
}
void GameLoop::touchesHovered(int count, const TouchPoint points[kMaxTouches], bool) {
  forEachPoint(count, points, &GameSequenceInterface::touchHover);
}

void GameLoop::start() {
  loadingScreen_ = LoadingScreen::getInstance();
  loadingScreen_->init();
  loading_ = true;
  loadIndex_ = 0;
  showLoadingScreen();
  init();
}

void GameLoop::unloadAllSequences() {
  for (GameSequenceInterface* s : sequences_) s->unload();
}

void GameLoop::update(int ms) {
  if (skipNextUpdate_) {
    skipNextUpdate_ = false;
    return;
  }
  ms = std::min(ms, kMaxFrameMs);
  AudioEngine::update(ms);
  if ((loadingScreenShown_ || loadingOverlayShown_) && loadingScreen_ != nullptr) loadingScreen_->update(ms);
  if (loading_) {
    loadNextSequence();
    if (loading_) return;
  }
  if (!skipNextUpdate_) updateCurrentSequence(ms);
  if (!eventQueueBusy_) dispatchEvents();
}

void GameLoop::loadNextSequence() {
  if (loadIndex_ < getSequenceCount()) {
    loading_ = true;
    if (!sequences_[static_cast<std::size_t>(loadIndex_)]->load()) return;
    ++loadIndex_;
    if (loadIndex_ < getSequenceCount()) return;
  } else if (!loading_) {
    return;
  }
  // Everything is loaded (or nothing was registered): show the first sequence.
  setCurrentSequence(0);
  hideLoadingScreen();
  loading_ = false;
}

void GameLoop::beginFrame() {
  RenderEngine::clearScreen();
  RenderEngine::setTextureEnvMode(0);
  glScalef(2.0f, 2.0f, 1.0f);
}

void GameLoop::render() {
  if (skipNextRender_) {
    if (!skipNextUpdate_) skipNextRender_ = false;
    lastRenderDrew_ = false;
    return;
  }
  beginFrame();
  if (loadingScreenShown_) {
    if (loadingScreen_ != nullptr) loadingScreen_->draw();
  } else {
    drawCurrentSequence();
  }
  if (loadingOverlayShown_ && loadingScreen_ != nullptr) loadingScreen_->drawOverlay();
  drawOverlay();
  lastRenderDrew_ = true;

  // Drain every pending error so an earlier one cannot hide an invalid
  // operation; code that checked its own calls kept what it drained.
  bool invalidOperation = RenderEngine::takeDrainedInvalidOperation();
  for (int guard = 0; guard < 32; ++guard) {
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR) break;
    if (error == GL_INVALID_OPERATION) invalidOperation = true;
  }
  if (invalidOperation) {
    std::fprintf(stderr, "Quillmoor: OpenGL reported an invalid operation while drawing; quitting\n");
    exitStatus_ = 1;
    quit();
  }
}

void GameLoop::updateCurrentSequence(int ms) {
  if (current_ == nullptr) return;
  updateDevice(ms);
  current_->update(ms);
}

void GameLoop::drawCurrentSequence() {
  if (current_ != nullptr) current_->draw();
}

void GameLoop::quit() {
  // The windowing library's exit handler closes the window, whose close
  // callback leads here again while the process is already ending.
  if (quitting_) return;
  quitting_ = true;
  AudioEngine::shutdown();
  platform::exitProcess(exitStatus_);
}

void GameLoop::setCurrentSequence(int id) {
  if (id == currentIndex_) return;
  if (current_ != nullptr) current_->leave();
  currentIndex_ = id;
  current_ = getSequence(id);
  if (current_ != nullptr) {
    current_->enter();
    skipNextFrame();
  }
}

void GameLoop::suspendAllSequences() {
  for (GameSequenceInterface* s : sequences_) s->suspend();
}

void GameLoop::resumeAllSequences() {
  for (GameSequenceInterface* s : sequences_) s->resume();
}

void GameLoop::keyPressed(char key, int x, int y) {
  if (current_ != nullptr) current_->keyPressed(key, x, y);
}

void GameLoop::queueTouch(int phase, int count, const TouchPoint points[kMaxTouches], bool track) {
  pushEvent(MultiTouchEvent(phase, count, points, track));
}

void GameLoop::queueTouchBegan(int count, const TouchPoint points[kMaxTouches], bool track) {
  queueTouch(kPhaseBegan, count, points, track);
}
void GameLoop::queueTouchMoved(int count, const TouchPoint points[kMaxTouches], bool track) {
  queueTouch(kPhaseMoved, count, points, track);
}
void GameLoop::queueTouchEnded(int count, const TouchPoint points[kMaxTouches], bool track) {
  queueTouch(kPhaseEnded, count, points, track);
}
void GameLoop::queueTouchHover(int count, const TouchPoint points[kMaxTouches], bool track) {
  queueTouch(kPhaseHover, count, points, track);
}

void GameLoop::showLoadingScreen() {
  loadingScreenShown_ = true;
  loadingOverlayShown_ = false;
}
void GameLoop::showLoadingOverlay() {
  loadingScreenShown_ = false;
  loadingOverlayShown_ = true;
}
void GameLoop::hideLoadingScreen() {
  loadingScreenShown_ = false;
  loadingOverlayShown_ = false;
}

bool GameLoop::takeFullscreenRequest() {
  fullscreenRequested_ = false;
  return fullscreenWanted_;
}

void GameLoop::requestFullscreen(bool on) {
  fullscreenRequested_ = true;
  fullscreenWanted_ = on;
}

void GameLoop::setActive(bool on) {
  if (on != active_) {
    if (on) {
      AudioEngine::resumeAll();
    } else {
      AudioEngine::pauseAll();
    }
  }
  active_ = on;
}

namespace {
// A press or a release must get through: a lost release leaves a touch held.
bool isPressOrRelease(const Event& event) {
  const int phase = event.getData().phase;
  return event.getType() == Event::kMultiTouch && (phase == kPhaseBegan || phase == kPhaseEnded);
}
}  // namespace

void GameLoop::pushEvent(const Event& event) {
  if (eventQueue_.size() >= kMaxQueuedEvents) {
    if (!isPressOrRelease(event)) return;
    // Full: a press or release takes the place of the oldest hover or move.
    auto drop = std::find_if(eventQueue_.begin(), eventQueue_.end(),
                             [](const Event& queued) { return !isPressOrRelease(queued); });
    if (drop == eventQueue_.end()) return;
    eventQueue_.erase(drop);
  }
  eventQueue_.push_back(event);
}

void GameLoop::skipNextFrame(int, int) {
  skipNextUpdate_ = true;
  skipNextRender_ = true;
}

void GameLoop::dispatchEvents() {
  eventQueueBusy_ = true;
  if (eventQueue_.empty()) {
    eventQueueBusy_ = false;
    return;
  }
  if (current_ == nullptr) {
    eventQueue_.clear();
    eventQueueBusy_ = false;
    return;
  }
  std::vector<Event> batch;
  batch.swap(eventQueue_);
  eventQueueBusy_ = false;
  for (const Event& event : batch) {
    if (event.getType() != Event::kMultiTouch) continue;
    const EventData data = event.getData();
    const TouchSet& t = data.touches;
    switch (data.phase) {
      case kPhaseBegan: touchesBegan(t.count, t.points, false); break;
      case kPhaseMoved: touchesMoved(t.count, t.points, false); break;
      case kPhaseEnded: touchesEnded(t.count, t.points, false); break;
      case kPhaseHover: touchesHovered(t.count, t.points, false); break;
      default: break;
    }
  }
}
