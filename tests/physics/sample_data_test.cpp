// The sample physics data in data/: every file loads without a message, the
// names the game asks for are there, and every sample level built as the game
// builds it comes to rest inside the world.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "PhysicsTestSupport.h"
#include "physics/CNodePhysics.h"
#include "physics/CNodePhysicsJoint.h"
#include "physics/CScenePhysics.h"
#include "physics/CNodePhysicsReader.h"
#include "physics/GameConfiguration.h"
#include "render_engine/RecordingTextureGl.h"
#include "render_engine/TextureManager.h"
#include "support/TempDir.h"
#include "tools/level_build.h"

using namespace RenderEngine;
using physicstest::MessageCollector;

namespace {

const std::filesystem::path kData = std::filesystem::path(QM_TEST_SOURCE_DIR) / "data";

std::vector<std::string> modelNames(const char* folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kData / folder)) {
    if (entry.path().extension() == ".ynm") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<int> levelNumbers() {
  std::vector<int> numbers;
  for (const std::string& name : modelNames("levels")) numbers.push_back(std::stoi(name));
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

class SampleDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = TextureGlBackend::set(qmtest::recordingBackend());
    TextureManager::instance().resetForTests();
  }
  void TearDown() override {
    TextureManager::instance().resetForTests();
    TextureGlBackend::set(old_);
  }
  TextureGlBackend old_{};
};

TEST_F(SampleDataTest, EveryFileLoadsWithoutAMessageAndHasTheNamesTheGameUses) {
  qmtest::ScopedCwd cwd(kData);
  MessageCollector messages;
  ASSERT_TRUE(loadConfiguration());
  CNodePhysicsReader reader;
  reader.setScale(getGridSize());
  for (const std::string& name : modelNames("physicmodels/entities")) {
    EXPECT_EQ(reader.getEntity(name).name, name);
    delete reader.createEntity(name);
  }
  for (const std::string& name : modelNames("physicmodels/jointtemplates")) {
    EXPECT_EQ(reader.getJointTemplate(name).name, name);
  }
  for (const std::string& name : modelNames("physicmodels/complexentities")) {
    EXPECT_EQ(reader.getComplexEntity(name).name, name);
    delete reader.createEntity(name);
  }
  for (int level : levelNumbers()) EXPECT_FALSE(reader.loadLevel(level).entities.empty()) << level;

  // The names and numbers the game uses. Collision types 0 to 14, each under a name.
  std::set<int> types;
  for (const auto& [name, value] : CNodePhysicsReader::typeTable()) types.insert(value);
  for (int t = 0; t <= 14; ++t) EXPECT_EQ(types.count(t), 1u) << t;
  // The explosion blast's group.
  EXPECT_EQ(CNodePhysicsReader::groupTable().count("blast"), 1u);
  EXPECT_EQ(CNodePhysicsReader::lookupGroup("blast"), 10);
  // Every level gets the SheepEater.
  EXPECT_EQ(reader.getEntity("SheepEater").name, "SheepEater");
  // The black animals' model pairs: two masses, so the look can follow.
  const GameConfiguration& c = gameConfiguration();
  ASSERT_EQ(c.blackAnimals.size(), 2u);
  for (const BlackAnimalRecord& r : c.blackAnimals) {
    const PhysicsModelDescription m1 = reader.getEntity(r.model1);
    const PhysicsModelDescription m2 = reader.getEntity(r.model2);
    EXPECT_EQ(m1.body.collisionType, r.collisionType) << r.model1;
    EXPECT_EQ(m2.body.collisionType, r.collisionType) << r.model2;
    EXPECT_NE(m1.body.mass, m2.body.mass) << r.model1;
  }
  for (const std::string& m : messages.messages()) ADD_FAILURE() << m;
}

