// The cost of submitting sprites: 1,000 sprites from one sheet drawn per frame
// through a real OpenGL context (run under xvfb-run; without a display the case
// is skipped). The figure is the time per frame and per sprite; glFinish is left
// out so it measures our submission, not the software rasteriser.
#include <GL/freeglut.h>
#include "support/GlWindow.h"
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "render_engine/CScene.h"
#include "render_engine/CSprite.h"
#include "tools/texture_writer.h"

namespace {

bool openWindow() { return qmtest::openGlWindow("bench_sprites", 960, 640); }

// A data tree with one sheet of four sprites, made once per run.
const std::filesystem::path& dataTree() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path d = std::filesystem::temp_directory_path() / "qm_bench_sprites";
    std::filesystem::create_directories(d / "textures");
    texwriter::Picture sheet(128, 128);
    sheet.fillRect(0, 0, 64, 64, texwriter::Rgba{200, 40, 40, 255});
    sheet.fillRect(64, 0, 64, 64, texwriter::Rgba{40, 200, 40, 200});
    texwriter::writePng((d / "textures/tex0.bin").string(), sheet);
    texwriter::writeFile((d / "textures/tex.dat").string(),
                         texwriter::encodeTexIndex({{1, 0, 0, 0, 64, 64}, {2, 0, 64, 0, 64, 64},
                                                    {3, 0, 0, 64, 32, 32}, {4, 0, 32, 64, 32, 32}}));
    return d;
  }();
  return dir;
}

void BM_DrawSpritesFromOneSheet(benchmark::State& state) {
  if (!openWindow()) {
    state.SkipWithError("no display: run under xvfb-run");
    return;
  }
  std::filesystem::current_path(dataTree());
  const int count = static_cast<int>(state.range(0));
  RenderEngine::CScene scene;
  for (int i = 0; i < count; ++i) {
    auto* sprite = new RenderEngine::CSprite(1 + i % 4);
    sprite->setPosition(static_cast<float>(i % 40) * 12.0f, static_cast<float>(i / 40) * 12.0f, 0);
    scene.registerNode(sprite);
  }
  scene.update(33);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 960, 640, 0, -1, 0);
  glMatrixMode(GL_MODELVIEW);
  for (auto _ : state) {
    glLoadIdentity();
    glScalef(2, 2, 1);
    scene.render();
  }
  glFinish();
  state.counters["ns/sprite"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * count,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawSpritesFromOneSheet)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
