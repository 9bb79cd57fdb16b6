// The level screen end to end, headless: levels built from the sample
// physics models, played through taps, scored and recorded, with the banner,
// cursor, music and screen changes caught by a recording host.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "app/LocalizedText.h"
#include "app/Random.h"
#include "game/actors/ActorTemplates.h"
#include "game/actors/ISwappableItem.h"
#include "game/actors/QMRJoint.h"
#include "game/actors/QMRSheep.h"
#include "game/app/QMRGame.h"
#include "game/overlays/QMRTextBanner.h"
#include "game/play/GameHud.h"
#include "game/play/InGameSequence.h"
#include "game/play/QMRGameFX.h"
#include "physics/CScenePhysics.h"
#include "render_engine/CButton.h"
#include "support/BoxNode.h"
#include "tests/game/ProgressFixture.h"
#include "tools/level_player.h"

namespace {

std::string levelFile(const std::string& entities) {
  return "<?xml version=\"1.0\" ?>\n<level name=\"t\"><baseentytylist>" + entities +
         "</baseentytylist><jointslist></jointslist></level>\n";
}
std::string entity(const char* name, float x, float y, int id) {
  return "<entity name=\"" + std::string(name) + "\" x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
         "\" angle=\"0\" id=\"" + std::to_string(id) + "\"/>";
}

class InGameTest : public qmtest::ProgressTest {
 protected:
  InGameTest() {
    const std::filesystem::path src(QM_TEST_SOURCE_DIR);
    std::filesystem::copy(src / "data/physicmodels", tmp.path() / "data/physicmodels",
                          std::filesystem::copy_options::recursive);
    std::filesystem::copy_file(src / "data/config.ynm", tmp.path() / "data/config.ynm");
    std::filesystem::copy_file(src / "data/gamedesign/achievementList.ynm",
                               tmp.path() / "data/gamedesign/achievementList.ynm",
                               std::filesystem::copy_options::overwrite_existing);
    writeDesign("levels.ynm", "<levels><map id=\"1\" name=\"458752\" pack=\"1\">" + qmtest::levelXml(1) +
                                  qmtest::levelXml(2) + qmtest::levelXml(3) + "</map></levels>");
    writeDesign("tutorials.ynm",
                "<tutos><firtsBlocTuto id=\"10\"/><tutorial id=\"4\"><text>196613</text></tutorial></tutos>");
    // 1: a crate under the sheep, the goal below it.
    tmp.write("data/levels/1.ynm", levelFile(entity("Ground", 24, 31, 1) + entity("GoalZone", 24, 29.5f, 2) +
                                             entity("WoodBox", 24, 28, 3) + entity("Sheep", 24, 25.8f, 4)));
    // 2: a plank over a gap, nothing below it.
    tmp.write("data/levels/2.ynm", levelFile(entity("Ledge", 15, 20.5f, 1) + entity("Ledge", 33, 20.5f, 2) +
                                             entity("WoodPlank", 24, 19.5f, 3) + entity("Sheep", 24, 17.8f, 4)));
    // 3: a wolf already at rest in the goal.
    tmp.write("data/levels/3.ynm", levelFile(entity("Ground", 24, 31, 1) + entity("GoalZone", 24, 29.5f, 2) +
                                             entity("Wolf", 24, 27.6f, 3)));
  }
  void SetUp() override {
    ProgressTest::SetUp();
    ActorTemplates::clearAll();
    QMRJoint::resetTemplate();
    ISwappableItem::resetSwapModels();
    QMRGameFXManager::resetInstance();
    InGameSequence::resetProcessState();
    seedRandom(1);
    // Built once the data is in place: the reader reads its tables at once.
    sequence.emplace();
    sequence->load();
  }
  void TearDown() override {
    sequence.reset();
    QMRGameFXManager::resetInstance();
    ActorTemplates::clearAll();
    ProgressTest::TearDown();
  }
  // Frames of 33 ms until the state is reached (or the limit).
  bool runUntil(int state, int limit = 600) {
    for (int i = 0; i < limit; ++i) {
      if (sequence->getState() == state) return true;
      sequence->update(33);
    }
    return sequence->getState() == state;
  }
  void tap(int x, int y) {
    sequence->touchBegan(x, y);
    sequence->touchEnded(x, y);
  }

