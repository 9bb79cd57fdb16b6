// Playing the levels of map 1 through the whole game (its application object,
// the real sound engine on OpenAL's null device, headless pictures), each by
// its solution from the level's first update to its result window, with a
// fresh save folder per play (so briefings and first wins come as they do to
// a new player). Times are processor time of the game thread.
//   BM_EveryLevelOfMap1: the worst frame, the worst 99th percentile and the
//     slowest level start (startLevel: prepareLevel and the switch) over all
//     levels, each with its level, and the level that measures heaviest
//     (the largest mean frame); for the worst frame also its number, and the
//     page faults and involuntary switches of the game thread in it. Each
//     level's figures are printed on the error stream as it is played.
//   BM_HeaviestLevel: that level played again: its frame maximum, 99th
//     percentile and mean, and its level start (medians over the plays).
//   BM_RetryHeaviest: a retry of that level once it is won.
//   BM_RetryMemory: resident memory after 100 retries against before (kB).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/Random.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "render_engine/Texture.h"
#include "support/TempDir.h"
#include "tools/level_player.h"

namespace {

double threadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Setup {
  Setup() {
    setenv("ALSOFT_DRIVERS", "null", 1);
    std::filesystem::current_path(QM_BENCH_DATA_DIR);
    RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
    // The game prints its sound and texture chatter; the report goes through std::cout.
    std::fflush(stdout);
    if (std::FILE* devNull = std::fopen("/dev/null", "w")) stdout = devNull;
  }
};

void setup() { static Setup s; }

std::vector<levelplay::Tap> solution(int level) {
  std::ifstream in(std::string(QM_SOLUTIONS_DIR) + "/" + std::to_string(level) + ".txt");
  std::stringstream text;
  text << in.rdbuf();
  return levelplay::parseScript(text.str(), nullptr);
}

// What the game thread did besides its work during a frame: page faults
// (first touches of fresh memory, counted in its processor time) and
// involuntary switches (the machine's load taking the core away).
struct ThreadCounts {
  long faults = 0;
  long switches = 0;
};

ThreadCounts threadCounts() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return {u.ru_minflt + u.ru_majflt, u.ru_nivcsw};
}

struct Play {
  int level = 0;
  bool won = false;
  double startMs = 0;
  std::vector<double> frameMs;  // sorted
  // The worst frame: its number from the level's first update, and its counts.
  int worstIndex = -1;
  ThreadCounts worstCounts;
  double max() const { return frameMs.empty() ? 0 : frameMs.back(); }
  double p99() const {
    return frameMs.empty() ? 0 : frameMs[static_cast<std::size_t>(0.99 * static_cast<double>(frameMs.size() - 1))];
  }
  double mean() const {
    double sum = 0;
    for (double v : frameMs) sum += v;
    return frameMs.empty() ? 0 : sum / static_cast<double>(frameMs.size());
  }
};

// One play of a level by its solution, timed; atEnd sees the level screen.
Play playHere(int level, const std::function<void(InGameSequence&)>& atEnd = nullptr) {
  setup();
  qmtest::TempDir saves;
  setenv("XDG_DATA_HOME", saves.str().c_str(), 1);
  seedRandom(1);
  Play play;
  play.level = level;
  double t0 = 0;
  ThreadCounts c0;
  double worst = -1;
  levelplay::StartHooks start;
  start.before = [&] { t0 = threadCpuMs(); };
  start.after = [&] { play.startMs = threadCpuMs() - t0; };
  levelplay::PlayOptions options;
  options.atEnd = atEnd;
  options.beforeUpdate = [&] {
    c0 = threadCounts();
    t0 = threadCpuMs();
  };
  options.afterUpdate = [&] {
    const double ms = threadCpuMs() - t0;
    const ThreadCounts c = threadCounts();
    if (ms > worst) {
      worst = ms;
      play.worstIndex = static_cast<int>(play.frameMs.size());
      play.worstCounts = {c.faults - c0.faults, c.switches - c0.switches};
    }
    play.frameMs.push_back(ms);
  };
  levelplay::Replayer replayer(level, start);
  const levelplay::PlayResult result = replayer.play(solution(level), options);
  play.won = result.outcome == "won";
  // A lost level still ends in its result window; it is counted, and said.
  if (!play.won) std::fprintf(stderr, "level %d: %s (%s)\n", level, result.outcome.c_str(), result.reason.c_str());
  std::sort(play.frameMs.begin(), play.frameMs.end());
  return play;
}

