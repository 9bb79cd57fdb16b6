#pragma once
// The overlay of the main menu's inner pages and the honour board: the scene of
// "hud-map.bin" with its back button (tag 209) and a hint (tag 207).
#include "render_engine/CNode.h"

class QMRMapHud : public RenderEngine::CNode {
 public:
  static constexpr int kBackButtonTag = 209;
  static constexpr int kHintTag = 207;

  // The one HUD, loaded the first time.
  static QMRMapHud* instance();
  // Whether instance() made it already (asking makes nothing).
  static bool exists();

  QMRMapHud();
  // Reads "hud-map.bin" and takes its root.
  void loadScene();
  // The same from a scene already read (taken); for tests.
  void loadSceneFrom(RenderEngine::CNode* root);

  // A press: true when it lands on the visible back button, which then shows
  // its pressed state.
  bool handleTouch(int x, int y);
  // A release: 209 when over the visible back button, else -1.
  int findButtonAt(int x, int y);
  void setButtonsHighlighted(int state);
  void setHintVisible(bool visible);
  void prepare(int) {}

  RenderEngine::CNode* getSceneRoot() const { return sceneRoot_; }
  RenderEngine::CNode* getBackButton() const { return backButton_; }
  const RenderEngine::NodeList& getButtons() const { return buttons_; }

 private:
  void setBackState(int state);

  RenderEngine::CNode* sceneRoot_ = nullptr;
  RenderEngine::NodeList buttons_;
  RenderEngine::CNode* backButton_ = nullptr;
};
