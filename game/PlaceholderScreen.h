#pragma once
// A screen that holds the place of one still to be built: a scene saying what
// will come there, with buttons (tags 310 and 311) that lead on. A button sinks
// while held and acts when released over it.
#include <string>

#include "game/QMRGameSequenceInterface.h"
#include "render_engine/CNode.h"

class PlaceholderScreen : public QMRGameSequenceInterface {
 public:
  static constexpr int kFirstButtonTag = 310;
  static constexpr int kSecondButtonTag = 311;
  static constexpr int kClickSound = 5;

  explicit PlaceholderScreen(const char* sceneName) : sceneName_(sceneName) {}
  ~PlaceholderScreen() override;
  PlaceholderScreen(const PlaceholderScreen&) = delete;
  PlaceholderScreen& operator=(const PlaceholderScreen&) = delete;

  bool load() override;
  // The same over a scene already read (taken).
  bool loadFrom(RenderEngine::CNode* scene);
  void unload() override;
  void update(int ms) override;
  void draw() override;
  void enter() override;
  void leave() override {}
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override;
  void touchBegan(int x, int y) override;
  void touchMoved(int x, int y) override;
  void touchEnded(int x, int y) override;

  RenderEngine::CNode* getScene() const { return scene_; }

 protected:
  // A button was released over itself.
  virtual void buttonReleased(int tag) = 0;

 private:
  RenderEngine::CNode* buttonAt(int x, int y);
  void showHeld(RenderEngine::CNode* button, bool held);

  std::string sceneName_;
  RenderEngine::CNode* scene_ = nullptr;
  RenderEngine::CNode* held_ = nullptr;
};
