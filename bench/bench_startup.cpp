// Start-up of the game, beside its floor, in one run (needs an X display:
// xvfb-run -a -s "-screen 0 960x640x24" build/bench/bench_startup):
//   BM_ExecToFirstFrame: exec to the first drawn frame of the logo, the game
//     (build/quillmoor from the data tree, a fresh save folder, OpenAL's null
//     device) against bare_window, which opens the same window and swaps once;
//     runs alternate, the counters are medians: wall and processor time of
//     each and their ratios (game / bare).
//   BM_LogoToMenu: from the logo's first frame to the first frame of the menu
//     a player can click: the longest frame in between (update, draw and swap;
//     wall and game-thread processor time) and when the menu came; and the
//     heap's peak from the start to then (the game run with heap_peak
//     preloaded, which counts every block of the malloc family).
// Both read the game's QM_TRACE_START lines.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace {

long long monotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// "startup: <what> at <ms> cpu <ms> [longest <ms> cpu <ms>]"
struct TraceLine {
  std::string what;
  long long at = 0;
  long long cpu = 0;
  long long longest = 0;
  long long longestCpu = 0;
};

bool parseTrace(const std::string& line, TraceLine& out) {
  if (line.rfind("startup: ", 0) != 0) return false;
  const std::size_t at = line.rfind(" at ");
  if (at == std::string::npos) return false;
  out.what = line.substr(9, at - 9);
  out.longest = out.longestCpu = 0;
  const int n = std::sscanf(line.c_str() + at, " at %lld cpu %lld longest %lld cpu %lld", &out.at, &out.cpu,
                            &out.longest, &out.longestCpu);
  return n >= 2;
}

// Runs a program from the data tree until `until` is traced (or 60 s pass);
// the lines seen are returned, the start's monotonic time in t0. With
// heapReport, the heap counter is preloaded and its report read into it.
std::vector<TraceLine> runTraced(const char* exe, const std::string& until, long long& t0,
                                 std::string* heapReport = nullptr) {
  std::vector<TraceLine> lines;
  qmtest::TempDir home;
  int out[2];
  if (pipe(out) != 0) return lines;
  t0 = monotonicMs();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    const int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 2);
    setenv("XDG_DATA_HOME", home.str().c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("QM_TRACE_START", "1", 1);
    if (heapReport != nullptr) {
      setenv("LD_PRELOAD", QM_HEAP_PEAK_LIB, 1);
      setenv("QM_HEAP_REPORT", (home.str() + "/heap").c_str(), 1);
    }
    if (chdir(QM_BENCH_DATA_DIR) != 0) _exit(127);
    execl(exe, exe, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string buffer;
  char chunk[512];
  bool done = false;
  while (!done && monotonicMs() - t0 < 60000) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    const ssize_t n = read(out[0], chunk, sizeof chunk);
    if (n <= 0) break;
    buffer.append(chunk, static_cast<std::size_t>(n));
    std::size_t nl;
    while ((nl = buffer.find('\n')) != std::string::npos) {
      TraceLine t;
      if (parseTrace(buffer.substr(0, nl), t)) {
        lines.push_back(t);
        if (t.what == until) done = true;
      }
      buffer.erase(0, nl + 1);
    }
  }
  if (heapReport != nullptr) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::FILE* f = std::fopen((home.str() + "/heap").c_str(), "r");
    char line[128] = {};
    if (f != nullptr && std::fgets(line, sizeof line, f) != nullptr) *heapReport = line;
    if (f != nullptr) std::fclose(f);
  } else {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  close(out[0]);
  return lines;
}

const TraceLine* find(const std::vector<TraceLine>& lines, const std::string& what) {
  for (const TraceLine& t : lines)
    if (t.what == what) return &t;
  return nullptr;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

bool haveDisplay(benchmark::State& state) {
  if (std::getenv("DISPLAY") != nullptr) return true;
  state.SkipWithError("needs an X display (run under xvfb-run)");
  return false;
}

void BM_ExecToFirstFrame(benchmark::State& state) {
  if (!haveDisplay(state)) return;
  const std::string logo = "sequence 0 drawn";
  std::vector<double> gameWall, gameCpu, bareWall, bareCpu;
  int iteration = 0;
  for (auto _ : state) {
    // Alternating which goes first, so a change of load hits both alike.
    for (int k = 0; k < 2; ++k) {
      const bool game = (k == 0) == (iteration % 2 == 0);
      long long t0 = 0;
      const std::vector<TraceLine> lines = runTraced(game ? QM_GAME_EXE : QM_BARE_EXE, logo, t0);
      const TraceLine* t = find(lines, logo);
      if (t == nullptr) {
        state.SkipWithError(game ? "the game never drew its logo" : "the bare window never swapped");
        return;
      }
      (game ? gameWall : bareWall).push_back(static_cast<double>(t->at - t0));
      (game ? gameCpu : bareCpu).push_back(static_cast<double>(t->cpu));
    }
    state.SetIterationTime(gameWall.back() / 1000.0);
    ++iteration;
  }
  state.counters["game_wall_ms"] = median(gameWall);
  state.counters["bare_wall_ms"] = median(bareWall);
  state.counters["wall_ratio"] = median(gameWall) / std::max(1.0, median(bareWall));
  state.counters["game_cpu_ms"] = median(gameCpu);
  state.counters["bare_cpu_ms"] = median(bareCpu);
  state.counters["cpu_ratio"] = median(gameCpu) / std::max(1.0, median(bareCpu));
}
BENCHMARK(BM_ExecToFirstFrame)->Iterations(7)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LogoToMenu(benchmark::State& state) {
  if (!haveDisplay(state)) return;
  double longestWall = 0, longestCpu = 0, heapPeak = 0;
  std::vector<double> menuAfterLogo;
  for (auto _ : state) {
    long long t0 = 0;
    std::string heap;
    const std::vector<TraceLine> lines = runTraced(QM_GAME_EXE, "menu clickable", t0, &heap);
    long long peak = 0, now = 0;
    if (std::sscanf(heap.c_str(), "heap peak %lld now %lld", &peak, &now) == 2) {
      heapPeak = std::max(heapPeak, static_cast<double>(peak) / (1 << 20));
    }
    const TraceLine* logo = find(lines, "sequence 0 drawn");
    const TraceLine* menu = find(lines, "menu clickable");
    if (logo == nullptr || menu == nullptr) {
      state.SkipWithError("the game did not reach a menu a player can click");
      return;
    }
    // Each line carries the longest frame since the line before it.
    for (const TraceLine* t = logo + 1; t <= menu; ++t) {
      longestWall = std::max(longestWall, static_cast<double>(t->longest));
      longestCpu = std::max(longestCpu, static_cast<double>(t->longestCpu));
    }
    menuAfterLogo.push_back(static_cast<double>(menu->at - logo->at));
    state.SetIterationTime(menuAfterLogo.back() / 1000.0);
  }
  state.counters["longest_frame_ms"] = longestWall;
  state.counters["longest_frame_cpu_ms"] = longestCpu;
  state.counters["menu_after_logo_ms"] = median(menuAfterLogo);
  state.counters["heap_peak_MB"] = heapPeak;
}
BENCHMARK(BM_LogoToMenu)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
