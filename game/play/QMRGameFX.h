#pragma once
// The one-shot effects of a level: a pool of copies of "fx.bin"'s first child
// (frame = kind for the look, child number kind plays once), and the wolf
// that now and then pops up at the bottom edge ("loup-appear.bin").
#include <vector>

#include "render_engine/CNode.h"

class QMRGameFXManager : public RenderEngine::CNode {
 public:
  static constexpr int kInitialPool = 10;
  static constexpr int kKindCount = 8;

  // Created on first use with ten pooled effects.
  static QMRGameFXManager* instance();
  // For tests: forgets the manager and its template.
  static void resetInstance();

  void addPooledEffect();
  void spawnEffect(int kind, int x, int y, float angle);
  // The sound of an effect kind, -1 for none (4 and 5 pick one of two).
  static int soundOfKind(int kind);

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;
  void unloadTextures() override;
  void unloadLargeTextures() override;

  const std::vector<RenderEngine::CNode*>& getPool() const { return pool_; }

 private:
  QMRGameFXManager();
  std::vector<RenderEngine::CNode*> pool_;
};

class QMRBottomWolfFX : public RenderEngine::CNode {
 public:
  QMRBottomWolfFX();
  QMRBottomWolfFX(const QMRBottomWolfFX& other);
  RenderEngine::CNode* clone() const override;

  virtual void loadVisual();
  virtual bool isReady();
  virtual void appear(int animation, int x, int y, bool mirrored);

  bool updateVisit(int dtMs, RenderEngine::TraversalMark mark) override;

  RenderEngine::CNode* getVisual() const { return visual_; }
  int getCoolDown() const { return coolDownMs_; }
  bool isPlaying() const { return playing_; }

 private:
  static int newCoolDown();
  RenderEngine::CNode* visual_ = nullptr;
  int coolDownMs_ = 0;
  bool playing_ = false;
};
