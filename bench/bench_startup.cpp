// Start-up of the game: milliseconds from exec to the first drawn frame of the
// logo, and to the first frame of the screen after it (the logo itself lasts
// about three seconds of that). Runs build/quillmoor from the data tree with a
// fresh save folder and no sound device; needs an X display (xvfb-run).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "support/TempDir.h"

namespace {

long long monotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// One start: fills the two times (-1 when a screen never came within 20 s).
void startOnce(long long& logoMs, long long& nextMs) {
  logoMs = nextMs = -1;
  qmtest::TempDir home;
  int out[2];
  if (pipe(out) != 0) return;
  const long long t0 = monotonicMs();
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
    if (chdir(QM_BENCH_DATA_DIR) != 0) _exit(127);
    execl(QM_GAME_EXE, QM_GAME_EXE, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string buffer;
  char chunk[512];
  while (nextMs < 0 && monotonicMs() - t0 < 20000) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    const ssize_t n = read(out[0], chunk, sizeof chunk);
    if (n <= 0) break;
    buffer.append(chunk, static_cast<std::size_t>(n));
    std::size_t nl;
    while ((nl = buffer.find('\n')) != std::string::npos) {
      const std::string line = buffer.substr(0, nl);
      buffer.erase(0, nl + 1);
      int seq = -1;
      long long at = 0;
      if (std::sscanf(line.c_str(), "startup: sequence %d drawn at %lld", &seq, &at) == 2) {
        if (seq == 0 && logoMs < 0) logoMs = at - t0;
        if (seq == 1 && nextMs < 0) nextMs = at - t0;
      }
    }
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(out[0]);
}

void BM_StartToLogoAndMenu(benchmark::State& state) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("needs an X display (run under xvfb-run)");
    return;
  }
  long long logoSum = 0, nextSum = 0;
  int runs = 0;
  for (auto _ : state) {
    long long logo = 0, next = 0;
    startOnce(logo, next);
    if (logo < 0 || next < 0) {
      state.SkipWithError("the game did not reach the logo and the next screen");
      return;
    }
    logoSum += logo;
    nextSum += next;
    ++runs;
    state.SetIterationTime(static_cast<double>(logo) / 1000.0);
  }
  state.counters["first_logo_frame_ms"] = static_cast<double>(logoSum) / runs;
  state.counters["next_screen_ms"] = static_cast<double>(nextSum) / runs;
}
BENCHMARK(BM_StartToLogoAndMenu)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
