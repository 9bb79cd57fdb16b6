#include "app/DemoTextScreen.h"

#include <GL/gl.h>

#include "app/DemoApplication.h"
#include "app/DemoSound.h"
#include "app/LocalizedText.h"
#include "render_engine/CNodeText.h"
#include "render_engine/CScene.h"
#include "render_engine/CSprite.h"

namespace {

using RenderEngine::CNodeText;
using RenderEngine::fontParameters_;

constexpr int kBank = 5;
constexpr std::uint32_t textId(int index) { return static_cast<std::uint32_t>(kBank << 16 | index); }

enum : int { kTitle = 0, kParagraph = 1, kCaption = 2, kLanguage = 3, kHint = 4, kCounter = 5 };

fontParameters_ colours(CNodeText* node, const float (&fill)[4], const float (&outline)[4]) {
  fontParameters_ p = node->getFontParameters();
  for (int i = 0; i < 4; ++i) {
    p.fillColor[i] = fill[i];
    p.outlineColor[i] = outline[i];
  }
  return p;
}

class DemoTextScreen : public GameSequenceInterface {
 public:
  explicit DemoTextScreen(int id) : id_(id) {}
  ~DemoTextScreen() override { delete scene_; }

  bool load() override {
    if (scene_ != nullptr) return true;
    scene_ = new RenderEngine::CScene();
    RenderEngine::CSprite::setSkipLargeTextures(false);
    auto* backdrop = new RenderEngine::CSprite("background");
    RenderEngine::CSprite::setSkipLargeTextures(true);
    backdrop->setPosition(240, 160, 0);
    backdrop->setScale(0.5f, 0.5f, 1.0f);
    backdrop->setOpaque(true);
    scene_->registerNode(backdrop);
    auto* panel = new RenderEngine::CSprite("text-panel");
    panel->setPosition(240, 150, 0);
    scene_->registerNode(panel);

    const float white[4] = {1, 1, 1, 1};
    const float navy[4] = {50 / 255.0f, 50 / 255.0f, 101 / 255.0f, 1};
    const float ink[4] = {0.24f, 0.15f, 0.06f, 1};
    const float gold[4] = {1.0f, 0.84f, 0.25f, 1};
    const float brown[4] = {0.30f, 0.15f, 0.02f, 1};
    const float none[4] = {-1, -1, -1, -1};
    const int centred = RenderEngine::kTextAlignCentre | RenderEngine::kTextAlignMiddle;

    addText(new CNodeText("icannon.ttf", 38, 2, textId(kTitle)), 240, 36, 440, 52, centred, white, navy);
    addText(new CNodeText("Arial Black.ttf", 28, textId(kParagraph)), 240, 150, 380, 156, centred, ink, none);
    addText(new CNodeText("Arial Black.ttf", 30, 2, textId(kCaption)), 240, 252, 400, 34, centred, gold, brown);
    addText(new CNodeText("Arial Black.ttf", 24, 2, textId(kLanguage)), 125, 284, 230, 24, centred, white, navy);
    addText(new CNodeText("Arial Black.ttf", 24, 2, textId(kCounter)), 355, 284, 230, 24, centred, white, navy);
    addText(new CNodeText("Arial Black.ttf", 20, textId(kHint)), 240, 307, 460, 16, centred, white, none);
    return true;
  }
  void unload() override {}
  void update(int ms) override {
    setMarkerValue(++frames_);
    scene_->update(ms);
  }
  void draw() override {
    scene_->render();
    glColor4f(1, 1, 1, 1);
  }
  void enter() override {}
  void leave() override {}
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override {}
  void touchEnded(int, int) override {
    playDemoClick();
    int languages = 0;
    while (getLanguageCode(languages)[0] != '\0') ++languages;
    if (languages == 0) return;
    setLanguageIndex((getCurrentLanguageIndex() + 1) % languages);
    CNodeText::refreshAllLocalizedTexts();
  }
  void keyPressed(char key, int, int) override {
    if (key != ' ') return;
    DemoApplication* loop = DemoApplication::getInstance();
    loop->setCurrentSequence((id_ + 1) % loop->getSequenceCount());
  }

 private:
  void addText(CNodeText* node, float x, float y, float width, float height, int flags, const float (&fill)[4],
               const float (&outline)[4]) {
    node->setPosition(x, y, 0);
    node->setLayoutFlags(flags);
    node->setFontParameters(colours(node, fill, outline));
    node->setTextRect(-width / 2, -height / 2, width, height);
    scene_->registerNode(node);
  }

  int id_;
  RenderEngine::CScene* scene_ = nullptr;
  int frames_ = 0;
};

}  // namespace

GameSequenceInterface* createDemoTextScreen(int id) { return new DemoTextScreen(id); }
