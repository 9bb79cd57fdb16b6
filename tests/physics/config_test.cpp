// The configuration file: the grid scalings, the tweak table and the rate it
// gives, the black-animal list, reloading, and damaged files.
#include <gtest/gtest.h>

#include <string>

#include "PhysicsTestSupport.h"
#include "app/StringUtils.h"
#include "physics/GameConfiguration.h"
#include "support/TempDir.h"

namespace {

using physicstest::MessageCollector;

std::string configText(const std::string& grid, const std::string& tweaks, const std::string& animals) {
  return R"(<?xml version="1.0" ?>
<configuration>
  <general><grid_size>)" +
         grid + R"(</grid_size><rotation_angle>7</rotation_angle></general>
  <gameplay>
    <world>
      <gravity_x>-5</gravity_x><gravity_y>400</gravity_y><dampling>0.9</dampling>
      <iterations>12</iterations><elasticiterations>4</elasticiterations>
      <hash_std_count>100</hash_std_count><hash_std_dim>21</hash_std_dim>
      <hash_static_count>200</hash_static_count><hash_static_dim>42</hash_static_dim>
    </world>
    <block_type_ice><collision_force_for_break>120</collision_force_for_break>
      <traverse_without_coll_if_break>2</traverse_without_coll_if_break></block_type_ice>
    <block_type_explode><collision_force_for_break>150</collision_force_for_break>
      <explosion_min_power>50</explosion_min_power><explosion_max_power>300</explosion_max_power>
      <explosion_radius>3</explosion_radius></block_type_explode>
    <block_type_jumper><jumping_force_power>1.1</jumping_force_power></block_type_jumper>
    <black_animals>)" +
         animals + R"(</black_animals>
    <engine_tweak default="30">)" +
         tweaks + R"(</engine_tweak>
  </gameplay>
</configuration>
)";
}

const std::string kTweaks = R"(<tweak nbitems="40" update_rate="45"/><tweak nbitems="80" update_rate="60"/>)";
const std::string kAnimals = R"(<black_animal collType="12" model1="LightSheep" model2="HeavySheep"/>
  <black_animal collType="13" model1="LightWolf" model2="HeavyWolf"/>)";

class ConfigTest : public ::testing::Test {
 protected:
  bool load(const std::string& text) {
    dir.write("config.ynm", text);
    return loadConfiguration();
  }
  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
  MessageCollector messages;
  const GameConfiguration& c = gameConfiguration();
};

// Grid 10 is the unit: powers and gravity grow with the grid, squared forces
// with its square; radius, jumping force, damping and hash values do not.
TEST_F(ConfigTest, GridSizeScalesForcesPowersAndGravityAndKeepsTheRest) {
  for (int grid : {10, 20}) {
    ASSERT_TRUE(load(configText(std::to_string(grid), kTweaks, kAnimals)));
    const float k = static_cast<float>(grid) / 10.0f;
    EXPECT_EQ(getGridSize(), grid);
    EXPECT_FLOAT_EQ(c.iceBreakForce, 120.0f * 120.0f * k * k);
    EXPECT_FLOAT_EQ(c.explosiveBreakForce, 150.0f * 150.0f * k * k);
    EXPECT_FLOAT_EQ(c.explosionMaxPower, 300.0f * k);
    EXPECT_FLOAT_EQ(c.explosionMinPower, 50.0f * k);
    EXPECT_FLOAT_EQ(c.gravity.x, -5.0f * k);
    EXPECT_FLOAT_EQ(c.gravity.y, 400.0f * k);
    EXPECT_FLOAT_EQ(c.explosionRadius, 3.0f);
    EXPECT_FLOAT_EQ(c.jumpingForce, 1.1f);
    EXPECT_FLOAT_EQ(c.damping, 0.9f);
    EXPECT_EQ(c.activeHashSize, 21);
  }
  EXPECT_TRUE(messages.messages().empty());
  EXPECT_EQ(getRotationAngle(), 7);
  EXPECT_TRUE(c.iceTraverse);
  EXPECT_EQ(c.elasticIterations, 4);
  EXPECT_EQ(c.staticHashCount, 200);
  ASSERT_EQ(c.blackAnimals.size(), 2u);
  EXPECT_EQ(c.blackAnimals[1].model2, "HeavyWolf");
  EXPECT_EQ(c.blackAnimals[1].collisionType, 13);
}

