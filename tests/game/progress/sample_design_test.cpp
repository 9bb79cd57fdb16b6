// The sample design files in data/gamedesign: every sample level has its
// record, the twenty achievements fill the honour board, every kind of block a
// level holds has its tutorial, and every text they name exists in the five
// languages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/game/ProgressFixture.h"
#include "tools/level_build.h"
#include "tools/textbank_writer.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(QM_TEST_SOURCE_DIR) / "data";

std::vector<int> sampleLevels() {
  std::vector<int> numbers;
  for (const auto& entry : fs::directory_iterator(kData / "levels")) {
    if (entry.path().extension() == ".ynm") numbers.push_back(std::stoi(entry.path().stem().string()));
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

class SampleDesignTest : public qmtest::ProgressTest {
 protected:
  void SetUp() override {
    ProgressTest::SetUp();
    cwd.reset();
    cwd.emplace(kData);
  }
};

TEST_F(SampleDesignTest, EverySampleLevelHasARecordOnItsMap) {
  testing::internal::CaptureStderr();
  const LevelsManager& levels = LevelsManager::getInstance();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  const std::vector<int> samples = sampleLevels();
  ASSERT_FALSE(samples.empty());
  EXPECT_EQ(levels.getMap(1).name, 7 << 16);
  // Map m holds levels 25(m - 1) + 1 onwards, in order: together the maps
  // hold exactly the sample levels.
  std::vector<const LevelRecord*> listed;
  for (int m = 1; m <= 8; ++m) {
    const MapRecord& map = levels.getMap(m);
    EXPECT_LE(map.levels.size(), 25u) << m;
    for (std::size_t i = 0; i < map.levels.size(); ++i) {
      EXPECT_EQ(map.levels[i]->id, (m - 1) * 25 + 1 + static_cast<int>(i)) << m;
      listed.push_back(map.levels[i]);
    }
  }
  ASSERT_EQ(listed.size(), samples.size());
  const TutorialManager& tutorials = TutorialManager::getInstance();
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const LevelRecord& level = *listed[i];
    SCOPED_TRACE(level.id);
    EXPECT_EQ(level.id, samples[i]);
    EXPECT_EQ(level.displayNumber, level.id);
    EXPECT_LT(0, level.scoreBronze);
    EXPECT_LT(level.scoreBronze, level.scoreSilver);
    EXPECT_LT(level.scoreSilver, level.scoreGold);
    EXPECT_GE(level.scenery, 1);
    EXPECT_LE(level.scenery, 9);
    EXPECT_GE(level.difficulty, 1);
    EXPECT_LE(level.difficulty, 3);
    if (level.tutoId > 0) {
      EXPECT_FALSE(tutorials.tutorials().at(level.tutoId).empty());
    }
    if (i > 0) {
      EXPECT_EQ(level.requiredLevels, std::vector<int>{samples[i - 1]});
    }
  }
  // One tap in three seconds is gold on the one-tap first level; two taps in
  // ten seconds still bronze.
  EXPECT_EQ(levels.getMedalForScore(1, static_cast<int>(1000 * (2 + 1000.0 / 3000))), 3);
  EXPECT_EQ(levels.getMedalForScore(1, 1000 * (1 + 1000.0 / 10000)), 1);
}

TEST_F(SampleDesignTest, TwentyAchievementsFillTheHonourBoard) {
  testing::internal::CaptureStderr();
  const QMRAchievementManager& a = QMRAchievementManager::getInstance();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(a.recordCount(), 20);
  std::set<int> ids;
  for (int c = 0; c < QMRAchievementManager::kCategoryCount; ++c) {
    EXPECT_FALSE(a.category(c).records.empty()) << QMRAchievementManager::categoryElement(c);
    for (const AchievementRecord& r : a.category(c).records) {
      ids.insert(r.id);
      EXPECT_EQ(r.textId, 20 + r.id);
      EXPECT_GT(r.requiredValue, 0);
    }
  }
  EXPECT_EQ(ids.size(), 20u);
  EXPECT_EQ(*ids.begin(), 1);
  EXPECT_EQ(*ids.rbegin(), 20);
}

TEST_F(SampleDesignTest, EveryKindOfBlockInTheSampleLevelsHasItsTutorial) {
  const TutorialManager& tutorials = TutorialManager::getInstance();
  ASSERT_GT(tutorials.firstBlockTutorial(), 0);
  EXPECT_EQ(tutorials.tutorials().at(4), std::vector<int>{0x30005});
  EXPECT_FALSE(tutorials.tutorials().at(6).empty());
  // What the player acts on or must know about gets a text the first time.
  const std::set<int> explained = {2, 5, 6, 8, 9, 10, 12, 13, 14};
  std::set<int> seenTypes = {8};  // the SheepEater of every level
  for (int level : sampleLevels()) {
    const levelbuild::ProbeResult probe = levelbuild::probeLevel(kData.string(), level, 0);
    ASSERT_TRUE(probe.loaded) << level;
    for (const auto& [type, count] : probe.built.countsByType) {
      if (count > 0) seenTypes.insert(type);
    }
  }
  for (int type : seenTypes) {
    SCOPED_TRACE(type);
    const int tid = tutorials.firstBlockTutorial() + type - 1;
    ASSERT_EQ(tutorials.tutorials().count(tid), 1u);
    EXPECT_EQ(tutorials.tutorials().at(tid).empty(), explained.count(type) == 0);
  }
}

TEST_F(SampleDesignTest, EveryTextTheDesignNamesExistsInFiveLanguages) {
  std::set<int> textIds = {0, 41, 0x30005};
  for (int n = 1; n <= 20; ++n) {
    textIds.insert(n);       // honour board description
    textIds.insert(20 + n);  // title
  }
  for (const auto& [id, texts] : TutorialManager::getInstance().tutorials()) textIds.insert(texts.begin(), texts.end());
  std::set<std::string> codes;
  for (const auto& entry : fs::directory_iterator(kData / "text")) {
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    textbank::LanguageSource language;
    std::string error;
    ASSERT_TRUE(textbank::parseLanguageSource(text.str(), language, error)) << entry.path() << ": " << error;
    codes.insert(language.code);
    for (int id : textIds) {
      const auto& bank = language.banks[static_cast<std::size_t>(id >> 16)];
      const std::size_t index = static_cast<std::size_t>(id & 0xFFFF);
      EXPECT_TRUE(index < bank.size() && !bank[index].empty()) << language.code << " text " << std::hex << id;
    }
  }
  EXPECT_EQ(codes, (std::set<std::string>{"de", "en", "es", "fr", "it"}));
}

}  // namespace
