#include "render_engine/COptionalNodeList.h"

#include <algorithm>
#include <cstdio>

namespace RenderEngine {

namespace {
const NodeList kNoMembers;
}

COptionalNodeList::COptionalNodeList() : words_(1, 0), options_(1) { showFrame(0); }

COptionalNodeList::COptionalNodeList(const COptionalNodeList& other)
    : CNode(other), currentOption_(other.currentOption_), selectorTag_(other.selectorTag_) {
  setupOptions(other.optionCount_, static_cast<std::uint32_t>(other.words_.size()), other.words_.data());
}

COptionalNodeList::~COptionalNodeList() = default;

CNode* COptionalNodeList::clone() const { return new COptionalNodeList(*this); }

int COptionalNodeList::clampOption(int option) const {
  if (option >= optionCount_) option = optionCount_ - 1;
  return option < 0 ? 0 : option;
}

const NodeList& COptionalNodeList::getOption(int option) const {
  if (option < 0 || static_cast<std::size_t>(option) >= options_.size()) return kNoMembers;
  return options_[static_cast<std::size_t>(option)];
}

void COptionalNodeList::setupOptions(int optionCount, std::uint32_t wordCount, const std::uint16_t* words) {
  optionCount_ = optionCount < 0 ? 0 : optionCount;
  words_.assign(words, words + (words != nullptr ? wordCount : 0));
  // Every option with members has a count word, so lists beyond the words
  // would all be empty: they are not made (a hostile count stays cheap).
  options_.assign(std::min(static_cast<std::size_t>(optionCount_), words_.size()), NodeList());
  std::size_t at = 0;
  int skipped = 0;
  bool cut = false;
  if (options_.size() < static_cast<std::size_t>(optionCount_)) cut = true;
  for (NodeList& members : options_) {
    if (at >= words_.size()) {
      cut = true;
      break;
    }
    const std::size_t count = words_[at++];
    const std::size_t available = std::min(count, words_.size() - at);
    if (available < count) cut = true;
    members.reserve(available);
    for (std::size_t k = 0; k < available; ++k) {
      const std::uint16_t position = words_[at++];
      if (position < children_.size()) {
        members.push_back(children_[position]);
      } else {
        ++skipped;
      }
    }
  }
  if (skipped > 0) {
    std::fprintf(stderr, "Option list: %d child position(s) outside its %zu children skipped\n", skipped,
                 children_.size());
  }
  if (cut && optionCount_ > 0 && !words_.empty()) {
    std::fprintf(stderr, "Option list: the set-up words end before its %d options do\n", optionCount_);
  }
  currentOption_ = clampOption(currentOption_);
  // Frames 0 .. count - 1 must exist for showFrame to select options.
  if (animation_.getFrameCount() == 0 && optionCount_ > 0) {
    CPath selector(static_cast<std::uint16_t>(std::min(optionCount_, 0xFFFF)));
    selector.addPoint(KeyframeTransform());
    selector.addPoint(KeyframeTransform());
    addAnimationSegment(selector);
  }
  boundsDirty_ = true;
}

void COptionalNodeList::addToOption(CNode* node, int option) {
  CNode::addChild(node);
  if (node == nullptr || node == this) return;
  if (option < 0 || option >= optionCount_) return;
  if (static_cast<std::size_t>(option) >= options_.size()) options_.resize(static_cast<std::size_t>(option) + 1);
  options_[static_cast<std::size_t>(option)].push_back(node);
  rebuildWords();
  boundsDirty_ = true;
}

// The words follow the options as they stand, so a copy rebuilds the same
// options over its own children.
void COptionalNodeList::rebuildWords() {
  words_.clear();
  for (int o = 0; o < optionCount_; ++o) {
    const NodeList& members = getOption(o);
    words_.push_back(static_cast<std::uint16_t>(members.size()));
    for (const CNode* member : members) {
      const auto at = std::find(children_.begin(), children_.end(), member) - children_.begin();
      words_.push_back(static_cast<std::uint16_t>(at));
    }
  }
}

void COptionalNodeList::childrenLeft() {
  // Members are compared as addresses only: some may already be dying.
  NodeList current(children_);
  std::sort(current.begin(), current.end(), std::less<const CNode*>());
  for (NodeList& members : options_) {
    std::erase_if(members, [&](const CNode* m) { return !std::binary_search(current.begin(), current.end(), m, std::less<const CNode*>()); });
  }
  rebuildWords();
  boundsDirty_ = true;
}

void COptionalNodeList::showFrame(int frame) {
  currentOption_ = clampOption(frame);
  animation_.pauseAt(currentOption_);
  boundsDirty_ = true;
}

void COptionalNodeList::showFrameByTag(int tag, int frame) {
  if (tag != selectorTag_) {
    for (CNode* child : children_) child->showFrameByTag(tag, frame);
    return;
  }
  currentOption_ = clampOption(frame);
  boundsDirty_ = true;
}

void COptionalNodeList::applyAnimation() {
  currentOption_ = clampOption(animation_.getFrame());
  // The selector segment alone carries no pose (its points are all zero).
  if (animation_.getSegmentCount() <= 1) return;
  const KeyframeTransform pose = animation_.interpolate();
  for (CNode* child : currentList()) applyPoseTo(child, pose);
}

bool COptionalNodeList::updateVisit(int dtMs, TraversalMark mark) {
  bool result = false;
  if (!beginUpdateVisit(dtMs, mark, result)) return result;
  return finishUpdateVisit(currentList(), dtMs, mark);
}

void COptionalNodeList::draw(bool pass, bool push) { drawOver(currentList(), pass, push); }

CNode* COptionalNodeList::queryVisibleChildren() {
  if (!visible_) return nullptr;
  for (CNode* child : currentList()) {
    if (CNode* found = child->queryVisibleChildren()) return found;
  }
  return nullptr;
}

CNode* COptionalNodeList::findVisibleByTag(int tag) {
  if (!visible_) return nullptr;
  if (tag_ == tag) return this;
  for (CNode* child : currentList()) {
    if (CNode* found = child->findVisibleByTag(tag)) return found;
  }
  return nullptr;
}

bool COptionalNodeList::isAnimating() {
  // Hidden or transparent lists are not updated, so nothing below them runs.
  if (!visible_ || isTransparent()) return false;
  if (animation_.isPlaying()) return true;
  for (CNode* child : currentList()) {
    if (child->isAnimating()) return true;
  }
  return false;
}

BoundingRect* COptionalNodeList::getBoundingBox() { return boundingBoxOver(currentList()); }

void COptionalNodeList::collectTouchTargets(NodeList& list) {
  // A hidden screen's buttons must not take touches.
  if (!visible_) return;
  for (CNode* child : currentList()) child->collectTouchTargets(list);
}

}  // namespace RenderEngine
