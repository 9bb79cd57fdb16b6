// The game's application object and its screens, headless: touch routing
// around the movie and the banner, movies stopped by a key, start-up with no
// data or a damaged options file, the logo's timeline and the honour board's
// figures and medals.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Options.h"
#include "app/WindowGlue.h"
#include "game/app/QMRGame.h"
#include "game/menus/MainMenuSequence.h"
#include "game/menus/QMRHonorSequence.h"
#include "game/menus/QMRLogoSequence.h"
#include "game/overlays/MouseCursor.h"
#include "game/overlays/QMRAchievementPopup.h"
#include "game/overlays/QMRMapHud.h"
#include "game/overlays/QMRTextBanner.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "render_engine/CButton.h"
#include "render_engine/COptionalNodeList.h"
#include "render_engine/CSpriteVideo.h"
#include "support/BoxNode.h"
#include "support/TempDir.h"

namespace {

using Log = std::vector<std::string>;
using RenderEngine::CNode;

class RecordingScreen : public QMRGameSequenceInterface {
 public:
  RecordingScreen(const std::string& name, Log& log) : name_(name), log_(log) {}
  bool load() override { return true; }
  void unload() override {}
  void update(int ms) override { add("update " + std::to_string(ms)); }
  void draw() override { add("draw"); }
  void enter() override { add("enter"); }
  void leave() override { add("leave"); }
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override {}
  void touchBegan(int x, int y) override { add("began " + std::to_string(x) + "," + std::to_string(y)); }
  void touchMoved(int x, int y) override { add("moved " + std::to_string(x) + "," + std::to_string(y)); }
  void touchEnded(int x, int y) override { add("ended " + std::to_string(x) + "," + std::to_string(y)); }
  void touchHover(int x, int y) override { add("hover " + std::to_string(x) + "," + std::to_string(y)); }
  void keyPressed(char key, int, int) override { add(std::string("key ") + key); }
  void buttonPressed(int id) override { add("button " + std::to_string(id)); }
  void bannerShown() override { add("bannerShown"); }
  void bannerHidden() override { add("bannerHidden"); }

 private:
  void add(const std::string& s) { log_.push_back(name_ + "." + s); }
  std::string name_;
  Log& log_;
};

// The game object of one test, installed as the process's one instance (and
// so the game's host).
class TestGame : public QMRGame {
 public:
  TestGame() { EXPECT_TRUE(installInstance(this)); }
  using GameLoop::addSequence;
  using QMRGame::prepareOverlays;
  using QMRGame::loadOverlayScenes;
};

// What reaches the overlays and the host, recorded; the banner is shown when
// the test says so, and the map HUD's back button is the bottom left corner.
class RecordingGame : public TestGame {
 public:
  explicit RecordingGame(Log& log) : log_(log) {}
  void setCursorMode(int m) override { add("cursor.mode " + std::to_string(m)); }
  void pressCursor(int s) override { add("cursor.press " + std::to_string(s)); }
  void moveCursor(int x, int y) override { add("cursor.move " + xy(x, y)); }
  bool isBannerShown() override { return bannerShown; }
  void bannerTouchBegan(int x, int y) override { add("banner.began " + xy(x, y)); }
  void bannerTouchMoved(int x, int y) override { add("banner.moved " + xy(x, y)); }
  void bannerTouchEnded(int x, int y) override { add("banner.ended " + xy(x, y)); }
  bool mapHudPress(int x, int y) override { return x < 50 && y > 270; }
  int mapHudButtonAt(int x, int y) override { return (x < 50 && y > 270) ? 209 : -1; }
  void mapHudShowHint(bool v) override { add(std::string("hud.hint ") + (v ? "1" : "0")); }
  void playSound(int id) override { add("sound " + std::to_string(id)); }
  void updateOverlays(int ms) override { add("overlays.update " + std::to_string(ms)); }
  void updateCursor(int ms) override { add("cursor.update " + std::to_string(ms)); }
  void drawOverlays() override { add("overlays.draw"); }
  void drawCursor() override { add("cursor.draw"); }

  bool bannerShown = false;

