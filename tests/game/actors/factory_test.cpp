// The entity factory over the sample models: class and mass by collision
// type at grid 10 and 20, looks from the block scene, sprites and none,
// complex entities, unknown names.
#include <gtest/gtest.h>

#include <typeinfo>

#include "game/actors/QMRBlackAnimals.h"
#include "game/actors/QMRBloc.h"
#include "game/actors/QMRCNodePhysicsReader.h"
#include "physics/CNodePhysicsContainer.h"
#include "render_engine/CSprite.h"
#include "tests/game/ActorData.h"
#include "tests/game/ActorFixtures.h"

using namespace actortest;

namespace {

struct Built {
  std::string name;
  const std::type_info& type;
  float mass;
};

void expectClassesAndMasses(int grid) {
  ActorEnvironment env;
  ActorData data(grid);
  QMRCNodePhysicsReader reader;
  reader.setScale(getGridSize());
  const float k = grid / 10.0f;
  const Built cases[] = {
      {"Sheep", typeid(QMRSheep), 1.0f * k},        {"Wolf", typeid(QMRWolf), 1.5f * k},
      {"BlackSheepLight", typeid(QMRBlackSheep), 0.5f * k}, {"BlackWolfHeavy", typeid(QMRBlackWolf), 5.0f * k},
      {"StoneBlock", typeid(QMRBloc), 3.0f * k},   {"WoodBox", typeid(QMRBloc), 1.0f * k},
      {"Balloon", typeid(QMRBloc), 0.3f * k},      {"GoalZone", typeid(QMRBloc), 0.0f},
  };
  for (const Built& c : cases) {
    CNode* node = reader.createEntity(c.name);
    ASSERT_NE(node, nullptr) << c.name;
    EXPECT_EQ(typeid(*node), c.type) << c.name;
    auto* physics = dynamic_cast<CNodePhysics*>(node);
    if (!physics->isStatic()) {
      EXPECT_FLOAT_EQ(physics->getMass(), c.mass) << c.name << " at grid " << grid;
    }
    EXPECT_EQ(node->getColor(), (ColorRGBA{1, 1, 1, 1}));
    if (auto* animal = dynamic_cast<QMRSheep*>(node)) {
      EXPECT_EQ(animal->getState(), 1);
      EXPECT_NE(animal->getVisual(), nullptr);
    }
    delete node;
  }
}

}  // namespace

TEST(Factory, ClassAndMassByCollisionTypeAtGridTen) { expectClassesAndMasses(10); }
TEST(Factory, ClassAndMassByCollisionTypeAtGridTwenty) { expectClassesAndMasses(20); }

TEST(Factory, BlocksShowTheirKindAndFloatingBlocksGetTheirStep) {
  ActorEnvironment env;
  ActorData data(10);
  QMRCNodePhysicsReader reader;
  auto* crate = dynamic_cast<QMRBloc*>(reader.createEntity("StrongBox"));
  ASSERT_NE(crate, nullptr);
  EXPECT_EQ(crate->getKind(), 9);
  EXPECT_EQ(crate->getHitPoints(), 2);
  ASSERT_NE(crate->getVisual(), nullptr);
  EXPECT_EQ(crate->getVisual()->getParent()->getTag(), 909);
  auto* balloon = dynamic_cast<QMRBloc*>(reader.createEntity("Balloon"));
  ASSERT_NE(balloon, nullptr);
  CScenePhysics scene;  // owns them from here on
  initScene(scene, 100.0f);
  crate->setPosition(300, 100, 0);
  scene.addPhysicsItem(crate);
  scene.addPhysicsItem(balloon);
  scene.update(33);
  EXPECT_LT(balloon->getVelocity().y, 0.0f);
  EXPECT_GT(crate->getVelocity().y, 0.0f);
  auto* eater = dynamic_cast<QMRBloc*>(reader.createEntity("SheepEater"));
  ASSERT_NE(eater, nullptr);
  EXPECT_EQ(eater->getVisual(), nullptr);
  EXPECT_EQ(eater->getChildCount(), 0u);
  eater->update(33);
  delete eater;
}

