// Debug drawing without a display: the geometry it builds and the calls it
// makes, recorded through the drawing and state-cache seams.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "physics/CNodePhysicsJoint.h"
#include "physics/PhysicsDebugDraw.h"
#include "physics/PhysicsTestSupport.h"
#include "render_engine/GlStateCache.h"

using namespace RenderEngine;
using namespace physicstest;

namespace {

struct Draw {
  GLenum mode;
  std::vector<float> xy;
};
std::vector<std::string> g_log;
std::vector<Draw> g_draws;

void recColor(float r, float g, float b, float a) {
  g_log.push_back("color " + std::to_string(static_cast<int>(r)) + std::to_string(static_cast<int>(g)) +
                  std::to_string(static_cast<int>(b)) + std::to_string(static_cast<int>(a)));
}
void recDraw(GLenum mode, const float* xy, int count) {
  g_draws.push_back({mode, std::vector<float>(xy, xy + 2 * count)});
  g_log.push_back("draw " + std::to_string(mode) + " " + std::to_string(count));
}
void recEnable(GLenum c) { g_log.push_back("enable " + std::to_string(c)); }
void recDisable(GLenum c) { g_log.push_back("disable " + std::to_string(c)); }
void recEnableClient(GLenum a) { g_log.push_back("enableClient " + std::to_string(a)); }
void recDisableClient(GLenum a) { g_log.push_back("disableClient " + std::to_string(a)); }

class PhysicsDebugDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_draws.clear();
    GlStateCache::resetForTests();
    oldDraw_ = setDebugDrawBackend({&recColor, &recDraw});
    oldCache_ = GlStateCache::setBackend({&recEnable, &recDisable, &recEnableClient, &recDisableClient});
  }
  void TearDown() override {
    setDebugDrawBackend(oldDraw_);
    GlStateCache::setBackend(oldCache_);
    GlStateCache::resetForTests();
  }
  DebugDrawBackend oldDraw_{};
  GlStateCache::Backend oldCache_{};
};

TEST(PhysicsDebugGeometry, CircleStripShowsTheRotation) {
  const std::vector<float> s = circleStrip(10, 20, 5, kPi / 2);
  ASSERT_EQ(s.size(), 34u);
  // At 90 degrees the radius line points along +y (down the screen).
  EXPECT_NEAR(s[0], 10.0f, 1e-5);
  EXPECT_NEAR(s[1], 25.0f, 1e-5);
  EXPECT_NEAR(s[31], s[1], 1e-4);  // the 16th point closes the ring
  EXPECT_EQ(s[33], 20.0f);         // then the centre
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(std::hypot(s[2 * i] - 10.0f, s[2 * i + 1] - 20.0f), 5.0f, 1e-4);
  }
}

TEST_F(PhysicsDebugDrawTest, NodeOutlinesInWorldCoordinatesThenItsRedCentre) {
  CNodePhysics bare;
  bare.drawDebug();
  EXPECT_TRUE(g_log.empty());

  CNodePhysics node;
  node.setPosition(100, 50, 0);
  node.setRotation(0, 0, 90);
  node.createBody(body(1.0f, {boxShape(4, 2), circleShape(3, 10, 0), segmentShape(0, 0, 6, 0)}));
  node.drawDebug();
  ASSERT_EQ(g_draws.size(), 4u);
  ASSERT_EQ(g_draws[0].xy.size(), 8u);
  // Local (4, 2) turned by 90 degrees: (-2, 4) from the centre.
  bool found = false;
  for (std::size_t i = 0; i < 8; i += 2) {
    found |= std::fabs(g_draws[0].xy[i] - 98.0f) < 1e-4 && std::fabs(g_draws[0].xy[i + 1] - 54.0f) < 1e-4;
  }
  EXPECT_TRUE(found);
  ASSERT_EQ(g_draws[1].xy.size(), 34u);
  EXPECT_NEAR(g_draws[1].xy[32], 100.0f, 1e-4);  // the circle's centre, offset turned too
  EXPECT_NEAR(g_draws[1].xy[33], 60.0f, 1e-4);
  EXPECT_NEAR(g_draws[2].xy[3], 56.0f, 1e-4);
  EXPECT_EQ(g_draws[3].xy, (std::vector<float>{100.0f, 50.0f}));

  // Each draw inside its own vertex-array switch, texturing off around them all.
  const std::string array = std::to_string(GL_VERTEX_ARRAY);
  std::vector<std::string> expected = {"disable " + std::to_string(GL_TEXTURE_2D)};
  for (const auto& [mode, count] : {std::pair{GL_LINE_LOOP, 4}, {GL_LINE_STRIP, 17}, {GL_LINES, 2}, {GL_POINTS, 1}}) {
    if (mode == GL_POINTS) expected.push_back("color 1001");
    const std::string draw = "draw " + std::to_string(mode) + " " + std::to_string(count);
    expected.insert(expected.end(), {"enableClient " + array, draw, "disableClient " + array});
  }
  expected.push_back("enable " + std::to_string(GL_TEXTURE_2D));
  EXPECT_EQ(g_log, expected);
}

TEST_F(PhysicsDebugDrawTest, JointsDrawTheirAnchorLineAndAPivotOnlyItsPoint) {
  CNodePhysics a;
  a.createBody(body(1.0f, {circleShape(1)}, 0, true));
  CNodePhysics b;
  b.setPosition(30, 0, 0);
  b.createBody(body(1.0f, {circleShape(1)}));
  PhysicsJointDescription d;
  d.type = kJointPin;
  d.anchor1 = Vector3(0, 5, 0);
  CNodePhysicsJoint pin;
  pin.attach(d, &a, &b);
  pin.setPosition(7, 8, 0);
  pin.drawDebug();
  ASSERT_EQ(g_draws.size(), 2u);
  EXPECT_EQ(g_draws[0].mode, static_cast<GLenum>(GL_LINES));
  EXPECT_EQ(g_draws[0].xy, (std::vector<float>{0, 5, 30, 0}));
  EXPECT_EQ(g_draws[1].xy, (std::vector<float>{7, 8}));

  g_draws.clear();
  d.type = kJointPivot;
  d.pivot = Vector3(15, 0, 0);
  CNodePhysicsJoint pivot;
  pivot.attach(d, &a, &b);
  pivot.drawDebug();
  ASSERT_EQ(g_draws.size(), 1u);
  EXPECT_EQ(g_draws[0].mode, static_cast<GLenum>(GL_POINTS));

  g_draws.clear();
  CNodePhysicsJoint inert;
  inert.drawDebug();
  EXPECT_TRUE(g_draws.empty());
}

TEST_F(PhysicsDebugDrawTest, UnknownShapeKindIsReported) {
  MessageCollector messages;
  CNodePhysics node;
  node.createBody(body(1.0f, {circleShape(1)}));
  drawObject(node.getShape(0), 7);
  EXPECT_TRUE(g_draws.empty());
  EXPECT_TRUE(messages.contains("Bad enumeration in drawObject()."));
  drawObject(node.getShape(0));  // its kind found through its node
  EXPECT_EQ(g_draws.size(), 1u);
}

}  // namespace