TEST_F(ConfigTest, TweakTableStartsWithTheDefaultAndPicksTheRate) {
  ASSERT_TRUE(load(configText("10", kTweaks, kAnimals)));
  ASSERT_TRUE(loadConfiguration());  // a second load replaces the lists, not appends
  EXPECT_EQ(c.blackAnimals.size(), 2u);
  ASSERT_EQ(c.engineTweaks.size(), 3u);
  EXPECT_EQ(c.engineTweaks[0].itemCount, 0);
  EXPECT_EQ(c.updateRateFor(39, 0), 30);
  EXPECT_EQ(c.updateRateFor(40, 0), 45);
  EXPECT_EQ(c.updateRateFor(79, 70), 45);  // 70 joints do not count
  EXPECT_EQ(c.updateRateFor(10, 71), 60);  // 71 do
  EXPECT_EQ(c.updateRateFor(500, 0), 60);

  ASSERT_TRUE(load(configText("10", "", kAnimals)));
  ASSERT_EQ(c.engineTweaks.size(), 1u);
  EXPECT_EQ(c.updateRateFor(1000, 1000), 30);
}

TEST_F(ConfigTest, BadGridSizesAreRefusedForTheDefault) {
  for (const char* grid : {"0", "-10", "100000", "ten", ""}) {
    messages.clear();
    ASSERT_TRUE(load(configText(grid, kTweaks, kAnimals)));
    EXPECT_EQ(getGridSize(), kDefaultGridSize) << grid;
    EXPECT_FLOAT_EQ(c.gravity.y, 400.0f) << grid;
    EXPECT_TRUE(messages.contains("grid_size")) << grid;
  }
}

TEST_F(ConfigTest, MissingAndEmptyValuesTakeTheirDefaultsWithAMessage) {
  std::string text = configText("10", kTweaks, kAnimals);
  replaceAll(text, "<gravity_y>400</gravity_y>", "<gravity_y/>");
  replaceAll(text, "<iterations>12</iterations>", "");
  replaceAll(text, "<block_type_jumper><jumping_force_power>1.1</jumping_force_power></block_type_jumper>", "");
  replaceAll(text, "<explosion_radius>3</explosion_radius>", "<explosion_radius>nan</explosion_radius>");
  ASSERT_TRUE(load(text));
  const GameConfiguration d = defaultGameConfiguration();
  EXPECT_FLOAT_EQ(c.gravity.y, d.gravity.y);
  EXPECT_EQ(c.iterations, d.iterations);
  EXPECT_FLOAT_EQ(c.jumpingForce, d.jumpingForce);
  EXPECT_FLOAT_EQ(c.explosionRadius, d.explosionRadius);
  EXPECT_FLOAT_EQ(c.damping, 0.9f);  // the values that are there still count
  EXPECT_EQ(messages.missing({"<configuration/gameplay/world/gravity_y> is empty",
                              "missing <configuration/gameplay/world/iterations>", "block_type_jumper",
                              "explosion_radius> \"nan\" is not a finite number"}),
            "");
  EXPECT_EQ(messages.messages().size(), 4u);
}

TEST_F(ConfigTest, DamagedListEntriesAreSkippedAndUnreachableTweaksReported) {
  ASSERT_TRUE(load(
      configText("10",
                 R"(<tweak nbitems="80" update_rate="60"/><tweak nbitems="40" update_rate="45"/>
                                 <tweak update_rate="1"/>)",
                 R"(<black_animal collType="12" model1="A"/><black_animal collType="13" model1="B" model2="C"/>)")));
  ASSERT_EQ(c.blackAnimals.size(), 1u);
  EXPECT_EQ(c.blackAnimals[0].model2, "C");
  ASSERT_EQ(c.engineTweaks.size(), 3u);
  EXPECT_EQ(c.updateRateFor(50, 0), 30);   // as listed: the walk stops at 80
  EXPECT_EQ(c.updateRateFor(100, 0), 45);  // both reached: the later entry wins
  EXPECT_EQ(messages.missing({"applies only from 80 entities on",
                              "<configuration/gameplay/black_animals/black_animal> number 1 skipped",
                              "tweak> number 3 skipped"}),
            "");
}

