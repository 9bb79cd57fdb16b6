// Loading a level from its files: the reader parsing the level and every
// model it names and building every node into a physics scene, against
// TinyXML alone parsing every file that build reads (found by watching the
// data tree while one build runs), side by side in one run. The level is the
// one whose cold build measures heaviest of the sample levels.
//   BM_ColdBuildAgainstTinyXml: a new reader each time (collision tables and
//     every model file read); counters in processor time: build_ms,
//     tinyxml_ms and their ratio, with the number of files.
//   BM_LoadAndBuildLevelWarm: the same reader again (models cached).
#include <benchmark/benchmark.h>
#include <sys/inotify.h>
#include <tinyxml.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>
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

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The reader prints its tables on standard output as it loads them; timing
// the terminal is not timing the load. The benchmark's own report goes through
// std::cout, which keeps the stream it was made with.
void silenceCStandardOutput() {
  std::fflush(stdout);
  if (std::FILE* devNull = std::fopen("/dev/null", "w")) stdout = devNull;
}

void buildOnce(CNodePhysicsReader& reader, int level) {
  const EntityGroupDescription description = reader.loadLevel(level);
  RenderEngine::CScenePhysics scene;
  const levelbuild::BuiltLevel built = levelbuild::buildLevel(reader, scene, description, gameConfiguration());
  benchmark::DoNotOptimize(built.nodes.data());
}

double coldBuildMs(int level) {
  const double t0 = cpuMs();
  CNodePhysicsReader reader;
  reader.setScale(getGridSize());
  buildOnce(reader, level);
  return cpuMs() - t0;
}

// The XML files one cold build opens, as relative names, by watching the
// folders it reads from.
std::vector<std::string> filesReadBy(int level) {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  std::vector<std::pair<int, std::string>> watches;
  for (const char* dir : {"levels", "physicmodels", "physicmodels/entities", "physicmodels/jointtemplates",
                          "physicmodels/complexentities"}) {
    const int wd = inotify_add_watch(fd, dir, IN_OPEN);
    if (wd >= 0) watches.emplace_back(wd, dir);
  }
  coldBuildMs(level);
  std::set<std::string> files;
  alignas(inotify_event) char buffer[1 << 16];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) {
    for (char* p = buffer; p < buffer + n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(p);
      if (e->len > 0 && fs::path(e->name).extension() == ".ynm") {
        for (const auto& w : watches)
          if (w.first == e->wd) files.insert(w.second + "/" + e->name);
      }
      p += sizeof(inotify_event) + e->len;
    }
  }
  close(fd);
  return {files.begin(), files.end()};
}

// Every picture of the data tree decoded once and held for the run, as the
// game's screens hold theirs: without a holder the last sprite of a build
// releases its picture with a purge and the next build decodes it again, work
// that is no part of reading the level.
void holdPictures() {
  for (const auto& entry : fs::directory_iterator("textures")) {
    if (entry.path().extension() == ".bin") RenderEngine::TextureManager::instance().getTexture(entry.path().stem().string());
  }
}

struct Setup {
  Setup() {
    fs::current_path(QM_BENCH_DATA_DIR);
    silenceCStandardOutput();
    RenderEngine::PhysicsGuard::setMessageSink(&quiet);
    RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
    loadConfiguration();
    holdPictures();
    // Every level built cold once; the heaviest is measured.
    double worst = -1;
    for (const auto& entry : fs::directory_iterator("levels")) {
      if (entry.path().extension() != ".ynm") continue;
      const int id = std::stoi(entry.path().stem().string());
      const double ms = std::min({coldBuildMs(id), coldBuildMs(id), coldBuildMs(id)});
      if (ms > worst) {
        worst = ms;
        level = id;
      }
    }
    files = filesReadBy(level);
  }
  int level = 1;
  std::vector<std::string> files;
};

const Setup& setup() {
  static const Setup s;
  return s;
}

double parseEveryFileMs(const std::vector<std::string>& files) {
  const double t0 = cpuMs();
  for (const std::string& file : files) {
    TiXmlDocument document;
    benchmark::DoNotOptimize(document.LoadFile(file));
  }
  return cpuMs() - t0;
}

void BM_ColdBuildAgainstTinyXml(benchmark::State& state) {
  const Setup& s = setup();
  double build = 0, parse = 0;
  int n = 0;
  for (auto _ : state) {
    // Alternating which goes first.
    if (n % 2 == 0) {
      build += coldBuildMs(s.level);
      parse += parseEveryFileMs(s.files);
    } else {
      parse += parseEveryFileMs(s.files);
      build += coldBuildMs(s.level);
    }
    ++n;
  }
  state.counters["level"] = s.level;
  state.counters["files"] = static_cast<double>(s.files.size());
  state.counters["build_ms"] = build / n;
  state.counters["tinyxml_ms"] = parse / n;
  state.counters["ratio"] = parse > 0 ? build / parse : 0;
}
BENCHMARK(BM_ColdBuildAgainstTinyXml)->Unit(benchmark::kMillisecond)->Iterations(300);

// Warm: the same reader again, its models cached.
void BM_LoadAndBuildLevelWarm(benchmark::State& state) {
  const int level = setup().level;
  CNodePhysicsReader reader;
  reader.setScale(getGridSize());
  buildOnce(reader, level);
  for (auto _ : state) buildOnce(reader, level);
  state.counters["level"] = level;
}
BENCHMARK(BM_LoadAndBuildLevelWarm)->Unit(benchmark::kMillisecond);

}  // namespace
