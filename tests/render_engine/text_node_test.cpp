// Text nodes without a display, on the game's real fonts and text banks made
// by our writer: paging, the text rectangle and bounds, language refreshes,
// texts with markers, copies, the list of text nodes and font references, and
// texts drawn literally.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "render_engine/CNodeText.h"
#include "render_engine/FontTestSupport.h"
#include "tools/textbank_writer.h"

using namespace RenderEngine;
using fonttest::Recorder;

namespace {

constexpr std::uint32_t id(int index) { return static_cast<std::uint32_t>(5 << 16 | index); }
const char* kFont = "Arial Black.ttf";

class TextNodeTest : public ::testing::Test {
 protected:
  TextNodeTest() {
    fonttest::installGameFonts(dir);
    std::vector<std::pair<std::string, std::string>> list;
    int index = 0;
    for (const char* code : {"en", "fr"}) {
      textbank::Banks banks;
      banks[5] = {std::string(code) + " hello",
                  "1\n2\n3\n4\n5\n6\n7\n8\n9\n10",
                  "count " + textbank::markerBytes(0),
                  "50%%",
                  std::string(code) + " caf\xC3\xA9 \xC2\xAB ok \xC2\xBB"};
      dir.write("text/" + std::to_string(index++), textbank::encodeBankFile(banks));
      list.emplace_back(code, code);
    }
    dir.write("text/I", textbank::encodeLanguageList(list));
    resetTexts();
    initTexts();
    setLanguage("en");
  }
  ~TextNodeTest() override { resetTexts(); }