// The same in a child process: the solutions are written for a game that
// starts afresh (the random draws of an earlier play would change this one's).
Play playTimed(int level) {
  setup();
  int fds[2];
  if (pipe(fds) != 0) std::abort();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const Play p = playHere(level);
    std::ostringstream out;
    out << p.won << ' ' << p.startMs << ' ' << p.worstIndex << ' ' << p.worstCounts.faults << ' '
        << p.worstCounts.switches << ' ' << p.frameMs.size();
    for (double v : p.frameMs) out << ' ' << v;
    const std::string text = out.str();
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = write(fds[1], text.data() + done, text.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char chunk[4096];
  ssize_t n;
  while ((n = read(fds[0], chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(n));
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  Play p;
  p.level = level;
  std::istringstream in(text);
  std::size_t count = 0;
  in >> p.won >> p.startMs >> p.worstIndex >> p.worstCounts.faults >> p.worstCounts.switches >> count;
  for (std::size_t i = 0; i < count && in; ++i) {
    double v = 0;
    in >> v;
    p.frameMs.push_back(v);
  }
  return p;
}

std::vector<int> levelsOfMap1() {
  setup();
  qmtest::TempDir saves;
  setenv("XDG_DATA_HOME", saves.str().c_str(), 1);
  LevelsManager::resetInstance();
  std::vector<int> ids;
  for (const LevelRecord* record : LevelsManager::getInstance().getMap(1).levels)
    if (record->id > 0) ids.push_back(record->id);
  LevelsManager::resetInstance();
  return ids;
}

// Every level once, measured once per run.
const std::vector<Play>& survey() {
  static const std::vector<Play> plays = [] {
    std::vector<Play> all;
    for (int level : levelsOfMap1()) {
      all.push_back(playTimed(level));
      const Play& p = all.back();
      std::fprintf(stderr, "level %d: start %.1f ms, frames %zu, p99 %.1f ms, worst %.1f ms at frame %d (%ld faults, %ld switches)\n",
                   level, p.startMs, p.frameMs.size(), p.p99(), p.max(), p.worstIndex, p.worstCounts.faults,
                   p.worstCounts.switches);
    }
    return all;
  }();
  return plays;
}

int heaviestLevel() {
  const std::vector<Play>& plays = survey();
  const auto it =
      std::max_element(plays.begin(), plays.end(), [](const Play& a, const Play& b) { return a.mean() < b.mean(); });
  return it == plays.end() ? 0 : it->level;
}

void BM_EveryLevelOfMap1(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(survey().size());
  const std::vector<Play>& plays = survey();
  Play worstFrame, worstP99, worstStart;
  int won = 0;
  for (const Play& p : plays) {
    won += p.won ? 1 : 0;
    if (p.max() > worstFrame.max()) worstFrame = p;
    if (p.p99() > worstP99.p99()) worstP99 = p;
    if (p.startMs > worstStart.startMs) worstStart = p;
  }
  state.counters["levels"] = static_cast<double>(plays.size());
  state.counters["won"] = won;
  state.counters["worst_frame_ms"] = worstFrame.max();
  state.counters["worst_frame_level"] = worstFrame.level;
  state.counters["worst_frame_index"] = worstFrame.worstIndex;
  state.counters["worst_frame_of"] = static_cast<double>(worstFrame.frameMs.size());
  state.counters["worst_frame_faults"] = static_cast<double>(worstFrame.worstCounts.faults);
  state.counters["worst_frame_switches"] = static_cast<double>(worstFrame.worstCounts.switches);
  state.counters["worst_p99_ms"] = worstP99.p99();
  state.counters["worst_p99_level"] = worstP99.level;
  state.counters["worst_start_ms"] = worstStart.startMs;
  state.counters["worst_start_level"] = worstStart.level;
  state.counters["heaviest_level"] = heaviestLevel();
}
BENCHMARK(BM_EveryLevelOfMap1)->Iterations(1)->Unit(benchmark::kMillisecond);

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void BM_HeaviestLevel(benchmark::State& state) {
  const int level = heaviestLevel();
  std::vector<double> maxes, p99s, means, starts;
  for (auto _ : state) {
    const Play p = playTimed(level);
    maxes.push_back(p.max());
    p99s.push_back(p.p99());
    means.push_back(p.mean());
    starts.push_back(p.startMs);
  }
  state.counters["level"] = level;
  state.counters["frame_max_ms"] = median(maxes);
  state.counters["frame_p99_ms"] = median(p99s);
  state.counters["frame_mean_ms"] = median(means);
  state.counters["level_start_ms"] = median(starts);
}
BENCHMARK(BM_HeaviestLevel)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_RetryHeaviest(benchmark::State& state) {
  const int level = heaviestLevel();
  playHere(level, [&state](InGameSequence& play) {
    for (auto _ : state) play.retryLevel();
  });
  state.counters["level"] = level;
}
BENCHMARK(BM_RetryHeaviest)->Unit(benchmark::kMillisecond);

long residentKb() {
  long pages = 0;
  long resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

void BM_RetryMemory(benchmark::State& state) {
  const int level = heaviestLevel();
  long grown = 0;
  playHere(level, [&](InGameSequence& play) {
    for (int i = 0; i < 10; ++i) play.retryLevel();
    for (auto _ : state) {
      const long before = residentKb();
      for (int i = 0; i < 100; ++i) {
        play.retryLevel();
        play.update(33);
      }
      grown = residentKb() - before;
    }
  });
  state.counters["grown_kB"] = static_cast<double>(grown);
}
BENCHMARK(BM_RetryMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
