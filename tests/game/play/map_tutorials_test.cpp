// The first map played in order with one save folder, as a new player meets
// it: each block tutorial shows on the level that brings in its block kind,
// and the levels that bring in stones, ropes and the seesaw show their own.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/Random.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/TutorialManager.h"
#include "render_engine/Texture.h"
#include "support/TempDir.h"
#include "tools/level_player.h"

namespace {

TEST(MapTutorialsTest, EachTutorialShowsWhereItsKindComesIn) {
  qmtest::TempDir saves;
  qmtest::ScopedEnv home("XDG_DATA_HOME", saves.str());
  qmtest::ScopedEnv sound("ALSOFT_DRIVERS", std::string("null"));
  qmtest::ScopedCwd cwd(QM_TEST_DATA_DIR);
  RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());

  // Block tutorial id -> the level of map 1 on which it showed.
  std::map<int, int> shownOn;
  const int first = TutorialManager::getInstance().firstBlockTutorial();
  ASSERT_GT(first, 0);
  const int levels = static_cast<int>(LevelsManager::getInstance().getMap(1).levels.size());
  ASSERT_GE(levels, 12);
  for (int level = 1; level <= levels; ++level) {
    seedRandom(1);
    const levelplay::PlayResult result = levelplay::playLevel(level, {});
    ASSERT_TRUE(result.built) << level << ": " << result.failure;
    const TutorialManager& tutorials = TutorialManager::getInstance();
    for (int type = 0; type < 15; ++type) {
      const int id = first + type - 1;
      const auto texts = tutorials.tutorials().find(id);
      if (texts == tutorials.tutorials().end() || texts->second.empty()) continue;
      if (!tutorials.isUnseen(id) && shownOn.count(id) == 0) shownOn[id] = level;
    }
  }
  // Collision type -> the level that brings it in.
  const std::map<int, int> introduced = {{2, 1}, {9, 2}, {8, 3}, {5, 5}, {6, 6}, {10, 7}, {14, 9}, {12, 11}};
  for (const auto& [type, level] : introduced) {
    EXPECT_EQ(shownOn[first + type - 1], level) << "collision type " << type;
  }
  const LevelsManager& design = LevelsManager::getInstance();
  EXPECT_EQ(design.getLevel(1).tutoId, 1);
  EXPECT_EQ(design.getLevel(6).tutoId, 101);   // the stone
  EXPECT_EQ(design.getLevel(8).tutoId, 102);   // the rope
  EXPECT_EQ(design.getLevel(10).tutoId, 103);  // the seesaw
}

}  // namespace
