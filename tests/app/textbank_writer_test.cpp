#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/LocalizedText.h"
#include "support/TempDir.h"
#include "tools/textbank_writer.h"

using qmtest::ScopedCwd;
using qmtest::TempDir;

namespace {

std::string encoded(const std::string& notation) {
  std::string out;
  std::string error;
  EXPECT_TRUE(textbank::encodeText(notation, out, error)) << notation << ": " << error;
  return out;
}

std::string rejection(const std::string& notation) {
  std::string out;
  std::string error;
  EXPECT_FALSE(textbank::encodeText(notation, out, error)) << notation;
  return error;
}

TEST(TextSourceNotation, EncodesMarkersEscapesAndGlyphs) {
  EXPECT_EQ(encoded("Level {0}"), "Level \xF0\xC0\x80");
  EXPECT_EQ(encoded("{65}{233}"), "\xF0" "A" "\xF0\xC3\xA9");
  EXPECT_EQ(encoded("\\{x\\} \\\\ a\\nb\\s"), "{x} \\ a\nb ");
  EXPECT_EQ(encoded("\\u20AC \\u2122 \xE2\x82\xAC"), "\xE2\x82\xAC \xE2\x84\xA2 \xE2\x82\xAC");
  EXPECT_EQ(encoded("100%%"), "100%%");
  for (const char* bad : {"\\q", "a\\", "{x}", "{70000}", "{1", "a}", "\\u12", "\\u0000", "\xC3", "\xC0\x80"}) {
    EXPECT_FALSE(rejection(bad).empty()) << bad;
  }
  EXPECT_NE(rejection("\xF0\x9F\x90\x91").find("U+FFFF"), std::string::npos);  // a sheep emoji
}

TEST(TextSourceNotation, ThreeByteMarkerCodesReadBackThroughTheGame) {
  for (const unsigned code : {0x7FFu, 0x800u, 0xFFFFu}) {
    SCOPED_TRACE(code);
    const std::string bytes = encoded("{" + std::to_string(code) + "}");
    EXPECT_EQ(bytes, textbank::markerBytes(code));
    EXPECT_EQ(bytes.size(), code < 0x800 ? 3u : 4u);
    int length = 0;
    const std::uint32_t decoded = decodeUtf8Char(reinterpret_cast<const unsigned char*>(bytes.c_str()), &length);
    EXPECT_TRUE(isTextMarker(decoded));
    EXPECT_EQ(textMarkerCode(decoded), static_cast<int>(code));
    EXPECT_EQ(length, static_cast<int>(bytes.size()));
  }

  // The same markers in a bank file, between text, expanded by getText.
  TempDir tmp;
  textbank::Banks banks;
  banks[1] = {encoded("a{2048}b{65535}c\u20AC")};
  tmp.write("text/I", textbank::encodeLanguageList({{"English", "en"}}));
  tmp.write("text/0", textbank::encodeBankFile(banks));
  ScopedCwd cwd(tmp.path());
  resetTexts();
  initTexts();
  EXPECT_TRUE(textHasMarkers(0x00010000));
  EXPECT_STREQ(getText(0x00010000, "1", "2"), "a1b2c\xE2\x82\xAC");
  EXPECT_STREQ(getText(0x00010000), "abc\xE2\x82\xAC");  // codes past 1 print nothing
  resetTexts();
}

TEST(TextSourceNotation, ParsesALanguageAndNamesTheBadLine) {
  textbank::LanguageSource language;
  std::string error;
  ASSERT_TRUE(textbank::parseLanguageSource(
      "# comment\n@index 2\r\n@code de\n@name Deutsch\n\n@bank 8\n  36 =  Nochmal  \n6 = Weiter {0}\n@bank 0\n",
      language, error))
      << error;
  EXPECT_EQ(language.index, 2);
  EXPECT_EQ(language.name, "Deutsch");
  ASSERT_EQ(language.banks[8].size(), 37u);
  EXPECT_EQ(language.banks[8][36], "Nochmal");
  EXPECT_EQ(language.banks[8][6], "Weiter \xF0\xC0\x80");
  EXPECT_EQ(language.banks[8][7], "");  // gaps hold empty strings
  EXPECT_TRUE(language.banks[0].empty());

  const std::pair<const char*, const char*> bad[] = {
      {"@index 0\n@code en\n@name E\n@bank 1\n1 = a\n1 = b\n", "line 6"},
      {"@index 0\n@code en\n@name E\n1 = a\n", "line 4"},
      {"@index 0\n@code en\n@name E\n@bank 9\n", "line 4"},
      {"@index 0\n@code en\n@name E\n@bank 1\nx = a\n", "line 5"},
      {"@index 0\n@code en\n@name E\n@bank 1\n65535 = a\n", "line 5"},
      {"@index 0\n@colour red\n", "line 2"},
      {"@code en\n@name E\n", "no @index"},
      {"@index 0\n@name E\n", "no @code"},
  };
  for (const auto& [text, where] : bad) {
    EXPECT_FALSE(textbank::parseLanguageSource(text, language, error)) << text;
    EXPECT_NE(error.find(where), std::string::npos) << error;
  }
}

TEST(TextBankBuild, TheSampleSourcesReadBackThroughTheGame) {
  TempDir tmp;
  std::string error;
  ASSERT_TRUE(textbank::buildTextBanks(QM_TEST_SOURCE_DIR "/data/text", tmp.str() + "/text", error)) << error;
  ScopedCwd cwd(tmp.path());
  resetTexts();
  initTexts();
  const char* codes[] = {"en", "fr", "it", "de", "es"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_STREQ(getLanguageCode(i), codes[i]);
    setLanguageIndex(i);
    EXPECT_STRNE(getText(0x00080024), "") << codes[i];  // "retry"
    EXPECT_STRNE(getText(0x0002000E), "") << codes[i];  // "pause"
  }
  setLanguage("de");
  EXPECT_STREQ(getText(0x00080007), "Men\xC3\xBC");
  resetTexts();
}

TEST(TextBankBuild, RejectsGapsAndRepeatsAmongTheLanguages) {
  const auto source = [](int index, const std::string& code) {
    return "@index " + std::to_string(index) + "\n@code " + code + "\n@name " + code + "\n";
  };
  struct Case {
    std::string a, b;  // b empty: no second file
    const char* error;
  };
  const Case cases[] = {
      {source(0, "en"), source(2, "fr"), "1 is missing"},
      {source(0, "en"), source(1, "en"), "used twice"},
      {source(0, "en") + "@bank 1\n0 = {x}\n", "", "a.txt: line 5"},
      {"", "", ""},  // no sources at all
  };
  for (const Case& c : cases) {
    TempDir src;
    if (!c.a.empty()) src.write("a.txt", c.a);
    if (!c.b.empty()) src.write("b.txt", c.b);
    std::string error;
    EXPECT_FALSE(textbank::buildTextBanks(src.str(), src.str() + "/out", error)) << c.error;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

}  // namespace