  std::vector<int>& sounds() { return host.sounds; }

  // The one recorder of the progress fixture, by the name this test gives it.
  qmtest::RecordingHost& host = overlays;
  std::optional<InGameSequence> sequence;
};

}  // namespace

TEST_F(InGameTest, ATapWinsLevelOneAndTheResultIsRecorded) {
  sequence->prepareLevel(1, 1, 0);
  ASSERT_EQ(sequence->getState(), InGameSequence::kPlay);
  EXPECT_EQ(sequence->getActors().size(), 1u);
  EXPECT_EQ(InGameSequence::typeCounters()[1], 1);
  EXPECT_EQ(InGameSequence::typeCounters()[2], 1);
  EXPECT_EQ(InGameSequence::typeCounters()[8], 0) << "the SheepEater is not counted";
  EXPECT_EQ(host.music.back(), 39u);
  for (int i = 0; i < 3; ++i) sequence->update(33);
  tap(240, 280);
  EXPECT_EQ(sequence->getActions(), 1);
  ASSERT_TRUE(runUntil(InGameSequence::kWon));
  EXPECT_EQ(sequence->getScore(), static_cast<int>(1000.0 * (2.0 + 1000.0 / sequence->getClockMs())));
  EXPECT_EQ(host.resultScore, sequence->getScore());
  EXPECT_EQ(sequence->getMedal(), 2) << "one tap in about two seconds: silver of 1000/2100/3000";
  EXPECT_EQ(host.resultMedal, 2);
  ASSERT_FALSE(host.banners.empty());
  EXPECT_EQ(host.banners.back().textId, 0x30005) << "the first win ever";
  EXPECT_EQ(host.banners.back().buttonMask, 19);
  EXPECT_EQ(host.music.back(), 44u);
  const LevelRecord* record = LevelsManager::getInstance().findLevel(1);
  ASSERT_NE(record, nullptr);
  EXPECT_TRUE(record->completed);
  EXPECT_EQ(record->bestScore, sequence->getScore());
  EXPECT_EQ(record->fewestTries, 1);
  EXPECT_FALSE(TutorialManager::getInstance().isUnseen(4));
  EXPECT_TRUE(readSave("levels.sav").has_value());
  EXPECT_EQ(overlays.popups, (std::vector<int>{24, 34})) << "won at the first try; one level done";
  // The tap on the crate showed its effect and its sound.
  EXPECT_NE(std::find(sounds().begin(), sounds().end(), 10), sounds().end());

  // A replay: the pick of its kind is no longer the first one.
  sequence->buttonPressed(InGameSequence::kButtonRetry);
  EXPECT_EQ(sequence->getTries(), 2);
  for (int i = 0; i < 3; ++i) sequence->update(33);
  tap(240, 280);
  ASSERT_TRUE(runUntil(InGameSequence::kWon));
  EXPECT_GE(host.banners.back().textId, 0x20008);
  EXPECT_LE(host.banners.back().textId, 0x2000A);

  sequence->buttonPressed(InGameSequence::kButtonNext);
  EXPECT_EQ(host.moves.back(), "start 2");
  EXPECT_EQ(LevelsManager::getInstance().findLevel(1)->tryCount, 2);
}

