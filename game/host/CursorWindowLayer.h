#pragma once
// What the mouse cursor asks of the window: show the system pointer or hide it.
// The GLUT layer acts only once GLUT has a window (before that, and in tools,
// it does nothing); tests put the null layer, or a recorder, in its place.
class CursorWindowLayer {
 public:
  virtual ~CursorWindowLayer() = default;
  // true: the window's own pointer (GLUT_CURSOR_INHERIT); false: none.
  virtual void setSystemCursorVisible(bool visible) = 0;
};

// Does nothing: for tests and for programs without a window.
class NullCursorWindowLayer : public CursorWindowLayer {
 public:
  void setSystemCursorVisible(bool) override {}
};

// The layer over GLUT's glutSetCursor (one process-wide object).
CursorWindowLayer* glutCursorWindowLayer();
