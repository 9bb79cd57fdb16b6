#pragma once
// One screen of the program, driven by the application object.

class GameSequenceInterface {
 public:
  virtual ~GameSequenceInterface() = default;

  // Called once per frame during start-up until it returns true (loading done).
  virtual bool load() = 0;
  virtual void unload() = 0;
  virtual void update(int ms) = 0;
  virtual void draw() = 0;
  virtual void enter() = 0;
  virtual void leave() = 0;
  virtual void suspend() = 0;
  virtual void resume() = 0;
  virtual void unloadTextures() = 0;

  // Input in 480x320 points. Hover is the pointer moving with no button held.
  virtual void touchBegan(int /*x*/, int /*y*/) {}
  virtual void touchMoved(int /*x*/, int /*y*/) {}
  virtual void touchEnded(int /*x*/, int /*y*/) {}
  virtual void touchHover(int /*x*/, int /*y*/) {}
  virtual void keyPressed(char /*key*/, int /*x*/, int /*y*/) {}
};
