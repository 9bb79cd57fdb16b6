#pragma once
// What the level screen reaches above itself: the text banner, the mouse
// cursor, music, and the application object's moves between screens and
// movies. The game installs its own; the default shows banner messages
// through the overlay hooks, plays music through the sound engine and
// ignores the rest (tools and tests record instead).
#include <cstdint>

#include "game/host/OverlayHooks.h"

class InGameHost {
 public:
  virtual ~InGameHost() = default;

  virtual void showBannerMessage(const BannerMessage& message);
  // The end-of-level window: time, taps, score, best score and medal.
  virtual void showResult(const BannerMessage& message, int timeMs, int actions, int score, int best, int medal);
  virtual bool isBannerShown() { return false; }
  // Shows the next waiting message or hides the banner.
  virtual bool showNextQueued() { return false; }
  virtual void setCursorMode(int /*mode*/) {}
  virtual void playMusic(std::uint32_t id, bool loop);

  virtual void startLevel(int /*levelId*/) {}
  virtual void returnToMenu() {}
  virtual void returnToMapPage() {}
  virtual void playVideo(const char* /*file*/, const char* /*subtitles*/) {}
  virtual bool isVideoPlaying() { return false; }
  virtual void stopVideo() {}
  virtual void switchToSequence(int /*id*/) {}
};

// The default host (never null).
InGameHost& defaultInGameHost();