 private:
  static std::string xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  void add(const std::string& s) { log_.push_back(s); }
  Log& log_;
};

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override { game = std::make_unique<RecordingGame>(log); }
  void TearDown() override { game.reset(); }
  bool logged(const std::string& entry) const {
    for (const std::string& e : log)
      if (e == entry) return true;
    return false;
  }
  // Registers n recording screens and shows the first.
  void screens(int n) {
    for (int i = 0; i < n; ++i) game->addSequence(new RecordingScreen("s" + std::to_string(i), log));
    game->setCurrentSequence(0);
    log.clear();
  }

  Log log;
  std::unique_ptr<RecordingGame> game;
  TouchPoint pts[kMaxTouches] = {{10, 20}, {30, 40}, {0, 0}, {0, 0}, {0, 0}};
};

// Unloading the map HUD's textures does not make the HUD.
TEST(GameMapHud, TexturesAreLeftAloneUntilTheHudIsMade) {
  if (QMRMapHud::exists()) GTEST_SKIP() << "made by an earlier test of this process";
  TestGame game;
  game.mapHudUnloadTextures();
  EXPECT_FALSE(QMRMapHud::exists());
}

TEST_F(GameTest, OneObjectForBothGetters) {
  EXPECT_EQ(QMRGame::getInstance(), game.get());
  EXPECT_EQ(GameLoop::getInstance(), game.get());
}

