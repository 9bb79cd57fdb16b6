// The main menu on the game's own "main-menu.bin" and "help.bin" (the built
// data tree, with pictures and fonts): every node the menu drives is there,
// and a player's way through it works with the real layout: main screen to
// the map choice, the first map's page, the first level behind the intro; the
// options page's knobs, language and full-screen buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "game/menus/MainMenuSequence.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeText.h"
#include "render_engine/COptionalNodeList.h"
#include "support/GlWindow.h"
#include "support/TempDir.h"
#include "tests/game/RecordingHost.h"

namespace {

using RenderEngine::CNode;

// The moves as the menu asks for them; no movie plays here.
class Host : public qmtest::RecordingHost {
 public:
  void playVideo(const char* movie, const char*) override { log.push_back(std::string("video ") + movie); }
  bool isVideoPlaying() override { return false; }
  void stopVideo() override {}
  std::vector<std::string>& log = moves;
};

// The centre of a node's box in its parent's space.
void centreOf(CNode* node, int& x, int& y) {
  const RenderEngine::BoundingRect* box = node->getBoundingBox();
  ASSERT_NE(box, nullptr);
  x = static_cast<int>((box->minX + box->maxX) / 2);
  y = static_cast<int>((box->minY + box->maxY) / 2);
}

TEST(MainMenuScene, EveryDrivenNodeIsThereAndAPlayerGetsToTheFirstLevel) {
  ASSERT_TRUE(qmtest::openGlWindow("main menu"));
  qmtest::TempDir tmp;
  qmtest::ScopedEnv home("XDG_DATA_HOME", tmp.str());
  qmtest::ScopedCwd cwd(QM_DATA_DIR);
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
  initTexts();
  clearOptions();
  loadOptions();
  setLanguage("en");
  setOptionValue(OPTION_LANGUAGE, getCurrentLanguageIndex());

  Host host;
  MainMenuSequence menu;
  menu.load();
  testing::internal::CaptureStderr();
  menu.buildScenes();
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(messages, "");
  ASSERT_TRUE(menu.areScenesBuilt());
  ASSERT_GE(menu.getScreenList()->getChildCount(), 7u);

  CNode* root = menu.getRoot();
  std::vector<int> tags = {66, 481, 477, 478, 479, 404, 405, 500, 528, 501, 370, 530, 529, 337};
  for (int t = 425; t <= 444; ++t) tags.push_back(t);
  for (int i = 0; i < 8; ++i) {
    tags.push_back(MainMenuSequence::kMapButtonTags[i]);
    tags.push_back(MainMenuSequence::kMapNameTags[i]);
  }
  for (int t : MainMenuSequence::kMapStarTextTags) tags.push_back(t);
  tags.push_back(376);
  for (int t = 453; t <= 476; ++t) tags.push_back(t);
  tags.push_back(512);
  for (int t = 503; t <= 511; ++t) tags.push_back(t);
  for (int t = 513; t <= 527; ++t) tags.push_back(t);
  for (int t : tags) EXPECT_NE(root->findByTag(t), nullptr) << "tag " << t;
  for (CNode* b : menu.getLevelButtons()) {
    ASSERT_NE(b, nullptr);
    CNode* done = b->findByTag(374);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->getChildCount(), 2u);
    ASSERT_NE(done->findByTag(424), nullptr);
    EXPECT_EQ(done->findByTag(424)->getChildCount(), 9u);
    // The marks hide with the button's locked look, whatever level they showed.
    auto* button = dynamic_cast<RenderEngine::CButton*>(b);
    ASSERT_NE(button, nullptr);
    button->showState(0);
    EXPECT_TRUE(done->isTransparent()) << "button " << b->getTag();
    button->showState(1);
    EXPECT_FALSE(done->isTransparent()) << "button " << b->getTag();
  }

  // Main screen: the play button leads to the map choice.
  menu.showScreen(1);
  int x = 0, y = 0;
  centreOf(root->findByTag(425), x, y);
  // The main page's space is the screen's while the page sits at the origin.
  menu.touchBegan(x, y);
  menu.touchEnded(x, y);
  ASSERT_EQ(menu.getScreen(), 5);
  // The first map (hit-tested 27 points lower than the touch).
  centreOf(root->findByTag(452), x, y);
  menu.touchBegan(x, y - 27);
  menu.touchEnded(x, y - 27);
  ASSERT_EQ(menu.getScreen(), 6);
  centreOf(root->findByTag(376), x, y);
  menu.touchBegan(x, y - 27);
  menu.touchEnded(x, y - 27);
  EXPECT_EQ(host.log, (std::vector<std::string>{"video INTRO.m4v"}));
  menu.update(33);
  EXPECT_EQ(host.log.back(), "start 1");

