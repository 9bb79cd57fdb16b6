// Font layout with synthetic glyph metrics (no font file, no display): line
// splitting, measuring, the fit-scale search against a brute-force scan,
// alignment offsets and paging of the drawn vertices, glyph slots, and texts
// drawn literally.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "render_engine/FontTestSupport.h"

using namespace RenderEngine;
using fonttest::Recorder;

namespace {

class FontLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fonttest::setSyntheticMetrics(font);
    font.setAtlasTextureForTests(7);
  }
  std::vector<std::string> lines(const char* text, float width, bool fail = false) const {
    std::vector<std::string> out;
    for (const TextLine& l : font.splitLines(text, 0, -1, width, fail)) out.emplace_back(text + l.start, text + l.end);
    return out;
  }
  // The x and y of the first vertex of glyph i in the last draw.
  static std::pair<int, int> glyphOrigin(std::size_t i) {
    const DrawCall& d = Recorder::get().draws.back();
    return {d.positions[i * 12], d.positions[i * 12 + 1]};
  }
  using DrawCall = fonttest::DrawCall;

  fonttest::HeadlessGl gl;
  CFont font;
};

TEST_F(FontLayoutTest, SplitsAtLineFeedsSpacesAndInsideTooLongWords) {
  for (float width : {0.0f, 15.0f, 1000.0f}) {
    EXPECT_EQ(lines("a\nb", width), (std::vector<std::string>{"a", "b"})) << width;
  }
  EXPECT_TRUE(lines("", 100).empty());
  EXPECT_EQ(lines("a\n\nb", 0), (std::vector<std::string>{"a", "", "b"}));
  // Widths: a 10, a 20, space 25, b 35, b 45, space 50: the break takes the space.
  EXPECT_EQ(lines("aa bb cc", 50), (std::vector<std::string>{"aa bb", "cc"}));
  EXPECT_EQ(lines("aa bb cc", 0), (std::vector<std::string>{"aa bb cc"}));
  // A word alone too wide is cut, two characters a line here, none lost.
  EXPECT_EQ(lines("abcdef", 25), (std::vector<std::string>{"ab", "cd", "ef"}));
  EXPECT_EQ(lines("abcdefgh", 45), (std::vector<std::string>{"abc", "def", "gh"}));
  EXPECT_TRUE(lines("abcdef", 25, true).empty());
  EXPECT_EQ(lines("ab cd", 25, true), (std::vector<std::string>{"ab", "cd"}));
  // One character wider than the box still makes progress.
  EXPECT_EQ(lines("WW", 5), (std::vector<std::string>{"W", "W"}));
}

TEST_F(FontLayoutTest, NeverCutsACharacterAndLosesOnlyTheBreakingSeparators) {
  std::mt19937 rng(11);
  const char* pieces[] = {"a", "\xC3\xA9", "\xE2\x82\xAC", " ", "\n", "\xF0\x41", "Z"};
  for (int round = 0; round < 400; ++round) {
    std::string text;
    std::vector<bool> boundary;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
      const std::string p = pieces[rng() % 7];
      for (std::size_t b = 0; b < p.size(); ++b) boundary.push_back(b == 0);
      text += p;
    }
    boundary.push_back(true);
    const float width = static_cast<float>(rng() % 60);
    const std::vector<TextLine> split = font.splitLines(text.c_str(), 0, -1, width, false);
    int expectedStart = 0;
    for (const TextLine& l : split) {
      ASSERT_TRUE(boundary[static_cast<std::size_t>(l.start)]) << text << " width " << width;
      ASSERT_TRUE(boundary[static_cast<std::size_t>(l.end)]) << text << " width " << width;
      // Between two lines lies at most the one separator the break took.
      const int gap = l.start - expectedStart;
      ASSERT_TRUE(gap == 0 || (gap == 1 && (text[l.start - 1] == ' ' || text[l.start - 1] == '\n')))
          << text << " width " << width;
      expectedStart = l.end;
    }
    const std::string rest = text.substr(static_cast<std::size_t>(expectedStart));
    EXPECT_TRUE(rest.empty() || rest == " " || rest == "\n") << text << " width " << width;
  }
}

