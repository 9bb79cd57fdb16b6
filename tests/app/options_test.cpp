#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "support/TempDir.h"
#include "tools/textbank_writer.h"

using qmtest::ScopedCwd;
using qmtest::ScopedEnv;
using qmtest::TempDir;

namespace {

std::string block(const std::string& name, int def, int min, int max, int current, int disabled,
                  const std::string& eol = "\n") {
  std::ostringstream s;
  s << name << eol << "default=" << def << eol << "min=" << min << eol << "max=" << max << eol
    << "current=" << current << eol << "disabled=" << disabled << eol << eol;
  return s.str();
}

// The file a first start writes with the system language at index `language`.
std::string firstStartFile(int language) {
  return block("VIBRATION", 1, 0, 1, 1, 0) + block("COMPASS", 0, 0, 1, 0, 0) + block("SENSIBILITY", 2, 1, 3, 2, 0) +
         block("SOUND_VOLUME", 5, 0, 10, 5, 0) + block("MUSIC_VOLUME", 5, 0, 10, 5, 0) +
         block("FULLSCREEN", 1, 0, 1, 1, 1) + block("LANGUAGE", 0, 0, 4, language, 0);
}

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Five languages in the order en, fr, it, de, es: German is index 3.
    textbank::Banks none;
    tmp.write("data/text/I", textbank::encodeLanguageList({{"English", "en"},
                                                            {"Fran\xC3\xA7" "ais", "fr"},
                                                            {"Italiano", "it"},
                                                            {"Deutsch", "de"},
                                                            {"Espa\xC3\xB1ol", "es"}}));
    for (int i = 0; i < 5; ++i) tmp.write("data/text/" + std::to_string(i), textbank::encodeBankFile(none));
    std::filesystem::create_directories(tmp.path() / "home");
    cwd.emplace(tmp.path() / "data");
    resetTexts();
    initTexts();
    clearOptions();
  }
  void TearDown() override {
    clearOptions();
    resetTexts();
  }

  std::filesystem::path optionsPath() const { return tmp.path() / "home/TARNWELL/Quillmoor/options.dat"; }
  void writeOptions(const std::string& text) const { tmp.write("home/TARNWELL/Quillmoor/options.dat", text); }
  static std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string readOptions() const {
    std::ifstream in(optionsPath(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void expectAllInRange() const {
    for (int id = 0; id < kOptionCount; ++id) {
      SCOPED_TRACE(optionNameFromId(id));
      const int value = getOptionValue(id);
      EXPECT_GE(value, getOptionField(id, 2));
      EXPECT_LE(value, getOptionField(id, 3));
      EXPECT_GE(getOptionField(id, 2), 0);
    }
  }

  TempDir tmp;
  ScopedEnv home{"XDG_DATA_HOME", tmp.str() + "/home"};
  ScopedEnv lcAll{"LC_ALL", std::nullopt};
  ScopedEnv lcMessages{"LC_MESSAGES", std::nullopt};
  ScopedEnv lang{"LANG", std::string("de_DE.UTF-8")};
  std::optional<ScopedCwd> cwd;
};

TEST_F(OptionsTest, FirstStartWritesTheDefaultsWithTheSystemLanguage) {
  loadOptions();
  EXPECT_EQ(readOptions(), firstStartFile(3));
  EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), 3);
  EXPECT_FALSE(std::filesystem::exists(optionsPath().string() + ".tmp"));

  // The same file read back is left as it is, and the table is the same.
  clearOptions();
  const auto written = std::filesystem::last_write_time(optionsPath());
  loadOptions();
  EXPECT_EQ(std::filesystem::last_write_time(optionsPath()), written);
  EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), 3);

  // An unknown system language counts as English.
  ScopedEnv portuguese("LANG", std::string("pt_BR.UTF-8"));
  std::filesystem::remove(optionsPath());
  clearOptions();
  loadOptions();
  EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), 0);
}

TEST_F(OptionsTest, BlocksInAnotherOrderLoadAndSaveInThatOrder) {
  const std::string file = block("LANGUAGE", 0, 0, 4, 2, 0) + block("MUSIC_VOLUME", 5, 0, 10, 7, 0) +
                           block("VIBRATION", 1, 0, 1, 0, 1) + block("COMPASS", 0, 0, 1, 1, 0) +
                           block("SENSIBILITY", 2, 1, 3, 3, 0) + block("FULLSCREEN", 1, 0, 1, 0, 0) +
                           block("SOUND_VOLUME", 5, 0, 10, 0, 1);
  writeOptions(file);
  loadOptions();
  EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), 2);
  EXPECT_EQ(getOptionValue(OPTION_MUSIC_VOLUME), 7);
  ASSERT_TRUE(saveOptions());
  EXPECT_EQ(readOptions(), file);
}

