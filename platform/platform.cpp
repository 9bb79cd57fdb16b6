#include "platform/platform.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {

void sleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string currentDirectory() {
  std::vector<char> buf(256);
  for (;;) {
    if (getcwd(buf.data(), buf.size()) != nullptr) return std::string(buf.data());
    if (errno != ERANGE || buf.size() > (1u << 20)) return std::string();
    buf.resize(buf.size() * 2);
  }
}

static const char* nonEmptyEnv(const char* name) {
  const char* v = std::getenv(name);
  return (v != nullptr && v[0] != '\0') ? v : nullptr;
}

bool appDataFolder(std::string& out) {
  // A relative XDG_DATA_HOME is invalid by the base-directory rules and ignored.
  if (const char* xdg = nonEmptyEnv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
    // The folder may not exist yet; the save folder is made inside it.
    std::error_code ec;
    std::filesystem::create_directories(xdg, ec);
    out = xdg;
    return true;
  }
  if (const char* home = nonEmptyEnv("HOME")) {
    std::string base(home);
    if (base.size() > 1 && base.back() == '/') base.pop_back();
    // ~/.local/share may not exist yet on a fresh account.
    makeDirectory(base + "/.local");
    makeDirectory(base + "/.local/share");
    out = base + "/.local/share";
    return true;
  }
  return false;
}

bool makeDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (mkdir(path.c_str(), 0755) == 0) return true;
  struct stat st {};
  return errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string userInterfaceLanguage() {
  const char* value = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if ((value = nonEmptyEnv(name)) != nullptr) break;
  }
  if (value == nullptr) return std::string();
  std::string code;
  for (const char* p = value; *p != '\0' && code.size() < 2; ++p) {
    char c = *p;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c < 'a' || c > 'z') break;
    code.push_back(c);
  }
  // "C" and "POSIX" name no language.
  if (code.size() != 2 || std::string(value) == "POSIX") return std::string();
  return code;
}

void pauseForKey() {
  if (!isatty(STDIN_FILENO)) return;
  std::cout << "Press Enter to continue..." << std::flush;
  std::string line;
  std::getline(std::cin, line);
}

static ExitHandler g_exitHandler = nullptr;

ExitHandler setExitHandler(ExitHandler handler) {
  ExitHandler old = g_exitHandler;
  g_exitHandler = handler;
  return old;
}

void exitProcess(int status) {
  if (g_exitHandler != nullptr) g_exitHandler(status);
  std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
  // The leak check, done now rather than at exit: the GL driver unloads itself
  // while the process ends, and after that its own leaks can no longer be told
  // from ours by the library they come from (which its suppressions name).
  __lsan_do_leak_check();
#endif
  std::exit(status);
}

}  // namespace platform
