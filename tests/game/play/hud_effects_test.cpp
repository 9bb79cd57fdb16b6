// The HUD and the effects on code-built scene trees (no pictures): the
// effect pool, the bottom wolf's cool-down, the medal marks, the tap guide,
// the idle hint's blink, the scenery's part timers and its rare effect with
// and without alternatives.
#include <gtest/gtest.h>

#include "app/Random.h"
#include "game/actors/ActorTemplates.h"
#include "game/play/GameHud.h"
#include "game/play/QMRBackground.h"
#include "game/play/QMRGameFX.h"
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

// Two looks of the marks, the second hidden at first; two guides below an
// untagged holder, each over a moving child.
TEST(HudEffects, MarksAreLookedUpAtEachCallAndEveryGuidePlaysAndStops) {
  Scenes env;
  auto* root = new CNode;
  for (int look = 0; look < 2; ++look) {
    auto* group = new CNode;
    for (int i = 0; i < 3; ++i) {
      auto* mark = new CNode;
      mark->setTag(GameHud::kFirstMarkTag + i);
      mark->addChild(animated(2));
      group->addChild(mark);
    }
    group->setVisible(look == 0);
    root->addChild(group);
  }
  auto* holder = new CNode;
  for (int g = 0; g < 2; ++g) {
    auto* guide = animated(12);
    guide->setTag(GameHud::kGuideTag);
    guide->addChild(animated(4));
    holder->addChild(guide);
  }
  root->addChild(holder);
  ActorTemplates::install("hud.bin", root);
  GameHud hud;
  hud.loadScene();
  CNode* scene = hud.getChild(0);
  CNode* first = scene->getChild(0);
  CNode* second = scene->getChild(1);
  auto frameOf = [](CNode* group, int i) { return group->getChild(i)->getChild(0)->getAnimation().getFrame(); };

  first->setVisible(false);
  second->setVisible(true);
  hud.showMarks(1);
  EXPECT_EQ(frameOf(second, 0), 0);
  EXPECT_EQ(frameOf(second, 1), 1) << "the look shown now";
  EXPECT_EQ(frameOf(second, 2), 1);
  EXPECT_EQ(frameOf(first, 1), 0) << "the hidden look is left";

  CNode* guides = scene->getChild(2);
  hud.setTapGuide(true);
  for (CNode* guide : guides->getChildren()) {
    EXPECT_TRUE(guide->isVisible());
    EXPECT_TRUE(guide->isAnimationPlaying()) << "every guide, below an untagged node too";
    EXPECT_TRUE(guide->getChild(0)->isAnimationPlaying());
  }
  hud.update(33 * 20);
  EXPECT_TRUE(guides->getChild(0)->isAnimationPlaying()) << "it loops";
  hud.setTapGuide(false);
  for (CNode* guide : guides->getChildren()) {
    EXPECT_FALSE(guide->isVisible());
    EXPECT_FALSE(guide->isAnimationPlaying());
    EXPECT_FALSE(guide->getChild(0)->isAnimationPlaying());
  }
}

