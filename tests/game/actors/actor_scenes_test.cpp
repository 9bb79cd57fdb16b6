// The actors' scene files as compiled from data/scenes, read headless (no
// pictures next to them): what the actors expect of each, and the actors
// built on them.
#include <gtest/gtest.h>

#include <filesystem>

#include "game/actors/QMRBlackAnimals.h"
#include "game/actors/QMRBloc.h"
#include "game/actors/QMRCNodePhysicsReader.h"
#include "game/actors/QMRJoint.h"
#include "render_engine/COptionalNodeList.h"
#include "tests/game/ActorData.h"
#include "tests/game/ActorFixtures.h"

using namespace actortest;

namespace {

// The scene files alone, in a data folder of the sample models.
struct SceneData {
  ActorData data{10};
  SceneData() {
    std::filesystem::create_directories(data.dir().path() / "models");
    for (const char* name : {ActorTemplates::kSheepScene, ActorTemplates::kWolfScene,
                             ActorTemplates::kBlackSheepScene, ActorTemplates::kBlackWolfScene,
                             ActorTemplates::kBlocksScene}) {
      std::filesystem::copy_file(std::string(QM_BUILD_DATA_DIR) + "/models/" + name,
                                 data.dir().path() / "models" / name);
    }
    ActorTemplates::clearAll();
    QMRJoint::resetTemplate();
  }
};

void expectAnimalVisual(CNode* visual, int frames, std::initializer_list<int> poses) {
  ASSERT_NE(visual, nullptr);
  EXPECT_GE(visual->getAnimation().getFrameCount(), frames);
  for (int pose : poses) EXPECT_LT(pose, visual->getAnimation().getFrameCount());
  ASSERT_NE(visual->findByTag(66), nullptr);
  EXPECT_GT(visual->findByTag(66)->getAnimation().getFrameCount(), 0);
  bool childAnimates = false;
  for (CNode* child : visual->getChildren()) childAnimates |= child->getAnimation().getFrameCount() > 0;
  EXPECT_TRUE(childAnimates);
}

}  // namespace

TEST(ActorScenes, AnimalScenesHoldTheirPosesAndIdleNode) {
  ActorEnvironment env;
  SceneData scenes;
  expectAnimalVisual(ActorTemplates::get(ActorTemplates::kSheepScene)->getChild(0), 336, {0, 77, 165, 247, 335});
  expectAnimalVisual(ActorTemplates::get(ActorTemplates::kWolfScene)->getChild(0), 92, {89, 91, 2});
  for (const char* name : {ActorTemplates::kBlackSheepScene, ActorTemplates::kBlackWolfScene}) {
    CNode* pair = ActorTemplates::get(name)->getChild(0);
    ASSERT_NE(pair, nullptr) << name;
    ASSERT_EQ(pair->getChildCount(), 2u) << name;
    const int frames = name == std::string(ActorTemplates::kBlackSheepScene) ? 336 : 92;
    expectAnimalVisual(pair->getChild(0)->getChild(0), frames, {});
    expectAnimalVisual(pair->getChild(1)->getChild(0), frames, {});
    NodeList a, b;
    pair->getChild(0)->collectAll(a);
    pair->getChild(1)->collectAll(b);
    EXPECT_NE(a.size(), b.size()) << "the two looks differ";
  }
}

TEST(ActorScenes, TheBlockSceneHasEveryKindWithItsVisual) {
  ActorEnvironment env;
  SceneData scenes;
  CNode* root = ActorTemplates::get(ActorTemplates::kBlocksScene);
  CNode* selector = root->getChild(0)->getChild(0);
  ASSERT_NE(selector, nullptr);
  EXPECT_EQ(selector->getTag(), 105);
  auto* list = dynamic_cast<COptionalNodeList*>(selector->getChild(0));
  ASSERT_NE(list, nullptr);
  ASSERT_GE(list->getOptionCount(), 24);
  bool single = false;
  for (int k = 0; k < 24; ++k) {
    ASSERT_EQ(list->getOption(k).size(), 1u) << k;
    EXPECT_EQ(list->getOption(k)[0], list->getChild(k)) << k;
    CNode* visual = list->getChild(k)->getChild(0);
    ASSERT_NE(visual, nullptr) << k;
    EXPECT_EQ(visual->getAnimation().getFrameCount(), 2) << k;
    single |= visual->getChildCount() <= 1;
  }
  EXPECT_TRUE(single);
  for (int k : {0, 5, 6, 7, 9, 16, 20}) EXPECT_GE(list->getChild(k)->getChild(0)->getChildCount(), 2u) << k;
  NodeList decorations;
  root->collectByTag(decorations, 106);
  EXPECT_FALSE(decorations.empty());
}

TEST(ActorScenes, TheFactoryBuildsOnTheRealScenes) {
  ActorEnvironment env;
  SceneData scenes;
  QMRCNodePhysicsReader reader;
  reader.setScale(getGridSize());
  auto* jumper = dynamic_cast<QMRBloc*>(reader.createEntity("Jumper"));
  ASSERT_NE(jumper, nullptr);
  EXPECT_EQ(jumper->getKind(), 20);
  EXPECT_TRUE(jumper->isLooping());
  auto* crate = dynamic_cast<QMRBloc*>(reader.createEntity("StrongBox"));
  ASSERT_NE(crate, nullptr);
  EXPECT_FALSE(crate->takeHit());
  EXPECT_NE(crate->getVisual(), nullptr);
  auto* sheep = dynamic_cast<QMRSheep*>(reader.createEntity("Sheep"));
  auto* wolf = dynamic_cast<QMRWolf*>(reader.createEntity("Wolf"));
  auto* black = dynamic_cast<QMRBlackWolf*>(reader.createEntity("BlackWolfHeavy"));
  ASSERT_TRUE(sheep && wolf && black);
  EXPECT_EQ(black->getModelIndex(), 1);
  for (int i = 0; i < 300; ++i) {
    for (CNode* n : std::initializer_list<CNode*>{jumper, crate, sheep, wolf, black}) n->update(33);
  }
  sheep->die();
  wolf->die();
  for (int i = 0; i < 60; ++i) wolf->update(33);
  EXPECT_FALSE(wolf->isVisible());
  EXPECT_EQ(ActorTemplates::readCount(ActorTemplates::kBlocksScene), 1);
  for (CNode* n : std::initializer_list<CNode*>{jumper, crate, sheep, wolf, black}) delete n;
}
