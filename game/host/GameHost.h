#pragma once
// What the game reaches above its screens, in one place: sounds and music,
// the text banner and its result window, the achievement pop-up and the
// online service, the mouse pointer, the map HUD, and the application
// object's moves between screens and movies. The application object
// implements it and installs itself when it is made; until then (tools,
// tests) a host that does nothing answers, and a test installs a recorder.
#include <cstdint>

// A banner message: a text id, its kind, its place on screen and the mask of
// the buttons it carries (0: none, dismissed by a tap).
struct BannerMessage {
  int textId = 0;
  int kind = 0;
  int position = 0;
  int buttonMask = 0;
};

class GameHost {
 public:
  virtual ~GameHost() = default;

  // --- sound ----------------------------------------------------------------
  // A sound effect by id, once (not looped); a negative id is no sound.
  virtual void playSound(int /*soundId*/) {}
  // A piece of music at the music volume as it stands.
  virtual void playMusic(std::uint32_t /*id*/, bool /*loop*/) {}

  // --- the text banner ------------------------------------------------------
  // Shows the message, or queues it while another one is on screen.
  virtual void showBannerMessage(const BannerMessage& /*message*/) {}
  // The end-of-level window: time, taps, score, best score and medal.
  virtual void showResult(const BannerMessage& /*message*/, int /*timeMs*/, int /*actions*/, int /*score*/,
                          int /*best*/, int /*medal*/) {}
  virtual bool isBannerShown() { return false; }
  // Shows the next waiting message or hides the banner; true while shown.
  virtual bool showNextQueued() { return false; }
  // What the banner tells the screen under it: a button released, and when
  // it opens and closes.
  virtual void forwardButton(int /*buttonId*/) {}
  virtual void notifyBannerShown() {}
  virtual void notifyBannerHidden() {}

  // --- achievements ---------------------------------------------------------
  // Queues the pop-up of an earned achievement with that title text.
  virtual void showAchievementPopup(int /*textId*/) {}
  // The online service: never ready on this platform.
  virtual bool isOnlineServiceReady() { return false; }
  virtual void reportAchievement(int /*id*/, int /*percent*/) {}

  // --- the pointer ----------------------------------------------------------
  // The game's cursor look (MouseCursor modes).
  virtual void setCursorMode(int /*mode*/) {}
  // The window's own pointer: shown, or none.
  virtual void setSystemCursorVisible(bool /*visible*/) {}

  // --- the map HUD (back button 209, hint 207) -------------------------------
  // A press: true when it lands on the back button.
  virtual bool mapHudPress(int /*x*/, int /*y*/) { return false; }
  // The HUD's button under a release, -1 for none.
  virtual int mapHudButtonAt(int /*x*/, int /*y*/) { return -1; }
  virtual void mapHudHighlight(bool /*on*/) {}
  virtual void mapHudShowHint(bool /*visible*/) {}
  virtual void mapHudUpdate(int /*ms*/) {}
  virtual void mapHudDraw() {}
  // Drops the HUD's textures; nothing while it was never made.
  virtual void mapHudUnloadTextures() {}

  // --- the application object -----------------------------------------------
  virtual void switchToSequence(int /*id*/) {}
  virtual void startLevel(int /*levelId*/) {}
  // The main menu on the current map's level page, or on the map choice.
  virtual void returnToMenu() {}
  virtual void returnToMapPage() {}
  virtual void playVideo(const char* /*movie*/, const char* /*subtitles*/) {}
  virtual bool isVideoPlaying() { return false; }
  virtual void stopVideo() {}
  virtual void skipNextFrame() {}
  virtual void requestFullscreen(bool /*on*/) {}
  virtual void quit() {}
};

// The installed host; never null (one that does nothing until one is installed).
GameHost& gameHost();
// Installs a host (not owned; nullptr restores the one that does nothing) and
// returns the previous one (nullptr for that one).
GameHost* setGameHost(GameHost* host);
