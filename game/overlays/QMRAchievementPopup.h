#pragma once
// The pop-up of earned achievements ("success_achievement.bin"): each queued
// title slides in, stays for the scene's animation and goes, one after another.
#include <cstddef>
#include <deque>

#include "render_engine/CNode.h"

class QMRAchievementPopup : public RenderEngine::CNode {
 public:
  static constexpr const char* kScene = "success_achievement.bin";
  static constexpr int kTitleTag = 540;
  static constexpr int kBadgeTag = 539;
  static constexpr std::size_t kMaxQueued = 32;

  static QMRAchievementPopup* instance();

  QMRAchievementPopup();
  // Reads "success_achievement.bin".
  void loadScene();
  // The same from a scene already read (taken; null: nothing to show).
  void loadSceneFrom(RenderEngine::CNode* scene);

  // Queues an achievement title (a text id).
  void enqueue(int textId);
  bool isShown() const { return showing_; }
  std::size_t queuedCount() const { return queue_.size(); }
  // The title on screen (the first queued), or -1.
  int currentTextId() const { return showing_ && !queue_.empty() ? queue_.front() : -1; }

  virtual void touchBegan(int, int) {}
  virtual void touchEnded(int, int) {}
  virtual void touchMoved(int, int) {}

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;

  RenderEngine::CNode* getScene() const { return scene_; }
  RenderEngine::CNode* getTextNode() const { return textNode_; }

 private:
  void advance();

  bool showing_ = false;
  std::deque<int> queue_;
  RenderEngine::CNode* scene_ = nullptr;
  RenderEngine::CNode* textNode_ = nullptr;
  bool droppedReported_ = false;
};