TEST_F(OptionsTest, SettingAValueUpdatesDisabledAndFieldsAnswerMinusOneOutsideTheTable) {
  loadOptions();
  setOptionValue(OPTION_SOUND_VOLUME, 0);
  EXPECT_EQ(readOptions(), firstStartFile(3));  // not saved
  ASSERT_TRUE(saveOptions());
  EXPECT_NE(readOptions().find("SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=0\ndisabled=1\n"), std::string::npos);
  setOptionValue(OPTION_SOUND_VOLUME, 4);
  ASSERT_TRUE(saveOptions());
  EXPECT_NE(readOptions().find("current=4\ndisabled=0\n"), std::string::npos);

  EXPECT_EQ(getOptionField(9, 4), -1);
  EXPECT_EQ(getOptionField(OPTION_SOUND_VOLUME, 5), -1);
  EXPECT_EQ(getOptionField(OPTION_SOUND_VOLUME, 0), -1);
  EXPECT_EQ(optionIdFromName("language"), 0);
  EXPECT_EQ(optionNameFromId(7), "");
  EXPECT_EQ(optionNameFromId(-1), "");
  EXPECT_FALSE(addOption(OPTION_LANGUAGE, 0, 0, 4, 1, false));
}

struct DamagedCase {
  const char* what;
  std::string file;
  int id;        // the option to look at
  int expected;  // its current value after loading
};

std::vector<DamagedCase> damagedCases() {
  const std::string full = firstStartFile(1);
  return {
      {"empty file", "", OPTION_SOUND_VOLUME, 5},
      {"cut inside the third block", full.substr(0, full.find("SENSIBILITY") + 30), OPTION_COMPASS, 0},
      {"cut inside the third block keeps its default", full.substr(0, full.find("SENSIBILITY") + 30),
       OPTION_SENSIBILITY, 2},
      {"only two blocks, language missing", block("MUSIC_VOLUME", 5, 0, 10, 9, 0) + block("COMPASS", 0, 0, 1, 1, 0),
       OPTION_LANGUAGE, 3},
      {"Windows line ends", block("SOUND_VOLUME", 5, 0, 10, 8, 0, "\r\n"), OPTION_SOUND_VOLUME, 8},
      {"unknown name is not vibration", block("RUMBLE", 1, 0, 1, 0, 1), OPTION_VIBRATION, 1},
      {"language past the list", block("LANGUAGE", 0, 0, 4, 99, 0), OPTION_LANGUAGE, 4},
      {"negative volume", block("SOUND_VOLUME", 5, 0, 10, -5, 0), OPTION_SOUND_VOLUME, 0},
      {"a maximum of zero is ignored", block("MUSIC_VOLUME", 5, 0, 0, 7, 0), OPTION_MUSIC_VOLUME, 7},
      {"text instead of numbers", "SOUND_VOLUME\ndefault=x\nmin=y\nmax=z\ncurrent=loud\ndisabled=?\n",
       OPTION_SOUND_VOLUME, 0},
      {"a block missing a line does not shift the next",
       "SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\n\n" + block("MUSIC_VOLUME", 5, 0, 10, 2, 0), OPTION_MUSIC_VOLUME, 2},
      {"a repeated block keeps the first",
       block("MUSIC_VOLUME", 5, 0, 10, 1, 0) + block("MUSIC_VOLUME", 5, 0, 10, 9, 0), OPTION_MUSIC_VOLUME, 1},
      {"binary junk", std::string("\0\xFF\n=\n\n\x80==\n", 10), OPTION_FULLSCREEN, 1},
      {"cut after the current line keeps that value", "SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=8\n",
       OPTION_SOUND_VOLUME, 8},
      {"cut before the current line keeps the default", "SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\n",
       OPTION_SOUND_VOLUME, 5},
  };
}

