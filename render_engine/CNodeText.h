#pragma once
// A node that shows a text in a rectangle: a localized string chosen by text id
// or a string set by the game, laid out with one of the shared fonts, scaled
// down until it fits the rectangle (unless fitting is off), paged line by line
// and fetched again when the language changes. Every text node is kept in one
// process-wide list, in creation order, for refreshAllLocalizedTexts.
//
// Texts are drawn literally: "%%" shows as "%", nothing else is interpreted.
#include <cstdint>
#include <string>
#include <vector>

#include "render_engine/CNode.h"
#include "render_engine/Font.h"

namespace RenderEngine {

class CNodeText : public CNode {
 public:
  // The text id of no text.
  static constexpr std::uint32_t kNoText = 0xFFFFFFFFu;

  // On the outlined font (file, size, outline width) of the registry.
  CNodeText(const std::string& fontFile, int size, int outlineWidth, std::uint32_t textId);
  // On the plain font (file, size) of the registry.
  CNodeText(const std::string& fontFile, int size, std::uint32_t textId);
  // Copies the node part, paging, flags, style and fit flag and shares the
  // font; the text comes from the source's text id (a text given by setText is
  // not copied).
  CNodeText(const CNodeText& other);
  // Releases the font unless a batch deletion runs (the batch leaves fonts
  // registered); leaves the list of text nodes.
  ~CNodeText() override;

  // --- CNode --------------------------------------------------------------
  void draw(bool pass, bool push) override;
  CNode* clone() const override;
  BoundingRect* getBoundingBox() override;
  // Fetches the text id's string again (in the current language), then the
  // children's.
  void refreshLocalizedText() override;

  // --- own virtual operations -----------------------------------------------
  // Adds the node itself once (when visible), then the children's targets.
  virtual void registerTouchTarget(NodeList& list);
  // x and y rounded down, width and height up; fetches the text id's string
  // again (a text given by setText is replaced) and relayouts.
  virtual void setTextRect(float x, float y, float width, float height);
  virtual void setTextId(std::uint32_t textId);
  // A copy of text is kept; the text id stays for a later language refresh.
  virtual void setText(const char* text);
  virtual bool previousPage();
  virtual bool nextPage();
  // refreshFontParameters, fitToRect, pushFontParameters.
  virtual void relayout();
  // Saves the shared font's parameters.
  virtual void refreshFontParameters();
  // With fitting on, the style's scale becomes the fitting scale; then the
  // font takes the style.
  virtual void fitToRect();
  // Gives the shared font its saved parameters back.
  virtual void pushFontParameters();

  // --- non-virtual ------------------------------------------------------------
  void setLayoutFlags(int flags) { layoutFlags_ = flags; }
  int getLayoutFlags() const { return layoutFlags_; }
  // Turning fitting off sets the style's scale to 1.
  void setFitToRect(bool fit);
  bool isFitToRect() const { return fitToRect_; }
  // Fill and outline colours, spacing and line spacing; the scale too while
  // fitting is off.
  void setFontParameters(const fontParameters_& parameters);
  fontParameters_ getFontParameters() const { return style_; }
  // Negative values are taken as 0; a line beyond the text shows nothing.
  void setFirstLine(int line) { firstLine_ = line < 0 ? 0 : line; }
  int getFirstLine() const { return firstLine_; }
  int getLinesPerPage() const { return linesPerPage_; }
  int getLinesDrawn() const { return linesDrawn_; }
  int countLines();
  float getTextWidth();
  void freeOwnText();

  std::uint32_t getTextId() const { return textId_; }
  // The text as stored ("" when none), before "%%" is turned into "%".
  const char* getText() const;
  const float* getTextRect() const { return textRect_; }
  CFont* getFont() const { return font_; }
  bool textHasMarkers() const { return hasMarkers_; }

  // refreshLocalizedText on every text node, in creation order.
  static void refreshAllLocalizedTexts();
  static const std::vector<CNodeText*>& allTextNodes();

 private:
  void init(std::uint32_t textId);
  // For a text with markers, its freshly expanded string.
  void refetchMarkedText();
  // The stored text as it is drawn.
  const std::string& shownText();

  int firstLine_ = 0;
  int layoutFlags_ = 0;
  std::uint32_t textId_ = kNoText;
  float textRect_[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  fontParameters_ style_;
  fontParameters_ savedParameters_;
  // The text is either owned (setText) or borrowed from the text tables; one
  // of the two at a time.
  std::string ownText_;
  const char* borrowedText_ = nullptr;
  bool ownsText_ = false;
  bool fitToRect_ = true;
  int linesPerPage_ = 0;
  int linesDrawn_ = 0;
  CFont* font_ = nullptr;
  bool hasMarkers_ = false;
  // The text with "%%" turned into "%", built when the text changes.
  std::string shown_;
  const char* shownSource_ = nullptr;
  bool shownValid_ = false;
};

}  // namespace RenderEngine
