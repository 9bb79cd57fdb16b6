// The level screen hosted by the game itself, on the built sample data: a
// level won through the application object (its banner and result window,
// the saves, the tutorial bit, the pop-up, the jingle), then the banner's own
// buttons pressed with touches routed by the game: next, retry (with the
// briefing that follows, ended by a tap) and menu; the HUD's pause and the
// banner's resume.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/LocalizedText.h"
#include "app/Random.h"
#include "game/app/QMRGame.h"
#include "game/host/GameHost.h"
#include "game/overlays/MouseCursor.h"
#include "game/overlays/QMRAchievementPopup.h"
#include "game/overlays/QMRButton.h"
#include "game/overlays/QMRTextBanner.h"
#include "game/play/GameHud.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "game/progress/TutorialManager.h"
#include "render_engine/CNodeText.h"
#include "render_engine/Texture.h"
#include "sound/AudioEngine.h"
#include "support/TempDir.h"
#include "tools/level_player.h"

namespace {

std::vector<levelplay::Tap> solution(int level) {
  std::ifstream in(std::string(QM_TEST_SOURCE_DIR) + "/data/levels/solutions/" + std::to_string(level) + ".txt");
  std::stringstream text;
  text << in.rdbuf();
  return levelplay::parseScript(text.str(), nullptr);
}

void tap(QMRGame* game, int x, int y) {
  TouchPoint points[kMaxTouches] = {{x, y}};
  game->touchesBegan(1, points, false);
  game->touchesEnded(1, points, false);
}

// Frames until the banner's button with that id takes touches, then a tap on
// it through the game's routing (beforeTap runs just before). False when it
// never came.
bool pressBannerButton(QMRGame* game, int id, const std::function<void()>& beforeTap = nullptr) {
  QMRTextBanner* banner = QMRTextBanner::instance();
  for (int frame = 0; frame < 200; ++frame) {
    if (banner->isShown() && banner->areButtonsEnabled()) {
      for (QMRButton* button : banner->getButtons()) {
        if (button->getTag() != id || !button->isVisible() || button->isAppearing()) continue;
        for (int y = 0; y < 320; y += 4) {
          for (int x = 0; x < 480; x += 4) {
            if (!button->containsPoint(x, y)) continue;
            if (beforeTap) beforeTap();
            tap(game, x, y);
            return true;
          }
        }
      }
    }
    game->update(33);
  }
  return false;
}

// The text the banner's text nodes show.
std::string bannerText() {
  for (RenderEngine::CNode* node : QMRTextBanner::instance()->getTextNodes()) {
    if (auto* text = dynamic_cast<RenderEngine::CNodeText*>(node)) return text->getText() != nullptr ? text->getText() : "";
  }
  return "";
}

// The won banner's texts by medal: none and bronze, silver, gold.
bool isWinText(int textId, int medal) {
  const int first = medal <= 1 ? 0x20005 : medal == 2 ? 0x20008 : 0x2000B;
  return textId >= first && textId < first + 3;
}

// The HUD as a level shows it before its first tap: a clock at zero, no tap
// counted, every mark lit.
void expectFreshHud(InGameSequence& play) {
  GameHud* hud = play.getHud();
  EXPECT_STREQ(hud->getClockText(), "0:00");
  EXPECT_STREQ(hud->getCounterText(), "0");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(hud->findByTag(GameHud::kFirstMarkTag + i)->getChild(0)->getAnimation().getFrame(), 0) << "mark " << i;
  }
}

class HostedLevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousBackend_ = RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
    seedRandom(1);
  }
  void TearDown() override { RenderEngine::TextureGlBackend::set(previousBackend_); }
  std::filesystem::path save(const char* name) const { return tmp.path() / "TARNWELL/Quillmoor" / name; }

  qmtest::TempDir tmp;
  qmtest::ScopedEnv home{"XDG_DATA_HOME", tmp.str()};
  qmtest::ScopedEnv silent{"ALSOFT_DRIVERS", std::string("null")};
  qmtest::ScopedCwd cwd{QM_DATA_DIR};

 private:
  RenderEngine::TextureGlBackend previousBackend_ = RenderEngine::TextureGlBackend::headless();
};