TEST_F(InGameTest, AFallIntoTheSheepEaterLosesLevelTwo) {
  sequence->prepareLevel(2, 1, 0);
  ASSERT_EQ(sequence->getState(), InGameSequence::kPlay);
  for (int i = 0; i < 20; ++i) sequence->update(33);
  EXPECT_EQ(sequence->getState(), InGameSequence::kPlay) << "at rest on the plank";
  tap(240, 195);
  ASSERT_TRUE(runUntil(InGameSequence::kLost));
  EXPECT_EQ(host.banners.back().textId, 0x20000);
  EXPECT_EQ(host.banners.back().buttonMask, 11);
  EXPECT_EQ(host.music.back(), 42u);
  EXPECT_FALSE(LevelsManager::getInstance().findLevel(2)->completed);

  sequence->buttonPressed(221);
  EXPECT_EQ(sequence->getTries(), 2);
  EXPECT_EQ(sequence->getState(), InGameSequence::kPlay);
  EXPECT_EQ(sequence->getActions(), 0);
  sequence->buttonPressed(InGameSequence::kButtonMenu);
  EXPECT_EQ(host.moves.back(), "menu");
  EXPECT_EQ(LevelsManager::getInstance().findLevel(2)->tryCount, 2);
}

TEST_F(InGameTest, AWolfRestingInTheGoalLosesLevelThree) {
  sequence->prepareLevel(3, 1, 0);
  ASSERT_TRUE(runUntil(InGameSequence::kLost));
  EXPECT_EQ(host.banners.back().textId, 0x20004);
  EXPECT_GT(sequence->getClockMs(), 1000);
  // The last level of a short design: next goes back to the map.
  sequence->buttonPressed(InGameSequence::kButtonNext);
  EXPECT_EQ(host.moves.back(), "map");
  EXPECT_EQ(LevelsManager::getInstance().findLevel(4), nullptr);
}

TEST_F(InGameTest, ALevelWithoutActorsIsNeverWon) {
  sequence->prepareLevel(7, 1, 0);  // no such file
  EXPECT_TRUE(sequence->getActors().empty());
  for (int i = 0; i < 100; ++i) sequence->update(33);
  EXPECT_EQ(sequence->getState(), InGameSequence::kPlay);
  EXPECT_EQ(LevelsManager::getInstance().findLevel(7), nullptr);
  EXPECT_FALSE(readSave("levels.sav").has_value());
}

TEST_F(InGameTest, TheHudButtonsPauseAndResume) {
  sequence->prepareLevel(1, 1, 0);
  sequence->buttonPressed(220);
  EXPECT_TRUE(sequence->isPaused());
  EXPECT_EQ(host.banners.back().textId, 0x2000E);
  EXPECT_EQ(host.banners.back().buttonMask, 12);
  const int clock = sequence->getClockMs();
  sequence->update(33);
  EXPECT_EQ(sequence->getClockMs(), clock);
  sequence->buttonPressed(InGameSequence::kButtonResume);
  EXPECT_FALSE(sequence->isPaused());
  sequence->update(33);
  EXPECT_EQ(sequence->getClockMs(), clock + 33);
}

TEST_F(InGameTest, TheIdleHintAfterTenQuietSeconds) {
  sequence->prepareLevel(3, 1, 0);
  // Level 3 is lost after a second; use level 1 at rest instead.
  sequence->prepareLevel(1, 1, 0);
  for (int i = 0; i < 340 && !sequence->getHud()->isIdleHintOn(); ++i) sequence->update(33);
  EXPECT_TRUE(sequence->getHud()->isIdleHintOn());
  EXPECT_GT(sequence->getIdleMs(), 10000);
  sequence->touchBegan(5, 5);
  EXPECT_FALSE(sequence->getHud()->isIdleHintOn());
  EXPECT_EQ(sequence->getIdleMs(), 0);
}

// A HUD button held when the screen moves on (a banner opens, the next level
// starts on this same screen) does nothing at its release.
TEST_F(InGameTest, AHudPressFromBeforeAChangeIsForgotten) {
  auto* hudScene = new RenderEngine::CNode;
  auto* pause = new RenderEngine::CButton();
  pause->setTag(GameHud::kPauseButton);
  pause->setPosition(400, 20, 0);
  pause->addChild(new qmtest::BoxNode(40, 40));
  hudScene->addChild(pause);
  ActorTemplates::install("hud.bin", hudScene);
  sequence.emplace();
  sequence->load();

  sequence->prepareLevel(1, 1, 0);
  ASSERT_EQ(sequence->getState(), InGameSequence::kPlay);
  sequence->touchBegan(400, 20);
  // "next" on the banner of a level just finished: the same screen builds it.
  sequence->prepareLevel(2, 1, 0);
  sequence->touchEnded(100, 100);  // the tap that dismissed a briefing
  EXPECT_FALSE(sequence->isPaused());

  sequence->touchBegan(400, 20);
  sequence->bannerShown();
  sequence->touchEnded(400, 20);
  EXPECT_FALSE(sequence->isPaused());

  sequence->touchBegan(400, 20);
  sequence->touchEnded(400, 20);
  EXPECT_TRUE(sequence->isPaused()) << "a press and release on the button still pauses";
}

