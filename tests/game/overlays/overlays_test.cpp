// The overlays on trees built in code (no window, no textures): the banner's
// queue, layout and touch routing, the result window's texts and medal, the
// pop-up's queue and timing, the cursor's looks and presses, the window buttons
// and the map HUD; and the overlays' pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "app/Random.h"
#include "game/overlays/MouseCursor.h"
#include "game/overlays/QMRAchievementPopup.h"
#include "game/overlays/QMRButton.h"
#include "game/overlays/QMRMapHud.h"
#include "game/overlays/QMRTextBanner.h"
#include "render_engine/CButton.h"
#include "render_engine/COptionalNodeList.h"
#include "support/AnimatedNode.h"
#include "support/BoxNode.h"
#include "tests/game/RecordingHost.h"
#include "tools/texture_writer.h"

using RenderEngine::CButton;
using RenderEngine::CNode;
using RenderEngine::CPath;
using RenderEngine::KeyframeTransform;

namespace {


using qmtest::animated;

CNode* tagged(CNode* node, int tag) {
  node->setTag(tag);
  return node;
}

// "boutons-fenetres.bin" in small: the button (a 10-frame appearing, a 100x30
// face) and the result window (a 6-frame arrival, medal and gold nodes).
CNode* windowScene() {
  auto* button = animated({1, 1});
  delete button->getChild(0);
  button->deleteChildren();
  auto* art = new CNode();
  art->addChild(animated({10}));
  button->addChild(art);
  auto* face = new CButton();
  face->addChild(animated({1, 1}, new qmtest::BoxNode(100, 30)));
  button->addChild(face);

  auto* window = animated({1, 1});
  window->deleteChildren();
  auto* parts = new CNode();
  parts->addChild(animated({6}));
  window->addChild(parts);
  auto* medal = tagged(new CNode(), QMRResultScreen::kMedalTag);
  medal->addChild(animated({1, 1, 1}));
  window->addChild(medal);
  window->addChild(tagged(new CNode(), QMRResultScreen::kGoldTag));

  auto* g1 = new CNode();
  g1->addChild(button);
  auto* g2 = new CNode();
  g2->addChild(window);
  auto* c0 = new CNode();
  c0->addChild(g1);
  c0->addChild(g2);
  auto* root = new CNode();
  root->addChild(c0);
  return root;
}

// "bandeau.bin" in small: the frame with two frames, a 9-frame opening and the
// kind node (tag 37) whose child has five frames.
CNode* bannerScene() {
  auto* frame = animated({1, 1});
  frame->deleteChildren();
  auto* opening = new CNode();
  opening->addChild(animated({9}));
  frame->addChild(opening);
  auto* kind = tagged(new CNode(), QMRTextBanner::kKindTag);
  kind->addChild(animated({1, 1, 1, 1, 1}));
  frame->addChild(kind);
  auto* root = new CNode();
  root->addChild(frame);
  return root;
}

// The banner's sounds, buttons, openings and closings; a screen's answer to a
// button when the test gives one.
class Recorder : public qmtest::RecordingHost {
 public:
  void forwardButton(int id) override {
    RecordingHost::forwardButton(id);
    if (onButton) onButton(id);
  }
  std::function<void(int)> onButton;
};

class BannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seedRandom(7);
    QMRButton::setTemplateScene(windowScene());
    banner.loadScenes(bannerScene(), windowScene());
  }
  void TearDown() override { QMRButton::discardTemplate(); }
  void frames(int n) {
    for (int i = 0; i < n; ++i) banner.update(33);
  }
  // Shown buttons by id, with their places.
  struct Placed {
    int id, x, y;
  };
  std::vector<Placed> placed() {
    std::vector<Placed> out;
    for (QMRButton* b : banner.getButtons()) {
      if (b->isVisible()) {
        out.push_back({b->getTag(), static_cast<int>(b->getPosition().x), static_cast<int>(b->getPosition().y)});
      }
    }
    return out;
  }
  void tap(int x, int y) {
    banner.touchBegan(x, y);
    banner.touchEnded(x, y);
  }

  int count(int id) const { return listener.count(id); }

  Recorder listener;
  QMRTextBanner banner;
};