TEST_F(HostedLevelTest, AWinRecordedAndShownThenNextStartsTheFollowingLevel) {
  bool checked = false;
  const levelplay::PlayResult r = levelplay::playLevel(1, solution(1), 0, [&](InGameSequence& play) {
    QMRGame* game = QMRGame::getInstance();
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(play.getState(), InGameSequence::kWon);
    EXPECT_EQ(&gameHost(), static_cast<GameHost*>(game)) << "the game hosts its level screen";
    QMRTextBanner* banner = QMRTextBanner::instance();
    EXPECT_TRUE(banner->isShown());
    EXPECT_EQ(banner->currentMessage().kind, QMRTextBanner::kWon);
    EXPECT_EQ(banner->currentMessage().buttonMask, 19);
    EXPECT_EQ(banner->currentMessage().textId, 0x30005) << "the first win ever";
    ASSERT_NE(banner->getResultScreen(), nullptr);
    EXPECT_EQ(banner->getResultScreen()->getMedal(), play.getMedal());
    EXPECT_EQ(std::string(banner->getResultScreen()->getNumberText(1)), std::to_string(play.getScore()));
    EXPECT_EQ(AudioEngine::getCurrentMusic(), play.getMedal() == 3 ? 45u : 44u);

    const LevelRecord* record = LevelsManager::getInstance().findLevel(1);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->completed);
    EXPECT_EQ(record->bestScore, play.getScore());
    EXPECT_EQ(record->medal, play.getMedal());
    EXPECT_TRUE(std::filesystem::exists(save("levels.sav")));
    EXPECT_FALSE(TutorialManager::getInstance().isUnseen(4));
    EXPECT_TRUE(std::filesystem::exists(save("tutov2.sav")));
    EXPECT_GT(QMRAchievementManager::getInstance().earnedCount(), 0);
    EXPECT_TRUE(QMRAchievementPopup::instance()->isShown());

    ASSERT_TRUE(pressBannerButton(game, InGameSequence::kButtonNext));
    EXPECT_EQ(game->getCurrentIndex(), QMRGame::kInGame);
    EXPECT_EQ(play.getLevelId(), 2);
    EXPECT_EQ(LevelsManager::getInstance().findLevel(1)->tryCount, 1);
    ASSERT_EQ(play.getState(), InGameSequence::kBriefing);
    expectFreshHud(play);
    checked = true;
  });
  EXPECT_EQ(r.outcome, "won");
  EXPECT_TRUE(checked);
}

TEST_F(HostedLevelTest, RetryThroughTheBannerAndTheBriefingThatFollowsEndsAtATap) {
  bool checked = false;
  levelplay::playLevel(1, solution(1), 0, [&](InGameSequence& play) {
    QMRGame* game = QMRGame::getInstance();
    // The marks as a slow attempt leaves them.
    ASSERT_TRUE(pressBannerButton(game, InGameSequence::kButtonRetry, [&] { play.getHud()->showMarks(1); }));
    EXPECT_EQ(play.getLevelId(), 1);
    EXPECT_EQ(play.getTries(), 2);
    // Level 1 tells how to play at every start: the rebuilt level waits for it.
    EXPECT_EQ(play.getState(), InGameSequence::kBriefing);
    QMRTextBanner* banner = QMRTextBanner::instance();
    ASSERT_TRUE(banner->isShown());
    EXPECT_EQ(banner->currentMessage().kind, QMRTextBanner::kTutorial);
    EXPECT_TRUE(gameHost().isBannerShown()) << "the animals hear of the banner";
    EXPECT_GT(play.getLevel().entities.size(), 0u);
    expectFreshHud(play);
    while (banner->queuedCount() > 0) tap(game, 240, 160);
    EXPECT_EQ(play.getState(), InGameSequence::kBriefing);
    tap(game, 240, 160);
    EXPECT_FALSE(banner->isShown());
    EXPECT_EQ(play.getState(), InGameSequence::kStart) << "the banner's end reaches the level screen";
    EXPECT_FALSE(gameHost().isBannerShown());
    EXPECT_TRUE(play.getHud()->isGuideOn());
    checked = true;
  });
  EXPECT_TRUE(checked);
}

TEST_F(HostedLevelTest, MenuThroughTheBannerLeavesForTheMenuScreen) {
  bool checked = false;
  levelplay::playLevel(1, solution(1), 0, [&](InGameSequence&) {
    QMRGame* game = QMRGame::getInstance();
    ASSERT_TRUE(pressBannerButton(game, InGameSequence::kButtonMenu));
    EXPECT_EQ(game->getCurrentIndex(), QMRGame::kMainMenu);
    EXPECT_FALSE(QMRTextBanner::instance()->isShown());
    EXPECT_EQ(LevelsManager::getInstance().findLevel(1)->tryCount, 1);
    checked = true;
  });
  EXPECT_TRUE(checked);
}

