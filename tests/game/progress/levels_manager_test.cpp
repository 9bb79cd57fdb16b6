#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "tests/game/ProgressFixture.h"

using qmtest::bytesOf;
using qmtest::le32;
using qmtest::levelXml;
using qmtest::mapXml;

namespace {

// One map (pack 1) of levels 1 and 2, level 2 requiring level 1.
const char* kTwoLevels =
    "<levels><map id=\"1\" name=\"458752\" pack=\"1\">"
    "<level id=\"1\" posX=\"60\" posY=\"80\" difficulty=\"1\" scoreBronze=\"1000\" scoreSilver=\"2100\""
    " scoreGold=\"3000\" scenery=\"1\" tutoId=\"0\"/>"
    "<level id=\"2\" posX=\"120\" posY=\"80\" difficulty=\"1\" scoreBronze=\"1000\" scoreSilver=\"2100\""
    " scoreGold=\"3000\" scenery=\"0\" tutoId=\"0\"><requireLevel id=\"1\"/></level>"
    "</map></levels>";

// The file of the worked example: level 1 won with 2400 (silver) in one try,
// then map 1 unlocked.
std::string workedExample() {
  return bytesOf({0x32, 0x18, 0xFC, 0xFF, 0xFF, 0x01, 0, 0, 0, 0x01, 0x02, 0, 0, 0}) +
         // level 1
         bytesOf({1, 0, 0, 0, 0x60, 0x09, 0, 0, 1, 2, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) +
         // level 2
         bytesOf({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) +
         bytesOf({4, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1, 2, 0, 0, 0, 0, 3, 0, 0, 0, 0});
}

// A level entry of the save file.
std::string entry(int id, int best, bool completed, int medal, bool unlocked, int fewest, int tries, int reserved = 0) {
  return le32(id) + le32(best) + bytesOf({completed ? 1 : 0}) + le32(medal) + bytesOf({unlocked ? 1 : 0}) +
         le32(fewest) + le32(tries) + le32(reserved);
}

class LevelsTest : public qmtest::ProgressTest {
 protected:
  LevelsManager& levels() { return LevelsManager::getInstance(); }
};

TEST_F(LevelsTest, WorkedExampleIsWrittenByteForByteAndReadBack) {
  writeDesign("levels.ynm", kTwoLevels);
  levels().recordResult(1, 2400, 2, 1);
  EXPECT_EQ(levels().unlockLevels(1), (std::vector<int>{1, 2}));
  ASSERT_EQ(readSave("levels.sav"), workedExample());
  EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav.tmp")));

  restart();
  const LevelRecord& one = levels().getLevel(1);
  EXPECT_EQ(one.bestScore, 2400);
  EXPECT_TRUE(one.completed);
  EXPECT_EQ(one.medal, 2);
  EXPECT_TRUE(one.unlocked);
  EXPECT_EQ(one.fewestTries, 1);
  EXPECT_EQ(one.tryCount, 0);
  const LevelRecord& two = levels().getLevel(2);
  EXPECT_TRUE(two.unlocked);
  EXPECT_FALSE(two.completed);
  EXPECT_EQ(two.scenery, 1);  // 0 in the file
  EXPECT_EQ(levels().lastPlayedLevel(), -1000);
  EXPECT_EQ(levels().silverTotal(), 1);
  EXPECT_EQ(levels().bronzeTotal() + levels().goldTotal(), 0);
  EXPECT_EQ(levels().scoreTotal(), 2400);
  EXPECT_EQ(levels().getMap(1).scoreSum, 2400);
  EXPECT_EQ(levels().getMapStars(1), 2);
  EXPECT_EQ(levels().completedCount(), 1);
  EXPECT_EQ(levels().completedCount2(), 1);
  EXPECT_EQ(levels().oneTryCount(), 1);
  EXPECT_TRUE(levels().getMap(1).firstOfPack);
  // Saving again changes nothing.
  levels().saveProgress();
  EXPECT_EQ(readSave("levels.sav"), workedExample());
  EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav.bak")));
}

TEST_F(LevelsTest, WinAfterUnlockLeavesTheNextLevelLocked) {
  writeDesign("levels.ynm", kTwoLevels);
  EXPECT_EQ(levels().unlockLevels(1), std::vector<int>{1});
  levels().recordResult(1, 2400, 2, 1);
  std::string expected = workedExample();
  expected[14 + 26 + 13] = 0;  // level 2's unlocked byte
  EXPECT_EQ(readSave("levels.sav"), expected);
}

TEST_F(LevelsTest, VersionsOfTheFile) {
  writeDesign("levels.ynm", kTwoLevels);
  // Version 1 ends after the level entries; the pack flags stay 1, 1, 0, 0.
  writeSave("levels.sav", "1" + le32(7) + le32(1) + bytesOf({0}) + le32(1) + entry(1, 1500, true, 1, true, 3, 5, 9));
  EXPECT_EQ(levels().getLevel(1).bestScore, 1500);
  EXPECT_EQ(levels().getLevel(1).tryCount, 5);
  EXPECT_EQ(levels().getLevel(1).reserved, 9);
  EXPECT_EQ(levels().lastPlayedLevel(), 7);
  EXPECT_FALSE(levels().getMap(1).firstOfPack);
  EXPECT_EQ(levels().bronzeTotal(), 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(levels().packFlag(i), i < 2 ? 1 : 0) << i;
  EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav.bak")));
  // Saving writes version 2, with the reserved field carried through.
  levels().saveProgress();
  const std::string v2 = *readSave("levels.sav");
  EXPECT_EQ(v2[0], '2');
  EXPECT_EQ(v2.substr(14, 26), entry(1, 1500, true, 1, true, 3, 5, 9));

  // Version 2 flags: more than four entries are cut to four, indices outside
  // 0..3 are skipped, and entries 0 and 1 are forced back to 1.
  restart();
  writeSave("levels.sav", "2" + le32(-1000) + le32(0) + le32(0) + le32(9) + le32(0) + bytesOf({0}) + le32(7) +
                              bytesOf({1}) + le32(3) + bytesOf({1}) + le32(2) + bytesOf({5}));
  EXPECT_EQ(levels().packFlag(0), 1);
  EXPECT_EQ(levels().packFlag(1), 1);
  EXPECT_EQ(levels().packFlag(2), 5);
  EXPECT_EQ(levels().packFlag(3), 1);

  // Any other version byte: nothing is taken, and the file is kept aside.
  restart();
  const std::string foreign = "X" + le32(7) + le32(1) + bytesOf({0}) + le32(1) + entry(1, 1500, true, 1, true, 3, 5);
  writeSave("levels.sav", foreign);
  testing::internal::CaptureStderr();
  EXPECT_EQ(levels().getLevel(1).bestScore, 0);
  EXPECT_EQ(levels().lastPlayedLevel(), -1000);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("levels.sav"), std::string::npos);
  EXPECT_EQ(readSave("levels.sav.bak"), foreign);
  EXPECT_EQ(readSave("levels.sav"), foreign);  // reading never writes the save itself
}

TEST_F(LevelsTest, FileCutAtEveryByteLoadsWhatIsWhole) {
  writeDesign("levels.ynm", kTwoLevels);
  const std::string whole = workedExample();
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    restart();
    std::filesystem::remove(savePath("levels.sav.bak"));
    writeSave("levels.sav", whole.substr(0, cut));
    testing::internal::CaptureStderr();
    const LevelsManager& m = levels();
    testing::internal::GetCapturedStderr();
    // Level 1's entry spans bytes 14 to 39, level 2's 40 to 65.
    EXPECT_EQ(m.getLevel(1).bestScore, cut >= 40 ? 2400 : 0);
    EXPECT_EQ(m.getLevel(1).medal, cut >= 40 ? 2 : 0);
    EXPECT_EQ(m.getLevel(2).unlocked, cut >= 66);
    EXPECT_EQ(m.levels().size(), 2u);
    EXPECT_EQ(m.silverTotal(), cut >= 40 ? 1 : 0);
    EXPECT_EQ(m.packFlag(0), 1);
    EXPECT_EQ(readSave("levels.sav.bak"), whole.substr(0, cut));
  }
}

TEST_F(LevelsTest, AbsurdCountsStopTheReading) {
  writeDesign("levels.ynm", kTwoLevels);
  const std::string head = "2" + le32(-1000);
  const std::string good = entry(1, 2400, true, 2, true, 1, 0);
  const struct {
    const char* what;
    std::string bytes;
    int levelOneScore;
  } cases[] = {
      {"huge map count", head + le32(INT_MAX) + bytesOf({1}) + le32(1) + good, 0},
      {"negative map count", head + le32(-1) + le32(1) + good, 0},
      {"huge level count", head + le32(1) + bytesOf({1}) + le32(INT_MAX) + good, 0},
      {"negative level count", head + le32(1) + bytesOf({1}) + le32(INT_MIN) + good, 0},
      {"level count beyond the entries", head + le32(1) + bytesOf({1}) + le32(50000) + good + entry(77, 5, 1, 1, 1, 1, 1),
       2400},
      {"megabytes of one byte", std::string(5u << 20, '2'), 0},
      {"huge flag count", head + le32(1) + bytesOf({1}) + le32(1) + good + le32(INT_MAX) + le32(2) + bytesOf({1}), 2400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    writeSave("levels.sav", c.bytes);
    testing::internal::CaptureStderr();
    EXPECT_EQ(levels().getLevel(1).bestScore, c.levelOneScore);
    testing::internal::GetCapturedStderr();
    EXPECT_LE(levels().levels().size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(savePath("levels.sav.bak")));
  }
  // The flag entries that are whole are taken (the last case).
  EXPECT_EQ(levels().packFlag(2), 1);
}

TEST_F(LevelsTest, DamagedValuesAreReadSafely) {
  writeDesign("levels.ynm", kTwoLevels);
  // A medal that does not exist counts as none; scores that would overflow
  // the sums stay at the largest one.
  writeSave("levels.sav", "2" + le32(0) + le32(1) + bytesOf({1}) + le32(2) + entry(1, INT_MAX, true, 9, true, 1, 0) +
                              entry(2, INT_MAX, true, -4, true, 1, 0) + le32(0));
  testing::internal::CaptureStderr();
  EXPECT_EQ(levels().getLevel(1).medal, 0);
  EXPECT_EQ(levels().getLevel(2).medal, 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("medal"), std::string::npos);
  EXPECT_EQ(levels().scoreTotal(), INT_MAX);
  EXPECT_EQ(levels().getTotalStars(), 0);
  levels().recordResult(1, 5, 1, 1);  // not better: nothing moves
  EXPECT_EQ(levels().bronzeTotal(), 0);
  levels().addTries(1, INT_MAX);
  levels().addTries(1, INT_MAX);
  EXPECT_EQ(levels().getLevel(1).tryCount, INT_MAX);
}

TEST_F(LevelsTest, SaveOfALargerDesignIsAcceptedAndKept) {
  writeDesign("levels.ynm", kTwoLevels);
  // Three maps and four levels when it was saved; the design now has one map
  // of levels 1 and 2.
  writeSave("levels.sav", "2" + le32(3) + le32(3) + bytesOf({0, 1, 1}) + le32(4) + entry(1, 3000, true, 3, true, 1, 2) +
                              entry(2, 1000, true, 1, true, 2, 4) + entry(3, 2200, true, 2, true, 1, 1) +
                              entry(60, 100, true, 0, true, 9, 9) + le32(0));
  EXPECT_EQ(levels().getLevel(1).medal, 3);
  EXPECT_FALSE(levels().getMap(1).firstOfPack);
  EXPECT_EQ(levels().getTotalStars(), 4);
  EXPECT_EQ(levels().scoreTotal(), 4000);
  EXPECT_EQ(levels().getLevel(60).bestScore, 100);
  EXPECT_EQ(levels().getLevel(60).mapId, 0);
  EXPECT_EQ(levels().completedCount(), 2);  // only the levels of the maps count
  EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav.bak")));
  // A result on a record of no map changes that record only.
  levels().recordResult(60, 900, 2, 1);
  EXPECT_EQ(levels().getLevel(60).bestScore, 900);
  EXPECT_EQ(levels().scoreTotal(), 4000);
  EXPECT_EQ(levels().oneTryCount(), 1);
  // The records the design lacks go back into the file.
  restart();
  EXPECT_EQ(levels().getLevel(3).bestScore, 2200);
  EXPECT_EQ(levels().getLevel(60).bestScore, 900);
  EXPECT_EQ(levels().levels().size(), 4u);
}

TEST_F(LevelsTest, RecordsBeyondTheDesignAreBoundedAndWhatIsSavedReadsBack) {
  writeDesign("levels.ynm", kTwoLevels);
  // One record more of no level than a save may carry beside the design's
  // levels: the last one is dropped.
  std::string entries;
  const int extra = LevelsManager::kMaxSavedLevels;
  for (int i = 0; i <= extra; ++i) entries += entry(1000 + i, 5, true, 0, true, 1, 1);
  testing::internal::CaptureStderr();
  writeSave("levels.sav", "2" + le32(0) + le32(1) + bytesOf({1}) + le32(extra + 1) + entries + le32(0));
  EXPECT_EQ(levels().levels().size(), static_cast<std::size_t>(extra) + 2);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(levels().findLevel(1000 + extra), nullptr);
  EXPECT_EQ(levels().getLevel(1000 + extra - 1).bestScore, 5);
  EXPECT_TRUE(std::filesystem::exists(savePath("levels.sav.bak")));
  // What was taken is saved and read again whole.
  levels().addTries(1, 1);
  restart();
  std::filesystem::remove(savePath("levels.sav.bak"));
  EXPECT_EQ(levels().levels().size(), static_cast<std::size_t>(extra) + 2);
  EXPECT_EQ(levels().getLevel(1).tryCount, 1);
  EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav.bak")));
}

TEST_F(LevelsTest, RecordResultMovesMedalsAndFeedsAchievements) {
  writeDesign("levels.ynm", "<levels>" + mapXml(1, 1, 1, 3) + "</levels>");
  writeDesign("achievementList.ynm",
              "<AchievementList>"
              "<NbGoldMedals><achievement id=\"1\" requiredValue=\"4\" textId=\"21\" countForProgress=\"1\"/></NbGoldMedals>"
              "<NbOneTryMissions><achievement id=\"2\" requiredValue=\"2\" textId=\"22\" countForProgress=\"1\"/></NbOneTryMissions>"
              "<GlobalScore><achievement id=\"3\" requiredValue=\"5000\" textId=\"23\" countForProgress=\"1\"/></GlobalScore>"
              "</AchievementList>");
  LevelsManager& m = levels();
  EXPECT_EQ(m.getMedalForScore(1, 999), 0);
  EXPECT_EQ(m.getMedalForScore(1, 1000), 1);
  EXPECT_EQ(m.getMedalForScore(1, 2100), 2);
  EXPECT_EQ(m.getMedalForScore(1, 2999), 2);
  EXPECT_EQ(m.getMedalForScore(1, 3000), 3);

  m.recordResult(1, 1200, 1, 3);
  EXPECT_EQ(m.bronzeTotal(), 1);
  EXPECT_EQ(m.getMap(1).bronzeCount, 1);
  EXPECT_EQ(m.getLevel(1).fewestTries, 3);
  EXPECT_EQ(m.oneTryCount(), 0);
  EXPECT_TRUE(overlays.popups.empty());

  // An equal or lower score in as many tries changes nothing and writes nothing.
  std::filesystem::remove(savePath("levels.sav"));
  m.recordResult(1, 1200, 1, 3);
  m.recordResult(1, 1100, 1, 3);
  EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav")));
  // Fewer tries alone is a change.
  m.recordResult(1, 1100, 1, 1);
  EXPECT_TRUE(std::filesystem::exists(savePath("levels.sav")));
  EXPECT_EQ(m.getLevel(1).fewestTries, 1);
  EXPECT_EQ(m.getLevel(1).bestScore, 1200);
  EXPECT_EQ(m.oneTryCount(), 1);
  m.recordResult(1, 1100, 1, 1);
  EXPECT_EQ(m.oneTryCount(), 1);

  // Bronze to gold: the bronze count goes down, the gold count up.
  m.recordResult(1, 3100, 3, 2);
  EXPECT_EQ(m.bronzeTotal(), 0);
  EXPECT_EQ(m.goldTotal(), 1);
  EXPECT_EQ(m.getMap(1).goldCount, 1);
  EXPECT_EQ(m.getMap(1).bronzeCount, 0);
  EXPECT_EQ(m.scoreTotal(), 3100);
  EXPECT_EQ(m.getMap(1).scoreSum, 3100);
  EXPECT_EQ(m.getLevel(1).fewestTries, 1);
  EXPECT_TRUE(overlays.popups.empty());  // 3 stars of 4

  // Silver on level 2 in one try: 5 stars, two one-try levels, 5300 points.
  m.recordResult(2, 2200, 2, 1);
  EXPECT_EQ(m.getTotalStars(), 5);
  EXPECT_EQ(overlays.popups, (std::vector<int>{23, 21, 22}));  // score, stars, one-try: the order of the feeds
  EXPECT_EQ(m.completedCount(), 2);
  const QMRAchievementManager& a = QMRAchievementManager::getInstance();
  EXPECT_EQ(a.category(QMRAchievementManager::kGoldMedals).value, 5);
  EXPECT_EQ(a.category(QMRAchievementManager::kOneTryMissions).value, 2);
  EXPECT_EQ(a.category(QMRAchievementManager::kGlobalScore).value, 5300);

  // The totals after a restart are those counted while playing.
  restart();
  EXPECT_EQ(levels().goldTotal(), 1);
  EXPECT_EQ(levels().silverTotal(), 1);
  EXPECT_EQ(levels().scoreTotal(), 5300);
  EXPECT_EQ(levels().oneTryCount(), 2);
  EXPECT_EQ(levels().getTotalCompletedLevels(), 2);
}

TEST_F(LevelsTest, TheDesignReadWarnsOnceOfLevelsItsPagesCannotShowInPlace) {
  // Map 1 with 26 levels, 2 and 3 swapped.
  std::string map1 = "<map id=\"1\" name=\"458752\" pack=\"1\">" + levelXml(1) + levelXml(3) + levelXml(2);
  for (int id = 4; id <= 26; ++id) map1 += levelXml(id);
  writeDesign("levels.ynm", "<levels>" + map1 + "</map></levels>");
  testing::internal::CaptureStdout();
  levels();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("WARNING: map 1 has 26 levels; its page shows the first 25\n"), std::string::npos) << out;
  EXPECT_NE(out.find("WARNING: map 1 lists level 3 in place 2, where level 2 belongs\n"), std::string::npos) << out;
  EXPECT_NE(out.find("lists level 2 in place 3"), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3) << out;
  testing::internal::CaptureStdout();
  levels().unlockLevels(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(LevelsTest, UnlockingAndNumberingAcrossMapsAndPacks) {
  writeDesign("levels.ynm",
              "<levels>" + mapXml(1, 1, 1, 3) + mapXml(2, 1, 4, 6) + mapXml(3, 0, 7, 8) +
                  "<map id=\"4\" name=\"1\" pack=\"2\">" + levelXml(0) + levelXml(9) + levelXml(10) + "</map>" +
                  mapXml(5, 0, 11, 12) + "</levels>");
  LevelsManager& m = levels();
  EXPECT_EQ(m.mapCount(), 5);
  EXPECT_EQ(m.realLevelCount(), 12);
  EXPECT_EQ(m.specialMapId(), 5);
  const int numbers[][2] = {{1, 1}, {3, 3}, {4, 4}, {6, 6}, {7, 1}, {8, 2}, {0, 0}, {9, 1}, {10, 2}, {11, 1000}, {12, 1001}};
  for (const auto& n : numbers) EXPECT_EQ(m.getLevel(n[0]).displayNumber, n[1]) << "level " << n[0];
  EXPECT_TRUE(m.getMap(1).firstOfPack);
  EXPECT_FALSE(m.getMap(2).firstOfPack);
  EXPECT_TRUE(m.getMap(3).firstOfPack);
  EXPECT_TRUE(m.getMap(4).firstOfPack);
  EXPECT_TRUE(m.getMap(5).firstOfPack);
  EXPECT_TRUE(m.getLevel(0).completed);
  EXPECT_EQ(m.getCompletedLevelCount(4), 0);  // id 0 is no real level

  EXPECT_EQ(m.unlockLevels(1), std::vector<int>{1});
  EXPECT_TRUE(m.unlockLevels(1).empty());
  m.recordResult(1, 1000, 1, 1);
  EXPECT_EQ(m.unlockLevels(1), std::vector<int>{2});
  m.addTries(2, 1);  // tried, not won: the next one opens all the same
  EXPECT_EQ(m.unlockLevels(1), std::vector<int>{3});
  // Each map's first level is open whatever the other maps hold.
  EXPECT_EQ(m.unlockLevels(2), std::vector<int>{4});
  // A map starting with a level below id 1 (always completed) opens the next.
  EXPECT_EQ(m.unlockLevels(4), (std::vector<int>{0, 9}));

  // Only the levels of pack 0 become the last played level.
  std::filesystem::remove(savePath("levels.sav"));
  m.setLastPlayedLevel(1);
  EXPECT_EQ(m.lastPlayedLevel(), -1000);
  EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav")));
  m.setLastPlayedLevel(7);
  EXPECT_EQ(m.lastPlayedLevel(), 7);
  EXPECT_TRUE(std::filesystem::exists(savePath("levels.sav")));
  EXPECT_FALSE(m.getLevel(3).leaf);  // the last of its map
  EXPECT_TRUE(m.getLevel(2).leaf);
}

TEST_F(LevelsTest, RequiredLevelsAndLeaves) {
  writeDesign("levels.ynm", "<levels><map id=\"1\" name=\"1\" pack=\"1\">" + levelXml(1) +
                                levelXml(2, 0, 0, 0, "<requireLevel id=\"1\"/><requireLevel id=\"3\"/>") +
                                levelXml(3, 0, 0, 0, "<requireLevel id=\"44\"/>") + levelXml(4) + "</map></levels>");
  LevelsManager& m = levels();
  EXPECT_FALSE(m.getLevel(1).leaf);
  EXPECT_TRUE(m.getLevel(2).leaf);  // nothing requires it
  EXPECT_TRUE(m.getLevel(3).leaf);  // required before it was defined
  EXPECT_FALSE(m.getLevel(4).leaf);
  EXPECT_EQ(m.getLevel(2).requiredLevels, (std::vector<int>{1, 3}));
  EXPECT_EQ(m.levels().size(), 4u);  // a required level never defined gets no record
}

TEST_F(LevelsTest, UnknownIdsAddNoRecordAndReachNoMap) {
  writeDesign("levels.ynm", kTwoLevels);
  LevelsManager& m = levels();
  EXPECT_EQ(m.getMedalForScore(99, 1000000), 0);
  EXPECT_EQ(m.getLevel(99).id, 0);
  EXPECT_EQ(m.findLevel(99), nullptr);
  m.recordResult(99, 5000, 3, 1);
  m.addTries(99, 3);
  m.setLastPlayedLevel(99);
  EXPECT_EQ(m.levels().size(), 2u);
  for (int id : {0, -1, 2, 99, INT_MIN, INT_MAX}) {
    EXPECT_TRUE(m.getMap(id).levels.empty()) << id;
    EXPECT_EQ(m.getMap(id).pack, -1) << id;
    EXPECT_EQ(m.getMapStars(id), 0);
    EXPECT_FALSE(m.isMapPerfect(id));
    EXPECT_TRUE(m.unlockLevels(id).empty());
  }
  EXPECT_FALSE(std::filesystem::exists(savePath("levels.sav")));
}

TEST_F(LevelsTest, AMapOfTwentyFiveGoldsIsPerfect) {
  writeDesign("levels.ynm", "<levels>" + mapXml(1, 1, 1, 25) + mapXml(2, 1, 26, 50) + "</levels>");
  for (int id = 1; id <= 24; ++id) levels().recordResult(id, 3000, 3, 1);
  EXPECT_EQ(levels().getMapStars(1), 72);
  EXPECT_FALSE(levels().isMapPerfect(1));
  levels().recordResult(25, 2100, 2, 1);
  EXPECT_FALSE(levels().isMapPerfect(1));
  levels().recordResult(25, 3500, 3, 1);
  EXPECT_EQ(levels().getMapStars(1), 75);
  EXPECT_TRUE(levels().isMapPerfect(1));
  EXPECT_EQ(levels().getTotalStars(), 75);
  EXPECT_FALSE(levels().isMapPerfect(2));
}

TEST_F(LevelsTest, MissingOrForeignDesignGivesNoLevels) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(levels().mapCount(), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("gamedesign/levels.ynm"), std::string::npos);
  restart();
  writeDesign("levels.ynm", "<maps><map id=\"1\"/></maps>");
  testing::internal::CaptureStderr();
  EXPECT_EQ(levels().mapCount(), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("\"levels\""), std::string::npos);
}

TEST_F(LevelsTest, AFailedSaveKeepsTheOldFileAndSaysSo) {
  writeDesign("levels.ynm", kTwoLevels);
  levels().recordResult(1, 2400, 2, 1);
  levels().unlockLevels(1);
  // A folder in the way of the temporary file makes every write fail.
  std::filesystem::create_directories(savePath("levels.sav.tmp/blocked"));
  testing::internal::CaptureStderr();
  levels().addTries(1, 2);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("levels.sav"), std::string::npos);
  EXPECT_NE(err.find("kept"), std::string::npos);
  EXPECT_EQ(readSave("levels.sav"), workedExample());
  std::filesystem::remove_all(savePath("levels.sav.tmp"));
  levels().addTries(1, 2);
  EXPECT_EQ(levels().getLevel(1).tryCount, 4);
  restart();
  EXPECT_EQ(levels().getLevel(1).tryCount, 4);
}

}  // namespace
