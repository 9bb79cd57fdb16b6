// The physics reader on small fixture trees: collision tables, models of each
// shape kind with scaling, caching, joint templates, complex entities, levels,
// the factory, and damaged variants of each file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "PhysicsTestSupport.h"
#include "physics/CNodePhysics.h"
#include "physics/CNodePhysicsContainer.h"
#include "physics/CNodePhysicsJoint.h"
#include "physics/CNodePhysicsReader.h"
#include "render_engine/CSprite.h"
#include "render_engine/RecordingTextureGl.h"
#include "render_engine/TextureManager.h"
#include "support/TempDir.h"

using namespace RenderEngine;
using physicstest::MessageCollector;

namespace {

const char* const kTables[][2] = {
    {"physicmodels/collisiongroups.ynm",
     R"(<collisiongroups><group name="none" value="0"/><group name="team" value="3"/>
        <group value="4"/></collisiongroups>)"},
    {"physicmodels/collisiontypes.ynm",
     R"(<collisiontypes><type name="sheep" value="1"/><type name="solid" value="3"/>
        <type name="bad" value="x"/></collisiontypes>)"},
    {"physicmodels/collisionlayers.ynm",
     R"(<collisionlayers><layer name="all" value="-1"/><layer name="four" value="4"/></collisionlayers>)"},
};

std::string entityFile(const std::string& body) { return "<physicsentities>" + body + "</physicsentities>"; }

const std::string kBall = R"(<physicsentity name="Ball" static="false" mass="2.5">
  <visualrepresentation><Texture id="-1"/></visualrepresentation>
  <shapelist><shape model="circle" radius="3" elasticity="0.25" friction="0.5">
    <offset x="1.5" y="-2"/><surface_velocity x="1" y="0"/></shape></shapelist>
  <collisioninfos group="team" collisionType="sheep" layersbitset="four"/>
</physicsentity>)";

const std::string kBox = R"(<physicsentity name="Box" static="false" mass="1">
  <visualrepresentation><Texture id="-1"/></visualrepresentation>
  <shapelist><shape model="polygon" elasticity="0" friction="1"><pointlist>
    <point x="-1" y="-1"/><point x="1" y="-1"/><point x="1" y="1"/><point x="-1" y="1"/></pointlist></shape></shapelist>
  <collisioninfos collisionType="solid"/>
</physicsentity>)";

const std::string kFloor = R"(<physicsentity name="Floor" static="true" mass="99">
  <visualrepresentation><CNode name="floorLook" tag="12"/></visualrepresentation>
  <shapelist><shape model="segment" radius="0.5" elasticity="0" friction="1"><pointlist>
    <point x="-20" y="0"/><point x="20" y="0"/><point x="99" y="99"/></pointlist></shape></shapelist>
</physicsentity>)";

std::string jointTemplate(const std::string& name, const std::string& attributes, int texture = -1) {
  return "<jointtemplates><jointtemplate name=\"" + name + "\" " + attributes +
         "><visualrepresentation><Texture id=\"" + std::to_string(texture) +
         "\"/></visualrepresentation></jointtemplate></jointtemplates>";
}

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Visuals are sprites: their textures are made without a display.
    qmtest::recordedGl() = {};
    oldTextures_ = TextureGlBackend::set(qmtest::recordingBackend());
    TextureManager::instance().resetForTests();
    for (const auto& table : kTables) dir.write(table[0], table[1]);
    dir.write("physicmodels/entities/Ball.ynm", entityFile(kBall));
    dir.write("physicmodels/entities/Box.ynm", entityFile(kBox));
    // No wrapper: the entities at the top of the document.
    dir.write("physicmodels/entities/Floor.ynm", kFloor);
    dir.write("physicmodels/jointtemplates/Pin.ynm", jointTemplate("Pin", R"(type="pin" referenceSize="64")", 17));
    dir.write("physicmodels/jointtemplates/Slide.ynm",
              jointTemplate("Slide", R"(type="slide" referenceSize="0" slideMin="50" slideMax="100")"));
    dir.write("physicmodels/jointtemplates/Pivot.ynm", jointTemplate("Pivot", R"(type="pivot" referenceSize="0")"));
    dir.write("physicmodels/jointtemplates/Groove.ynm", jointTemplate("Groove", R"(type="groove" referenceSize="8")"));
    dir.write("physicmodels/complexentities/Pair.ynm", R"(<complexentities><complexentity name="Pair">
      <baseentytylist><entity name="Box" x="-3" y="0" angle="30" id="1"/><entity name="Box" x="3" y="0" angle="0" id="2"/>
      </baseentytylist>
      <jointslist><joint template="Pin" entyty1id="1" entity2id="2"><anchor1 x="1" y="1"/><anchor2 x="-1" y="-1"/></joint>
      </jointslist></complexentity></complexentities>)");
    reader = std::make_unique<CNodePhysicsReader>();
    reader->setScale(10);
    messages.clear();
  }
  void TearDown() override {
    reader.reset();
    TextureManager::instance().resetForTests();
    TextureGlBackend::set(oldTextures_);
  }
  EntityGroupDescription level(const std::string& text) {
    dir.write("levels/5.ynm", text);
    return reader->loadLevel(5);
  }

  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
  MessageCollector messages;
  std::unique_ptr<CNodePhysicsReader> reader;
  TextureGlBackend oldTextures_{};
};

