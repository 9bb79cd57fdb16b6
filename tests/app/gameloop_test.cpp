#include "app/GameLoop.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

using Log = std::vector<std::string>;

// A sequence that records every call and reports loading done after a number
// of refusals.
class RecordingSequence : public GameSequenceInterface {
 public:
  RecordingSequence(std::string name, Log& log, int refusals = 0) : name_(std::move(name)), log_(log), refusals_(refusals) {}
  bool load() override {
    log_.push_back(name_ + ".load");
    return refusals_-- <= 0;
  }
  void unload() override { log_.push_back(name_ + ".unload"); }
  void update(int ms) override { log_.push_back(name_ + ".update " + std::to_string(ms)); }
  void draw() override { log_.push_back(name_ + ".draw"); }
  void enter() override { log_.push_back(name_ + ".enter"); }
  void leave() override { log_.push_back(name_ + ".leave"); }
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override {}
  void touchBegan(int x, int y) override { touch("began", x, y); }
  void touchMoved(int x, int y) override { touch("moved", x, y); }
  void touchEnded(int x, int y) override { touch("ended", x, y); }
  void touchHover(int x, int y) override { touch("hover", x, y); }
  void keyPressed(char key, int, int) override { log_.push_back(name_ + ".key " + std::to_string(key)); }

  std::function<void()> onTouch;  // runs inside a touch handler

 private:
  void touch(const char* what, int x, int y) {
    log_.push_back(name_ + "." + what + " " + std::to_string(x) + "," + std::to_string(y));
    if (onTouch) onTouch();
  }
  std::string name_;
  Log& log_;
  int refusals_;
};

class TestLoop : public GameLoop {
 public:
  using GameLoop::addSequence;
  explicit TestLoop(Log& log) : log_(log) {}
  ~TestLoop() override = default;
  void beginFrame() override { log_.push_back("begin"); }
  void drawOverlay() override { log_.push_back("overlay"); }

  // One frame as the window glue runs it.
  void frame(int ms = 33) {
    update(ms);
    render();
  }

 private:
  Log& log_;
};

TouchPoint pts[kMaxTouches] = {{10, 20}, {30, 40}, {50, 60}, {70, 80}, {90, 100}};

bool contains(const Log& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

}  // namespace

TEST(GameLoop, LoadsOneSequenceStepPerFrameInIdOrder) {
  Log log;
  TestLoop loop(log);
  loop.addSequence(new RecordingSequence("a", log, 3));
  loop.addSequence(new RecordingSequence("b", log, 0));
  loop.start();
  EXPECT_TRUE(loop.isLoadingScreenShown());

  for (int frame = 0; frame < 4; ++frame) loop.update(33);
  EXPECT_EQ(log, (Log{"a.load", "a.load", "a.load", "a.load"}));  // three refusals, then done
  EXPECT_TRUE(loop.isLoading());

  log.clear();
  loop.update(33);  // b loads; all done: sequence 0 becomes current
  EXPECT_EQ(log, (Log{"b.load", "a.enter"}));
  EXPECT_FALSE(loop.isLoadingScreenShown());
}

TEST(GameLoop, NothingRegisteredFinishesLoadingAndDropsInput) {
  Log log;
  TestLoop loop(log);
  loop.start();
  loop.queueTouchBegan(1, pts, false);
  loop.update(33);
  EXPECT_FALSE(loop.isLoading());
  EXPECT_EQ(loop.getCurrentSequence(), nullptr);
  EXPECT_EQ(loop.getQueuedEventCount(), 0u);
  for (std::size_t i = 0; i < GameLoop::kMaxQueuedEvents + 10; ++i) loop.queueTouchHover(1, pts, false);
  EXPECT_EQ(loop.getQueuedEventCount(), GameLoop::kMaxQueuedEvents);
}

TEST(GameLoop, AFullQueueDropsHoverAndMoveBeforeAPressOrARelease) {
  Log log;
  TestLoop loop(log);
  loop.addSequence(new RecordingSequence("a", log));
  loop.start();
  loop.frame();
  loop.frame();
  loop.frame();
  log.clear();
  loop.queueTouchBegan(1, pts, false);
  for (std::size_t i = 1; i < GameLoop::kMaxQueuedEvents; ++i) loop.queueTouchMoved(1, pts, false);
  loop.queueTouchHover(1, pts, false);  // full: dropped
  loop.queueTouchEnded(1, pts, false);  // full: takes the place of a move
  EXPECT_EQ(loop.getQueuedEventCount(), GameLoop::kMaxQueuedEvents);
  loop.frame();
  Log touches;
  for (const std::string& entry : log) {
    if (entry.find(" 10,20") != std::string::npos) touches.push_back(entry);
  }
  ASSERT_EQ(touches.size(), GameLoop::kMaxQueuedEvents);
  EXPECT_EQ(touches.front(), "a.began 10,20");
  EXPECT_EQ(touches.back(), "a.ended 10,20");
  EXPECT_FALSE(contains(touches, "a.hover 10,20"));
}

// The program's application class, made by the factory it registers.
int g_appsMade = 0;
class FactoryApp : public GameLoop {
 public:
  FactoryApp() { ++g_appsMade; }
  static GameLoop* make() { return new FactoryApp(); }
};

TEST(GameLoopInstance, EveryCallerGetsTheOneObjectOfTheProgramsClass) {
  ASSERT_FALSE(GameLoop::hasInstance());
  ASSERT_TRUE(GameLoop::setApplicationFactory(&FactoryApp::make));
  // Something asks the base class first, as a screen or a tool might.
  GameLoop* first = GameLoop::getInstance();
  EXPECT_NE(dynamic_cast<FactoryApp*>(first), nullptr);
  EXPECT_EQ(GameLoop::getInstance(), first);
  EXPECT_EQ(g_appsMade, 1);
  // Too late to name another class once the object exists.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(GameLoop::setApplicationFactory(&FactoryApp::make));
  testing::internal::GetCapturedStderr();
  delete first;
  EXPECT_FALSE(GameLoop::hasInstance());
  GameLoop::setApplicationFactory(nullptr);
}