// began, moved, ended and hover in each of the three states: where the touch
// goes and what the cursor hears first.
TEST_F(GameTest, TouchRoutingMatrix) {
  screens(1);
  struct Case {
    const char* state;
    Log expected;
  };
  const std::vector<Case> cases = {
      {"none",
       {"cursor.press 1", "s0.began 10,20", "s0.began 30,40", "cursor.press 2", "cursor.move 10,20", "s0.moved 10,20",
        "s0.moved 30,40", "cursor.press 3", "s0.ended 10,20", "s0.ended 30,40", "cursor.move 10,20",
        "s0.hover 10,20", "s0.hover 30,40"}},
      {"movie",
       {"cursor.press 1", "cursor.press 2", "cursor.move 10,20", "cursor.press 3", "cursor.move 10,20",
        "s0.hover 10,20", "s0.hover 30,40"}},
      {"banner",
       {"cursor.press 1", "banner.began 10,20", "banner.began 30,40", "cursor.press 2", "cursor.move 10,20",
        "banner.moved 10,20", "banner.moved 30,40", "cursor.press 3", "banner.ended 10,20", "banner.ended 30,40",
        "cursor.move 10,20", "s0.hover 10,20", "s0.hover 30,40"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    game->bannerShown = std::string(c.state) == "banner";
    if (std::string(c.state) == "movie") game->playVideo("no-such-movie.m4v", "none");
    log.clear();
    game->touchesBegan(2, pts, false);
    game->touchesMoved(2, pts, false);
    game->touchesEnded(2, pts, false);
    game->touchesHovered(2, pts, false);
    EXPECT_EQ(log, c.expected);
    game->stopVideo();
  }
}

TEST_F(GameTest, KeyStopsMovieAndLaterStopIsHarmless) {
  screens(1);
  game->playVideo("no-such-movie.m4v", "none");
  ASSERT_NE(game->getVideo(), nullptr);
  EXPECT_TRUE(logged("cursor.mode 3"));
  EXPECT_FALSE(game->isVideoPlaying());  // nothing to play: finished at once
  game->keyPressed('x', 0, 0);
  EXPECT_EQ(game->getVideo(), nullptr);
  EXPECT_FALSE(logged("s0.key x"));
  // The screen that polls for the end stops it again.
  game->stopVideo();
  game->stopVideo();
  EXPECT_EQ(game->getVideo(), nullptr);
  game->keyPressed('y', 0, 0);
  EXPECT_TRUE(logged("s0.key y"));
  // A second movie replaces the first (the first is freed, as the leak check sees).
  game->playVideo("a.m4v", "none");
  game->playVideo("b.m4v", "none");
  game->update(33);
  game->stopVideo();
}

// The screen updates behind a movie but is not drawn; the overlays and the
// cursor come after it, the cursor last.
TEST_F(GameTest, UpdateAndDrawOrderWithAndWithoutMovie) {
  screens(1);
  game->updateCurrentSequence(33);
  game->drawCurrentSequence();
  game->drawOverlay();
  EXPECT_EQ(log, (Log{"s0.update 33", "overlays.update 33", "cursor.update 33", "s0.draw", "overlays.draw",
                      "cursor.draw"}));
  game->playVideo("no-such-movie.m4v", "none");
  log.clear();
  game->updateCurrentSequence(33);
  game->drawCurrentSequence();
  game->drawOverlay();
  EXPECT_EQ(log, (Log{"s0.update 33", "overlays.update 33", "cursor.update 33", "overlays.draw", "cursor.draw"}));
  game->stopVideo();
}

TEST_F(GameTest, BannerNotificationsReachTheCurrentScreen) {
  screens(2);
  game->forwardButton(32);
  game->notifyBannerShown();
  game->notifyBannerHidden();
  EXPECT_EQ(log, (Log{"s0.button 32", "s0.bannerShown", "s0.bannerHidden"}));
}

// The window glue's full-screen switch hides the system pointer on the way:
// the game, with its real overlays, has the cursor show its choice again.
TEST(GameCursor, FullScreenSwitchAppliesTheCursorModeAgain) {
  // The game with its real overlays, the window's pointer recorded.
  struct CursorGame : TestGame {
    void setSystemCursorVisible(bool v) override { calls.push_back(v); }
    std::vector<bool> calls;
  };
  window::GlutCalls glut{};
  glut.gameModeString = [](const char*) {};
  glut.fullScreen = [] {};
  glut.reshapeWindow = [](int, int) {};
  glut.positionWindow = [](int, int) {};
  glut.setCursor = [](int) {};
  glut.viewport = [](int, int, int, int) {};
  const window::GlutCalls old = window::setGlutCalls(glut);
  {
    auto game = std::make_unique<CursorGame>();
    std::vector<bool>& calls = game->calls;
    window::attachApplication(game.get());
    MouseCursor* cursor = MouseCursor::getInstance();
    cursor->setMode(MouseCursor::kHand);
    cursor->update(33);
    cursor->setMode(MouseCursor::kSystemPointer);
    cursor->update(33);
    EXPECT_EQ(calls, (std::vector<bool>{false, true}));
    for (bool on : {true, false}) {
      game->requestFullscreen(on);
      window::onIdle();
      EXPECT_EQ(window::isFullscreen(), on);
      EXPECT_TRUE(cursor->isModePending());
      cursor->update(33);
      EXPECT_FALSE(cursor->isModePending());
    }
    EXPECT_EQ(calls, (std::vector<bool>{false, true, true, true}));
    window::attachApplication(nullptr);
  }
  window::setGlutCalls(old);
}

// Start-up reads the overlay scenes on a frame with time to spare (the
// game's warm-up asks for them), not before the first frame; a message or a
// pop-up that comes first reads them too, while frames that only update and
// draw the overlays (nothing of them shown yet) do not. Each case in a
// process of its own: the overlays are the process's one banner and pop-up.
TEST(GameOverlayStart, ScenesAreReadWithTheFirstOverlayUse) {
  qmtest::TempDir dir;
  for (int use = 0; use < 4; ++use) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(dir.str().c_str()) != 0) _exit(4);
      TestGame game;
      QMRAchievementPopup* popup = QMRAchievementPopup::instance();
      QMRTextBanner* banner = QMRTextBanner::instance();
      game.prepareOverlays();
      int status = popup->getScene() == nullptr && banner->getResultScreen() == nullptr ? 0 : 1;
      if (use == 0) {
        game.drawOverlay();
        game.updateCurrentSequence(33);
        if (popup->getScene() != nullptr || banner->getResultScreen() != nullptr) status |= 1;
        game.loadOverlayScenes();
      }
      if (use == 1) gameHost().showBannerMessage(BannerMessage{0x20000 + 14, 0, 2, 0});
      if (use == 2) gameHost().showAchievementPopup(0x50000 + 204);
      if (use == 3) game.loadOverlayScenes();
      if (popup->getScene() == nullptr || banner->getResultScreen() == nullptr) status |= 2;
      std::fflush(stdout);
      _exit(status);
    }
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "use " << use << " (1: read before the first use, 2: not read by it)";
  }
}