  // Glyphs in the last draw.
  static std::size_t drawnGlyphs() {
    return Recorder::get().draws.empty() ? 0 : Recorder::get().draws.back().positions.size() / 12;
  }
  static unsigned references(const CFont* font) {
    for (const FontRegistryEntry& e : fontRegistry()) {
      if (e.font == font) return e.references;
    }
    return 0;
  }

  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
  fonttest::HeadlessGl gl;
};

TEST_F(TextNodeTest, PagesLineByLineWhenFittingIsOff) {
  CNodeText node(kFont, 28, id(1));
  node.setFitToRect(false);
  const float L = node.getFont()->getLineHeight();
  // (height + cell) / line height = 3 lines a page.
  node.setTextRect(0, 0, 200, 3 * L - 20);
  node.draw(true, true);
  ASSERT_EQ(node.getLinesDrawn(), 3);
  EXPECT_EQ(node.countLines(), 10);
  int pages = 0;
  while (node.nextPage()) ++pages;
  EXPECT_EQ(pages, 7);
  EXPECT_EQ(node.getFirstLine(), 7);
  node.draw(true, true);
  EXPECT_EQ(node.getLinesDrawn(), 3);  // lines 7 to 9
  EXPECT_TRUE(node.previousPage());
  EXPECT_EQ(node.getFirstLine(), 6);
  node.setFirstLine(-4);
  EXPECT_EQ(node.getFirstLine(), 0);
  EXPECT_FALSE(node.previousPage());
  node.setFirstLine(50);  // past the text: nothing drawn, no read past the lines
  node.draw(true, true);
  EXPECT_EQ(node.getLinesDrawn(), 0);

  CNodeText fitted(kFont, 28, id(1));
  fitted.setTextRect(0, 0, 200, 60);
  fitted.draw(true, true);
  EXPECT_FALSE(fitted.nextPage());
  fitted.setFirstLine(1);
  EXPECT_FALSE(fitted.previousPage());
}

TEST_F(TextNodeTest, OutlinedTextPagesToo) {
  CNodeText node(kFont, 28, 2, id(1));
  node.setFitToRect(false);
  node.setTextRect(0, 0, 200, 3 * node.getFont()->getLineHeight() - 20);
  node.draw(true, true);
  EXPECT_EQ(node.getLinesPerPage(), 3);
}

TEST_F(TextNodeTest, TheRectangleIsRoundedOutwardsAndGivesTheBounds) {
  CNodeText node(kFont, 28, id(0));
  node.setTextRect(1.5f, 2.5f, 10.2f, 3.1f);
  const float* r = node.getTextRect();
  EXPECT_EQ(r[0], 1.0f);
  EXPECT_EQ(r[1], 2.0f);
  EXPECT_EQ(r[2], 11.0f);
  EXPECT_EQ(r[3], 4.0f);
  node.setPosition(100, 50, 0);
  node.setTextRect(-20, -10, 40, 20);
  const BoundingRect* box = node.getBoundingBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(*box, BoundingRect(80, 40, 120, 60));
  EXPECT_TRUE(node.containsPoint(119, 59));
  node.setVisible(false);
  EXPECT_EQ(node.getBoundingBox(), nullptr);
  NodeList targets;
  node.registerTouchTarget(targets);
  EXPECT_TRUE(targets.empty());
  node.setVisible(true);
  node.registerTouchTarget(targets);
  node.registerTouchTarget(targets);
  EXPECT_EQ(targets.size(), 1u);
}

TEST_F(TextNodeTest, ALanguageChangeRefreshesEveryTextNodeAtOnce) {
  CNodeText a(kFont, 28, 2, id(0));
  CNodeText b(kFont, 24, id(4));
  CNodeText set(kFont, 28, id(0));
  set.setText("set by the game");
  CNodeText none(kFont, 28, CNodeText::kNoText);
  auto* child = new CNodeText(kFont, 28, id(0));
  a.addChild(child);
  EXPECT_STREQ(a.getText(), "en hello");
  setLanguage("fr");
  CNodeText::refreshAllLocalizedTexts();
  EXPECT_STREQ(a.getText(), "fr hello");
  EXPECT_STREQ(b.getText(), "fr caf\xC3\xA9 \xC2\xAB ok \xC2\xBB");
  EXPECT_STREQ(set.getText(), "fr hello");  // the id's string replaces a set text
  EXPECT_STREQ(child->getText(), "fr hello");
  EXPECT_STREQ(none.getText(), "");
  // A text set after the rectangle stays; a rectangle set after it does not.
  set.setText("again");
  EXPECT_STREQ(set.getText(), "again");
  set.setTextRect(0, 0, 100, 20);
  EXPECT_STREQ(set.getText(), "fr hello");
}

TEST_F(TextNodeTest, TextsWithMarkersAreExpandedAtEveryUse) {
  CNodeText node(kFont, 28, id(2));
  node.setTextRect(0, 0, 300, 40);
  EXPECT_TRUE(node.textHasMarkers());
  setMarkerValue(5);
  node.draw(true, true);
  EXPECT_STREQ(node.getText(), "count 5");
  EXPECT_EQ(drawnGlyphs(), 7u);
  setMarkerValue(12345);
  node.draw(true, true);
  EXPECT_EQ(drawnGlyphs(), 11u);
  setMarkerValue(7);
  EXPECT_EQ(node.getTextWidth(), node.getFont()->measureText("count 7"));
  // A set text then a switch back to the marker id: nothing owned is left
  // pointing at the shared expansion buffer.
  node.setText("mine");
  node.setTextId(id(2));
  node.draw(true, true);
  EXPECT_STREQ(node.getText(), "count 7");
}

TEST_F(TextNodeTest, PercentSignsAndConversionsAreDrawnLiterally) {
  CNodeText node(kFont, 28, id(3));
  node.setTextRect(0, 0, 300, 40);
  node.draw(true, true);
  EXPECT_EQ(drawnGlyphs(), 3u);  // "50%"
  node.setText("%s%n%x%d");
  node.draw(true, true);
  EXPECT_EQ(drawnGlyphs(), 8u);
  EXPECT_EQ(node.getTextWidth(), node.getFont()->measureText("%s%n%x%d"));
}

TEST_F(TextNodeTest, FitsTheRectangleAndRestoresTheSharedFont) {
  CNodeText node(kFont, 28, 2, id(1));
  CFont* font = node.getFont();
  const fontParameters_ before = font->getParameters();
  fontParameters_ style = node.getFontParameters();
  EXPECT_EQ(style.lineSpacing, font->getLineHeight());  // lines a font line apart
  style.fillColor[0] = 0.25f;
  style.scale = 3.0f;  // ignored while fitting
  node.setFontParameters(style);
  EXPECT_NE(node.getFontParameters().scale, 3.0f);
  node.setTextRect(0, 0, 100, 40);
  node.draw(true, true);
  EXPECT_LT(node.getFontParameters().scale, 0.5f);
  EXPECT_EQ(node.getLinesDrawn(), 10);
  EXPECT_EQ(Recorder::get().draws.back().color[0], 0.25f);
  EXPECT_EQ(font->getParameters().scale, before.scale);
  EXPECT_EQ(font->getParameters().fillColor[0], before.fillColor[0]);
  // Afterwards the GL colour is the one in force for the next nodes.
  EXPECT_EQ(Recorder::get().color[0], 1.0f);
  CNode::currentColor() = ColorRGBA{0.5f, 1.0f, 1.0f, 1.0f};  // inside a tinted parent
  node.draw(true, true);
  CNode::currentColor() = ColorRGBA{};
  EXPECT_EQ(Recorder::get().color[0], 0.5f);
  // A rectangle narrower than the margins, or empty, neither hangs nor draws.
  node.setTextRect(0, 0, 3, 40);
  node.setTextRect(0, 0, 0, 0);
  node.draw(true, true);
  node.setFitToRect(false);
  EXPECT_EQ(node.getFontParameters().scale, 1.0f);
}

TEST_F(TextNodeTest, CopiesShareTheFontAndTakeTheTextFromTheId) {
  CNodeText node(kFont, 28, 2, id(0));
  node.setLayoutFlags(kTextAlignCentre);
  node.setFitToRect(false);
  node.setFirstLine(2);
  node.setTextRect(0, 0, 100, 20);
  node.setText("only here");
  EXPECT_EQ(references(node.getFont()), 1u);
  std::unique_ptr<CNode> copy(node.clone());
  auto* text = dynamic_cast<CNodeText*>(copy.get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->getFont(), node.getFont());
  EXPECT_EQ(references(node.getFont()), 2u);
  EXPECT_EQ(text->getLayoutFlags(), kTextAlignCentre);
  EXPECT_EQ(text->getFirstLine(), 2);
  EXPECT_FALSE(text->isFitToRect());
  EXPECT_EQ(text->getTextRect()[2], 100.0f);
  EXPECT_STREQ(text->getText(), "en hello");
  EXPECT_EQ(CNodeText::allTextNodes().size(), 2u);
  copy.reset();
  EXPECT_EQ(references(node.getFont()), 1u);
  EXPECT_EQ(CNodeText::allTextNodes().size(), 1u);
  CNodeText::refreshAllLocalizedTexts();  // the deleted copy is no longer reached
}

TEST_F(TextNodeTest, ABatchDeletionLeavesTheFontsRegistered) {
  auto* root = new CNode();
  auto* a = new CNodeText(kFont, 30, 2, id(0));
  root->addChild(a);
  root->addChild(new CNodeText(kFont, 30, 2, id(0)));
  CFont* font = a->getFont();
  EXPECT_EQ(references(font), 2u);
  CNode::deleteTrees({root});
  EXPECT_EQ(references(font), 2u);
  EXPECT_TRUE(CNodeText::allTextNodes().empty());
  auto* single = new CNodeText(kFont, 30, 2, id(0));
  EXPECT_EQ(references(font), 3u);
  delete single;
  EXPECT_EQ(references(font), 2u);
}

}  // namespace