TEST_F(SampleDataTest, EverySampleLevelLoadsAndSettles) {
  const std::vector<int> levels = levelNumbers();
  ASSERT_GE(levels.size(), 8u);
  std::set<int> typesUsed;
  std::set<int> jointKinds;
  int complexEntities = 0;
  std::set<int> rates;
  for (int level : levels) {
    // Thirty seconds with no one playing: nothing may be lost by itself, and
    // only what hangs from a joint may still sway.
    const levelbuild::ProbeResult r = levelbuild::probeLevel(kData.string(), level, 900);
    ASSERT_TRUE(r.loaded) << level;
    EXPECT_TRUE(r.built.leftOut.empty()) << level;
    EXPECT_NE(r.built.sheepEater, nullptr) << level;
    EXPECT_EQ(r.built.jointsBuilt, r.jointsListed) << level;
    for (const std::string& m : r.messages) ADD_FAILURE() << "level " << level << ": " << m;
    // Balloons lift only through the game's blocks, which the probe leaves
    // out: a level with balloons is proven at rest by level_check instead.
    const bool lifted = std::any_of(r.bodies.begin(), r.bodies.end(),
                                    [](const levelbuild::BodyReport& b) { return b.model == "Balloon"; });
    if (!lifted) {
      EXPECT_EQ(levelbuild::settleProblem(r), "") << "level " << level;
    }
    for (const levelbuild::BodyReport& b : r.bodies) typesUsed.insert(b.collisionType);
    complexEntities += r.built.complexEntities;
    rates.insert(r.built.rate);
  }
  // The whole first map brings in every collision type, every joint kind and
  // a level large enough for a faster physics rate; while it is still being
  // laid out, its first levels need not.
  const bool wholeMap = levels.size() >= 25;
  if (wholeMap) {
    for (int t : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14}) EXPECT_EQ(typesUsed.count(t), 1u) << "type " << t;
    EXPECT_GT(rates.size(), 1u);  // the tweak table is exercised
  }
  EXPECT_GT(complexEntities, 0);

  // Joints of every kind, from the levels or the complex entities.
  qmtest::ScopedCwd cwd(kData);
  MessageCollector messages;
  CNodePhysicsReader reader;
  for (int level : levels) {
    for (const PhysicsModelDescription& j : reader.loadLevel(level).joints) jointKinds.insert(j.joint.type);
  }
  for (const std::string& name : modelNames("physicmodels/complexentities")) {
    for (const PhysicsModelDescription& j : reader.getComplexEntity(name).joints) jointKinds.insert(j.joint.type);
  }
  if (wholeMap) {
    EXPECT_EQ(jointKinds.size(), 4u);
  }
}

TEST_F(SampleDataTest, TheProbeReportsAnimalsLostWithNoOnePlaying) {
  qmtest::TempDir tree;
  std::filesystem::copy(kData, tree.path(), std::filesystem::copy_options::recursive);
  auto level = [&](int number, const std::string& entities) {
    tree.write("levels/" + std::to_string(number) + ".ynm",
               "<level name=\"lost\"><baseentytylist>" + entities + "</baseentytylist><jointslist/></level>");
  };
  // A sheep dropped on spikes; a wolf that falls off the bottom into the
  // SheepEater; a sheep that stays where it is put on the ground.
  level(901, "<entity name=\"DeathZone\" x=\"24\" y=\"30\" angle=\"0\" id=\"1\"/>"
             "<entity name=\"Sheep\" x=\"24\" y=\"26\" angle=\"0\" id=\"2\"/>");
  level(902, "<entity name=\"Wolf\" x=\"24\" y=\"26\" angle=\"0\" id=\"1\"/>");
  level(903, "<entity name=\"Ground\" x=\"24\" y=\"31\" angle=\"0\" id=\"1\"/>"
             "<entity name=\"Sheep\" x=\"24\" y=\"28.8\" angle=\"0\" id=\"2\"/>");
  struct Case {
    int level;
    std::vector<const char*> deathSays;
  };
  for (const Case& c : {Case{901, {"#2 Sheep touched a death zone at frame"}},
                        Case{902, {"#1 Wolf left the screen at frame", "; touched the SheepEater at frame"}},
                        Case{903, {}}}) {
    SCOPED_TRACE(c.level);
    const levelbuild::ProbeResult r = levelbuild::probeLevel(tree.str(), c.level, 120);
    ASSERT_TRUE(r.loaded);
    const std::string problem = levelbuild::settleProblem(r);
    if (c.deathSays.empty()) {
      EXPECT_EQ(problem, "");
    }
    for (const char* part : c.deathSays) EXPECT_NE(problem.find(part), std::string::npos) << problem;
  }
}