  // Options: knobs on their grid, the + button, a language and back.
  setOptionValue(OPTION_SOUND_VOLUME, 5);
  menu.showScreen(4);
  EXPECT_EQ(menu.getSoundKnob()->getPosition().x, 177.0f + 80.0f);
  centreOf(root->findByTag(433), x, y);
  menu.touchBegan(x, y);
  menu.touchEnded(x, y);
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 6);
  centreOf(root->findByTag(443), x, y);
  menu.touchBegan(x, y);
  menu.touchEnded(x, y);
  EXPECT_STREQ(getLanguageCode(getCurrentLanguageIndex()), "de");
  centreOf(root->findByTag(439), x, y);
  menu.touchBegan(x, y);
  menu.touchEnded(x, y);
  EXPECT_EQ(getOptionValue(OPTION_FULLSCREEN), 0);
  menu.keyPressed(27, 0, 0);
  EXPECT_STREQ(getLanguageCode(getCurrentLanguageIndex()), "en");
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 5);
  EXPECT_EQ(menu.getScreen(), 1);

  menu.unload();
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
  clearOptions();
}

// The stars each map asks for before it opens (map 1 is always open).
constexpr int kStarsNeeded[8] = {0, 50, 100, 160, 230, 310, 380, 460};

// Medals on the shipped levels of the maps before `map`, as a player earns
// them: gold on each in turn until `stars` is reached (the last one bronze
// or silver when three would overshoot). Answers the id of the level that
// took the last medal, 0 when the maps before hold too few levels.
int earnStarsBefore(int map, int stars) {
  LevelsManager& levels = LevelsManager::getInstance();
  int last = 0;
  for (int m = 1; m < map && stars > 0; ++m) {
    for (const LevelRecord* level : levels.getMap(m).levels) {
      if (stars <= 0) break;
      const int medal = std::min(stars, 3);
      levels.recordResult(level->id, 1000 + medal, medal, 1);
      stars -= medal;
      last = level->id;
    }
  }
  return stars == 0 ? last : 0;
}

// One star more, as when the player wins a level again with a better medal
// or a new level with bronze: the level after `last`, or `last` itself.
void earnOneStarMore(int map, int last) {
  LevelsManager& levels = LevelsManager::getInstance();
  const LevelRecord& record = levels.getLevel(last);
  if (record.medal < 3) {
    levels.recordResult(last, record.bestScore + 1, record.medal + 1, 1);
    return;
  }
  for (int m = 1; m < map; ++m) {
    for (const LevelRecord* level : levels.getMap(m).levels) {
      if (level->medal == 0) {
        levels.recordResult(level->id, 1001, 1, 1);
        return;
      }
    }
  }
  ADD_FAILURE() << "no level left to earn a star on before map " << map;
}

class MapUnlockScene : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qmtest::openGlWindow("map unlock"));
    initTexts();
    clearOptions();
    loadOptions();
    setLanguage("en");
  }
  void TearDown() override {
    LevelsManager::resetInstance();
    QMRAchievementManager::resetInstance();
    clearOptions();
  }
  // The menu on the game's own scenes, built from the save folder as the game
  // starts, shown at the map choice.
  void startMenu(MainMenuSequence& menu) {
    LevelsManager::resetInstance();
    QMRAchievementManager::resetInstance();
    menu.load();
    menu.buildScenes();
    ASSERT_TRUE(menu.areScenesBuilt());
    menu.showScreen(5);
  }
  static int state(MainMenuSequence& menu, int tag) {
    auto* b = dynamic_cast<RenderEngine::CButton*>(menu.getRoot()->findByTag(tag));
    return b != nullptr ? b->getState() : -1;
  }
  // A press and release on the map button, hit-tested 27 points lower.
  static void press(MainMenuSequence& menu, int tag) {
    int x = 0, y = 0;
    centreOf(menu.getRoot()->findByTag(tag), x, y);
    menu.touchBegan(x, y - 27);
    menu.touchEnded(x, y - 27);
  }

};

