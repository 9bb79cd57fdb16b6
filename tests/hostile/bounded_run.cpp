// bounded_run SECONDS MAX_MB LABEL -- COMMAND [ARGS...]
// Runs the command (in a process group of its own, its output passed through)
// and says how it ended: its exit status, the signal that killed it, or that
// it ran past SECONDS and was killed, and its peak resident memory. Exits 0
// when the command ended by itself, by no signal, within MAX_MB; 1 otherwise.
// Whatever exit status the command gave is fine: a reader may refuse its
// input and stop, as long as it stops cleanly.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6 || std::strcmp(argv[4], "--") != 0) {
    std::fprintf(stderr, "usage: bounded_run SECONDS MAX_MB LABEL -- COMMAND [ARGS...]\n");
    return 2;
  }
  const double seconds = std::atof(argv[1]);
  const long maxMb = std::atol(argv[2]);
  const char* label = argv[3];
  const double start = now();
  // A pipe that closes on exec: a byte on it says the command never started.
  int started[2];
  if (pipe2(started, O_CLOEXEC) != 0) {
    std::perror("bounded_run: pipe");
    return 2;
  }
  const pid_t child = fork();
  if (child < 0) {
    std::perror("bounded_run: fork");
    return 2;
  }
  if (child == 0) {
    setpgid(0, 0);
    close(started[0]);
    execvp(argv[5], argv + 5);
    const int error = errno;
    (void)!write(started[1], &error, sizeof error);
    _exit(127);
  }
  close(started[1]);
  setpgid(child, child);
  int execError = 0;
  if (read(started[0], &execError, sizeof execError) == static_cast<ssize_t>(sizeof execError)) {
    std::printf("%s: FAIL: cannot run %s: %s\n", label, argv[5], std::strerror(execError));
    waitpid(child, nullptr, 0);
    return 1;
  }
  close(started[0]);
  int status = 0;
  rusage usage{};
  bool hung = false;
  for (;;) {
    const pid_t done = wait4(child, &status, WNOHANG, &usage);
    if (done == child) break;
    if (done < 0 && errno != EINTR) {
      std::perror("bounded_run: wait");
      return 2;
    }
    if (!hung && now() - start > seconds) {
      hung = true;
      kill(-child, SIGKILL);
    }
    usleep(20000);
  }
  // Whatever the command left running in its group goes too.
  kill(-child, SIGKILL);
  const long peakMb = usage.ru_maxrss / 1024;
  const double took = now() - start;
  bool ok = true;
  if (hung) {
    std::printf("%s: FAIL: still running after %.0f s (killed)\n", label, seconds);
    ok = false;
  } else if (WIFSIGNALED(status)) {
    std::printf("%s: FAIL: killed by signal %d (%s)\n", label, WTERMSIG(status), strsignal(WTERMSIG(status)));
    ok = false;
  } else if (peakMb > maxMb) {
    std::printf("%s: FAIL: peak memory %ld MB, over %ld MB\n", label, peakMb, maxMb);
    ok = false;
  } else {
    std::printf("%s: exit %d, peak %ld MB, %.1f s\n", label, WEXITSTATUS(status), peakMb, took);
  }
  std::fflush(stdout);
  return ok ? 0 : 1;
}
