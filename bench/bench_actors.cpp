// The actors per frame and at level build, on the sample scenes and models
// (copied without their pictures, so no OpenGL is needed):
//   BM_UpdateActorsAndBlocks: one frame's updateVisit of 50 animals and 100
//     blocks (microseconds per frame);
//   BM_BuildBlocks: 100 blocks from the factory, each with its copy of the
//     block scene (time, and the nodes built per block as a counter);
//   BM_UpdatePlainNodes: the same 150 bodies as plain physics nodes with one
//     sprite each, for comparison.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Random.h"
#include "game/actors/ActorTemplates.h"
#include "game/actors/QMRCNodePhysicsReader.h"
#include "game/actors/QMRSheep.h"
#include "physics/GameConfiguration.h"
#include "render_engine/CSprite.h"
#include "support/TempDir.h"

namespace {

using RenderEngine::CNode;

// No host is installed: sounds go nowhere.
// A data folder with the scenes and models of the built tree, and no textures.
struct BenchData {
  qmtest::TempDir dir;
  qmtest::ScopedCwd* cwd = nullptr;
  BenchData() {
    const std::filesystem::path data(QM_BENCH_DATA_DIR);
    std::filesystem::copy(data / "physicmodels", dir.path() / "physicmodels", std::filesystem::copy_options::recursive);
    std::filesystem::copy(data / "models", dir.path() / "models", std::filesystem::copy_options::recursive);
    std::filesystem::copy_file(data / "config.ynm", dir.path() / "config.ynm");
    cwd = new qmtest::ScopedCwd(dir.path());
    loadConfiguration();
    seedRandom(7);
  }
  ~BenchData() {
    ActorTemplates::clearAll();
    delete cwd;
  }
};

const char* const kAnimals[] = {"Sheep", "Wolf", "BlackSheepLight", "BlackWolfHeavy", "Sheep"};
const char* const kBlocks[] = {"WoodBox", "StoneBlock", "Barrel", "IceBlock", "StrongBox", "Jumper", "Balloon",
                               "WoodPlank", "GoalZone", "Rock"};

// One frame of 50 animals and 100 blocks built by the reader given.
template <class Reader>
void updateFrame(benchmark::State& state) {
  BenchData data;
  Reader reader;
  reader.setScale(getGridSize());
  std::vector<CNode*> nodes;
  for (int i = 0; i < 50; ++i) nodes.push_back(reader.createEntity(kAnimals[i % 5]));
  for (int i = 0; i < 100; ++i) nodes.push_back(reader.createEntity(kBlocks[i % 10]));
  for (auto _ : state) {
    for (CNode* n : nodes) n->update(33);
  }
  for (CNode* n : nodes) delete n;
}

void BM_UpdateActorsAndBlocks(benchmark::State& state) { updateFrame<QMRCNodePhysicsReader>(state); }
BENCHMARK(BM_UpdateActorsAndBlocks)->Unit(benchmark::kMicrosecond);

void BM_UpdatePlainNodes(benchmark::State& state) { updateFrame<CNodePhysicsReader>(state); }
BENCHMARK(BM_UpdatePlainNodes)->Unit(benchmark::kMicrosecond);

void BM_BuildBlocks(benchmark::State& state) {
  BenchData data;
  QMRCNodePhysicsReader reader;
  reader.setScale(getGridSize());
  std::size_t nodesPerBlock = 0;
  for (auto _ : state) {
    std::vector<CNode*> blocks;
    blocks.reserve(100);
    for (int i = 0; i < 100; ++i) blocks.push_back(reader.createEntity(kBlocks[i % 10]));
    state.PauseTiming();
    RenderEngine::NodeList all;
    blocks[0]->collectAll(all);
    nodesPerBlock = all.size();
    for (CNode* b : blocks) delete b;
    state.ResumeTiming();
  }
  state.counters["nodes_per_block"] = static_cast<double>(nodesPerBlock);
}
BENCHMARK(BM_BuildBlocks)->Unit(benchmark::kMillisecond);

}  // namespace
