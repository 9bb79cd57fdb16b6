// The main menu headless: its splash over a compiled scene file, then every
// screen on a menu tree built in code (sized boxes for buttons, text nodes
// without a font): the main screen, help, the options page, the totals, the
// map choice with its unlocks and the level page with its medals, and the
// ways into play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/Random.h"
#include "app/ResourcePaths.h"
#include "game/menus/MainMenuSequence.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeText.h"
#include "render_engine/COptionalNodeList.h"
#include "render_engine/Font.h"
#include "sound/AudioEngine.h"
#include "support/AnimatedNode.h"
#include "support/BoxNode.h"
#include "tests/game/ProgressFixture.h"
#include "tools/scene_source.h"
#include "tools/textbank_writer.h"

using RenderEngine::CButton;
using RenderEngine::CNode;
using RenderEngine::CNodeText;
using RenderEngine::COptionalNodeList;
using RenderEngine::CPath;
using RenderEngine::KeyframeTransform;

namespace {

// --- a menu tree built in code ----------------------------------------------

using qmtest::animated;

template <typename T>
T* at(T* node, int tag, float x, float y) {
  node->setTag(tag);
  node->setPosition(x, y, 0);
  return node;
}

// A button whose state shows as the frame of its face.
CButton* button(int tag, float x, float y, float w = 30, float h = 30) {
  auto* b = at(new CButton(), tag, x, y);
  b->addChild(animated({1, 1}, new qmtest::BoxNode(w, h)));
  return b;
}

CNodeText* text(int tag, std::uint32_t textId = CNodeText::kNoText) {
  auto* t = new CNodeText("no-such-font.ttf", 12, textId);
  t->setTag(tag);
  return t;
}

COptionalNodeList* optionsOf(int count, int perOption) {
  auto* list = new COptionalNodeList();
  std::vector<std::uint16_t> words;
  for (int i = 0; i < count; ++i) {
    words.push_back(static_cast<std::uint16_t>(perOption));
    for (int k = 0; k < perOption; ++k) words.push_back(static_cast<std::uint16_t>(i * perOption + k));
  }
  for (int i = 0; i < count * perOption; ++i) list->addChild(new CNode());
  list->setupOptions(count, static_cast<std::uint32_t>(words.size()), words.data());
  return list;
}

// Map buttons: a plain node over the unlock animation (10 frames) over the box.
CButton* mapButton(int tag, float x, float y) {
  auto* b = at(new CButton(), tag, x, y);
  auto* holder = new CNode();
  holder->addChild(animated({10}, new qmtest::BoxNode(40, 40)));
  b->addChild(holder);
  return b;
}

// A node keyed hidden in frame 0 and shown in frame 1, over one child.
CNode* shownWhenOpen(CNode* child) {
  auto* node = new CNode();
  for (float alphaOffset : {-255.0f, 0.0f}) {
    CPath path(1);
    KeyframeTransform pose;
    pose.scale = RenderEngine::Vector3{1, 1, 1};
    pose.alphaOffset = alphaOffset;
    path.addPoint(pose);
    path.addPoint(pose);
    node->addAnimationSegment(path);
  }
  node->addChild(child);
  return node;
}

// Level buttons: the face, and under a holder shown only while open, the
// completion list (not done / done) whose second option holds the medal list
// (bronze, silver, gold; three nodes each).
CButton* levelButton(int tag, float x, float y) {
  auto* b = at(new CButton(), tag, x, y);
  b->addChild(animated({1, 1}, new qmtest::BoxNode(40, 40)));
  auto* done = new COptionalNodeList();
  done->setTag(374);
  done->addChild(new CNode());
  auto* doneLook = new CNode();
  auto* medal = optionsOf(3, 3);
  medal->setTag(424);
  doneLook->addChild(medal);
  done->addChild(doneLook);
  const std::uint16_t words[] = {1, 0, 1, 1};
  done->setupOptions(2, 4, words);
  b->addChild(shownWhenOpen(done));
  return b;
}

struct MenuTree {
  CNode* root = nullptr;
  CNode* help = nullptr;
};

constexpr float kMainY = 200;
// The main page sits 100 points right of the list.
constexpr float kMainPageX = 100;
float mainX(int k) { return 40.0f + 70.0f * static_cast<float>(k); }
float levelX(int n) { return 60.0f + 60.0f * static_cast<float>((n - 1) % 5); }
float levelY(int n) { return 60.0f + 60.0f * static_cast<float>((n - 1) / 5); }
float mapX(int i) { return 40.0f + 55.0f * static_cast<float>(i); }
constexpr float kMapY = 150;

MenuTree buildTree(int introFrames = 0) {
  auto* root = new CNode();
  auto* list = new COptionalNodeList();
  CNode* pages[7];
  for (CNode*& p : pages) p = new CNode();
  if (introFrames > 0) pages[0]->addChild(animated({introFrames}, new CNode()));
  // Main page.
  pages[1]->setPosition(kMainPageX, 0, 0);
  for (int k = 0; k < 6; ++k) pages[1]->addChild(button(425 + k, mainX(k), kMainY, 60, 40));
  auto* idle = at(new CNode(), 66, 400, 60);
  idle->addChild(animated({1, 1, 1}, animated({10}, new CNode())));
  pages[1]->addChild(idle);
  // Texts the menu writes carry a text id of their own, as the scene's do.
  for (int tag : {477, 479, 481, 478, 528, 500}) pages[1]->addChild(text(tag, 0x40000u + static_cast<std::uint32_t>(tag)));
  pages[1]->addChild(at(new CNode(), 404, 0, 0));
  pages[1]->addChild(at(new CNode(), 405, 0, 0));
  // Information.
  pages[3]->addChild(at(new CNode(), 337, 0, 0));
  // Options.
  pages[4]->addChild(button(434, 150, 100));
  pages[4]->addChild(button(433, 360, 100));
  pages[4]->addChild(button(435, 177, 100, 16, 20));
  pages[4]->addChild(button(432, 150, 160));
  pages[4]->addChild(button(431, 365, 160));
  pages[4]->addChild(button(436, 181, 160, 16, 20));
  pages[4]->addChild(button(437, 240, 290));
  pages[4]->addChild(button(438, 100, 230));
  pages[4]->addChild(button(439, 140, 230));
  for (int k = 0; k < 5; ++k) pages[4]->addChild(button(440 + k, 250.0f + 40.0f * static_cast<float>(k), 230));
  pages[4]->addChild(text(900, 0x70003));  // a localized caption
  // Map choice.
  for (int i = 0; i < 8; ++i) {
    pages[5]->addChild(mapButton(MainMenuSequence::kMapButtonTags[i], mapX(i), kMapY));
    pages[5]->addChild(text(MainMenuSequence::kMapNameTags[i]));
    if (i > 0) pages[5]->addChild(text(MainMenuSequence::kMapStarTextTags[i - 1]));
  }
  pages[5]->addChild(text(501));
  // Level page.
  for (int n = 1; n <= 25; ++n) {
    pages[6]->addChild(levelButton(n == 1 ? 376 : 451 + n, levelX(n), levelY(n)));
    pages[6]->addChild(text(n == 1 ? 512 : n <= 10 ? 501 + n : 502 + n, 0x40001));
  }
  auto* picture = at(animated({1, 1, 1, 1, 1, 1, 1, 1}, new CNode()), 370, 0, 0);
  pages[6]->addChild(picture);
  pages[6]->addChild(text(530));
  pages[6]->addChild(text(529));

  std::vector<std::uint16_t> words;
  for (int i = 0; i < 7; ++i) {
    list->addChild(pages[i]);
    words.push_back(1);
    words.push_back(static_cast<std::uint16_t>(i));
  }
  list->setupOptions(7, static_cast<std::uint32_t>(words.size()), words.data());
  root->addChild(list);
  return {root, at(new CNode(), 700, 0, 0)};
}

// --- recorders --------------------------------------------------------------

// The HUD's back button sits in the bottom left corner.
bool onBack(int x, int y) { return x < 30 && y > 290; }

std::string designXml(int mapsWithLevels, const std::string& extraMaps = "") {
  std::string xml = "<levels>";
  for (int m = 1; m <= mapsWithLevels; ++m) xml += qmtest::mapXml(m, 0, (m - 1) * 25 + 1, m * 25);
  xml += extraMaps;
  for (int m = mapsWithLevels + 1; m <= 8; ++m) {
    if (extraMaps.find("id=\"" + std::to_string(m) + "\"") == std::string::npos) {
      xml += "<map id=\"" + std::to_string(m) + "\" name=\"" + std::to_string(458751 + m) + "\" pack=\"0\"/>";
    }
  }
  return xml + "</levels>";
}

class MenuTest : public qmtest::ProgressTest {
 protected:
  void SetUp() override {
    ProgressTest::SetUp();
    writeDesign("levels.ynm", designXml(3));
    writeTexts();
    resetTexts();
    initTexts();
    setLanguage("en");
    clearOptions();
    loadOptions();
    host.onHudBack = &onBack;
  }
  void TearDown() override {
    menu.unload();
    // Scenes leave their fonts registered for the next ones.
    RenderEngine::resetFontRegistryForTests();
    clearOptions();
    resetTexts();
    ProgressTest::TearDown();
  }

