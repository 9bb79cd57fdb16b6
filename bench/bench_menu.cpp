// The main menu on the sample data (run under xvfb-run; drawing goes through
// Mesa): the hitch when the splash reads the menu's scenes (the first build in
// the process, with its pictures and fonts, and its first frame; then a warm
// rebuild), and the cost of one frame (update and draw) of each screen. Times
// in milliseconds for the builds, microseconds for the frames.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "game/app/QMRGame.h"
#include "game/menus/MainMenuSequence.h"
#include "support/GameFrame.h"
#include "support/GlWindow.h"

namespace {

bool setUp() {
  static const bool ready = [] {
    if (!qmtest::openGlWindow("bench_menu", 960, 640)) return false;
    const std::string home = (std::filesystem::temp_directory_path() / "qm_bench_menu").string();
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    std::filesystem::current_path(QM_BENCH_DATA_DIR);
    initTexts();
    loadOptions();
    setLanguage("en");
    // The game's host, not started: the real map HUD over the inner pages.
    QMRGame::getInstance();
    qmtest::setUpGameFrame();
    return true;
  }();
  return ready;
}

// One build and its first frame, timed by hand.
void buildAndDraw(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    auto menu = std::make_unique<MainMenuSequence>();
    menu->load();
    menu->buildScenes();
    menu->showScreen(0);
    qmtest::startGameFrame();
    menu->draw();
    glFinish();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    if (!menu->areScenesBuilt()) state.SkipWithError("the menu's scenes did not build");
  }
}

void BM_MenuBuildCold(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError("no display");
    return;
  }
  buildAndDraw(state);
}
// Only the first build in the process is cold: one iteration, and first in the run.
BENCHMARK(BM_MenuBuildCold)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_MenuBuildWarm(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError("no display");
    return;
  }
  buildAndDraw(state);
}
BENCHMARK(BM_MenuBuildWarm)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_MenuFrame(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError("no display");
    return;
  }
  MainMenuSequence menu;
  menu.load();
  const int screen = static_cast<int>(state.range(0));
  if (screen == 0) {
    // The logo before the build: its frames stand still here (no time passes).
    menu.update(0);
    for (auto _ : state) {
      qmtest::startGameFrame();
      menu.update(0);
      menu.draw();
      glFinish();  // the frame's drawing inside the frame's time
    }
    return;
  }
  menu.buildScenes();
  if (screen == 6) {
    // Through the map choice, as a player comes.
    menu.showScreen(5);
    menu.touchBegan(77, 115);
    menu.touchEnded(77, 115);
  } else {
    menu.showScreen(screen);
  }
  if (menu.getScreen() != screen) state.SkipWithError("screen not reached");
  for (int i = 0; i < 30; ++i) menu.update(33);
  for (auto _ : state) {
    qmtest::startGameFrame();
    menu.update(33);
    menu.draw();
    glFinish();  // the frame's drawing inside the frame's time
  }
}
BENCHMARK(BM_MenuFrame)->DenseRange(0, 6)->ArgName("screen")->Unit(benchmark::kMicrosecond);

}  // namespace
