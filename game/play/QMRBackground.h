#pragma once
// The scenery of a level ("background<N>.bin"): parts tagged 4 animate at
// random intervals, and one process-wide rare effect ("extra-fixed.bin")
// plays one of its alternatives every few minutes.
#include <vector>

#include "render_engine/CNode.h"

class QMRBackgroundFX : public RenderEngine::CNode {
 public:
  static QMRBackgroundFX* instance();
  static void resetInstance();

  virtual void loadVisual();
  // Plays one alternative at random; nothing without alternatives.
  void start();
  void stop();
  bool isRunning();

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;

  RenderEngine::CNode* getVisual() const { return visual_; }
  RenderEngine::CNode* getCurrent() const { return current_; }
  int getTimer() const { return timerMs_; }
  bool isPlaying() const { return playing_; }

 private:
  QMRBackgroundFX();
  static int newTimer();
  RenderEngine::CNode* visual_ = nullptr;
  RenderEngine::CNode* current_ = nullptr;
  int timerMs_ = 0;
  bool playing_ = false;
};

class QMRBackground : public RenderEngine::CNode {
 public:
  static constexpr int kPartTag = 4;
  static constexpr int kDecorationTag = 106;

  explicit QMRBackground(int scenery);
  QMRBackground(const QMRBackground& other);
  ~QMRBackground() override;

  bool isDecorationTag(int tag) const;
  void stopEffect();

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  void draw(bool pass, bool push) override;
  RenderEngine::CNode* clone() const override;
  void unloadTextures() override;
  void unloadLargeTextures() override;

  int getScenery() const { return scenery_; }
  const RenderEngine::NodeList& getParts() const { return parts_; }
  const std::vector<int>& getPartTimers() const { return partTimers_; }

 private:
  QMRBackgroundFX* effect_ = nullptr;
  int scenery_ = 0;
  RenderEngine::NodeList parts_;
  std::vector<int> partTimers_;
};