  void writeTexts() {
    const char* codes[] = {"en", "fr", "de", "es", "it"};
    std::vector<std::pair<std::string, std::string>> list;
    for (int i = 0; i < 5; ++i) {
      textbank::Banks banks;
      for (int b = 0; b < textbank::kBankCount; ++b) {
        for (int k = 0; k < 8; ++k) banks[b].push_back(std::string(codes[i]) + " " + std::to_string(b) + "." + std::to_string(k));
      }
      list.emplace_back(std::string("Name ") + codes[i], codes[i]);
      tmp.write("data/text/" + std::to_string(i), textbank::encodeBankFile(banks));
    }
    tmp.write("data/text/I", textbank::encodeLanguageList(list));
  }

  // The menu built on the code tree and shown at a screen.
  void build(int screen = 1) {
    MenuTree tree = buildTree();
    menu.buildScenesFrom(tree.root, tree.help);
    ASSERT_TRUE(menu.areScenesBuilt());
    menu.showScreen(screen);
  }
  CNode* tag(int t) const { return menu.getRoot()->findByTag(t); }
  int state(int t) const {
    auto* b = dynamic_cast<CButton*>(tag(t));
    return b != nullptr ? b->getState() : -1;
  }
  const char* textAt(int t) const {
    auto* n = dynamic_cast<CNodeText*>(tag(t));
    return n != nullptr ? n->getText() : "(none)";
  }
  void tap(int x, int y) {
    menu.touchBegan(x, y);
    menu.touchEnded(x, y);
  }
  void tapMain(int k) { tap(static_cast<int>(mainX(k) + kMainPageX), static_cast<int>(kMainY)); }
  void tapAt(int t) {
    const RenderEngine::Vector3& p = tag(t)->getPosition();
    tap(static_cast<int>(p.x), static_cast<int>(p.y));
  }
  // Map and level pages hit-test 27 points lower than the touch.
  void tapPage(int t) {
    const RenderEngine::Vector3& p = tag(t)->getPosition();
    tap(static_cast<int>(p.x), static_cast<int>(p.y) - 27);
  }
  void frames(int n, int ms = 33) {
    for (int i = 0; i < n; ++i) menu.update(ms);
  }
  // Medals for the first levels of map 1: gold for each, then the rest.
  void winLevels(int first, int last, int medal) {
    for (int id = first; id <= last; ++id) LevelsManager::getInstance().recordResult(id, 100 * medal + 1, medal, 1);
  }
  float knobX(int t) const { return tag(t)->getPosition().x; }