TEST(GameVolumes, OptionPairsStayWithinRange) {
  EXPECT_FLOAT_EQ(MainMenuSequence::volumeFromOption(5, 10), 0.5f);
  EXPECT_FLOAT_EQ(MainMenuSequence::volumeFromOption(10, 10), 1.0f);
  EXPECT_FLOAT_EQ(MainMenuSequence::volumeFromOption(0, 10), 0.0f);
  EXPECT_FLOAT_EQ(MainMenuSequence::volumeFromOption(3, 0), 0.5f);    // max 0
  EXPECT_FLOAT_EQ(MainMenuSequence::volumeFromOption(-1, -1), 0.5f);  // would be 1
  EXPECT_FLOAT_EQ(MainMenuSequence::volumeFromOption(-1, 10), 0.5f);
  EXPECT_FLOAT_EQ(MainMenuSequence::volumeFromOption(20, 10), 1.0f);
}

// A start in an empty folder (no data, no save folder) and with hostile
// options files: the four screens stand, the options apply, and the logo
// leads to the menu.
class GameStartTest : public GameTest {
 protected:
  void SetUp() override {
    clearOptions();
    GameTest::SetUp();
  }
  void TearDown() override {
    GameTest::TearDown();
    clearOptions();
  }
  void runStart() {
    game->start();
    for (int i = 0; i < 10 && game->isLoading(); ++i) game->update(33);
    ASSERT_FALSE(game->isLoading());
  }
  qmtest::TempDir tmp;
  qmtest::ScopedEnv home{"XDG_DATA_HOME", tmp.str() + "/home"};
  qmtest::ScopedCwd cwd{tmp.path()};
};

TEST_F(GameStartTest, NoDataAtAllReachesLogoThenMenu) {
  runStart();
  ASSERT_EQ(game->getSequenceCount(), 4);
  EXPECT_NE(dynamic_cast<QMRLogoSequence*>(game->getSequence(0)), nullptr);
  EXPECT_NE(dynamic_cast<MainMenuSequence*>(game->getSequence(1)), nullptr);
  EXPECT_NE(dynamic_cast<InGameSequence*>(game->getSequence(2)), nullptr);
  EXPECT_NE(dynamic_cast<QMRHonorSequence*>(game->getSequence(3)), nullptr);
  EXPECT_TRUE(game->isFullscreenChangeRequested());
  EXPECT_TRUE(game->takeFullscreenRequest());  // the default: full screen
  EXPECT_EQ(game->getCurrentIndex(), 0);
  for (int i = 0; i < 120 && game->getCurrentIndex() == 0; ++i) game->update(33);
  EXPECT_EQ(game->getCurrentIndex(), 1);
  // The menu's way to the honour board and back.
  game->setCurrentSequence(3);
  game->setCurrentSequence(1);
  EXPECT_EQ(game->getCurrentIndex(), 1);
}

TEST_F(GameStartTest, DamagedDesignFilesStillReachTheMenuAndBoard) {
  for (const char* f : {"gamedesign/settings.ynm", "gamedesign/levels.ynm", "gamedesign/achievementList.ynm",
                        "text/I", "text/0"}) {
    tmp.write(f, "<levels><map id=\"-3\"><level id=\"x\"");
  }
  tmp.write("models/tableau.bin", "BRUT\x9a\x99\xd9?\xff\xff\xff\x7f");
  tmp.write("models/main-menu.bin", std::string("BRUT", 4) + std::string(40, '\xff'));
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
  runStart();
  for (int i = 0; i < 120 && game->getCurrentIndex() == 0; ++i) game->update(33);
  EXPECT_EQ(game->getCurrentIndex(), 1);
  game->setCurrentSequence(3);
  TouchPoint p[kMaxTouches] = {{100, 100}};
  game->touchesHovered(1, p, false);
  game->update(33);
  EXPECT_STREQ(dynamic_cast<QMRHonorSequence*>(game->getSequence(3))->getPercentText(), "0%");
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
}

