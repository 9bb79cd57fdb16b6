#pragma once
// Keyframe animation of scene nodes: segments of poses counted in frames at 30
// frames per second and advanced by the elapsed milliseconds of each update.
#include <cstdint>
#include <vector>

#include "render_engine/Math.h"

namespace RenderEngine {

inline constexpr int animationFramesPerSecond = 30;

// Blends two angles in degrees; see the definitions for the (deliberate) rule
// that two angles in [0, 360) go the plain difference, however far apart.
float angleDelta(float a, float b);
float interpolateAngle(float a, float b, float t);

// One pose. The offsets are in 0..255 units added to 255 when applied: 0 means
// the full channel, -255 none.
struct KeyframeTransform {
  Vector3 position;
  Vector3 scale;
  float skewX = 0.0f;
  float skewY = 0.0f;
  float rotationZ = 0.0f;
  float alphaOffset = 0.0f;
  float colorOffsetR = 0.0f;
  float colorOffsetG = 0.0f;
  float colorOffsetB = 0.0f;

  bool operator==(const KeyframeTransform& o) const = default;

  static KeyframeTransform interpolate(const KeyframeTransform& a, const KeyframeTransform& b, float t);
};

// One segment: a list of poses spread evenly over a duration in frames.
class CPath {
 public:
  explicit CPath(std::uint16_t duration = 0);
  CPath(const CPath& other);
  CPath& operator=(const CPath& other);
  virtual ~CPath() = default;

  virtual void assign(const CPath& other);

  std::uint16_t getDuration() const { return duration_; }
  void addPoint(const KeyframeTransform& point);
  const std::vector<KeyframeTransform>& getPoints() const { return points_; }

  // The pose at t in [0, 1] (t outside is held to the range). A path without
  // points yields the zero pose.
  KeyframeTransform interpolate(float t);

 private:
  std::vector<KeyframeTransform> points_;
  std::uint16_t duration_ = 0;
  KeyframeTransform cachedPose_;
  float cachedParameter_ = -1.0f;
};

enum NodeAnimationState : std::uint16_t {
  AnimationNeverStarted = 0,
  AnimationPlaying = 1,
  AnimationPaused = 2,
  AnimationStopped = 3,
};

class NodeAnimation {
 public:
  NodeAnimation();

  int getFrameCount() const { return total_; }
  bool isPlaying() const { return total_ > 0 && state_ == AnimationPlaying; }
  NodeAnimationState getState() const { return state_; }
  int getFrame() const { return frame_; }
  int getSegment() const { return segment_; }
  int getLoops() const { return loops_; }
  float getTime() const { return time_; }
  int getLoopStart() const { return loopStart_; }
  void setLoopStart(int frame) { loopStart_ = frame; }
  std::size_t getSegmentCount() const { return segments_.size(); }
  const std::vector<CPath>& getSegments() const { return segments_; }

  // loops 0 or 1 plays once, n plays n times, a negative count for ever.
  void play(int loops);
  void pause() { state_ = AnimationPaused; }
  void pauseAt(int frame);
  void stop();
  void resume() { state_ = AnimationPlaying; }

  void addSegment(const CPath& path);
  void clear();
  void recountFrames();
  // Frame := the argument held to 0 .. total - 1.
  void seek(int frame);
  // The segment holding the current frame; the segment count when none does.
  int findSegment();
  // Turns elapsed milliseconds into frames; only while playing.
  void advance(int dtMs);
  // The pose at the current frame; the zero pose when no segment holds it.
  KeyframeTransform interpolate();

 private:
  void invalidateSegmentCache();

  std::vector<CPath> segments_;
  std::vector<int> segmentStarts_;
  // Frame numbers are kept in int rather than 16 bits so long updates cannot wrap.
  int frame_ = 0;
  int loopStart_ = 0;
  int segment_ = 0;
  int total_ = 0;
  float time_ = 0.0f;  // milliseconds not yet turned into frames (float on purpose)
  int loops_ = 0;
  NodeAnimationState state_ = AnimationNeverStarted;
  int cacheFirst_ = -10;
  int cacheEnd_ = -10;
  int cacheIndex_ = 0;
};

}  // namespace RenderEngine
