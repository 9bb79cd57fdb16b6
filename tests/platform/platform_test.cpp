#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "support/TempDir.h"

using qmtest::ScopedCwd;
using qmtest::ScopedEnv;
using qmtest::TempDir;

TEST(Platform, AppDataFolderPrefersXdgThenHome) {
  TempDir tmp;
  {
    ScopedEnv xdg("XDG_DATA_HOME", tmp.str() + "/xdg/data");
    std::string out;
    ASSERT_TRUE(platform::appDataFolder(out));
    EXPECT_EQ(out, tmp.str() + "/xdg/data");
    EXPECT_TRUE(std::filesystem::is_directory(out));  // made when missing
  }
  {
    // A relative XDG_DATA_HOME is not valid and falls back to HOME; a missing
    // ~/.local/share is created.
    ScopedEnv xdg("XDG_DATA_HOME", std::string("relative/data"));
    ScopedEnv home("HOME", tmp.str() + "/home/");
    std::filesystem::create_directories(tmp.path() / "home");
    std::string out;
    ASSERT_TRUE(platform::appDataFolder(out));
    EXPECT_EQ(out, tmp.str() + "/home/.local/share");
    EXPECT_TRUE(std::filesystem::is_directory(out));
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    ScopedEnv home("HOME", std::nullopt);
    std::string out = "untouched";
    EXPECT_FALSE(platform::appDataFolder(out));
    EXPECT_EQ(out, "untouched");
  }
}

TEST(Platform, MakeDirectoryAcceptsExistingFolderButNotFile) {
  TempDir tmp;
  const std::string dir = tmp.str() + "/d";
  EXPECT_TRUE(platform::makeDirectory(dir));
  EXPECT_TRUE(platform::makeDirectory(dir));
  tmp.write("file", "x");
  EXPECT_FALSE(platform::makeDirectory(tmp.str() + "/file"));
  EXPECT_FALSE(platform::makeDirectory(tmp.str() + "/missing/child"));
  EXPECT_FALSE(platform::makeDirectory(""));
}

TEST(Platform, CurrentDirectoryHasNoLengthCap) {
  TempDir tmp;
  std::filesystem::path deep = tmp.path();
  for (int i = 0; i < 30; ++i) deep /= std::string(60, static_cast<char>('a' + i % 26));
  std::filesystem::create_directories(deep);
  ScopedCwd cwd(deep);
  const std::string got = platform::currentDirectory();
  EXPECT_GT(got.size(), 1800u);
  EXPECT_EQ(std::filesystem::path(got), std::filesystem::canonical(deep));
}

TEST(Platform, UserInterfaceLanguageFollowsLocaleVariables) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, "fr_FR.UTF-8", "fr"},
      {nullptr, "de_DE", "fr_FR.UTF-8", "de"},
      {"it_IT@euro", "de_DE", "fr_FR", "it"},
      {"", "", "ES", "es"},
      {nullptr, nullptr, "C.UTF-8", ""},
      {nullptr, nullptr, "POSIX", ""},
      {"C", nullptr, "fr_FR", ""},
      {nullptr, nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    auto opt = [](const char* v) { return v ? std::optional<std::string>(v) : std::nullopt; };
    ScopedEnv a("LC_ALL", opt(c.lcAll));
    ScopedEnv m("LC_MESSAGES", opt(c.lcMessages));
    ScopedEnv l("LANG", opt(c.lang));
    EXPECT_EQ(platform::userInterfaceLanguage(), c.expected)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");
  }
  // Reading the language must not switch the process locale: numbers keep a dot.
  ScopedEnv l("LANG", std::string("de_DE.UTF-8"));
  (void)platform::userInterfaceLanguage();
  EXPECT_DOUBLE_EQ(std::atof("0.5"), 0.5);
}

struct ExitCalled : std::runtime_error {
  explicit ExitCalled(int s) : std::runtime_error("exit"), status(s) {}
  int status;
};

TEST(Platform, ExitGoesThroughReplaceableHandler) {
  platform::ExitHandler old = platform::setExitHandler([](int status) { throw ExitCalled(status); });
  try {
    platform::exitProcess(3);
    FAIL() << "exitProcess returned";
  } catch (const ExitCalled& e) {
    EXPECT_EQ(e.status, 3);
  }
  platform::setExitHandler(old);
}