TEST_F(ReaderTest, TablesMapNamesAndReportBadEntries) {
  reader->reload();
  EXPECT_EQ(CNodePhysicsReader::lookupGroup("team"), 3);
  EXPECT_EQ(CNodePhysicsReader::lookupType("solid"), 3);
  EXPECT_EQ(CNodePhysicsReader::lookupLayers("all"), -1);
  EXPECT_EQ(CNodePhysicsReader::typeTable().count("bad"), 0u);
  EXPECT_TRUE(messages.contains("<group> number 3 skipped"));
  EXPECT_TRUE(messages.contains("<type> number 3 skipped"));
  // A name the table lacks reads as 0 and is entered.
  EXPECT_EQ(CNodePhysicsReader::lookupType("nowhere"), 0);
  EXPECT_EQ(CNodePhysicsReader::typeTable().at("nowhere"), 0);

  std::filesystem::remove(dir.path() / "physicmodels/collisiontypes.ynm");
  dir.write("physicmodels/collisiongroups.ynm", "<collisiongroups><group name=");
  messages.clear();
  reader->reload();
  EXPECT_TRUE(messages.contains("initTypeList(): File not found."));
  EXPECT_TRUE(messages.contains("initGroupList(): File not found."));
  EXPECT_TRUE(CNodePhysicsReader::typeTable().empty());
}

