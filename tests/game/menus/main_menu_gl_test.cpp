// The main menu on the game's own "main-menu.bin" and "help.bin" (the built
// data tree, with pictures and fonts): every node the menu drives is there,
// and a player's way through it works with the real layout: main screen to
// the map choice, the first map's page, the first level behind the intro; the
// options page's knobs, language and full-screen buttons.
#include <gtest/gtest.h>

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

}  // namespace
