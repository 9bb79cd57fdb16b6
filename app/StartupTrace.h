#pragma once
// QM_TRACE_START=1: lines on standard output at the steps of start-up, for the
// start-up benchmark and the end-to-end tests:
//   startup: <what> at <monotonic ms> cpu <process cpu ms> longest <ms> cpu <ms>
// where "longest" is the longest frame (its update, draw and swap, without the
// frame limiter's wait) since the previous line, in wall and thread time;
// with the benchmarks' heap counter preloaded, then " heap <kB> peak <kB>".
namespace startuptrace {

bool enabled();
void line(const char* what);

// The window glue brackets each frame's work with these.
void frameBegin();
void frameEnd();

}  // namespace startuptrace