// A text's number marker shows the running score.
TEST_F(InGameTest, TheScoreIsTheTextMarkerValue) {
  sequence->prepareLevel(1, 1, 0);
  for (int i = 0; i < 30; ++i) sequence->update(33);
  ASSERT_GT(sequence->getClockMs(), 0);
  EXPECT_STREQ(getMarkerText(0), std::to_string(sequence->getScore()).c_str());
  EXPECT_EQ(sequence->getScore(), InGameSequence::lastScore());
}

// The medal rule's thresholds: a usual solution, and a long one whose gold
// and silver round to the same 10, where silver goes 10 below gold.
TEST(InGameRules, MedalThresholdsByTheRule) {
  const levelplay::MedalThresholds usual = levelplay::ruleThresholds(2, 8000);
  EXPECT_EQ(usual.gold, 1070);
  EXPECT_EQ(usual.silver, 1050);
  EXPECT_EQ(usual.bronze, 710);
  const levelplay::MedalThresholds slow = levelplay::ruleThresholds(2, 20000);
  EXPECT_EQ(slow.gold, 1030);
  EXPECT_EQ(slow.silver, 1020) << "score(2, 32000) also rounds to 1030";
  EXPECT_EQ(slow.bronze, 690);
  // A short play, where each of the rule's offsets shows.
  const levelplay::MedalThresholds quick = levelplay::ruleThresholds(1, 2000);
  EXPECT_EQ(quick.gold, 2120);
  EXPECT_EQ(quick.silver, 2070);
  EXPECT_EQ(quick.bronze, 1050);
  const levelplay::MedalThresholds none = levelplay::ruleThresholds(0, 8000);
  EXPECT_EQ(none.gold, levelplay::ruleThresholds(1, 8000).gold) << "no tap counts as one";
}

TEST(InGameRules, ScoreEdgesAndMusic) {
  EXPECT_EQ(InGameSequence::scoreFor(0, 0), INT_MIN);
  EXPECT_EQ(InGameSequence::scoreFor(2, 20000), 1050);
  EXPECT_EQ(InGameSequence::scoreFor(0, 1000), 3000) << "no tap counts as one";
  EXPECT_EQ(InGameSequence::levelMusic(1), 39);
  EXPECT_EQ(InGameSequence::levelMusic(5), 40);
  EXPECT_EQ(InGameSequence::levelMusic(9), 41);
  EXPECT_EQ(InGameSequence::levelMusic(0), 39);
  EXPECT_EQ(InGameSequence::levelMusic(-1), 39);
}

TEST(InGameRules, NextAfterTheLastLevelOfAMapAndTheOutro) {
  // Routing only: no level is built.
  qmtest::RecordingHost host;
  InGameSequence alone;
  alone.buttonPressed(InGameSequence::kButtonNext);
  EXPECT_EQ(host.moves.back(), "map");
}

TEST(HudText, ClockFormat) {
  char out[GameHud::kTextSize];
  GameHud::formatClock(5000, out);
  EXPECT_STREQ(out, "0:05");
  GameHud::formatClock(70000, out);
  EXPECT_STREQ(out, "1:10");
  GameHud::formatClock(600000, out);
  EXPECT_STREQ(out, "10:00");
  GameHud::formatClock(-5, out);
  EXPECT_STREQ(out, "0:00");
}

