#include "game/overlays/QMRButton.h"

#include <cmath>
#include <cstdio>

#include "render_engine/CButton.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/CNodeText.h"

using RenderEngine::CNode;

namespace {

CNode* g_template = nullptr;
bool g_templateTried = false;
int g_buildCount = 0;

void buildTemplateFrom(CNode* scene) {
  ++g_buildCount;
  g_templateTried = true;
  delete g_template;
  g_template = nullptr;
  CNode* level1 = scene != nullptr ? scene->getChild(0) : nullptr;
  CNode* level2 = level1 != nullptr ? level1->getChild(0) : nullptr;
  CNode* source = level2 != nullptr ? level2->getChild(0) : nullptr;
  if (source != nullptr && source->getChild(1) != nullptr) {
    g_template = source->duplicate();
    g_template->clearCloneLinks();
  } else {
    std::fprintf(stderr, "boutons-fenetres.bin: no button template; window buttons stay empty\n");
  }
  // Only the copy is kept: the rest of what was read goes.
  delete scene;
}

}  // namespace

QMRButton::QMRButton() = default;

const CNode* QMRButton::buttonTemplate() {
  if (!g_templateTried) {
    ExportCNode::CNodeReader reader("boutons-fenetres.bin");
    buildTemplateFrom(reader.read());
  }
  return g_template;
}

void QMRButton::setTemplateScene(CNode* scene) { buildTemplateFrom(scene); }

void QMRButton::discardTemplate() {
  delete g_template;
  g_template = nullptr;
  g_templateTried = false;
}

int QMRButton::templateBuildCount() { return g_buildCount; }

int QMRButton::iconForButton(int buttonId) {
  switch (buttonId) {
    case 1: return 0;   // retry
    case 2: return 1;   // menu
    case 4: return 2;   // resume
    case 32: return 3;  // next
    default: return 0;
  }
}

void QMRButton::loadScene() {
  const CNode* model = buttonTemplate();
  if (model != nullptr && copy_ == nullptr) {
    copy_ = model->clone();
    g_template->clearCloneLinks();
    addChild(copy_);
    labels_.clear();
    copy_->collectByTag(labels_, kLabelTag);
    face_ = copy_->getChild(1);
  }
  hide();
}

void QMRButton::show(int tag, int textId, int x, int y) {
  setTag(tag);
  setPosition(static_cast<float>(x), static_cast<float>(y), 0.0f);
  showFaceState(0);
  for (CNode* label : labels_) {
    if (auto* text = dynamic_cast<RenderEngine::CNodeText*>(label)) text->setTextId(static_cast<std::uint32_t>(textId));
  }
  setVisible(true);
  if (copy_ != nullptr) {
    copy_->showFrameByTag(kIconTag, iconForButton(tag));
    copy_->showFrame(0);
    if (CNode* art = copy_->getChild(0)) {
      for (CNode* child : art->getChildren()) child->playAnimation(1);
    }
  }
  update(0);
  appearing_ = true;
}

void QMRButton::hide() {
  setVisible(false);
  appearing_ = false;
}

void QMRButton::showFaceState(int state) {
  if (auto* button = dynamic_cast<RenderEngine::CButton*>(face_)) button->showState(static_cast<std::int16_t>(state));
}

bool QMRButton::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  if (appearing_ && !isAnimating()) {
    if (copy_ != nullptr) copy_->showFrame(1);
    showFaceState(0);
    appearing_ = false;
  }
  return CNode::updateVisit(dtMs, mark);
}

bool QMRButton::containsPoint(int x, int y) {
  if (appearing_ || !isVisible() || face_ == nullptr) return false;
  const float dx = std::trunc(static_cast<float>(x) - position_.x);
  const float dy = std::trunc(static_cast<float>(y) - position_.y);
  return face_->containsPoint(static_cast<int>(dx), static_cast<int>(dy));
}
