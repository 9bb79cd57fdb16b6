#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "support/TempDir.h"
#include "tools/textbank_writer.h"

using qmtest::ScopedCwd;
using qmtest::ScopedEnv;
using qmtest::TempDir;

namespace {

struct Decoded {
  std::uint32_t code;
  int length;
};

// Decodes the first character of bytes held in a heap block of exactly their
// size plus the terminator, so that AddressSanitizer sees any read past it.
Decoded decode(const std::string& bytes) {
  std::vector<unsigned char> exact(bytes.begin(), bytes.end());
  exact.push_back(0);
  int length = -1;
  const std::uint32_t code = decodeUtf8Char(exact.data(), &length);
  return {code, length};
}

TEST(Utf8Decoder, DecodesTheTable) {
  struct Row {
    std::string bytes;
    std::uint32_t code;
    int length;
  };
  const Row rows[] = {
      {"A", 0x41, 1},
      {"\xC3\xA9", 0xE9, 2},                     // e acute
      {"\xE2\x82\xAC", 0x20AC, 3},               // euro sign
      {"\xE2\x84\xA2", 0x2122, 3},               // trade mark sign
      {"\x80", 0x80, 1},                         // stray continuation byte
      {"\xBF" "A", 0xBF, 1},
      {"\xF0" "A", 0xFF000041, 2},               // marker on 'A'
      {"\xF0\xC0\x80", 0xFF000000, 3},           // marker code 0, two-byte NUL
      {"\xFF\xC3\xA9", 0xFF0000E9, 3},           // any byte from 0xF0 marks
      {"\xF0\xF0" "A", 0xFF000041, 3},           // marked twice is still one marker
      // Cut by the end of the string: the lead byte alone, never the NUL.
      {"\xE2\x82", 0xE2, 1},
      {"\xE2", 0xE2, 1},
      {"\xC3", 0xC3, 1},
      {"\xF0", 0xF0, 1},                         // a trailing marker byte marks nothing
      {"\xF0\xF0", 0xFF0000F0, 2},
      {"\xF0\xE2\x82", 0xFF0000E2, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    const Decoded d = decode(row.bytes);
    EXPECT_EQ(d.code, row.code);
    EXPECT_EQ(d.length, row.length);
  }
  EXPECT_EQ(getSpecialGlyphCode(decode("\xE2\x82\xAC").code), 2);
  EXPECT_EQ(getSpecialGlyphCode(decode("\xE2\x84\xA2").code), 1);
  EXPECT_EQ(getSpecialGlyphCode(0xE9), 0);
  EXPECT_TRUE(isTextMarker(decode("\xF0" "A").code));
  EXPECT_EQ(textMarkerCode(decode("\xF0" "A").code), 65);
}

TEST(Utf8Decoder, WalksAnyByteStringWithinItsTerminator) {
  // Every pair of bytes after every lead byte, at the very end of a heap block.
  for (int a = 1; a < 256; ++a) {
    for (int b = 0; b < 256; b += 17) {
      std::string s;
      s.push_back(static_cast<char>(a));
      if (b != 0) s.push_back(static_cast<char>(b));
      std::vector<unsigned char> exact(s.begin(), s.end());
      exact.push_back(0);
      std::size_t at = 0;
      while (exact[at] != 0) {
        int length = 0;
        decodeUtf8Char(exact.data() + at, &length);
        ASSERT_GE(length, 1);
        at += static_cast<std::size_t>(length);
        ASSERT_LT(at, exact.size());
      }
    }
  }
  // A long run of marker bytes is counted, not recursed into.
  std::string run(200000, '\xF0');
  run += "A";
  const Decoded d = decode(run);
  EXPECT_EQ(d.code, 0xFF000041u);
  EXPECT_EQ(d.length, 200001);
}

TEST(TextMarkers, AreFoundAndExpanded) {
  const std::string m0 = textbank::markerBytes(0);
  const std::string m5 = textbank::markerBytes(5);
  const std::string mA = "\xF0" "A";
  EXPECT_FALSE(hasTextMarkers("plain \xC3\xA9t\xC3\xA9"));
  EXPECT_TRUE(hasTextMarkers(("x" + mA).c_str()));
  EXPECT_FALSE(hasTextMarkers("\xF0"));  // nothing after it to mark
  EXPECT_FALSE(hasTextMarkers(nullptr));

  const std::string three = "a" + m5 + "b" + m5 + "c" + m0 + "d";
  setMarkerValue(42);
  EXPECT_STREQ(expandTextMarkers(three.c_str(), "12", "34"), "a12b34c42d");
  // arg2 fills only the second marker and only after arg1 was used.
  EXPECT_STREQ(expandTextMarkers(three.c_str(), nullptr, "34"), "abc42d");
  EXPECT_STREQ(expandTextMarkers(("<" + mA + ">").c_str(), nullptr, nullptr), "<>");
  EXPECT_STREQ(expandTextMarkers(("<" + textbank::markerBytes(1) + ">").c_str(), nullptr, nullptr), "<Bouh pour 1>");
  EXPECT_STREQ(getMarkerText(65), "");
  // An earlier result can be passed back in as an argument.
  const char* first = expandTextMarkers(("[" + m5 + "]").c_str(), "in", nullptr);
  EXPECT_STREQ(expandTextMarkers(("(" + m5 + ")").c_str(), first, nullptr), "([in])");
  // A percent sign is copied as it is; nothing here formats the text.
  EXPECT_STREQ(expandTextMarkers(("%s%d%%" + m5).c_str(), "%n", nullptr), "%s%d%%%n");
}

TEST(TextMarkers, ExpansionIsCutAtACharacterBoundary) {
  std::string longText;
  for (int i = 0; i < 3000; ++i) longText += "\xC3\xA9";  // 6000 bytes
  const std::string withMarker = "x" + longText.substr(0, 4000) + textbank::markerBytes(5);
  for (const std::string& s : {longText, withMarker}) {
    const char* out = expandTextMarkers(s.c_str(), longText.c_str(), nullptr);
    const std::size_t n = std::strlen(out);
    EXPECT_LT(n, static_cast<std::size_t>(kExpansionBufferSize));
    EXPECT_GT(n, static_cast<std::size_t>(kExpansionBufferSize) - 4);
    // Ends with a whole character.
    const unsigned char last = static_cast<unsigned char>(out[n - 1]);
    EXPECT_TRUE(last == 0xA9 && static_cast<unsigned char>(out[n - 2]) == 0xC3) << n;
  }
}

// A data tree with text files written by the writer, as the working folder.
class TextTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { resetTexts(); }
  void TearDown() override { resetTexts(); }

  // Language `code` with string i of bank b reading "<code> b.i".
  static textbank::Banks banksFor(const std::string& code, int perBank = 8) {
    textbank::Banks banks;
    for (int b = 0; b < textbank::kBankCount; ++b) {
      for (int i = 0; i < perBank; ++i) banks[b].push_back(code + " " + std::to_string(b) + "." + std::to_string(i));
    }
    return banks;
  }
  void writeLanguages(const std::vector<std::string>& codes) {
    std::vector<std::pair<std::string, std::string>> list;
    for (std::size_t i = 0; i < codes.size(); ++i) {
      list.emplace_back("Name " + codes[i], codes[i]);
      writeBank(static_cast<int>(i), textbank::encodeBankFile(banksFor(codes[i])));
    }
    tmp.write("text/I", textbank::encodeLanguageList(list));
  }
  void writeBank(int language, const std::string& bytes) { tmp.write("text/" + std::to_string(language), bytes); }

  TempDir tmp;
  ScopedCwd cwd{tmp.path()};
};

TEST_F(TextTablesTest, InitLoadsTheDeviceLanguageAndAddressesByBankAndIndex) {
  writeLanguages({"en", "fr", "de"});
  EXPECT_EQ(getCurrentLanguageIndex(), -1);
  EXPECT_STREQ(getText(0x00020005), "");  // no text before initTexts
  initTexts();
  EXPECT_EQ(getCurrentLanguageIndex(), 1);  // "fr", the device language
  EXPECT_STREQ(getText(0x00020005), "fr 2.5");
  EXPECT_STREQ(getLanguageCode(3), "");
  EXPECT_STREQ(getLanguageCode(-1), "");
  EXPECT_EQ(getLanguageIndex("pt"), 0);
  EXPECT_EQ(getLanguageIndex(nullptr), 0);
  // Out of range: bank 9, an index past the bank.
  EXPECT_STREQ(getText(0x00090000), "");
  EXPECT_STREQ(getText(0x00020008), "");
  // The id of no text, 0xFFFFFFFF, is no missing text: nothing is reported.
  testing::internal::CaptureStderr();
  EXPECT_STREQ(getText(static_cast<int>(0xFFFFFFFFu)), "");
  EXPECT_STREQ(getText(kNoTextId), "");
  EXPECT_STREQ(getText(0x00020123), "");
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(messages, "No text 0x20123 in the current language\n");
  EXPECT_FALSE(textHasMarkers(0x00090000));
  initTexts();  // once only: stays on the language chosen since
  setLanguage("de");
  initTexts();
  EXPECT_EQ(getCurrentLanguageIndex(), 2);
}

TEST_F(TextTablesTest, ALanguageChangeReloadsEveryBank) {
  writeLanguages({"en", "fr", "de"});
  initTexts();
  setLanguage("de");
  for (int b = 0; b < kTextBankCount; ++b) {
    EXPECT_EQ(std::string(getText(b << 16 | 3)), "de " + std::to_string(b) + ".3");
  }
  setLanguage("xx");  // not in the list: language 0
  EXPECT_EQ(getCurrentLanguageIndex(), 0);
  EXPECT_STREQ(getText(0x00070001), "en 7.1");
  setLanguageIndex(7);  // past the list: language 0 too
  setLanguageIndex(-1);
  EXPECT_EQ(getCurrentLanguageIndex(), 0);

  // The same index reads nothing again.
  writeBank(0, textbank::encodeBankFile(banksFor("EN")));
  setLanguageIndex(0);
  EXPECT_STREQ(getText(0x00070001), "en 7.1");
  setLanguageIndex(1);
  setLanguageIndex(0);
  EXPECT_STREQ(getText(0x00070001), "EN 7.1");
}

TEST_F(TextTablesTest, BorrowedStringsOutliveALanguageChange) {
  writeLanguages({"en", "fr"});
  initTexts();
  const char* french = getText(0x00030002);
  setLanguage("en");
  // A text node still holding the string until it refreshes reads valid memory.
  EXPECT_STREQ(french, "fr 3.2");
  EXPECT_STREQ(getText(0x00030002), "en 3.2");
  // Switching back and forth reuses the kept storage instead of piling up copies.
  for (int i = 0; i < 20; ++i) {
    setLanguage("fr");
    setLanguage("en");
  }
  setLanguage("fr");
  EXPECT_EQ(getText(0x00030002), french);
}

TEST_F(TextTablesTest, StringsWithMarkersAreExpandedOnRequest) {
  textbank::Banks banks;
  banks[2] = {"none", "score " + textbank::markerBytes(0), "a" + textbank::markerBytes(5) + "b" + textbank::markerBytes(6)};
  // Marker code 0 written plainly as 0xF0 0x00, and a stray NUL ending a string.
  // A 0xF0 that a two-byte lead takes as its second byte marks nothing: the
  // NUL after it ends the string.
  banks[3] = {std::string("v=\xF0\0!", 5), std::string("cut\0here", 8), std::string("\xC3\xF0\0!", 4),
              std::string("\xC3\xA9\xF0\0!", 5)};
  tmp.write("text/I", textbank::encodeLanguageList({{"English", "en"}}));
  writeBank(0, textbank::encodeBankFile(banks));
  initTexts();
  setMarkerValue(7);
  EXPECT_FALSE(textHasMarkers(0x00020000));
  EXPECT_TRUE(textHasMarkers(0x00020001));
  EXPECT_STREQ(getText(0x00020001), "score 7");
  EXPECT_STREQ(getText(0x00020002, "1", "2"), "a1b2");
  EXPECT_STREQ(getText(0x00030000), "v=7!");
  EXPECT_STREQ(getText(0x00030001), "cut");
  EXPECT_STREQ(getText(0x00030002), "\xC3\xF0");
  EXPECT_FALSE(textHasMarkers(0x00030002));
  EXPECT_STREQ(getText(0x00030003), "\xC3\xA9" "7!");
  EXPECT_TRUE(textHasMarkers(0x00030003));
}

TEST_F(TextTablesTest, BanksAreLoadedWhenWantedAndDroppedOnRequest) {
  writeLanguages({"en", "fr"});
  loadTextBank(4);  // no language yet: nothing to read from
  EXPECT_EQ(getCurrentLanguageIndex(), -1);
  EXPECT_STREQ(getText(0x00040002), "");
  loadLanguageList();
  setLanguage("fr");  // the bank wanted before is loaded with the first language
  EXPECT_STREQ(getText(0x00040002), "fr 4.2");
  EXPECT_STREQ(getText(0x00030002), "");  // only the wanted bank
  setLanguage("en");
  EXPECT_STREQ(getText(0x00040002), "en 4.2");

  unloadTextBank(4);
  EXPECT_STREQ(getText(0x00040000), "");
  setLanguage("fr");  // an unloaded bank is not wanted any more
  EXPECT_STREQ(getText(0x00040000), "");
  loadTextBank(4);
  EXPECT_STREQ(getText(0x00040000), "fr 4.0");
  loadTextBank(9);  // no such bank: nothing happens
  unloadTextBank(-1);
}

TEST_F(TextTablesTest, SystemLanguageFollowsTheEnvironment) {
  writeLanguages({"en", "fr", "it", "de", "es"});
  initTexts();
  ScopedEnv lcAll("LC_ALL", std::nullopt);
  ScopedEnv lcMessages("LC_MESSAGES", std::nullopt);
  const std::pair<const char*, int> cases[] = {
      {"it_IT.UTF-8", 2}, {"de_AT", 3}, {"es_ES.UTF-8", 4}, {"fr_CA", 1},
      {"en_GB", 0},       {"pt_BR", 0}, {"C", 0},           {"", 0},
  };
  for (const auto& [lang, index] : cases) {
    ScopedEnv env("LANG", std::string(lang));
    EXPECT_EQ(getSystemLanguageIndex(), index) << lang;
  }
}

TEST_F(TextTablesTest, FilesThatAreNoFilesOrTooLargeAreRefused) {
  // A FIFO would block the open for ever; a text file larger than any real one
  // could be held nine times over (every bank offset may name the same bytes).
  tmp.write("text/I", textbank::encodeLanguageList({{"English", "en"}}));
  std::string huge = textbank::encodeBankFile(banksFor("en"));
  huge.append(9u << 20, 'x');
  writeBank(0, huge);
  auto initCapturingMessages = [] {
    testing::internal::CaptureStderr();
    initTexts();
    return testing::internal::GetCapturedStderr();
  };
  std::string messages = initCapturingMessages();
  EXPECT_STREQ(getText(0x00000005), "");
  EXPECT_NE(messages.find("Cannot open the text file text/0 (too large)"), std::string::npos) << messages;

  auto makeFifo = [&](const char* name) {
    resetTexts();
    std::filesystem::remove(tmp.path() / name);
    return mkfifo((tmp.path() / name).c_str(), 0600) == 0;
  };
  ASSERT_TRUE(makeFifo("text/0"));
  messages = initCapturingMessages();
  EXPECT_NE(messages.find("(not a regular file)"), std::string::npos) << messages;
  ASSERT_TRUE(makeFifo("text/I"));
  messages = initCapturingMessages();
  EXPECT_NE(messages.find("Cannot open the language list text/I (not a regular file)"), std::string::npos) << messages;
  EXPECT_STREQ(getLanguageCode(0), "");
}

TEST_F(TextTablesTest, DamagedOrMissingFilesGiveEmptyTexts) {
  const std::string good = textbank::encodeBankFile(banksFor("en"));
  // No language list, no bank files: nothing to read, nothing crashes.
  initTexts();
  EXPECT_EQ(getCurrentLanguageIndex(), 0);
  EXPECT_STREQ(getText(0x00020005), "");
  EXPECT_STREQ(getLanguageCode(0), "");

  struct Case {
    const char* what;
    std::string bytes;
    const char* text05;  // bank 0, string 5
    const char* text83;  // bank 8, string 3
    const char* text87;  // bank 8, string 7
  };
  std::string offsetPastEnd = good;
  offsetPastEnd[0] = '\xFF';  // bank 0's offset far beyond the file
  offsetPastEnd[3] = '\x7F';
  std::string countTooLarge = good;
  const std::size_t bank8 = static_cast<unsigned char>(good[32]) | (static_cast<unsigned char>(good[33]) << 8);
  countTooLarge[bank8] = '\x50';  // 80 strings claimed, 8 present
  std::string lengthTooLarge = good;
  lengthTooLarge[bank8 + 2] = '\xFF';  // first string of bank 8 claims 65535 bytes
  lengthTooLarge[bank8 + 3] = '\xFF';
  const Case cases[] = {
      {"empty file", "", "", "", ""},
      {"header cut", good.substr(0, 20), "", "", ""},
      {"cut inside bank 8", good.substr(0, good.size() - 20), "en 0.5", "en 8.3", ""},
      {"offset past the end", offsetPastEnd, "", "en 8.3", "en 8.7"},
      {"count larger than the data", countTooLarge, "en 0.5", "en 8.3", "en 8.7"},
      {"length larger than the data", lengthTooLarge, "en 0.5", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    resetTexts();
    tmp.write("text/I", textbank::encodeLanguageList({{"English", "en"}}));
    writeBank(0, c.bytes);
    initTexts();
    EXPECT_STREQ(getText(0x00000005), c.text05);
    EXPECT_STREQ(getText(0x00080003), c.text83);
    EXPECT_STREQ(getText(0x00080007), c.text87);
  }

  // A language list cut inside its third entry keeps the two whole ones.
  resetTexts();
  const std::string list = textbank::encodeLanguageList({{"English", "en"}, {"Deutsch", "de"}, {"Italiano", "it"}});
  tmp.write("text/I", list.substr(0, list.size() - 3));
  loadLanguageList();
  EXPECT_STREQ(getLanguageCode(1), "de");
  EXPECT_STREQ(getLanguageCode(2), "");
  resetTexts();
  tmp.write("text/I", std::string("\x09\xFF\xFF", 3));
  loadLanguageList();
  EXPECT_STREQ(getLanguageCode(0), "");
}

}  // namespace