TEST(Factory, VisualsNoneABlockSceneCopyOrASprite) {
  ActorEnvironment env;
  ActorData data(10);
  QMRCNodePhysicsReader reader;
  EXPECT_EQ(reader.createVisual(-1, "", 0), nullptr);
  CNode* one = reader.createVisual(0, "", 0);
  CNode* two = reader.createVisual(3, "", 0);
  ASSERT_TRUE(one && two);
  NodeList a, b;
  one->collectAll(a);
  two->collectAll(b);
  EXPECT_EQ(a.size(), b.size());
  for (CNode* n : a) EXPECT_EQ(std::find(b.begin(), b.end(), n), b.end());
  EXPECT_NE(one->findByTag(105), nullptr);
  EXPECT_EQ(ActorTemplates::get(ActorTemplates::kBlocksScene)->getCloneLink(), nullptr);
  auto* sprite = dynamic_cast<CSprite*>(reader.createVisual(-5, "", 0));
  ASSERT_NE(sprite, nullptr);
  EXPECT_EQ(sprite->getTextureNumber(), 5);
  EXPECT_EQ(reader.createVisual(INT32_MIN, "", 0), nullptr);
  delete one;
  delete two;
  delete sprite;
}

TEST(Factory, ComplexEntitiesArePlainPartsWithTheirLooksAndUnscaledMasses) {
  ActorEnvironment env;
  ActorData data(20);
  QMRCNodePhysicsReader reader;
  reader.setScale(getGridSize());
  auto* seesaw = dynamic_cast<CNodePhysicsContainer*>(reader.createEntity("Seesaw"));
  ASSERT_NE(seesaw, nullptr);
  ASSERT_EQ(seesaw->getChildCount(), 3u);
  auto* plank = seesaw->getChild(1);
  EXPECT_EQ(typeid(*plank), typeid(CNodePhysics));
  EXPECT_FLOAT_EQ(dynamic_cast<CNodePhysics*>(plank)->getMass(), 2.0f);
  auto* list = dynamic_cast<COptionalNodeList*>(plank->findByTag(105)->getChild(0));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->getCurrentOption(), 13);
  auto* post = dynamic_cast<COptionalNodeList*>(seesaw->getChild(0)->findByTag(105)->getChild(0));
  EXPECT_EQ(post->getCurrentOption(), 14);
  delete seesaw;
  auto* tied = reader.createEntity("TiedCrates");
  ASSERT_NE(tied, nullptr);
  auto* rope = tied->getChild(2);
  ASSERT_NE(rope->findByTag(105), nullptr);
  EXPECT_EQ(dynamic_cast<COptionalNodeList*>(rope->findByTag(105)->getChild(0))->getCurrentOption(), 17);
  delete tied;
}

TEST(Factory, UnknownNamesGiveNothingAndTheBlockSceneIsReadOnce) {
  ActorEnvironment env;
  ActorData data(10);
  ActorTemplates::install(ActorTemplates::kBlocksScene, nullptr);
  QMRCNodePhysicsReader reader;
  EXPECT_EQ(reader.createEntity("NoSuchThing"), nullptr);
  EXPECT_EQ(reader.createEntity("NoSuchThing"), nullptr);
  // No "models/blocs.bin" here: the blocks build without a look, and the
  // file is looked for once.
  CNode* box = reader.createEntity("WoodBox");
  CNode* stone = reader.createEntity("StoneBlock");
  ASSERT_TRUE(box && stone);
  EXPECT_EQ(dynamic_cast<QMRBloc*>(box)->getVisual(), nullptr);
  EXPECT_EQ(ActorTemplates::readCount(ActorTemplates::kBlocksScene), 1);
  delete box;
  delete stone;
}
