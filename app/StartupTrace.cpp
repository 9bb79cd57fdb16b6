#include "app/StartupTrace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <dlfcn.h>

namespace startuptrace {
namespace {

long long nowUs(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

long long g_frameWall = 0;
long long g_frameCpu = 0;
long long g_longestWall = 0;
long long g_longestCpu = 0;

}  // namespace

bool enabled() {
  static const bool on = [] {
    const char* v = std::getenv("QM_TRACE_START");
    return v != nullptr && v[0] != '\0' && v[0] != '0';
  }();
  return on;
}

void line(const char* what) {
  if (!enabled()) return;
  std::printf("startup: %s at %lld cpu %lld longest %lld cpu %lld", what, nowUs(CLOCK_MONOTONIC) / 1000,
              nowUs(CLOCK_PROCESS_CPUTIME_ID) / 1000, g_longestWall / 1000, g_longestCpu / 1000);
  // Given by bench/heap_peak.cpp when the benchmarks preload it.
  using Counter = long long (*)();
  static const auto now = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, "qm_heap_now"));
  static const auto peak = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, "qm_heap_peak"));
  if (now != nullptr && peak != nullptr) std::printf(" heap %lld peak %lld", now() >> 10, peak() >> 10);
  std::printf("\n");
  std::fflush(stdout);
  g_longestWall = g_longestCpu = 0;
}

void frameBegin() {
  if (!enabled()) return;
  g_frameWall = nowUs(CLOCK_MONOTONIC);
  g_frameCpu = nowUs(CLOCK_THREAD_CPUTIME_ID);
}

void frameEnd() {
  if (!enabled()) return;
  g_longestWall = std::max(g_longestWall, nowUs(CLOCK_MONOTONIC) - g_frameWall);
  g_longestCpu = std::max(g_longestCpu, nowUs(CLOCK_THREAD_CPUTIME_ID) - g_frameCpu);
}

}  // namespace startuptrace