// Numbers read as atoi and atof read them: the number at the start counts,
// what follows it does not, and text that is no number is 0. The values' own
// range checks still apply to what comes out.
TEST_F(ConfigTest, NumbersAreReadAsTheCLibraryReadsThem) {
  std::string text = configText("20.0", R"(<tweak nbitems=" 40items" update_rate="45.9"/>
                                          <tweak nbitems="x" update_rate="60"/>)",
                                R"(<black_animal collType="12.5" model1="A" model2="B"/>)");
  replaceAll(text, "<iterations>12</iterations>", "<iterations> 9 steps</iterations>");
  replaceAll(text, "<hash_std_dim>21</hash_std_dim>", "<hash_std_dim>1e3</hash_std_dim>");
  replaceAll(text, "<dampling>0.9</dampling>", "<dampling>.5x</dampling>");
  replaceAll(text, "<gravity_x>-5</gravity_x>", "<gravity_x>1e1</gravity_x>");
  replaceAll(text, "<explosion_radius>3</explosion_radius>", "<explosion_radius>wide</explosion_radius>");
  replaceAll(text, "<engine_tweak default=\"30\">", "<engine_tweak default=\"25fps\">");
  ASSERT_TRUE(load(text));
  EXPECT_EQ(getGridSize(), 20);
  EXPECT_EQ(c.iterations, 9);
  EXPECT_EQ(c.activeHashSize, 1);
  EXPECT_FLOAT_EQ(c.damping, 0.5f);
  EXPECT_FLOAT_EQ(c.gravity.x, 10.0f * 2.0f);
  EXPECT_FLOAT_EQ(c.explosionRadius, 0.0f);
  ASSERT_EQ(c.blackAnimals.size(), 1u);
  EXPECT_EQ(c.blackAnimals[0].collisionType, 12);
  ASSERT_EQ(c.engineTweaks.size(), 3u);
  EXPECT_EQ(c.engineTweaks[0].updateRate, 25);
  EXPECT_EQ(c.engineTweaks[1].itemCount, 40);
  EXPECT_EQ(c.engineTweaks[1].updateRate, 45);
  EXPECT_EQ(c.engineTweaks[2].itemCount, 0);
  EXPECT_EQ(c.engineTweaks[2].updateRate, 60);
  EXPECT_FALSE(messages.contains("not a whole number"));
  EXPECT_FALSE(messages.contains("is not a number"));

  // The ranges still hold: "0.5" is a grid of 0, refused; a number past the
  // 32-bit range is held at its end; infinity is no gravity.
  text = configText("0.5", kTweaks, kAnimals);
  replaceAll(text, "<iterations>12</iterations>", "<iterations>99999999999</iterations>");
  replaceAll(text, "<gravity_y>400</gravity_y>", "<gravity_y>inf</gravity_y>");
  messages.clear();
  ASSERT_TRUE(load(text));
  EXPECT_EQ(getGridSize(), kDefaultGridSize);
  EXPECT_EQ(c.iterations, 2147483647);
  EXPECT_FLOAT_EQ(c.gravity.y, 400.0f);
  EXPECT_EQ(messages.missing({"grid_size 0 is outside", "gravity_y> \"inf\" is not a finite number"}), "");
}

TEST_F(ConfigTest, MissingOrUnparsableFileGivesTheDefaultConfiguration) {
  ASSERT_TRUE(load(configText("20", kTweaks, kAnimals)));
  messages.clear();
  std::filesystem::remove(dir.path() / "config.ynm");
  EXPECT_FALSE(loadConfiguration());
  EXPECT_EQ(getGridSize(), kDefaultGridSize);
  EXPECT_TRUE(c.blackAnimals.empty());
  ASSERT_EQ(c.engineTweaks.size(), 1u);
  EXPECT_EQ(messages.messages().size(), 1u);

  EXPECT_FALSE(load("<configuration><general><grid_size>20</grid_size></general"));
  EXPECT_EQ(getGridSize(), kDefaultGridSize);
  EXPECT_TRUE(load("<other/>"));
  EXPECT_TRUE(messages.contains("no <configuration> element"));
  EXPECT_EQ(c.iterations, defaultGameConfiguration().iterations);
}

}  // namespace