TEST_F(BannerTest, SecondMessageWaitsAndReplacesTheFirstWithoutOpeningAgain) {
  banner.showMessage(101, QMRTextBanner::kPlain, 0, 0);
  banner.showMessage(102, QMRTextBanner::kTutorial, 1, 0);
  EXPECT_TRUE(banner.isShown());
  EXPECT_TRUE(banner.isOpening());
  EXPECT_EQ(banner.currentMessage().textId, 101);
  EXPECT_EQ(banner.queuedCount(), 1u);
  EXPECT_EQ(listener.bannerOpenings, 1);
  EXPECT_EQ(count(25), 1);
  frames(12);
  EXPECT_FALSE(banner.isOpening());
  EXPECT_FLOAT_EQ(banner.getRoot()->getPosition().y, 0.0f);

  tap(10, 10);  // no buttons: any tap goes on
  EXPECT_EQ(banner.currentMessage().textId, 102);
  EXPECT_FALSE(banner.isOpening());
  EXPECT_EQ(count(25), 1);
  EXPECT_EQ(count(11) + count(13) + count(14), 1);  // the tutorial voice at once
  EXPECT_FLOAT_EQ(banner.getRoot()->getPosition().y, 100.0f);
  EXPECT_EQ(listener.bannerOpenings, 1);
  tap(10, 10);
  EXPECT_FALSE(banner.isShown());
  EXPECT_EQ(listener.bannerClosings, 1);
  EXPECT_FALSE(banner.showNextQueued());
  EXPECT_EQ(listener.bannerClosings, 1);  // hiding a hidden banner says nothing
}

TEST_F(BannerTest, ButtonsFollowTheMaskInTheirOrderAndSpacing) {
  banner.showMessage(1, QMRTextBanner::kPause, 2, 12);
  EXPECT_TRUE(placed().empty());  // none while the banner opens
  frames(12);
  std::vector<Placed> p = placed();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].id, 4);
  EXPECT_EQ(p[0].x, 240);
  EXPECT_EQ(p[0].y, 50);
  EXPECT_EQ(p[1].id, 2);
  EXPECT_EQ(p[1].y, 150);
  EXPECT_EQ(count(21), 1);  // the pause voice when open

  for (int mask : {11, 19}) {
    QMRTextBanner other;
    other.loadScenes(bannerScene(), windowScene());
    other.showMessage(1, QMRTextBanner::kLost, 2, mask);
    for (int i = 0; i < 12; ++i) other.update(33);
    std::vector<int> ids, ys;
    for (QMRButton* b : other.getButtons()) {
      ids.push_back(b->isVisible() ? b->getTag() : -1);
      ys.push_back(static_cast<int>(b->getPosition().y));
    }
    EXPECT_EQ(ids, (std::vector<int>{32, 1, 2})) << mask;
    EXPECT_EQ(ys, (std::vector<int>{33, 99, 165})) << mask;
  }
}

TEST_F(BannerTest, MoreBitsThanButtonsUseTheFirstThree) {
  banner.showMessage(1, 0, 0, 0x1F);
  frames(12);
  std::vector<Placed> p = placed();
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].id, 4);
  EXPECT_EQ(p[1].id, 32);
  EXPECT_EQ(p[2].id, 1);
  EXPECT_EQ(p[2].y, 165);
}

TEST_F(BannerTest, OnlyAReleaseOverThePressedButtonActs) {
  banner.showMessage(1, QMRTextBanner::kPause, 2, 12);
  frames(12);
  // Still appearing: no button takes the press.
  banner.touchBegan(240, 50);
  EXPECT_EQ(banner.getPressedButton(), -1);
  EXPECT_EQ(count(5), 0);
  banner.touchEnded(240, 50);
  frames(12);
  tap(20, 20);  // outside every button
  EXPECT_TRUE(banner.isShown());
  EXPECT_TRUE(listener.forwarded.empty());

  banner.touchBegan(240, 50);
  EXPECT_EQ(banner.getPressedButton(), 4);
  EXPECT_EQ(count(5), 1);
  banner.touchEnded(240, 150);  // released over the other button
  EXPECT_TRUE(listener.forwarded.empty());
  EXPECT_TRUE(banner.isShown());
  EXPECT_EQ(banner.getPressedButton(), -1);

  banner.touchBegan(250, 150);
  banner.touchEnded(260, 155);
  EXPECT_EQ(listener.forwarded, std::vector<int>{2});
  EXPECT_FALSE(banner.isShown());
  EXPECT_EQ(count(5), 2);  // the release plays no click of its own
}