TEST_F(InGameTest, LevelPlayerRunsAScriptToItsEnd) {
  sequence.reset();
  std::vector<std::string> errors;
  const auto taps = levelplay::parseScript("# the crate\n3 240 280\n\nx y z\n4 5\n5 1 2 3\n", &errors);
  ASSERT_EQ(taps.size(), 1u);
  EXPECT_EQ(errors.size(), 3u);
  levelplay::PlayResult won = levelplay::playLevel(1, taps);
  EXPECT_TRUE(won.built);
  EXPECT_EQ(won.outcome, "won");
  EXPECT_EQ(won.taps, 1);
  EXPECT_EQ(won.medal, 2);
  EXPECT_EQ(won.score, InGameSequence::scoreFor(1, won.timeMs));
  levelplay::PlayResult idle = levelplay::playLevel(1, {});
  EXPECT_NE(idle.outcome, "won");
  EXPECT_LE(idle.frames, levelplay::kIdleFrameLimit);
  EXPECT_EQ(idle.taps, 0);
  levelplay::PlayResult lost = levelplay::playLevel(2, {{3, 240, 195}});
  EXPECT_EQ(lost.outcome, "lost");
  EXPECT_EQ(lost.reason, "an animal was lost");
  levelplay::PlayResult wolf = levelplay::playLevel(3, {});
  EXPECT_EQ(wolf.outcome, "lost");
  EXPECT_EQ(wolf.reason, "a wolf stayed in the goal");
  levelplay::PlayResult missing = levelplay::playLevel(9, {});
  EXPECT_FALSE(missing.built);
  sequence.emplace();
  sequence->load();
}

TEST_F(InGameTest, AnAimedTapLandsOnWhatATapActsOn) {
  sequence.reset();
  levelplay::PlayResult aimed = levelplay::playLevel(1, {{3, 0, 0, 7}});
  EXPECT_EQ(aimed.outcome, "won");
  EXPECT_EQ(aimed.taps, 1);
  ASSERT_EQ(aimed.tappables.size(), 1u) << "the crate, not the ground, the goal or the sheep";
  EXPECT_EQ(aimed.tappables[0].type, 2);
  // The point nearest the middle of its bounds, not merely one on it.
  EXPECT_EQ(aimed.tappables[0].x, 240);
  EXPECT_EQ(aimed.tappables[0].y, 280);
  EXPECT_GE(aimed.playFrame, 0);
  EXPECT_NE(std::find(aimed.log.begin(), aimed.log.end(), "frame 3: aimed at 1 of 1, type 2"), aimed.log.end());
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  levelplay::printResult(aimed, out, true);
  std::rewind(out);
  std::string printed(4096, '\0');
  printed.resize(std::fread(printed.data(), 1, printed.size(), out));
  std::fclose(out);
  EXPECT_NE(printed.find("tappable 1 of 1 at frame "), std::string::npos) << printed;
  EXPECT_NE(printed.find("\nresult: won"), std::string::npos) << "the last line stays the result";

  levelplay::PlayResult none = levelplay::playLevel(3, {{3, 0, 0, 0}});
  EXPECT_TRUE(none.tappables.empty());
  EXPECT_EQ(none.taps, 0);
  EXPECT_NE(std::find(none.log.begin(), none.log.end(), "frame 3: nothing to aim at"), none.log.end());
  sequence.emplace();
  sequence->load();
}

