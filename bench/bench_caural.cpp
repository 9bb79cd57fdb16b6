// The audio library's manager: the cost of one update pass with 32 streaming
// sources, and the processor share of streaming one Ogg source in real time
// (OpenAL Soft's null backend, which mixes in real time like a sound card).
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "../tests/sound/SoundFixtures.h"
#include "audio_library/AuralManager.h"
#include "caural/ILogger.h"

using namespace cAural;

namespace {

const bool nullBackend = [] {
  setenv("ALSOFT_DRIVERS", "null", 0);
  getLogger()->setLogLevel(LOG_ERROR);
  return true;
}();

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Playing {
  cAuralManager manager;
  std::vector<std::uint8_t> ogg = qmtest::sineOgg(2.0, 44100, 2);
  bool ok = false;
  explicit Playing(int count) {
    ok = manager.initialize(nullptr, -1, 4);
    manager.registerDecoder(getOggAudioDecoderFactory(), "ogg");
    for (int i = 0; ok && i < count; ++i) {
      IAudioSource* s = manager.createSourceFromMemory("", reinterpret_cast<const char*>(ogg.data()),
                                                       static_cast<std::int32_t>(ogg.size()), "ogg");
      ok = s != nullptr;
      if (ok) {
        s->setLooping(true);
        s->play();
      }
    }
  }
  ~Playing() { manager.shutDown(); }
};

void BM_ManagerUpdate32Sources(benchmark::State& state) {
  Playing p(32);
  if (!p.ok) {
    state.SkipWithError("no OpenAL device");
    return;
  }
  for (auto _ : state) {
    p.manager.update();
    // Real time passes between passes, as on the update thread.
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ManagerUpdate32Sources)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_StreamOneOggRealTime(benchmark::State& state) {
  for (auto _ : state) {
    Playing p(1);
    if (!p.ok) {
      state.SkipWithError("no OpenAL device");
      return;
    }
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(3)) {
      p.manager.update();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.counters["cpu_percent"] = 100.0 * (cpuSeconds() - cpu0) / wall;
  }
}
BENCHMARK(BM_StreamOneOggRealTime)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
