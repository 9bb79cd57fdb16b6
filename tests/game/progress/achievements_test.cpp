#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "tests/game/ProgressFixture.h"

using qmtest::bytesOf;
using qmtest::le32;
using qmtest::mapXml;

namespace {

std::string record(int id, int required, int textId, int counts = 1) {
  return "<achievement id=\"" + std::to_string(id) + "\" requiredValue=\"" + std::to_string(required) +
         "\" textId=\"" + std::to_string(textId) + "\" countForProgress=\"" + std::to_string(counts) + "\"/>";
}

// Three records of LevelsDone (1, 5 and 10 levels), one of each other category.
std::string list(const std::string& levelsDone = record(14, 1, 34) + record(15, 5, 35) + record(16, 10, 36, 0)) {
  return "<AchievementList>"
         "<NbGoldMedals>" + record(1, 10, 21) + "</NbGoldMedals>"
         "<NbOneTryMissions>" + record(4, 1, 24) + "</NbOneTryMissions>"
         "<AllMapMissions>" + record(7, 1, 27) + "</AllMapMissions>"
         "<GlobalScore>" + record(9, 10000, 29) + "</GlobalScore>"
         "<SpecificMissionFinished>" + record(12, 2, 32) + "</SpecificMissionFinished>"
         "<LevelsDone>" + levelsDone + "</LevelsDone>"
         "<SaveThreeSheepInOneMission>" + record(18, 3, 38) + "</SaveThreeSheepInOneMission>"
         "<NbMissionInfiltratedWolves>" + record(19, 1, 39) + record(20, 3, 40) + "</NbMissionInfiltratedWolves>"
         "</AchievementList>";
}

class AchievementsTest : public qmtest::ProgressTest {
 protected:
  void SetUp() override {
    ProgressTest::SetUp();
    writeDesign("achievementList.ynm", list());
    writeDesign("levels.ynm", "<levels>" + mapXml(1, 1, 1, 25) + "</levels>");
  }
  QMRAchievementManager& achievements() { return QMRAchievementManager::getInstance(); }
};

TEST_F(AchievementsTest, OneThresholdCrossedEarnsOneRecordAndSaves) {
  QMRAchievementManager& a = achievements();
  EXPECT_EQ(a.recordCount(), 11);
  EXPECT_EQ(a.progressRecordCount(), 10);
  a.setGoldMedals(9);
  a.setOneTryMissions(0);
  a.setGlobalScore(9999);
  a.setLevelsDone(0);
  a.setThreeSheepSaved(2);
  a.checkAllMapMissions(1);
  a.checkSpecificMission(2);
  EXPECT_TRUE(overlays.popups.empty());
  EXPECT_EQ(a.earnedCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(savePath("achievements.sav")));

  a.setLevelsDone(7);  // passes 1 and 5, not 10
  EXPECT_EQ(overlays.popups, (std::vector<int>{34, 35}));
  EXPECT_EQ(a.earnedCount(), 2);
  EXPECT_EQ(a.earnedProgressCount(), 2);
  EXPECT_TRUE(a.isEarnedById(14));
  EXPECT_TRUE(a.isEarnedById(15));
  EXPECT_FALSE(a.isEarnedById(16));
  EXPECT_FALSE(a.isEarnedById(99));
  // 8 categories of 1, 1, 1, 1, 1, 3, 1, 2 records.
  const auto pair = [](int v, bool e) { return le32(v) + bytesOf({e ? 1 : 0}); };
  const std::string expected = le32(8) + le32(1) + pair(10, false) + le32(1) + pair(1, false) + le32(1) +
                               pair(1, false) + le32(1) + pair(10000, false) + le32(1) + pair(2, false) + le32(3) +
                               pair(1, true) + pair(5, true) + pair(10, false) + le32(1) + pair(3, false) + le32(2) +
                               pair(1, false) + pair(3, false);
  EXPECT_EQ(readSave("achievements.sav"), expected);
  EXPECT_EQ(expected.size(), 4u + 8 * 4 + 11 * 5);

  // Earned records never pass again; feeding the same value writes nothing.
  std::filesystem::remove(savePath("achievements.sav"));
  a.setLevelsDone(7);
  a.setLevelsDone(9);
  EXPECT_EQ(overlays.popups.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(savePath("achievements.sav")));
  a.setLevelsDone(10);  // not counted for progress
  EXPECT_EQ(a.earnedCount(), 3);
  EXPECT_EQ(a.earnedProgressCount(), 2);
}

TEST_F(AchievementsTest, EarnedRecordsSurviveARestartAndADesignInAnotherOrder) {
  achievements().setLevelsDone(5);
  achievements().setThreeSheepSaved(3);
  ASSERT_EQ(overlays.popups, (std::vector<int>{34, 35, 38}));

  restart();
  // The design file changed its order (and gained a record); records are
  // matched by their required value.
  writeDesign("achievementList.ynm", list(record(16, 10, 36, 0) + record(17, 3, 37) + record(15, 5, 35) + record(14, 1, 34)));
  QMRAchievementManager& a = achievements();
  EXPECT_EQ(a.earnedCount(), 3);
  EXPECT_EQ(a.earnedProgressCount(), 3);
  EXPECT_TRUE(a.isEarnedById(14));
  EXPECT_TRUE(a.isEarnedById(15));
  EXPECT_FALSE(a.isEarnedById(16));
  EXPECT_FALSE(a.isEarnedById(17));
  EXPECT_TRUE(a.isEarnedById(18));
  a.setLevelsDone(5);
  EXPECT_EQ(overlays.popups, std::vector<int>{37});  // the new record only
  a.setThreeSheepSaved(4);
  EXPECT_EQ(overlays.popups, std::vector<int>{37});
}

TEST_F(AchievementsTest, RecordsSharingARequiredValueEachKeepTheirFlag) {
  writeDesign("achievementList.ynm", list(record(14, 2, 34) + record(15, 2, 35) + record(16, 2, 36)));
  achievements().setLevelsDone(2);
  EXPECT_EQ(overlays.popups, (std::vector<int>{34, 35, 36}));
  restart();
  EXPECT_EQ(achievements().earnedCount(), 3);
  achievements().setLevelsDone(2);
  EXPECT_TRUE(overlays.popups.empty());

  // A file with the first of them earned and the second not: the first pair
  // goes to the first record, the second pair to the second.
  restart();
  std::string file = le32(6);
  for (int c = 0; c < 5; ++c) file += le32(0);
  file += le32(2) + le32(2) + bytesOf({1}) + le32(2) + bytesOf({0});
  writeSave("achievements.sav", file);
  QMRAchievementManager& a = achievements();
  EXPECT_EQ(a.earnedCount(), 1);
  EXPECT_TRUE(a.isEarnedById(14));
  EXPECT_FALSE(a.isEarnedById(15));
  a.setLevelsDone(2);
  EXPECT_EQ(overlays.popups, (std::vector<int>{35, 36}));
}

TEST_F(AchievementsTest, SetEarnedAndShowPopupOnTheirOwn) {
  writeDesign("achievementList.ynm", list(record(14, 2, 34) + record(15, 2, 35, 0) + record(16, 5, 36)));
  QMRAchievementManager& a = achievements();
  a.setEarned(QMRAchievementManager::kLevelsDone, 2, true);
  EXPECT_TRUE(a.isEarnedById(14));
  EXPECT_FALSE(a.isEarnedById(15));
  a.setEarned(QMRAchievementManager::kLevelsDone, 2, true);
  EXPECT_TRUE(a.isEarnedById(15)) << "the next record with that value";
  EXPECT_EQ(a.earnedCount(), 2);
  EXPECT_EQ(a.earnedProgressCount(), 1) << "15 does not count for progress";
  a.setEarned(QMRAchievementManager::kLevelsDone, 2, true);
  a.setEarned(QMRAchievementManager::kLevelsDone, 7, true);
  a.setEarned(-1, 5, true);
  a.setEarned(QMRAchievementManager::kCategoryCount, 5, true);
  EXPECT_EQ(a.earnedCount(), 2) << "no record left for those";
  EXPECT_FALSE(a.isEarnedById(16));
  EXPECT_TRUE(overlays.popups.empty()) << "a flag given back shows nothing";

  a.showPopup(0);
  EXPECT_TRUE(overlays.popups.empty());
  a.showPopup(36);
  EXPECT_EQ(overlays.popups, std::vector<int>{36});
}

TEST_F(AchievementsTest, PerfectMapsAndSpecificLevelsAskTheLevels) {
  QMRAchievementManager& a = achievements();
  LevelsManager& levels = LevelsManager::getInstance();
  levels.recordResult(1, 3000, 3, 1);
  overlays.popups.clear();
  a.checkSpecificMission(1);
  EXPECT_TRUE(overlays.popups.empty());
  levels.recordResult(2, 1500, 1, 2);
  a.checkSpecificMission(2);
  EXPECT_EQ(overlays.popups, std::vector<int>{32});
  for (int id = 2; id <= 24; ++id) levels.recordResult(id, 3000, 3, 1);
  overlays.popups.clear();
  a.checkAllMapMissions(1);
  EXPECT_TRUE(overlays.popups.empty());
  levels.recordResult(25, 3000, 3, 1);
  overlays.popups.clear();
  a.checkAllMapMissions(1);
  EXPECT_EQ(overlays.popups, std::vector<int>{27});
}

TEST_F(AchievementsTest, SilentRecordsAndOnlineReports) {
  writeDesign("achievementList.ynm", list(record(14, 1, 0) + record(0, 2, 35)));
  QMRAchievementManager& a = achievements();
  a.setLevelsDone(1);
  EXPECT_TRUE(overlays.popups.empty());  // no title: no pop-up
  EXPECT_TRUE(a.isEarnedById(14));
  EXPECT_TRUE(overlays.reports.empty());  // the service is not ready
  overlays.online = true;
  a.setLevelsDone(2);
  EXPECT_EQ(overlays.popups, std::vector<int>{35});
  EXPECT_TRUE(overlays.reports.empty());  // id 0 is never reported
  a.setGoldMedals(10);
  EXPECT_EQ(overlays.reports, std::vector<int>{1100});
  overlays.reports.clear();
  a.reportEarned();
  EXPECT_EQ(overlays.reports, (std::vector<int>{1100, 14100}));
}

TEST_F(AchievementsTest, InfiltratedWolvesCountWithinOneRun) {
  QMRAchievementManager& a = achievements();
  a.addInfiltratedWolvesMission();
  a.addInfiltratedWolvesMission();
  EXPECT_EQ(overlays.popups, std::vector<int>{39});
  restart();
  achievements().addInfiltratedWolvesMission();
  achievements().addInfiltratedWolvesMission();
  EXPECT_TRUE(overlays.popups.empty());
  achievements().addInfiltratedWolvesMission();
  EXPECT_EQ(overlays.popups, std::vector<int>{40});
}

TEST_F(AchievementsTest, MissingCategoriesAndMissingDesign) {
  writeDesign("achievementList.ynm",
              "<AchievementList><LevelsDone>" + record(14, 1, 34) + "</LevelsDone><LevelsDone>" + record(15, 2, 35) +
                  "</LevelsDone></AchievementList>");
  QMRAchievementManager& a = achievements();
  EXPECT_EQ(a.recordCount(), 1);  // the first element of a category only
  a.setGoldMedals(100);
  a.checkAllMapMissions(1);
  a.setLevelsDone(5);
  EXPECT_EQ(overlays.popups, std::vector<int>{34});
  EXPECT_EQ(readSave("achievements.sav")->size(), 4u + 8 * 4 + 5);

  restart();
  std::filesystem::remove(tmp.path() / "data/gamedesign/achievementList.ynm");
  testing::internal::CaptureStderr();
  EXPECT_EQ(achievements().recordCount(), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("achievementList.ynm"), std::string::npos);
  achievements().setLevelsDone(5);
  EXPECT_FALSE(achievements().isEarnedById(14));
}

TEST_F(AchievementsTest, ACategoryLargerThanTheBoundStillReadsBack) {
  std::string many;
  const int n = QMRAchievementManager::kMaxSavedRecords + 1;
  for (int i = 0; i < n; ++i) many += record(100 + i, 1, 0);
  writeDesign("achievementList.ynm", list(many));
  achievements().setLevelsDone(1);
  EXPECT_EQ(achievements().earnedCount(), n);
  restart();
  EXPECT_EQ(achievements().earnedCount(), n);
  EXPECT_FALSE(std::filesystem::exists(savePath("achievements.sav.bak")));
}

TEST_F(AchievementsTest, HostileSaveFilesAreReadSafely) {
  achievements().setLevelsDone(5);
  achievements().setThreeSheepSaved(3);
  const std::string whole = *readSave("achievements.sav");
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    restart();
    writeSave("achievements.sav", whole.substr(0, cut));
    testing::internal::CaptureStderr();
    const QMRAchievementManager& a = achievements();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("achievements.sav"), std::string::npos);
    EXPECT_LE(a.earnedCount(), 3);
    EXPECT_EQ(readSave("achievements.sav.bak"), whole.substr(0, cut));
  }
  const struct {
    const char* what;
    std::string bytes;
    int earned;
  } cases[] = {
      {"negative categories", le32(-5) + le32(1) + le32(10) + bytesOf({1}), 0},
      {"huge category count", le32(INT_MAX) + le32(1) + le32(10) + bytesOf({1}), 1},
      {"huge record count", le32(8) + le32(INT_MAX) + le32(10) + bytesOf({1}), 0},
      {"records beyond the file", le32(8) + le32(1000) + le32(10) + bytesOf({1}) + le32(10) + bytesOf({1}), 1},
      {"unknown values", le32(1) + le32(3) + le32(11) + bytesOf({1}) + le32(10) + bytesOf({7}) + le32(10) + bytesOf({1}),
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    writeSave("achievements.sav", c.bytes);
    testing::internal::CaptureStderr();
    EXPECT_EQ(achievements().earnedCount(), c.earned);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(achievements().isEarnedById(1), c.earned == 1);
  }
  // Nine categories: the ninth is not read.
  restart();
  std::string nine = le32(9);
  for (int c = 0; c < 8; ++c) nine += le32(0);
  nine += le32(1) + le32(10) + bytesOf({1});
  writeSave("achievements.sav", nine);
  EXPECT_EQ(achievements().earnedCount(), 0);
}

}  // namespace
