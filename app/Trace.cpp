#include "app/Trace.h"

#include "app/StartupTrace.h"

#include <time.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

bool traceOn() { return startuptrace::enabled(); }

void traceLine(const char* format, ...) {
  if (!traceOn()) return;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::printf("%s\n", line);
  std::fflush(stdout);
}

long long traceClockMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
