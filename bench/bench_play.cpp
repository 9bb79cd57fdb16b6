// The level screen on the sample data (headless, silent, no pictures):
//   BM_FrameAtRest: one game update (rules, actors, HUD, effects, physics) on
//     the heaviest sample level at rest, with the 99th percentile as p99_us;
//   BM_FrameDuringBlast: the same on the barrel level while its barrel goes
//     off (the frames after a tap on it);
//   BM_PrepareAndFirstUpdate: a level built and its first frame;
//   BM_Retry: a retry of the heaviest level;
//   BM_RetryMemory: resident memory after 100 retries against before (kB).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/Random.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/TutorialManager.h"
#include "render_engine/Texture.h"
#include "support/TempDir.h"

namespace {

// No host is installed: sounds go nowhere.
struct PlayData {
  qmtest::TempDir saves;
  qmtest::TempDir dir;
  qmtest::ScopedCwd* cwd = nullptr;
  PlayData() {
    const std::filesystem::path data(QM_BENCH_DATA_DIR);
    for (const char* sub : {"physicmodels", "models", "levels", "gamedesign"}) {
      std::filesystem::copy(data / sub, dir.path() / sub, std::filesystem::copy_options::recursive);
    }
    std::filesystem::copy_file(data / "config.ynm", dir.path() / "config.ynm");
    setenv("XDG_DATA_HOME", saves.str().c_str(), 1);
    cwd = new qmtest::ScopedCwd(dir.path());
    RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
    // No briefings: the benchmarks time play, not reading.
    for (int t = 0; t < 32; ++t) TutorialManager::getInstance().markSeen(t);
    seedRandom(1);
  }
};

PlayData& data() {
  static PlayData d;
  return d;
}

constexpr int kHeaviest = 10;
constexpr int kBarrel = 5;

long residentKb() {
  long pages = 0;
  long resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

void timeFrames(benchmark::State& state, InGameSequence& game) {
  std::vector<double> us;
  us.reserve(4096);
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    game.update(33);
    const auto t1 = std::chrono::steady_clock::now();
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  std::sort(us.begin(), us.end());
  if (!us.empty()) state.counters["p99_us"] = us[static_cast<std::size_t>(0.99 * static_cast<double>(us.size() - 1))];
}

void BM_FrameAtRest(benchmark::State& state) {
  data();
  InGameSequence game;
  game.load();
  game.prepareLevel(kHeaviest, 1, 0);
  for (int i = 0; i < 60; ++i) game.update(33);
  timeFrames(state, game);
}
BENCHMARK(BM_FrameAtRest);

void BM_FrameDuringBlast(benchmark::State& state) {
  data();
  InGameSequence game;
  game.load();
  // Each iteration times the ten frames after the tap; the counters give
  // one frame's mean and 99th percentile.
  std::vector<double> us;
  for (auto _ : state) {
    state.PauseTiming();
    game.prepareLevel(kBarrel, 2, 0);
    for (int i = 0; i < 5; ++i) game.update(33);
    game.touchBegan(90, 280);
    game.touchEnded(90, 280);
    state.ResumeTiming();
    for (int i = 0; i < 10; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      game.update(33);
      us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
  }
  if (!us.empty()) {
    double sum = 0;
    for (double v : us) sum += v;
    state.counters["frame_mean_us"] = sum / static_cast<double>(us.size());
    std::sort(us.begin(), us.end());
    state.counters["frame_p99_us"] = us[static_cast<std::size_t>(0.99 * static_cast<double>(us.size() - 1))];
  }
}
BENCHMARK(BM_FrameDuringBlast)->Unit(benchmark::kMicrosecond);

void BM_PrepareAndFirstUpdate(benchmark::State& state) {
  data();
  InGameSequence game;
  game.load();
  int level = 0;
  for (auto _ : state) {
    // Alternating, so every build reads its level afresh.
    level = level == kHeaviest ? kBarrel : kHeaviest;
    game.prepareLevel(level, 1, 0);
    game.update(33);
  }
}
BENCHMARK(BM_PrepareAndFirstUpdate)->Unit(benchmark::kMillisecond);

void BM_Retry(benchmark::State& state) {
  data();
  InGameSequence game;
  game.load();
  game.prepareLevel(kHeaviest, 1, 0);
  for (auto _ : state) game.retryLevel();
}
BENCHMARK(BM_Retry)->Unit(benchmark::kMillisecond);

void BM_RetryMemory(benchmark::State& state) {
  data();
  InGameSequence game;
  game.load();
  game.prepareLevel(kHeaviest, 1, 0);
  for (int i = 0; i < 10; ++i) game.retryLevel();
  long grown = 0;
  for (auto _ : state) {
    const long before = residentKb();
    for (int i = 0; i < 100; ++i) {
      game.retryLevel();
      game.update(33);
    }
    grown = residentKb() - before;
  }
  state.counters["grown_kB"] = static_cast<double>(grown);
}
BENCHMARK(BM_RetryMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