TEST_F(ReaderTest, EntityShapesAreScaledAndMassesAreNot) {
  const PhysicsModelDescription ball = reader->getEntity("Ball");
  ASSERT_EQ(ball.name, "Ball");
  EXPECT_FLOAT_EQ(ball.body.mass, 2.5f);
  ASSERT_EQ(ball.body.shapeCount, 1);
  const PhysicsShapeDescription& circle = ball.body.shapes[0];
  EXPECT_EQ(circle.model, kShapeCircle);
  EXPECT_FLOAT_EQ(circle.radius, 30.0f);
  EXPECT_FLOAT_EQ(circle.offset.y, -20.0f);
  EXPECT_FLOAT_EQ(circle.surfaceVelocity.x, 10.0f);
  EXPECT_FLOAT_EQ(circle.elasticity, 0.25f);  // not scaled
  EXPECT_EQ(ball.body.group, 3);
  EXPECT_EQ(ball.body.collisionType, 1);
  EXPECT_EQ(ball.body.layers, 4u);

  const PhysicsModelDescription box = reader->getEntity("Box");
  ASSERT_EQ(box.body.shapes[0].pointCount, 4);
  EXPECT_FLOAT_EQ(box.body.shapes[0].pointX(2), 10.0f);
  EXPECT_EQ(box.body.layers, 0xFFFFFFFFu);

  const PhysicsModelDescription floor = reader->getEntity("Floor");
  EXPECT_TRUE(floor.body.isStatic);
  EXPECT_FLOAT_EQ(floor.body.mass, 0.0f);
  EXPECT_FLOAT_EQ(floor.body.shapes[0].radius, 5.0f);
  EXPECT_FLOAT_EQ(floor.body.shapes[0].pointX(1), 200.0f);
  EXPECT_EQ(floor.body.collisionType, 0);  // no collisioninfos
  EXPECT_EQ(floor.visualNodeName, "floorLook");
  EXPECT_EQ(floor.visualTag, 12);
  EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ReaderTest, ModelsAreCachedAndMissingOnesReadAgain) {
  ASSERT_EQ(reader->getEntity("Ball").name, "Ball");
  std::filesystem::remove(dir.path() / "physicmodels/entities/Ball.ynm");
  EXPECT_EQ(reader->getEntity("Ball").name, "Ball");

  EXPECT_EQ(reader->getEntity("Ghost").name, "");
  EXPECT_EQ(reader->getEntity("Ghost").name, "");
  EXPECT_EQ(messages.messages().size(), 2u);  // a missing model is not cached
  EXPECT_TRUE(messages.contains("CNodePhysicsReader::readEntity: Error parsing entity Ghost or entitiy not found"));

  // One file may define several models; a later one of the same name wins.
  dir.write("physicmodels/entities/Two.ynm", entityFile(kBox + kBall + R"(<physicsentity name="Two" static="true">
    <visualrepresentation><Texture id="4"/></visualrepresentation><shapelist/></physicsentity>)" +
                                                        R"(<physicsentity name="Two" static="true">
    <visualrepresentation><Texture id="5"/></visualrepresentation><shapelist/></physicsentity>)"));
  EXPECT_EQ(reader->getEntity("Two").textureId, 5);
  // The file named after a model must define it.
  dir.write("physicmodels/entities/Alias.ynm", entityFile(kBox));
  EXPECT_EQ(reader->getEntity("Alias").name, "");
  EXPECT_TRUE(messages.contains("physicmodels/entities/Alias.ynm does not define physicsentity \"Alias\""));
  reader->reload();
  EXPECT_EQ(reader->getEntity("Ball").name, "");  // the cache went with reload
}

