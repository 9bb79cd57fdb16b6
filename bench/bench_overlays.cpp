// Per-frame cost of the overlays on the sample scenes: the banner open with a
// result window and three buttons, the achievement pop-up showing, and the
// cursor, each updated and drawn once per iteration (run under xvfb-run; the
// drawing goes through Mesa). The time column is the
// cost of one frame in microseconds.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/LocalizedText.h"
#include "game/overlays/MouseCursor.h"
#include "game/overlays/QMRAchievementPopup.h"
#include "game/overlays/QMRTextBanner.h"
#include "render_engine/CNodeReader.h"
#include "support/GameFrame.h"
#include "support/GlWindow.h"

namespace {

// No host is installed: sounds go nowhere.
bool setUp() {
  static const bool ready = [] {
    if (!qmtest::openGlWindow("bench_overlays", 960, 640)) return false;
    std::filesystem::current_path(QM_BENCH_DATA_DIR);
    initTexts();
    setLanguage("en");
    qmtest::setUpGameFrame();
    return true;
  }();
  return ready;
}

void BM_BannerOpenWithResult(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError("no display");
    return;
  }
  QMRTextBanner banner;
  banner.loadScene();
  banner.showResult(BannerMessage{0x20000 + 14, 3, 2, 19}, 65000, 3, 18250, 20400, 3);
  for (int i = 0; i < 60; ++i) banner.update(33);
  for (auto _ : state) {
    qmtest::startGameFrame();
    banner.update(33);
    banner.draw(false, true);
  }
  glFinish();
}
BENCHMARK(BM_BannerOpenWithResult)->Unit(benchmark::kMicrosecond);

void BM_PopupShowing(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError("no display");
    return;
  }
  QMRAchievementPopup popup;
  popup.loadScene();
  for (auto _ : state) {
    if (!popup.isShown()) popup.enqueue(21);
    qmtest::startGameFrame();
    popup.update(33);
    popup.draw(false, true);
  }
  glFinish();
}
BENCHMARK(BM_PopupShowing)->Unit(benchmark::kMicrosecond);

void BM_Cursor(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError("no display");
    return;
  }
  ExportCNode::CNodeReader reader("cursors.bin");
  MouseCursor cursor(reader.read());
  cursor.setMode(MouseCursor::kHand);
  int x = 0;
  for (auto _ : state) {
    qmtest::startGameFrame();
    cursor.moveTo(x++ % 480, 160, 0);
    cursor.update(33);
    cursor.draw();
  }
  glFinish();
}
BENCHMARK(BM_Cursor)->Unit(benchmark::kMicrosecond);

}  // namespace