  MainMenuSequence menu;
  // The progress fixture's one recorder, by the name this test gives it.
  qmtest::RecordingHost& host = overlays;
};

// --- the splash over a scene file -------------------------------------------

class SplashTest : public MenuTest {
 protected:
  void writeScene(const std::string& xml) {
    SceneSource::Scene scene;
    std::string error;
    ASSERT_TRUE(SceneSource::parseSceneText(xml, "fixture", scene, error)) << error;
    tmp.write("data/models/main-menu.bin", SceneSource::compileScene(scene).bytes());
  }
  // A screen list of seven pages; the first plays a 30-frame intro.
  static std::string sevenScreens() {
    std::string xml = "<scene><node><options>";
    xml += "<option><node><key frames=\"30\"/><node/></node></option>";
    for (int i = 1; i < 7; ++i) xml += "<option><node tag=\"" + std::to_string(600 + i) + "\"/></option>";
    return xml + "</options></node></scene>";
  }
};

TEST_F(SplashTest, LogoFadesHoldsThenTheMenuIsReadAndItsIntroPlays) {
  writeScene(sevenScreens());
  ASSERT_TRUE(menu.load());
  CNode* logo = menu.getRoot();
  menu.enter();
  EXPECT_EQ(menu.getScreen(), 0);
  // 500 ms of fade in 20 ms steps: the alpha climbs to 255.
  menu.update(20);
  EXPECT_EQ(menu.getSplashPhase(), 1);
  float last = -1;
  for (int t = 20; t < 500; t += 20) {
    menu.update(20);
    EXPECT_GT(logo->getColor().a, last);
    last = logo->getColor().a;
  }
  EXPECT_EQ(menu.getSplashPhase(), 2);
  EXPECT_FLOAT_EQ(logo->getColor().a, 1.0f);
  // Held for 2000 ms, the scenes not read before its end.
  frames(99, 20);
  EXPECT_FALSE(menu.areScenesBuilt());
  EXPECT_EQ(menu.getSplashPhase(), 2);
  menu.update(20);
  EXPECT_TRUE(menu.areScenesBuilt());
  EXPECT_EQ(host.skips, 1);
  EXPECT_EQ(menu.getSplashPhase(), 3);
  EXPECT_EQ(menu.getScreen(), 0);
  // The 30-frame intro runs, then the main screen shows with its music.
  frames(20);
  EXPECT_EQ(menu.getScreen(), 0);
  frames(20);
  EXPECT_EQ(menu.getScreen(), 1);
  EXPECT_EQ(menu.getSplashPhase(), 4);
  EXPECT_EQ(host.music.back(), 46u);
  EXPECT_EQ(host.skips, 1);  // built once
  frames(100);
  EXPECT_EQ(host.skips, 1);
}

TEST_F(SplashTest, LoadedAgainTheMenuRunsItsSplashAgain) {
  writeScene(sevenScreens());
  menu.load();
  menu.enter();
  frames(2500 / 20 + 3, 20);
  frames(40);
  ASSERT_EQ(menu.getScreen(), 1);
  menu.unload();
  ASSERT_TRUE(menu.load());
  menu.enter();
  EXPECT_EQ(menu.getScreen(), 0);
  menu.update(20);
  EXPECT_EQ(menu.getScreen(), 0);
  EXPECT_EQ(menu.getSplashPhase(), 1);
  frames(2500 / 20 + 3, 20);
  EXPECT_TRUE(menu.areScenesBuilt());
  frames(40);
  EXPECT_EQ(menu.getScreen(), 1);
}

TEST_F(SplashTest, WithoutAnIntroTheMainScreenFollowsAtOnce) {
  writeScene("<scene><node><options>" + std::string(7 * 1, ' ') +
             "<option><node/></option><option><node/></option><option><node/></option><option><node/></option>"
             "<option><node/></option><option><node/></option><option><node/></option></options></node></scene>");
  menu.load();
  menu.enter();
  frames(2500 / 20 + 3, 20);
  EXPECT_EQ(menu.getScreen(), 1);
  EXPECT_EQ(menu.getSplashPhase(), 4);
}

TEST_F(SplashTest, MissingOrBrokenMenuSceneKeepsTheLogoWithOneMessage) {
  for (const std::string& bytes : {std::string(), std::string("BRUT\x01\x02", 6), std::string("x")}) {
    SCOPED_TRACE(bytes.size());
    std::filesystem::remove(tmp.path() / "data/models/main-menu.bin");
    if (!bytes.empty()) tmp.write("data/models/main-menu.bin", bytes);
    MainMenuSequence m;
    m.load();
    m.enter();
    testing::internal::CaptureStderr();
    for (int i = 0; i < 300; ++i) m.update(33);
    m.touchBegan(240, 160);
    m.touchEnded(240, 160);
    m.keyPressed(27, 0, 0);
    m.showScreen(5);  // as the game does after a level
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(m.getScreen(), 0);
    EXPECT_TRUE(m.isMenuBroken());
    EXPECT_FALSE(m.areScenesBuilt());
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("main-menu.bin"), std::string::npos) << err;
  }
  // A file that reads but has no screen list.
  writeScene("<scene><node><node/></node></scene>");
  MainMenuSequence m;
  m.load();
  testing::internal::CaptureStderr();
  for (int i = 0; i < 300; ++i) m.update(33);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(m.getScreen(), 0);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

// --- main screen, help, info ------------------------------------------------

TEST_F(MenuTest, MainButtonsLeadToEveryScreen) {
  build();
  EXPECT_EQ(menu.getPressedTag(), -1);  // nothing pressed yet
  EXPECT_EQ(tag(425)->getColor().a, 0.0f);  // shown only through their parents' animations
  EXPECT_EQ(tag(337)->getPosition().x, 46.0f);
  EXPECT_EQ(tag(337)->getPosition().y, 51.0f);
  const int expected[] = {5, 2, 3, -1, 4, -1};
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k);
    menu.showScreen(1);
    host.moves.clear();
    host.sounds.clear();
    menu.touchBegan(static_cast<int>(mainX(k) + kMainPageX), static_cast<int>(kMainY));
    EXPECT_EQ(state(425 + k), 1);
    EXPECT_EQ(host.count(5), 1);
    menu.touchEnded(static_cast<int>(mainX(k) + kMainPageX), static_cast<int>(kMainY));
    if (expected[k] >= 0) {
      EXPECT_EQ(menu.getScreen(), expected[k]);
    }
  }
  menu.showScreen(1);
  host.moves.clear();
  tapMain(3);
  tapMain(5);
  EXPECT_EQ(host.moves, (std::vector<std::string>{"sequence 3", "quit"})) << "the honour board, then quit";
}