TEST_F(GameStartTest, HostileOptionsFileStillStarts) {
  tmp.write("home/TARNWELL/Quillmoor/options.dat",
            "MUSIC_VOLUME\ndefault=5\nmin=0\nmax=0\ncurrent=-7\ndisabled=0\n"
            "SOUND_VOLUME\ndefault=-1\nmin=-1\nmax=-1\ncurrent=-1\n"
            "LANGUAGE\ncurrent=99999999999\nFULLSCREEN\ncurrent=0\n\x01\x02garbage");
  runStart();
  EXPECT_EQ(game->getSequenceCount(), 4);
  EXPECT_EQ(game->getCurrentIndex(), 0);
  const int music = getOptionValue(OPTION_MUSIC_VOLUME);
  const float v = MainMenuSequence::volumeFromOption(music, getOptionMax(OPTION_MUSIC_VOLUME));
  EXPECT_GE(v, 0.0f);
  EXPECT_LE(v, 1.0f);
}

TEST_F(GameStartTest, StartLevelRecordsAndPreparesOrGoesBackToTheMap) {
  tmp.write("gamedesign/levels.ynm",
            "<levels><map id=\"1\" name=\"458752\" pack=\"0\"><level id=\"1\" posX=\"1\" posY=\"1\" difficulty=\"1\" "
            "scoreBronze=\"1\" scoreSilver=\"2\" scoreGold=\"3\" scenery=\"2\" tutoId=\"7\"/></map></levels>");
  LevelsManager::resetInstance();
  runStart();
  game->setCurrentSequence(1);
  game->startLevel(1);
  EXPECT_EQ(game->getCurrentIndex(), 2);
  auto* play = dynamic_cast<InGameSequence*>(game->getSequence(2));
  ASSERT_NE(play, nullptr);
  EXPECT_EQ(play->getLevelId(), 1);
  EXPECT_EQ(play->getScenery(), 2);
  EXPECT_EQ(play->getTutorialId(), 7);
  EXPECT_EQ(LevelsManager::getInstance().lastPlayedLevel(), 1);
  // Again from play itself: stays on id 2.
  game->startLevel(1);
  EXPECT_EQ(game->getCurrentIndex(), 2);
  // A level the map does not have: back to the map page.
  game->startLevel(999);
  EXPECT_EQ(game->getCurrentIndex(), 1);
  EXPECT_EQ(dynamic_cast<MainMenuSequence*>(game->getSequence(1))->getScreen(), 5);
  // No map chosen yet: the level page gives way to the map choice.
  game->returnToMenu();
  EXPECT_EQ(dynamic_cast<MainMenuSequence*>(game->getSequence(1))->getScreen(), 5);
  LevelsManager::resetInstance();
}

// --- the logo -------------------------------------------------------------

class LogoTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    logo = new QMRLogoSequence();
    game->addSequence(logo);
    game->addSequence(new RecordingScreen("menu", log));
    logo->load();
    game->setCurrentSequence(0);
  }
  float alpha() const { return logo->getSprite()->getColor().a; }
  QMRLogoSequence* logo = nullptr;
};

TEST_F(LogoTest, TimelineWith33msFrames) {
  logo->update(33);  // makes the sprite
  ASSERT_NE(logo->getSprite(), nullptr);
  EXPECT_EQ(logo->getPhase(), 1);
  EXPECT_FLOAT_EQ(alpha(), 0.0f);
  EXPECT_TRUE(logo->getLogoNames().empty());
  // A missing picture: no size, so no scale.
  EXPECT_FLOAT_EQ(logo->getSprite()->getScale().x, 1.0f);
  int t = 0;
  float last = 0;
  while (logo->getPhase() == 1) {
    logo->update(33);
    t += 33;
    EXPECT_GE(alpha(), last);
    last = alpha();
  }
  EXPECT_EQ(t, 528);  // the first frame at or past 500 ms
  EXPECT_FLOAT_EQ(alpha(), 1.0f);
  EXPECT_EQ(logo->getTimer(), 2000);
  while (logo->getPhase() == 2) {
    logo->update(33);
    t += 33;
  }
  EXPECT_EQ(t, 528 + 2013);
  last = 1.0f;
  while (logo->getPhase() == 3) {
    logo->update(33);
    t += 33;
    EXPECT_LE(alpha(), last);
    EXPECT_GE(logo->getTimer(), 0);
    last = alpha();
  }
  EXPECT_FLOAT_EQ(alpha(), 0.0f);
  EXPECT_EQ(logo->getPhase(), 4);
  EXPECT_EQ(game->getCurrentIndex(), 0);
  logo->update(33);
  EXPECT_EQ(game->getCurrentIndex(), 1);
  EXPECT_EQ(logo->getSprite(), nullptr);  // left: freed
}

