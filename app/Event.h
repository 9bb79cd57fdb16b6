#pragma once
// Input records queued by the application object between frames.

constexpr int kMaxTouches = 5;

struct TouchPoint {
  int x = 0;
  int y = 0;
};

struct TouchSet {
  int count = 0;  // how many of the points carry meaning, 0..5
  TouchPoint points[kMaxTouches] = {};
};

enum TouchPhase { kPhaseBegan = 0, kPhaseMoved = 1, kPhaseEnded = 2, kPhaseNone = 3, kPhaseHover = 4 };

struct EventData {
  float reservedA = 0.0f, reservedB = 0.0f, reservedC = 0.0f;
  int phase = kPhaseNone;
  TouchSet touches;
  bool track = false;
  float reservedD = 0.0f, reservedE = 0.0f, reservedF = 0.0f, reservedG = -1.0f, reservedH = -1.0f;
  int reservedI = -1, reservedJ = -1;
};

class Event {
 public:
  enum Type { kMultiTouch = 1 };

  explicit Event(int type) : type_(type) {}
  Event(const Event&) = default;
  Event& operator=(const Event&) = default;
  virtual ~Event() = default;

  int getType() const { return type_; }
  EventData getData() const { return data_; }
  virtual TouchSet getTouches() const { return data_.touches; }

 protected:
  int type_;
  EventData data_;
};

class MultiTouchEvent : public Event {
 public:
  // count is clamped to 0..5: no reader may look past the five points.
  MultiTouchEvent(int phase, int count, int x0, int y0, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                  int y4, bool track);
  MultiTouchEvent(int phase, int count, const TouchPoint points[kMaxTouches], bool track);
};

// Clamps a touch count to the points a record can hold.
inline int clampTouchCount(int count) { return count < 0 ? 0 : (count > kMaxTouches ? kMaxTouches : count); }
