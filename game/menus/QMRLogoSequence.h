#pragma once
// Sequence 0: the studio's logo fades in on a white screen, stays, fades out,
// then the main menu opens (about three seconds per logo).
#include <deque>
#include <string>

#include "game/host/QMRGameSequenceInterface.h"
#include "render_engine/CSprite.h"

class QMRLogoSequence : public QMRGameSequenceInterface {
 public:
  static constexpr const char* kLogoName = "logo_tarnwell_1024_748_iPad";
  static constexpr int kFadeMs = 500;
  static constexpr int kHoldMs = 2000;
  static constexpr int kMenuSequence = 1;

  QMRLogoSequence() = default;
  ~QMRLogoSequence() override;
  QMRLogoSequence(const QMRLogoSequence&) = delete;
  QMRLogoSequence& operator=(const QMRLogoSequence&) = delete;

  bool load() override;
  void unload() override;
  void update(int ms) override;
  void draw() override;
  void enter() override;
  void leave() override;
  void suspend() override { unloadTextures(); }
  void resume() override { unloadTextures(); }
  void unloadTextures() override {}

  // Replaces the logos still to show (tests; the game shows its one logo).
  void setLogoNames(const std::deque<std::string>& names) { logoNames_ = names; }

  int getPhase() const { return phase_; }
  int getTimer() const { return timer_; }
  RenderEngine::CSprite* getSprite() const { return sprite_; }
  const std::deque<std::string>& getLogoNames() const { return logoNames_; }

 private:
  void showNextLogo();

  RenderEngine::CSprite* sprite_ = nullptr;
  std::deque<std::string> logoNames_;
  int phase_ = -1;
  int timer_ = -1;
};
