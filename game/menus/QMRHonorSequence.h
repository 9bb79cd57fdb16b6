#pragma once
// Sequence 3: the honour board. The scene "tableau.bin" with the player's
// completion percentage, the number of achievements earned, and twenty medals
// whose title and description appear while the pointer rests on them. The map
// HUD's back button leads back to the main menu.
#include <vector>

#include "game/host/QMRGameSequenceInterface.h"
#include "render_engine/CNode.h"

struct HonorRow {
  RenderEngine::CNode* node = nullptr;
  int titleTextId = 0;
  int descriptionTextId = 0;
  bool earned = false;
  bool open = false;
  bool pending = false;
};

class QMRHonorSequence : public QMRGameSequenceInterface {
 public:
  static constexpr const char* kSceneName = "tableau.bin";
  static constexpr int kRowCount = 20;
  static constexpr int kPercentTag = 479;
  static constexpr int kTitleTag = 540;
  static constexpr int kDescriptionTag = 585;
  static constexpr int kEarnedCountTag = 586;
  static constexpr int kOutOfTag = 587;
  static constexpr int kTotalsTagA = 404;
  static constexpr int kTotalsTagB = 405;
  static constexpr int kDefaultTitleText = 0;
  static constexpr int kDefaultCaptionText = 41;
  static constexpr int kBackButton = 209;
  static constexpr int kMenuSequence = 1;
  static constexpr int kClickSound = 5;
  static constexpr int kBufferSize = 50;

  QMRHonorSequence() = default;
  ~QMRHonorSequence() override;
  QMRHonorSequence(const QMRHonorSequence&) = delete;
  QMRHonorSequence& operator=(const QMRHonorSequence&) = delete;

  // The node tag of row n (1 to 20).
  static int rowTag(int row);
  // The completion shown on the board, in percent. No levels: 0.
  static int completionPercent(int progressRecordCount, int completedLevels, int realLevelCount,
                               int earnedProgressCount);

  bool load() override;
  // The same over a scene already read (taken; null: an empty board).
  bool loadFrom(RenderEngine::CNode* scene);
  void unload() override;
  void update(int ms) override;
  void draw() override;
  void enter() override;
  void leave() override;
  void suspend() override {}
  void resume() override {}
  void unloadTextures() override;
  void touchBegan(int x, int y) override;
  void touchEnded(int x, int y) override;
  void touchHover(int x, int y) override;

  RenderEngine::CNode* getScene() const { return scene_; }
  const std::vector<HonorRow>& getRows() const { return rows_; }
  bool isShown() const { return shown_; }
  bool isNoRowOpen() const { return noRowOpen_; }
  const char* getPercentText() const { return texts_[4]; }
  const char* getTotalText(int i) const { return texts_[i]; }

 private:
  void fillTotals();
  void setEarnedTexts();
  void toggleRow(HonorRow& row);
  void closeOpenRows();
  void setCaption(int titleTextId, int descriptionTextId);

  RenderEngine::CNode* scene_ = nullptr;
  std::vector<HonorRow> rows_;
  bool shown_ = false;
  // bronze, silver, gold, score, percentage
  char texts_[5][kBufferSize] = {};
  char earnedText_[kBufferSize] = {};
  int hoverX_ = -1;
  int hoverY_ = -1;
  bool noRowOpen_ = true;
  RenderEngine::CNode* titleNode_ = nullptr;
  RenderEngine::CNode* descriptionNode_ = nullptr;
};