TEST_F(OptionsTest, DamagedFilesAreRepairedWithEveryOptionInRange) {
  for (const DamagedCase& c : damagedCases()) {
    SCOPED_TRACE(c.what);
    clearOptions();
    writeOptions(c.file);
    std::filesystem::remove(optionsPath().string() + ".bak");
    loadOptions();
    EXPECT_EQ(getOptionValue(c.id), c.expected);
    expectAllInRange();
    EXPECT_EQ(getOptionMax(OPTION_MUSIC_VOLUME), 10);
    // The file as it was is kept beside the mended one.
    EXPECT_EQ(readFile(optionsPath().string() + ".bak"), c.file);
    // The file on disk is whole again: seven blocks, 49 lines, read back unchanged.
    const std::string repaired = readOptions();
    EXPECT_EQ(std::count(repaired.begin(), repaired.end(), '\n'), 49);
    EXPECT_EQ(repaired.find('\r'), std::string::npos);
    std::vector<int> before;
    for (int id = 0; id < kOptionCount; ++id) before.push_back(getOptionValue(id));
    clearOptions();
    loadOptions();
    for (int id = 0; id < kOptionCount; ++id) EXPECT_EQ(getOptionValue(id), before[static_cast<std::size_t>(id)]);
    EXPECT_EQ(readOptions(), repaired);
    EXPECT_EQ(readFile(optionsPath().string() + ".bak"), c.file);  // a whole file keeps no copy of itself
  }
}

TEST_F(OptionsTest, ADamagedNameKeepsThePlayersValueInTheCopy) {
  // One flipped bit in a name: the option is not recognised and comes back at
  // its default, but the player's 9 survives in options.dat.bak.
  std::string file = firstStartFile(1);
  const std::string player = "SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=5";
  file.replace(file.find(player), player.size(), "SoUND_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=9");
  writeOptions(file);
  testing::internal::CaptureStderr();
  loadOptions();
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 5);
  EXPECT_EQ(readFile(optionsPath().string() + ".bak"), file);
  EXPECT_NE(messages.find("kept as " + optionsPath().string() + ".bak"), std::string::npos) << messages;

  // Where no copy can be kept, the damaged file is not rewritten either.
  clearOptions();
  std::filesystem::remove(optionsPath().string() + ".bak");
  std::filesystem::create_directories(optionsPath().string() + ".bak/inside");
  writeOptions(file);
  testing::internal::CaptureStderr();
  loadOptions();
  const std::string refused = testing::internal::GetCapturedStderr();
  EXPECT_EQ(readOptions(), file);
  EXPECT_NE(refused.find("cannot be kept"), std::string::npos) << refused;
  EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), 1);
}

TEST_F(OptionsTest, ABlockCutBeforeItsDisabledLineDerivesItFromTheValue) {
  writeOptions(block("MUSIC_VOLUME", 5, 0, 10, 4, 0) + "SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=0");
  loadOptions();
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 0);
  EXPECT_EQ(getOptionValue(OPTION_MUSIC_VOLUME), 4);
  EXPECT_NE(readOptions().find("SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=0\ndisabled=1\n"), std::string::npos);
  clearOptions();
  writeOptions("SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=8\n");
  loadOptions();
  EXPECT_NE(readOptions().find("SOUND_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=8\ndisabled=0\n"), std::string::npos);
}

TEST_F(OptionsTest, AFileThatFailsToReadIsNotOverwrittenWithTheDefaults) {
  // A file that opens and then fails with an I/O error on its first read.
  std::filesystem::create_directories(optionsPath().parent_path());
  std::filesystem::create_symlink("/proc/self/mem", optionsPath());
  testing::internal::CaptureStderr();
  loadOptions();
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("Cannot read the options file"), std::string::npos) << messages;
  EXPECT_TRUE(std::filesystem::is_symlink(optionsPath()));  // not replaced by a written file
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 5);
  expectAllInRange();

  // A folder in its place reads with an error too: defaults, and no attempt to write.
  clearOptions();
  std::filesystem::remove(optionsPath());
  std::filesystem::create_directories(optionsPath());
  testing::internal::CaptureStderr();
  loadOptions();
  const std::string folderMessages = testing::internal::GetCapturedStderr();
  EXPECT_NE(folderMessages.find("Cannot read the options file"), std::string::npos) << folderMessages;
  EXPECT_EQ(folderMessages.find("Cannot write"), std::string::npos) << folderMessages;
  EXPECT_TRUE(std::filesystem::is_directory(optionsPath()));
  EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), 3);
}