// A scenery of three parts: each either starts at once, somewhere in its
// animation, or waits 5 to 30 s; a part that played waits again.
TEST(HudEffects, TheSceneryPartsPlayOnTheirTimers) {
  Scenes env;
  auto* scene = new CNode;
  for (int i = 0; i < 3; ++i) {
    auto* part = new CNode;
    part->setTag(QMRBackground::kPartTag);
    part->addChild(animated(10));
    scene->addChild(part);
  }
  scene->addChild(animated(10));  // untagged: not a part
  ActorTemplates::install("background2.bin", scene);
  bool sawWaiting = false;
  bool sawStarted = false;
  for (int seed = 1; seed <= 8 && !(sawWaiting && sawStarted); ++seed) {
    seedRandom(static_cast<unsigned>(seed));
    QMRBackground background(2);
    ASSERT_EQ(background.getParts().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      const int timer = background.getPartTimers()[i];
      CNode* part = background.getParts()[i];
      if (timer == 0) {
        sawStarted = true;
        EXPECT_TRUE(part->isAnimating()) << "a part that starts at once plays";
      } else {
        sawWaiting = true;
        EXPECT_GE(timer, 5000);
        EXPECT_LT(timer, 30000);
        EXPECT_FALSE(part->isAnimating());
      }
    }
    // A waiting part counts down by the frame time and plays once its time is up.
    for (std::size_t i = 0; i < 3; ++i) {
      if (background.getPartTimers()[i] == 0) continue;
      const int before = background.getPartTimers()[i];
      background.update(100);
      EXPECT_EQ(background.getPartTimers()[i], before - 100);
      int t = 0;
      for (; t < 31000 && !background.getParts()[i]->isAnimating(); t += 100) background.update(100);
      EXPECT_TRUE(background.getParts()[i]->isAnimating());
      EXPECT_LE(t, before);
      // Once it has played it waits again.
      for (int f = 0; f < 20 && background.getParts()[i]->isAnimating(); ++f) background.update(100);
      EXPECT_FALSE(background.getParts()[i]->isAnimating());
      background.update(1);
      EXPECT_GE(background.getPartTimers()[i], 5000 - 1);
      EXPECT_LT(background.getPartTimers()[i], 30000);
      break;
    }
  }
  EXPECT_TRUE(sawStarted && sawWaiting) << "the coin came down both ways";
}

// extra-fixed.bin: root -> holder -> visual -> three alternatives, each with
// children and grandchildren that move.
TEST(HudEffects, TheRareEffectPlaysOneAlternativeThenHidesAndWaitsAgain) {
  Scenes env;
  auto* visual = animated(3);  // a frame per alternative
  for (int a = 0; a < 3; ++a) {
    auto* alternative = animated(6);
    auto* child = animated(8);
    child->addChild(animated(12));
    alternative->addChild(child);
    visual->addChild(alternative);
  }
  auto* holder = new CNode;
  holder->addChild(visual);
  auto* root = new CNode;
  root->addChild(holder);
  ActorTemplates::install("extra-fixed.bin", root);
  seedRandom(3);
  QMRBackgroundFX* fx = QMRBackgroundFX::instance();
  ASSERT_NE(fx->getVisual(), nullptr);
  EXPECT_FALSE(fx->getVisual()->isVisible());
  const int wait = fx->getTimer();
  EXPECT_GE(wait, 60000);
  EXPECT_LT(wait, 240000);
  int t = 0;
  for (; t < 240000 && !fx->isPlaying(); t += 1000) fx->update(1000);
  ASSERT_TRUE(fx->isPlaying());
  EXPECT_GE(t, wait) << "not before its time";
  EXPECT_LT(t, wait + 1000);
  EXPECT_TRUE(fx->getVisual()->isVisible());
  CNode* current = fx->getCurrent();
  ASSERT_NE(current, nullptr);
  const int shown = fx->getVisual()->getAnimation().getFrame();
  EXPECT_EQ(fx->getVisual()->getChild(shown), current) << "the frame shown is the alternative played";
  EXPECT_TRUE(fx->isRunning());
  EXPECT_TRUE(current->getChild(0)->getChild(0)->isAnimationPlaying()) << "the grandchildren play too";
  EXPECT_GE(fx->getTimer(), 60000) << "the next wait is drawn at the start";

  for (int f = 0; f < 100 && fx->isPlaying(); ++f) fx->update(100);
  EXPECT_FALSE(fx->isPlaying()) << "the grandchildren's 12 frames end it";
  EXPECT_FALSE(fx->getVisual()->isVisible());

  // A new scenery stops a running effect.
  for (t = 0; t < 240000 && !fx->isPlaying(); t += 1000) fx->update(1000);
  ASSERT_TRUE(fx->isPlaying());
  {
    QMRBackground background(4);
    background.stopEffect();
  }
  EXPECT_FALSE(fx->isPlaying());
  EXPECT_FALSE(fx->getVisual()->isVisible());
}
