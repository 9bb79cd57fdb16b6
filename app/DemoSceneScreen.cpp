#include "app/DemoSceneScreen.h"

#include <GL/gl.h>

#include <string>

#include "app/DemoApplication.h"
#include "app/DemoSound.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/COptionalNodeList.h"
#include "render_engine/CScene.h"

namespace {

using RenderEngine::CNode;

enum : int { kNextButtonTag = 12, kPagesTag = 13, kPanelTag = 14, kLoopingTag = 20 };

class DemoSceneScreen : public GameSequenceInterface {
 public:
  DemoSceneScreen(int id, const char* sceneName) : id_(id), sceneName_(sceneName) {}
  ~DemoSceneScreen() override { delete scene_; }

  bool load() override {
    if (scene_ != nullptr) return true;
    scene_ = new RenderEngine::CScene();
    ExportCNode::CNodeReader reader(sceneName_);
    root_ = reader.read();
    scene_->registerNode(root_);
    button_ = dynamic_cast<RenderEngine::CButton*>(root_->findByTag(kNextButtonTag));
    pages_ = dynamic_cast<RenderEngine::COptionalNodeList*>(root_->findByTag(kPagesTag));
    panel_ = root_->findByTag(kPanelTag);
    return true;
  }
  void unload() override {}
  void update(int ms) override { scene_->update(ms); }
  void draw() override {
    scene_->render();
    glColor4f(1, 1, 1, 1);
  }
  void enter() override {
    held_ = false;
    if (button_ != nullptr) button_->showState(0);
    root_->playAnimationByTagDeep(kLoopingTag, -1, false);
  }
  void leave() override {}
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override {}

  void touchBegan(int x, int y) override {
    playDemoClick();
    held_ = button_ != nullptr && button_->containsPoint(x, y);
    if (held_) button_->showState(1);
  }
  void touchMoved(int x, int y) override {
    // Held down, the button follows whether the pointer is still over it.
    if (held_) button_->showState(button_->containsPoint(x, y) ? 1 : 0);
  }
  void touchEnded(int x, int y) override {
    if (held_) {
      held_ = false;
      button_->showState(0);
      if (button_->containsPoint(x, y)) {
        DemoApplication* loop = DemoApplication::getInstance();
        loop->setCurrentSequence((id_ + 1) % loop->getSequenceCount());
      }
      return;
    }
    if (pages_ == nullptr) return;
    const bool onPages = pages_->containsPoint(x, y) || (panel_ != nullptr && panel_->containsPoint(x, y));
    if (onPages) pages_->showFrame((pages_->getCurrentOption() + 1) % pages_->getOptionCount());
  }

 private:
  int id_;
  std::string sceneName_;
  RenderEngine::CScene* scene_ = nullptr;
  CNode* root_ = nullptr;
  RenderEngine::CButton* button_ = nullptr;
  RenderEngine::COptionalNodeList* pages_ = nullptr;
  CNode* panel_ = nullptr;
  bool held_ = false;
};

}  // namespace

GameSequenceInterface* createDemoSceneScreen(int id, const char* sceneName) {
  return new DemoSceneScreen(id, sceneName);
}
