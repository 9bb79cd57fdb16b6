// The HUD and the effects on code-built scene trees (no pictures): the
// effect pool, the bottom wolf's cool-down, the medal marks, the idle hint's
// blink and the rare scenery effect without alternatives.
#include <gtest/gtest.h>

#include "app/Random.h"
#include "game/ActorTemplates.h"
#include "game/GameHud.h"
#include "game/QMRBackground.h"
#include "game/QMRGameFX.h"
#include "tests/game/ActorFixtures.h"

using namespace actortest;

namespace {

// root -> options-like template with eight children, each playing 5 frames.
CNode* effectsScene() {
  auto* effect = animated(8);
  for (int k = 0; k < 8; ++k) effect->addChild(animated(5));
  auto* root = new CNode;
  root->addChild(effect);
  return root;
}

CNode* hudScene() {
  auto* root = new CNode;
  for (int i = 0; i < 3; ++i) {
    auto* mark = new CNode;
    mark->setTag(GameHud::kFirstMarkTag + i);
    mark->addChild(animated(2));
    root->addChild(mark);
  }
  auto* guide = animated(12);
  guide->setTag(GameHud::kGuideTag);
  root->addChild(guide);
  auto* hint = new CNode;
  hint->setTag(GameHud::kHintTag);
  root->addChild(hint);
  return root;
}

struct Scenes : ActorEnvironment {
  Scenes() {
    QMRGameFXManager::resetInstance();
    QMRBackgroundFX::resetInstance();
    ActorTemplates::install("fx.bin", effectsScene());
    ActorTemplates::install("hud.bin", hudScene());
    // root -> visual (one still frame) -> the part that moves.
    auto* visual = animated(1);
    visual->addChild(animated(20));
    auto* wolf = new CNode;
    wolf->addChild(visual);
    ActorTemplates::install("loup-appear.bin", wolf);
    ActorTemplates::install("extra-fixed.bin", new CNode);
  }
  ~Scenes() {
    QMRGameFXManager::resetInstance();
    QMRBackgroundFX::resetInstance();
  }
};

}  // namespace

TEST(HudEffects, ElevenEffectsInOneFrameGrowThePoolAndAllPlay) {
  Scenes env;
  QMRGameFXManager* fx = QMRGameFXManager::instance();
  EXPECT_EQ(fx->getPool().size(), 10u);
  for (int i = 0; i < 11; ++i) fx->spawnEffect(i % 8, 10 * i, 20, 0.0f);
  ASSERT_EQ(fx->getPool().size(), 11u);
  for (CNode* e : fx->getPool()) EXPECT_TRUE(e->isVisible() && e->isAnimating());
  EXPECT_EQ(playedSounds().size(), 10u) << "kind 7 is silent";
  EXPECT_EQ(playedSounds()[0], 9u);
  EXPECT_EQ(playedSounds()[3], 8u);
  fx->spawnEffect(8, 0, 0, 0.0f);
  fx->spawnEffect(-1, 0, 0, 0.0f);
  EXPECT_EQ(fx->getPool().size(), 11u) << "no such kinds";
  for (int f = 0; f < 10; ++f) fx->update(33);
  for (CNode* e : fx->getPool()) EXPECT_FALSE(e->isVisible());
}

TEST(HudEffects, TheBottomWolfWaitsFifteenSecondsAtLeast) {
  Scenes env;
  QMRBottomWolfFX wolf;
  EXPECT_GE(wolf.getCoolDown(), 15000);
  EXPECT_LT(wolf.getCoolDown(), 45000);
  EXPECT_FALSE(wolf.isReady());
  for (int t = 0; t < 45000 && !wolf.isReady(); t += 33) wolf.update(33);
  ASSERT_TRUE(wolf.isReady());
  wolf.appear(0, 200, 320, true);
  EXPECT_EQ(wolf.getScale(), Vector3(-1, 1, 1));
  EXPECT_TRUE(wolf.getVisual()->isVisible());
  int shownFor = 0;
  for (int t = 0; t < 15000; t += 33) {
    wolf.update(33);
    EXPECT_FALSE(wolf.isReady()) << t;
    if (wolf.getVisual()->isVisible()) shownFor += 33;
  }
  EXPECT_GT(shownFor, 0);
  EXPECT_FALSE(wolf.getVisual()->isVisible());
}

TEST(HudEffects, MarksAndTheBlinkingHint) {
  Scenes env;
  GameHud hud;
  hud.loadScene();
  auto frameOf = [&](int i) { return hud.findByTag(GameHud::kFirstMarkTag + i)->getChild(0)->getAnimation().getFrame(); };
  hud.showMarks(2);
  EXPECT_EQ(frameOf(0), 0);
  EXPECT_EQ(frameOf(1), 0);
  EXPECT_EQ(frameOf(2), 1);
  hud.showMarks(0);
  EXPECT_EQ(frameOf(1), 0) << "no medal changes nothing";
  hud.showMarks(1);
  EXPECT_EQ(frameOf(1), 1);

  CNode* hint = hud.findByTag(GameHud::kHintTag);
  EXPECT_FALSE(hint->isVisible());
  hud.setIdleHint(true);
  EXPECT_TRUE(hint->isVisible());
  hud.update(500);
  EXPECT_TRUE(hint->isVisible()) << "the first second lit";
  hud.update(600);
  EXPECT_FALSE(hint->isVisible()) << "then a dark one";
  hud.update(1000);
  EXPECT_TRUE(hint->isVisible());
  hud.setTapGuide(true);
  hud.update(1000);
  EXPECT_TRUE(hint->isVisible()) << "the guide keeps it on";
  hud.setTapGuide(false);
  hud.setIdleHint(false);
  EXPECT_FALSE(hint->isVisible());
}

TEST(HudEffects, ARareEffectWithoutAlternativesNeverStarts) {
  Scenes env;
  QMRBackgroundFX* fx = QMRBackgroundFX::instance();
  EXPECT_EQ(fx->getVisual(), nullptr);
  for (int t = 0; t < 250000; t += 1000) fx->update(1000);
  EXPECT_FALSE(fx->isPlaying());
  QMRBackground background(4);
  EXPECT_TRUE(background.getParts().empty());
  EXPECT_FALSE(background.isDecorationTag(106));
  EXPECT_TRUE(QMRBackground(7).isDecorationTag(106));
}