TEST_F(BannerTest, AQueuedMessageWithButtonsGetsThemAndItsResult) {
  banner.showMessage(1, QMRTextBanner::kTutorial, 2, 0);
  banner.showResult(BannerMessage{2, QMRTextBanner::kWon, 2, 19}, 65000, 3, 1200, 1500, 2);
  frames(12);
  EXPECT_FALSE(banner.getResultScreen()->isVisible());
  tap(5, 5);
  EXPECT_EQ(banner.currentMessage().textId, 2);
  // The window carries the values the result was sent with.
  EXPECT_TRUE(banner.getResultScreen()->isVisible());
  EXPECT_STREQ(banner.getResultScreen()->getTimeText(), "1:05");
  EXPECT_STREQ(banner.getResultScreen()->getNumberText(1), "1200");
  std::vector<Placed> p = placed();
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].x, 384);
  frames(12);
  banner.touchBegan(384, 33);
  banner.touchEnded(384, 33);
  EXPECT_EQ(listener.forwarded, std::vector<int>{32});
}

TEST_F(BannerTest, ATapDuringTheOpeningEndsItForGood) {
  banner.showMessage(1, QMRTextBanner::kTutorial, 2, 0);
  tap(1, 1);
  EXPECT_FALSE(banner.isShown());
  EXPECT_FALSE(banner.isOpening());
  frames(12);
  EXPECT_EQ(count(11) + count(13) + count(14), 0);
}

TEST_F(BannerTest, AScreenThatMovesTheBannerOnItselfSkipsNoMessage) {
  listener.onButton = [this](int id) {
    if (id == 4) banner.showNextQueued();  // a resume shows what waits
  };
  banner.showMessage(1, QMRTextBanner::kPause, 2, 12);
  banner.showMessage(7, QMRTextBanner::kTutorial, 2, 0);
  frames(24);
  banner.touchBegan(240, 50);
  banner.touchEnded(240, 50);
  EXPECT_TRUE(banner.isShown());
  EXPECT_EQ(banner.currentMessage().textId, 7);
  EXPECT_EQ(listener.bannerClosings, 0);
}

TEST_F(BannerTest, TheQueueIsBounded) {
  for (int i = 0; i < 100; ++i) banner.showMessage(i, 0, 0, 0);
  EXPECT_EQ(banner.queuedCount(), QMRTextBanner::kMaxQueued);
  EXPECT_EQ(banner.currentMessage().textId, 0);
}

TEST(BannerWithoutScenes, QueuesAndDismissesWithoutDrawingAnything) {
  qmtest::RecordingHost host;
  QMRButton::setTemplateScene(new CNode());  // a file without the template
  QMRTextBanner banner;
  banner.loadScenes(nullptr, new CNode());
  EXPECT_EQ(banner.getRoot(), nullptr);
  banner.showMessage(1, 2, 2, 12);
  banner.showResult(BannerMessage{2, 3, 2, 19}, 1000, 1, 2, 3, 3);
  banner.update(33);
  EXPECT_TRUE(banner.isShown());
  EXPECT_FALSE(banner.getButtons()[0]->containsPoint(240, 50));
  EXPECT_EQ(QMRButton::buttonTemplate(), nullptr);
  QMRButton::discardTemplate();
}

TEST(ResultScreen, TimesAndNumbersAtTheEdges) {
  char t[QMRResultScreen::kTextSize];
  const std::pair<int, const char*> cases[] = {
      {0, "0:00"}, {999, "0:00"}, {9000, "0:09"}, {65000, "1:05"}, {600000, "10:00"},
      {-5000, "0:00"}, {INT_MAX, "35791:23"}, {INT_MIN, "0:00"}};
  for (const auto& [ms, want] : cases) {
    QMRResultScreen::formatTime(ms, t);
    EXPECT_STREQ(t, want) << ms;
  }
  QMRResultScreen screen(nullptr);
  screen.setValues(1000, INT_MIN, INT_MAX, -1, 1);
  EXPECT_STREQ(screen.getNumberText(0), "-2147483648");
  EXPECT_STREQ(screen.getNumberText(1), "2147483647");
  EXPECT_LT(std::strlen(screen.getNumberText(0)), QMRResultScreen::kTextSize);
}

