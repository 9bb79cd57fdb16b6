#include "app/Event.h"

MultiTouchEvent::MultiTouchEvent(int phase, int count, int x0, int y0, int x1, int y1, int x2, int y2, int x3,
                                 int y3, int x4, int y4, bool track)
    : Event(kMultiTouch) {
  data_.phase = phase;
  data_.touches.count = clampTouchCount(count);
  const int xs[kMaxTouches] = {x0, x1, x2, x3, x4};
  const int ys[kMaxTouches] = {y0, y1, y2, y3, y4};
  for (int i = 0; i < kMaxTouches; ++i) data_.touches.points[i] = TouchPoint{xs[i], ys[i]};
  data_.track = track;
}

MultiTouchEvent::MultiTouchEvent(int phase, int count, const TouchPoint points[kMaxTouches], bool track)
    : MultiTouchEvent(phase, count, points[0].x, points[0].y, points[1].x, points[1].y, points[2].x, points[2].y,
                      points[3].x, points[3].y, points[4].x, points[4].y, track) {}