TEST_F(LogoTest, LongFrameEndsEachPhaseExactly) {
  logo->update(33);
  logo->update(700);
  EXPECT_EQ(logo->getPhase(), 2);
  EXPECT_EQ(logo->getTimer(), 2000);
  EXPECT_FLOAT_EQ(alpha(), 1.0f);
  for (int i = 0; i < 3; ++i) logo->update(700);
  EXPECT_EQ(logo->getPhase(), 3);
  EXPECT_EQ(logo->getTimer(), 500);
  logo->update(700);
  EXPECT_EQ(logo->getPhase(), 4);
  EXPECT_EQ(logo->getTimer(), 0);
  logo->update(700);
  EXPECT_EQ(game->getCurrentIndex(), 1);
}

TEST_F(LogoTest, EmptyListGoesStraightOnAndSecondLogoFollows) {
  logo->setLogoNames({});
  logo->update(33);
  EXPECT_EQ(game->getCurrentIndex(), 1);
  EXPECT_EQ(logo->getSprite(), nullptr);
  // Entered again (the list is spent): straight on once more, no crash.
  game->setCurrentSequence(0);
  logo->update(33);
  EXPECT_EQ(game->getCurrentIndex(), 1);

  game->setCurrentSequence(0);
  logo->setLogoNames({"first", "second"});
  logo->update(33);
  for (int i = 0; i < 4; ++i) logo->update(1000);
  EXPECT_EQ(logo->getPhase(), 4);
  logo->update(33);
  EXPECT_EQ(logo->getPhase(), 0);  // the next logo
  EXPECT_EQ(game->getCurrentIndex(), 0);
  logo->update(33);
  EXPECT_EQ(logo->getPhase(), 1);
  EXPECT_EQ(logo->getSprite()->getTextureName(), "second");
}

// --- the honour board ----------------------------------------------------

TEST(HonorFigures, CompletionPercent) {
  EXPECT_EQ(QMRHonorSequence::completionPercent(0, 5, 10, 0), 50);
  EXPECT_EQ(QMRHonorSequence::completionPercent(20, 10, 200, 3), 7);
  EXPECT_EQ(QMRHonorSequence::completionPercent(0, 1, 3, 0), 33);  // truncated
  EXPECT_EQ(QMRHonorSequence::completionPercent(20, 200, 200, 20), 100);
  EXPECT_EQ(QMRHonorSequence::completionPercent(20, 0, 0, 4), 0);  // no levels
  EXPECT_EQ(QMRHonorSequence::completionPercent(0, 3, -1, 0), 0);
}

TEST(HonorFigures, RowTags) {
  EXPECT_EQ(QMRHonorSequence::rowTag(1), 545);
  EXPECT_EQ(QMRHonorSequence::rowTag(2), 543);
  EXPECT_EQ(QMRHonorSequence::rowTag(3), 544);
  EXPECT_EQ(QMRHonorSequence::rowTag(4), 546);
  EXPECT_EQ(QMRHonorSequence::rowTag(20), 562);
}

// A row as the board's scene holds it: an option list of a locked and an
// earned medal button, 40 points wide, at (x, 100).
CNode* makeRow(int tag, float x, int medals = 2) {
  auto* row = new CNode();
  row->setTag(tag);
  row->setPosition(x, 100, 0);
  auto* list = new RenderEngine::COptionalNodeList();
  for (int i = 0; i < medals; ++i) {
    auto* button = new RenderEngine::CButton();
    button->addChild(new qmtest::BoxNode(40, 40));
    list->addChild(button);
  }
  if (medals == 2) {
    const std::uint16_t words[] = {1, 0, 1, 1};
    list->setupOptions(2, 4, words);
  } else {
    const std::uint16_t words[] = {1, 0};
    list->setupOptions(1, 2, words);
  }
  row->addChild(list);
  return row;
}

class HonorTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    auto* scene = new CNode();
    scene->addChild(makeRow(545, 100));       // row 1
    scene->addChild(makeRow(543, 200));       // row 2
    scene->addChild(makeRow(544, 300, 1));    // row 3: a damaged row
    board = new QMRHonorSequence();
    game->addSequence(new RecordingScreen("s0", log));
    game->addSequence(new RecordingScreen("menu", log));
    game->addSequence(new RecordingScreen("s2", log));
    game->addSequence(board);
    board->loadFrom(scene);
    game->setCurrentSequence(3);
  }
  int buttonState(int row, int index) {
    auto* b = dynamic_cast<RenderEngine::CButton*>(board->getRows()[row].node->getChild(0)->getChild(index));
    return b != nullptr ? b->getState() : -1;
  }
  QMRHonorSequence* board = nullptr;
  qmtest::TempDir tmp;
  qmtest::ScopedEnv home{"XDG_DATA_HOME", tmp.str() + "/home"};
};

TEST_F(HonorTest, RowsWithoutNodesAreSkippedAndHoverOpensOneAtATime) {
  ASSERT_EQ(board->getRows().size(), 20u);
  EXPECT_NE(board->getRows()[0].node, nullptr);
  EXPECT_EQ(board->getRows()[3].node, nullptr);
  EXPECT_EQ(board->getRows()[0].titleTextId, 21);
  EXPECT_EQ(board->getRows()[19].descriptionTextId, 20);
  EXPECT_TRUE(board->isShown());
  EXPECT_TRUE(logged("cursor.mode 1"));
  EXPECT_TRUE(logged("hud.hint 0"));

  board->touchHover(10, 10);  // over nothing
  EXPECT_TRUE(board->isNoRowOpen());
  board->touchHover(100, 100);  // row 1
  EXPECT_TRUE(board->getRows()[0].open);
  EXPECT_EQ(buttonState(0, 0), 1);  // not earned: the locked medal
  EXPECT_FALSE(board->isNoRowOpen());
  board->touchHover(105, 95);  // still on it: nothing changes
  EXPECT_TRUE(board->getRows()[0].open);
  board->touchHover(200, 100);  // onto row 2: row 1 closes first
  EXPECT_FALSE(board->getRows()[0].open);
  EXPECT_EQ(buttonState(0, 0), 0);
  EXPECT_FALSE(board->getRows()[1].open);
  EXPECT_TRUE(board->isNoRowOpen());
  board->touchHover(200, 100);  // then row 2 opens
  EXPECT_TRUE(board->getRows()[1].open);
  board->touchHover(10, 10);
  EXPECT_FALSE(board->getRows()[1].open);
  EXPECT_TRUE(board->isNoRowOpen());
}

TEST_F(HonorTest, DamagedRowCannotLockTheBoard) {
  board->touchHover(300, 100);  // row 3 has one medal only
  EXPECT_TRUE(board->getRows()[2].open);
  board->touchHover(10, 10);
  EXPECT_FALSE(board->getRows()[2].open);
  EXPECT_TRUE(board->isNoRowOpen());
  board->touchHover(100, 100);
  EXPECT_TRUE(board->getRows()[0].open);
}

TEST_F(HonorTest, BackButtonSoundAndReturn) {
  log.clear();
  board->touchBegan(200, 100);  // not on a button: no sound
  EXPECT_FALSE(logged("sound 5"));
  board->touchBegan(20, 300);
  EXPECT_TRUE(logged("sound 5"));
  board->touchEnded(200, 100);
  EXPECT_EQ(game->getCurrentIndex(), 3);
  board->touchEnded(20, 300);
  EXPECT_EQ(game->getCurrentIndex(), 1);
}

TEST_F(HonorTest, FiguresRefreshedOnEveryEnterWithNoLevels) {
  EXPECT_STREQ(board->getPercentText(), "0%");  // no levels design: 0, not a crash
  EXPECT_STREQ(board->getTotalText(0), "0");
}

}  // namespace
