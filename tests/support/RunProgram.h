#pragma once
// Runs a program of ours and tells how it ended: its exit status or the
// signal that ended it, what it wrote on standard output, and its peak
// memory. A program that hangs is ended by an alarm set in the child, so that
// a hang fails the test instead of stalling it.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace qmtest {

struct ProgramRun {
  int status = -1;        // exit status, -1 when a signal ended it
  int signal = 0;         // the signal that ended it, 0 when it exited
  std::string output;     // standard output
  long peakKilobytes = 0;
};

inline ProgramRun runProgram(const std::vector<std::string>& args, unsigned hangSeconds = 120,
                             const std::vector<std::string>& environment = {}) {
  ProgramRun run;
  int out[2];
  if (args.empty() || pipe(out) != 0) return run;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    alarm(hangSeconds);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  char buf[4096];
  ssize_t n = 0;
  while ((n = read(out[0], buf, sizeof buf)) > 0) run.output.append(buf, static_cast<std::size_t>(n));
  close(out[0]);
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return run;
  run.peakKilobytes = usage.ru_maxrss;
  if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  return run;
}

}  // namespace qmtest