TEST(ResultScreen, MedalAndGoldNodesFollowTheMedal) {
  CNode* scene = windowScene();
  const CNode* model = scene->getChild(0)->getChild(1)->getChild(0);
  QMRResultScreen screen(model);
  delete scene;
  CNode* medal = screen.findByTag(QMRResultScreen::kMedalTag);
  CNode* gold = screen.findByTag(QMRResultScreen::kGoldTag);
  ASSERT_NE(medal, nullptr);
  screen.setValues(1000, 1, 2, 3, 0);
  EXPECT_FALSE(medal->isVisible());
  EXPECT_FALSE(gold->isVisible());
  screen.setValues(1000, 1, 2, 3, 2);
  EXPECT_TRUE(medal->isVisible());
  EXPECT_FALSE(gold->isVisible());
  EXPECT_EQ(medal->getChild(0)->getAnimation().getFrame(), 1);
  EXPECT_TRUE(screen.isMedalPending());
  for (int i = 0; i < 10; ++i) screen.update(33);
  EXPECT_FALSE(screen.isMedalPending());
  EXPECT_EQ(screen.getChild(0)->getAnimation().getFrame(), 1);
  EXPECT_EQ(medal->getChild(0)->getAnimation().getFrame(), 1);
  screen.setValues(1000, 1, 2, 3, 3);
  EXPECT_TRUE(gold->isVisible());
  EXPECT_EQ(medal->getChild(0)->getAnimation().getFrame(), 2);
}

// --- Pop-up ---------------------------------------------------------------------

CNode* popupScene(int frames) {
  auto* root = new CNode();
  auto* anim = animated({frames});
  anim->getChild(0)->addChild(tagged(new CNode(), QMRAchievementPopup::kTitleTag));
  anim->getChild(0)->addChild(tagged(new CNode(), QMRAchievementPopup::kBadgeTag));
  root->addChild(anim);
  return root;
}

TEST(AchievementPopup, EachTitleWaitsForTheAnimationBeforeIt) {
  QMRAchievementPopup popup;
  popup.loadSceneFrom(popupScene(10));
  EXPECT_FLOAT_EQ(popup.getScene()->getScale().x, 0.5f);
  EXPECT_FLOAT_EQ(popup.getTextNode()->getScale().x, 2.0f);
  EXPECT_FLOAT_EQ(popup.getTextNode()->getPosition().x, 15.0f);
  EXPECT_FLOAT_EQ(popup.getScene()->findByTag(539)->getPosition().y, -25.0f);
  EXPECT_FALSE(popup.isShown());
  popup.enqueue(21);
  popup.enqueue(22);
  popup.update(33);
  EXPECT_TRUE(popup.isShown());
  EXPECT_EQ(popup.currentTextId(), 21);
  int framesShown = 1;
  while (popup.isShown() && popup.currentTextId() == 21 && framesShown < 100) {
    popup.update(33);
    ++framesShown;
  }
  // Ten frames of animation, then the frame that sees it ended.
  EXPECT_GE(framesShown, 10);
  EXPECT_LE(framesShown, 12);
  EXPECT_FALSE(popup.isShown());  // a frame's gap
  popup.update(33);
  EXPECT_EQ(popup.currentTextId(), 22);
  for (int i = 0; i < 20; ++i) popup.update(33);
  EXPECT_FALSE(popup.isShown());
  EXPECT_EQ(popup.queuedCount(), 0u);
}

TEST(AchievementPopup, WithoutASceneTheQueueStillDrainsAndIsBounded) {
  QMRAchievementPopup popup;
  popup.loadSceneFrom(nullptr);
  for (int i = 0; i < 100; ++i) popup.enqueue(i);
  EXPECT_EQ(popup.queuedCount(), QMRAchievementPopup::kMaxQueued);
  for (int i = 0; i < 100; ++i) popup.update(33);
  EXPECT_EQ(popup.queuedCount(), 0u);
}

// --- Cursor -----------------------------------------------------------------------