TEST_F(HostedLevelTest, PauseOnTheHudAndResumeOnTheBanner) {
  bool checked = false;
  // Played until the level has started, then paused with a tap on the HUD.
  levelplay::playLevel(1, {}, 200, [&](InGameSequence& play) {
    QMRGame* game = QMRGame::getInstance();
    ASSERT_EQ(play.getState(), InGameSequence::kPlay);
    int px = -1;
    int py = -1;
    for (int y = 0; y < 320 && px < 0; y += 2) {
      for (int x = 0; x < 480 && px < 0; x += 2) {
        if (play.getHud()->findButtonAt(x, y) == GameHud::kPauseButton) {
          px = x;
          py = y;
        }
      }
    }
    ASSERT_GE(px, 0) << "no pause button on the HUD";
    EXPECT_EQ(MouseCursor::getInstance()->getMode(), MouseCursor::kHand);
    tap(game, px, py);
    EXPECT_TRUE(play.isPaused());
    EXPECT_EQ(MouseCursor::getInstance()->getMode(), MouseCursor::kArrow);
    QMRTextBanner* banner = QMRTextBanner::instance();
    ASSERT_TRUE(banner->isShown());
    EXPECT_EQ(banner->currentMessage().buttonMask, 12);
    const int clock = play.getClockMs();
    game->update(33);
    EXPECT_EQ(play.getClockMs(), clock);
    ASSERT_TRUE(pressBannerButton(game, InGameSequence::kButtonResume));
    EXPECT_FALSE(play.isPaused());
    EXPECT_FALSE(banner->isShown());
    EXPECT_EQ(MouseCursor::getInstance()->getMode(), MouseCursor::kHand);
    game->update(33);
    EXPECT_EQ(play.getClockMs(), clock + 33);
    checked = true;
  });
  EXPECT_TRUE(checked);
}

// Only the first win ever tells about medals: the wins after it, of the same
// level or of another, show the won banner's own text for their medal.
TEST_F(HostedLevelTest, WinsAfterTheFirstShowTheirWinText) {
  int firstText = 0;
  levelplay::playLevel(1, solution(1), 0, [&](InGameSequence&) {
    firstText = QMRTextBanner::instance()->currentMessage().textId;
    EXPECT_FALSE(bannerText().empty());
  });
  EXPECT_EQ(firstText, 0x30005);
  for (int level : {1, 2}) {
    bool checked = false;
    const levelplay::PlayResult r = levelplay::playLevel(level, solution(level), 0, [&](InGameSequence& play) {
      ASSERT_EQ(play.getState(), InGameSequence::kWon);
      const int text = QMRTextBanner::instance()->currentMessage().textId;
      EXPECT_TRUE(isWinText(text, play.getMedal())) << std::hex << text << " for medal " << play.getMedal();
      EXPECT_STREQ(bannerText().c_str(), getText(text));
      EXPECT_FALSE(bannerText().empty()) << "level " << level;
      checked = true;
    });
    EXPECT_EQ(r.outcome, "won") << "level " << level;
    EXPECT_TRUE(checked);
  }
}

// Every message the level screen puts on the banner has a text in every language.
TEST(LevelScreenTexts, EveryBannerMessageHasItsTextInEveryLanguage) {
  qmtest::ScopedCwd cwd{QM_DATA_DIR};
  initTexts();
  const int previous = getCurrentLanguageIndex();
  const int ids[] = {0x20000, 0x20001, 0x20002, 0x20004, 0x20005, 0x20006, 0x20007, 0x20008,
                     0x20009, 0x2000A, 0x2000B, 0x2000C, 0x2000D, 0x2000E, 0x30005};
  for (const char* code : {"en", "fr", "de", "es", "it"}) {
    setLanguage(code);
    ASSERT_STREQ(getLanguageCode(getCurrentLanguageIndex()), code);
    for (int id : ids) EXPECT_STRNE(getText(id), "") << code << " " << std::hex << id;
  }
  setLanguageIndex(previous < 0 ? 0 : previous);
}

}  // namespace
