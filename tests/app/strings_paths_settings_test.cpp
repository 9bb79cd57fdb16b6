#include <gtest/gtest.h>

#include <sys/stat.h>
#include <tinyxml.h>

#include <filesystem>

#include "app/ResourcePaths.h"
#include "app/Settings.h"
#include "app/StringUtils.h"
#include "support/TempDir.h"

using qmtest::ScopedCwd;
using qmtest::ScopedEnv;
using qmtest::ScopedNoStdin;
using qmtest::TempDir;

using Pieces = std::vector<std::string>;

TEST(StringUtils, SplitKeepsGetlineSemantics) {
  EXPECT_EQ(split("a//b/", '/'), (Pieces{"a", "", "b"}));
  EXPECT_EQ(split("/a", '/'), (Pieces{"", "a"}));
  EXPECT_EQ(split("", '/'), Pieces{});
  EXPECT_EQ(split("/", '/'), (Pieces{""}));
}

TEST(StringUtils, NumbersAndTruthValues) {
  EXPECT_EQ(toString(true), "1");
  EXPECT_EQ(toString(static_cast<const char*>(nullptr)), "");
  EXPECT_EQ(stringToInt("12abc"), 12);
  EXPECT_EQ(stringToInt("  -7"), -7);
  EXPECT_EQ(stringToInt("x"), 0);
  EXPECT_EQ(stringToInt(""), 0);
  EXPECT_EQ(stringToInt("99999999999999999999"), 0);  // out of range reads nothing
}

TEST(StringUtils, ReplaceAllResumesAfterInsertedText) {
  std::string grow = "aa";
  EXPECT_EQ(replaceAll(grow, "a", "aa"), "aaaa");  // no endless re-matching
  std::string same = "abc";
  EXPECT_EQ(replaceAll(same, "", "x"), "abc");      // empty search: unchanged
  std::string gone = "xyxy";
  EXPECT_EQ(replaceAll(gone, "xy", ""), "");
}

class ResourceTree : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp.write("textures/tex.dat", "main");
    tmp.write("win32_mandatory/x.bin", "win");
    tmp.write("iphone_mandatory/x.bin", "iphone");
    tmp.write("iphone_mandatory/y.bin", "iphone");
    tmp.write("tex.dat", "top");
    std::filesystem::create_directories(tmp.path() / "levels" / "folder.ynm");
    root = std::filesystem::canonical(tmp.path()).string();
  }
  TempDir tmp;
  std::string root;
};

TEST_F(ResourceTree, ResolvesInOwnFolderThenFallbacksThenName) {
  ScopedCwd cwd(tmp.path());
  EXPECT_EQ(resolveResourcePath("textures/tex.dat"), root + "/textures/tex.dat");
  // A name without a folder is joined with a doubled slash, which opens all the same.
  EXPECT_EQ(resolveResourcePath("tex.dat"), root + "//tex.dat");
  // The fallbacks look for the last piece only, win32 first.
  EXPECT_EQ(resolveResourcePath("models/deep/x.bin"), root + "/win32_mandatory/x.bin");
  EXPECT_EQ(resolveResourcePath("models/y.bin"), root + "/iphone_mandatory/y.bin");
  EXPECT_EQ(resolveResourcePath("models/none.bin"), "models/none.bin");
  // A folder with the resource's name is not a resource.
  EXPECT_EQ(resolveResourcePath("levels/folder.ynm"), "levels/folder.ynm");
  EXPECT_FALSE(fileExists(root + "/levels"));
  EXPECT_FALSE(fileExists(""));
  EXPECT_TRUE(fileExists(root + "/tex.dat"));
}

TEST_F(ResourceTree, XmlResourceReportsMissingAndFolderAsOpenFailure) {
  ScopedCwd cwd(tmp.path());
  TiXmlDocument doc;
  EXPECT_FALSE(loadXmlResource(doc, "levels/folder.ynm"));
  EXPECT_STREQ(doc.ErrorDesc(), "Failed to open file");
  TiXmlDocument missing;
  EXPECT_FALSE(loadXmlResource(missing, "gamedesign/none.ynm"));
  EXPECT_TRUE(missing.Error());
  tmp.write("gamedesign/ok.ynm", "<a><b/></a>");
  TiXmlDocument ok;
  EXPECT_TRUE(loadXmlResource(ok, "gamedesign/ok.ynm"));
  ASSERT_NE(ok.FirstChildElement("a"), nullptr);
}

