#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "tests/game/ProgressFixture.h"

using qmtest::bytesOf;
using qmtest::le32;

namespace {

// Block tutorials from id 10 (type t is tutorial 9 + t): type 2 has two
// texts, type 3 none. Tutorial 4 (first win), 6 (several sheep), 100 and 132
// (which share a bit), a level tutorial 20 and an entry in hex that reads as 0.
const char* kTutorials =
    "<tutos>"
    "<firtsBlocTuto id=\"10\"/>"
    "<tutorial id=\"11\"><text>196618</text><text> 196619</text></tutorial>"
    "<tutorial id=\"12\"></tutorial>"
    "<tutorial id=\"4\"><text>196613</text></tutorial>"
    "<tutorial id=\"6\"><text>196620</text></tutorial>"
    "<tutorial id=\"20\"><text>196621</text><text>0x30005</text><text/></tutorial>"
    "<tutorial id=\"100\"><text>196622</text></tutorial>"
    "<tutorial id=\"6\"><text>196623</text></tutorial>"
    "</tutos>";

class TutorialsTest : public qmtest::ProgressTest {
 protected:
  void SetUp() override {
    ProgressTest::SetUp();
    writeDesign("tutorials.ynm", kTutorials);
  }
  TutorialManager& tutorials() { return TutorialManager::getInstance(); }
  std::vector<int> bannerTexts() const {
    std::vector<int> texts;
    for (const BannerMessage& m : overlays.banners) {
      EXPECT_EQ(m.kind, 1);
      EXPECT_EQ(m.position, 2);
      EXPECT_EQ(m.buttonMask, 0);
      texts.push_back(m.textId);
    }
    return texts;
  }
};

TEST_F(TutorialsTest, ReadsTheDesignFile) {
  TutorialManager& t = tutorials();
  EXPECT_EQ(t.firstBlockTutorial(), 10);
  EXPECT_EQ(t.tutorials().at(11), (std::vector<int>{196618, 196619}));
  EXPECT_TRUE(t.tutorials().at(12).empty());
  EXPECT_EQ(t.tutorials().at(20), (std::vector<int>{196621, 0, 0}));  // decimal only
  EXPECT_EQ(t.tutorials().at(6), std::vector<int>{196623});  // the later one replaces
  EXPECT_FALSE(std::filesystem::exists(savePath("tutov2.sav")));
}

TEST_F(TutorialsTest, SeenBitsAliasAndTheFileHoldsNineBytes) {
  TutorialManager& t = tutorials();
  EXPECT_TRUE(t.isUnseen(5));
  t.markSeen(37);  // 37 mod 32 = 5
  EXPECT_FALSE(t.isUnseen(5));
  EXPECT_FALSE(t.isUnseen(37));
  EXPECT_EQ(readSave("tutov2.sav"), "2" + le32(1 << 5) + le32(0));
  t.markSeen(132);  // bit 0 of the ids from 100
  EXPECT_FALSE(t.isUnseen(100));
  EXPECT_TRUE(t.isUnseen(0));
  t.markSeen(99);  // below 100: bit 99 mod 32 = 3 of the low set
  t.markSeen(131);
  EXPECT_EQ(readSave("tutov2.sav"), "2" + le32((1 << 5) | (1 << 3)) + le32(static_cast<std::int32_t>(0x80000001u)));
  EXPECT_EQ(t.seenImage().size(), 9u);

  restart();
  EXPECT_FALSE(tutorials().isUnseen(5));
  EXPECT_FALSE(tutorials().isUnseen(100));
  EXPECT_FALSE(tutorials().isUnseen(3));
  EXPECT_TRUE(tutorials().isUnseen(4));
}

TEST_F(TutorialsTest, BlockTutorialsShowOnceAndEmptyOnesStartNoBriefing) {
  TutorialManager& t = tutorials();
  EXPECT_TRUE(t.showBlockTutorial(2));  // tutorial 11
  EXPECT_EQ(bannerTexts(), (std::vector<int>{196618, 196619}));
  EXPECT_FALSE(t.isUnseen(11));
  EXPECT_FALSE(t.showBlockTutorial(2));
  EXPECT_FALSE(t.showBlockTutorial(3));  // tutorial 12 has no text: seen, silently
  EXPECT_FALSE(t.isUnseen(12));
  EXPECT_FALSE(t.showBlockTutorial(9));  // tutorial 18 is not in the file: seen as well
  EXPECT_FALSE(t.isUnseen(18));
  EXPECT_EQ(overlays.banners.size(), 2u);
}

TEST_F(TutorialsTest, LevelTutorialsShowEveryTimeOnceTutorialsOnce) {
  TutorialManager& t = tutorials();
  t.markSeen(20);
  t.showTutorial(20);
  t.showTutorial(20);
  EXPECT_EQ(bannerTexts(), (std::vector<int>{196621, 0, 0, 196621, 0, 0}));
  overlays.banners.clear();
  EXPECT_TRUE(t.showTutorialOnce(6));
  EXPECT_FALSE(t.showTutorialOnce(6));
  EXPECT_EQ(bannerTexts(), std::vector<int>{196623});
  EXPECT_TRUE(t.showTutorialOnce(7));  // unseen but empty: still true, as the caller expects
  t.showTutorial(55);  // unknown: nothing
  EXPECT_EQ(overlays.banners.size(), 1u);
  // The first win: tested, then marked.
  EXPECT_TRUE(t.isUnseen(4));
  t.markSeen(4);
  EXPECT_FALSE(t.isUnseen(4));
}

TEST_F(TutorialsTest, NegativeIdsAreNoTutorial) {
  // Without the first-block element, collision type 0 asks for tutorial -1.
  writeDesign("tutorials.ynm", "<tutos><tutorial id=\"-1\"><text>5</text></tutorial></tutos>");
  TutorialManager& t = tutorials();
  EXPECT_EQ(t.firstBlockTutorial(), 0);
  EXPECT_FALSE(t.showBlockTutorial(0));
  EXPECT_FALSE(t.isUnseen(-1));
  EXPECT_FALSE(t.isUnseen(INT_MIN));
  t.markSeen(-33);
  t.showTutorial(-1);
  EXPECT_FALSE(t.showTutorialOnce(-1));
  EXPECT_TRUE(overlays.banners.empty());
  EXPECT_EQ(t.seenLow(), 0u);
  EXPECT_EQ(t.seenHigh(), 0u);
  EXPECT_FALSE(std::filesystem::exists(savePath("tutov2.sav")));
  // A first-block id at the edge of the range never overflows.
  writeDesign("tutorials.ynm", "<tutos><firtsBlocTuto id=\"2147483647\"/></tutos>");
  restart();
  EXPECT_FALSE(tutorials().showBlockTutorial(14));
  EXPECT_TRUE(tutorials().isUnseen(INT_MAX));
  EXPECT_FALSE(tutorials().showBlockTutorial(1));  // tutorial INT_MAX: no text, but a bit
  EXPECT_FALSE(tutorials().isUnseen(INT_MAX));
}

TEST_F(TutorialsTest, MissingShortAndLongSeenFiles) {
  // Short files leave the bits at zero and are kept aside.
  const std::string whole = "2" + le32(0x30) + le32(0x7);
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    restart();
    writeSave("tutov2.sav", whole.substr(0, cut));
    testing::internal::CaptureStderr();
    EXPECT_EQ(tutorials().seenLow(), 0u);
    EXPECT_EQ(tutorials().seenHigh(), 0u);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readSave("tutov2.sav.bak"), whole.substr(0, cut));
  }
  // Any version byte is taken; bytes after the ninth are ignored.
  restart();
  writeSave("tutov2.sav", "Z" + le32(0x30) + le32(0x7) + std::string(1000, '\xFF'));
  EXPECT_EQ(tutorials().seenLow(), 0x30u);
  EXPECT_EQ(tutorials().seenHigh(), 0x7u);
  // A missing design file: no tutorials, the bits are still read.
  restart();
  std::filesystem::remove(tmp.path() / "data/gamedesign/tutorials.ynm");
  writeSave("tutov2.sav", whole);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(tutorials().tutorials().empty());
  EXPECT_NE(testing::internal::GetCapturedStderr().find("tutorials.ynm"), std::string::npos);
  EXPECT_EQ(tutorials().seenLow(), 0x30u);
}

}  // namespace
