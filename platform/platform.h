#pragma once
// Stand-ins for the operating-system services the game needs: sleeping, the
// working folder, the per-user data folder, the user's language and process exit.
#include <string>

namespace platform {

// Blocks the calling thread for ms milliseconds (nothing for ms <= 0).
void sleepMs(int ms);

// The current working folder, whatever its length; empty when it cannot be read.
std::string currentDirectory();

// The per-user application-data folder: $XDG_DATA_HOME when set and absolute,
// else $HOME/.local/share, created when missing. False (and out untouched) when
// neither is known.
bool appDataFolder(std::string& out);

// Creates one folder (mode 0755). True when it exists afterwards as a folder.
bool makeDirectory(const std::string& path);

// The user's interface language as a lower-case two-letter code ("fr", "de"...),
// taken from LC_ALL, then LC_MESSAGES, then LANG. Empty for "C", "POSIX" or
// nothing set. Never changes the process locale: numbers must keep parsing with
// a dot.
std::string userInterfaceLanguage();

// Waits for a line on standard input, but only when standard input is a
// terminal: a run without one (tests, CI, a desktop launcher) never blocks.
void pauseForKey();

// Ends the process with the given status. Tests replace the handler so that
// code paths that quit can be exercised.
[[noreturn]] void exitProcess(int status);
using ExitHandler = void (*)(int status);
// Installs a handler called instead of std::exit; it must not return (it may
// throw). Pass nullptr to restore the default. Returns the previous handler.
ExitHandler setExitHandler(ExitHandler handler);

}  // namespace platform