TEST_F(FontLayoutTest, MeasuresWithSpacingAndCountsWholeLines) {
  EXPECT_EQ(font.measureText("ab c"), 35.0f);
  EXPECT_EQ(font.measureText("ab c", 1, 3), 15.0f);
  EXPECT_EQ(font.measureText("\xC3\xA9\xC3\xA9"), 20.0f);
  fontParameters_ p = font.getParameters();
  p.spacing = 2;
  font.applyParameters(p);
  EXPECT_EQ(font.measureText("ab c"), 43.0f);
  EXPECT_EQ(font.measureWidthFormatted("%d", 42), 24.0f);
  EXPECT_EQ(font.linesInHeight(123, 0), 0);
  EXPECT_EQ(font.linesInHeight(0, 44), 3);  // (44 + 16) / 20
  font.setMetricsForTests(16, 0, 4);         // no line height: taken as 1
  EXPECT_EQ(font.linesInHeight(0, 44), 60);
}

// The fit test of the search itself: the lines fit the room at that scale.
bool fitsAt(const CFont& f, float width, float height, const char* text, float k) {
  const double L = f.getLineHeight();
  double room = std::trunc(height / k / L);
  if (room <= 0) return false;
  if (static_cast<long long>(height / k) % static_cast<long long>(L) == 0) room -= 1;
  const auto split = f.splitLines(text, 0, -1, width / k, true);
  return !split.empty() && room >= static_cast<double>(split.size());
}

TEST_F(FontLayoutTest, FitScaleIsWithinTheToleranceOfTheLargestFittingScale) {
  EXPECT_EQ(font.fitScale(1000, 1000, "short"), 0.5f);
  const std::string paragraph =
      "the wolves have crossed the river and the sheep are scattered all over the hills tap the blocks";
  struct Box {
    float width, height;
  };
  for (Box box : {Box{200, 40}, Box{300, 30}, Box{120, 60}, Box{400, 12}, Box{90, 90}}) {
    const float got = font.fitScale(box.width, box.height, paragraph.c_str());
    float largest = 0;
    for (int i = 500; i >= 1; --i) {
      if (fitsAt(font, box.width, box.height, paragraph.c_str(), i / 1000.0f)) {
        largest = i / 1000.0f;
        break;
      }
    }
    ASSERT_GT(largest, 0.0f) << box.width << "x" << box.height;
    EXPECT_TRUE(fitsAt(font, box.width, box.height, paragraph.c_str(), got)) << got;
    EXPECT_LE(largest - got, 0.02f) << box.width << "x" << box.height << " got " << got;
  }
}

TEST_F(FontLayoutTest, FitScaleReturnsAtOnceForBoxesWithNoRoom) {
  // Each would run the search forever: a width below zero passes every
  // character, an empty text never stops being "cut".
  EXPECT_EQ(font.fitScale(-1, 50, "abc def"), 0.5f);
  EXPECT_EQ(font.fitScale(0, 50, "abc def"), 0.5f);
  EXPECT_EQ(font.fitScale(100, 0, "abc def"), 0.5f);
  EXPECT_EQ(font.fitScale(100, -5, "abc def"), 0.5f);
  EXPECT_EQ(font.fitScale(100, 50, ""), 0.5f);
  EXPECT_EQ(font.fitScale(NAN, 50, "abc"), 0.5f);
  font.setMetricsForTests(16, 0.25f, 4);  // a line height below one pixel
  EXPECT_GT(font.fitScale(100, 50, "abc def"), 0.0f);
  // A word too long at any scale tried narrows down without hanging.
  EXPECT_GT(font.findFitScale(0.5f, 1000, "%s", "abcdefghijklmnop"), 0.0f);
}

TEST_F(FontLayoutTest, MapsCodePointsToSlots) {
  EXPECT_EQ(glyphSlotOf('A'), 65);
  EXPECT_EQ(glyphSlotOf(0x18F), 399);
  EXPECT_EQ(glyphSlotOf(0x190), 0);
  EXPECT_EQ(glyphSlotOf(0x4E00), 0);
  EXPECT_EQ(glyphSlotOf(0x2122), 1);
  EXPECT_EQ(glyphSlotOf(0x20AC), 2);
  EXPECT_EQ(glyphSlotOf(0xFF000041), 0);  // a marker that reached a draw
  // The unknown character draws slot 0's quad.
  font.setGlyphForTests(0, 12, 100, 100, 112, 116);
  font.drawText(0, 0, 0, 0, 0, 0, -1, 0, "\xE4\xB8\x80\xE2\x84\xA2");
  EXPECT_EQ(glyphOrigin(0), std::make_pair(100, 100));
  EXPECT_EQ(glyphOrigin(1), std::make_pair(12, 0));  // the trade mark's slot 1 after the advance 12
}

