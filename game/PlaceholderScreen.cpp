#include "game/PlaceholderScreen.h"

#include "game/GamePorts.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeReader.h"

using RenderEngine::CNode;

PlaceholderScreen::~PlaceholderScreen() { unload(); }

bool PlaceholderScreen::load() {
  ExportCNode::CNodeReader reader(sceneName_);
  return loadFrom(reader.read());
}

bool PlaceholderScreen::loadFrom(CNode* scene) {
  unload();
  scene_ = scene != nullptr ? scene : new CNode();
  return true;
}

void PlaceholderScreen::unload() {
  delete scene_;
  scene_ = nullptr;
  held_ = nullptr;
}

void PlaceholderScreen::update(int ms) {
  if (scene_ != nullptr) scene_->update(ms);
}

void PlaceholderScreen::draw() {
  if (scene_ != nullptr) scene_->draw(true, true);
}

void PlaceholderScreen::enter() {
  gamePorts().cursorSetMode(1);
  if (held_ != nullptr) showHeld(held_, false);
  held_ = nullptr;
}

void PlaceholderScreen::unloadTextures() {
  if (scene_ != nullptr) scene_->unloadTextures();
}

CNode* PlaceholderScreen::buttonAt(int x, int y) {
  if (scene_ == nullptr) return nullptr;
  for (int tag : {kFirstButtonTag, kSecondButtonTag}) {
    CNode* b = scene_->findByTag(tag);
    if (b != nullptr && b->isVisible() && b->containsPoint(x, y)) return b;
  }
  return nullptr;
}

void PlaceholderScreen::showHeld(CNode* button, bool held) {
  if (auto* b = dynamic_cast<RenderEngine::CButton*>(button)) b->showState(held ? 1 : 0);
}

void PlaceholderScreen::touchBegan(int x, int y) {
  held_ = buttonAt(x, y);
  if (held_ == nullptr) return;
  showHeld(held_, true);
  gamePorts().playSound(kClickSound);
}

void PlaceholderScreen::touchMoved(int x, int y) {
  if (held_ != nullptr) showHeld(held_, buttonAt(x, y) == held_);
}

void PlaceholderScreen::touchEnded(int x, int y) {
  CNode* held = held_;
  held_ = nullptr;
  if (held == nullptr) return;
  showHeld(held, false);
  if (buttonAt(x, y) == held) buttonReleased(held->getTag());
}
