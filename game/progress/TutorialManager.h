#pragma once
// The tutorials: lists of text ids from the design file
// "gamedesign/tutorials.ynm", shown one after another in the text banner, and
// which of them were seen, kept in "tutov2.sav" in the save folder. One
// instance, created on first use.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TutorialManager {
 public:
  virtual ~TutorialManager() = default;
  TutorialManager(const TutorialManager&) = delete;
  TutorialManager& operator=(const TutorialManager&) = delete;

  // Created on first use: the design file, then the seen flags.
  static TutorialManager& getInstance();
  // Drops the instance; the next getInstance reads both files again.
  static void resetInstance();

  // Ids below 0 are no tutorial: never unseen, never marked, nothing shown.
  bool isUnseen(int id) const;
  void markSeen(int id);
  void showTutorial(int id) const;
  bool showBlockTutorial(int collisionType);
  bool showTutorialOnce(int id);

  void readTutorials();
  void readSeenFlags();
  bool saveSeenFlags();
  // The bytes saveSeenFlags writes.
  std::string seenImage() const;

  std::uint32_t seenLow() const { return seenLow_; }
  std::uint32_t seenHigh() const { return seenHigh_; }
  int firstBlockTutorial() const { return firstBlockTutorial_; }
  const std::map<int, std::vector<int>>& tutorials() const { return tutorials_; }

 protected:
  TutorialManager() = default;

 private:
  // The set (high: ids from 100) and the bit of an id; false for an id that has none.
  static bool bitOf(int id, bool& high, std::uint32_t& mask);

  std::uint32_t seenLow_ = 0;
  std::uint32_t seenHigh_ = 0;
  std::int32_t firstBlockTutorial_ = 0;
  std::map<int, std::vector<int>> tutorials_;

  static std::unique_ptr<TutorialManager> instance_;
};