// The host leaves a HUD never made alone (game_app_test).
TEST_F(MenuTest, TexturesOfTheMapHudGoThroughTheHost) {
  build(1);
  menu.unloadTextures();
  EXPECT_EQ(host.hudUnloads, 1);
}

TEST_F(MenuTest, MainTouchesGoThroughTheListsOffsetAndThePagesScale) {
  build(1);
  // The list moved further than half a button, the page drawn twice as large:
  // a touch lands on a button only when all three are undone.
  menu.getScreenList()->setPosition(35, 25, 0);
  menu.getScreenList()->getChild(1)->setScale(2, 2, 1);
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k);
    const int x = static_cast<int>((mainX(k) + kMainPageX + 35) * 2);
    const int y = static_cast<int>((kMainY + 25) * 2);
    menu.touchBegan(x, y);
    EXPECT_EQ(menu.getPressedTag(), 425 + k);
    EXPECT_EQ(state(425 + k), 1);
    menu.touchEnded(0, 0);
  }
}

TEST_F(MenuTest, AnEmptyPressKeepsTheLastPressedTag) {
  build();
  tapMain(2);  // info
  EXPECT_EQ(menu.getScreen(), 3);
  menu.showScreen(1);
  menu.touchBegan(5, 5);  // nothing there
  EXPECT_EQ(menu.getPressedTag(), 427);
  menu.touchEnded(static_cast<int>(mainX(2) + kMainPageX), static_cast<int>(kMainY));
  EXPECT_EQ(menu.getScreen(), 3);
  // A release off the button does nothing.
  menu.showScreen(1);
  menu.touchBegan(static_cast<int>(mainX(2) + kMainPageX), static_cast<int>(kMainY));
  menu.touchEnded(static_cast<int>(mainX(4) + kMainPageX), static_cast<int>(kMainY));
  EXPECT_EQ(menu.getScreen(), 1);
  // Nor does a screen the menu does not have.
  menu.showScreen(7);
  menu.showScreen(-1);
  EXPECT_EQ(menu.getScreen(), 1);
}

TEST_F(MenuTest, HelpScrollsByDraggingWithinItsPage) {
  build(2);
  EXPECT_EQ(host.hudHint, 1);
  EXPECT_TRUE(menu.isMapHudShown());
  menu.touchBegan(300, 200);
  menu.touchMoved(200, 150);
  EXPECT_EQ(menu.getScrollX(), -100);
  EXPECT_EQ(menu.getScrollY(), -50);
  menu.touchMoved(-900, -900);
  menu.touchEnded(-900, -900);
  EXPECT_EQ(menu.getScrollX(), 480 - 835);
  EXPECT_EQ(menu.getScrollY(), 320 - 570);
  EXPECT_EQ(menu.getRoot()->getPosition().x, 480.0f - 835.0f);
  menu.touchBegan(0, 0);
  menu.touchEnded(2000, 2000);
  EXPECT_EQ(menu.getScrollX(), 0);
  EXPECT_EQ(menu.getScreen(), 2);  // a tap is a drag of nothing
  // The HUD's back button starts no drag and leads home.
  menu.touchBegan(10, 300);
  menu.touchEnded(10, 300);
  EXPECT_EQ(menu.getScreen(), 1);
  EXPECT_EQ(menu.getScrollX(), 0);
  EXPECT_EQ(menu.getRoot()->getPosition().x, 0.0f);
  EXPECT_FALSE(menu.isMapHudShown());
}

TEST_F(MenuTest, BackAndEscapeFromEachInnerScreen) {
  build();
  for (int screen : {2, 3, 4, 5}) {
    menu.showScreen(screen);
    tap(10, 300);
    EXPECT_EQ(menu.getScreen(), 1) << screen;
    menu.showScreen(screen);
    menu.keyPressed(27, 0, 0);
    EXPECT_EQ(menu.getScreen(), 1) << screen;
  }
  menu.showScreen(5);
  tapPage(452);
  ASSERT_EQ(menu.getScreen(), 6);
  tap(10, 300);
  EXPECT_EQ(menu.getScreen(), 5);  // back: the map choice
  tapPage(452);
  menu.keyPressed(27, 0, 0);
  EXPECT_EQ(menu.getScreen(), 1);  // Escape: the main screen
  menu.keyPressed('a', 0, 0);
  menu.keyPressed(27, 0, 0);
  EXPECT_EQ(menu.getScreen(), 1);
}

TEST_F(MenuTest, MenuMusicKeepsThePlayersVolume) {
  setOptionValue(OPTION_MUSIC_VOLUME, 0);
  build();
  EXPECT_EQ(AudioEngine::musicVolume, 0.0f);
  for (int screen : {1, 2, 5, 1}) menu.showScreen(screen);
  menu.leave();
  menu.enter();
  EXPECT_EQ(host.music.back(), 46u);
  // The host plays music at the volume as it stands: the menu cannot change it.
  ASSERT_GE(host.music.size(), 5u);
  EXPECT_EQ(AudioEngine::musicVolume, 0.0f);
}

