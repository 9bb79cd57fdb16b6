#pragma once
// The in-game head-up display read from "hud.bin": the clock (tag 147), the
// tap counter (148), three medal marks (214 to 216, each a first child with a
// lit frame 0 and a dim frame 1), the level-1 tap guide (212, 213), the idle
// hint (213, blinking) and the pause (220) and retry (221) buttons.
#include <cstddef>

#include "render_engine/CNode.h"

class GameHud : public RenderEngine::CNode {
 public:
  static constexpr int kClockTag = 147;
  static constexpr int kCounterTag = 148;
  static constexpr int kGuideTag = 212;
  static constexpr int kHintTag = 213;
  static constexpr int kFirstMarkTag = 214;
  static constexpr int kPauseButton = 220;
  static constexpr int kRetryButton = 221;
  static constexpr std::size_t kTextSize = 20;

  GameHud();
  ~GameHud() override;

  void loadScene();
  void setCounter(int n);
  void setClock(int ms);
  // Marks below the medal lit, the others dim; a medal of 0 leaves them.
  void showMarks(int medal);
  void setTapGuide(bool on);
  void setIdleHint(bool on);
  bool containsButtonAt(int x, int y);
  bool highlightButtonsAt(int x, int y);
  int findButtonAt(int x, int y);

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;

  const char* getClockText() const { return clock_; }
  const char* getCounterText() const { return counter_; }
  bool isGuideOn() const { return guideMode_; }
  bool isIdleHintOn() const { return idleHint_; }
  int getHintTimer() const { return hintTimer_; }
  const RenderEngine::NodeList& getButtons() const { return buttons_; }

  // "m:ss" of whole seconds.
  static void formatClock(int ms, char (&out)[kTextSize]);

 private:
  void showText(RenderEngine::CNode* node, const char* text);

  RenderEngine::CNode* root_ = nullptr;
  RenderEngine::CNode* counterText_ = nullptr;
  RenderEngine::CNode* clockText_ = nullptr;
  RenderEngine::NodeList buttons_;
  bool guideMode_ = false;
  bool idleHint_ = false;
  int hintTimer_ = 0;
  char clock_[kTextSize] = {};
  char counter_[kTextSize] = {};
};
