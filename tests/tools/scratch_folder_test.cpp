// The tools' working folders: under TMPDIR, a name of their own, and gone
// however the tool ends (return, exit, or stopped by a signal).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/TempDir.h"
#include "tools/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// Runs body in a child process with TMPDIR set to tmp; returns its wait status.
template <typename Body>
int inChild(const std::string& tmp, Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("TMPDIR", tmp.c_str(), 1);
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

bool isEmpty(const fs::path& folder) { return fs::is_empty(folder); }

TEST(ScratchFolder, MadeUnderTmpdirWithUniqueNamesAndRemovedAtExit) {
  qmtest::TempDir tmp;
  const int status = inChild(tmp.str(), [&] {
    const std::string a = scratch::makeFolder("probe");
    const std::string b = scratch::makeFolder("probe");
    if (a.empty() || b.empty() || a == b || a.rfind(tmp.str() + "/probe.", 0) != 0) _exit(3);
    std::ofstream(a + "/save.dat") << "kept until exit";
    fs::create_directories(b + "/TARNWELL/Quillmoor");
    std::exit(0);  // through exit(): the folders go with the process
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(isEmpty(tmp.path()));
}

TEST(ScratchFolder, RemovedWhenTheToolIsStoppedAndTheSignalStillEndsIt) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    qmtest::TempDir tmp;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("TMPDIR", tmp.str().c_str(), 1);
      const std::string folder = scratch::makeFolder("level_play");
      std::ofstream(folder + "/levels.sav") << "x";
      const char byte = 1;
      (void)!write(ready[1], &byte, 1);
      for (;;) pause();
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_FALSE(isEmpty(tmp.path()));
    kill(pid, sig);
    // A tool that does not end on the signal is killed after a minute
    // (a bound for the failure, not a timing the test relies on).
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 6000 && !ended; ++i) {
      ended = waitpid(pid, &status, WNOHANG) == pid;
      if (!ended) usleep(10000);
    }
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "signal " << sig << " did not end the tool";
    }
    close(ready[0]);
    close(ready[1]);
    ASSERT_TRUE(WIFSIGNALED(status)) << sig;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_TRUE(isEmpty(tmp.path())) << sig;
  }
}

}  // namespace