CNode* cursorScene() {
  auto* root = new CNode();
  for (int tag : {MouseCursor::kArrowTag, MouseCursor::kHandTag}) {
    auto* look = tagged(new CNode(), tag);
    look->addChild(animated({1, 1}));
    root->addChild(look);
  }
  return root;
}

TEST(MouseCursorTest, ModesPickTheLookAndThePointer) {
  qmtest::RecordingHost host;
  MouseCursor cursor(cursorScene());
  cursor.update(33);
  EXPECT_EQ(cursor.getSprite(), nullptr);  // loaded, but no look before a mode
  EXPECT_TRUE(host.systemCursor.empty());
  EXPECT_EQ(cursor.getX(), 960);

  cursor.moveTo(100, 50, 0);
  cursor.setMode(MouseCursor::kArrow);
  cursor.update(33);
  ASSERT_NE(cursor.getSprite(), nullptr);
  EXPECT_EQ(cursor.getSprite()->getTag(), 151);
  EXPECT_FLOAT_EQ(cursor.getSprite()->getPosition().x, 98.0f);
  EXPECT_FLOAT_EQ(cursor.getSprite()->getPosition().y, 57.0f);
  cursor.setMode(MouseCursor::kHand);
  cursor.update(33);
  EXPECT_EQ(cursor.getSprite()->getTag(), 150);
  EXPECT_FLOAT_EQ(cursor.getSprite()->getPosition().x, 87.0f);
  EXPECT_FLOAT_EQ(cursor.getSprite()->getPosition().y, 37.0f);
  cursor.moveTo(10, 20, 0);
  EXPECT_FLOAT_EQ(cursor.getSprite()->getPosition().x, -3.0f);
  cursor.setMode(MouseCursor::kHidden);
  cursor.update(33);
  EXPECT_EQ(cursor.getSprite(), nullptr);
  cursor.setMode(MouseCursor::kSystemPointer);
  cursor.update(33);
  EXPECT_EQ(cursor.getSprite(), nullptr);
  EXPECT_EQ(host.systemCursor, (std::vector<bool>{false, false, false, true}));
  cursor.draw();  // nothing to draw, nothing to fail
}

TEST(MouseCursorTest, PressesShowThePressedLookUntilTheRelease) {
  MouseCursor cursor(cursorScene());
  cursor.setMode(MouseCursor::kArrow);
  cursor.update(33);
  CNode* look = cursor.getSprite()->getChild(0);
  cursor.setPressState(MouseCursor::kPressBegan);
  cursor.update(33);
  EXPECT_EQ(look->getAnimation().getFrame(), 1);
  cursor.setPressState(MouseCursor::kPressMoved);
  cursor.update(33);
  EXPECT_EQ(look->getAnimation().getFrame(), 1);
  cursor.setMode(MouseCursor::kArrow);  // the same mode: the press stays
  cursor.update(33);
  EXPECT_EQ(look->getAnimation().getFrame(), 1);
  cursor.setPressState(MouseCursor::kPressEnded);
  EXPECT_EQ(look->getAnimation().getFrame(), 1);  // not before the update
  cursor.update(33);
  EXPECT_EQ(look->getAnimation().getFrame(), 0);
  EXPECT_EQ(cursor.getPressState(), MouseCursor::kPressNone);
  // A new mode resets a held press.
  cursor.setPressState(MouseCursor::kPressBegan);
  cursor.update(33);
  cursor.setMode(MouseCursor::kHand);
  EXPECT_EQ(look->getAnimation().getFrame(), 0);
}

TEST(MouseCursorTest, WithoutASceneNothingHappens) {
  qmtest::RecordingHost host;
  MouseCursor cursor(nullptr);
  cursor.setMode(MouseCursor::kArrow);
  cursor.setPressState(MouseCursor::kPressBegan);
  cursor.update(33);
  cursor.draw();
  EXPECT_EQ(cursor.getSprite(), nullptr);
  EXPECT_TRUE(host.systemCursor.empty());
}

// --- Buttons and the map HUD ---------------------------------------------------------