TEST_F(ResourceTree, XmlResourceCutInsideACharacterIsAnErrorNotAnOverRead) {
  ScopedCwd cwd(tmp.path());
  // The parser looks ahead past a multi-byte lead byte; at the very end of a
  // file that must land on padding, not past the buffer (checked under valgrind).
  tmp.write("gamedesign/cut.ynm", "<?xml><y d=\"\xf2");
  TiXmlDocument cut;
  EXPECT_FALSE(loadXmlResource(cut, "gamedesign/cut.ynm"));
  EXPECT_TRUE(cut.Error());
  // Windows line ends read as plain ones, as the parser's own file loading does.
  tmp.write("gamedesign/crlf.ynm", "<a>\r\n<b v=\"1\"/>\r\n</a>\r\n");
  TiXmlDocument crlf;
  ASSERT_TRUE(loadXmlResource(crlf, "gamedesign/crlf.ynm"));
  EXPECT_STREQ(crlf.FirstChildElement("a")->FirstChildElement("b")->Attribute("v"), "1");
  TiXmlDocument empty;
  tmp.write("gamedesign/empty.ynm", "");
  EXPECT_FALSE(loadXmlResource(empty, "gamedesign/empty.ynm"));
}

TEST_F(ResourceTree, HostileXmlIsRefusedBeforeTheParserSeesIt) {
  ScopedCwd cwd(tmp.path());
  // The parser recurses once per nested element: 100,000 of them overflow the stack.
  std::string deep = "<settings>";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  tmp.write("gamedesign/deep.ynm", deep);
  // A file no real data file comes near in size is not read whole and parsed.
  std::string large = "<settings>";
  large.reserve(17u << 20);
  while (large.size() < (17u << 20)) large += "<setting name=\"n\" value=\"1\" description=\"padding\"/>\n";
  large += "</settings>";
  tmp.write("gamedesign/large.ynm", large);
  ASSERT_EQ(mkfifo((tmp.path() / "gamedesign/fifo.ynm").c_str(), 0600), 0);
  struct Case {
    const char* name;
    const char* message;
  };
  for (const Case& c : {Case{"gamedesign/deep.ynm", "nests elements deeper than 64 levels"},
                        Case{"gamedesign/large.ynm", "is larger than 16 MB"},
                        Case{"gamedesign/fifo.ynm", ""}}) {
    SCOPED_TRACE(c.name);
    TiXmlDocument doc;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadXmlResource(doc, c.name));
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find(c.message), std::string::npos) << messages;
    EXPECT_TRUE(doc.Error());
  }
  // Real files nest a few levels; comments, CDATA, declarations and quoted
  // angle brackets do not count as nesting.
  std::string fine = "<?xml version=\"1.0\"?><!-- <<<< --><r v=\"<<\"><![CDATA[<<<<]]>";
  for (int i = 0; i < 62; ++i) fine += "<a><b/>";
  for (int i = 0; i < 62; ++i) fine += "</a>";
  fine += "</r>";
  tmp.write("gamedesign/fine.ynm", fine);
  TiXmlDocument ok;
  EXPECT_TRUE(loadXmlResource(ok, "gamedesign/fine.ynm")) << ok.ErrorDesc();
}

TEST(SaveFolder, BuiltUnderXdgDataHomeAndCreated) {
  TempDir tmp;
  ScopedEnv xdg("XDG_DATA_HOME", tmp.str());
  const std::string path = getSaveFilePath("options.dat");
  EXPECT_EQ(path, tmp.str() + "/TARNWELL/Quillmoor/options.dat");
  EXPECT_TRUE(std::filesystem::is_directory(tmp.path() / "TARNWELL" / "Quillmoor"));
}

