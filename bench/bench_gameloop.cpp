// Per-frame cost of the application object: one update (with the dispatch of
// 100 queued touches) and one render, four registered sequences.
#include <benchmark/benchmark.h>

#include "app/GameLoop.h"

namespace {

class CountingSequence : public GameSequenceInterface {
 public:
  bool load() override { return true; }
  void unload() override {}
  void update(int ms) override { sum_ += ms; }
  void draw() override { ++sum_; }
  void enter() override {}
  void leave() override {}
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override {}
  void touchBegan(int x, int y) override { sum_ += x + y; }
  void touchMoved(int x, int y) override { sum_ += x - y; }
  void touchEnded(int x, int) override { sum_ += x; }
  void touchHover(int, int y) override { sum_ += y; }
  long sum_ = 0;
};

class BenchLoop : public GameLoop {
 public:
  BenchLoop() {
    for (int i = 0; i < 4; ++i) addSequence(new CountingSequence());
  }
  void beginFrame() override {}  // no GL context here
};

void BM_GameLoopFrameWith100Touches(benchmark::State& state) {
  BenchLoop loop;
  loop.start();
  for (int i = 0; i < 8; ++i) {  // load all four, pass the switch's skipped frames
    loop.update(33);
    loop.render();
  }
  TouchPoint points[kMaxTouches] = {{100, 100}, {0, 0}, {0, 0}, {0, 0}, {0, 0}};
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) {
      points[0].x = i;
      switch (i & 3) {
        case 0: loop.queueTouchBegan(1, points, false); break;
        case 1: loop.queueTouchMoved(1, points, false); break;
        case 2: loop.queueTouchEnded(1, points, false); break;
        default: loop.queueTouchHover(1, points, false); break;
      }
    }
    loop.update(33);
    loop.render();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GameLoopFrameWith100Touches);

}  // namespace
