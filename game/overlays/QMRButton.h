#pragma once
// The animated window button of the banner and the result window: a copy of the
// button template of "boutons-fenetres.bin" with a localized caption, an icon
// chosen by the button's id, an appearing animation (not touchable until it
// ends) and the face's box as hit area.
#include "render_engine/CNode.h"

class QMRButton : public RenderEngine::CNode {
 public:
  static constexpr int kLabelTag = 142;
  // An optional list of icons in the template: retry, menu, resume, next.
  static constexpr int kIconTag = 143;

  QMRButton();
  QMRButton(const QMRButton&) = delete;
  QMRButton& operator=(const QMRButton&) = delete;

  // Builds the process-wide template on first use, then gives this button its
  // copy; hidden afterwards. Without a template the button stays empty and is
  // never hit.
  void loadScene();
  void show(int tag, int textId, int x, int y);
  void hide();
  void showFaceState(int state);

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  bool containsPoint(int x, int y) override;

  bool isAppearing() const { return appearing_; }
  const RenderEngine::NodeList& getLabels() const { return labels_; }
  RenderEngine::CNode* getFace() const { return face_; }

  // The template, built from the scene file the first time (null when the file
  // lacks it). The template is the first child of the first child of the
  // scene root's first child.
  static const RenderEngine::CNode* buttonTemplate();
  // Builds the template from a scene already read (taken and freed) instead
  // of the file; for tests and tools. Replaces any template.
  static void setTemplateScene(RenderEngine::CNode* scene);
  static void discardTemplate();
  // How many times the template was built (from a file or a given scene).
  static int templateBuildCount();
  // The icon shown for a button id (-1: the first).
  static int iconForButton(int buttonId);

 private:
  bool appearing_ = false;
  RenderEngine::NodeList labels_;
  RenderEngine::CNode* face_ = nullptr;
  RenderEngine::CNode* copy_ = nullptr;
};
