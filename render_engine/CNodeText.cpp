#include "render_engine/CNodeText.h"

#include <algorithm>
#include <cmath>

#include "app/LocalizedText.h"

namespace RenderEngine {
namespace {

// Never destroyed: text nodes held by other statics (kept scene trees) leave
// the list during static destruction, in no set order.
std::vector<CNodeText*>& textNodes() {
  static std::vector<CNodeText*>* const list = new std::vector<CNodeText*>();
  return *list;
}

int asTextId(std::uint32_t id) { return static_cast<int>(id); }

}  // namespace

CNodeText::CNodeText(const std::string& fontFile, int size, int outlineWidth, std::uint32_t textId)
    : font_(acquireFont(fontFile, size, outlineWidth)) {
  init(textId);
}

CNodeText::CNodeText(const std::string& fontFile, int size, std::uint32_t textId)
    : font_(acquirePlainFont(fontFile, size)) {
  init(textId);
}

CNodeText::CNodeText(const CNodeText& o)
    : CNode(o),
      firstLine_(o.firstLine_),
      layoutFlags_(o.layoutFlags_),
      style_(o.style_),
      fitToRect_(o.fitToRect_),
      linesPerPage_(o.linesPerPage_),
      font_(o.font_) {
  addFontReference(font_);
  setTextId(o.textId_);
  setTextRect(o.textRect_[0], o.textRect_[1], o.textRect_[2], o.textRect_[3]);
  textNodes().push_back(this);
}

void CNodeText::init(std::uint32_t textId) {
  // Lines start one font line apart (a default style's spacing of 1 pixel
  // would draw every line over the first).
  style_.lineSpacing = font_->getLineHeight();
  setTextId(textId);
  textNodes().push_back(this);
}

CNodeText::~CNodeText() {
  // A batch deletion tears whole scenes down; their fonts stay registered for
  // the scenes read next.
  if (!bulkDeleteInProgress()) releaseFont(font_);
  std::vector<CNodeText*>& list = textNodes();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

CNode* CNodeText::clone() const { return new CNodeText(*this); }

const std::vector<CNodeText*>& CNodeText::allTextNodes() { return textNodes(); }

void CNodeText::refreshAllLocalizedTexts() {
  std::vector<CNodeText*>& list = textNodes();
  for (std::size_t i = 0; i < list.size(); ++i) list[i]->refreshLocalizedText();
}

// ---------------------------------------------------------------------------
// Text

const char* CNodeText::getText() const {
  if (ownsText_) return ownText_.c_str();
  return borrowedText_ != nullptr ? borrowedText_ : "";
}

void CNodeText::freeOwnText() {
  ownText_.clear();
  ownText_.shrink_to_fit();
  ownsText_ = false;
  shownValid_ = false;
}

void CNodeText::setTextId(std::uint32_t textId) {
  textId_ = textId;
  // The none id never reaches the text tables.
  hasMarkers_ = textId != kNoText && ::textHasMarkers(asTextId(textId));
  freeOwnText();
  if (hasMarkers_) {
    // Expanded afresh at every use: the expansion buffer is shared.
    borrowedText_ = nullptr;
    return;
  }
  borrowedText_ = textId != kNoText ? ::getText(asTextId(textId)) : "";
  if (fitToRect_) relayout();
}

void CNodeText::setText(const char* text) {
  hasMarkers_ = false;
  freeOwnText();
  borrowedText_ = nullptr;
  ownText_ = text != nullptr ? text : "";
  ownsText_ = true;
  if (fitToRect_) relayout();
}

void CNodeText::refetchMarkedText() {
  if (!hasMarkers_) return;
  borrowedText_ = ::getText(asTextId(textId_));
  shownValid_ = false;
}

const std::string& CNodeText::shownText() {
  const char* text = getText();
  if (!shownValid_ || shownSource_ != text) {
    literalText(text, shown_);
    shownSource_ = text;
    shownValid_ = !hasMarkers_;
  }
  return shown_;
}

void CNodeText::setTextRect(float x, float y, float width, float height) {
  textRect_[0] = std::floor(x);
  textRect_[1] = std::floor(y);
  textRect_[2] = std::ceil(width);
  textRect_[3] = std::ceil(height);
  boundsDirty_ = true;
  if (!hasMarkers_) {
    freeOwnText();
    borrowedText_ = textId_ != kNoText ? ::getText(asTextId(textId_)) : "";
    if (fitToRect_) relayout();
  }
  const float left = position_.x + textRect_[0];
  const float top = position_.y + textRect_[1];
  box_ = BoundingRect(left, top, left + textRect_[2], top + textRect_[3]);
}

void CNodeText::refreshLocalizedText() {
  if (textId_ != kNoText) setTextId(textId_);
  CNode::refreshLocalizedText();
}

// ---------------------------------------------------------------------------
// Style and fitting

void CNodeText::setFitToRect(bool fit) {
  fitToRect_ = fit;
  if (!fit) style_.scale = 1.0f;
}

void CNodeText::setFontParameters(const fontParameters_& p) {
  std::copy(p.fillColor, p.fillColor + 4, style_.fillColor);
  std::copy(p.outlineColor, p.outlineColor + 4, style_.outlineColor);
  style_.spacing = p.spacing;
  style_.lineSpacing = p.lineSpacing;
  if (!fitToRect_) style_.scale = p.scale;
}

void CNodeText::refreshFontParameters() { savedParameters_ = font_->getParameters(); }

void CNodeText::fitToRect() {
  if (fitToRect_) style_.scale = font_->fitScale(textRect_[2] - 4.0f, textRect_[3], shownText().c_str());
  font_->applyParameters(style_);
}

void CNodeText::pushFontParameters() { font_->applyParameters(savedParameters_); }

void CNodeText::relayout() {
  refreshFontParameters();
  fitToRect();
  pushFontParameters();
}

// ---------------------------------------------------------------------------
// Paging and measures

int CNodeText::countLines() {
  refreshFontParameters();
  refetchMarkedText();
  fitToRect();
  const int lines = font_->countLines(shownText().c_str(), textRect_[2] - 4.0f);
  pushFontParameters();
  return lines;
}

float CNodeText::getTextWidth() {
  refetchMarkedText();
  return font_->measureText(shownText().c_str());
}

bool CNodeText::previousPage() {
  if (fitToRect_ || firstLine_ <= 0) return false;
  --firstLine_;
  return true;
}

bool CNodeText::nextPage() {
  if (fitToRect_ || firstLine_ + linesPerPage_ + 1 > countLines()) return false;
  ++firstLine_;
  return true;
}

// ---------------------------------------------------------------------------
// Draw, bounds, touch

void CNodeText::draw(bool pass, bool push) {
  if (!visible_ || isTransparent()) return;
  if (animationDirty_) {
    applyAnimation();
    animationDirty_ = false;
  }
  DrawFrame frame = beginDrawTransform(push);
  beginDrawColor(frame);
  refreshFontParameters();
  refetchMarkedText();
  fitToRect();
  font_->drawText(textRect_[0] + 2.0f, textRect_[1], textRect_[2] - 4.0f, textRect_[3], firstLine_, 0, -1,
                  layoutFlags_, shownText().c_str());
  linesDrawn_ = font_->getLinesDrawn();
  linesPerPage_ = std::max(linesPerPage_, linesDrawn_);
  pushFontParameters();
  drawChildList(children_, pass, push, frame);
  endDraw(frame);
  // The font set its own colours: nodes drawn next get the colour in force.
  const ColorRGBA& c = currentColor();
  drawBackend().color4f(c.r, c.g, c.b, c.a);
}

BoundingRect* CNodeText::getBoundingBox() {
  if (!visible_) return nullptr;
  if (!boundsDirty_ && !box_.isEmpty()) return &box_;
  boundsDirty_ = false;
  box_ = BoundingRect(textRect_[0], textRect_[1], textRect_[0] + textRect_[2], textRect_[1] + textRect_[3]);
  for (CNode* child : children_) {
    if (const BoundingRect* childBox = child->getBoundingBox()) unionRect(box_, &box_, childBox);
  }
  if (box_.isEmpty()) return nullptr;
  if (hasTransform_) mapBoxThroughLocalMatrix();
  return &box_;
}

void CNodeText::registerTouchTarget(NodeList& list) {
  if (!visible_) return;
  if (std::find(list.begin(), list.end(), this) != list.end()) return;
  list.push_back(this);
  for (CNode* child : children_) child->collectTouchTargets(list);
}

}  // namespace RenderEngine