// Every map of the shipped design that lists levels opens on the map choice
// once the player has the stars it asks for: from a save folder one star
// short it shows closed and a press on it leaves the map choice; when a won
// level brings the total to the threshold, the next visit plays its unlock
// animation with the jingle and opens it when the animation ends; a save
// folder at the threshold shows it open at once, without the jingle.
TEST_F(MapUnlockScene, EveryMapWithLevelsOpensAtItsStars) {
  int checked = 0;
  for (int map = 2; map <= 8; ++map) {
    SCOPED_TRACE("map " + std::to_string(map));
    const int tag = MainMenuSequence::kMapButtonTags[map - 1];
    const int needed = kStarsNeeded[map - 1];
    qmtest::TempDir belowFolder;
    qmtest::TempDir atFolder;
    {
      qmtest::ScopedEnv home("XDG_DATA_HOME", belowFolder.str());
      qmtest::ScopedCwd cwd(QM_DATA_DIR);
      LevelsManager::resetInstance();
      QMRAchievementManager::resetInstance();
      if (LevelsManager::getInstance().getMap(map).levels.empty()) continue;
      ++checked;
      const int last = earnStarsBefore(map, needed - 1);
      ASSERT_NE(last, 0) << "the maps before it hold too few levels for " << needed - 1 << " stars";
      ASSERT_EQ(LevelsManager::getInstance().getTotalStars(), needed - 1);

      // One star short, from the save folder: closed, the maps before it open.
      Host host;
      MainMenuSequence menu;
      startMenu(menu);
      EXPECT_EQ(menu.getStarTotal(), needed - 1);
      EXPECT_EQ(state(menu, tag), 0);
      for (int m = 2; m < map; ++m) EXPECT_EQ(state(menu, MainMenuSequence::kMapButtonTags[m - 1]), 1) << m;
      EXPECT_TRUE(menu.getPendingUnlocks().empty());
      press(menu, tag);
      EXPECT_EQ(menu.getScreen(), 5);

      // A win brings the total to the threshold: back on the map choice the
      // map plays its unlock with the jingle, and opens when it is over.
      earnOneStarMore(map, last);
      ASSERT_EQ(LevelsManager::getInstance().getTotalStars(), needed);
      menu.showScreen(1);
      host.sounds.clear();
      menu.showScreen(5);
      EXPECT_EQ(menu.getStarTotal(), needed);
      EXPECT_EQ(host.count(MainMenuSequence::kUnlockSound), 1);
      ASSERT_EQ(menu.getPendingUnlocks().size(), 1u);
      EXPECT_EQ(menu.getPendingUnlocks().front(), menu.getRoot()->findByTag(tag));
      CNode* unlock = menu.getRoot()->findByTag(tag)->getChild(0);
      ASSERT_NE(unlock, nullptr);
      if (unlock->getChildCount() > 0) unlock = unlock->getChild(0);
      EXPECT_TRUE(unlock->isAnimating());
      EXPECT_EQ(state(menu, tag), 0);
      int frames = 0;
      while (!menu.getPendingUnlocks().empty() && frames < 300) {
        menu.update(33);
        ++frames;
      }
      EXPECT_GT(frames, 1);
      EXPECT_TRUE(menu.getPendingUnlocks().empty());
      EXPECT_EQ(state(menu, tag), 1);
      press(menu, tag);
      EXPECT_EQ(menu.getScreen(), 6);
      EXPECT_EQ(menu.getMapIndex(), map - 1);
      menu.unload();

      // The same progress in a fresh save folder: the game starts at the threshold.
      LevelsManager::getInstance();
      qmtest::ScopedEnv atHome("XDG_DATA_HOME", atFolder.str());
      ASSERT_TRUE(LevelsManager::getInstance().saveProgress());
    }
    qmtest::ScopedEnv home("XDG_DATA_HOME", atFolder.str());
    qmtest::ScopedCwd cwd(QM_DATA_DIR);
    Host host;
    MainMenuSequence menu;
    host.sounds.clear();
    startMenu(menu);
    EXPECT_EQ(menu.getStarTotal(), needed);
    EXPECT_EQ(state(menu, tag), 1);
    EXPECT_TRUE(menu.getPendingUnlocks().empty());
    EXPECT_EQ(host.count(MainMenuSequence::kUnlockSound), 0);
    press(menu, tag);
    EXPECT_EQ(menu.getScreen(), 6);
    menu.unload();
  }
  // Map 2 ships levels: at least it was looked at.
  EXPECT_GE(checked, 1);
}

}  // namespace