TEST_F(ReaderTest, DamagedEntitiesAreReportedAndTheirBadPartsLeftOut) {
  std::string shapes;
  for (int i = 0; i < 6; ++i) shapes += R"(<shape model="circle" radius="1" elasticity="0" friction="0"/>)";
  dir.write("physicmodels/entities/Bad.ynm", entityFile(R"(<physicsentity name="Bad" mass="nan">
    <visualrepresentation><Texture/></visualrepresentation>
    <shapelist>
      <shape model="cube" elasticity="0" friction="0"/>
      <shape model="polygon" elasticity="0" friction="0"><pointlist><point x="0" y="0"/><point x="1" y="0"/></pointlist></shape>
      <shape model="segment" elasticity="0" friction="0"><pointlist><point x="0" y="0"/></pointlist></shape>
      <shape model="polygon" elasticity="0" friction="0"/>
      <shape model="circle"/>)" + shapes + R"(
    </shapelist>
    <collisioninfos group="nosuch" collisionType="nosuch" layersbitset="nosuch"/>
  </physicsentity>
  <physicsentity static="true"/>)"));
  const PhysicsModelDescription bad = reader->getEntity("Bad");
  ASSERT_EQ(bad.name, "Bad");
  EXPECT_FALSE(bad.body.isStatic);
  EXPECT_FLOAT_EQ(bad.body.mass, 1.0f);
  EXPECT_EQ(bad.body.shapeCount, kMaxShapesPerBody);
  EXPECT_FLOAT_EQ(bad.body.shapes[0].radius, 0.0f);  // the circle without attributes
  EXPECT_EQ(bad.body.layers, 0u);
  EXPECT_EQ(bad.body.collisionType, 0);
  EXPECT_EQ(messages.missing({"attribute static is missing", "attribute mass \"nan\" is not a number",
                              "attribute id is missing", "readPhysicShape error: unknown model \"cube\"",
                              "a polygon needs 3 points, it has 2", "a segment needs 2 points, it has 1",
                              "has no <pointlist>", "attribute radius is missing", "more than 5 shapes",
                              "layer set \"nosuch\" is not in the layer table", "collision type \"nosuch\"",
                              "collision group \"nosuch\"", "a physicsentity without a name",
                              "physicmodels/entities/Bad.ynm: physicsentity \"Bad\", shape 1"}),
            "");

  // Nothing that was left out reaches the physics library.
  CNodePhysics node;
  node.createBody(bad.body);
  EXPECT_EQ(node.getShapeCount(), kMaxShapesPerBody);

  dir.write("physicmodels/entities/Broken.ynm", "<physicsentities><physicsentity name=\"Broken\"");
  EXPECT_EQ(reader->getEntity("Broken").name, "");
  EXPECT_TRUE(messages.contains("Error parsing entity Broken"));
  EXPECT_TRUE(messages.contains("physicmodels/entities/Broken.ynm: "));
  EXPECT_EQ(reader->getEntity("../entities/Box").name, "");
}

TEST_F(ReaderTest, JointTemplatesOfEachKind) {
  const PhysicsModelDescription pin = reader->getJointTemplate("Pin");
  EXPECT_FLOAT_EQ(pin.joint.referenceSize, 64.0f);  // not scaled
  EXPECT_EQ(pin.textureId, 17);
  EXPECT_FLOAT_EQ(reader->getJointTemplate("Slide").joint.slideMin, 50.0f);  // percentages: not scaled
  for (auto [name, type] : {std::pair{"Pin", kJointPin}, {"Slide", kJointSlide}, {"Pivot", kJointPivot},
                            {"Groove", kJointGroove}}) {
    EXPECT_EQ(reader->getJointTemplate(name).joint.type, type) << name;
  }
  EXPECT_TRUE(messages.messages().empty());

  dir.write("physicmodels/jointtemplates/Odd.ynm", jointTemplate("Odd", R"(type="spring" referenceSize="1")"));
  dir.write("physicmodels/jointtemplates/Loose.ynm", jointTemplate("Loose", R"(type="slide")"));
  EXPECT_EQ(reader->getJointTemplate("Odd").name, "");
  EXPECT_TRUE(messages.contains("readPhysicJoint error: unknown type spring"));
  const PhysicsModelDescription loose = reader->getJointTemplate("Loose");
  EXPECT_FLOAT_EQ(loose.joint.slideMax, 100.0f);
  EXPECT_EQ(messages.missing({"attribute slideMin is missing, using 0", "attribute referenceSize is missing"}), "");
}

TEST_F(ReaderTest, LevelLastElementWinsAndJointsGetTheirAnchors) {
  const EntityGroupDescription g = level(R"(<level name="first"><baseentytylist>
      <entity name="Box" x="1" y="1" angle="0" id="1"/></baseentytylist></level>
    <level name="second"><baseentytylist>
      <entity name="Box" x="1.5" y="-2" angle="45" id="7"/>
      <entity name="Ball" x="3" y="4" angle="0" id="7"/>
      <entity name="Floor" x="0" y="30" angle="0" id="9"/>
      <entity name="Pair" x="20" y="10" angle="0" id="10"/>
    </baseentytylist><jointslist>
      <joint template="Slide" entyty1id="7" entity2id="9"><anchor1 x="1" y="0"/><anchor2 x="0" y="-1"/></joint>
      <joint template="Pivot" entyty1id="9" entity2id="7"><pivot x="2" y="3"/></joint>
      <joint template="Groove" entyty1id="9" entity2id="7"><groove1 x="-1" y="0"/><groove2 x="1" y="0"/><anchor2 x="0" y="0.5"/></joint>
    </jointslist></level>)");
  EXPECT_TRUE(messages.messages().empty());
  EXPECT_EQ(g.name, "second");
  ASSERT_EQ(g.entities.size(), 4u);
  EXPECT_FLOAT_EQ(g.entities[0].y, -20.0f);
  EXPECT_FLOAT_EQ(g.entities[0].angle, 45.0f);  // not scaled
  // A complex entity keeps the name it was asked for.
  EXPECT_EQ(g.entities[3].model.name, "Pair");
  ASSERT_EQ(g.joints.size(), 3u);
  // Id 7 is on two entities: the first is meant.
  EXPECT_EQ(g.joints[0].joint.entity1, 0);
  EXPECT_EQ(g.joints[0].joint.entity2, 2);
  EXPECT_FLOAT_EQ(g.joints[0].joint.anchor1.x, 10.0f);
  EXPECT_FLOAT_EQ(g.joints[0].joint.anchor2.y, -10.0f);
  EXPECT_FLOAT_EQ(g.joints[0].joint.slideMin, 50.0f);
  EXPECT_FLOAT_EQ(g.joints[1].joint.pivot.y, 30.0f);
  EXPECT_FLOAT_EQ(g.joints[2].joint.groove2.x, 10.0f);
  EXPECT_FLOAT_EQ(g.joints[2].joint.anchor2.y, 5.0f);
  EXPECT_EQ(g.joints[2].name, "Groove");
}

TEST_F(ReaderTest, DamagedLevelsLeaveOutWhatCannotBeBuiltWithoutShiftingJoints) {
  std::string many;
  for (int i = 0; i < 600; ++i) many += R"(<entity name="Box" x="0" y="0" angle="0" id="1"/>)";
  EntityGroupDescription g = level(R"(<level><baseentytylist>)" + many + "</baseentytylist></level>");
  EXPECT_EQ(g.entities.size(), static_cast<std::size_t>(CNodePhysicsReader::kMaxGroupEntities));
  EXPECT_TRUE(messages.contains("more than 512 entities"));

  messages.clear();
  g = level(R"(<level><baseentytylist>
      <entity name="Box" x="0" y="0" angle="0" id="1"/>
      <entity name="Nothing" x="0" y="0" angle="0" id="2"/>
      <entity x="0" y="0" angle="0" id="3"/>
      <entity name="Ball" y="0" id="4"/>
      <entity name="Box" x="0" y="0" angle="0" id="5e20"/>
    </baseentytylist><jointslist>
      <joint template="Pin" entyty1id="1" entity2id="4"><anchor1 x="0" y="0"/></joint>
      <joint template="Pin" entyty1id="1" entity2id="2"/>
      <joint template="Pin" entyty1id="1" entity2id="1"/>
      <joint template="Nope" entyty1id="1" entity2id="4"/>
      <joint entyty1id="1" entity2id="4"/>
    </jointslist></level>)");
  ASSERT_EQ(g.entities.size(), 3u);
  EXPECT_EQ(g.entities[1].model.name, "Ball");
  ASSERT_EQ(g.joints.size(), 1u);
  EXPECT_EQ(g.joints[0].joint.entity2, 1);  // "Ball", after the two left out
  EXPECT_EQ(messages.missing({"entity 2 \"Nothing\": no entity or complex entity of that name",
                              "entity 3 has no name", "attribute x is missing", "attribute angle is missing",
                              "anchor2: missing, using (0, 0)", "no entity has the id 2", "both ends are entity 1",
                              "Error parsing joint Nope", "joint 5 has no template"}),
            "");

  messages.clear();
  EXPECT_TRUE(level("<level name=").entities.empty());
  EXPECT_TRUE(messages.contains("CNodePhysicsReader::loadLevel: Error parsing level 5 or level not found"));
  EXPECT_TRUE(reader->loadLevel(6).entities.empty());
  EXPECT_TRUE(level("<nothing/>").entities.empty());
  EXPECT_TRUE(messages.contains("no <level> element"));
}

TEST_F(ReaderTest, ComplexEntitiesCannotNest) {
  dir.write("physicmodels/complexentities/Nest.ynm", R"(<complexentity name="Nest"><baseentytylist>
    <entity name="Pair" x="0" y="0" angle="0" id="1"/><entity name="Box" x="0" y="0" angle="0" id="2"/>
    </baseentytylist></complexentity>)");
  const EntityGroupDescription nest = reader->getComplexEntity("Nest");
  EXPECT_EQ(nest.name, "Nest");
  ASSERT_EQ(nest.entities.size(), 1u);
  EXPECT_TRUE(messages.contains("a complex entity cannot be part of another"));
}

TEST_F(ReaderTest, CreateEntityBuildsBodiesAndContainers) {
  std::unique_ptr<CNodePhysicsBaseInterface> ball(reader->createEntity("Ball"));
  auto* body = dynamic_cast<CNodePhysics*>(ball.get());
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->getCollisionType(), 1);
  EXPECT_EQ(body->getChildCount(), 0u);  // texture -1: no visual

  std::unique_ptr<CNodePhysicsBaseInterface> pair(reader->createEntity("Pair"));
  auto* container = dynamic_cast<CNodePhysicsContainer*>(pair.get());
  ASSERT_NE(container, nullptr);
  ASSERT_EQ(container->getChildCount(), 3u);
  auto* a = dynamic_cast<CNodePhysics*>(container->getChild(0));
  auto* b = dynamic_cast<CNodePhysics*>(container->getChild(1));
  auto* joint = dynamic_cast<CNodePhysicsJoint*>(container->getChild(2));
  ASSERT_TRUE(a != nullptr && b != nullptr && joint != nullptr);
  EXPECT_FLOAT_EQ(a->getPosition().x, -30.0f);
  EXPECT_FLOAT_EQ(a->getRotation().z, 0.0f);  // the placed angle is not applied here
  // Built from the template alone: the pin joins the centres, 60 apart.
  ASSERT_NE(joint->getConstraint(), nullptr);
  EXPECT_EQ(cpvlength(cpPinJointGetAnchorA(joint->getConstraint())), 0.0);
  EXPECT_DOUBLE_EQ(cpPinJointGetDist(joint->getConstraint()), 60.0);
  // The visual of template texture 17 is a sprite.
  ASSERT_EQ(joint->getChildCount(), 1u);
  EXPECT_NE(dynamic_cast<CSprite*>(joint->getChild(0)), nullptr);

  EXPECT_EQ(reader->createEntity("Nothing"), nullptr);
  EXPECT_TRUE(messages.contains("createEntity: no entity or complex entity named \"Nothing\""));
  EXPECT_EQ(reader->createJoint("Pin", body, nullptr), nullptr);
  EXPECT_EQ(reader->createJoint("Nope", body, body), nullptr);
  EXPECT_EQ(reader->createVisual(-1, "", 0), nullptr);
  std::unique_ptr<CNode> sprite(reader->createVisual(5, "", 0));
  ASSERT_NE(dynamic_cast<CSprite*>(sprite.get()), nullptr);
  EXPECT_EQ(dynamic_cast<CSprite*>(sprite.get())->getTextureNumber(), 5);
}

