#pragma once
// The screen on which a level is played: builds the level from its physics
// description into a physics scene, runs the rules over it, decides through
// an eight-state machine when it starts, is won or lost, scores it, records
// the result and routes the HUD's and the banner's buttons. The flow is in
// InGameSequence.cpp, the level's building in InGameLevel.cpp, the score and
// the result in InGameResult.cpp.
#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "game/actors/LevelSequenceActions.h"
#include "game/actors/QMRCNodePhysicsReader.h"
#include "game/host/QMRGameSequenceInterface.h"

class GameHud;
class QMRBackground;
class QMRGameFXManager;
class QMRJoint;
class QMRSheep;
class QuillmoorGameplayTest;
namespace RenderEngine {
class CScenePhysics;
}

class InGameSequence : public QMRGameSequenceInterface, public LevelSequenceActions {
 public:
  enum State { kIdle = 0, kStart = 1, kPlay = 2, kGoalReached = 3, kFailing = 4, kLost = 5, kWon = 6, kBriefing = 7 };
  static constexpr int kTypeCount = 15;
  static constexpr int kButtonRetry = 1;
  static constexpr int kButtonMenu = 2;
  static constexpr int kButtonResume = 4;
  static constexpr int kButtonNext = 32;
  static constexpr int kLastLevel = 200;

  InGameSequence();
  ~InGameSequence() override;

  bool load() override;
  void unload() override;
  void update(int dtMs) override;
  void draw() override;
  void enter() override;
  void leave() override;
  void suspend() override;
  void resume() override;
  void unloadTextures() override;
  void touchBegan(int x, int y) override;
  void touchMoved(int x, int y) override;
  void touchEnded(int x, int y) override;
  void touchHover(int x, int y) override;
  void keyPressed(char, int, int) override {}
  void buttonPressed(int id) override;
  // A banner takes the touches: a HUD press under it is forgotten.
  void bannerShown() override;
  void bannerHidden() override;
  virtual void useObject(RenderEngine::CNode* node);
  virtual void setActorsState(int state);

  void prepareLevel(int levelId, int scenery, int tutorialId);
  void setScenery(int index);
  void loadLevel();
  void retryLevel();
  void pauseGame();
  void resumeGame();
  void resetIdleTimer();
  void setState(int state);
  void computeScore();
  int pickBannerText(int kind);
  void playButtonSound(int id);

  void removeObject(RenderEngine::CNode* node) override;
  void spawnTapEffect(RenderEngine::CNodePhysics* node) override;

  // The score of a level played in clockMs with that many taps (the lowest
  // integer while no time has passed).
  static int scoreFor(int actions, int clockMs);
  // The effect kind of a tap on that node, -1 for none.
  static int tapEffectKind(RenderEngine::CNodePhysics* node);
  static int levelMusic(int scenery);
  static bool isOnScreen(const RenderEngine::CNode* node);

  // The entities of each collision type in the current level.
  static const std::array<std::int32_t, kTypeCount>& typeCounters();
  static int lastScore();
  // For tests: counters, last score and banner picks as at start-up.
  static void resetProcessState();

  int getState() const { return state_; }
  int getLevelId() const { return levelId_; }
  int getScenery() const { return scenery_; }
  int getTutorialId() const { return tutorialId_; }
  int getScore() const { return score_; }
  int getClockMs() const { return clockMs_; }
  int getActions() const { return actions_; }
  int getTries() const { return tries_; }
  int getVisitTries() const { return visitTries_; }
  int getMedal() const { return medal_; }
  int getIdleMs() const { return idleMs_; }
  bool isPaused() const { return paused_; }
  bool isWon() const { return won_; }
  bool isOutroPlaying() const { return outroPlaying_; }
  int getLastBannerText() const { return lastBannerText_; }
  RenderEngine::CScenePhysics* getScene() const { return scene_; }
  GameHud* getHud() const { return hud_; }
  QMRBackground* getBackground() const { return background_; }
  QuillmoorGameplayTest* getRules() const { return rules_; }
  const std::vector<QMRSheep*>& getActors() const { return actors_; }
  const std::vector<QMRJoint*>& getJoints() const { return joints_; }
  const EntityGroupDescription& getLevel() const { return level_; }

 private:
  void clearLevel();
  void tickActors(int dtMs);
  void updateWolfAppearance(int dtMs);
  void enterWon();
  void reportInfiltratedWolves();
  void updateLevelAchievements();
  void showCounters();
  bool anyStateAnimationRunning();
  // Every actor asked each frame (the answers pose them); failures latch.
  void evaluateActors(bool& allReached, bool& anyFailed);

  QMRCNodePhysicsReader reader_;
  RenderEngine::CScenePhysics* scene_ = nullptr;
  std::vector<QMRJoint*> joints_;
  QuillmoorGameplayTest* rules_ = nullptr;
  QMRBackground* background_ = nullptr;
  QMRGameFXManager* effects_ = nullptr;
  std::vector<RenderEngine::CNode*> extraEffects_;
  int scenery_ = -1;
  int tutorialId_ = -1;
  int failWaitMs_ = 0;
  bool failOffScreen_ = false;
  int score_ = 0;
  int clockMs_ = 0;
  int actions_ = 0;
  int tries_ = 1;
  std::vector<QMRSheep*> actors_;
  std::vector<bool> failed_;
  int visitPlayMs_ = 0;
  int visitTries_ = 1;
  int idleMs_ = 0;
  int pressedButton_ = -1;
  float gridScale_ = 0.0f;
  EntityGroupDescription level_;
  int levelId_ = 0;
  bool won_ = false;
  bool outroPlaying_ = false;
  int state_ = kIdle;
  GameHud* hud_ = nullptr;
  bool paused_ = false;
  int medal_ = 0;
  int lastBannerText_ = 0;
  bool loaded_ = false;

  // Process-wide: the entities of each type in the current level, the last
  // score, the last banner text picked of each kind.
  struct ProcessState {
    std::array<std::int32_t, kTypeCount> counters{};
    int lastScore = 0;
    int lastPick[5] = {-1, -1, -1, -1, -1};
  };
  static ProcessState& process();
};