TEST_F(SampleDataTest, AComplexEntityPlacedAtAnAngleKeepsItsJoints) {
  // The tied crates, turned a quarter as one: they stand one above the other
  // about the same centre, the rope as long as at angle 0, and each crate
  // turned with them.
  qmtest::ScopedCwd cwd(kData);
  MessageCollector messages;
  loadConfiguration();
  CNodePhysicsReader reader;
  reader.setScale(getGridSize());
  auto ropeLength = [&](float angle, cpVect& centre, cpVect& apart) {
    RenderEngine::CScenePhysics scene;
    RenderEngine::CNodePhysicsBaseInterface* crates = reader.createEntity("TiedCrates");
    EXPECT_NE(crates, nullptr);
    if (crates == nullptr) return 0.0;
    crates->setPosition(200, 150, 0);
    crates->setRotation(0, 0, angle);
    scene.addPhysicsItem(crates);
    double length = 0.0;
    std::vector<cpVect> bodies;
    for (RenderEngine::CNode* child : crates->getChildren()) {
      if (auto* body = dynamic_cast<RenderEngine::CNodePhysics*>(child)) bodies.push_back(cpBodyGetPosition(body->getBody()));
      auto* joint = dynamic_cast<RenderEngine::CNodePhysicsJoint*>(child);
      if (joint == nullptr || joint->getConstraint() == nullptr) continue;
      cpConstraint* c = joint->getConstraint();
      const cpVect a = cpBodyLocalToWorld(cpConstraintGetBodyA(c), cpSlideJointGetAnchorA(c));
      const cpVect b = cpBodyLocalToWorld(cpConstraintGetBodyB(c), cpSlideJointGetAnchorB(c));
      length = cpvdist(a, b);
    }
    EXPECT_EQ(bodies.size(), 2u);
    if (bodies.size() == 2) {
      centre = cpvlerp(bodies[0], bodies[1], 0.5);
      apart = cpvsub(bodies[1], bodies[0]);
    }
    return length;
  };
  cpVect c0 = cpvzero, c1 = cpvzero, apart0 = cpvzero, apart1 = cpvzero;
  const double straight = ropeLength(0, c0, apart0);
  const double turned = ropeLength(90, c1, apart1);
  EXPECT_GT(straight, 0.0);
  EXPECT_NEAR(turned, straight, 1e-3);
  EXPECT_NEAR(cpvdist(c0, c1), 0.0, 1e-3);
  EXPECT_NEAR(apart0.x, 30.0, 1e-3);
  EXPECT_NEAR(apart1.x, 0.0, 1e-3);
  EXPECT_NEAR(apart1.y, 30.0, 1e-3);
}

TEST_F(SampleDataTest, ProbeOfAMissingLevelOrFolderSaysSo) {
  levelbuild::ProbeResult r = levelbuild::probeLevel(kData.string(), 9999, 10);
  EXPECT_FALSE(r.loaded);
  r = levelbuild::probeLevel((kData / "no-such-folder").string(), 1, 10);
  EXPECT_FALSE(r.loaded);
  ASSERT_FALSE(r.messages.empty());
  EXPECT_NE(r.messages[0].find("cannot enter the data folder"), std::string::npos);
}

}  // namespace