TEST_F(OptionsTest, AFileThatExistsButDoesNotOpenIsKeptAndNeverBlocks) {
  // Only a file that does not exist is a first start. A link that loops, a
  // FIFO (which would block a plain open for ever) and, for an ordinary user,
  // a file without read permission all keep what is on the disk.
  const std::string saved = block("SOUND_VOLUME", 5, 0, 10, 2, 0);
  std::filesystem::create_directories(optionsPath().parent_path());
  auto expectKept = [&](const char* what) {
    clearOptions();
    testing::internal::CaptureStderr();
    loadOptions();
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("Cannot read the options file"), std::string::npos) << what << ": " << messages;
    EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 5) << what;
    EXPECT_FALSE(std::filesystem::exists(optionsPath().string() + ".tmp")) << what;
  };

  std::filesystem::create_symlink("options.dat", optionsPath());  // ELOOP
  expectKept("looping link");
  EXPECT_TRUE(std::filesystem::is_symlink(optionsPath()));
  std::filesystem::remove(optionsPath());

  ASSERT_EQ(mkfifo(optionsPath().c_str(), 0600), 0);
  expectKept("FIFO");
  EXPECT_EQ(std::filesystem::status(optionsPath()).type(), std::filesystem::file_type::fifo);
  std::filesystem::remove(optionsPath());

  writeOptions(saved);
  if (geteuid() != 0) {
    std::filesystem::permissions(optionsPath(), std::filesystem::perms::none);
    expectKept("mode 000");
    std::filesystem::permissions(optionsPath(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(readOptions(), saved);
  }
}

// What the game does at start: texts first, then the options, then the
// language the options name.
class StartSequenceTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    resetTexts();
    // Three languages only: the LANGUAGE option's range (0 to 4) is wider.
    const char* codes[] = {"en", "fr", "de"};
    std::vector<std::pair<std::string, std::string>> list;
    for (int i = 0; i < 3; ++i) {
      textbank::Banks banks;
      banks[0] = {std::string("text in ") + codes[i]};
      list.emplace_back(std::string("Name ") + codes[i], codes[i]);
      tmp.write("data/text/" + std::to_string(i), textbank::encodeBankFile(banks));
    }
    tmp.write("data/text/I", textbank::encodeLanguageList(list));
  }
  static void startAsTheGameDoes() {
    initTexts();
    loadOptions();
    setLanguage(getLanguageCode(getOptionValue(OPTION_LANGUAGE)));
  }
};

TEST_F(StartSequenceTest, AFirstStartFollowsTheSystemLanguageAndOneOutsideTheListFallsBack) {
  startAsTheGameDoes();  // LANG is de_DE: index 2 in this list
  EXPECT_EQ(getCurrentLanguageIndex(), 2);
  EXPECT_STREQ(getText(0), "text in de");
  EXPECT_EQ(readOptions(), firstStartFile(2));

  writeOptions(firstStartFile(4));  // within the option's range, past the list
  resetTexts();
  clearOptions();
  startAsTheGameDoes();
  EXPECT_EQ(getOptionValue(OPTION_LANGUAGE), 4);
  EXPECT_EQ(getCurrentLanguageIndex(), 0);
  EXPECT_STREQ(getText(0), "text in en");
}

TEST_F(OptionsTest, AFailedSaveLeavesTheOldFile) {
  const std::string old = block("SOUND_VOLUME", 5, 0, 10, 3, 0);
  writeOptions(old);
  // The temporary file cannot be created where a folder of its name stands.
  tmp.write("home/TARNWELL/Quillmoor/options.dat.tmp/keep", "x");
  loadOptions();  // would repair the file, and cannot
  EXPECT_EQ(getOptionValue(OPTION_SOUND_VOLUME), 3);
  EXPECT_FALSE(saveOptions());
  EXPECT_EQ(readOptions(), old);
}

TEST_F(OptionsTest, ASaveNeverWritesThroughALinkAtTheTemporaryName) {
  // A link planted at the temporary name must not redirect the save into the
  // file it points to: the temporary file is made afresh.
  writeOptions(firstStartFile(3));
  const std::filesystem::path victim = tmp.write("victim.txt", "precious");
  std::filesystem::create_symlink(victim, optionsPath().string() + ".tmp");
  loadOptions();
  setOptionValue(OPTION_MUSIC_VOLUME, 9);
  EXPECT_TRUE(saveOptions());
  std::ifstream in(victim, std::ios::binary);
  std::stringstream victimText;
  victimText << in.rdbuf();
  EXPECT_EQ(victimText.str(), "precious");
  EXPECT_NE(readOptions().find("MUSIC_VOLUME\ndefault=5\nmin=0\nmax=10\ncurrent=9\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::is_symlink(optionsPath()));
  EXPECT_FALSE(std::filesystem::exists(optionsPath().string() + ".tmp"));
}

TEST_F(OptionsTest, AnUnreadableSaveFolderStillGivesTheDefaults) {
  // A file where the save folder should be: nothing opens, nothing is written.
  tmp.write("home/TARNWELL", "not a folder");
  loadOptions();
  expectAllInRange();
  EXPECT_EQ(getOptionValue(OPTION_MUSIC_VOLUME), 5);
}

}  // namespace
