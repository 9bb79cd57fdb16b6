// A child process saves in a loop and is killed at random moments: every save
// file read back afterwards must be a whole one, the old or the new.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

#include "tests/game/ProgressFixture.h"

namespace {

const char* kLevels =
    "<levels><map id=\"1\" name=\"458752\" pack=\"1\">"
    "<level id=\"1\" scoreBronze=\"1000\" scoreSilver=\"2100\" scoreGold=\"3000\"/>"
    "<level id=\"2\" scoreBronze=\"1000\" scoreSilver=\"2100\" scoreGold=\"3000\"/>"
    "</map></levels>";
const char* kAchievements =
    "<AchievementList><LevelsDone><achievement id=\"1\" requiredValue=\"1\" textId=\"21\" countForProgress=\"1\"/>"
    "</LevelsDone></AchievementList>";
const char* kTutorials = "<tutos><firtsBlocTuto id=\"10\"/></tutos>";

class SaveKillTest : public qmtest::ProgressTest {};

[[noreturn]] void saveForever(int readyFd) {
  alarm(20);  // never outlive a parent that stopped waiting
  LevelsManager& levels = LevelsManager::getInstance();
  QMRAchievementManager& achievements = QMRAchievementManager::getInstance();
  TutorialManager& tutorials = TutorialManager::getInstance();
  for (unsigned i = 0;; ++i) {
    levels.addTries(1, 1);
    achievements.setLevelsDone(static_cast<int>(1 + i % 2));
    achievements.saveProgress();
    tutorials.markSeen(static_cast<int>(i % 32));
    if (i == 0) {
      const char ready = 1;
      if (write(readyFd, &ready, 1) != 1) _exit(3);
    }
  }
}

TEST_F(SaveKillTest, EverySaveFileIsWholeAfterAKill) {
  writeDesign("levels.ynm", kLevels);
  writeDesign("achievementList.ynm", kAchievements);
  writeDesign("tutorials.ynm", kTutorials);
  std::mt19937 random(12345);
  int lastTries = 0;
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE(round);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(fds[0]);
      saveForever(fds[1]);
    }
    close(fds[1]);
    char ready = 0;
    ASSERT_EQ(read(fds[0], &ready, 1), 1);
    close(fds[0]);
    usleep(std::uniform_int_distribution<int>(0, 20000)(random));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    // Whole files: the exact sizes of their layouts, and read without a word.
    EXPECT_EQ(readSave("levels.sav")->size(), 1u + 4 + 4 + 1 + 4 + 2 * 26 + 4 + 20);
    EXPECT_EQ(readSave("achievements.sav")->size(), 4u + 8 * 4 + 5);
    EXPECT_EQ(readSave("tutov2.sav")->size(), 9u);
    restart();
    testing::internal::CaptureStderr();
    const int tries = LevelsManager::getInstance().getLevel(1).tryCount;
    EXPECT_TRUE(QMRAchievementManager::getInstance().isEarnedById(1));
    EXPECT_FALSE(TutorialManager::getInstance().isUnseen(0));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_GE(tries, lastTries + 1);  // each child saved at least once more
    lastTries = tries;
    EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav.bak")));
    restart();
  }
}

}  // namespace