TEST(GameLoop, SwitchSkipsItsRenderAndTheNextFrameAndElapsedTimeIsCapped) {
  Log log;
  TestLoop loop(log);
  loop.addSequence(new RecordingSequence("a", log));
  loop.addSequence(new RecordingSequence("b", log));
  loop.start();
  loop.frame();  // a loads
  log.clear();
  loop.frame();  // b loads, a entered: the render of this frame draws nothing
  EXPECT_EQ(log, (Log{"b.load", "a.enter"}));
  EXPECT_FALSE(loop.lastRenderDrew());
  log.clear();
  loop.frame();  // update and render skipped
  EXPECT_TRUE(log.empty());
  loop.frame();  // normal again
  EXPECT_EQ(log, (Log{"a.update 33", "begin", "a.draw", "overlay"}));

  log.clear();
  loop.setCurrentSequence(0);  // already current: nothing, no skip
  loop.frame(1000);            // elapsed time capped at 200
  EXPECT_EQ(log, (Log{"a.update 200", "begin", "a.draw", "overlay"}));

  log.clear();
  loop.setCurrentSequence(7);  // outside the list: no current sequence
  EXPECT_EQ(log, (Log{"a.leave"}));
  EXPECT_EQ(loop.getCurrentSequence(), nullptr);
  log.clear();
  loop.frame();
  EXPECT_EQ(log, (Log{"begin", "overlay"}));
}

TEST(GameLoop, EventsReachTheSequenceInOrderAtTheNextUpdate) {
  Log log;
  TestLoop loop(log);
  auto* a = new RecordingSequence("a", log);
  loop.addSequence(a);
  loop.start();
  loop.frame();
  loop.frame();

  // Input that arrives while nothing is current is discarded, not replayed.
  loop.setCurrentSequence(-1);
  loop.queueTouchBegan(1, pts, false);
  loop.update(33);
  loop.setCurrentSequence(0);
  loop.frame();  // skipped frame
  log.clear();

  loop.queueTouchBegan(2, pts, false);
  loop.queueTouchMoved(1, pts, false);
  loop.pushEvent(Event(2));                                   // another type: ignored
  loop.pushEvent(MultiTouchEvent(kPhaseNone, 1, pts, false));  // no phase: ignored
  loop.queueTouchEnded(9, pts, false);                         // count clamped to five
  loop.queueTouchHover(1, pts, false);
  bool queued = false;
  a->onTouch = [&] {
    if (!queued) {
      queued = true;
      log.push_back("queued");
      TouchPoint last[kMaxTouches] = {pts[4]};
      loop.queueTouchHover(1, last, false);
    }
  };
  EXPECT_TRUE(log.empty());  // nothing is delivered before the update
  loop.update(33);
  EXPECT_EQ(log, (Log{"a.update 33", "a.began 10,20", "queued", "a.began 30,40", "a.moved 10,20", "a.ended 10,20",
                      "a.ended 30,40", "a.ended 50,60", "a.ended 70,80", "a.ended 90,100", "a.hover 10,20"}));
  log.clear();
  loop.update(33);  // the event queued by a handler comes one update later
  EXPECT_EQ(log, (Log{"a.update 33", "a.hover 90,100"}));
}

TEST(GameLoop, EventRecordsKeepAllPointsAndClampTheCount) {
  Event copy = MultiTouchEvent(kPhaseMoved, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, true);
  EXPECT_EQ(copy.getTouches().points[4].y, 10);  // beyond the count, still kept
  EXPECT_EQ(MultiTouchEvent(kPhaseBegan, -3, pts, false).getTouches().count, 0);
}

TEST(GameLoop, WindowRequestsAndKeys) {
  Log log;
  TestLoop loop(log);
  loop.addSequence(new RecordingSequence("a", log));
  loop.keyPressed('x', 0, 0);  // no current sequence: nothing
  loop.start();
  loop.frame();
  loop.keyPressed('x', 0, 0);
  EXPECT_TRUE(contains(log, "a.key 120"));

  loop.requestFullscreen(true);
  EXPECT_TRUE(loop.takeFullscreenRequest());
  EXPECT_FALSE(loop.isFullscreenChangeRequested());  // taken once
}

namespace {
struct ExitCalled : std::runtime_error {
  explicit ExitCalled(int s) : std::runtime_error("exit"), status(s) {}
  int status;
};
}  // namespace

TEST(GameLoop, QuitEndsTheProcessWithItsStatus) {
  Log log;
  TestLoop loop(log);
  platform::ExitHandler old = platform::setExitHandler([](int status) { throw ExitCalled(status); });
  try {
    loop.quit();
    ADD_FAILURE() << "quit returned";
  } catch (const ExitCalled& e) {
    EXPECT_EQ(e.status, 0);
  }
  // A second quit while the process ends (the window's close callback) does nothing.
  EXPECT_NO_THROW(loop.quit());
  platform::setExitHandler(old);
}

TEST(GameLoop, DestructorUnloadsAndDeletesSequences) {
  Log log;
  {
    TestLoop loop(log);
    loop.addSequence(new RecordingSequence("a", log));
    loop.addSequence(new RecordingSequence("b", log));
  }
  EXPECT_EQ(log, (Log{"a.unload", "b.unload"}));
}
