// The honour board on the game's own "tableau.bin" (the built data tree, real
// text nodes): its twenty medals, the figures written on every enter and the
// caption that follows the pointer, in each language.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/GameLoop.h"
#include "app/LocalizedText.h"
#include "game/menus/QMRHonorSequence.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/QMRAchievementManager.h"
#include "render_engine/CNodeText.h"
#include "support/GlWindow.h"
#include "support/TempDir.h"

namespace {

const char* textOf(RenderEngine::CNode* scene, int tag) {
  auto* t = dynamic_cast<RenderEngine::CNodeText*>(scene->findByTag(tag));
  return t != nullptr && t->getText() != nullptr ? t->getText() : "";
}

TEST(HonorBoardScene, MedalsFiguresAndCaption) {
  ASSERT_TRUE(qmtest::openGlWindow("honour board"));
  qmtest::TempDir tmp;
  qmtest::ScopedEnv home("XDG_DATA_HOME", tmp.str());
  qmtest::ScopedCwd cwd(QM_DATA_DIR);
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
  initTexts();

  QMRHonorSequence board;
  ASSERT_TRUE(board.load());
  RenderEngine::CNode* scene = board.getScene();
  for (int n = 1; n <= 20; ++n) {
    SCOPED_TRACE(n);
    const HonorRow& row = board.getRows()[static_cast<std::size_t>(n - 1)];
    ASSERT_NE(row.node, nullptr);
    ASSERT_NE(row.node->getChild(0), nullptr);
    EXPECT_EQ(row.node->getChild(0)->getChildCount(), 2u);
  }
  for (int tag : {479, 540, 585, 586, 587}) {
    EXPECT_NE(dynamic_cast<RenderEngine::CNodeText*>(scene->findByTag(tag)), nullptr) << tag;
  }

  for (const char* code : {"en", "fr", "de", "es", "it"}) {
    SCOPED_TRACE(code);
    setLanguage(code);
    RenderEngine::CNodeText::refreshAllLocalizedTexts();  // as the menu does on a switch
    board.enter();
    // Written on enter, not only at load (a text node keeps a copy).
    EXPECT_STREQ(textOf(scene, 479), board.getPercentText());
    EXPECT_STREQ(textOf(scene, 479), "0%");
    EXPECT_STREQ(textOf(scene, 586), "0");
    EXPECT_STREQ(textOf(scene, 587), "/20");
    EXPECT_STREQ(textOf(scene, 540), getText(0));
    EXPECT_STREQ(textOf(scene, 585), getText(41));

    // The pointer on the first medal, then on the seventh, then away.
    const RenderEngine::Vector3& first = board.getRows()[0].node->getPosition();
    board.touchHover(static_cast<int>(first.x), static_cast<int>(first.y));
    EXPECT_STREQ(textOf(scene, 540), getText(21));
    EXPECT_STREQ(textOf(scene, 585), getText(1));
    const RenderEngine::Vector3& seventh = board.getRows()[6].node->getPosition();
    board.touchHover(static_cast<int>(seventh.x), static_cast<int>(seventh.y));
    board.touchHover(static_cast<int>(seventh.x), static_cast<int>(seventh.y));
    EXPECT_STREQ(textOf(scene, 540), getText(27));
    EXPECT_STREQ(textOf(scene, 585), getText(7));
    board.touchHover(470, 10);
    EXPECT_STREQ(textOf(scene, 540), getText(0));
    EXPECT_TRUE(board.isNoRowOpen());
  }
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
}

}  // namespace