TEST_F(ReaderTest, ComplexEntityPartThatCannotBeBuiltKeepsItsPlace) {
  dir.write("physicmodels/entities/Gone.ynm", entityFile(R"(<physicsentity name="Gone" static="true">
    <visualrepresentation><Texture id="-1"/></visualrepresentation><shapelist/></physicsentity>)"));
  dir.write("physicmodels/complexentities/Trio.ynm", R"(<complexentity name="Trio"><baseentytylist>
    <entity name="Gone" x="0" y="0" angle="0" id="1"/><entity name="Box" x="-2" y="0" angle="0" id="2"/>
    <entity name="Box" x="2" y="0" angle="0" id="3"/></baseentytylist><jointslist>
    <joint template="Pin" entyty1id="2" entity2id="3"/><joint template="Pin" entyty1id="1" entity2id="3"/>
    </jointslist></complexentity>)");
  EntityGroupDescription trio = reader->getComplexEntity("Trio");
  ASSERT_EQ(trio.entities.size(), 3u);
  // A part without a model (as a description made by other code may hold).
  trio.entities[0].model.name.clear();

  class Exposed : public CNodePhysicsReader {
   public:
    using CNodePhysicsReader::buildComplexEntity;
  } exposed;
  exposed.setScale(10);
  std::unique_ptr<CNodePhysicsBaseInterface> built(exposed.buildComplexEntity(trio));
  ASSERT_EQ(built->getChildCount(), 3u);  // two boxes and the joint between them
  auto* joint = dynamic_cast<CNodePhysicsJoint*>(built->getChild(2));
  ASSERT_NE(joint, nullptr);
  EXPECT_EQ(joint->getBody1(), dynamic_cast<CNodePhysics*>(built->getChild(0))->getBody());
  EXPECT_TRUE(messages.contains("joins a part that is not there"));
}

}  // namespace
