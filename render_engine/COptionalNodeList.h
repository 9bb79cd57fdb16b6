#pragma once
// A node whose children are grouped into numbered options, of which only the
// current one is updated, drawn, hit-tested and searched. An option is chosen
// by frame number (showFrame), so the requests that show animation frames also
// switch options; a list without an animation of its own gets a selector
// segment with one frame per option.
//
// The options name children by their position in the child list. Positions
// outside the list are skipped (with one message per set-up), and every
// option number is held to 0 .. option count - 1.
#include <cstdint>
#include <vector>

#include "render_engine/CNode.h"

namespace RenderEngine {

class COptionalNodeList : public CNode {
 public:
  COptionalNodeList();
  // The copy's options name its own cloned children.
  COptionalNodeList(const COptionalNodeList& other);
  ~COptionalNodeList() override;

  void applyAnimation() override;
  // The selector tag selects an option directly; any other tag goes on to the
  // children.
  void showFrameByTag(int tag, int frame) override;
  CNode* queryVisibleChildren() override;
  bool updateVisit(int dtMs, TraversalMark mark) override;
  void draw(bool pass, bool push) override;
  CNode* clone() const override;
  void showFrame(int frame) override;
  void setSelectorTag(int tag) override { selectorTag_ = tag; }
  // Nothing while the list is hidden; else the current option's targets.
  void collectTouchTargets(NodeList& list) override;
  BoundingRect* getBoundingBox() override;
  CNode* findVisibleByTag(int tag) override;
  bool isAnimating() override;

  // words: for each option in turn, a count c and then c child positions.
  virtual void setupOptions(int optionCount, std::uint32_t wordCount, const std::uint16_t* words);

  // Adds the node as a child and as the last member of that option (an option
  // number outside the list only adds the child). Copies keep the membership.
  void addToOption(CNode* node, int option);

  int getCurrentOption() const { return currentOption_; }
  int getOptionCount() const { return optionCount_; }
  int getSelectorTag() const { return selectorTag_; }
  // The members of an option (empty for a number outside the list).
  const NodeList& getOption(int option) const;
  const std::vector<std::uint16_t>& getSetupWords() const { return words_; }

 private:
  int clampOption(int option) const;
  // A child that left, however it left, leaves its options too.
  void childrenLeft() override;
  void rebuildWords();
  const NodeList& currentList() const { return getOption(currentOption_); }

  int currentOption_ = 0;
  int selectorTag_ = -1;
  std::vector<std::uint16_t> words_;
  int optionCount_ = 1;
  std::vector<NodeList> options_;
};

}  // namespace RenderEngine
