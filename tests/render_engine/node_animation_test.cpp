// Frame counting at 30 frames per second, loops, segment lookup and pose
// blending of node animations.
#include "render_engine/NodeAnimation.h"

#include <gtest/gtest.h>

using namespace RenderEngine;

namespace {

KeyframeTransform poseAtX(float x) {
  KeyframeTransform k;
  k.position = Vector3(x, 0, 0);
  k.scale = Vector3(1, 1, 1);
  return k;
}

// A two-point segment moving x from a to b.
CPath segment(std::uint16_t duration, float a, float b) {
  CPath p(duration);
  p.addPoint(poseAtX(a));
  p.addPoint(poseAtX(b));
  return p;
}

NodeAnimation tenFrames() {
  NodeAnimation anim;
  anim.addSegment(segment(10, 0, 100));
  return anim;
}

}  // namespace

TEST(NodeAnimationTest, FrameCountingUsesTheFloatRemainder) {
  NodeAnimation anim;
  anim.addSegment(segment(1000, 0, 1));
  anim.play(1);
  anim.advance(45);
  EXPECT_EQ(anim.getFrame(), 1);
  EXPECT_NEAR(anim.getTime(), 11.6667f, 1e-3f);

  anim.play(1);
  anim.advance(200);
  EXPECT_EQ(anim.getFrame(), 6);

  // 34 + 33 + 33 ms: three frames with a float remainder (double would give two).
  anim.play(1);
  anim.advance(34);
  anim.advance(33);
  anim.advance(33);
  EXPECT_EQ(anim.getFrame(), 3);

  anim.play(1);
  for (int i = 0; i < 30; ++i) anim.advance(33);
  EXPECT_EQ(anim.getFrame(), 29);

  // Below one frame nothing moves; a stopped animation does not advance.
  anim.play(1);
  anim.advance(33);
  EXPECT_EQ(anim.getFrame(), 0);
  anim.stop();
  anim.advance(1000);
  EXPECT_EQ(anim.getFrame(), 0);
}

TEST(NodeAnimationTest, LoopsAndStates) {
  // 0 and 1 play once and rest on the last frame.
  for (int loops : {0, 1}) {
    NodeAnimation anim = tenFrames();
    anim.play(loops);
    anim.advance(1000);  // 30 frames
    EXPECT_EQ(anim.getState(), AnimationStopped);
    EXPECT_EQ(anim.getFrame(), 9);
  }

  // Two loops with loop start 4: 0..9, then 4..9, then stop on 9.
  NodeAnimation anim = tenFrames();
  anim.setLoopStart(4);
  anim.play(2);
  std::vector<int> frames{anim.getFrame()};
  for (int i = 0; i < 20 && anim.isPlaying(); ++i) {
    anim.advance(34);  // one frame per step
    frames.push_back(anim.getFrame());
  }
  const std::vector<int> want{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 4, 5, 6, 7, 8, 9, 9};
  EXPECT_EQ(frames, want);

  // A negative count loops for ever, back to frame 0 without a loop start.
  NodeAnimation forever = tenFrames();
  forever.play(-1);
  for (int i = 0; i < 15; ++i) forever.advance(34);
  EXPECT_TRUE(forever.isPlaying());
  EXPECT_EQ(forever.getFrame(), 5);  // 1..9, back to 0, then 1..5
  forever.advance(1000);             // frames beyond the end are dropped
  EXPECT_EQ(forever.getFrame(), 0);
  forever.advance(2000000000);  // a huge elapsed time stays defined
  forever.advance(2000000000);
  EXPECT_TRUE(forever.getFrame() >= 0 && forever.getFrame() < 10) << forever.getFrame();
  (void)forever.interpolate();

  // stop keeps the frame; resume does not rewind; play does.
  NodeAnimation a = tenFrames();
  a.play(1);
  a.advance(100);
  a.stop();
  EXPECT_EQ(a.getFrame(), 3);
  a.resume();
  a.advance(34);
  EXPECT_EQ(a.getFrame(), 4);
  a.play(1);
  EXPECT_EQ(a.getFrame(), 0);

  // Without frames play does nothing.
  NodeAnimation empty;
  empty.play(1);
  EXPECT_EQ(empty.getState(), AnimationNeverStarted);
}