TEST_F(MenuTest, IdleAnimationComesBackAfterItsPause) {
  seedRandom(7);
  build();
  CNode* idle = tag(66)->getChild(0);
  // The first one plays as soon as the screen shows.
  EXPECT_TRUE(idle->isAnimating());
  EXPECT_EQ(idle->getAnimation().getFrame(), 1);
  frames(12);
  EXPECT_FALSE(idle->isAnimating());
  EXPECT_EQ(idle->getAnimation().getFrame(), 0);
  // Then 5 to 15 s between two.
  int waited = 0;
  while (!idle->isAnimating() && waited < 20000) {
    menu.update(33);
    waited += 33;
  }
  EXPECT_GE(waited, 5000 - 12 * 33);
  EXPECT_LE(waited, 15000);
  EXPECT_EQ(idle->getAnimation().getFrame(), 1);
  // Not on other screens.
  menu.showScreen(3);
  frames(20000 / 33);
  EXPECT_FALSE(idle->isAnimating());
}

// --- totals -----------------------------------------------------------------

TEST(MenuTotals, CompletionFormula) {
  EXPECT_EQ(MainMenuSequence::completionPercent(20, 5, 101, 200), 46);  // 5 + ceil(40.4)
  EXPECT_EQ(MainMenuSequence::completionPercent(20, 20, 200, 200), 100);
  EXPECT_EQ(MainMenuSequence::completionPercent(20, 0, 1, 200), 1);  // ceil(0.4)
  EXPECT_EQ(MainMenuSequence::completionPercent(0, 0, 0, 10), 0);
  // No levels at all: the achievements alone.
  EXPECT_EQ(MainMenuSequence::completionPercent(20, 3, 0, 0), 3);
  EXPECT_EQ(MainMenuSequence::completionPercent(20, 3, 5, -1), 3);
}

TEST_F(MenuTest, TotalsAreWrittenOnTheMainScreen) {
  winLevels(1, 3, 3);
  build();
  EXPECT_STREQ(menu.getScoreText(), "903");
  EXPECT_STREQ(textAt(477), "903");
  // 3 of 75 levels, no achievements: ceil(100 * 3 / 75) = 4.
  EXPECT_STREQ(menu.getPercentText(), "4%%");
  EXPECT_STREQ(textAt(479), "4%%");
  EXPECT_STREQ(textAt(528), "/75");
  EXPECT_STREQ(textAt(500), "/600");
  EXPECT_STREQ(textAt(478), "");
}

TEST_F(MenuTest, NoLevelsGiveZeroPercent) {
  writeDesign("levels.ynm", "<levels/>");
  resetManagers();
  build();
  EXPECT_STREQ(menu.getPercentText(), "0%%");
  menu.showScreen(5);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(state(MainMenuSequence::kMapButtonTags[i]), 0);
  tapPage(452);  // the first map has no levels either: it stays shut
  EXPECT_EQ(menu.getScreen(), 5);
}

// --- options ----------------------------------------------------------------

TEST_F(MenuTest, KnobsSitOnTheGridOfTheirValues) {
  for (int v : {0, 3, 10}) {
    SCOPED_TRACE(v);
    setOptionValue(OPTION_SOUND_VOLUME, v);
    setOptionValue(OPTION_MUSIC_VOLUME, 10 - v);
    build(4);
    EXPECT_EQ(knobX(435), 177.0f + 16.0f * static_cast<float>(v));
    EXPECT_EQ(knobX(436), 181.0f + 16.0f * static_cast<float>(10 - v));
    EXPECT_EQ(tag(435)->getPosition().y, 100.0f);  // y as the scene has it
    EXPECT_FLOAT_EQ(AudioEngine::soundVolume, static_cast<float>(v) / 10.0f);
    EXPECT_FLOAT_EQ(AudioEngine::musicVolume, static_cast<float>(10 - v) / 10.0f);
  }
}

TEST_F(MenuTest, HeldPlusStepsAtOnceThenEvery201Ms) {
  setOptionValue(OPTION_SOUND_VOLUME, 5);
  build(4);
  menu.touchBegan(360, 100);  // sound +
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 6);
  EXPECT_EQ(knobX(435), 177.0f + 96.0f);
  EXPECT_FLOAT_EQ(AudioEngine::soundVolume, 0.6f);
  menu.update(200);
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 6);
  menu.update(1);
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 7);
  for (int i = 0; i < 3; ++i) menu.update(100);  // 300 ms: one more at 201
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 8);
  for (int i = 0; i < 20; ++i) menu.update(201);
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 10);
  EXPECT_EQ(knobX(435), 337.0f);  // never beyond
  menu.touchEnded(360, 100);
  menu.update(500);
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 10);
  EXPECT_EQ(menu.getPressedTag(), -1);  // cleared after every release here
  // Music -: the other row, held down to 0.
  menu.touchBegan(150, 160);
  for (int i = 0; i < 20; ++i) menu.update(201);
  menu.touchEnded(150, 160);
  EXPECT_EQ(getOptionValue(OPTION_MUSIC_VOLUME), 0);
  EXPECT_EQ(knobX(436), 181.0f);
  EXPECT_FLOAT_EQ(AudioEngine::musicVolume, 0.0f);
  // Sliding off the button stops the repeat.
  menu.touchBegan(365, 160);
  EXPECT_EQ(getOptionValue(OPTION_MUSIC_VOLUME), 1);
  menu.touchMoved(300, 60);
  menu.update(201);
  menu.touchEnded(300, 60);
  EXPECT_EQ(getOptionValue(OPTION_MUSIC_VOLUME), 1);
}

