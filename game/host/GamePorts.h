#pragma once
// What the application object and the screens ask of the overlays that live
// above every screen (mouse cursor, text banner, achievement pop-up, map HUD)
// and of the sound effects. One process-wide set; the game installs the real
// one at start-up, tests install recorders. The default does nothing.
class GamePorts {
 public:
  virtual ~GamePorts() = default;

  // Mouse cursor.
  virtual void cursorSetMode(int /*mode*/) {}
  virtual void cursorSetPressState(int /*state*/) {}
  virtual void cursorMoveTo(int /*x*/, int /*y*/, int /*z*/) {}
  virtual void cursorUpdate(int /*ms*/) {}
  virtual void cursorDraw() {}
  virtual void cursorReapplyMode() {}

  // Banner and pop-up: read their scenes once at start-up.
  virtual void loadOverlays() {}
  virtual bool isBannerShown() { return false; }
  virtual void bannerTouchBegan(int /*x*/, int /*y*/) {}
  virtual void bannerTouchMoved(int /*x*/, int /*y*/) {}
  virtual void bannerTouchEnded(int /*x*/, int /*y*/) {}
  // The banner's update, then the pop-up's.
  virtual void updateOverlays(int /*ms*/) {}
  // The banner when shown, then the pop-up when shown.
  virtual void drawOverlays() {}
  virtual void unloadOverlayTextures() {}

  // The map HUD (back button 209, hint 207).
  virtual bool hudHandleTouch(int /*x*/, int /*y*/) { return false; }
  virtual int hudFindButtonAt(int /*x*/, int /*y*/) { return -1; }
  virtual void hudSetButtonsHighlighted(bool /*on*/) {}
  virtual void hudSetHintVisible(bool /*visible*/) {}
  virtual void hudUpdate(int /*ms*/) {}
  virtual void hudDraw() {}
  virtual void hudUnloadTextures() {}
  // Whether the HUD was made (the unload above would make it).
  virtual bool hudExists() { return false; }

  // A sound effect by id, once.
  virtual void playSound(int /*soundId*/) {}
};

// The installed ports (never null: a do-nothing set until one is installed).
GamePorts& gamePorts();
// Installs ports (not owned; nullptr restores the do-nothing set); returns the
// previous ones (nullptr when the default was in place).
GamePorts* setGamePorts(GamePorts* ports);