TEST(NodeAnimationTest, SegmentsAndPoseParameter) {
  NodeAnimation anim;
  anim.addSegment(segment(10, 0, 100));
  anim.addSegment(segment(5, 100, 200));
  EXPECT_EQ(anim.getFrameCount(), 15);

  anim.pauseAt(12);
  EXPECT_EQ(anim.getSegment(), 1);
  EXPECT_NEAR(anim.interpolate().position.x, 100 + 0.6f * 100, 1e-4f);  // t = (12 + 1 - 10) / 5

  anim.pauseAt(0);  // the first frame is already 1/duration of the way
  EXPECT_EQ(anim.getSegment(), 0);
  EXPECT_NEAR(anim.interpolate().position.x, 10.0f, 1e-4f);
  anim.pauseAt(9);  // the last frame shows the end pose exactly
  EXPECT_EQ(anim.interpolate().position.x, 100.0f);
  anim.pauseAt(14);
  EXPECT_EQ(anim.interpolate().position.x, 200.0f);

  // Backwards after a lookup: the cache must not answer with the later segment.
  anim.pauseAt(11);
  anim.pauseAt(3);
  EXPECT_EQ(anim.getSegment(), 0);

  // Seeking is held to the frames that exist, at both ends.
  anim.pauseAt(99);
  EXPECT_EQ(anim.getFrame(), 14);
  anim.pauseAt(-7);
  EXPECT_EQ(anim.getFrame(), 0);
  EXPECT_NEAR(anim.interpolate().position.x, 10.0f, 1e-4f);
}

TEST(NodeAnimationTest, PoseOutsideEverySegmentIsDefinedAndCacheRecovers) {
  NodeAnimation anim;
  anim.addSegment(segment(0, 5, 5));  // holds no frame
  EXPECT_EQ(anim.getFrameCount(), 0);
  EXPECT_EQ(anim.findSegment(), 1);
  EXPECT_EQ(anim.interpolate(), KeyframeTransform());
  anim.addSegment(segment(4, 0, 40));
  anim.pauseAt(2);
  EXPECT_EQ(anim.getSegment(), 1);
  EXPECT_NEAR(anim.interpolate().position.x, 30.0f, 1e-4f);

  NodeAnimation none;
  EXPECT_EQ(none.interpolate(), KeyframeTransform());
}

TEST(AngleTest, BlendingRules) {
  EXPECT_FLOAT_EQ(interpolateAngle(350, 10, 0.5f), 180.0f);  // the long way, kept
  EXPECT_FLOAT_EQ(interpolateAngle(-10, 10, 0.5f), 0.0f);
  EXPECT_EQ(interpolateAngle(-10, 10, 1.0f), 10.0f);
  EXPECT_FLOAT_EQ(angleDelta(-90, 90), 180.0f);
  EXPECT_FLOAT_EQ(angleDelta(-170, 170), -20.0f);  // 190 -> 170 is shorter than 340
  EXPECT_FLOAT_EQ(interpolateAngle(-170, 170, 0.5f), 180.0f);  // 190 - 10
  EXPECT_FLOAT_EQ(interpolateAngle(-90, 90, 0.75f), 45.0f);     // 270 + 135 = 405 -> 45
}

TEST(CPathTest, InterpolationAndCache) {
  CPath path(10);
  path.addPoint(poseAtX(0));
  path.addPoint(poseAtX(10));
  path.addPoint(poseAtX(30));
  EXPECT_NEAR(path.interpolate(0.75f).position.x, 20.0f, 1e-4f);  // points 1 and 2 at u = 0.5
  EXPECT_NEAR(path.interpolate(0.75f).position.x, 20.0f, 1e-4f);  // cached
  EXPECT_EQ(path.interpolate(1.0f).position.x, 30.0f);
  EXPECT_EQ(path.interpolate(0.0f).position.x, 0.0f);
  EXPECT_EQ(path.interpolate(-3.0f).position.x, 0.0f);  // held to [0, 1]
  EXPECT_EQ(path.interpolate(7.0f).position.x, 30.0f);

  // A point added after an interpolation is taken into account.
  CPath grow(1);
  grow.addPoint(poseAtX(0));
  grow.addPoint(poseAtX(10));
  EXPECT_NEAR(grow.interpolate(0.5f).position.x, 5.0f, 1e-5f);
  grow.addPoint(poseAtX(100));
  EXPECT_NEAR(grow.interpolate(0.5f).position.x, 10.0f, 1e-5f);

  CPath single(3);
  single.addPoint(poseAtX(42));
  EXPECT_EQ(single.interpolate(0.3f).position.x, 42.0f);
  CPath empty(3);
  EXPECT_EQ(empty.interpolate(0.3f), KeyframeTransform());
}

TEST(KeyframeTransformTest, BlendsLinearlyAndAnglesByRule) {
  KeyframeTransform a;
  KeyframeTransform b;
  b.position = Vector3(10, 20, 0);
  b.scale = Vector3(2, 2, 2);
  b.alphaOffset = -255;
  b.colorOffsetG = -100;
  a.rotationZ = 350;
  b.rotationZ = 10;
  b.skewX = 40;
  const KeyframeTransform m = KeyframeTransform::interpolate(a, b, 0.5f);
  EXPECT_FLOAT_EQ(m.position.y, 10);
  EXPECT_FLOAT_EQ(m.scale.z, 1);
  EXPECT_FLOAT_EQ(m.alphaOffset, -127.5f);
  EXPECT_FLOAT_EQ(m.colorOffsetG, -50);
  EXPECT_FLOAT_EQ(m.rotationZ, 180);
  EXPECT_FLOAT_EQ(m.skewX, 20);
  EXPECT_EQ(KeyframeTransform::interpolate(b, b, 0.3f), b);
}