TEST_F(MenuTest, KnobsFollowADrag) {
  setOptionValue(OPTION_SOUND_VOLUME, 5);
  build(4);
  const int x0 = static_cast<int>(knobX(435));
  menu.touchBegan(x0, 100);
  menu.touchMoved(x0 + 20, 105);
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 6);
  menu.touchMoved(x0 + 60, 130);  // too far from the knob's row
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 6);
  for (int i = 0; i < 12; ++i) menu.touchMoved(x0 - 200, 100);
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 0);
  EXPECT_EQ(knobX(435), 177.0f);
  menu.touchEnded(x0 - 200, 100);
  EXPECT_EQ(menu.getScrollX(), 0);  // the options page never scrolls
}

TEST_F(MenuTest, EscapeOrBackRestoresEveryValue) {
  setOptionValue(OPTION_SOUND_VOLUME, 4);
  setOptionValue(OPTION_MUSIC_VOLUME, 7);
  setOptionValue(OPTION_FULLSCREEN, 1);
  setOptionValue(OPTION_LANGUAGE, getLanguageIndex("en"));
  for (bool escape : {true, false}) {
    SCOPED_TRACE(escape);
    build(4);
    EXPECT_EQ(state(440), 1);
    EXPECT_EQ(state(438), 1);
    EXPECT_EQ(state(439), 0);
    tap(360, 100);
    tap(150, 160);
    tap(140, 230);  // full screen off
    tapAt(443);     // Deutsch
    EXPECT_STREQ(getLanguageCode(getCurrentLanguageIndex()), "de");
    EXPECT_EQ(getOptionValue(OPTION_FULLSCREEN), 0);
    EXPECT_EQ(state(439), 1);
    EXPECT_EQ(state(443), 1);
    EXPECT_EQ(state(440), 0);
    host.moves.clear();
    if (escape) {
      menu.keyPressed(27, 0, 0);
    } else {
      tap(10, 300);
    }
    EXPECT_EQ(menu.getScreen(), 1);
    EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 4);
    EXPECT_EQ(getOptionValue(OPTION_MUSIC_VOLUME), 7);
    EXPECT_FLOAT_EQ(AudioEngine::soundVolume, 0.4f);
    EXPECT_FLOAT_EQ(AudioEngine::musicVolume, 0.7f);
    EXPECT_EQ(getOptionValue(OPTION_FULLSCREEN), 1);
    EXPECT_STREQ(getLanguageCode(getCurrentLanguageIndex()), "en");
    EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), getLanguageIndex("en"));
    EXPECT_STREQ(textAt(900), "en 7.3");
    // The language put back rewrites the texts the menu writes itself.
    EXPECT_STREQ(textAt(528), "/75");
    EXPECT_STREQ(textAt(477), menu.getScoreText());
    EXPECT_STRNE(menu.getScoreText(), "");
    EXPECT_EQ(host.moves, (std::vector<std::string>{"fullscreen 1"}));
  }
}

TEST_F(MenuTest, OkWritesTheOptionsFileAndAsksForFullScreen) {
  setOptionValue(OPTION_FULLSCREEN, 0);
  build(4);
  tap(360, 100);
  tap(100, 230);  // full screen on
  tapAt(441);     // français
  host.moves.clear();
  tapAt(437);
  EXPECT_EQ(menu.getScreen(), 1);
  EXPECT_EQ(host.moves, (std::vector<std::string>{"fullscreen 1"}));
  std::ifstream in(savePath("options.dat"));
  std::stringstream s;
  s << in.rdbuf();
  const std::string file = s.str();
  const auto current = [&](const std::string& name) {
    const std::size_t at = file.find(name + "\n");
    const std::size_t c = file.find("current=", at);
    return at == std::string::npos || c == std::string::npos ? -99 : std::atoi(file.c_str() + c + 8);
  };
  EXPECT_EQ(current("SOUND_VOLUME"), 6) << file;
  EXPECT_EQ(current("FULLSCREEN"), 1) << file;
  EXPECT_EQ(current("LANGUAGE"), getLanguageIndex("fr")) << file;
  EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), getLanguageIndex("fr"));
  // Kept: the next visit opens with them.
  menu.showScreen(4);
  EXPECT_EQ(state(441), 1);
  menu.keyPressed(27, 0, 0);
  EXPECT_STREQ(getLanguageCode(getCurrentLanguageIndex()), "fr");
}

TEST_F(MenuTest, ALanguageChangeRefreshesEveryText) {
  build(4);
  const char* codes[] = {"en", "fr", "it", "de", "es"};
  for (int k : {1, 2, 3, 4, 0}) {
    SCOPED_TRACE(codes[k]);
    tapAt(440 + k);
    EXPECT_STREQ(getLanguageCode(getCurrentLanguageIndex()), codes[k]);
    EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), getCurrentLanguageIndex());
    EXPECT_STREQ(textAt(900), (std::string(codes[k]) + " 7.3").c_str());
    for (int other = 0; other < 5; ++other) EXPECT_EQ(state(440 + other), other == k ? 1 : 0);
    // Texts the menu writes itself stay as written.
    EXPECT_STREQ(textAt(528), "/75");
    EXPECT_STREQ(textAt(477), menu.getScoreText());
    EXPECT_STREQ(textAt(512), "1");
  }
}

TEST_F(MenuTest, VolumesAreFractionsOfTheirMaximum) {
  setOptionValue(OPTION_SOUND_VOLUME, 3);
  setOptionValue(OPTION_MUSIC_VOLUME, 9);
  build();
  menu.applyVolumeOption();
  EXPECT_FLOAT_EQ(AudioEngine::soundVolume, 0.3f);
  EXPECT_FLOAT_EQ(AudioEngine::musicVolume, 0.9f);
}

// --- map choice ---------------------------------------------------------------