TEST(SaveFolder, FallsBackToHomeAndThenToTheBareName) {
  TempDir tmp;
  ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
  {
    ScopedEnv home("HOME", tmp.str());
    EXPECT_EQ(getSaveFilePath("levels.sav"), tmp.str() + "/.local/share/TARNWELL/Quillmoor/levels.sav");
    EXPECT_TRUE(std::filesystem::is_directory(tmp.path() / ".local/share/TARNWELL/Quillmoor"));
  }
  ScopedEnv home("HOME", std::nullopt);
  // The working folder then keeps the file, and the player is told so once.
  testing::internal::CaptureStderr();
  EXPECT_EQ(getSaveFilePath("nohome.sav"), "nohome.sav");
  EXPECT_EQ(getSaveFilePath("nohome.sav"), "nohome.sav");
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_NE(told.find("nohome.sav is kept in the working folder"), std::string::npos) << told;
  EXPECT_EQ(told.find("nohome.sav", told.find('\n')), std::string::npos) << told;
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { clearSettings(); }
  void TearDown() override { clearSettings(); }

  // Loads the given settings file text (nullptr: no file) and returns what was printed.
  std::string load(const char* contents) {
    if (contents != nullptr) tmp.write("gamedesign/settings.ynm", contents);
    ScopedCwd cwd(tmp.path());
    ScopedNoStdin noStdin;
    testing::internal::CaptureStdout();
    loadSettings();
    return testing::internal::GetCapturedStdout();
  }
  TempDir tmp;
};

TEST_F(SettingsFile, GoodFileLoadsOnceUntilCleared) {
  const std::string out = load(
      "<settings><setting name=\"gravity\" value=\"9.8\" description=\"down\"/>"
      "<setting name=\"g\" value=\"1\"/><setting name=\"g\" value=\"2\"/></settings>");
  EXPECT_EQ(out, "Loading Settings...\n");
  ASSERT_EQ(getSettings().size(), 2u);
  EXPECT_FLOAT_EQ(getSettings().at("gravity").value, 9.8f);
  EXPECT_EQ(getSettings().at("gravity").description, "down");
  EXPECT_FLOAT_EQ(getSettings().at("g").value, 2.0f);  // a repeated name replaces

  tmp.write("gamedesign/settings.ynm", "<settings/>");
  EXPECT_EQ(load(nullptr), "");  // already loaded: nothing happens
  EXPECT_EQ(getSettings().size(), 2u);
  clearSettings();
  EXPECT_EQ(load(nullptr), "Loading Settings...\n");
  EXPECT_TRUE(getSettings().empty());
}

TEST_F(SettingsFile, IncompleteEntriesAreReportedAndSkipped) {
  const std::string out = load(
      "<settings><setting value=\"1\"/><setting name=\"\" value=\"1\"/>"
      "<setting name=\"novalue\"/><setting name=\"ok\" value=\"0.5\"/></settings>");
  EXPECT_EQ(out,
            "Loading Settings...\n"
            "settings xml parsing error : missing attribute name for setting #1\n"
            "settings xml parsing error : missing attribute name for setting #2\n"
            "settings xml parsing error : missing attribute value for setting #3\n");
  ASSERT_EQ(getSettings().size(), 1u);
  EXPECT_FLOAT_EQ(getSettings().at("ok").value, 0.5f);
}

TEST_F(SettingsFile, ParseErrorsAndMissingFileReadNothing) {
  EXPECT_EQ(load(nullptr), "Loading Settings...\nsettings xml parsing XML file error : Failed to open file\n");
  EXPECT_TRUE(getSettings().empty());
  clearSettings();
  const std::string out = load("<settings><setting name=\"a\" value=\"1\"></settings>");
  EXPECT_NE(out.find("settings xml parsing XML file error : "), std::string::npos);
  EXPECT_TRUE(getSettings().empty());
  // Cut to its first byte, or another document: said, not silent.
  for (const char* text : {"<", "", "<other/>"}) {
    clearSettings();
    const std::string said = load(text);
    EXPECT_NE(said.find("settings xml parsing XML file error : "), std::string::npos) << text << ": " << said;
    EXPECT_TRUE(getSettings().empty());
  }
}

TEST_F(SettingsFile, LongDescriptionIsCut) {
  const std::string longText(400, 'd');
  load(("<settings><setting name=\"a\" value=\"3\" description=\"" + longText + "\"/></settings>").c_str());
  ASSERT_EQ(getSettings().count("a"), 1u);
  EXPECT_EQ(getSettings().at("a").description, std::string(255, 'd'));
}
