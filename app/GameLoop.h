#pragma once
// The application object: owns the screens (sequences), loads them one per
// frame behind the loading screen, runs each frame's update and render in a fixed
// order, and queues input between frames for the current sequence.
#include <vector>

#include "app/Event.h"
#include "app/GameSequenceInterface.h"

// Drawn while the sequences load. It draws nothing: loading takes a few frames.
class LoadingScreen {
 public:
  static LoadingScreen* getInstance();
  virtual ~LoadingScreen() = default;

  virtual void init() {}
  virtual void release() {}
  virtual void update(int /*ms*/) {}
  virtual void draw() {}
  virtual void drawOverlay() {}
  virtual void setTotal(int total) { total_ = total; }
  virtual void setProgress(int progress) { progress_ = progress; }
  virtual void addProgress(int n) { progress_ += n; }

  int getTotal() const { return total_; }
  int getProgress() const { return progress_; }

 private:
  int total_ = 100;
  int progress_ = 0;
};

class GameLoop {
 public:
  // The one instance, made on first use by the factory the program named (a
  // plain GameLoop when it named none). There is never a second one.
  static GameLoop* getInstance();
  using ApplicationFactory = GameLoop* (*)();
  // Names how the application object is made. The program's application
  // class registers itself before main runs (a static registration), so the
  // first call of getInstance from anywhere makes an object of that class.
  // False once the instance exists.
  static bool setApplicationFactory(ApplicationFactory make);
  // True when there is an instance already (nothing is created).
  static bool hasInstance();

  virtual void init() {}
  virtual void touchesBegan(int count, const TouchPoint points[kMaxTouches], bool track);
  virtual void touchesMoved(int count, const TouchPoint points[kMaxTouches], bool track);
  virtual void touchesEnded(int count, const TouchPoint points[kMaxTouches], bool track);
  virtual void touchesHovered(int count, const TouchPoint points[kMaxTouches], bool track);
  virtual ~GameLoop();
  virtual void start();
  virtual void unloadAllSequences();
  virtual void update(int ms);
  virtual void render();
  virtual void beginFrame();
  virtual void drawOverlay() {}
  virtual void updateCurrentSequence(int ms);
  virtual void drawCurrentSequence();
  // Shuts the sound down and ends the process (with a non-zero status after a
  // fatal OpenGL error).
  virtual void quit();
  virtual void setCurrentSequence(int id);
  virtual void suspendAllSequences();
  virtual void resumeAllSequences();
  virtual void keyPressed(char key, int x, int y);
  virtual void queueTouchBegan(int count, const TouchPoint points[kMaxTouches], bool track);
  virtual void queueTouchMoved(int count, const TouchPoint points[kMaxTouches], bool track);
  virtual void queueTouchEnded(int count, const TouchPoint points[kMaxTouches], bool track);
  virtual void queueTouchHover(int count, const TouchPoint points[kMaxTouches], bool track);
  virtual void showLoadingScreen();
  virtual void showLoadingOverlay();
  virtual void hideLoadingScreen();
  virtual bool isFullscreenChangeRequested() { return fullscreenRequested_; }
  virtual bool takeFullscreenRequest();
  virtual void requestFullscreen(bool on);
  // The window glue has switched to or from full screen, and set the system
  // pointer on the way: whoever shows the pointer applies its choice again.
  virtual void fullscreenSwitched() {}
  virtual int getFrameInterval() { return frameInterval_; }
  virtual void setFrameInterval(int ms) { frameInterval_ = ms; }
  virtual void setActive(bool on);

  void dispatchEvents();
  void pushEvent(const Event& event);
  void loadNextSequence();
  // Skips the next update and the next two renders (used around a switch).
  void skipNextFrame(int unused1 = 0, int unused2 = 0);
  void setEventQueueBusy(bool busy) { eventQueueBusy_ = busy; }
  bool isEventQueueBusy() const { return eventQueueBusy_; }

  // Queries used by the window glue and by tests.
  bool isActive() const { return active_; }
  bool isLoading() const { return loading_; }
  bool isLoadingScreenShown() const { return loadingScreenShown_; }
  bool isLoadingOverlayShown() const { return loadingOverlayShown_; }
  int getCurrentIndex() const { return currentIndex_; }
  GameSequenceInterface* getCurrentSequence() const { return current_; }
  std::size_t getQueuedEventCount() const { return eventQueue_.size(); }
  // Whether the last render drew a picture (a skipped frame draws none, and the
  // window glue then keeps the picture on screen instead of swapping in a stale one).
  bool lastRenderDrew() const { return lastRenderDrew_; }
  int getExitStatus() const { return exitStatus_; }

  // More input than this between two updates means the game is stuck; later
  // events are dropped instead of letting the queue grow without bound.
  static constexpr std::size_t kMaxQueuedEvents = 4096;

 protected:
  GameLoop() = default;
  GameLoop(const GameLoop&) = delete;
  GameLoop& operator=(const GameLoop&) = delete;

  // Makes app the one instance. Fails (false) when another is installed.
  static bool installInstance(GameLoop* app);

  // Registration of a sequence: a plain append; the index is its id.
  void addSequence(GameSequenceInterface* sequence) { sequences_.push_back(sequence); }
  int getSequenceCount() const { return static_cast<int>(sequences_.size()); }
  GameSequenceInterface* getSequence(int id) const;

 private:
  void forEachPoint(int count, const TouchPoint points[kMaxTouches], void (GameSequenceInterface::*handler)(int, int));
  void queueTouch(int phase, int count, const TouchPoint points[kMaxTouches], bool track);

  static GameLoop* instance_;
  static ApplicationFactory factory_;

  int currentIndex_ = -1;
  LoadingScreen* loadingScreen_ = nullptr;
  bool loadingScreenShown_ = false;
  bool loadingOverlayShown_ = false;
  bool fullscreenRequested_ = false;
  bool fullscreenWanted_ = false;
  int frameInterval_ = 30;
  bool active_ = true;
  std::vector<GameSequenceInterface*> sequences_;
  GameSequenceInterface* current_ = nullptr;
  bool skipNextUpdate_ = false;
  bool skipNextRender_ = false;
  int loadIndex_ = 0;
  bool loading_ = false;
  bool eventQueueBusy_ = false;
  std::vector<Event> eventQueue_;
  bool lastRenderDrew_ = false;
  int exitStatus_ = 0;
  bool quitting_ = false;
};