TEST_F(MenuTest, MapOpensWhenTheStarsReachItsThreshold) {
  EXPECT_FALSE(MainMenuSequence::mapOpensAt(1, 49, true));
  EXPECT_TRUE(MainMenuSequence::mapOpensAt(1, 50, true));
  EXPECT_FALSE(MainMenuSequence::mapOpensAt(1, 500, false));
  EXPECT_TRUE(MainMenuSequence::mapOpensAt(7, 460, true));
  EXPECT_FALSE(MainMenuSequence::mapOpensAt(8, 1000, true));

  winLevels(1, 16, 3);
  winLevels(17, 17, 1);  // 49 stars
  build(5);
  EXPECT_EQ(menu.getStarTotal(), 49);
  EXPECT_STREQ(textAt(501), "49");
  EXPECT_STREQ(textAt(497), "50");
  EXPECT_STREQ(textAt(486), "460");
  EXPECT_EQ(state(451), 0);
  EXPECT_TRUE(menu.getPendingUnlocks().empty());
  tapPage(451);  // closed
  EXPECT_EQ(menu.getScreen(), 5);

  winLevels(18, 18, 1);  // 50
  menu.showScreen(1);
  host.sounds.clear();
  menu.showScreen(5);
  EXPECT_STREQ(textAt(501), "50");
  EXPECT_EQ(state(451), 0);  // still closed while it animates
  ASSERT_EQ(menu.getPendingUnlocks().size(), 1u);
  EXPECT_EQ(menu.getPendingUnlocks().front(), tag(451));
  EXPECT_TRUE(tag(451)->isAnimating());
  EXPECT_EQ(host.count(16), 1);
  tapPage(451);
  EXPECT_EQ(menu.getScreen(), 5);
  frames(12);
  EXPECT_EQ(state(451), 1);
  EXPECT_TRUE(menu.getPendingUnlocks().empty());
  EXPECT_EQ(state(450), 0);
  // Next visit: open at once, no jingle.
  menu.showScreen(1);
  host.sounds.clear();
  menu.showScreen(5);
  EXPECT_EQ(state(451), 1);
  EXPECT_EQ(host.count(16), 0);
  tapPage(451);
  EXPECT_EQ(menu.getScreen(), 6);
  EXPECT_EQ(menu.getMapIndex(), 1);
}

TEST_F(MenuTest, TwoThresholdsAtOnceAnimateTheLaterMapOnly) {
  winLevels(1, 16, 3);
  winLevels(17, 17, 1);  // 49
  build(5);
  winLevels(17, 25, 3);  // map 1 all gold: 75
  winLevels(26, 34, 3);  // + 27 = 102
  ASSERT_EQ(LevelsManager::getInstance().getTotalStars(), 102);
  menu.showScreen(1);
  host.sounds.clear();
  menu.showScreen(5);
  // Both went pending; the earlier one, not animated, opened in the same
  // frame's update, the later one waits for its animation.
  EXPECT_FALSE(tag(451)->isAnimating());
  EXPECT_EQ(state(451), 1);
  ASSERT_EQ(menu.getPendingUnlocks().size(), 1u);
  EXPECT_EQ(menu.getPendingUnlocks().front(), tag(450));
  EXPECT_TRUE(tag(450)->isAnimating());
  EXPECT_EQ(state(450), 0);
  EXPECT_EQ(host.count(16), 1);
  EXPECT_EQ(state(449), 0);  // 160: not reached
  frames(12);
  EXPECT_EQ(state(451), 1);
  EXPECT_EQ(state(450), 1);
  EXPECT_TRUE(menu.getPendingUnlocks().empty());
}

TEST_F(MenuTest, ASecondBuildForgetsWhatTheFirstTreeHeld) {
  winLevels(1, 16, 3);
  winLevels(17, 17, 1);  // 49
  build(5);
  winLevels(18, 18, 1);  // 50: map 2 starts its unlock
  menu.showScreen(1);
  menu.showScreen(5);
  ASSERT_EQ(menu.getPendingUnlocks().size(), 1u);
  tapPage(452);
  ASSERT_EQ(menu.getScreen(), 6);
  MenuTree tree = buildTree();
  menu.buildScenesFrom(tree.root, tree.help);
  EXPECT_TRUE(menu.getPendingUnlocks().empty());
  frames(12);
  // The new tree's level page shows nothing yet: a tap starts nothing.
  host.moves.clear();
  tapPage(376);
  EXPECT_TRUE(host.moves.empty());
}

TEST_F(MenuTest, MapsWithoutLevelsStayLockedWhateverTheStars) {
  // Three maps of levels: maps 4 to 8 have none.
  winLevels(1, 75, 3);  // 225 stars
  build(5);
  EXPECT_EQ(state(451), 1);
  EXPECT_EQ(state(450), 1);
  EXPECT_EQ(state(449), 0);  // 160 stars reached, but no levels
  EXPECT_TRUE(menu.getPendingUnlocks().empty());
  tapPage(449);
  EXPECT_EQ(menu.getScreen(), 5);
}

// --- level page ---------------------------------------------------------------

TEST_F(MenuTest, LevelPageShowsOpenDoneAndMedals) {
  winLevels(1, 1, 1);
  winLevels(2, 2, 2);
  winLevels(3, 3, 3);
  LevelsManager::getInstance().recordResult(4, 50, 0, 1);  // won without a medal
  build(5);
  tapPage(452);
  ASSERT_EQ(menu.getScreen(), 6);
  EXPECT_EQ(host.hudHint, 0);
  EXPECT_EQ(tag(370)->getAnimation().getFrame(), 0);
  EXPECT_STREQ(textAt(529), "6");
  EXPECT_STREQ(textAt(512), "1");
  EXPECT_STREQ(textAt(503), "2");
  EXPECT_STREQ(textAt(527), "25");
  const int medalOption[] = {0, 1, 2, 0};
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    CNode* b = tag(n == 1 ? 376 : 451 + n);
    EXPECT_EQ(dynamic_cast<CButton*>(b)->getState(), 1);
    auto* done = dynamic_cast<COptionalNodeList*>(b->findByTag(374));
    EXPECT_EQ(done->getCurrentOption(), 1);
    auto* medal = dynamic_cast<COptionalNodeList*>(done->findByTag(424));
    EXPECT_EQ(medal->getCurrentOption(), medalOption[n - 1]);
    EXPECT_EQ(medal->getPosition().x, -2.0f);
    EXPECT_EQ(medal->getPosition().y, 3.0f);
    EXPECT_FLOAT_EQ(medal->getChild(3)->getColor().a, 102.0f / 255.0f);
  }
  // Level 5 is open (after a completed one) but not done; 6 is locked.
  EXPECT_EQ(state(456), 1);
  EXPECT_EQ(dynamic_cast<COptionalNodeList*>(tag(456)->findByTag(374))->getCurrentOption(), 0);
  EXPECT_EQ(state(457), 0);
  EXPECT_FALSE(tag(456)->findByTag(374)->isTransparent());
  EXPECT_TRUE(tag(457)->findByTag(374)->isTransparent());
  host.moves.clear();
  tapPage(457);
  EXPECT_TRUE(host.moves.empty());
  tapPage(456);
  EXPECT_EQ(host.moves, (std::vector<std::string>{"start 5"}));
}

