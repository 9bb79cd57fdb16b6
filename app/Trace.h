#pragma once
// QM_TRACE_START=1 makes the game say on standard output when it reaches the
// steps of its start, draws a screen for the first time, or changes the state
// of a level, so a test that drives the whole game waits on what it did
// rather than on the clock. Off (and silent) otherwise.

// Whether the trace is on (read once from the environment).
bool traceOn();

// Prints one line (printf-style, a line end added) and flushes it, when on.
void traceLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Milliseconds on the monotonic clock, for the trace's own time stamps.
long long traceClockMs();
