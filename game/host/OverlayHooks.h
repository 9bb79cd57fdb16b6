#pragma once
// Where the progress managers reach the overlays that live above every screen:
// the text banner (tutorial messages), the achievement pop-up and the online
// service. The game's application object installs its overlays here when it
// creates them; until then (and in tools and tests without them) nothing is
// shown and nothing is reported.

// A banner message: a text id, its kind, its place on screen and the mask of
// the buttons it carries (0: none, dismissed by a tap).
struct BannerMessage {
  int textId = 0;
  int kind = 0;
  int position = 0;
  int buttonMask = 0;
};

class OverlayHooks {
 public:
  virtual ~OverlayHooks() = default;
  // Shows the message, or queues it while another one is on screen.
  virtual void showBannerMessage(const BannerMessage& message) = 0;
  // Queues the pop-up of an earned achievement with that title text.
  virtual void enqueueAchievementPopup(int textId) = 0;
  // The online service: never ready on this platform unless an overlay says so.
  virtual bool isOnlineServiceReady() { return false; }
  virtual void reportAchievement(int /*id*/, int /*percent*/) {}
};

// Installs the hooks (not owned; nullptr removes them). Returns the previous ones.
OverlayHooks* setOverlayHooks(OverlayHooks* hooks);
// The installed hooks, or nullptr.
OverlayHooks* overlayHooks();