// An indicator with other than two children is left as it is, and the medal
// below it still shows.
TEST_F(MenuTest, TheMedalShowsWhateverTheIndicatorHolds) {
  winLevels(1, 2, 2);
  build(5);
  auto* done = dynamic_cast<COptionalNodeList*>(tag(453)->findByTag(374));
  ASSERT_NE(done, nullptr);
  done->showFrame(1);
  done->addChild(new CNode());
  tapPage(452);
  ASSERT_EQ(menu.getScreen(), 6);
  auto* medal = dynamic_cast<COptionalNodeList*>(done->findByTag(424));
  ASSERT_NE(medal, nullptr);
  EXPECT_EQ(medal->getCurrentOption(), 1) << "silver";
  EXPECT_EQ(medal->getPosition().x, -2.0f);
  EXPECT_FLOAT_EQ(medal->getChild(3)->getColor().a, 102.0f / 255.0f);
}

TEST_F(MenuTest, LevelOnePlaysTheIntroFirstAndLevel26StartsAtOnce) {
  build(5);
  tapPage(452);
  tapPage(376);
  EXPECT_EQ(host.moves, (std::vector<std::string>{"video INTRO.m4v movie0"}));
  EXPECT_TRUE(menu.isIntroPlaying());
  frames(5);
  EXPECT_EQ(host.moves.size(), 1u);  // waits for the movie
  host.videoPlaying = false;
  menu.update(33);
  EXPECT_EQ(host.moves, (std::vector<std::string>{"video INTRO.m4v movie0", "stopVideo", "start 1"}));
  EXPECT_FALSE(menu.isIntroPlaying());

  // Map 2 opens at 50 stars; its first level starts without a movie.
  winLevels(1, 17, 3);
  menu.showScreen(5);
  frames(12);
  menu.showScreen(5);
  tapPage(451);
  ASSERT_EQ(menu.getScreen(), 6);
  host.moves.clear();
  tapPage(376);
  EXPECT_EQ(host.moves, (std::vector<std::string>{"start 26"}));
  EXPECT_EQ(menu.getLevelId(), 26);
}

TEST_F(MenuTest, LevelPageWithoutAMapShowsTheMapChoice) {
  build();
  EXPECT_EQ(menu.getMapIndex(), -1);
  menu.showScreen(6);
  EXPECT_EQ(menu.getScreen(), 5);
}

TEST_F(MenuTest, LevelsBeyondTwentyFiveOrOutOfOrderStartOnlyWhatIsShown) {
  // Map 1 with 27 levels, levels 2 and 3 swapped.
  std::string map1 = "<map id=\"1\" name=\"458752\" pack=\"0\">" + qmtest::levelXml(1) + qmtest::levelXml(3) +
                     qmtest::levelXml(2);
  for (int id = 4; id <= 27; ++id) map1 += qmtest::levelXml(id);
  map1 += "</map>";
  writeDesign("levels.ynm", "<levels>" + map1 + "</levels>");
  resetManagers();
  winLevels(1, 3, 1);
  build(5);
  testing::internal::CaptureStdout();
  tapPage(452);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("WARNING: map 1 has 27 levels"), std::string::npos) << out;
  EXPECT_NE(out.find("lists level 3 in place 2"), std::string::npos) << out;
  EXPECT_EQ(menu.getShownLevelId(2), 3);
  EXPECT_EQ(menu.getShownLevelId(25), 25);
  host.moves.clear();
  testing::internal::CaptureStdout();
  tapPage(453);  // shows level 3
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(host.moves, (std::vector<std::string>{"start 3"}));
  // Said once per map.
  testing::internal::CaptureStdout();
  menu.showScreen(6);
  EXPECT_EQ(testing::internal::GetCapturedStdout().find("WARNING"), std::string::npos);
}

TEST_F(MenuTest, ButtonsWithoutALevelStartNothing) {
  writeDesign("levels.ynm", "<levels><map id=\"1\" name=\"458752\" pack=\"0\">" + qmtest::levelXml(1) +
                                qmtest::levelXml(2) + "</map></levels>");
  resetManagers();
  winLevels(1, 2, 3);
  build(5);
  tapPage(452);
  EXPECT_EQ(state(454), 0);
  host.moves.clear();
  tapPage(454);
  EXPECT_TRUE(host.moves.empty());
  EXPECT_EQ(menu.getShownLevelId(3), -1);
}

TEST_F(MenuTest, EnterComesBackToTheMainScreen) {
  build(5);
  tapPage(452);
  menu.leave();
  menu.enter();
  EXPECT_EQ(menu.getScreen(), 1);
  EXPECT_FALSE(menu.isIntroPlaying());
  // The game's way back to the page of the last map.
  menu.showScreen(6);
  EXPECT_EQ(menu.getScreen(), 6);
  EXPECT_EQ(menu.getMapIndex(), 0);
}

}  // namespace