TEST_F(InGameTest, UnknownModelsAndStrayJointsAreLeftOut) {
  tmp.write("data/levels/5.ynm",
            "<?xml version=\"1.0\" ?>\n<level name=\"t\"><baseentytylist>" + entity("Nope", 5, 5, 1) +
                entity("Ground", 24, 31, 2) + entity("WoodBox", 10, 29, 3) + entity("WoodBox", 14, 29, 4) +
                entity("Sheep", 24, 28.8f, 5) +
                "</baseentytylist><jointslist>"
                "<joint template=\"Rope\" entyty1id=\"3\" entity2id=\"4\"><anchor1 x=\"0\" y=\"0\"/>"
                "<anchor2 x=\"0\" y=\"0\"/></joint>"
                "<joint template=\"Rope\" entyty1id=\"4\" entity2id=\"5\"><anchor1 x=\"0\" y=\"0\"/>"
                "<anchor2 x=\"0\" y=\"0\"/></joint>"
                "</jointslist></level>\n");
  sequence->prepareLevel(5, 0, 0);
  EXPECT_EQ(sequence->getActors().size(), 1u);
  // The reader leaves the unknown model out of the description and keeps
  // the joints on the entities they named.
  EXPECT_EQ(sequence->getJoints().size(), 2u);
  for (int i = 0; i < 30; ++i) sequence->update(33);
  EXPECT_EQ(sequence->getState(), InGameSequence::kPlay);
  EXPECT_EQ(host.music.back(), 39u) << "scenery 0 plays the first piece";
}

TEST_F(InGameTest, ATouchSkipsTheCelebration) {
  sequence->prepareLevel(1, 1, 0);
  for (int i = 0; i < 3; ++i) sequence->update(33);
  tap(240, 280);
  ASSERT_TRUE(runUntil(InGameSequence::kGoalReached));
  sequence->touchBegan(10, 300);
  EXPECT_EQ(sequence->getState(), InGameSequence::kWon);
}

TEST_F(InGameTest, AFailedWolfStaysFailedOnceItLeavesTheGoal) {
  sequence->prepareLevel(3, 1, 0);
  ASSERT_TRUE(runUntil(InGameSequence::kFailing));
  QMRSheep* wolf = sequence->getActors().front();
  // Knocked out of the zone after it had settled there.
  wolf->setInGoalZone(false);
  EXPECT_FALSE(wolf->isObjectiveFailed());
  ASSERT_TRUE(runUntil(InGameSequence::kLost));
  EXPECT_EQ(host.banners.back().textId, 0x20004);
}

TEST_F(InGameTest, EveryInfiltratedWolfIsPosedInTheSameFrame) {
  tmp.write("data/levels/6.ynm", levelFile(entity("Ground", 24, 31, 1) + entity("GoalZone", 17, 29.5f, 2) +
                                           entity("GoalZone", 31, 29.5f, 3) + entity("Wolf", 17, 27.6f, 4) +
                                           entity("Wolf", 31, 27.6f, 5)));
  sequence->prepareLevel(6, 1, 0);
  ASSERT_EQ(sequence->getActors().size(), 2u);
  ASSERT_TRUE(runUntil(InGameSequence::kFailing));
  for (QMRSheep* wolf : sequence->getActors()) EXPECT_EQ(wolf->getState(), 4);
}

TEST_F(InGameTest, AnAnimalLostOffScreenGivesASecondBeforeTheBanner) {
  // 8: the sheep falls beside the left edge, out of sight; 9: in the middle,
  // where the bottom of the screen still counts as seen.
  tmp.write("data/levels/8.ynm", levelFile(entity("Sheep", -3, 30, 1)));
  tmp.write("data/levels/9.ynm", levelFile(entity("Sheep", 24, 30, 1)));
  const auto framesFailing = [&](int level) {
    sequence->prepareLevel(level, 1, 0);
    if (!runUntil(InGameSequence::kFailing)) return -1;
    int frames = 0;
    while (sequence->getState() == InGameSequence::kFailing && frames < 200) {
      sequence->update(33);
      ++frames;
    }
    return sequence->getState() == InGameSequence::kLost ? frames : -1;
  };
  EXPECT_EQ(framesFailing(8), 31) << "the first frame past 1000 ms";
  EXPECT_EQ(host.music.back(), 42u);
  EXPECT_EQ(framesFailing(9), 1);
}

namespace {

struct StubScreen : QMRGameSequenceInterface {
  bool load() override { return true; }
  void unload() override {}
  void update(int) override {}
  void draw() override {}
  void enter() override {}
  void leave() override {}
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override {}
};

// The game's application object around a level screen it hosts, not started.
class HostGame : public QMRGame {
 public:
  HostGame() { EXPECT_TRUE(installInstance(this)); }
  using GameLoop::addSequence;
};

}  // namespace

