// Reading scene files. A synthetic 2,000-node, 500-keyframe scene of plain
// nodes, option lists and buttons (no textures or fonts): the time to read it
// into a tree, and that time against reading the same file's bytes alone. Then
// the stand-in's meadow screen from the built data tree, with its pictures and
// fonts: cold (every picture decoded and uploaded, every font rasterised) and
// warm (all of them already held). The screen cases need a display (run under
// xvfb-run); without one they are skipped.
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "app/DataFiles.h"
#include "app/LocalizedText.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/Font.h"
#include "render_engine/TextureManager.h"
#include "support/GlWindow.h"
#include "tools/scene_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string& syntheticScene() {
  static const std::string path = [] {
    SceneWriter::SceneFileWriter w;
    SceneWriter::Look look;
    const int root = w.addNode(1, SceneWriter::nodeRecord(look));
    w.setRoot(root);
    // 20 groups of 3 option lists of 33 buttons and plain nodes each.
    for (int g = 0; g < 20; ++g) {
      look.position[0] = static_cast<float>(g * 20);
      const int group = w.addNode(1, SceneWriter::nodeRecord(look));
      w.addChildren(root, {group});
      for (int l = 0; l < 3; ++l) {
        const int list = w.addNode(3, SceneWriter::nodeRecord(look));
        w.addChildren(group, {list});
        std::vector<int> items;
        std::vector<std::uint16_t> words;
        for (int i = 0; i < 32; ++i) {
          look.position[1] = static_cast<float>(i * 10);
          look.tag = 100 + i;
          items.push_back(w.addNode(i % 2 == 0 ? 4 : 1, SceneWriter::nodeRecord(look)));
        }
        w.addChildren(list, items);
        for (int o = 0; o < 4; ++o) {
          words.push_back(8);
          for (int i = 0; i < 8; ++i) words.push_back(static_cast<std::uint16_t>(o * 8 + i));
        }
        w.setOptions(list, 4, words);
      }
    }
    // Pad to 2,000 nodes with plain ones under the root.
    std::vector<int> rest;
    while (w.nodeCount() < 2000) rest.push_back(w.addNode(1, SceneWriter::nodeRecord(look)));
    w.addChildren(root, rest);
    SceneWriter::Pose from, to;
    to.f[0] = 40;
    to.f[15] = -128;
    for (int k = 0; k < 500; ++k) w.addKeyframe(1 + k % 1000, 10 + k % 7, from, to);
    const std::string file = (std::filesystem::temp_directory_path() / "qm_bench_scene.bin").string();
    w.write(file);
    return file;
  }();
  return path;
}

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Into a buffer kept from one read to the next: the cost of the file's bytes
// alone, without the allocator's moods (a fresh buffer of this size costs
// anywhere from a tenth of a millisecond to two on this machine, depending on
// what was freed before).
void readBytes(const std::string& path) {
  static std::string bytes;
  readRegularFile(path, ExportCNode::kMaxSceneFileBytes, bytes);
  benchmark::DoNotOptimize(bytes.data());
}

// Reading the file's bytes into memory alone, measured once on its own.
double bytesOnlyMilliseconds() {
  static const double ms = [] {
    const std::string& path = syntheticScene();
    for (int i = 0; i < 20; ++i) readBytes(path);
    const Clock::time_point t = Clock::now();
    for (int i = 0; i < 200; ++i) readBytes(path);
    return millisecondsSince(t) / 200.0;
  }();
  return ms;
}

void BM_ReadSceneBytesOnly(benchmark::State& state) {
  const std::string& path = syntheticScene();
  for (auto _ : state) readBytes(path);
}
BENCHMARK(BM_ReadSceneBytesOnly)->Unit(benchmark::kMillisecond);

// The whole read (the reader reads the file itself) and its ratio to the
// bytes alone.
void BM_ReadSyntheticScene(benchmark::State& state) {
  const std::string& path = syntheticScene();
  const double bytesMs = bytesOnlyMilliseconds();
  double sceneMs = 0;
  for (auto _ : state) {
    const Clock::time_point t = Clock::now();
    ExportCNode::CNodeReader reader("bench");
    RenderEngine::CNode* root = reader.readFile(path);
    benchmark::DoNotOptimize(root);
    sceneMs += millisecondsSince(t);
    state.PauseTiming();
    if (root->getChildCount() == 0) state.SkipWithError("the scene did not load");
    delete root;
    state.ResumeTiming();
  }
  const double perRead = sceneMs / static_cast<double>(state.iterations());
  state.counters["scene_ms"] = perRead;
  state.counters["bytes_ms"] = bytesMs;
  state.counters["vs_bytes"] = bytesMs > 0 ? perRead / bytesMs : 0;
}
BENCHMARK(BM_ReadSyntheticScene)->Unit(benchmark::kMillisecond);

bool screenReady(benchmark::State& state) {
  if (!qmtest::openGlWindow("bench_scenes", 960, 640)) {
    state.SkipWithError("no display: run under xvfb-run");
    return false;
  }
  std::filesystem::current_path(QM_BENCH_DATA_DIR);
  initTexts();
  return true;
}

void BM_ReadScreenCold(benchmark::State& state) {
  if (!screenReady(state)) return;
  for (auto _ : state) {
    ExportCNode::CNodeReader reader("demo-meadow.bin");
    RenderEngine::CNode* root = reader.read();
    state.PauseTiming();
    delete root;
    RenderEngine::resetFontRegistryForTests();
    RenderEngine::TextureManager::instance().resetForTests();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ReadScreenCold)->Unit(benchmark::kMillisecond);

void BM_ReadScreenWarm(benchmark::State& state) {
  if (!screenReady(state)) return;
  // A copy of the screen holds every picture and font meanwhile.
  ExportCNode::CNodeReader first("demo-meadow.bin");
  RenderEngine::CNode* held = first.read();
  for (auto _ : state) {
    ExportCNode::CNodeReader reader("demo-meadow.bin");
    RenderEngine::CNode* root = reader.read();
    state.PauseTiming();
    delete root;
    state.ResumeTiming();
  }
  delete held;
}
BENCHMARK(BM_ReadScreenWarm)->Unit(benchmark::kMillisecond);

}  // namespace
