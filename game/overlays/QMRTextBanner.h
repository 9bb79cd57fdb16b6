#pragma once
// The modal message banner above every screen: a strip over a dimmed screen
// with a text, a picture for the kind of message and up to three buttons
// (briefings, pause, lost and won), and the result window shown inside it at
// the end of a level. Messages sent while one is shown wait in a queue. Its
// buttons, its opening and its closing go to the game's host, which hands
// them on to the screen under it.
#include <cstddef>
#include <deque>
#include <vector>

#include "game/host/GameHost.h"
#include "game/overlays/QMRButton.h"
#include "render_engine/CNode.h"

// The end-of-level window: time, three numbers and the medal.
class QMRResultScreen : public RenderEngine::CNode {
 public:
  static constexpr int kTimeTag = 147;
  static constexpr int kFirstNumberTag = 148;
  static constexpr int kSecondNumberTag = 145;
  static constexpr int kThirdNumberTag = 146;
  static constexpr int kMedalTag = 136;
  static constexpr int kGoldTag = 135;
  static constexpr std::size_t kTextSize = 20;

  // template: the window's tree (copied, not taken); null leaves it empty.
  explicit QMRResultScreen(const RenderEngine::CNode* windowTemplate);

  void setValues(int timeMs, int a, int b, int c, int medal);
  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;

  const char* getTimeText() const { return time_; }
  const char* getNumberText(int i) const { return numbers_[i]; }
  int getMedal() const { return medal_; }
  bool isMedalPending() const { return medalPending_; }

  // "m:ss" of a time in milliseconds (negative times count as 0).
  static void formatTime(int timeMs, char (&out)[kTextSize]);

 private:
  void showMedalFrame();

  bool medalPending_ = false;
  int medal_ = 0;
  char time_[kTextSize] = {};
  char numbers_[3][kTextSize] = {};
};

class QMRTextBanner : public RenderEngine::CNode {
 public:
  static constexpr const char* kBannerScene = "bandeau.bin";
  static constexpr const char* kWindowScene = "boutons-fenetres.bin";
  static constexpr int kTextTag = 60;
  static constexpr int kKindTag = 37;
  static constexpr int kButtonCount = 3;
  // Messages beyond this many waiting are dropped (with a message).
  static constexpr std::size_t kMaxQueued = 16;

  enum Kind { kPlain = 0, kTutorial = 1, kPause = 2, kWon = 3, kLost = 4 };
  enum ButtonBit { kBitRetry = 0x01, kBitNext = 0x02, kBitResume = 0x04, kBitMenu = 0x08, kBitMenuToo = 0x10 };

  // The one banner (not loaded: the game loads it once at start-up).
  static QMRTextBanner* instance();

  QMRTextBanner();
  ~QMRTextBanner() override;

  // Reads "bandeau.bin" and "boutons-fenetres.bin".
  void loadScene();
  // The same from scenes already read (both taken; either may be null); the
  // buttons use the process-wide template.
  void loadScenes(RenderEngine::CNode* bannerScene, RenderEngine::CNode* windowScene);

  void showMessage(const BannerMessage& message);
  void showMessage(int textId, int kind, int position, int buttonMask);
  void showResult(const BannerMessage& message, int timeMs, int a, int b, int c, int medal);
  // Shows the next waiting message, or hides the banner. Returns isShown().
  bool showNextQueued();
  bool isShown() const { return shown_; }

  virtual void touchBegan(int x, int y);
  virtual void touchEnded(int x, int y);
  virtual void touchMoved(int x, int y);

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  void draw(bool pass, bool push) override;

  // --- state, for the game and tests ---
  const BannerMessage& currentMessage() const { return current_.message; }
  std::size_t queuedCount() const { return queue_.size(); }
  bool isOpening() const { return openingPending_; }
  bool areButtonsEnabled() const { return buttonsEnabled_; }
  int getPressedButton() const { return pressedButton_; }
  RenderEngine::CNode* getRoot() const { return root_; }
  QMRResultScreen* getResultScreen() const { return resultScreen_; }
  const std::vector<QMRButton*>& getButtons() const { return buttons_; }
  const RenderEngine::NodeList& getTextNodes() const { return textNodes_; }

 private:
  struct Entry {
    BannerMessage message;
    bool hasResult = false;
    int timeMs = 0;
    int values[3] = {0, 0, 0};
    int medal = 0;
  };

  void enqueue(const Entry& entry);
  void showMessageNow(const Entry& entry);
  void layoutButtons();
  void playVoice(int kind);
  int pressButtonAt(int x, int y);
  // The tag of the last visible button under the point, or -1 (no sounds).
  int buttonAt(int x, int y);
  void hideAll();

  RenderEngine::CNode* root_ = nullptr;
  std::vector<QMRButton*> buttons_;
  RenderEngine::NodeList textNodes_;
  std::deque<Entry> queue_;
  QMRResultScreen* resultScreen_ = nullptr;
  Entry current_;
  int pressedButton_ = -1;
  bool shown_ = false;
  bool openingPending_ = false;
  bool buttonsEnabled_ = false;
  bool droppedReported_ = false;
  // Counts every message shown and every hide: tells touchEnded whether the
  // screen it called already moved the banner on.
  unsigned serial_ = 0;
};