TEST_F(InGameTest, TheLastLevelWonPlaysTheOutroThroughTheGameThenTheMenu) {
  sequence.reset();
  std::filesystem::copy_file(tmp.path() / "data/levels/1.ynm", tmp.path() / "data/levels/200.ynm");
  {
    HostGame game;
    game.addSequence(new StubScreen);
    game.addSequence(new StubScreen);
    auto* play = new InGameSequence();
    game.addSequence(play);
    ASSERT_TRUE(play->load());
    play->prepareLevel(200, 1, 0);
    game.setCurrentSequence(QMRGame::kInGame);
    for (int i = 0; i < 4; ++i) game.update(33);
    TouchPoint points[kMaxTouches] = {{240, 280}};
    game.touchesBegan(1, points, false);
    game.touchesEnded(1, points, false);
    for (int i = 0; i < 600 && play->getState() != InGameSequence::kWon; ++i) game.update(33);
    ASSERT_EQ(play->getState(), InGameSequence::kWon);
    // The banner's next, as the banner hands it on.
    game.forwardButton(InGameSequence::kButtonNext);
    EXPECT_TRUE(play->isOutroPlaying());
    EXPECT_NE(game.getVideo(), nullptr);
    // No such movie here: it is over at once, and the game goes to the menu.
    game.update(33);
    EXPECT_FALSE(play->isOutroPlaying());
    EXPECT_EQ(game.getVideo(), nullptr);
    EXPECT_EQ(game.getCurrentIndex(), QMRGame::kMainMenu);
    for (std::size_t i = 0; i <= QMRTextBanner::kMaxQueued && QMRTextBanner::instance()->showNextQueued(); ++i) {
    }
  }
  sequence.emplace();
  sequence->load();
}

TEST_F(InGameTest, AComplexEntityAndStrangeTypesCountNothing) {
  sequence.reset();
  std::ifstream in(tmp.path() / "data/physicmodels/collisiontypes.ynm");
  std::string table((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  table.replace(table.find("</collisiontypes>"), 17,
                "<type name=\"far\" value=\"40\"/><type name=\"below\" value=\"-3\"/></collisiontypes>");
  tmp.write("data/physicmodels/collisiontypes.ynm", table);
  for (const char* kind : {"far", "below"}) {
    tmp.write(std::string("data/physicmodels/entities/Odd-") + kind + ".ynm",
              std::string("<?xml version=\"1.0\" ?><physicsentities><physicsentity name=\"Odd-") + kind +
                  "\" static=\"true\"><visualrepresentation><Texture id=\"-1\"/></visualrepresentation><shapelist>"
                  "<shape model=\"circle\" radius=\"1\" elasticity=\"0\" friction=\"1\"><pointlist><point x=\"0\" "
                  "y=\"0\"/></pointlist></shape></shapelist><collisioninfos collisionType=\"" +
                  kind + "\" layersbitset=\"all\"/></physicsentity></physicsentities>");
  }
  tmp.write("data/levels/5.ynm", levelFile(entity("Ground", 24, 31, 1) + entity("Seesaw", 24, 27, 2) +
                                           entity("Odd-far", 5, 5, 3) + entity("Odd-below", 8, 5, 4) +
                                           entity("Sheep", 10, 29, 5)));
  sequence.emplace();
  sequence->load();
  sequence->prepareLevel(5, 1, 0);
  EXPECT_EQ(sequence->getActors().size(), 1u) << "the seesaw is no animal";
  int total = 0;
  for (int n : InGameSequence::typeCounters()) total += n;
  // The ground, the sheep, and the type below 0 that the physics took as 0;
  // neither the seesaw nor type 40 counts.
  EXPECT_EQ(total, 3);
  EXPECT_EQ(InGameSequence::typeCounters()[0], 1);
  EXPECT_EQ(InGameSequence::typeCounters()[1], 1);
  EXPECT_EQ(InGameSequence::typeCounters()[3], 1);
  for (int i = 0; i < 60; ++i) sequence->update(33);
}
