#include "render_engine/NodeAnimation.h"

#include <algorithm>

namespace RenderEngine {

namespace {
float movedIntoRange(float angle) { return angle < 0.0f ? angle + 360.0f : angle; }
}  // namespace

// Only negative angles are moved into [0, 360) before comparing: two stored
// angles such as 350 and 10 blend through 180, the way the scene data expects.
float angleDelta(float a, float b) {
  const float d1 = movedIntoRange(b) - movedIntoRange(a);
  const float d2 = b - a;
  return std::fabs(d2) <= std::fabs(d1) ? d2 : d1;
}

float interpolateAngle(float a, float b, float t) {
  if (t == 0.0f) return a;
  if (t == 1.0f) return b;
  const float r = movedIntoRange(a) + angleDelta(a, b) * t;
  return r > 180.0f ? r - 360.0f : r;
}

KeyframeTransform KeyframeTransform::interpolate(const KeyframeTransform& a, const KeyframeTransform& b, float t) {
  if (a == b) return a;
  KeyframeTransform r;
  r.position = lerp(a.position, b.position, t);
  r.scale = lerp(a.scale, b.scale, t);
  r.alphaOffset = lerp(a.alphaOffset, b.alphaOffset, t);
  r.colorOffsetR = lerp(a.colorOffsetR, b.colorOffsetR, t);
  r.colorOffsetG = lerp(a.colorOffsetG, b.colorOffsetG, t);
  r.colorOffsetB = lerp(a.colorOffsetB, b.colorOffsetB, t);
  r.rotationZ = interpolateAngle(a.rotationZ, b.rotationZ, t);
  r.skewX = interpolateAngle(a.skewX, b.skewX, t);
  r.skewY = interpolateAngle(a.skewY, b.skewY, t);
  return r;
}

// ---------------------------------------------------------------------------

CPath::CPath(std::uint16_t duration) : duration_(duration) {}

CPath::CPath(const CPath& other) { CPath::assign(other); }

CPath& CPath::operator=(const CPath& other) {
  if (this != &other) assign(other);
  return *this;
}

void CPath::assign(const CPath& other) {
  duration_ = other.duration_;
  cachedPose_ = other.cachedPose_;
  cachedParameter_ = other.cachedParameter_;
  points_ = other.points_;
}

void CPath::addPoint(const KeyframeTransform& point) {
  points_.push_back(point);
  cachedParameter_ = -1.0f;  // the cached pose may have been made without this point
}

KeyframeTransform CPath::interpolate(float t) {
  if (points_.empty()) return KeyframeTransform();
  if (!(t >= 0.0f)) t = 0.0f;  // also catches NaN
  if (t > 1.0f) t = 1.0f;
  if (t == cachedParameter_) return cachedPose_;
  const int n = static_cast<int>(points_.size()) - 1;
  const int i = std::clamp(static_cast<int>(static_cast<float>(n) * t), 0, n);
  if (i == n) return points_[static_cast<std::size_t>(n)];
  const float u = (t - static_cast<float>(i) / static_cast<float>(n)) * static_cast<float>(n);
  cachedPose_ = KeyframeTransform::interpolate(points_[static_cast<std::size_t>(i)],
                                               points_[static_cast<std::size_t>(i) + 1], u);
  cachedParameter_ = t;
  return cachedPose_;
}

// ---------------------------------------------------------------------------

NodeAnimation::NodeAnimation() = default;

void NodeAnimation::invalidateSegmentCache() {
  cacheFirst_ = -10;
  cacheEnd_ = -10;
  cacheIndex_ = 0;
}

void NodeAnimation::play(int loops) {
  if (total_ == 0) return;
  state_ = AnimationPlaying;
  loops_ = loops;
  seek(0);
  time_ = 0.0f;
}

void NodeAnimation::pauseAt(int frame) {
  state_ = AnimationPaused;
  seek(frame);
}

void NodeAnimation::stop() {
  state_ = AnimationStopped;
  time_ = 0.0f;
}

void NodeAnimation::addSegment(const CPath& path) {
  segmentStarts_.push_back(total_);
  segments_.push_back(path);
  recountFrames();
}

void NodeAnimation::clear() {
  segments_.clear();
  segmentStarts_.clear();
  recountFrames();
}

void NodeAnimation::recountFrames() {
  int total = 0;
  for (const CPath& p : segments_) total += p.getDuration();
  total_ = total;
  invalidateSegmentCache();
  // The segment index may have been taken before the segments it points into.
  segment_ = findSegment();
}

// Held at the bottom too: a negative frame would make the pose's parameter
// negative and index before the first point.
void NodeAnimation::seek(int frame) {
  if (frame >= total_) frame = total_ - 1;
  if (frame < 0) frame = 0;
  frame_ = frame;
  segment_ = findSegment();
}

int NodeAnimation::findSegment() {
  const int count = static_cast<int>(segments_.size());
  if (cacheFirst_ <= frame_ && frame_ < cacheEnd_ && cacheIndex_ < count) return cacheIndex_;
  int sum = 0;
  for (int i = 0; i < count; ++i) {
    const int previous = sum;
    sum += segments_[static_cast<std::size_t>(i)].getDuration();
    if (sum > frame_) {
      cacheFirst_ = previous;
      cacheEnd_ = sum;
      cacheIndex_ = i;
      return i;
    }
  }
  // No segment holds the frame: cache nothing, so a later ordinary frame is
  // looked up afresh rather than handed this out-of-range index.
  invalidateSegmentCache();
  return count;
}

void NodeAnimation::advance(int dtMs) {
  if (state_ != AnimationPlaying) return;
  time_ += static_cast<float>(dtMs);
  const float frames = time_ * 30.0f / 1000.0f;
  if (frames < 1.0f) return;
  // An absurd elapsed time must not overflow the conversion; a million frames
  // is far past any animation's end.
  const int n = frames > 1.0e6f ? 1000000 : static_cast<int>(frames);
  frame_ += n;
  time_ -= static_cast<float>(n) * 1000.0f / 30.0f;
  if (frame_ >= total_) {
    if (loops_ > 0) loops_ -= 1;
    if (loops_ == 0) {
      stop();
    } else {
      frame_ = loopStart_ >= 1 ? loopStart_ : 0;
    }
  }
  seek(frame_);
}

KeyframeTransform NodeAnimation::interpolate() {
  const int count = static_cast<int>(segments_.size());
  if (segment_ < 0 || segment_ >= count) return KeyframeTransform();
  CPath& path = segments_[static_cast<std::size_t>(segment_)];
  const int duration = path.getDuration();
  if (duration == 0) return path.interpolate(1.0f);
  const int k = static_cast<int>(std::clamp(time_ * 30.0f / 1000.0f, -1.0e6f, 1.0e6f));
  float t = static_cast<float>(frame_ + 1 - segmentStarts_[static_cast<std::size_t>(segment_)] + k) /
            static_cast<float>(duration);
  if (t > 1.0f) t = 1.0f;
  return path.interpolate(t);
}

}  // namespace RenderEngine
