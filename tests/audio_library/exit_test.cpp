// The library at the end of a process: whatever is still alive then, the
// process ends cleanly (run as a separate program, see exit_with_manager).
#include <string>

#include <gtest/gtest.h>

#include "support/RunProgram.h"

using qmtest::runProgram;

TEST(Exit, WithAManagerAliveAndASourcePlaying) {
  const qmtest::ProgramRun run = runProgram({QM_EXIT_PROGRAM, "play"});
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, 0);
}

// The exit runs on the update thread, which cannot wait for itself to stop.
TEST(Exit, FromASourcesHandlerOnTheUpdateThread) {
  const qmtest::ProgramRun run = runProgram({QM_EXIT_PROGRAM, "handler"});
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "stop handler calls exit\n");
}

TEST(Exit, ReleasesThePluginsLoadedFromFiles) {
  const qmtest::ProgramRun run =
      runProgram({QM_EXIT_PROGRAM, "plugin", QM_PLUGIN_TONE}, 120, {"CAP_TEST_SAY_RELEASE=1"});
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "cAp_tone released\n");
}