TEST_F(FontLayoutTest, AlignsEachLineByItsOwnWidthAndTheBlockVertically) {
  struct Row {
    int flags;
    int x;
    int y;
  };
  // "ab" is 20 wide in a 100 x 100 box: h = 100 + 16, one line (extent 0).
  for (Row row : {Row{0, 0, 0}, Row{kTextAlignRight, 80, 0}, Row{kTextAlignCentre, 40, 0},
                  Row{kTextAlignRight | kTextAlignCentre, 40, 0}, Row{kTextAboveTop, 0, -16},
                  Row{kTextAlignBottom, 0, 112}, Row{kTextAlignMiddle, 0, 40},
                  Row{kTextAlignMiddle | kTextAlignBottom | kTextAboveTop, 0, 40}}) {
    font.drawText(5, 7, 100, 100, 0, 0, -1, row.flags, "ab");
    EXPECT_EQ(glyphOrigin(0), std::make_pair(row.x, row.y)) << "flags " << row.flags;
  }
  EXPECT_EQ(Recorder::get().translateX, 5.0f);
  EXPECT_EQ(Recorder::get().translateY, 7.0f);
  font.drawText(0, 0, 100, 0, 0, 0, -1, kTextAlignCentre, "abcd\nab");
  EXPECT_EQ(glyphOrigin(0), std::make_pair(30, 0));
  EXPECT_EQ(glyphOrigin(4), std::make_pair(40, 20));
}

TEST_F(FontLayoutTest, DropsLinesBelowTheBoxAndPagesFromTheFirstLine) {
  const char* five = "1\n2\n3\n4\n5";
  font.drawText(0, 0, 100, 0, 0, 0, -1, 0, five);  // height 0: every line
  EXPECT_EQ(font.getLinesDrawn(), 5);
  font.drawText(0, 0, 100, 30, 0, 0, -1, 0, five);  // (30 + 16) / 20: 2 lines
  EXPECT_EQ(font.getLinesDrawn(), 2);
  EXPECT_EQ(Recorder::get().draws.back().positions.size(), 2u * 12);
  font.drawText(0, 0, 100, 0, 3, 0, -1, 0, five);
  EXPECT_EQ(font.getLinesDrawn(), 2);
  EXPECT_EQ(glyphOrigin(0), std::make_pair(0, 0));  // line 3 drawn first, at the top
  const std::size_t drawsBefore = Recorder::get().draws.size();
  font.drawText(0, 0, 100, 0, 9, 0, -1, 0, five);  // past the text: nothing
  font.drawText(0, 0, 100, 0, 0, 0, -1, 0, "");
  EXPECT_EQ(Recorder::get().draws.size(), drawsBefore);
  EXPECT_EQ(font.getLinesDrawn(), 0);
}

TEST_F(FontLayoutTest, ScaleDividesTheBoxAndDrawsInOneCall) {
  fontParameters_ p = font.getParameters();
  p.scale = 0.5f;
  font.applyParameters(p);
  font.drawText(10, 0, 50, 0, 0, 0, -1, kTextAlignRight, "ab");  // box 100 wide at scale 0.5
  EXPECT_EQ(glyphOrigin(0), std::make_pair(80, 0));
  EXPECT_EQ(Recorder::get().scale, 0.5f);
  EXPECT_EQ(Recorder::get().translateX, 20.0f);
  // A long text goes through the large buffers, whole, in one draw.
  const std::string longText(1000, 'x');
  font.drawText(0, 0, 0, 0, 0, 0, -1, 0, longText.c_str());
  EXPECT_EQ(Recorder::get().draws.back().positions.size(), 1000u * 12);
  EXPECT_EQ(Recorder::get().draws.back().texture, 7);
}

TEST_F(FontLayoutTest, TextsAreLiteralAndFormatsAreTheCallersOnly) {
  EXPECT_EQ(literalText("50%%"), "50%");
  EXPECT_EQ(literalText("%s%n%x"), "%s%n%x");
  EXPECT_EQ(literalText("%%%"), "%%");
  EXPECT_EQ(literalText("100%"), "100%");
  EXPECT_EQ(literalText(nullptr), "");
  font.drawFormatted(0, 0, "%d%%", 42);
  EXPECT_EQ(Recorder::get().draws.back().positions.size(), 3u * 12);
  // A formatted text longer than the stack buffer is drawn whole.
  const std::string big(3000, 'y');
  font.drawFormatted(0.0f, 0.0f, 0.0f, 0.0f, 0, 0, "%s", big.c_str());
  EXPECT_EQ(Recorder::get().draws.back().positions.size(), 3000u * 12);
  EXPECT_EQ(font.splitLinesFormatted(1e6f, "%s\n%s", "a", "b"), 2);
  font.drawFormatted(0, 0, 0, -1, static_cast<const char*>(nullptr));  // a null format is an empty text
}

}  // namespace
