// The overlays on the real sample scenes, drawn through OpenGL as the game
// draws its frame: each one puts its pictures where they belong. With
// QM_SHOT_DIR set, the frames are also written there as PNG files (in the
// language of QM_SHOT_LANG, English when unset).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "game/overlays/MouseCursor.h"
#include "game/overlays/QMRAchievementPopup.h"
#include "game/overlays/QMRMapHud.h"
#include "game/overlays/QMRTextBanner.h"
#include "render_engine/CNodeReader.h"
#include "support/GameFrame.h"
#include "support/GlWindow.h"
#include "support/TempDir.h"
#include "tools/texture_writer.h"

using RenderEngine::CNode;

namespace {

struct Pixel {
  int r, g, b;
  int brightness() const { return r + g + b; }
};

// No host is installed: the overlays' sounds go nowhere.
class OverlaysGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(qmtest::openGlWindow("overlays_gl_test", 960, 640));
    std::filesystem::current_path(QM_DATA_DIR);
    initTexts();
    // QM_SHOT_LANG picks another language for the pictures (the checks hold in any).
    const char* language = std::getenv("QM_SHOT_LANG");
    setLanguage(language != nullptr ? language : "en");
  }
  void SetUp() override { beginFrame(); }

  static void beginFrame() {
    qmtest::setUpGameFrame();
    // A mid-grey screen underneath, so the dim shows.
    glClearColor(0.5f, 0.6f, 0.7f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glScalef(2, 2, 1);
    glColor4f(1, 1, 1, 1);
    CNode::currentColor() = RenderEngine::ColorRGBA{};
  }
  // A pixel of the 960x640 picture at a point of the 480x320 space.
  static Pixel at(int px, int py) {
    unsigned char p[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(px * 2, 639 - py * 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Pixel{p[0], p[1], p[2]};
  }
  static void shot(const char* name) {
    const char* dir = std::getenv("QM_SHOT_DIR");
    if (dir == nullptr) return;
    std::vector<unsigned char> px(960 * 640 * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 960, 640, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    texwriter::Picture pic(960, 640);
    for (int y = 0; y < 640; ++y) {
      for (int x = 0; x < 960; ++x) {
        const unsigned char* p = &px[(static_cast<std::size_t>(639 - y) * 960 + x) * 4];
        pic.set(x, y, texwriter::Rgba{p[0], p[1], p[2], 255});
      }
    }
    texwriter::writePng(std::string(dir) + "/" + name + ".png", pic);
  }
  static void run(CNode& node, int frames) {
    for (int i = 0; i < frames; ++i) node.update(33);
  }
};

TEST_F(OverlaysGlTest, BannerOpensAtTheFootWithItsButtonsAndTheResultWindow) {
  QMRTextBanner banner;
  banner.loadScene();
  ASSERT_NE(banner.getRoot(), nullptr);
  ASSERT_FALSE(banner.getTextNodes().empty());
  const Pixel before = at(240, 60);
  banner.showMessage(0x20000 + 14, QMRTextBanner::kPause, 2, 0x04 | 0x08);
  run(banner, 3);
  EXPECT_TRUE(banner.isOpening());
  run(banner, 20);
  EXPECT_FALSE(banner.isOpening());
  // The buttons came with the end of the opening: they appear, then take touches.
  EXPECT_FALSE(banner.getButtons()[0]->containsPoint(240, 72));
  run(banner, 12);
  beginFrame();
  banner.draw(false, true);
  shot("banner-pause");
  // The screen above is dimmed, the strip at the foot is parchment-bright, the
  // two buttons (x 240, y 50 and 150, drawn 22 lower to clear the HUD's
  // counter) are there; the banner's letters are dark on the parchment.
  EXPECT_LT(at(240, 10).brightness(), before.brightness() * 3 / 4);
  EXPECT_GT(at(92, 300).brightness(), 450);
  ASSERT_TRUE(banner.getButtons()[0]->isVisible());
  EXPECT_NE(at(240, 72).brightness(), at(240, 10).brightness());
  EXPECT_EQ(at(240, 42).brightness(), at(240, 10).brightness()) << "the counter's row stays clear";
  EXPECT_TRUE(banner.getButtons()[0]->containsPoint(240, 72));
  EXPECT_FALSE(banner.getButtons()[0]->containsPoint(240, 45));
  EXPECT_TRUE(banner.getButtons()[1]->containsPoint(250, 172));
  EXPECT_FALSE(banner.getButtons()[2]->isVisible());
  int brownInk = 0;
  for (int y = 252; y < 272; ++y) {
    for (int x = 236; x < 296; ++x) {
      const Pixel p = at(x, y);
      if (p.r > p.b + 30 && p.brightness() < 300) ++brownInk;
    }
  }
  EXPECT_GT(brownInk, 5) << "the word \"Pause\" in brown";

  // A win: the result window left of centre, the buttons on the right.
  banner.showResult(BannerMessage{0x20000 + 14, QMRTextBanner::kWon, 2, 19}, 65000, 3, 18250, 20400, 3);
  EXPECT_TRUE(banner.showNextQueued());
  run(banner, 40);
  beginFrame();
  banner.draw(false, true);
  shot("banner-result");
  EXPECT_STREQ(banner.getResultScreen()->getTimeText(), "1:05");
  EXPECT_TRUE(banner.getButtons()[0]->containsPoint(384, 55));
  EXPECT_GT(at(100, 60).brightness(), 400);  // the panel's parchment
  // The gold medal at (238, 100): its yellow disc.
  const Pixel medal = at(238, 104);
  EXPECT_GT(medal.r, 150);
  EXPECT_GT(medal.g, 100);
  EXPECT_LT(medal.b, medal.r);
}

// It rests smaller between the result window (down to y 191) and the
// banner's words (from y 245), clear of the window's rows and buttons.
TEST_F(OverlaysGlTest, PopupRisesBetweenTheResultWindowAndTheBannerWordsThenGoes) {
  QMRAchievementPopup popup;
  popup.loadScene();
  ASSERT_NE(popup.getTextNode(), nullptr);
  popup.enqueue(21);
  run(popup, 15);
  ASSERT_TRUE(popup.isShown());
  beginFrame();
  popup.draw(false, true);
  shot("achievement");
  const Pixel plaque = at(265, 236);
  EXPECT_LT(plaque.r, 120);  // the plaque's deep blue
  EXPECT_GT(plaque.b, plaque.r);
  const int screen = at(5, 5).brightness();
  for (int y : {190, 250}) EXPECT_EQ(at(265, y).brightness(), screen) << "nothing drawn at y " << y;
  EXPECT_EQ(at(240, 50).brightness(), screen) << "nothing drawn over the window's top rows";
  run(popup, 100);
  EXPECT_FALSE(popup.isShown());
}

TEST_F(OverlaysGlTest, CursorAndMapHudDrawWhereTheyShould) {
  ExportCNode::CNodeReader reader("cursors.bin");
  MouseCursor cursor(reader.read());
  cursor.setMode(MouseCursor::kHand);
  cursor.moveTo(200, 150, 0);
  cursor.update(33);
  QMRMapHud hud;
  hud.loadScene();
  ASSERT_NE(hud.getBackButton(), nullptr);
  beginFrame();
  hud.draw(false, true);
  cursor.draw();
  shot("cursor-hud");
  // The hand hangs below and right of the point; nothing is drawn up-left.
  EXPECT_GT(at(203, 160).brightness(), 500);
  EXPECT_EQ(at(190, 140).brightness(), at(10, 10).brightness());
  EXPECT_TRUE(hud.handleTouch(28, 292));
  EXPECT_EQ(hud.findButtonAt(28, 292), QMRMapHud::kBackButtonTag);
  EXPECT_EQ(hud.findButtonAt(240, 160), -1);
  cursor.setMode(MouseCursor::kArrow);
  cursor.setPressState(MouseCursor::kPressBegan);
  cursor.moveTo(100, 100, 0);
  cursor.update(33);
  beginFrame();
  cursor.draw();
  shot("cursor-arrow-pressed");
  EXPECT_GT(at(103, 106).brightness(), 500);
}

}  // namespace