TEST(WindowButton, SharesOneTemplateAndTakesTouchesOnlyOnceShown) {
  const int before = QMRButton::templateBuildCount();
  QMRButton::setTemplateScene(windowScene());
  QMRButton a, b, c;
  a.loadScene();
  b.loadScene();
  c.loadScene();
  EXPECT_EQ(QMRButton::templateBuildCount(), before + 1);
  EXPECT_NE(a.getFace(), b.getFace());
  EXPECT_FALSE(a.isVisible());
  EXPECT_FALSE(a.containsPoint(0, 0));
  a.show(4, 0x80006, 200, 100);
  EXPECT_TRUE(a.isAppearing());
  EXPECT_FALSE(a.containsPoint(200, 100));
  for (int i = 0; i < 12; ++i) a.update(33);
  EXPECT_FALSE(a.isAppearing());
  EXPECT_TRUE(a.containsPoint(200, 100));
  EXPECT_TRUE(a.containsPoint(249, 114));
  EXPECT_FALSE(a.containsPoint(252, 100));
  a.hide();
  EXPECT_FALSE(a.containsPoint(200, 100));
  QMRButton::discardTemplate();
}

TEST(MapHud, BackButtonHitsOnlyWhileVisible) {
  auto* root = new CNode();
  auto* back = new CButton();
  back->setTag(QMRMapHud::kBackButtonTag);
  back->setPosition(30, 290, 0);
  back->addChild(animated({1, 1}, new qmtest::BoxNode(40, 40)));
  root->addChild(back);
  root->addChild(tagged(new CNode(), QMRMapHud::kHintTag));
  QMRMapHud hud;
  hud.loadSceneFrom(root);
  EXPECT_FALSE(QMRMapHud::exists());  // a HUD of its own is not the game's one
  EXPECT_EQ(hud.getButtons().size(), 1u);
  EXPECT_TRUE(hud.handleTouch(30, 290));
  EXPECT_EQ(back->getState(), 1);
  EXPECT_EQ(hud.findButtonAt(45, 305), QMRMapHud::kBackButtonTag);
  EXPECT_FALSE(hud.handleTouch(200, 100));
  EXPECT_EQ(back->getState(), 0);
  back->setVisible(false);
  EXPECT_FALSE(hud.handleTouch(30, 290));
  EXPECT_EQ(back->getState(), 0);
  EXPECT_EQ(hud.findButtonAt(30, 290), -1);
  hud.setHintVisible(false);
  EXPECT_FALSE(root->findByTag(QMRMapHud::kHintTag)->isVisible());
  hud.setButtonsHighlighted(1);
  EXPECT_EQ(back->getState(), 1);
}

}  // namespace

// --- Pictures ------------------------------------------------------------------------

TEST(OverlayPictures, TheManifestDrawsEveryPictureOnSheetsFourAndFive) {
  const std::vector<std::uint8_t> bytes =
      texwriter::readFile(std::string(QM_TEST_SOURCE_DIR) + "/data/textures/15-overlays.txt");
  ASSERT_FALSE(bytes.empty());
  texwriter::Manifest manifest;
  std::string error;
  ASSERT_TRUE(texwriter::parseManifest(std::string(bytes.begin(), bytes.end()), manifest, &error)) << error;
  ASSERT_EQ(manifest.sheets.size(), 2u);
  int pictures = 0;
  for (const auto& sheet : manifest.sheets) {
    EXPECT_TRUE(sheet.number == 4 || sheet.number == 5);
    for (const auto& sprite : sheet.sprites) {
      EXPECT_GE(sprite.id, 400);
      EXPECT_LE(sprite.id, 499);
      int opaque = 0;
      const int w = sprite.picture.width(), h = sprite.picture.height();
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) opaque += sprite.picture.at(x, y).a > 64 ? 1 : 0;
      }
      // Something is drawn, and it is a shape, not a filled box.
      EXPECT_GT(opaque, w * h / 20) << sprite.label;
      EXPECT_LT(sprite.picture.at(0, 0).a, 64) << sprite.label;
      ++pictures;
    }
    texwriter::PackedSheet packed;
    EXPECT_TRUE(texwriter::packSheet(sheet.number, sheet.sprites, sheet.maxSide, 2, packed, &error)) << error;
  }
  EXPECT_GE(pictures, 28);
  texwriter::Picture out;
  EXPECT_FALSE(texwriter::drawPicture("art", {"no-such-picture"}, 8, 8, out, &error));
  EXPECT_FALSE(texwriter::drawPicture("art", {}, 8, 8, out, &error));
}
