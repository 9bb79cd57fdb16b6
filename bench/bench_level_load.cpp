// Loading the largest sample level: TinyXML parsing the file alone, against the
// reader parsing it and building every node into a physics scene, with the
// model caches cold (a new reader: tables and every model file read) and warm.
#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "physics/CNodePhysicsReader.h"
#include "physics/CScenePhysics.h"
#include "physics/GameConfiguration.h"
#include "physics/PhysicsGuard.h"
#include "render_engine/Texture.h"
#include "render_engine/TextureManager.h"
#include "tools/level_build.h"

namespace {

namespace fs = std::filesystem;

void quiet(const std::string&) {}

// The level file with the most entities, by size.
int largestLevel() {
  int best = 1;
  std::uintmax_t bestSize = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(QM_BENCH_DATA_DIR) / "levels")) {
    if (entry.path().extension() != ".ynm" || entry.file_size() <= bestSize) continue;
    bestSize = entry.file_size();
    best = std::stoi(entry.path().stem().string());
  }
  return best;
}

// The reader prints its tables on standard output as it loads them; timing
// the terminal is not timing the load. The benchmark's own report goes through
// std::cout, which keeps the stream it was made with.
void silenceCStandardOutput() {
  std::fflush(stdout);
  if (std::FILE* devNull = std::fopen("/dev/null", "w")) stdout = devNull;
}

struct Setup {
  Setup() : level(largestLevel()) {
    fs::current_path(QM_BENCH_DATA_DIR);
    silenceCStandardOutput();
    RenderEngine::PhysicsGuard::setMessageSink(&quiet);
    RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
    loadConfiguration();
  }
  int level;
};

const Setup& setup() {
  static const Setup s;
  return s;
}

void BM_TinyXmlParseLevel(benchmark::State& state) {
  const std::string file = "levels/" + std::to_string(setup().level) + ".ynm";
  for (auto _ : state) {
    TiXmlDocument document;
    benchmark::DoNotOptimize(document.LoadFile(file));
  }
}
BENCHMARK(BM_TinyXmlParseLevel)->Unit(benchmark::kMillisecond);

void buildOnce(CNodePhysicsReader& reader, int level) {
  const EntityGroupDescription description = reader.loadLevel(level);
  RenderEngine::CScenePhysics scene;
  const levelbuild::BuiltLevel built = levelbuild::buildLevel(reader, scene, description, gameConfiguration());
  benchmark::DoNotOptimize(built.nodes.data());
}

void BM_LoadAndBuildLevelCold(benchmark::State& state) {
  const int level = setup().level;
  for (auto _ : state) {
    CNodePhysicsReader reader;
    reader.setScale(getGridSize());
    buildOnce(reader, level);
  }
}
BENCHMARK(BM_LoadAndBuildLevelCold)->Unit(benchmark::kMillisecond);

// Warm: the models are cached and the level's sprite sheets are held, as the
// game's screens hold them between levels. Without a holder the last sprite of
// the previous build releases a sheet with a purge and the next build decodes
// it again, which is the texture file a "warm" build used to read.
void BM_LoadAndBuildLevelWarm(benchmark::State& state) {
  const int level = setup().level;
  CNodePhysicsReader reader;
  reader.setScale(getGridSize());
  std::vector<RenderEngine::ITexture*> held;
  {
    const EntityGroupDescription description = reader.loadLevel(level);
    RenderEngine::CScenePhysics scene;
    levelbuild::buildLevel(reader, scene, description, gameConfiguration());
    for (int sheet = 0; sheet < 64; ++sheet) {
      RenderEngine::ITexture* texture = RenderEngine::TextureManager::instance().findStored("tex" + std::to_string(sheet));
      if (texture == nullptr) continue;
      texture->addRef();
      held.push_back(texture);
    }
  }
  for (auto _ : state) buildOnce(reader, level);
  for (RenderEngine::ITexture* texture : held) texture->release(true);
}
BENCHMARK(BM_LoadAndBuildLevelWarm)->Unit(benchmark::kMillisecond);

}  // namespace
